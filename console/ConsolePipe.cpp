#include "console/ConsolePipe.h"

#include <unistd.h>

namespace vkr {
namespace {

// How long a closing child gets to end by itself before it is killed.
constexpr int kCloseGraceMs = 2000;

// Bytes taken as text end at the first zero byte.
std::string_view UpToZero(const std::string& bytes) {
    return bytes.c_str();
}

}  // namespace

ConsolePipe::ConsolePipe(const ConsolePipe& other) {
    std::lock_guard lock(other.processMutex_);
    inputPipe_ = other.inputPipe_;
    outputPipe_ = other.outputPipe_;
    process_ = other.process_;
    decoder_ = other.decoder_;
}

ConsolePipe& ConsolePipe::operator=(const ConsolePipe& other) {
    if (this != &other) {
        std::scoped_lock lock(processMutex_, other.processMutex_);
        inputPipe_ = other.inputPipe_;
        outputPipe_ = other.outputPipe_;
        process_ = other.process_;
        decoder_ = other.decoder_;
    }
    return *this;
}

std::string ConsolePipe::ReadBytes(int count) {
    if (BytesWaiting() <= 0 || count <= 0) {
        return {};
    }
    return ReadOnce(outputPipe_.readEnd, count);
}

std::string ConsolePipe::ReadText(int count) {
    return decoder_.Decode(UpToZero(ReadBytes(count)));
}

std::string ConsolePipe::ReadAvailableBytes() {
    return ReadBytes(BytesWaiting());
}

std::string ConsolePipe::ReadAvailableText() {
    return decoder_.Decode(UpToZero(ReadAvailableBytes()));
}

bool ConsolePipe::WriteBytes(std::string_view data) {
    return !data.empty() && WriteAll(inputPipe_.writeEnd, data);
}

bool ConsolePipe::WriteText(std::string_view text) {
    return WriteBytes(Cp936ToUtf8(text));
}

bool ConsolePipe::WriteLine(std::string& line) {
    if (!line.ends_with("\r\n")) {
        line += "\r\n";
    }
    return WriteText(line);
}

bool ConsolePipe::Start(const std::string& commandLine, int showState) {
    std::lock_guard lock(processMutex_);
    if (process_.IsStarted()) {
        process_.EndProcessGroup(kCloseGraceMs, outputPipe_.readEnd);
    }
    ReleasePipes();
    if (!OpenPipe(inputPipe_) || !OpenPipe(outputPipe_)) {
        ReleasePipes();
        return false;
    }
    decoder_ = Utf8StreamDecoder();
    bool started = process_.Spawn(SplitCommandLine(Cp936ToUtf8(commandLine)), BuildStartupInfo(showState),
                                  /*ownProcessGroup=*/true);
    // The child holds its own ends now; keeping ours would hide the end of its output.
    CloseHandle(inputPipe_.readEnd);
    CloseHandle(outputPipe_.writeEnd);
    if (!started) {
        ReleasePipes();
    }
    return started;
}

bool ConsolePipe::OpenPipe(PipeRecord& record) {
    return CreatePipeEnds(record);
}

ChildStreams ConsolePipe::BuildStartupInfo(int showState) const {
    return ChildStreams{.showState = showState,
                        .standardInput = inputPipe_.readEnd,
                        .standardOutput = outputPipe_.writeEnd,
                        .standardError = outputPipe_.writeEnd};
}

bool ConsolePipe::IsRunning() {
    std::lock_guard lock(processMutex_);
    return !process_.HasEnded();
}

bool ConsolePipe::Close() {
    std::lock_guard lock(processMutex_);
    bool ended = process_.EndProcessGroup(kCloseGraceMs, outputPipe_.readEnd);
    ReleasePipes();
    return ended;
}

int ConsolePipe::BytesWaiting() const {
    return vkr::BytesWaiting(outputPipe_.readEnd);
}

long long ConsolePipe::GetPosition() const {
    return MoveFilePointer(outputPipe_.readEnd, 0, 3);
}

bool ConsolePipe::Seek(std::optional<int> origin, long long distance) {
    return MoveFilePointer(outputPipe_.readEnd, distance, origin.value_or(1)) != -1;
}

NativeHandle ConsolePipe::GetStdOutput() {
    return STDOUT_FILENO;
}

NativeHandle ConsolePipe::GetStdInput() {
    return STDIN_FILENO;
}

NativeHandle ConsolePipe::GetStdError() {
    return STDERR_FILENO;
}

bool ConsolePipe::WaitForOutput(int timeoutMs) {
    NativeHandle processHandle;
    {
        std::lock_guard lock(processMutex_);
        processHandle = process_.Handle();
    }
    return WaitForOutputOrEnd(outputPipe_.readEnd, processHandle, timeoutMs);
}

void ConsolePipe::ReleasePipes() {
    CloseHandle(inputPipe_.writeEnd);
    CloseHandle(inputPipe_.readEnd);
    CloseHandle(outputPipe_.writeEnd);
    CloseHandle(outputPipe_.readEnd);
}

}  // namespace vkr
