#pragma once
// The local update servers (tools/update-servers) as a child process over a
// test's temporary folder: HTTPS update server and resolution service, HTTP
// file host and FTP server, with a certificate made for this run.
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>

extern char** environ;

// Test folders outside tests/update (the GUI tests) find the script beside this header.
#ifndef VKR_UPDATE_SERVERS_SCRIPT
#define VKR_UPDATE_SERVERS_SCRIPT \
    (std::filesystem::path(__FILE__).parent_path() / "../../tools/update-servers/update_servers.py").string()
#endif

namespace vkr::test {

class UpdateServers {
public:
    explicit UpdateServers(const std::filesystem::path& root) : root_(root) {
        int out[2];
        if (pipe(out) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        const std::string script = VKR_UPDATE_SERVERS_SCRIPT;
        const std::string rootText = root.string();
        const char* argv[] = {"/usr/bin/python3", script.c_str(), "serve", "--root", rootText.c_str(), nullptr};
        if (posix_spawn(&pid_, argv[0], &actions, nullptr, const_cast<char**>(argv), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        const std::string line = ReadLine(out[0]);
        close(out[0]);
        const auto info = nlohmann::json::parse(line, nullptr, false);
        if (!info.is_object()) return;
        https_ = info.value("https", 0);
        http_ = info.value("http", 0);
        ftp_ = info.value("ftp", 0);
        ca_ = info.value("ca", std::string());
    }

    ~UpdateServers() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }

    bool ready() const { return https_ > 0 && http_ > 0 && ftp_ > 0; }
    std::string UpdateHost() const { return "127.0.0.1:" + std::to_string(https_); }
    std::string FileUrl(const std::string& nameAndQuery) const {
        return "http://127.0.0.1:" + std::to_string(http_) + "/files/" + nameAndQuery;
    }
    int ftpPort() const { return ftp_; }
    const std::string& caBundle() const { return ca_; }

    void WriteFile(const std::filesystem::path& relative, const std::string& bytes) const {
        std::filesystem::create_directories((root_ / relative).parent_path());
        std::ofstream(root_ / relative, std::ios::binary) << bytes;
    }
    void RemoveFile(const std::filesystem::path& relative) const { std::filesystem::remove(root_ / relative); }
    // The file host's and resolver's requests so far, one JSON object each.
    std::vector<nlohmann::json> Requests() const {
        std::vector<nlohmann::json> all;
        std::ifstream log(root_ / "requests.log");
        for (std::string line; std::getline(log, line);) all.push_back(nlohmann::json::parse(line));
        return all;
    }

private:
    static std::string ReadLine(int fd) {
        std::string line;
        char c;
        pollfd pfd{fd, POLLIN, 0};
        while (poll(&pfd, 1, 30000) > 0 && read(fd, &c, 1) == 1 && c != '\n') line += c;
        return line;
    }

    std::filesystem::path root_;
    pid_t pid_ = -1;
    int https_ = 0;
    int http_ = 0;
    int ftp_ = 0;
    std::string ca_;
};

}  // namespace vkr::test
