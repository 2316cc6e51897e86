// The stand-in's console side: what it prints at start, its settings file,
// its bind failure and the ways it stops.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <fstream>
#include <regex>
#include <sstream>

#include "tests/TempDir.h"
#include "tests/tools/StandinProcess.h"

namespace vkr::test {
namespace {

const std::string kStarted = "mirai-console started successfully.";
const StandinProcess::Env kFast = {{"VKR_STANDIN_STARTUP_MS", "0"}};

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    std::string line;
    while (std::getline(stream, line)) lines.push_back(line);
    return lines;
}

// A coloured line as the console prints it, e.g. Line("92", "I", "main", "x").
std::regex LinePattern(const std::string& colour, const std::string& level, const std::string& rest) {
    return std::regex("\x1b\\[" + colour + "m\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d " + level + "/" + rest +
                      "\x1b\\[0m\x1b\\[m");
}

TEST(StandinConsole, StartLinesAreColouredInOrderAndCarryAddressAndKey) {
    TempDir dir;
    int port = FreePort();
    WriteSettings(dir.path(), port, "velkorin-key");
    StandinProcess standin(dir.path(), kFast);
    ASSERT_TRUE(standin.WaitForOutput(kStarted));
    std::string text = standin.Output();

    std::vector<std::string> lines = Lines(text);
    std::string address = "127\\.0\\.0\\.1:" + std::to_string(port);
    std::vector<std::regex> expected = {
        LinePattern("92", "I", "main: Starting mirai-console\\.\\.\\."),
        LinePattern("92", "I", "net\\.mamoe\\.mirai-api-http: Starting Mirai HTTP Server in " + address),
        LinePattern("92", "I", "Mirai HTTP API: Http api server is running with authKey: velkorin-key"),
        LinePattern("92", "I", "main: mirai-console started successfully\\."),
    };
    size_t next = 0;
    for (const std::string& line : lines) {
        if (next < expected.size() && std::regex_match(line, expected[next])) ++next;
    }
    EXPECT_EQ(next, expected.size()) << text;
    EXPECT_EQ(text.find("USING INITIAL KEY"), std::string::npos);
    EXPECT_NE(text.find("never logs in to QQ"), std::string::npos);
    // Every line is one complete coloured line.
    for (const std::string& line : lines) EXPECT_TRUE(line.ends_with("\x1b[0m\x1b[m")) << line;
}

TEST(StandinConsole, MissingOrBlankSettingsAreWrittenWithAnInitialKey) {
    for (std::optional<std::string> existing : {std::optional<std::string>(), std::optional<std::string>(" \n\n")}) {
        TempDir dir;
        std::filesystem::path file = dir.path() / "config" / "net.mamoe.mirai-api-http" / "setting.yml";
        if (existing) {
            std::filesystem::create_directories(file.parent_path());
            std::ofstream(file) << *existing;
        }
        StandinProcess standin(dir.path(), kFast);
        ASSERT_TRUE(standin.WaitForOutput(kStarted));

        std::smatch key;
        std::string settings = ReadFile(file);
        ASSERT_TRUE(std::regex_search(settings, key, std::regex("\nauthKey: (INITKEY[A-Za-z0-9]{8})\n"))) << settings;
        EXPECT_NE(settings.find("\nport: 8080\n"), std::string::npos);
        EXPECT_NE(settings.find("\ncacheSize: 4096\n"), std::string::npos);
        std::string text = standin.Output();
        EXPECT_TRUE(std::regex_search(text, LinePattern("91", "W", "net\\.mamoe\\.mirai-api-http: USING INITIAL KEY, please edit the key")));
        EXPECT_NE(text.find("Starting Mirai HTTP Server in 0.0.0.0:8080\x1b[0m"), std::string::npos);
        EXPECT_NE(text.find("Http api server is running with authKey: " + key[1].str() + "\x1b[0m"), std::string::npos);
        EXPECT_TRUE(std::filesystem::is_directory(dir.path() / "data" / "net.mamoe.mirai-api-http" / "images"));
    }
}

TEST(StandinConsole, TakenPortGivesOneErrorBlockAfterTheKeyLineAndTheConsoleCarriesOn) {
    int holder = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(holder, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(holder, 1), 0);
    socklen_t length = sizeof address;
    ::getsockname(holder, reinterpret_cast<sockaddr*>(&address), &length);

    TempDir dir;
    WriteSettings(dir.path(), ntohs(address.sin_port), "velkorin-key");
    StandinProcess standin(dir.path(), kFast);
    ASSERT_TRUE(standin.WaitForOutput(kStarted));
    standin.WriteLine("status");
    ASSERT_TRUE(standin.WaitForOutput("Sessions: 0"));
    std::string text = standin.Output();
    ::close(holder);

    const std::string first = "E/Mirai HTTP API: java.net.BindException: Address already in use\n";
    size_t error = text.find(first);
    ASSERT_NE(error, std::string::npos) << text;
    EXPECT_LT(text.find("Http api server is running with authKey: velkorin-key"), error);
    size_t lineStart = text.rfind('\n', error) + 1;
    EXPECT_TRUE(std::regex_match(text.substr(lineStart, error - lineStart),
                                 std::regex("\x1b\\[31m\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d ")));
    // The stack trace sits inside the same coloured block.
    size_t blockEnd = text.find("\x1b[0m\x1b[m\n", error);
    std::string block = text.substr(error, blockEnd - error);
    EXPECT_NE(block.find("\njava.net.BindException: Address already in use\n\tat "), std::string::npos) << block;
    EXPECT_EQ(block.find(": bind"), std::string::npos);
    standin.WriteLine("stop");
    EXPECT_EQ(standin.WaitForExit(), 0);
}

TEST(StandinConsole, KeyLengthOutsideEightTo128StopsTheServerBeforeTheKeyLine) {
    struct Case {
        std::string key;
        bool accepted;
    };
    for (const Case& c : {Case{"short77", false}, Case{"exactly8", true}, Case{std::string(128, 'k'), true},
                          Case{std::string(129, 'k'), false}}) {
        TempDir dir;
        WriteSettings(dir.path(), FreePort(), c.key);
        StandinProcess standin(dir.path(), kFast);
        ASSERT_TRUE(standin.WaitForOutput(kStarted));
        std::string text = standin.Output();
        bool keyLine = text.find("Http api server is running with authKey: ") != std::string::npos;
        bool refused = text.find("E/net.mamoe.mirai-api-http: java.lang.IllegalArgumentException: Expected "
                                 "authKey length is between 8 to 128") != std::string::npos;
        EXPECT_EQ(keyLine, c.accepted) << c.key.size();
        EXPECT_EQ(refused, !c.accepted) << c.key.size();
    }
}

TEST(StandinConsole, UnreadableSettingsAreReportedAndNoServerStarts) {
    TempDir dir;
    std::filesystem::path folder = dir.path() / "config" / "net.mamoe.mirai-api-http";
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "setting.yml") << "host: 127.0.0.1\nport: eighty\nauthKey: velkorin-key\n";
    StandinProcess standin(dir.path(), kFast);
    ASSERT_TRUE(standin.WaitForOutput(kStarted));
    std::string text = standin.Output();
    EXPECT_NE(text.find("E/net.mamoe.mirai-api-http: "), std::string::npos);
    EXPECT_NE(text.find("For input string: \"eighty\""), std::string::npos);
    EXPECT_EQ(text.find("Starting Mirai HTTP Server"), std::string::npos);
    EXPECT_EQ(ReadFile(folder / "setting.yml"), "host: 127.0.0.1\nport: eighty\nauthKey: velkorin-key\n")
        << "a file the user wrote is never replaced";
}

