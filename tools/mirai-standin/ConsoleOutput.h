#pragma once
// Mirai-like coloured console lines, written by a thread of their own so that a
// parent that stops reading our output never stalls the HTTP server.
#include <chrono>
#include <ctime>
#include <memory>
#include <string>
#include <string_view>

namespace vkr::standin {

enum class LogLevel { Verbose, Debug, Info, Warning, Error };

class ConsoleOutput {
public:
    explicit ConsoleOutput(int fd);
    ~ConsoleOutput();
    ConsoleOutput(const ConsoleOutput&) = delete;
    ConsoleOutput& operator=(const ConsoleOutput&) = delete;

    void Log(LogLevel level, std::string_view identity, std::string_view message);
    // An exception as the JVM logger prints it: toString, then the stack trace
    // (which repeats the first line), all inside one coloured block.
    void LogException(std::string_view identity, std::string_view exceptionText,
                      std::string_view stackTrace);

    // Waits until everything queued so far is written, or the limit passes.
    bool Flush(std::chrono::milliseconds limit);

    // "ESC[92m2024-01-02 03:04:05 I/main: textESC[0mESC[m\n"
    static std::string FormatLine(LogLevel level, std::string_view identity,
                                  std::string_view message, std::time_t when);

private:
    void Enqueue(std::string text);

    struct State;
    std::shared_ptr<State> state_;
};

}  // namespace vkr::standin
