#pragma once
// The reader thread of one launch: copies every chunk of the child's output
// into the console pane, each on a line of its own ("\r\n" + chunk), exactly
// as it was waiting (a chunk may hold several lines or part of one). When the
// child has ended it shows what is still waiting, then ends by itself.
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace vkr {

class ConsolePipe;
class ConsolePaneModel;

class ConsoleReader {
public:
    ConsoleReader(ConsolePipe& pipe, ConsolePaneModel& pane);
    ~ConsoleReader();  // stops the thread
    ConsoleReader(const ConsoleReader&) = delete;
    ConsoleReader& operator=(const ConsoleReader&) = delete;

    // Starts a new reader thread; a reader still running is stopped first.
    void Start();
    // Asks the thread to end and returns once it has (within about 50 ms).
    // Does nothing when no reader was started.
    void Stop();
    // True while a started reader has not ended.
    bool IsReading() const;
    // Blocks until the reader has ended (by itself or by Stop), at most
    // timeoutMs; true when no reader is running.
    bool WaitUntilEnded(int timeoutMs) const;

private:
    void Run();
    void AppendChunk(const std::string& chunk);
    void MarkEnded();

    ConsolePipe& pipe_;
    ConsolePaneModel& pane_;
    std::mutex controlMutex_;  // Start and Stop may come from the UI and the key-rewrite thread
    std::thread thread_;
    std::atomic<bool> stopRequested_ = false;
    mutable std::mutex stateMutex_;
    mutable std::condition_variable ended_;
    bool reading_ = false;
};

}  // namespace vkr
