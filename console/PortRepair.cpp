#include "console/PortRepair.h"

#include <unistd.h>

#include "console/ConsoleHost.h"
#include "console/ConsolePaneModel.h"
#include "log/LogWriter.h"
#include "platform/RunDirectory.h"

namespace vkr {
namespace {

constexpr int kNotice = 2;

std::filesystem::path Canonical(const std::filesystem::path& path) {
    std::error_code error;
    std::filesystem::path result = std::filesystem::weakly_canonical(path, error);
    return error ? path : result;
}

}  // namespace

PortRepair::PortRepair(ConsoleHost& host, ConsoleServices services, std::filesystem::path runDirectory)
    : host_(host),
      services_(services),
      runDirectory_(Canonical(runDirectory.empty() ? RunDirectory() : runDirectory)) {}

const std::vector<std::string>& PortRepair::TargetNames() {
    static const std::vector<std::string> names{"sh", "java"};
    return names;
}

void PortRepair::Run() {
    services_.pane.Append("\r\n[VKR]VKR is fixing the httpapi");
    EndLeftovers();
    services_.pane.Replace("");
    services_.pane.Append("\r\n[VKR]httpapi is fixed");
    services_.pane.Append("\r\n[VKR]Reload VKR...");
    services_.log.Write("Edited new ServerKey", kNotice);
    host_.Stop();
    host_.Launch();
    services_.log.Write("VKR restarted");
    services_.log.Write("Refresh new ServerKey");
}

int PortRepair::EndLeftovers() {
    int ended = 0;
    const ProcessFilter ours = [this](const ProcessEntry& entry) { return BelongsToRunDirectory(entry); };
    for (int pass = 0; pass < kPasses; ++pass) {
        for (const std::string& name : TargetNames()) {
            if (EndProcess(FindProcessId(name, false, ours))) ++ended;
        }
    }
    return ended;
}

bool PortRepair::BelongsToRunDirectory(const ProcessEntry& entry) const {
    if (entry.pid == getpid()) return false;
    if (DescendsFrom(entry.pid, getpid())) return true;
    std::optional<std::filesystem::path> cwd = ProcessWorkingDirectory(entry.pid);
    return cwd && Canonical(*cwd) == runDirectory_;
}

}  // namespace vkr
