#include "console/ConsolePipe.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "platform/FileSystem.h"
#include "tests/TempDir.h"

namespace vkr {
namespace {

using namespace std::chrono_literals;

constexpr int kPatienceMs = 10000;

// Reads raw output until want bytes arrived or the patience ran out.
std::string ReadBytesUntil(ConsolePipe& pipe, size_t want) {
    std::string got;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kPatienceMs);
    while (got.size() < want && std::chrono::steady_clock::now() < deadline) {
        pipe.WaitForOutput(100);
        got += pipe.ReadAvailableBytes();
    }
    return got;
}

// Waits (without reading) until the child has ended.
bool WaitUntilEnded(ConsolePipe& pipe) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kPatienceMs);
    while (pipe.IsRunning()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

// True once the process is gone or only a zombie waiting for its new parent.
bool ProcessGone(int pid) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kPatienceMs);
    while (std::chrono::steady_clock::now() < deadline) {
        auto stat = ReadWholeFile("/proc/" + std::to_string(pid) + "/stat");
        if (!stat || stat->find(") Z") != std::string::npos) return true;
        std::this_thread::sleep_for(10ms);
    }
    return false;
}

size_t OpenDescriptorCount() {
    size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++count;
    return count;
}

TEST(ConsolePipe, NeverStartedPipeFailsQuietly) {
    ConsolePipe pipe;
    std::string line = "help";
    EXPECT_TRUE(pipe.IsRunning());  // no child to be found ended
    EXPECT_EQ(pipe.BytesWaiting(), -1);
    EXPECT_EQ(pipe.ReadAvailableText(), "");
    EXPECT_EQ(pipe.ReadBytes(10), "");
    EXPECT_FALSE(pipe.WriteLine(line));
    EXPECT_EQ(pipe.GetPosition(), -1);
    EXPECT_FALSE(pipe.Seek(1, 0));
    EXPECT_FALSE(pipe.WaitForOutput(10));
    EXPECT_FALSE(pipe.Close());
}

TEST(ConsolePipe, WriteLineEndsEachLineOnceAndChangesTheCallersLine) {
    struct Case {
        std::string line;
        std::string sent;
    };
    const Case cases[] = {
        {"stop", "stop\r\n"},
        {"list\r\n", "list\r\n"},
        {"", "\r\n"},
        {"half\r", "half\r\r\n"},
    };
    ConsolePipe pipe;
    ASSERT_TRUE(pipe.Start("cat"));
    for (const Case& c : cases) {
        std::string line = c.line;
        ASSERT_TRUE(pipe.WriteLine(line)) << c.line;
        EXPECT_EQ(line, c.sent);
        EXPECT_EQ(ReadBytesUntil(pipe, c.sent.size()), c.sent) << "the child received other bytes";
    }
    EXPECT_TRUE(pipe.Close());
}

TEST(ConsolePipe, TextsCrossThePipeAsUtf8AndComeBackAsCp936) {
    const std::string niHaoCp936 = "\xC4\xE3\xBA\xC3";
    ConsolePipe pipe;
    ASSERT_TRUE(pipe.Start("cat"));
    ASSERT_TRUE(pipe.WriteText(niHaoCp936));
    EXPECT_EQ(ReadBytesUntil(pipe, 6), "\xE4\xBD\xA0\xE5\xA5\xBD");
    ASSERT_TRUE(pipe.WriteText(niHaoCp936));
    ASSERT_TRUE(pipe.WaitForOutput(kPatienceMs));
    std::string text;
    while (text.size() < 4 && pipe.WaitForOutput(kPatienceMs)) text += pipe.ReadAvailableText();
    EXPECT_EQ(text, niHaoCp936);
    EXPECT_FALSE(pipe.WriteBytes(""));
    pipe.Close();
}

TEST(ConsolePipe, CharacterSplitAcrossTwoWritesArrivesWhole) {
    ConsolePipe pipe;
    // "你" is E4 BD A0 in UTF-8 and C4 E3 in CP936.
    ASSERT_TRUE(pipe.Start(R"(sh -c "printf '\344\275'; read go; printf '\240!'")"));
    ASSERT_TRUE(pipe.WaitForOutput(kPatienceMs));
    EXPECT_EQ(pipe.ReadAvailableText(), "") << "half a character must be held back";
    std::string go = "go";
    ASSERT_TRUE(pipe.WriteLine(go));
    std::string rest;
    while (rest.size() < 3 && pipe.WaitForOutput(kPatienceMs)) rest += pipe.ReadAvailableText();
    EXPECT_EQ(rest, "\xC4\xE3!");
    pipe.Close();
}

TEST(ConsolePipe, OutputOfAnEndedChildStaysReadableAndZeroByteCutsText) {
    ConsolePipe pipe;
    ASSERT_TRUE(pipe.Start(R"(printf "last\0words")"));
    ASSERT_TRUE(WaitUntilEnded(pipe));
    EXPECT_FALSE(pipe.IsRunning());
    EXPECT_EQ(pipe.BytesWaiting(), 10);
    EXPECT_EQ(pipe.ReadAvailableText(), "last");
    EXPECT_EQ(pipe.ReadAvailableText(), "") << "bytes after the zero went with that read";
    EXPECT_TRUE(pipe.Close());
}

