#include "platform/ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <chrono>

extern char** environ;

namespace vkr {
namespace {

int RetryOnInterrupt(auto call) {
    int result;
    do {
        result = call();
    } while (result == -1 && errno == EINTR);
    return result;
}

// Releases the attribute records of posix_spawn on every path out of Spawn.
class SpawnSetup {
public:
    SpawnSetup() {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attributes);
    }
    ~SpawnSetup() {
        posix_spawnattr_destroy(&attributes);
        posix_spawn_file_actions_destroy(&actions);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
};

// Reads and drops what waits in output; true once it reached its end (every
// writer gone). A null output counts as ended.
bool DropWaitingOutput(NativeHandle output) {
    if (output == kNullHandle) {
        return true;
    }
    pollfd entry{output, POLLIN, 0};
    if (RetryOnInterrupt([&] { return poll(&entry, 1, 0); }) <= 0) {
        return false;
    }
    int waiting = BytesWaiting(output);
    if (waiting > 0) {
        ReadOnce(output, waiting);
        return false;
    }
    return true;
}

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view commandLine) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    bool quoted = false;
    for (char c : commandLine) {
        if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (inWord) {
                words.push_back(word);
                word.clear();
                inWord = false;
            }
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) {
        words.push_back(word);
    }
    return words;
}

bool CreatePipeEnds(PipeEnds& ends) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        return false;
    }
    ends.readEnd = fds[0];
    ends.writeEnd = fds[1];
    return true;
}

void CloseHandle(NativeHandle& handle) {
    if (handle != kNullHandle) {
        close(handle);
        handle = kNullHandle;
    }
}

int BytesWaiting(NativeHandle handle) {
    int waiting = 0;
    if (ioctl(handle, FIONREAD, &waiting) != 0) {
        return -1;
    }
    return waiting;
}

std::string ReadOnce(NativeHandle handle, int count) {
    if (handle == kNullHandle || count <= 0) {
        return {};
    }
    std::string buffer(static_cast<size_t>(count), '\0');
    ssize_t got = 0;
    do {
        got = read(handle, buffer.data(), buffer.size());
    } while (got == -1 && errno == EINTR);
    buffer.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return buffer;
}

bool WriteAll(NativeHandle handle, std::string_view data) {
    if (handle == kNullHandle) {
        return false;
    }
    // A write to a pipe whose reader has gone raises SIGPIPE, which would end
    // the whole program: hold it back on this thread and swallow it.
    sigset_t pipeSignal;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    sigset_t previousMask;
    pthread_sigmask(SIG_BLOCK, &pipeSignal, &previousMask);
    sigset_t pending;
    sigpending(&pending);
    bool pipeSignalWasPending = sigismember(&pending, SIGPIPE) == 1;

    bool ok = true;
    while (!data.empty()) {
        ssize_t written = write(handle, data.data(), data.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            ok = false;
            break;
        }
        data.remove_prefix(static_cast<size_t>(written));
    }
    if (!ok && errno == EPIPE && !pipeSignalWasPending) {
        timespec noWait{0, 0};
        RetryOnInterrupt([&] { return sigtimedwait(&pipeSignal, nullptr, &noWait); });
    }
    pthread_sigmask(SIG_SETMASK, &previousMask, nullptr);
    return ok;
}

bool WaitReadable(NativeHandle handle, int timeoutMs) {
    pollfd entry{handle, POLLIN, 0};
    return RetryOnInterrupt([&] { return poll(&entry, 1, timeoutMs); }) > 0;
}

bool WaitForOutputOrEnd(NativeHandle output, NativeHandle processHandle, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    NativeHandle watchedOutput = output;
    while (true) {
        auto remaining = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd entries[2] = {{watchedOutput, POLLIN, 0}, {processHandle, POLLIN, 0}};
        int ready = RetryOnInterrupt(
            [&] { return poll(entries, 2, static_cast<int>(std::max<long long>(remaining.count(), 0))); });
        if (ready <= 0) {
            return false;
        }
        if (entries[1].revents != 0 || BytesWaiting(watchedOutput) > 0) {
            return true;
        }
        watchedOutput = kNullHandle;  // at its end: from now on only the process can wake us
    }
}