TEST(StandinConsole, StopsCleanlyOnStopEndOfInputAndSigterm) {
    enum class Way { StopLine, StopLineWithCr, SlashStop, EndOfInput, Sigterm };
    for (Way way : {Way::StopLine, Way::StopLineWithCr, Way::SlashStop, Way::EndOfInput, Way::Sigterm}) {
        TempDir dir;
        WriteSettings(dir.path(), FreePort(), "velkorin-key");
        StandinProcess standin(dir.path(), kFast);
        ASSERT_TRUE(standin.WaitForOutput(kStarted));
        switch (way) {
            case Way::StopLine: standin.WriteLine("stop"); break;
            case Way::StopLineWithCr: standin.WriteLine("stop\r"); break;
            case Way::SlashStop: standin.WriteLine("/stop"); break;
            case Way::EndOfInput: standin.CloseInput(); break;
            case Way::Sigterm: standin.Signal(SIGTERM); break;
        }
        EXPECT_EQ(standin.WaitForExit(), 0) << static_cast<int>(way);
        EXPECT_NE(standin.Output().find("Stopping mirai-console"), std::string::npos);
    }
}

TEST(StandinConsole, SigtermDuringTheStartDelayEndsWithZero) {
    TempDir dir;
    StandinProcess standin(dir.path(), {{"VKR_STANDIN_STARTUP_MS", "60000"}});
    ASSERT_TRUE(standin.WaitForOutput("Prepared built-in commands"));
    standin.Signal(SIGTERM);
    EXPECT_EQ(standin.WaitForExit(), 0);
    EXPECT_EQ(standin.Output().find("Starting Mirai HTTP Server"), std::string::npos);
}

TEST(StandinConsole, UnknownCommandsAreAnsweredAndBlankLinesIgnored) {
    TempDir dir;
    WriteSettings(dir.path(), FreePort(), "velkorin-key");
    StandinProcess standin(dir.path(), kFast);
    ASSERT_TRUE(standin.WaitForOutput(kStarted));
    standin.WriteLine("");
    standin.WriteLine("   \r");
    standin.WriteLine("bogus arg");
    standin.WriteLine("help");
    ASSERT_TRUE(standin.WaitForOutput("event friend <qq> <text>"));
    std::string text = standin.Output();
    EXPECT_TRUE(std::regex_search(text, LinePattern("91", "W", "main: 未知指令: bogus, 输入 help 获取帮助")));
    EXPECT_EQ(text.find("未知指令"), text.rfind("未知指令"));
}

TEST(StandinConsole, VersionGoesToStandardErrorLikeJava) {
    struct Case {
        StandinProcess::Env env;
        std::string version;
    };
    for (const Case& c : {Case{{}, "15.0.2"}, Case{{{"VKR_STANDIN_JAVA_VERSION", "17.0.1"}}, "17.0.1"}}) {
        TempDir dir;
        StandinProcess java(dir.path(), c.env, {"-version"});
        EXPECT_EQ(java.WaitForExit(), 0);
        EXPECT_TRUE(java.Errors().starts_with("openjdk version \"" + c.version + "\"")) << java.Errors();
        EXPECT_EQ(java.Output(), "");
        EXPECT_FALSE(std::filesystem::exists(dir.path() / "config"));
    }
}

}  // namespace
}  // namespace vkr::test
