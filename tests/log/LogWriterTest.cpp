#include "log/LogWriter.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <thread>
#include <vector>

#include "log/TimeFormat.h"
#include "platform/FileSystem.h"
#include "tests/TempDir.h"

namespace vkr {
namespace {

std::tm Moment(int year, int month, int day, int hour, int minute) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = 59;
    return t;
}

TEST(TimeFormat, CodeTable) {
    const std::tm t = Moment(2021, 3, 5, 9, 5);
    struct Case {
        int code;
        std::string expected;
    } cases[] = {{1, "2021-3-5"}, {2, "9-5"},  {3, "2021-3-5|9:5"}, {11, "2021"}, {12, "3"},
                 {13, "5"},       {14, "9"},   {15, "5"},           {233, "9:5"}, {0, "UnknownTime"},
                 {4, "UnknownTime"}};
    for (const auto& c : cases) EXPECT_EQ(TimeFormat::FormatAt(c.code, t), c.expected) << c.code;
    EXPECT_EQ(TimeFormat::FormatAt(233, Moment(2021, 3, 5, 0, 0)), "0:0");
    EXPECT_EQ(TimeFormat::FormatAt(233, Moment(2021, 3, 5, 10, 0)), "10:0");
}

class LogWriterTest : public ::testing::Test {
protected:
    void SetUp() override { CreateFolder(dir.path() / "Log"); }
    std::string DayContent(const std::tm& t) { return ReadWholeFile(log.DayFile(t)).value_or("<missing>"); }

    TempDir dir;
    LogWriter log{dir.path()};
};

TEST_F(LogWriterTest, LevelTable) {
    const std::tm t = Moment(2021, 3, 5, 9, 5);
    struct Case {
        std::optional<int> level;
        std::string line;
    } cases[] = {{std::nullopt, "[9:5]#INFO#m\r\n"}, {0, "[9:5]#INFO#m\r\n"},   {1, "[9:5]#INFO#m\r\n"},
                 {2, "[9:5]#NOTICE#m\r\n"},          {3, "[9:5]#WARN#m\r\n"},   {4, "[9:5]#ERROR#m\r\n"},
                 {5, "[9:5]#DEBUG#m\r\n"},           {9, "[9:5]##m\r\n"},       {-1, "[9:5]##m\r\n"}};
    std::string expected;
    for (const auto& c : cases) {
        log.WriteAt("m", c.level, t);
        expected += c.line;
    }
    EXPECT_EQ(DayContent(t), expected);
    EXPECT_EQ(log.DayFile(t), dir.path() / "Log" / "2021-3-5" / "log.txt");
}

TEST_F(LogWriterTest, MidnightStartsTheNewDaysFolder) {
    log.WriteAt("late", 0, Moment(2021, 3, 5, 23, 59));
    log.WriteAt("early", 0, Moment(2021, 3, 6, 0, 0));
    EXPECT_EQ(DayContent(Moment(2021, 3, 5, 0, 0)), "[23:59]#INFO#late\r\n");
    EXPECT_EQ(DayContent(Moment(2021, 3, 6, 0, 0)), "[0:0]#INFO#early\r\n");
}

TEST_F(LogWriterTest, MultiLineMessageKeepsItsLineBreaks) {
    const std::tm t = Moment(2021, 3, 5, 9, 5);
    log.WriteAt("Java version output\xA3\xBA\r\nline two", 5, t);
    EXPECT_EQ(DayContent(t), "[9:5]#DEBUG#Java version output\xA3\xBA\r\nline two\r\n");
}

TEST_F(LogWriterTest, DeletedDayFileIsRecreatedWithTheNewLineAlone) {
    const std::tm t = Moment(2021, 3, 5, 9, 5);
    log.WriteAt("one", 0, t);
    std::filesystem::remove(log.DayFile(t));
    log.WriteAt("two", 0, t);
    EXPECT_EQ(DayContent(t), "[9:5]#INFO#two\r\n");
}

TEST_F(LogWriterTest, ZeroByteInTheFileLosesNothing) {
    const std::tm t = Moment(2021, 3, 5, 9, 5);
    log.WriteAt(std::string("a\0b", 3), 0, t);
    log.WriteAt("next", 0, t);
    EXPECT_EQ(DayContent(t), std::string("[9:5]#INFO#a\0b\r\n[9:5]#INFO#next\r\n", 33));
}

TEST_F(LogWriterTest, WithoutLogFolderTheLineIsLostQuietly) {
    std::filesystem::remove(dir.path() / "Log");
    log.WriteAt("lost", 0, Moment(2021, 3, 5, 9, 5));
    EXPECT_FALSE(PathExists(dir.path() / "Log"));
}

TEST_F(LogWriterTest, UnwritableDayFileKeepsItsOldContent) {
    // A folder in the file's place cannot be written, even by root; it must survive.
    const std::tm t = Moment(2021, 3, 5, 9, 5);
    ASSERT_TRUE(CreateFolder(log.DayFile(t).parent_path()));
    ASSERT_TRUE(CreateFolder(log.DayFile(t)));
    ASSERT_TRUE(WriteWholeFile(log.DayFile(t) / "old", "kept"));
    log.WriteAt("refused", 0, t);
    EXPECT_EQ(ReadWholeFile(log.DayFile(t) / "old"), "kept");
}

TEST_F(LogWriterTest, ConcurrentWritersLoseAndTearNothing) {
    const std::tm t = Moment(2021, 3, 5, 9, 5);
    constexpr int kThreads = 6, kLines = 3000;
    std::vector<std::thread> threads;
    for (int w = 0; w < kThreads; ++w)
        threads.emplace_back([&, w] {
            LogWriter own(dir.path());  // separate objects share the file too
            for (int i = 0; i < kLines; ++i) own.WriteAt("w" + std::to_string(w) + "-" + std::to_string(i), 2, t);
        });
    for (auto& thread : threads) thread.join();

    std::istringstream lines(DayContent(t));
    std::set<std::string> seen;
    std::string line;
    while (std::getline(lines, line)) {
        ASSERT_TRUE(line.rfind("[9:5]#NOTICE#w", 0) == 0 && line.back() == '\r') << line;
        EXPECT_TRUE(seen.insert(line).second) << "twice: " << line;
    }
    EXPECT_EQ(seen.size(), static_cast<size_t>(kThreads * kLines));
}

}  // namespace
}  // namespace vkr
