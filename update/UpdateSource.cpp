#include "update/UpdateSource.h"

#include <cctype>

#include "log/LogWriter.h"
#include "platform/CodePage.h"
#include "platform/DialogService.h"
#include "platform/FileSystem.h"
#include "platform/RunDirectory.h"
#include "update/FetchPage.h"
#include "update/TextCodec.h"
#include "update/UpdateEndpoints.h"

namespace vkr {
namespace {

constexpr int kInfo = 1;
constexpr int kNotice = 2;
constexpr int kError = 4;

bool IsSuccessStatus(const std::string& statusText) {
    return statusText.size() >= 3 && statusText[0] == '2' && std::isdigit(static_cast<unsigned char>(statusText[1])) &&
           std::isdigit(static_cast<unsigned char>(statusText[2]));
}

void ReportFailure(DialogService& dialogs, LogWriter& log, const std::string& reason) {
    log.Write(Utf8ToCp936("Update source refresh failed: ") + reason, kError);
    dialogs.ShowMessage(Utf8ToCp936("更新源失败，已保留原有的源\r\n原因：") + reason, Utf8ToCp936("提示"));
}

}  // namespace

bool RefreshUpdateSource(DialogService& dialogs, LogWriter& log, const UpdateEndpoints& endpoints,
                         const std::filesystem::path& runDirectory, EventPump* eventPump) {
    log.Write("Carrying out Update", kInfo);
    log.Write(Utf8ToCp936("Updating new information from：") + endpoints.updateHost, kNotice);
    const std::filesystem::path target =
        runDirectory.empty() ? RunPath("\\MConfig\\source.vkr") : NativePath(runDirectory, "\\MConfig\\source.vkr");

    FetchPageOptions options;
    options.eventPump = eventPump;
    FetchPageOutputs outputs;
    FetchPage(endpoints.SourceListUrl(), options, &outputs);
    if (!IsSuccessStatus(outputs.statusText)) {
        ReportFailure(dialogs, log, outputs.statusText.empty() ? Utf8ToCp936("服务器无应答") : outputs.statusText);
        return false;
    }
    const std::string list = Utf8ToAnsi(outputs.responseBody);
    if (list.empty()) {
        ReportFailure(dialogs, log, Utf8ToCp936("服务器返回了空的源"));
        return false;
    }
    if (!WriteWholeFile(target, list)) {
        ReportFailure(dialogs, log, Utf8ToCp936("无法写入 ") + Utf8ToCp936(target.string()));
        return false;
    }
    dialogs.ShowMessage(Utf8ToCp936("更新源成功，已成功更新至Velkorin最新源\r\n若有需要请在超级管理锁开启情况下启用第三方源"),
                        Utf8ToCp936("提示"));
    return true;
}

}  // namespace vkr
