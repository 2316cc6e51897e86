#pragma once
// The download run behind the Download window's button "下载": for each entry
// of "\MConfig\source.vkr" it asks the share-link resolution service for the
// direct link and downloads the file into "\libs\" (entry 4: "\plugins\").
//
// Compared with a run that only looks at the resolution: every failed download
// is logged as an ERROR line and the run ends with a message naming the failed
// entries (the completion message only when every entry arrived); a file name
// that would leave "\libs\" or "\plugins\" (a ".." part, an absolute path, a
// drive letter) is refused and counted as failed. An existing file is
// replaced, never appended to. Cancel() stops the run between chunks.
//
// Runs on the UI thread; the event pump is served after every chunk so the
// window repaints and its "取消" button works.
#include <filesystem>
#include <string>
#include <vector>

#include "update/InetTransfer.h"
#include "update/UpdateEndpoints.h"

namespace vkr {

class DialogService;
class DownloadView;
class EventPump;
class LogWriter;

enum class DownloadOutcome {
    NothingToDo,       // N is 0 or less, or no list
    Completed,         // every entry stored; window closed
    ResolutionFailed,  // the service gave no direct link; later entries not tried
    SomeFailed,        // all entries tried, at least one not stored
    Cancelled,
};

class DownloadRun {
public:
    // runDirectory: the folder holding "MConfig", "libs", "plugins"; empty
    // means the process's run directory.
    DownloadRun(DownloadView& view, DialogService& dialogs, EventPump& eventPump, LogWriter& log,
                UpdateEndpoints endpoints, std::filesystem::path runDirectory = {});

    DownloadOutcome Run();
    // From the window's "取消" button while Run is active; no effect otherwise.
    void Cancel();
    bool running() const { return running_; }

    // True when name stays inside its folder: not empty, not absolute, no
    // drive letter, no ".." part (either slash separates parts).
    static bool IsSafeFileName(const std::string& name);
    // "37.50%" for 375 of 1000 bytes; total 0 counts the bytes instead.
    static std::string ProgressText(int64_t total, int64_t received);

private:
    struct Failure {
        int entry;
        std::string fileName;
    };

    std::filesystem::path Path(const std::string& backslashPath) const;
    bool DownloadEntry(int entry, const std::string& link, const std::string& fileName);
    std::string FailureList() const;
    DownloadOutcome Finish(int count);

    DownloadView& view_;
    DialogService& dialogs_;
    EventPump& eventPump_;
    LogWriter& log_;
    UpdateEndpoints endpoints_;
    std::filesystem::path runDirectory_;
    InetTransfer* transfer_ = nullptr;
    std::vector<Failure> failures_;
    bool running_ = false;
    bool cancelled_ = false;
};

}  // namespace vkr
