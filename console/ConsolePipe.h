#pragma once
// The child process of the console host behind two anonymous pipes: the
// parent writes the child's standard input and reads its standard output and
// standard error, which share one pipe.
//
// The child speaks UTF-8; texts are CP936 inside the program. Text reads
// convert at the pipe (a character split across two reads arrives whole),
// text writes convert back. Byte reads and writes stay raw.
//
// Threads: one thread reads (the reader) while others write lines; Start and
// Close are called while no reader runs.
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "platform/ChildProcess.h"
#include "platform/CodePage.h"

namespace vkr {

class ConsolePipe {
public:
    // A pipe record: the two ends of one anonymous pipe, both close-on-exec.
    using PipeRecord = PipeEnds;

    ConsolePipe() = default;
    // Frees the object only; the handles are released by Close.
    ~ConsolePipe() = default;
    // Copies the handle values, not the handles: a copy works on the same
    // child and pipes, and only one of them should be closed.
    ConsolePipe(const ConsolePipe& other);
    ConsolePipe& operator=(const ConsolePipe& other);

    // One read of up to count bytes, made only when bytes are waiting; never blocks.
    std::string ReadBytes(int count);
    // ReadBytes as CP936 text, cut at the first zero byte.
    std::string ReadText(int count);
    std::string ReadAvailableBytes();
    // Everything waiting now, as text; "" at once when nothing waits.
    std::string ReadAvailableText();

    // Writes all of data to the child's input; false for empty data or a failed write.
    bool WriteBytes(std::string_view data);
    // Writes a CP936 text as UTF-8.
    bool WriteText(std::string_view text);
    // Ends line with "\r\n" unless it already ends so (the caller's line
    // changes), then writes it: "stop" => "stop\r\n", 6 bytes; "" => "\r\n".
    bool WriteLine(std::string& line);

    // Starts commandLine (a program on PATH with its arguments, split as
    // SplitCommandLine does, CP936) in a process group of its own, in the
    // current directory. A child still held from an earlier Start is closed
    // first. showState is kept for callers; there is no window to show.
    bool Start(const std::string& commandLine, int showState = 0);
    // Makes a fresh pipe into record; false (record unchanged) on failure.
    bool OpenPipe(PipeRecord& record);
    // The child's streams: input from the input pipe, output and error to the output pipe.
    ChildStreams BuildStartupInfo(int showState) const;

    // False once the child has ended; true while it lives, and also before any
    // Start and after Close, when there is no child to find ended.
    bool IsRunning();
    // Ends the child and everything it started (SIGTERM, then SIGKILL after a
    // short grace), collects it and closes all four pipe ends, making them
    // null. True when a started child is gone; false when none was started.
    bool Close();

    // Bytes waiting in the output pipe; -1 when the query fails (no pipe).
    int BytesWaiting() const;
    // File pointer of the output pipe's read end; -1, since a pipe has none.
    long long GetPosition() const;
    // Moves that file pointer: origin 1 from the start, 2 from the end, 3
    // from the current position; omitted or anything else counts as 1.
    bool Seek(std::optional<int> origin, long long distance);

    // This process's own standard output, input and error.
    static NativeHandle GetStdOutput();
    static NativeHandle GetStdInput();
    static NativeHandle GetStdError();

    // Blocks until output waits or the child ended, at most timeoutMs, so a
    // reader need not poll. True when one of them holds.
    bool WaitForOutput(int timeoutMs);

private:
    void ReleasePipes();

    PipeRecord inputPipe_;
    PipeRecord outputPipe_;
    ChildProcess process_;
    mutable std::mutex processMutex_;  // IsRunning may run on the reader and the UI thread
    Utf8StreamDecoder decoder_;
};

}  // namespace vkr
