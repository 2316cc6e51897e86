#include "console/KeyRewrite.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>

#include "tests/console/ConsoleHostFixture.h"

namespace vkr {
namespace {

class KeyRewriteTest : public fixture::ConsoleHostFixture {
protected:
    void TearDown() override {
        rewrite_.reset();
        ConsoleHostFixture::TearDown();
    }
    std::filesystem::path Settings() const { return fixture::SettingsFile(runDir_); }

    std::unique_ptr<KeyRewrite> rewrite_;
};

struct RefusedCase {
    const char* name;
    std::string serverKey;              // what the last launch reported
    std::optional<std::string> file;    // nullopt: no settings file
    std::string told;                   // part of the pane's warning
};

void PrintTo(const RefusedCase& c, std::ostream* out) { *out << c.name; }


class KeyRewriteRefusalTest : public KeyRewriteTest, public ::testing::WithParamInterface<RefusedCase> {};

// Without a trustworthy current key or file, nothing may change: no empty or
// mangled settings file, no restart, and the box comes back.
TEST_P(KeyRewriteRefusalTest, ChangesNothingAndSaysWhy) {
    const RefusedCase& c = GetParam();
    serverInfo_.Set({"127.0.0.1", "8080", c.serverKey});
    if (c.file) fixture::WriteText(Settings(), *c.file);
    rewrite_ = std::make_unique<KeyRewrite>(*host_, Services());

    rewrite_->Start("vkr editServerKey NewKey654321");
    rewrite_->Wait();

    if (c.file) {
        EXPECT_EQ(fixture::ReadText(Settings()), *c.file);
    } else {
        EXPECT_FALSE(std::filesystem::exists(Settings()));
    }
    const std::string pane = pane_.Text();
    EXPECT_NE(pane.find("\r\n[WARN]"), std::string::npos) << pane;
    EXPECT_NE(pane.find(c.told), std::string::npos) << pane;
    EXPECT_EQ(pane.find("New ServerKey has been set"), std::string::npos);
    EXPECT_EQ(view_.States(), (std::vector<bool>{false, true}));
    const std::string log = TodaysLog();
    EXPECT_NE(log.find("#NOTICE#Ban The input box\r\n"), std::string::npos);
    EXPECT_EQ(log.find("vkr started."), std::string::npos) << "no restart";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, KeyRewriteRefusalTest,
    ::testing::Values(RefusedCase{"NoLaunchYet", "", "port: 8080\nauthKey: OldKey123456\n", "vkr start"},
                      RefusedCase{"NoSettingsFile", "OldKey123456", std::nullopt, "cannot be read"},
                      RefusedCase{"FileEditedByHand", "OldKey123456", "port: 8080\nauthKey: HandKey99999\n",
                                  "does not hold"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(KeyRewriteTest, RewritesEveryKeyLineAndTheRestartedMiraiReportsTheNewKey) {
    if (!InstallStandin()) GTEST_SKIP() << "the Mirai stand-in was not built";
    const int port = FreePort();
    const std::string before = fixture::SettingsText(port, "OldKey123456") + "# authKey: OldKey123456 (spare)\n";
    fixture::WriteText(Settings(), before);
    host_->Launch();
    ASSERT_EQ(host_->Server().key, "OldKey123456");
    rewrite_ = std::make_unique<KeyRewrite>(*host_, Services());

    rewrite_->Start("vkr editServerKey NewKey654321");
    EXPECT_EQ(rewrite_->PendingKeyCommand(), "vkr editServerKey NewKey654321");
    rewrite_->Wait();

    EXPECT_EQ(fixture::ReadText(Settings()),
              fixture::SettingsText(port, "NewKey654321") + "# authKey: NewKey654321 (spare)\n");
    EXPECT_EQ(host_->Server().key, "NewKey654321");
    EXPECT_EQ(host_->Server().port, std::to_string(port));
    EXPECT_EQ(fixture::JavaProcessesIn(runDir_).size(), 1u);
    EXPECT_TRUE(pane_.Text().ends_with(
        "\r\n[VKR]New ServerKey has been set!Please protect your ServerKey carefully."
        "\r\n[WARN]Use 'vkr getServerKey' to get new SevrerKey."));
    EXPECT_EQ(view_.States().back(), true);

    const std::string log = TodaysLog();
    size_t at = 0;
    for (const char* line : {"#NOTICE#Ban The input box", "#NOTICE#Edited new ServerKey", "#NOTICE#pipe has been closed.",
                             "#INFO#vkr started.", "#INFO#VKR restarted", "#INFO#Refresh new ServerKey"}) {
        at = log.find(line, at);
        ASSERT_NE(at, std::string::npos) << line << " in order in\n" << log;
    }
}

// A rewrite still relaunching when the program closes must end promptly and
// leave nothing behind once the close steps have run.
TEST_F(KeyRewriteTest, ShutdownDuringTheRelaunchLeavesNothingRunning) {
    if (!InstallStandin()) GTEST_SKIP() << "the Mirai stand-in was not built";
    fixture::WriteText(Settings(), fixture::SettingsText(FreePort(), "OldKey123456"));
    serverInfo_.Set({"127.0.0.1", "8080", "OldKey123456"});
    rewrite_ = std::make_unique<KeyRewrite>(*host_, Services());

    rewrite_->Start("vkr editServerKey NewKey654321");
    ASSERT_TRUE(WaitForPane("[VKR]VKR Start...", 5000));
    rewrite_->Shutdown();
    host_->Stop();

    EXPECT_TRUE(fixture::JavaProcessesIn(runDir_).empty());
    EXPECT_EQ(view_.States().back(), true);
}

}  // namespace
}  // namespace vkr