long long MoveFilePointer(NativeHandle handle, long long distance, int origin) {
    int whence = SEEK_SET;
    if (origin == 2) {
        whence = SEEK_END;
    } else if (origin == 3) {
        whence = SEEK_CUR;
    }
    return lseek(handle, static_cast<off_t>(distance), whence);
}

bool ChildProcess::Spawn(const std::vector<std::string>& argv, const ChildStreams& streams,
                         bool ownProcessGroup) {
    if (argv.empty() || streams.standardOutput == kNullHandle || streams.standardError == kNullHandle) {
        return false;
    }
    SpawnSetup setup;
    if (streams.standardInput == kNullHandle) {
        posix_spawn_file_actions_addopen(&setup.actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    } else {
        posix_spawn_file_actions_adddup2(&setup.actions, streams.standardInput, STDIN_FILENO);
    }
    posix_spawn_file_actions_adddup2(&setup.actions, streams.standardOutput, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&setup.actions, streams.standardError, STDERR_FILENO);

    // Signals this program ignores or blocks (SIGPIPE, say) would otherwise stay
    // ignored or blocked in the child.
    sigset_t allSignals;
    sigfillset(&allSignals);
    sigset_t noSignals;
    sigemptyset(&noSignals);
    posix_spawnattr_setsigdefault(&setup.attributes, &allSignals);
    posix_spawnattr_setsigmask(&setup.attributes, &noSignals);
    short flags = POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK;
    if (ownProcessGroup) {
        flags |= POSIX_SPAWN_SETPGROUP;
        posix_spawnattr_setpgroup(&setup.attributes, 0);
    }
    posix_spawnattr_setflags(&setup.attributes, flags);

    std::vector<char*> arguments;
    for (const std::string& word : argv) {
        arguments.push_back(const_cast<char*>(word.c_str()));
    }
    arguments.push_back(nullptr);

    pid_t pid = 0;
    if (posix_spawnp(&pid, arguments[0], &setup.actions, &setup.attributes, arguments.data(), environ) != 0) {
        return false;
    }
    Release();
    processId_ = pid;
    // A descriptor that turns readable when the process ends. Null on kernels
    // without it: waits on it then simply last their timeout.
    processHandle_ = static_cast<NativeHandle>(syscall(SYS_pidfd_open, pid, 0));
    ownsGroup_ = ownProcessGroup;
    ended_ = false;
    return true;
}

bool ChildProcess::HasEnded() {
    if (!IsStarted()) {
        return false;
    }
    if (ended_) {
        return true;
    }
    int status = 0;
    pid_t result = RetryOnInterrupt([&] { return waitpid(processId_, &status, WNOHANG); });
    // -1: not our child any more, collected elsewhere.
    ended_ = result == processId_ || result == -1;
    return ended_;
}

bool ChildProcess::EndProcessGroup(int graceMs, NativeHandle output) {
    if (!IsStarted()) {
        return false;
    }
    const pid_t target = ownsGroup_ ? -processId_ : processId_;
    // Once the child is collected and its output closed, nothing of it is left
    // to end, and its id may belong to someone else by now.
    const bool anythingLeft = !HasEnded() || !DropWaitingOutput(output);
    if (anythingLeft) {
        kill(target, SIGTERM);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(graceMs);
        bool outputEnded = false;
        while (!(HasEnded() && outputEnded)) {
            auto remaining = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (remaining.count() <= 0) {
                break;
            }
            pollfd entries[2] = {{ended_ ? kNullHandle : processHandle_, POLLIN, 0},
                                 {outputEnded ? kNullHandle : output, POLLIN, 0}};
            RetryOnInterrupt([&] { return poll(entries, 2, static_cast<int>(remaining.count())); });
            outputEnded = outputEnded || DropWaitingOutput(output);
        }
        if (ownsGroup_ || !ended_) {
            kill(target, SIGKILL);  // whatever ignored the request
        }
    }
    if (!ended_) {
        int status = 0;
        RetryOnInterrupt([&] { return waitpid(processId_, &status, 0); });
        ended_ = true;
    }
    Release();
    return true;
}

void ChildProcess::Release() {
    CloseHandle(processHandle_);
    processId_ = 0;
    ownsGroup_ = false;
}

}  // namespace vkr
