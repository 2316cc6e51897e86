// The account page's buttons on the real main window, against the Mirai stand-in.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "api/BotCore.h"
#include "app/AccountManager.h"
#include "app/Application.h"
#include "app/ConsolePane.h"
#include "app/MainWindow.h"
#include "platform/IniFile.h"
#include "tests/api/StandinProcess.h"
#include "tests/app/AppTestSupport.h"

namespace vkr {
namespace {

using test::Named;

TEST(AccountNumberRule, ReadsLikeTheAccountPageExpects) {
    const std::vector<std::pair<std::string, std::int64_t>> cases = {
        {"10001", 10001},       {"  42abc", 42},      {"\t+7", 7},   {"-15", -15}, {"abc", 0},
        {"", 0},                {"- 3", 0},           {"12 34", 12}, {"9223372036854775807", INT64_MAX},
        {"99999999999999999999", INT64_MAX},          {"-9223372036854775808", INT64_MIN},
        {"-99999999999999999999", INT64_MIN},
    };
    for (const auto& [text, number] : cases) EXPECT_EQ(AccountManager::ReadNumber(text), number) << text;
}

class AccountTab : public testing::Test {
protected:
    AccountTab() : application(run.path()) {
        CreateFolder(run.path() / "Log");
        CreateFolder(run.path() / "MConfig");
        application.Dialogs().SetAutoAnswer(true);
        const std::string url = standin.BaseUrl();
        application.Server().Set({"127.0.0.1", url.substr(url.rfind(':') + 1), StandinProcess::kAuthKey});
        page = application.Window().AccountPage();
    }
    ~AccountTab() override { application.Window().close(); }

    void SetAccount(const std::string& account) {
        ASSERT_TRUE(WriteProfileString(run.path() / "MConfig" / "QQ.vkr", "QQ", "Account", account));
    }
    void Click(const char* button) { Named<QPushButton>(page, button)->click(); }
    void Type(const char* box, const char* text) {
        QWidget* control = Named(page, box);
        if (auto* line = qobject_cast<QLineEdit*>(control)) line->setText(QString::fromUtf8(text));
        if (auto* multi = qobject_cast<QPlainTextEdit*>(control)) multi->setPlainText(QString::fromUtf8(text));
    }
    std::vector<std::string> Messages() {
        std::vector<std::string> texts;
        for (const ShownMessage& shown : application.Dialogs().ShownMessages()) texts.push_back(Cp936ToUtf8(shown.text));
        return texts;
    }
    std::vector<std::string> Paths() const {
        std::vector<std::string> paths;
        for (const auto& request : standin.Requests()) paths.push_back(request.path);
        return paths;
    }
    nlohmann::json LastBody() const { return nlohmann::json::parse(standin.Requests().back().body); }
    QString PaneText() {
        application.Window().Pane()->ApplyPendingChanges();
        return application.Window().Pane()->toPlainText();
    }

