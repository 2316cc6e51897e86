#include "console/RunAndCapture.h"

#include "platform/ChildProcess.h"
#include "platform/CodePage.h"
#include "platform/EventPump.h"

namespace vkr {
namespace {

// Longest wait on the command's output between two servings of window events.
constexpr int kWaitMs = 20;

}  // namespace

std::string RunAndCapture(const std::string& command, EventPump& pump) {
    PipeEnds pipe;
    if (!CreatePipeEnds(pipe)) {
        return {};
    }
    ChildProcess child;
    ChildStreams streams{.standardOutput = pipe.writeEnd, .standardError = pipe.writeEnd};
    bool started = child.Spawn({"/bin/sh", "-c", Cp936ToUtf8(command)}, streams, /*ownProcessGroup=*/false);
    CloseHandle(pipe.writeEnd);  // only the child writes, so its end shows as the pipe's end
    if (!started) {
        CloseHandle(pipe.readEnd);
        return {};
    }
    Utf8StreamDecoder decoder;
    std::string output;
    while (true) {
        WaitForOutputOrEnd(pipe.readEnd, child.Handle(), kWaitMs);
        // Output before the exit test, so nothing written just before the end is lost.
        int waiting = BytesWaiting(pipe.readEnd);
        if (waiting > 0) {
            std::string piece = ReadOnce(pipe.readEnd, waiting);
            output += decoder.Decode(piece.c_str());  // a zero byte ends the piece
        } else if (child.HasEnded()) {
            break;
        }
        pump.ServePendingEvents(0);
    }
    output += decoder.Finish();
    CloseHandle(pipe.readEnd);
    child.Release();
    return output;
}

}  // namespace vkr
