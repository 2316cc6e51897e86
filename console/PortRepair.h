#pragma once
// "vkr fixhttp": ends the leftovers of earlier launches that may still hold
// the HTTP API's port (shells and Java runtimes), then restarts Mirai.
//
// Only processes of this run directory are ended: those working in it (an
// earlier run's Mirai) and those this process started. A Java program of
// another folder or user with the same name is left alone.
#include <filesystem>
#include <string>
#include <vector>

#include "console/ConsoleServices.h"
#include "platform/ProcessList.h"

namespace vkr {

class ConsoleHost;

class PortRepair {
public:
    static constexpr int kPasses = 20;

    // runDirectory: empty means the process's run directory.
    PortRepair(ConsoleHost& host, ConsoleServices services, std::filesystem::path runDirectory = {});

    // The target names: the command interpreter, then the Java runtime.
    static const std::vector<std::string>& TargetNames();

    // The whole repair: pane lines, the passes, log lines, stop and launch.
    void Run();
    // The passes alone: per pass, per name, the first matching process of this
    // run directory is ended. Returns how many processes were ended.
    int EndLeftovers();
    // Whether the repair may end this process.
    bool BelongsToRunDirectory(const ProcessEntry& entry) const;

private:
    ConsoleHost& host_;
    ConsoleServices services_;
    std::filesystem::path runDirectory_;
};

}  // namespace vkr
