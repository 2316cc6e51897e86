#include "console/ConsoleReader.h"

#include <chrono>
#include <system_error>

#include "console/ConsolePaneModel.h"
#include "console/ConsolePipe.h"

namespace vkr {
namespace {

// Longest wait for output between two looks at the stop request.
constexpr int kWaitMs = 50;

}  // namespace

ConsoleReader::ConsoleReader(ConsolePipe& pipe, ConsolePaneModel& pane) : pipe_(pipe), pane_(pane) {}

ConsoleReader::~ConsoleReader() {
    Stop();
}

void ConsoleReader::Start() {
    std::lock_guard control(controlMutex_);
    if (thread_.joinable()) {
        stopRequested_ = true;
        thread_.join();
    }
    stopRequested_ = false;
    {
        std::lock_guard lock(stateMutex_);
        reading_ = true;
    }
    try {
        thread_ = std::thread(&ConsoleReader::Run, this);
    } catch (const std::system_error&) {
        MarkEnded();
    }
}

void ConsoleReader::Stop() {
    std::lock_guard control(controlMutex_);
    if (thread_.joinable()) {
        stopRequested_ = true;
        thread_.join();
    }
}

bool ConsoleReader::IsReading() const {
    std::lock_guard lock(stateMutex_);
    return reading_;
}

bool ConsoleReader::WaitUntilEnded(int timeoutMs) const {
    std::unique_lock lock(stateMutex_);
    return ended_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return !reading_; });
}

void ConsoleReader::Run() {
    while (!stopRequested_) {
        pipe_.WaitForOutput(kWaitMs);
        AppendChunk(pipe_.ReadAvailableText());
        if (!pipe_.IsRunning()) {
            // The child's last words were written before it ended: show them too.
            while (pipe_.BytesWaiting() > 0 && !stopRequested_) {
                AppendChunk(pipe_.ReadAvailableText());
            }
            break;
        }
    }
    MarkEnded();
}

void ConsoleReader::AppendChunk(const std::string& chunk) {
    if (!chunk.empty()) {
        pane_.Append("\r\n" + chunk);
    }
}

void ConsoleReader::MarkEnded() {
    std::lock_guard lock(stateMutex_);
    reading_ = false;
    ended_.notify_all();
}

}  // namespace vkr
