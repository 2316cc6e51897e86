// The newcomer's road through the real windows: set the account, start the
// Mirai stand-in (as "java" on PATH), enable account management on the second
// tab and send a friend a text; then check what the stand-in received, the
// log, the account file and the pane.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <cstdlib>
#include <fstream>

#include "app/Application.h"
#include "app/ConsolePane.h"
#include "app/MainWindow.h"
#include "app/TabControl.h"
#include "console/ConsoleHost.h"
#include "platform/IniFile.h"
#include "platform/RunDirectory.h"
#include "tests/FreePort.h"
#include "tests/TempDir.h"
#include "tests/api/StandinProcess.h"
#include "tests/app/AppTestSupport.h"

namespace vkr {
namespace {

using test::Named;

// Sets an environment variable for the test's lifetime.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnvironment() {
        if (old_) {
            setenv(name_, old_->c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

// Commands go to the process's run directory, which is also the working
// directory Mirai starts in; the previous one is restored afterwards.
class ScopedRunDirectory {
public:
    explicit ScopedRunDirectory(const std::filesystem::path& folder) : old_(RunDirectory()) {
        ok_ = SetRunDirectory(folder);
    }
    ~ScopedRunDirectory() { SetRunDirectory(old_); }
    bool ok() const { return ok_; }

private:
    std::filesystem::path old_;
    bool ok_ = false;
};

void Enter(QLineEdit* box, const char* line) {
    box->setFocus();
    QTest::keyClicks(box, QString::fromUtf8(line));
    QTest::keyClick(box, Qt::Key_Return);
}

TEST(NewcomerRoad, SetAccountStartMiraiEnableAndGreetAFriend) {
    TempDir run;
    const std::string port = std::to_string(FreePort());
    for (const char* folder : {"Log", "MConfig", "libs", "plugins"}) ASSERT_TRUE(CreateFolder(run.path() / folder));
    ASSERT_TRUE(WriteWholeFile(run.path() / "Install.lock", ""));
    std::filesystem::create_directories(run.path() / "config" / "net.mamoe.mirai-api-http");
    // Mirai reports its any-address; the account page must reach it on loopback.
    ASSERT_TRUE(WriteWholeFile(run.path() / "config" / "net.mamoe.mirai-api-http" / "setting.yml",
                               "host: 0.0.0.0\nport: " + port + "\nauthKey: ROADKEY-0123456789\n"));
    const std::filesystem::path record = run.path() / "record.jsonl";
    ScopedEnvironment path("PATH", std::string(VKR_STANDIN_BIN) + ":" + std::getenv("PATH"));
    ScopedEnvironment recording("VKR_STANDIN_RECORD", record.string());
    ScopedRunDirectory runDirectory(run.path());
    ASSERT_TRUE(runDirectory.ok());

    Application application(RunDirectory());
    application.Dialogs().SetAutoAnswer(true);
    application.Start();
    MainWindow& window = application.Window();
    QLineEdit* commandBox = window.CommandBox();

    Enter(commandBox, "vkr setQQ 10001");
    EXPECT_TRUE(commandBox->text().isEmpty());
    Enter(commandBox, "vkr start");  // returns after Mirai's start-up wait
    EXPECT_TRUE(commandBox->isEnabled());
    const ServerAddress server = application.Server().Get();
    EXPECT_EQ(server.port, port);
    EXPECT_EQ(server.key, "ROADKEY-0123456789");

    window.Tabs()->Bar()->setCurrentIndex(1);
    QWidget* page = window.AccountPage();
    ASSERT_TRUE(page->isVisible());
    Named<QPushButton>(page, "按钮1")->click();
    Named<QLineEdit>(page, "编辑框2")->setText(QStringLiteral("10002"));
    Named<QLineEdit>(page, "编辑框3")->setText(QString::fromUtf8("你好"));
    Named<QPushButton>(page, "按钮3")->click();

    // The stand-in prints what it received; the reader brings it into the pane.
    ConsolePane* pane = window.Pane();
    const QString received = QString::fromUtf8("Friend(10002) <- 你好");
    EXPECT_TRUE(test::ServeEventsUntil([&] { return pane->toPlainText().contains(received); }))
        << pane->toPlainText().toStdString();
    const QString shown = pane->toPlainText();
    EXPECT_TRUE(shown.contains(QStringLiteral("[VKR]VKR started.Listening to the more command...")));
    EXPECT_TRUE(shown.contains(QStringLiteral("[VKR]Friend message to 10002 sent, messageId ")));

    std::vector<ShownMessage> boxes = application.Dialogs().ShownMessages();
    ASSERT_GE(boxes.size(), 2u);
    EXPECT_EQ(Cp936ToUtf8(boxes.back().text), "初始化成功！");
    EXPECT_EQ(application.Server().Get().ip, "127.0.0.1");
    EXPECT_EQ(ReadProfileString(run.path() / "MConfig" / "QQ.vkr", "QQ", "Account"), "10001");

    std::ifstream recorded(record);
    std::vector<nlohmann::json> requests;
    for (std::string line; std::getline(recorded, line);) requests.push_back(nlohmann::json::parse(line));
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0]["path"], "/auth");
    EXPECT_EQ(requests[1]["path"], "/verify");
    EXPECT_EQ(nlohmann::json::parse(requests[1]["body"].get<std::string>())["qq"], 10001);
    EXPECT_EQ(requests[2]["path"], "/sendFriendMessage");
    const nlohmann::json sent = nlohmann::json::parse(requests[2]["body"].get<std::string>());
    EXPECT_EQ(sent["target"], 10002);
    EXPECT_EQ(sent["messageChain"][0]["text"], "你好");

    window.close();
    const std::vector<std::string> log = test::LogEntries(run.path());
    auto logged = [&](const std::string& entry) { return std::find(log.begin(), log.end(), entry) != log.end(); };
    EXPECT_TRUE(logged("INFO#vkr input:vkr setQQ 10001"));
    EXPECT_TRUE(logged("INFO#vkr input:vkr start"));
    EXPECT_TRUE(std::any_of(log.begin(), log.end(), [](const std::string& entry) {
        return entry.rfind("INFO#Friend message to 10002 sent, messageId ", 0) == 0;
    }));
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(log.end() - 3, log.end()),
              (std::vector<std::string>{"NOTICE#Mirai Core has been closed", "NOTICE#VKR-Core has been closed",
                                        "NOTICE#pipe has been closed."}));
}

}  // namespace
}  // namespace vkr
