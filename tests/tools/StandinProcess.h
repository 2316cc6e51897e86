#pragma once
// Runs the stand-in as "java" in a temporary run directory and collects what
// it prints, so tests can wait for a text without polling.
#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace vkr::test {

// A port on 127.0.0.1 that was free a moment ago.
int FreePort();

// Writes config/net.mamoe.mirai-api-http/setting.yml under dir; extraLines
// (ending in "\n") are appended.
void WriteSettings(const std::filesystem::path& dir, int port, const std::string& authKey,
                   const std::string& extraLines = "");

class StandinProcess {
public:
    using Env = std::map<std::string, std::string>;

    // Starts `java -cp "./libs/*" <main class>` (or the given arguments) in dir.
    StandinProcess(const std::filesystem::path& dir, const Env& env = {},
                   std::vector<std::string> args = {});
    ~StandinProcess();
    StandinProcess(const StandinProcess&) = delete;
    StandinProcess& operator=(const StandinProcess&) = delete;

    // True once stdout holds text; false after the timeout.
    bool WaitForOutput(const std::string& text, std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // True once stdout holds text at least count times.
    bool WaitForCount(const std::string& text, int count,
                      std::chrono::milliseconds timeout = std::chrono::seconds(10));
    std::string Output();
    std::string Errors();

    void WriteLine(const std::string& line);
    void CloseInput();
    void Signal(int signal);
    // The exit code, or nullopt when it has not ended within the timeout.
    std::optional<int> WaitForExit(std::chrono::milliseconds timeout = std::chrono::seconds(10));

private:
    void ReadAll();

    pid_t pid_ = -1;
    int input_ = -1;
    int output_ = -1;
    int errors_ = -1;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::string out_;
    std::string err_;
    bool ended_ = false;
    std::optional<int> exitCode_;
    std::thread reader_;
};

}  // namespace vkr::test
