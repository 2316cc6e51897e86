#include "app/FirstRun.h"

#include "log/LogWriter.h"
#include "platform/CodePage.h"
#include "platform/DialogService.h"
#include "platform/FileSystem.h"
#include "platform/RunDirectory.h"

namespace vkr {
namespace {

constexpr int kError = 4;

// Message texts are written here in UTF-8 and handed on in CP936.
std::string Text(const char* utf8) { return Utf8ToCp936(utf8); }

}  // namespace

FirstRun::FirstRun(const std::filesystem::path& runDirectory, DialogService& dialogs, const LogWriter& log)
    : runDirectory_(runDirectory), dialogs_(dialogs), log_(log) {}

void FirstRun::OnMainWindowCreated() {
    dialogs_.ShowMessage(Text("欢迎使用Velkorin\r\n本软件由Orrindel个人开发及维护\r\n"
                              "本软件基于Mirai制作，旨在更好地使用Mirai"),
                         Text("信息"));
    log_.Write("Velkorin started");
    if (PathExists(NativePath(runDirectory_, "\\Install.lock"))) return;
    log_.Write(Text("VKR未被安装，正在执行安装操作"));
    Install();
}

void FirstRun::Install() {
    for (const char* folder : {"\\MConfig", "\\libs", "\\Log", "\\plugins"}) {
        CreateFolder(NativePath(runDirectory_, folder));
    }
    // Written before the "\Core" test, so the installation and its messages run once.
    WriteWholeFile(NativePath(runDirectory_, "\\Install.lock"), "");
    if (PathExists(NativePath(runDirectory_, "\\Core"))) {
        dialogs_.ShowMessage(Text("首次使用建议更新源\r\n输入vkr help来获取相关信息"), Text("提示"));
        dialogs_.ShowMessage(
            Text("为了您能够继续正常的使用，请详细阅读以下内容：\r\n"
                 "受于HTTP-API所限，VKR为了尽可能确保用户的隐私，您需要手动第一次设置您的ServerKey！\r\n"
                 "在第一次正常启动后输入vkr editServerKey [您喜欢的Key(英文)]\r\n"
                 "如：vkr editServerKey QtrmbLavoXekunP\r\n谢谢！本消息仅会提醒一次！"),
            Text("警告！请仔细阅读！"));
        return;
    }
    dialogs_.ShowMessage(Text("软件未能成功的安装或者全部安装所有的数据文件"), Text("警告"));
    log_.Write("VKR is not permitted to create new file", kError);
}

}  // namespace vkr
