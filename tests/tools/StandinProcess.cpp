#include "tests/tools/StandinProcess.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>

namespace vkr::test {

int FreePort() {
    int sock = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    ::getsockname(sock, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(sock);
    return ntohs(address.sin_port);
}

void WriteSettings(const std::filesystem::path& dir, int port, const std::string& authKey,
                   const std::string& extraLines) {
    std::filesystem::path folder = dir / "config" / "net.mamoe.mirai-api-http";
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "setting.yml") << "host: 127.0.0.1\nport: " << port << "\nauthKey: " << authKey << "\n" << extraLines;
}

StandinProcess::StandinProcess(const std::filesystem::path& dir, const Env& env, std::vector<std::string> args) {
    // Writing to a child that has already ended must fail, not kill the test.
    ::signal(SIGPIPE, SIG_IGN);
    if (args.empty()) args = {"-cp", "./libs/*", "net.mamoe.mirai.console.terminal.MiraiConsoleTerminalLoader"};
    std::string program = std::string(VKR_STANDIN_BIN_DIR) + "/java";
    std::vector<std::string> argTexts{"java"};
    argTexts.insert(argTexts.end(), args.begin(), args.end());
    std::vector<std::string> envTexts;
    for (char** item = environ; *item != nullptr; ++item) envTexts.push_back(*item);
    for (const auto& [name, value] : env) envTexts.push_back(name + "=" + value);
    std::vector<char*> argv, envp;
    for (std::string& text : argTexts) argv.push_back(text.data());
    for (std::string& text : envTexts) envp.push_back(text.data());
    argv.push_back(nullptr);
    envp.push_back(nullptr);
    std::string where = dir.string();

    int in[2], out[2], err[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
        ::dup2(in[0], 0);
        ::dup2(out[1], 1);
        ::dup2(err[1], 2);
        if (::chdir(where.c_str()) == 0) ::execve(program.c_str(), argv.data(), envp.data());
        ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    ::close(err[1]);
    input_ = in[1];
    output_ = out[0];
    errors_ = err[0];
    reader_ = std::thread([this] { ReadAll(); });
}

StandinProcess::~StandinProcess() {
    CloseInput();
    if (!WaitForExit(std::chrono::seconds(5))) {
        Signal(SIGKILL);
        WaitForExit(std::chrono::seconds(5));
    }
    if (reader_.joinable()) reader_.join();
}

void StandinProcess::ReadAll() {
    pollfd fds[2] = {{output_, POLLIN, 0}, {errors_, POLLIN, 0}};
    int open = 2;
    while (open > 0) {
        if (::poll(fds, 2, -1) < 0 && errno != EINTR) break;
        for (pollfd& fd : fds) {
            if (fd.fd < 0 || fd.revents == 0) continue;
            char buffer[4096];
            ssize_t got = ::read(fd.fd, buffer, sizeof buffer);
            if (got <= 0) {
                ::close(fd.fd);
                fd.fd = -1;
                --open;
                continue;
            }
            std::lock_guard lock(mutex_);
            (fd.fd == output_ ? out_ : err_).append(buffer, static_cast<size_t>(got));
            changed_.notify_all();
        }
    }
    int status = 0;
    ::waitpid(pid_, &status, 0);
    std::lock_guard lock(mutex_);
    ended_ = true;
    exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    changed_.notify_all();
}

bool StandinProcess::WaitForOutput(const std::string& text, std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return out_.find(text) != std::string::npos; });
}

bool StandinProcess::WaitForCount(const std::string& text, int count, std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] {
        int found = 0;
        for (size_t at = out_.find(text); at != std::string::npos && found < count; at = out_.find(text, at + 1)) {
            ++found;
        }
        return found >= count;
    });
}

std::string StandinProcess::Output() {
    std::lock_guard lock(mutex_);
    return out_;
}

std::string StandinProcess::Errors() {
    std::lock_guard lock(mutex_);
    return err_;
}

void StandinProcess::WriteLine(const std::string& line) {
    std::string text = line + "\n";
    if (input_ >= 0) (void)!::write(input_, text.data(), text.size());
}

void StandinProcess::CloseInput() {
    if (input_ >= 0) ::close(input_);
    input_ = -1;
}

void StandinProcess::Signal(int signal) {
    std::lock_guard lock(mutex_);
    if (pid_ > 0 && !ended_) ::kill(pid_, signal);
}

std::optional<int> StandinProcess::WaitForExit(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, timeout, [&] { return ended_; });
    return exitCode_;
}

}  // namespace vkr::test
