#pragma once
// The machine's process list, read from /proc, and ending a process.
//
// A process's name is its image name as the kernel keeps it (/proc/<pid>/comm,
// which is the base name of the file that was executed, so a "java" symlink to
// another program is listed as "java").
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vkr {

struct ProcessEntry {
    int pid = 0;
    int parentPid = 0;
    std::string name;
};

// A snapshot of the live processes in ascending pid order. Processes that have
// already ended (zombies waiting to be reaped) are left out: they hold nothing.
std::vector<ProcessEntry> ListProcesses();

// Decides whether a found process may be chosen; empty accepts every process.
using ProcessFilter = std::function<bool(const ProcessEntry&)>;

// The pid of the first listed process whose name equals name (letter case
// ignored unless caseSensitive) and that accept allows; 0 when there is none.
// FindProcessId("JAVA") finds a process named "java".
int FindProcessId(std::string_view name, bool caseSensitive = false, const ProcessFilter& accept = {});

// Kills the process and waits up to a second for it to be gone, so a following
// lookup does not find it again. False for pid 0 or below, for a process that
// does not exist, and for one this user may not signal.
bool EndProcess(int pid);

// The process's working directory; nullopt when it cannot be read (another
// user's process, or one that has ended).
std::optional<std::filesystem::path> ProcessWorkingDirectory(int pid);

// True when pid is a child, grandchild... of ancestor (walking the live parent links).
bool DescendsFrom(int pid, int ancestor);

}  // namespace vkr
