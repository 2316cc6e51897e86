#pragma once
// The Mirai stand-in as a real child process in a temporary working
// directory: its settings file names a free port on 127.0.0.1, its request
// record is read back as parsed lines, and console commands (events from
// the simulated QQ side) go to its standard input.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "tests/FreePort.h"
#include "tests/TempDir.h"

namespace vkr {

class StandinProcess {
public:
    static constexpr const char* kAuthKey = "TESTKEY-api-0001";
    static constexpr std::int64_t kBotQq = 900001;

    struct Recorded {
        std::string method, path, query, body;
    };

    StandinProcess() {
        port_ = FreePort();
        const auto configDir = dir_.path() / "config" / "net.mamoe.mirai-api-http";
        std::filesystem::create_directories(configDir);
        std::ofstream(configDir / "setting.yml") << "host: 127.0.0.1\nport: " << port_ << "\nauthKey: " << kAuthKey
                                                 << "\n";
        Spawn();
        ready_ = WaitForOutput("mirai-console started successfully.");
    }

    ~StandinProcess() {
        if (input_ >= 0) close(input_);  // end of input stops the console
        int status = 0;
        if (pid_ > 0 && !WaitForExit(5000)) {
            kill(pid_, SIGKILL);
            waitpid(pid_, &status, 0);
        }
        if (output_ >= 0) close(output_);
    }

    StandinProcess(const StandinProcess&) = delete;
    StandinProcess& operator=(const StandinProcess&) = delete;

    bool Ready() const { return ready_; }
    std::string BaseUrl() const { return "http://127.0.0.1:" + std::to_string(port_); }
    std::string Output() const { return output_text_; }
    const std::filesystem::path& WorkDir() const { return dir_.path(); }

    // Runs a console command and waits until the console has answered it.
    bool Command(const std::string& line) {
        const size_t before = output_text_.size();
        const std::string text = line + "\n";
        if (write(input_, text.data(), text.size()) != static_cast<ssize_t>(text.size())) return false;
        return WaitForOutput("\n", before);
    }

    std::vector<Recorded> Requests() const {
        std::vector<Recorded> requests;
        std::ifstream in(RecordPath());
        for (std::string line; std::getline(in, line);) {
            const auto item = nlohmann::json::parse(line, nullptr, false);
            if (item.is_discarded()) continue;
            requests.push_back({item.value("method", ""), item.value("path", ""), item.value("query", ""),
                                item.value("body", "")});
        }
        return requests;
    }

private:

    std::filesystem::path RecordPath() const { return dir_.path() / "record.jsonl"; }

    void Spawn() {
        int toChild[2], fromChild[2];
        if (pipe2(toChild, O_CLOEXEC) != 0 || pipe2(fromChild, O_CLOEXEC) != 0) return;
        // Everything the child needs is built before fork: the child only execs.
        std::vector<std::string> environment = {"VKR_STANDIN_RECORD=" + RecordPath().string(),
                                                "VKR_STANDIN_BOT_QQ=" + std::to_string(kBotQq),
                                                "VKR_STANDIN_STARTUP_MS=0"};
        for (char** entry = environ; *entry; ++entry) environment.emplace_back(*entry);
        std::vector<char*> envp;
        for (auto& entry : environment) envp.push_back(entry.data());
        envp.push_back(nullptr);
        char name[] = "mirai-standin";
        char* argv[] = {name, nullptr};
        const std::string workDir = dir_.path().string();
        pid_ = fork();
        if (pid_ == 0) {
            dup2(toChild[0], STDIN_FILENO);
            dup2(fromChild[1], STDOUT_FILENO);
            dup2(fromChild[1], STDERR_FILENO);
            if (chdir(workDir.c_str()) == 0) execve(VKR_STANDIN_PATH, argv, envp.data());
            _exit(127);
        }
        close(toChild[0]);
        close(fromChild[1]);
        input_ = toChild[1];
        output_ = fromChild[0];
    }

    // Reads the console's output until text appears after position from.
    bool WaitForOutput(const std::string& text, size_t from = 0) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (output_text_.find(text, from) == std::string::npos) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline -
                                                                                     std::chrono::steady_clock::now());
            pollfd ready{output_, POLLIN, 0};
            if (left.count() <= 0 || poll(&ready, 1, static_cast<int>(left.count())) <= 0) return false;
            char buffer[4096];
            const ssize_t got = read(output_, buffer, sizeof buffer);
            if (got <= 0) return false;
            output_text_.append(buffer, static_cast<size_t>(got));
        }
        return true;
    }

    // The child has exited once its output pipe reaches end of file.
    bool WaitForExit(int milliseconds) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline -
                                                                                     std::chrono::steady_clock::now());
            pollfd ready{output_, POLLIN, 0};
            if (left.count() <= 0 || poll(&ready, 1, static_cast<int>(left.count())) <= 0) return false;
            char buffer[4096];
            if (read(output_, buffer, sizeof buffer) <= 0) break;
        }
        int status = 0;
        return waitpid(pid_, &status, 0) == pid_;
    }

    TempDir dir_;
    int port_ = 0;
    pid_t pid_ = -1;
    int input_ = -1;
    int output_ = -1;
    std::string output_text_;
    bool ready_ = false;
};

}  // namespace vkr
