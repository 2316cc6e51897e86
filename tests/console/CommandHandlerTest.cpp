#include "console/CommandHandler.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "console/KeyRewrite.h"
#include "console/PortRepair.h"
#include "platform/CodePage.h"
#include "tests/console/ConsoleHostFixture.h"

namespace vkr {
namespace {

// Mirai here is a script that records every line it receives in
// "received.txt" (before echoing it as "got:<line>"), so each case can tell
// exactly what reached Mirai's standard input.
class CommandHandlerTest : public fixture::ConsoleHostFixture {
protected:
    void SetUp() override {
        ConsoleHostFixture::SetUp();
        InstallJavaScript(
            "while IFS= read -r line; do\n"
            "  printf '%s\\n' \"$line\" >> received.txt\n"
            "  printf 'got:%s\\n' \"$line\"\n"
            "done");
        fixture::WriteText(runDir_ / "MConfig" / "QQ.vkr", "[Other]\r\nkeep=1\r\n");
        keyRewrite_ = std::make_unique<KeyRewrite>(*host_, Services());
        portRepair_ = std::make_unique<PortRepair>(*host_, Services());
        handler_ = std::make_unique<CommandHandler>(*host_, *keyRewrite_, *portRepair_, Services());
        host_->Launch();
    }

    void TearDown() override {
        keyRewrite_.reset();
        ConsoleHostFixture::TearDown();
    }

    // What Mirai received since the last call, once a sentinel line sent
    // after it has come back.
    std::string ReceivedSinceLastLook() {
        const std::string sentinel = "sentinel-" + std::to_string(++sentinels_);
        handler_->Handle(sentinel);
        EXPECT_TRUE(WaitForPane("got:" + sentinel, 5000)) << sentinel;
        std::string all = fixture::ReadText(runDir_ / "received.txt");
        std::string fresh = all.substr(std::min(seen_, all.size()));
        seen_ = all.size();
        const std::string sentinelLine = sentinel + "\r\n";
        EXPECT_TRUE(fresh.ends_with(sentinelLine)) << fresh;
        return fresh.substr(0, fresh.size() - std::min(fresh.size(), sentinelLine.size()));
    }

