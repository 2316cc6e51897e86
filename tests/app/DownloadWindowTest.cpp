// The Download window on real widgets, running against the local update servers.
#include "app/DownloadWindow.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include <cstdlib>

#include "app/QtDialogService.h"
#include "log/LogWriter.h"
#include "platform/CodePage.h"
#include "platform/FileSystem.h"
#include "tests/TempDir.h"
#include "tests/update/UpdateServers.h"

namespace vkr {
namespace {

QString LabelText(const QDialog& window, const char* name) {
    auto* label = window.findChild<QLabel*>(QString::fromUtf8(name));
    return label ? label->text() : QStringLiteral("<missing>");
}

class DownloadWindowTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        serverRoot_ = new TempDir;
        servers_ = new test::UpdateServers(serverRoot_->path());
        setenv("VKR_CA_BUNDLE", servers_->caBundle().c_str(), 1);
        servers_->WriteFile("files/a.jar", std::string(50000, 'a'));
        servers_->WriteFile("files/b.jar", std::string(30000, 'b'));
    }
    static void TearDownTestSuite() {
        unsetenv("VKR_CA_BUNDLE");
        delete servers_;
        delete serverRoot_;
    }
    void SetUp() override {
        ASSERT_TRUE(servers_->ready());
        for (const char* folder : {"MConfig", "Log"}) std::filesystem::create_directory(run_.path() / folder);
        WriteWholeFile(run_.path() / "MConfig" / "source.vkr",
                       "[Task]\r\n Number=2\r\n[1]\r\nDurl=https://s.cn/a\r\nDFiles=a.jar\r\n"
                       "[2]\r\nDurl=https://s.cn/b\r\nDFiles=b.jar\r\n");
        dialogs_.SetAutoAnswer(true);
        endpoints_.resolverHost = servers_->UpdateHost();
    }

    void Resolve(const std::string& secondAnswer) {
        servers_->WriteFile("resolve.json",
                            R"({"https://s.cn/a": {"code": 200, "dow": "{files}/files/a.jar"}, "https://s.cn/b": )" +
                                secondAnswer + "}");
    }

    static inline TempDir* serverRoot_ = nullptr;
    static inline test::UpdateServers* servers_ = nullptr;
    TempDir run_;
    LogWriter log_{run_.path()};
    QtDialogService dialogs_;
    UpdateEndpoints endpoints_;
};

TEST_F(DownloadWindowTest, StartsWithItsLabelsAndButtons) {
    DownloadWindow window(dialogs_, log_, endpoints_, run_.path());
    EXPECT_EQ(window.windowTitle(), "Download");
    EXPECT_TRUE(window.isModal());
    const std::vector<std::pair<const char*, const char*>> labels = {
        {"透明标签1", "下载地址："}, {"透明标签2", "暂时无直接下载对象"}, {"透明标签3", "下载进度："},
        {"透明标签4", "00.00%"},     {"透明标签6", "下载列队："},         {"透明标签5", "0/0"},
        {"透明标签7", "下载状态："}, {"透明标签8", "未完成"}};
    for (const auto& [name, text] : labels) EXPECT_EQ(LabelText(window, name), QString::fromUtf8(text)) << name;
    auto* download = window.findChild<QPushButton*>(QStringLiteral("按钮1"));
    auto* cancel = window.findChild<QPushButton*>(QStringLiteral("按钮2"));
    ASSERT_TRUE(download && cancel);
    EXPECT_EQ(download->text(), QStringLiteral("下载"));
    EXPECT_EQ(cancel->text(), QStringLiteral("取消"));
}

TEST_F(DownloadWindowTest, CompletedRunFillsTheLabelsAndCloses) {
    Resolve(R"({"code": "200", "dow": "{files}/files/b.jar"})");
    DownloadWindow window(dialogs_, log_, endpoints_, run_.path());
    window.show();
    window.findChild<QPushButton*>(QStringLiteral("按钮1"))->click();
    EXPECT_EQ(LabelText(window, "透明标签5"), "2/2");
    EXPECT_EQ(LabelText(window, "透明标签4"), "100.00%");
    EXPECT_EQ(LabelText(window, "透明标签2"), QString::fromStdString(servers_->FileUrl("b.jar")));
    EXPECT_EQ(LabelText(window, "透明标签8"), QStringLiteral("已完成"));
    EXPECT_EQ(window.findChild<QProgressBar*>(QStringLiteral("进度条"))->value(), 10000);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.result(), QDialog::Accepted);
    const auto shown = dialogs_.ShownMessages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, Utf8ToCp936("自动更新完成！"));
    EXPECT_EQ(ReadWholeFile(run_.path() / "libs" / "b.jar"), std::optional<std::string>(std::string(30000, 'b')));
}

TEST_F(DownloadWindowTest, ResolutionFailureKeepsTheWindowOpen) {
    Resolve(R"({"code": "500", "msg": "busy"})");
    DownloadWindow window(dialogs_, log_, endpoints_, run_.path());
    window.show();
    EXPECT_EQ(window.StartDownload(), DownloadOutcome::ResolutionFailed);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(LabelText(window, "透明标签5"), "2/2");
    EXPECT_EQ(LabelText(window, "透明标签8"), QStringLiteral("未完成"));
    EXPECT_TRUE(window.findChild<QPushButton*>(QStringLiteral("按钮1"))->isEnabled());
    const auto shown = dialogs_.ShownMessages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, Utf8ToCp936("未知错误，详情请看查Log文件"));
}

}  // namespace
}  // namespace vkr
