#include "console/EnvironmentCheck.h"

#include "console/RunAndCapture.h"
#include "log/LogWriter.h"
#include "platform/CodePage.h"
#include "platform/DialogService.h"

namespace vkr {
namespace {

constexpr int kNotice = 2;
constexpr int kDebug = 5;
constexpr const char* kVersionCommand = "java -version";

// Message boxes speak Chinese; the source holds them as UTF-8.
const char* const kTitle = "提示";
const char* const kVersionFine = "环境检测正常，请执行安装操作或者继续检测错误\r\n若仍然无法发现错误请联系作者";
const char* const kVersionWrong = "运行本软件请更新JDK为15.0.2版本\r\n参考地址已复制于剪辑板";
const char* const kOutputLabel = "Java version output：\r\n";

}  // namespace

EnvironmentCheck::EnvironmentCheck(ConsoleServices services) : services_(services) {}

bool EnvironmentCheck::Run() {
    const std::string output = RunAndCapture(kVersionCommand, services_.pump);
    if (output.find(kExpectedVersion) != std::string::npos) {
        services_.dialogs.ShowMessage(Utf8ToCp936(kVersionFine), Utf8ToCp936(kTitle));
        return true;
    }
    services_.dialogs.ShowMessage(Utf8ToCp936(kVersionWrong), Utf8ToCp936(kTitle));
    services_.dialogs.SetClipboardText(kDownloadPage);
    services_.log.Write("JDK version error", kNotice);
    // Run again for the log: what Java prints now, after the user read the box.
    services_.log.Write(Utf8ToCp936(kOutputLabel) + RunAndCapture(kVersionCommand, services_.pump), kDebug);
    return false;
}

}  // namespace vkr