    StandinProcess standin;
    TempDir run;
    Application application;
    QWidget* page = nullptr;
};

TEST_F(AccountTab, WithoutAccountFileTheLabelEmptiesAndNothingIsSent) {
    ASSERT_TRUE(standin.Ready());
    Click("按钮1");
    EXPECT_EQ(Named<QLabel>(page, "透明标签2")->text(), QString());
    EXPECT_EQ(Messages(), std::vector<std::string>{"请先使用vkr setQQ [QQ]来确定你的QQ账号"});
    EXPECT_TRUE(Paths().empty());
}

TEST_F(AccountTab, AnyAddressIsReachedOnLoopbackAndStaysReplaced) {
    ASSERT_TRUE(standin.Ready());
    SetAccount(std::to_string(StandinProcess::kBotQq));
    ServerAddress server = application.Server().Get();
    server.ip = "0.0.0.0";
    application.Server().Set(server);
    Click("按钮1");
    EXPECT_EQ(Named<QLabel>(page, "透明标签2")->text(), QString::number(StandinProcess::kBotQq));
    EXPECT_EQ(application.Server().Get().ip, "127.0.0.1");
    EXPECT_EQ(Messages(), std::vector<std::string>{"初始化成功！"});
    EXPECT_EQ(Paths(), (std::vector<std::string>{"/auth", "/verify"}));
}

TEST_F(AccountTab, AWrongKeyFailsTheInitialisation) {
    ASSERT_TRUE(standin.Ready());
    SetAccount(std::to_string(StandinProcess::kBotQq));
    ServerAddress server = application.Server().Get();
    server.key = "NOT-THE-KEY-0000";
    application.Server().Set(server);
    Click("按钮1");
    EXPECT_EQ(Messages(), std::vector<std::string>{"初始化失败！"});
    EXPECT_EQ(Paths(), std::vector<std::string>{"/auth"});
}

class AccountTabEnabled : public AccountTab {
protected:
    void SetUp() override {
        ASSERT_TRUE(standin.Ready());
        SetAccount(std::to_string(StandinProcess::kBotQq));
        Click("按钮1");
        ASSERT_EQ(Messages(), std::vector<std::string>{"初始化成功！"});
    }
};

TEST_F(AccountTabEnabled, FriendTextIsSentAndReportedWithItsMessageId) {
    Type("编辑框2", "10001");
    Type("编辑框3", "你好");
    Click("按钮3");
    EXPECT_EQ(Paths().back(), "/sendFriendMessage");
    const nlohmann::json body = LastBody();
    EXPECT_EQ(body["target"], 10001);
    EXPECT_EQ(body["messageChain"], nlohmann::json::parse(R"([{"type":"Plain","text":"你好"}])"));
    EXPECT_TRUE(PaneText().contains(QStringLiteral("[VKR]Friend message to 10001 sent, messageId ")));
}

TEST_F(AccountTabEnabled, AnEmptyFriendBoxSendsToZeroAndTheRefusalIsShown) {
    Type("编辑框3", "hello");
    Click("按钮3");
    EXPECT_EQ(LastBody()["target"], 0);
    const QString pane = PaneText();
    EXPECT_TRUE(pane.contains(QStringLiteral("[WARN]Friend message to 0 failed, code 5: "))) << pane.toStdString();
    const std::vector<std::string> log = test::LogEntries(run.path());
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back().rfind("WARN#Friend message to 0 failed, code 5: ", 0), 0u) << log.back();
}

TEST_F(AccountTabEnabled, GroupTextGoesToTheGroupBox) {
    Type("编辑框5", "20001");
    Type("编辑框4", "大家好");
    Type("编辑框2", "10002");
    Click("按钮6");
    EXPECT_EQ(Paths().back(), "/sendGroupMessage");
    EXPECT_EQ(LastBody()["target"], 20001);
    EXPECT_TRUE(PaneText().contains(QStringLiteral("[VKR]Group message to 20001 sent, messageId ")));
}

TEST_F(AccountTabEnabled, OnlineImageGoesToTheFriendOfTheFriendBox) {
    Type("编辑框2", "10003");
    Type("编辑框5", "20002");
    Type("编辑框6", "http://127.0.0.1:9/picture.png");
    Click("按钮7");
    EXPECT_EQ(Paths().back(), "/sendFriendMessage");
    const nlohmann::json body = LastBody();
    EXPECT_EQ(body["target"], 10003);
    EXPECT_EQ(body["messageChain"][0]["type"], "Image");
    EXPECT_EQ(body["messageChain"][0]["url"], "http://127.0.0.1:9/picture.png");
}

TEST_F(AccountTabEnabled, PictureButtonsAndDisablingSendNothing) {
    const size_t before = standin.Requests().size();
    const QString paneBefore = PaneText();
    Click("按钮4");
    Click("按钮5");
    Click("按钮2");
    EXPECT_EQ(standin.Requests().size(), before);
    EXPECT_EQ(PaneText(), paneBefore);
    EXPECT_EQ(Messages().size(), 1u);
}

}  // namespace
}  // namespace vkr
