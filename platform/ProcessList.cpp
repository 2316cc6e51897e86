#include "platform/ProcessList.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cctype>
#include <charconv>
#include <sstream>

namespace vkr {
namespace {

constexpr size_t kCommLength = 15;  // the kernel keeps at most 15 bytes of a name
constexpr int kEndWaitMs = 1000;

std::optional<int> ParsePid(std::string_view text) {
    int value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value <= 0) return std::nullopt;
    return value;
}

// A /proc file may vanish while it is read (its process ended): "" then.
std::string ReadSmallFile(const std::string& path) {
    std::string text;
    int file = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (file < 0) return text;
    char buffer[4096];
    for (ssize_t got; (got = read(file, buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<size_t>(got));
    close(file);
    return text;
}

// The base name of argv[0], used when the kernel's 15-byte name was cut short.
std::string CommandBaseName(int pid) {
    std::string cmdline = ReadSmallFile("/proc/" + std::to_string(pid) + "/cmdline");
    std::string first = cmdline.substr(0, cmdline.find('\0'));
    size_t slash = first.rfind('/');
    return slash == std::string::npos ? first : first.substr(slash + 1);
}

// "/proc/<pid>/stat" is "pid (name) state ppid ..."; the name may hold blanks
// and parentheses, so it ends at the last ')'.
std::optional<ProcessEntry> ReadEntry(int pid) {
    std::string stat = ReadSmallFile("/proc/" + std::to_string(pid) + "/stat");
    size_t open = stat.find('(');
    size_t close = stat.rfind(')');
    if (open == std::string::npos || close == std::string::npos || close < open) return std::nullopt;
    std::istringstream rest(stat.substr(close + 1));
    char state = 0;
    int parent = 0;
    if (!(rest >> state >> parent)) return std::nullopt;
    if (state == 'Z' || state == 'X' || state == 'x') return std::nullopt;
    ProcessEntry entry{pid, parent, stat.substr(open + 1, close - open - 1)};
    if (entry.name.size() == kCommLength) {
        std::string full = CommandBaseName(pid);
        if (full.size() > kCommLength && full.compare(0, kCommLength, entry.name) == 0) entry.name = full;
    }
    return entry;
}

bool NamesEqual(std::string_view a, std::string_view b, bool caseSensitive) {
    if (caseSensitive) return a == b;
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

}  // namespace

std::vector<ProcessEntry> ListProcesses() {
    std::vector<ProcessEntry> result;
    std::error_code error;
    // Stepped with error codes: entries come and go while the list is read.
    for (std::filesystem::directory_iterator item("/proc", error), end; !error && item != end;
         item.increment(error)) {
        std::optional<int> pid = ParsePid(item->path().filename().native());
        if (!pid) continue;
        if (std::optional<ProcessEntry> entry = ReadEntry(*pid)) result.push_back(std::move(*entry));
    }
    std::sort(result.begin(), result.end(),
              [](const ProcessEntry& a, const ProcessEntry& b) { return a.pid < b.pid; });
    return result;
}

int FindProcessId(std::string_view name, bool caseSensitive, const ProcessFilter& accept) {
    for (const ProcessEntry& entry : ListProcesses()) {
        if (!NamesEqual(entry.name, name, caseSensitive)) continue;
        if (accept && !accept(entry)) continue;
        return entry.pid;
    }
    return 0;
}

bool EndProcess(int pid) {
    if (pid <= 0) return false;  // kill(0) or kill(-1) would hit whole groups
    // Through a pidfd, so the signal cannot reach a new process that reused the pid.
    // (Called directly: this glibc's <sys/pidfd.h> lacks C linkage for C++.)
    int handle = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
    if (handle < 0) return false;
    bool ended = syscall(SYS_pidfd_send_signal, handle, SIGKILL, nullptr, 0) == 0;
    if (ended) {
        // The pidfd becomes readable once the process has exited (even if it
        // is not our child and stays a zombie until its parent reaps it).
        pollfd wait{handle, POLLIN, 0};
        while (poll(&wait, 1, kEndWaitMs) < 0 && errno == EINTR) {
        }
    }
    close(handle);
    return ended;
}

std::optional<std::filesystem::path> ProcessWorkingDirectory(int pid) {
    std::error_code error;
    std::filesystem::path cwd = std::filesystem::read_symlink("/proc/" + std::to_string(pid) + "/cwd", error);
    if (error) return std::nullopt;
    return cwd;
}

bool DescendsFrom(int pid, int ancestor) {
    // The step bound guards against a loop seen while pids were being reused.
    for (int step = 0; step < 4096 && pid > 1; ++step) {
        std::optional<ProcessEntry> entry = ReadEntry(pid);
        if (!entry) return false;
        pid = entry->parentPid;
        if (pid == ancestor) return true;
    }
    return false;
}

}  // namespace vkr
