#include "update/DownloadRun.h"

#include <charconv>
#include <cstdio>

#include "log/LogWriter.h"
#include "platform/CodePage.h"
#include "platform/DialogService.h"
#include "platform/EventPump.h"
#include "platform/FileSystem.h"
#include "platform/IniFile.h"
#include "platform/RunDirectory.h"
#include "support/JsonView.h"
#include "update/DownloadView.h"
#include "update/RawRequest.h"
#include "update/TextCodec.h"

namespace vkr {
namespace {

constexpr int kWarn = 3;
constexpr int kError = 4;
constexpr int kPluginEntry = 4;

std::string Text(const char* utf8) { return Utf8ToCp936(utf8); }

int EntryCount(const std::filesystem::path& list) {
    // The key is written " Number"; the profile reader trims line keys, so it is looked up trimmed.
    const std::string value = ReadProfileString(list, "Task", "Number").value_or("");
    int count = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), count);
    return error == std::errc() && end == value.data() + value.size() ? count : 0;
}

}  // namespace

DownloadRun::DownloadRun(DownloadView& view, DialogService& dialogs, EventPump& eventPump, LogWriter& log,
                         UpdateEndpoints endpoints, std::filesystem::path runDirectory)
    : view_(view), dialogs_(dialogs), eventPump_(eventPump), log_(log), endpoints_(std::move(endpoints)),
      runDirectory_(std::move(runDirectory)) {}

std::filesystem::path DownloadRun::Path(const std::string& backslashPath) const {
    return runDirectory_.empty() ? RunPath(backslashPath) : NativePath(runDirectory_, backslashPath);
}

bool DownloadRun::IsSafeFileName(const std::string& name) {
    if (name.empty() || name[0] == '\\' || name[0] == '/') return false;
    if (name.size() >= 2 && name[1] == ':') return false;
    size_t from = 0;
    while (from <= name.size()) {
        size_t end = name.find_first_of("\\/", from);
        if (end == std::string::npos) end = name.size();
        const std::string_view part(name.data() + from, end - from);
        if (part == ".." || (part.empty() && end == name.size())) return false;
        from = end + 1;
    }
    return true;
}

std::string DownloadRun::ProgressText(int64_t total, int64_t received) {
    char text[64];
    if (total <= 0) {
        std::snprintf(text, sizeof text, "%.2f KB", static_cast<double>(received) / 1024.0);
        return Text("已下载 ") + text;
    }
    std::snprintf(text, sizeof text, "%.2f%%", static_cast<double>(received) * 100.0 / static_cast<double>(total));
    return text;
}

void DownloadRun::Cancel() {
    if (!running_) return;
    cancelled_ = true;
    if (transfer_) transfer_->Cancel();
}

bool DownloadRun::DownloadEntry(int entry, const std::string& link, const std::string& fileName) {
    if (!IsSafeFileName(fileName)) {
        log_.Write(Text("拒绝下载：第") + std::to_string(entry) + Text("项的文件名 \"") + fileName +
                       Text("\" 会写到 libs/plugins 目录之外"),
                   kError);
        return false;
    }
    const std::string folder = entry == kPluginEntry ? "\\plugins\\" : "\\libs\\";
    const auto onProgress = [this](int64_t total, int64_t received, int64_t, int64_t) {
        const double percent = total > 0 ? static_cast<double>(received) * 100.0 / static_cast<double>(total) : -1.0;
        view_.SetProgress(ProgressText(total, received), percent);
        eventPump_.ServePendingEvents(0);
    };
    const int result = transfer_->HttpDownload(link, Path(folder + fileName), onProgress);
    view_.SetLinkText(link);
    if (result == InetTransfer::kFinished || result == InetTransfer::kCancelled) return true;
    log_.Write(Text("下载失败：第") + std::to_string(entry) + Text("项 ") + fileName + Text("，链接 ") + link +
                   Text("，结果代码 ") + std::to_string(result),
               kError);
    return false;
}

std::string DownloadRun::FailureList() const {
    std::string list;
    for (const Failure& failure : failures_)
        list += "\r\n" + std::to_string(failure.entry) + " (" + failure.fileName + ")";
    return list;
}

DownloadOutcome DownloadRun::Finish(int count) {
    if (cancelled_) {
        log_.Write(Text("下载已取消"), kWarn);
        dialogs_.ShowMessage(Text("下载已取消") + (failures_.empty() ? "" : Text("，未完成的条目：") + FailureList()),
                             Text("信息"));
        return DownloadOutcome::Cancelled;
    }
    if (!failures_.empty()) {
        dialogs_.ShowMessage(Text("以下") + std::to_string(failures_.size()) + "/" + std::to_string(count) +
                                 Text("个条目未能下载：") + FailureList() + Text("\r\n详情请看查Log文件"),
                             Text("信息"));
        return DownloadOutcome::SomeFailed;
    }
    view_.SetStatusText(Text("已完成"));
    dialogs_.ShowMessage(Text("自动更新完成！"), Text("信息"));
    view_.CloseWindow();
    return DownloadOutcome::Completed;
}

DownloadOutcome DownloadRun::Run() {
    if (running_) return DownloadOutcome::NothingToDo;
    JsonView answerView;
    InetTransfer transfer;
    transfer_ = &transfer;
    running_ = true;
    cancelled_ = false;
    failures_.clear();
    struct Reset {
        DownloadRun& run;
        ~Reset() { run.running_ = false; run.transfer_ = nullptr; }
    } reset{*this};

    const std::filesystem::path list = Path("\\MConfig\\source.vkr");
    const int count = EntryCount(list);
    if (count <= 0) return DownloadOutcome::NothingToDo;
    CreateFolder(Path("\\libs"));
    CreateFolder(Path("\\plugins"));

    for (int entry = 1; entry <= count && !cancelled_; ++entry) {
        const std::string section = std::to_string(entry);
        const std::string shareLink = ReadProfileString(list, section, "Durl").value_or("");
        const std::string fileName = ReadProfileString(list, section, "DFiles").value_or("");
        view_.SetQueueText(section + "/" + std::to_string(count));
        eventPump_.ServePendingEvents(0);

        const std::string answer = Utf8ToAnsi(RawRequest(endpoints_.ResolveUrl(shareLink)));
        const bool parsed = answerView.Parse(answer);
        const std::string code = parsed ? answerView.GetText("code") : std::string();
        if (code != "200") {
            const std::string message = parsed ? answerView.GetText("msg") : std::string();
            log_.Write(Text("更新失败，错误代码：") + code + "\r\n" + message, kError);
            dialogs_.ShowMessage(Text("未知错误，详情请看查Log文件") +
                                     (failures_.empty() ? "" : Text("\r\n未能下载：") + FailureList()),
                                 Text("信息："));
            return DownloadOutcome::ResolutionFailed;
        }
        if (!DownloadEntry(entry, answerView.GetText("dow"), fileName)) failures_.push_back({entry, fileName});
    }
    return Finish(count);
}

}  // namespace vkr