TEST(ConsolePipe, WritingToAChildThatEndedFailsWithoutEndingThisProcess) {
    ConsolePipe pipe;
    ASSERT_TRUE(pipe.Start("true"));
    ASSERT_TRUE(WaitUntilEnded(pipe));
    std::string line = "anyone there?";
    EXPECT_FALSE(pipe.WriteLine(line));  // a SIGPIPE would have ended the test run here
    pipe.Close();
}

TEST(ConsolePipe, CloseEndsEverythingTheChildStarted) {
    ConsolePipe pipe;
    ASSERT_TRUE(pipe.Start(R"(sh -c "sleep 100 & echo $!; wait")"));
    std::string pidLine;
    while (pidLine.find('\n') == std::string::npos && pipe.WaitForOutput(kPatienceMs))
        pidLine += pipe.ReadAvailableText();
    const int grandchild = std::stoi(pidLine);
    EXPECT_TRUE(pipe.Close());
    EXPECT_TRUE(ProcessGone(grandchild));
    EXPECT_EQ(pipe.BytesWaiting(), -1) << "the pipes are closed";
}

TEST(ConsolePipe, CloseKillsAChildThatIgnoresTheRequestToEnd) {
    ConsolePipe pipe;
    ASSERT_TRUE(pipe.Start(R"(sh -c "trap '' TERM; echo $$; while :; do sleep 0.1; done")"));
    std::string pidLine;
    while (pidLine.find('\n') == std::string::npos && pipe.WaitForOutput(kPatienceMs))
        pidLine += pipe.ReadAvailableText();
    const int child = std::stoi(pidLine);
    EXPECT_TRUE(pipe.Close());
    EXPECT_TRUE(ProcessGone(child));
}

TEST(ConsolePipe, FailedAndRepeatedStartsLeakNoDescriptors) {
    const size_t before = OpenDescriptorCount();
    {
        ConsolePipe pipe;
        EXPECT_FALSE(pipe.Start("no-such-program-vkr"));
        EXPECT_EQ(pipe.BytesWaiting(), -1);
        ASSERT_TRUE(pipe.Start("cat"));
        ASSERT_TRUE(pipe.Start("cat"));  // the first child is closed, not orphaned
        EXPECT_TRUE(pipe.Close());
    }
    EXPECT_EQ(OpenDescriptorCount(), before);
}

TEST(ConsolePipe, CopyWorksOnTheSameChild) {
    ConsolePipe pipe;
    ASSERT_TRUE(pipe.Start("cat"));
    ConsolePipe copy = pipe;
    std::string line = "ping";
    ASSERT_TRUE(copy.WriteLine(line));
    EXPECT_EQ(ReadBytesUntil(pipe, 6), "ping\r\n");
    EXPECT_TRUE(pipe.Close());
}

TEST(ConsolePipe, SeekOriginsOnASeekableHandle) {
    struct Case {
        int origin;
        long long distance;
        long long position;
    };
    const Case cases[] = {
        {1, 2, 2},   // from the start
        {2, -3, 7},  // from the end
        {3, 2, 6},   // from the current position
        {7, 2, 2},   // unknown origins count as the start
        {0, 2, 2},
    };
    TempDir dir;
    const auto path = dir.path() / "ten.bin";
    std::ofstream(path) << "0123456789";
    for (const Case& c : cases) {
        FILE* file = fopen(path.c_str(), "rb");
        ASSERT_NE(file, nullptr);
        ASSERT_EQ(MoveFilePointer(fileno(file), 4, 1), 4);
        EXPECT_EQ(MoveFilePointer(fileno(file), c.distance, c.origin), c.position) << "origin " << c.origin;
        fclose(file);
    }
}

TEST(ConsolePipe, PipeHasNoFilePointer) {
    ConsolePipe pipe;
    ASSERT_TRUE(pipe.Start("cat"));
    EXPECT_EQ(pipe.GetPosition(), -1);
    EXPECT_FALSE(pipe.Seek(std::nullopt, 0));
    EXPECT_FALSE(pipe.Seek(3, 1));
    pipe.Close();
}

TEST(ConsolePipe, CommandLineSplitsOnBlanksOutsideQuotes) {
    struct Case {
        std::string line;
        std::vector<std::string> words;
    };
    const Case cases[] = {
        {"cat", {"cat"}},
        {R"(java -cp "./libs/*" Main)", {"java", "-cp", "./libs/*", "Main"}},
        {"  sh\t -c  x ", {"sh", "-c", "x"}},
        {R"(prog "" end)", {"prog", "", "end"}},
        {"", {}},
    };
    for (const Case& c : cases) EXPECT_EQ(SplitCommandLine(c.line), c.words) << c.line;
}

}  // namespace
}  // namespace vkr
