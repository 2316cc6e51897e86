#pragma once
// Child processes and anonymous pipes on Linux, in the shape the console host
// expects of the platform: handles that may be null, reads that never block
// when nothing waits, and a process that can be waited on with a timeout.
//
// Every descriptor made here is close-on-exec, so a child holds only the pipe
// ends handed to it as its standard streams; when it (and whatever it started)
// ends, the parent sees the end of its output.
#include <string>
#include <string_view>
#include <vector>

namespace vkr {

// A file descriptor; kNullHandle is the null handle.
using NativeHandle = int;
inline constexpr NativeHandle kNullHandle = -1;

struct PipeEnds {
    NativeHandle writeEnd = kNullHandle;
    NativeHandle readEnd = kNullHandle;
};

// Standard streams of a new child. A null standard input reads /dev/null;
// standard output and error must be given.
struct ChildStreams {
    int showState = 0;  // kept for callers; a Linux child has no window to show
    NativeHandle standardInput = kNullHandle;
    NativeHandle standardOutput = kNullHandle;
    NativeHandle standardError = kNullHandle;
};

// Splits a command line into program and arguments: blanks separate words,
// double quotes group blanks into a word and are dropped.
// R"(java -cp "./libs/*" Main)" => {"java", "-cp", "./libs/*", "Main"}.
std::vector<std::string> SplitCommandLine(std::string_view commandLine);

// Creates a pipe with both ends close-on-exec. False (ends unchanged) on failure.
bool CreatePipeEnds(PipeEnds& ends);
// Closes handle unless it is null, and makes it null.
void CloseHandle(NativeHandle& handle);

// Bytes that can be read from handle now without blocking; -1 when the query fails.
int BytesWaiting(NativeHandle handle);
// One read call of up to count bytes; empty on failure or end of data.
std::string ReadOnce(NativeHandle handle, int count);
// Writes all of data; false when any write fails. A reader that has gone away
// gives false, not a SIGPIPE for the whole program.
bool WriteAll(NativeHandle handle, std::string_view data);
// Blocks until handle has bytes or reached its end, at most timeoutMs.
bool WaitReadable(NativeHandle handle, int timeoutMs);

// Blocks until output has bytes waiting or the process behind processHandle
// ended, at most timeoutMs; true when one of them holds. An output that has
// reached its end does not wake the wait (its child may live on without it).
bool WaitForOutputOrEnd(NativeHandle output, NativeHandle processHandle, int timeoutMs);

// Moves the file pointer of handle: origin 1 from the start, 2 from the end,
// 3 from the current position; anything else counts as 1. Returns the new
// position, or -1 when the handle cannot seek (a pipe, a null handle).
long long MoveFilePointer(NativeHandle handle, long long distance, int origin);

// A started child. Copies share the same process (the handle values are
// copied, not duplicated), so only one copy should release it.
class ChildProcess {
public:
    // Starts argv[0] (looked up on PATH) with argv, the given streams, the
    // parent's environment and current directory, default signal handling.
    // ownProcessGroup: the child leads a new process group, so it can be
    // ended with everything it started. False when it could not be started.
    bool Spawn(const std::vector<std::string>& argv, const ChildStreams& streams, bool ownProcessGroup);

    bool IsStarted() const { return processId_ > 0; }
    // Readable (for poll) once the process has ended; null when not started.
    NativeHandle Handle() const { return processHandle_; }

    // True once the process has ended; collects it without waiting and
    // remembers that. False when it was never started.
    bool HasEnded();
    // Ends the child's process group (the child alone when it has none):
    // SIGTERM, then up to graceMs for the child to end and its output to close
    // (output is read and dropped meanwhile, so no one blocks writing to it),
    // then SIGKILL for whatever is left. Collects the child and releases the
    // handle. True when a started child is gone.
    bool EndProcessGroup(int graceMs, NativeHandle output);

    // Releases the process handle and forgets the process (which is left alone).
    void Release();

private:
    NativeHandle processHandle_ = kNullHandle;
    int processId_ = 0;
    bool ownsGroup_ = false;
    bool ended_ = false;
};

}  // namespace vkr
