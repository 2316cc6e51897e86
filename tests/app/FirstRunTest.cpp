#include "app/FirstRun.h"

#include <gtest/gtest.h>

#include "log/LogWriter.h"
#include "platform/DialogService.h"
#include "tests/TempDir.h"
#include "tests/app/AppTestSupport.h"

namespace vkr {
namespace {

// Records the boxes as UTF-8 "title|text" so expectations read plainly.
class RecordingDialogs : public DialogService {
public:
    void ShowMessage(const std::string& text, const std::string& title) override {
        shown.push_back(Cp936ToUtf8(title) + "|" + Cp936ToUtf8(text));
    }
    void SetClipboardText(const std::string&) override {}
    std::vector<std::string> shown;
};

const std::string kWelcome =
    "信息|欢迎使用Velkorin\r\n本软件由Orrindel个人开发及维护\r\n本软件基于Mirai制作，旨在更好地使用Mirai";
const std::string kUpdateAdvice = "提示|首次使用建议更新源\r\n输入vkr help来获取相关信息";
const std::string kIncomplete = "警告|软件未能成功的安装或者全部安装所有的数据文件";

struct FirstRunCase {
    const char* name;
    bool installed;
    bool hasCore;
    bool hasLogFolder;
    std::vector<std::string> boxTitles;        // the title part of each box, in order
    std::vector<std::string> logEntries;
};

class FirstRunStart : public testing::TestWithParam<FirstRunCase> {};

TEST_P(FirstRunStart, ShowsBoxesLogsAndInstalls) {
    const FirstRunCase& c = GetParam();
    TempDir run;
    if (c.installed) {
        ASSERT_TRUE(WriteWholeFile(run.path() / "Install.lock", ""));
    }
    if (c.hasCore) {
        ASSERT_TRUE(CreateFolder(run.path() / "Core"));
    }
    if (c.hasLogFolder) {
        ASSERT_TRUE(CreateFolder(run.path() / "Log"));
    }
    RecordingDialogs dialogs;
    LogWriter log(run.path());
    FirstRun(run.path(), dialogs, log).OnMainWindowCreated();

    std::vector<std::string> titles;
    for (const std::string& box : dialogs.shown) titles.push_back(box.substr(0, box.find('|')));
    EXPECT_EQ(titles, c.boxTitles);
    ASSERT_FALSE(dialogs.shown.empty());
    EXPECT_EQ(dialogs.shown[0], kWelcome);
    EXPECT_EQ(test::LogEntries(run.path()), c.logEntries);
    for (const char* entry : {"MConfig", "libs", "Log", "plugins", "Install.lock"}) {
        EXPECT_TRUE(std::filesystem::exists(run.path() / entry) || c.installed) << entry;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FirstRunStart,
    testing::Values(
        // The two INFO lines are lost: the day folder cannot be made without "Log".
        FirstRunCase{"fresh folder without Core", false, false, false, {"信息", "警告"},
                     {"ERROR#VKR is not permitted to create new file"}},
        FirstRunCase{"fresh folder with Core", false, true, false, {"信息", "提示", "警告！请仔细阅读！"}, {}},
        FirstRunCase{"fresh folder with a Log folder", false, true, true,
                     {"信息", "提示", "警告！请仔细阅读！"},
                     {"INFO#Velkorin started", "INFO#VKR未被安装，正在执行安装操作"}},
        FirstRunCase{"installed folder", true, false, true, {"信息"}, {"INFO#Velkorin started"}}),
    [](const testing::TestParamInfo<FirstRunCase>& info) { return "Case" + std::to_string(info.index); });

TEST(FirstRun, KeyAdviceIsShownWordForWordAfterTheUpdateAdvice) {
    TempDir run;
    ASSERT_TRUE(CreateFolder(run.path() / "Core"));
    RecordingDialogs dialogs;
    FirstRun(run.path(), dialogs, LogWriter(run.path())).OnMainWindowCreated();
    ASSERT_EQ(dialogs.shown.size(), 3u);
    EXPECT_EQ(dialogs.shown[1], kUpdateAdvice);
    EXPECT_EQ(dialogs.shown[2],
              "警告！请仔细阅读！|为了您能够继续正常的使用，请详细阅读以下内容：\r\n"
              "受于HTTP-API所限，VKR为了尽可能确保用户的隐私，您需要手动第一次设置您的ServerKey！\r\n"
              "在第一次正常启动后输入vkr editServerKey [您喜欢的Key(英文)]\r\n"
              "如：vkr editServerKey QtrmbLavoXekunP\r\n谢谢！本消息仅会提醒一次！");
}

TEST(FirstRun, InstallationRunsOnceAndKeepsExistingContent) {
    TempDir run;
    ASSERT_TRUE(CreateFolder(run.path() / "MConfig"));
    ASSERT_TRUE(WriteWholeFile(run.path() / "MConfig" / "QQ.vkr", "[QQ]\r\nAccount=10001\r\n"));
    RecordingDialogs dialogs;
    LogWriter log(run.path());
    FirstRun(run.path(), dialogs, log).OnMainWindowCreated();
    EXPECT_EQ(dialogs.shown.size(), 2u);  // welcome, incomplete installation
    EXPECT_EQ(dialogs.shown[1], kIncomplete);
    EXPECT_EQ(ReadWholeFile(run.path() / "MConfig" / "QQ.vkr"), "[QQ]\r\nAccount=10001\r\n");

    dialogs.shown.clear();
    FirstRun(run.path(), dialogs, log).OnMainWindowCreated();
    EXPECT_EQ(dialogs.shown, std::vector<std::string>{kWelcome});

    std::filesystem::remove(run.path() / "Install.lock");
    dialogs.shown.clear();
    FirstRun(run.path(), dialogs, log).OnMainWindowCreated();
    EXPECT_EQ(dialogs.shown.size(), 2u) << "a deleted marker installs again";
}

TEST(FirstRun, UnwritableFolderInstallsAgainAtEveryStart) {
    // /proc refuses new files and folders even to root.
    const std::filesystem::path run = "/proc";
    for (int start = 0; start < 2; ++start) {
        RecordingDialogs dialogs;
        FirstRun(run, dialogs, LogWriter(run)).OnMainWindowCreated();
        EXPECT_EQ(dialogs.shown, (std::vector<std::string>{kWelcome, kIncomplete})) << "start " << start;
    }
    EXPECT_FALSE(std::filesystem::exists(run / "Install.lock"));
}

}  // namespace
}  // namespace vkr
