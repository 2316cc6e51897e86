#include "console/ConsoleHost.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "console/ServerInfoScanner.h"
#include "tests/console/ConsoleHostFixture.h"

namespace vkr {
namespace {

using fixture::ConsoleHostFixture;

const std::string kEsc = "\x1b";
const std::string kStartLine = "I/net.mamoe.mirai-api-http: Starting Mirai HTTP Server in 0.0.0.0:8080" + kEsc + "[0m" + kEsc + "[m\n";
const std::string kKeyLine = "I/Mirai HTTP API: Http api server is running with authKey: INITKEYabc12345" + kEsc + "[0m" + kEsc + "[m\n";

struct PaneCase {
    const char* name;
    std::string pane;
    ServerAddress expected;
};

void PrintTo(const PaneCase& c, std::ostream* out) { *out << c.name; }


class ReadServerAddressTest : public ::testing::TestWithParam<PaneCase> {};

TEST_P(ReadServerAddressTest, CutsValuesOutOfThePane) {
    ServerAddress got = ReadServerAddress(GetParam().pane);
    EXPECT_EQ(got.ip, GetParam().expected.ip);
    EXPECT_EQ(got.port, GetParam().expected.port);
    EXPECT_EQ(got.key, GetParam().expected.key);
}

INSTANTIATE_TEST_SUITE_P(
    Panes, ReadServerAddressTest,
    ::testing::Values(
        PaneCase{"BothLines", "\r\n" + kStartLine + kKeyLine, {"0.0.0.0", "8080", "INITKEYabc12345"}},
        PaneCase{"KeyWithoutEscapeLosesItsLastCharacter",
                 "Http api server is running with authKey: SECRETKEY[0m", {"", "", "SECRETKE"}},
        PaneCase{"FirstOfTwoStartLinesCounts",
                 "Starting Mirai HTTP Server in 1.2.3.4:1111" + kEsc + "[0m\r\n" + kStartLine,
                 {"1.2.3.4", "1111", ""}},
        PaneCase{"SecondColonEndsThePort",
                 "Starting Mirai HTTP Server in host:9000:x" + kEsc + "[0m", {"host", "900", ""}},
        PaneCase{"StartLineWithoutItsEnd", "Starting Mirai HTTP Server in 0.0.0.0:8080", {"", "", ""}},
        PaneCase{"NothingYet", "[VKR]VKR Start...", {"", "", ""}}),
    [](const auto& info) { return std::string(info.param.name); });

// The reader puts each chunk on a line of its own, so a value can straddle
// two appends only when the pane text itself holds it whole: feed every split.
TEST(ServerInfoScanner, FindsBothValuesWhereverTheOutputIsCut) {
    const std::string output = "noise\n" + kStartLine + kKeyLine + "I/main: 1 plugin(s) enabled.\n";
    for (size_t cut = 0; cut <= output.size(); ++cut) {
        ServerInfoScanner scanner;
        scanner.Feed(output.substr(0, cut));
        scanner.Feed(output.substr(cut));
        ASSERT_TRUE(scanner.HasAddress() && scanner.HasKey()) << "cut at " << cut;
        EXPECT_EQ(scanner.Address().ip, "0.0.0.0");
        EXPECT_EQ(scanner.Address().port, "8080");
        EXPECT_EQ(scanner.Key(), "INITKEYabc12345");
    }
}

TEST(ServerInfoScanner, KeepsTheFirstOccurrenceAndWaitsForTheEnd) {
    ServerInfoScanner scanner;
    scanner.Feed("Http api server is running with authKey: FIRSTKEY1");
    EXPECT_FALSE(scanner.HasKey());
    scanner.Feed(kEsc + "[0m\n");
    scanner.Feed("Http api server is running with authKey: OTHERKEY2" + kEsc + "[0m\n");
    EXPECT_EQ(scanner.Key(), "FIRSTKEY1");
    EXPECT_FALSE(scanner.HasAddress());
}

class ConsoleHostTest : public ConsoleHostFixture {
protected:
    void SetUp() override {
        ConsoleHostFixture::SetUp();
        if (!InstallStandin()) GTEST_SKIP() << "the Mirai stand-in was not built";
        port_ = FreePort();
        fixture::WriteText(fixture::SettingsFile(runDir_), fixture::SettingsText(port_, "LaunchKey12345"));
    }
    int port_ = 0;
};

TEST_F(ConsoleHostTest, LaunchReadsServerInformationAndWritesItsLinesInOrder) {
    host_->Launch();

    ServerAddress server = host_->Server();
    EXPECT_EQ(server.ip, "127.0.0.1");
    EXPECT_EQ(server.port, std::to_string(port_));
    EXPECT_EQ(server.key, "LaunchKey12345");

    std::string pane = pane_.Text();
    EXPECT_EQ(pane.rfind("\r\n[VKR]VKR Start...\r\n[VKR]Creating Mirai Core as well as Velkorin-Core...", 0), 0u)
        << "the pane is emptied before the reader starts";
    size_t started = pane.find("\r\n[VKR]VKR started.Listening to the more command...");
    size_t aiming = pane.find("\r\n[VKR]VKR is aiming to build a more environment");
    ASSERT_NE(started, std::string::npos);
    EXPECT_GT(aiming, started);
    EXPECT_GT(started, pane.find("Http api server is running with authKey: "));
    EXPECT_EQ(pane.find("[WARN]"), std::string::npos);
    EXPECT_TRUE(dialogs_.Messages().empty());
    EXPECT_EQ(view_.States(), (std::vector<bool>{false, true}));
    EXPECT_GT(pump_.calls, 0) << "the wait serves window events";

    std::string log = TodaysLog();
    size_t first = log.find("#INFO#vkr started.\r\n");
    size_t second = log.find("#NOTICE#creating process...\r\n");
    size_t third = log.find("#INFO#Loading Mirai\r\n");
    ASSERT_NE(first, std::string::npos);
    EXPECT_LT(first, second);
    EXPECT_LT(second, third);
    EXPECT_NE(third, std::string::npos);
}

TEST_F(ConsoleHostTest, StopRunsTheCoreShutdownFirstAndEndsMirai) {
    std::vector<std::string> order;
    ConsoleHost host(pipe_, serverInfo_, Services(), [&] {
        order.push_back("shutdown");
        order.push_back(TodaysLog());
    });
    host.Launch();
    ASSERT_EQ(fixture::JavaProcessesIn(runDir_).size(), 1u);
    host.Stop();

    EXPECT_TRUE(fixture::JavaProcessesIn(runDir_).empty());
    ASSERT_EQ(order.size(), 2u);
    EXPECT_EQ(order[1].find("Mirai Core has been closed"), std::string::npos);
    const std::string log = TodaysLog();
    size_t core = log.find("#NOTICE#Mirai Core has been closed\r\n");
    size_t reader = log.find("#NOTICE#VKR-Core has been closed\r\n");
    size_t pipe = log.find("#NOTICE#pipe has been closed.\r\n");
    ASSERT_NE(pipe, std::string::npos);
    EXPECT_LT(core, reader);
    EXPECT_LT(reader, pipe);
}

TEST_F(ConsoleHostTest, StopWithNothingRunningStillWritesTheThreeLines) {
    host_->Stop();
    const std::string log = TodaysLog();
    EXPECT_NE(log.find("#NOTICE#Mirai Core has been closed\r\n"), std::string::npos);
    EXPECT_NE(log.find("#NOTICE#VKR-Core has been closed\r\n"), std::string::npos);
    EXPECT_NE(log.find("#NOTICE#pipe has been closed.\r\n"), std::string::npos);
}

TEST_F(ConsoleHostTest, LaunchWhileMiraiRunsStopsTheFirstOneAndLeavesOneProcess) {
    host_->Launch();
    std::vector<int> first = fixture::JavaProcessesIn(runDir_);
    ASSERT_EQ(first.size(), 1u);
    host_->Launch();
    std::vector<int> second = fixture::JavaProcessesIn(runDir_);
    ASSERT_EQ(second.size(), 1u);
    EXPECT_NE(first[0], second[0]);
    EXPECT_NE(TodaysLog().find("#NOTICE#pipe has been closed.\r\n"), std::string::npos);
    EXPECT_EQ(host_->Server().key, "LaunchKey12345");
}

TEST_F(ConsoleHostTest, SlowMiraiIsReportedAndPickedUpWhenItsLinesArrive) {
    setenv("VKR_STANDIN_STARTUP_MS", "4500", 1);
    host_->Launch();
    unsetenv("VKR_STANDIN_STARTUP_MS");

    std::string pane = pane_.Text();
    size_t warning = pane.find("\r\n[WARN]");
    ASSERT_NE(warning, std::string::npos);
    EXPECT_EQ(pane.find("[WARN]", warning + 3), std::string::npos) << "one warning line\n" << pane;
    EXPECT_EQ(host_->Server().ip, "");
    EXPECT_EQ(view_.States().back(), true);

    ASSERT_TRUE(WaitForPane("Http api server is running with authKey: LaunchKey12345", 10000));
    ServerAddress server = host_->Server();
    EXPECT_EQ(server.ip, "127.0.0.1");
    EXPECT_EQ(server.port, std::to_string(port_));
    EXPECT_EQ(server.key, "LaunchKey12345");
}

TEST_F(ConsoleHostTest, TakenPortGivesOneMessageAfterTheClosingLines) {
    int holder = socket(AF_INET, SOCK_STREAM, 0);
    int yes = 1;
    setsockopt(holder, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port_));
    ASSERT_EQ(bind(holder, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(listen(holder, 1), 0);

    std::string paneWhenShown;
    dialogs_.onShow = [&] { paneWhenShown = pane_.Text(); };
    host_->Launch();
    close(holder);

    EXPECT_NE(paneWhenShown.find("[VKR]VKR is aiming to build a more environment"), std::string::npos);
    EXPECT_NE(paneWhenShown.find("java.net.BindException: Address already in use"), std::string::npos);
    EXPECT_EQ(view_.States().back(), true);

    std::vector<fixture::ShownMessage> shown = dialogs_.Messages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].title, Utf8ToCp936("警告---无法运行"));
    EXPECT_EQ(shown[0].text, Utf8ToCp936("HTTP-api运行异常，已存在运行的端口，疑似为多开\r\n输入vkr fixhttp尝试修复问题"));
    EXPECT_NE(TodaysLog().find("#WARN#E/Mirai HTTP API: java.net.BindException: Address already in use: bind\r\n"),
              std::string::npos);
    EXPECT_EQ(host_->Server().port, std::to_string(port_)) << "the start line is still read";
}

}  // namespace
}  // namespace vkr