    std::unique_ptr<KeyRewrite> keyRewrite_;
    std::unique_ptr<PortRepair> portRepair_;
    std::unique_ptr<CommandHandler> handler_;
    int sentinels_ = 0;
    size_t seen_ = 0;
};

struct CommandCase {
    std::string input;
    bool reachesMirai;
    std::string paneShows;                // "" when the case shows nothing of its own
    std::optional<std::string> account;   // the Account line's raw value, when it is set
    std::string logShows = "";            // a relaunch empties the pane: its log tells
};

TEST_F(CommandHandlerTest, EachLineRunsItsCommandOrReachesMirai) {
    const std::string doubleByte = Utf8ToCp936("张");
    const std::vector<CommandCase> cases = {
        {"vkr help", false, "\r\n[VKR]vkr help   Get Help from VKR\r\n[VKR]vkr getServerKey/gerServerPort/getServerIP"
                            "   Get Information about HTTPApi\r\n[VKR]vkr start   Start VKR", {}},
        {"vkr help ", true, "", {}},
        {"vkr Help", true, "", {}},
        {"VKR start", true, "", {}},
        {"", true, "", {}},
        {"vkr getServerIP", false, "\r\n[VKR]ServerIP is :", {}},
        {"vkr getServerPort", false, "\r\n[VKR]ServerPort is :", {}},
        {"vkr getServerKey", false, "\r\n[VKR]ServerKey is :\r\n[WARN]Please protect your key carefully.", {}},
        {"vkr setQQ", true, "", {}},
        {"vkr setQQ 12345", false, "\r\n[VKR]VKR set QQ , you can manage your QQ in VKR.", "12345"},
        {"vkr setQQ  12345", false, "", " 12345"},
        {"vkr setQQ " + doubleByte, false, "", doubleByte},
        {"vkr setQQ ", false, "", ""},
        {"vkr editServerKey", true, "", {}},
        {"vkr restart now", true, "", {}},
        {"vkr start", false, "\r\n[VKR]VKR started.Listening to the more command...", {}},
        {"vkr restart", false, "", {}, "#NOTICE#lock the command box.\r\n"},
        {"vkr fixhttp please", false, "", {}, "#NOTICE#Edited new ServerKey\r\n"},
        {"stop talking", true, "", {}},
    };
    for (const CommandCase& c : cases) {
        SCOPED_TRACE("input \"" + c.input + "\"");
        const size_t paneBefore = pane_.Size();
        const size_t logBefore = TodaysLog().size();
        ASSERT_TRUE(handler_->OnKeyPressed(CommandHandler::kEnterKey, c.input));

        EXPECT_EQ(ReceivedSinceLastLook(), c.reachesMirai ? c.input + "\r\n" : "");
        if (!c.paneShows.empty()) {
            size_t from = pane_.Size() < paneBefore ? 0 : paneBefore;  // a relaunch empties the pane
            EXPECT_NE(pane_.Find(c.paneShows, from), std::string::npos) << pane_.Text().substr(from);
        }
        if (c.account) {
            std::string file = fixture::ReadText(runDir_ / "MConfig" / "QQ.vkr");
            EXPECT_NE(file.find("[QQ]\r\nAccount=" + *c.account + "\r\n"), std::string::npos) << file;
            EXPECT_NE(file.find("[Other]\r\nkeep=1\r\n"), std::string::npos) << file;
        }
        const std::string log = TodaysLog().substr(logBefore);
        EXPECT_NE(log.find("#INFO#vkr input:" + c.input + "\r\n"), std::string::npos);
        if (!c.logShows.empty()) {
            EXPECT_NE(log.find(c.logShows), std::string::npos) << log;
        }
    }
}

TEST_F(CommandHandlerTest, OnlyEnterHandlesTheLine) {
    EXPECT_FALSE(handler_->OnKeyPressed(10, "vkr help"));
    EXPECT_EQ(pane_.Find("vkr help   Get Help"), std::string::npos);
    EXPECT_EQ(TodaysLog().find("vkr input:"), std::string::npos);
}

TEST_F(CommandHandlerTest, ClearLeavesOnlyItsOwnLine) {
    handler_->Handle("vkr clear");
    EXPECT_EQ(pane_.Text(), "[VKR]Clear all the information had been output");
}

TEST_F(CommandHandlerTest, SetAccountWithoutConfigFolderSaysSo) {
    std::filesystem::remove_all(runDir_ / "MConfig");
    handler_->Handle("vkr setQQ 42");
    EXPECT_NE(pane_.Find("\r\n[VKR]VKR set QQ , you can manage your QQ in VKR.\r\n[WARN]"), std::string::npos);
    EXPECT_NE(TodaysLog().find("#NOTICE#VKR has received the QQset"), std::string::npos);
}

TEST_F(CommandHandlerTest, RestartLocksTheBoxAndStopsBeforeLaunching) {
    handler_->Handle("vkr restart");
    const std::string log = TodaysLog();
    size_t lock = log.find("#NOTICE#lock the command box.\r\n");
    size_t closed = log.find("#NOTICE#pipe has been closed.\r\n", lock);
    size_t launched = log.find("#INFO#vkr started.\r\n", closed);
    size_t restarted = log.find("#INFO#VKR restarted\r\n", launched);
    EXPECT_NE(lock, std::string::npos);
    EXPECT_NE(closed, std::string::npos);
    EXPECT_NE(launched, std::string::npos);
    EXPECT_NE(restarted, std::string::npos);
    std::vector<bool> states = view_.States();
    ASSERT_GE(states.size(), 3u);
    EXPECT_EQ(states.back(), true);
    EXPECT_EQ(fixture::JavaProcessesIn(runDir_).size(), 1u);
}

}  // namespace
}  // namespace vkr
