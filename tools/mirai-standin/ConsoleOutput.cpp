#include "tools/mirai-standin/ConsoleOutput.h"

#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace vkr::standin {

namespace {

struct LevelStyle {
    const char* colour;
    char letter;
};

LevelStyle StyleOf(LogLevel level) {
    switch (level) {
        case LogLevel::Verbose: return {"\x1b[0m", 'V'};
        case LogLevel::Debug: return {"\x1b[96m", 'D'};
        case LogLevel::Info: return {"\x1b[92m", 'I'};
        case LogLevel::Warning: return {"\x1b[91m", 'W'};
        case LogLevel::Error: return {"\x1b[31m", 'E'};
    }
    return {"\x1b[0m", 'V'};
}

// Writes all of text; gives up (dropping it) when the reader has gone away.
void WriteAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        ssize_t wrote = ::write(fd, text.data() + done, text.size() - done);
        if (wrote < 0) {
            if (errno == EINTR) continue;
            return;
        }
        done += static_cast<size_t>(wrote);
    }
}

}  // namespace

struct ConsoleOutput::State {
    int fd = 1;
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<std::string> pending;
    bool writing = false;
    bool closing = false;

    void Run() {
        std::unique_lock lock(mutex);
        while (true) {
            changed.wait(lock, [&] { return closing || !pending.empty(); });
            if (pending.empty()) return;
            std::string batch;
            while (!pending.empty()) {
                batch += pending.front();
                pending.pop_front();
            }
            writing = true;
            lock.unlock();
            WriteAll(fd, batch);
            lock.lock();
            writing = false;
            changed.notify_all();
        }
    }
};

ConsoleOutput::ConsoleOutput(int fd) : state_(std::make_shared<State>()) {
    state_->fd = fd;
    // The thread owns a share of the state: if the reader never drains the pipe
    // the thread stays blocked in write() and is left behind at exit.
    std::thread([state = state_] { state->Run(); }).detach();
}

ConsoleOutput::~ConsoleOutput() {
    Flush(std::chrono::milliseconds(2000));
    std::lock_guard lock(state_->mutex);
    state_->closing = true;
    state_->changed.notify_all();
}

void ConsoleOutput::Enqueue(std::string text) {
    std::lock_guard lock(state_->mutex);
    state_->pending.push_back(std::move(text));
    state_->changed.notify_all();
}

void ConsoleOutput::Log(LogLevel level, std::string_view identity, std::string_view message) {
    Enqueue(FormatLine(level, identity, message, std::time(nullptr)));
}

void ConsoleOutput::LogException(std::string_view identity, std::string_view exceptionText,
                                 std::string_view stackTrace) {
    std::string block(exceptionText);
    block += "\n";
    block += exceptionText;
    block += "\n";
    block += stackTrace;
    Log(LogLevel::Error, identity, block);
}

bool ConsoleOutput::Flush(std::chrono::milliseconds limit) {
    std::unique_lock lock(state_->mutex);
    return state_->changed.wait_for(lock, limit,
                                    [&] { return state_->pending.empty() && !state_->writing; });
}

std::string ConsoleOutput::FormatLine(LogLevel level, std::string_view identity,
                                      std::string_view message, std::time_t when) {
    std::tm local{};
    localtime_r(&when, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
    LevelStyle style = StyleOf(level);
    std::string line = style.colour;
    line += stamp;
    line += ' ';
    line += style.letter;
    line += '/';
    line += identity;
    line += ": ";
    line += message;
    line += "\x1b[0m\x1b[m\n";
    return line;
}

}  // namespace vkr::standin
