#include "console/ConsoleReader.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "console/ConsolePaneModel.h"
#include "console/ConsolePipe.h"

namespace vkr {
namespace {

using namespace std::chrono_literals;

constexpr int kPatienceMs = 10000;

// Each chunk arrives as "\r\n" + chunk; the source below never writes "\r",
// so dropping every "\r\n" gives back exactly what the child wrote.
std::string WithoutChunkBreaks(std::string text) {
    for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at)) text.erase(at, 2);
    return text;
}

class ConsoleReaderTest : public ::testing::Test {
protected:
    ~ConsoleReaderTest() override {
        reader.Stop();
        pipe.Close();
    }

    bool WaitForPaneSize(size_t size) {
        for (int waited = 0; pane.Size() < size; waited += 10) {
            if (waited > kPatienceMs) return false;
            std::this_thread::sleep_for(10ms);
        }
        return true;
    }

    ConsolePipe pipe;
    ConsolePaneModel pane;
    ConsoleReader reader{pipe, pane};
};

TEST_F(ConsoleReaderTest, EachChunkStartsOnANewLine) {
    ASSERT_TRUE(pipe.Start(R"(sh -c "printf 'A\r\nB\r\n'; read go; printf 'C\r\n'")"));
    reader.Start();
    ASSERT_TRUE(WaitForPaneSize(8));
    std::string go = "go";
    ASSERT_TRUE(pipe.WriteLine(go));
    ASSERT_TRUE(reader.WaitUntilEnded(kPatienceMs)) << "the reader ends once the child has ended";
    // A and B came in one chunk, C in a second, which shows as an empty line before C.
    EXPECT_EQ(pane.Text(), "\r\nA\r\nB\r\n\r\nC\r\n");
}

TEST_F(ConsoleReaderTest, OutputWaitingWhenTheChildEndedIsShown) {
    ASSERT_TRUE(pipe.Start(R"(printf "last words")"));
    while (pipe.IsRunning()) std::this_thread::sleep_for(10ms);
    reader.Start();
    ASSERT_TRUE(reader.WaitUntilEnded(kPatienceMs));
    EXPECT_EQ(pane.Text(), "\r\nlast words");
}

TEST_F(ConsoleReaderTest, OutputBeyondThePipeCapacityArrivesComplete) {
    ASSERT_TRUE(pipe.Start(R"(sh -c "seq 1 100000")"));
    reader.Start();
    ASSERT_TRUE(reader.WaitUntilEnded(kPatienceMs));
    std::string expected;
    for (int i = 1; i <= 100000; ++i) expected += std::to_string(i) + "\n";
    EXPECT_EQ(WithoutChunkBreaks(pane.Text()), expected);
}

TEST_F(ConsoleReaderTest, StopEndsAWaitingReaderAndStartBeginsAnew) {
    ASSERT_TRUE(pipe.Start("cat"));
    reader.Start();
    EXPECT_FALSE(reader.WaitUntilEnded(100)) << "a silent child keeps the reader waiting";
    reader.Stop();
    EXPECT_FALSE(reader.IsReading());
    EXPECT_TRUE(pipe.IsRunning()) << "stopping the reader leaves the child alone";

    reader.Start();
    reader.Start();  // replaces the reader just started; still one reader
    std::string line = "echo";
    ASSERT_TRUE(pipe.WriteLine(line));
    ASSERT_TRUE(WaitForPaneSize(8));
    EXPECT_EQ(pane.Text(), "\r\necho\r\n");
    reader.Stop();
    EXPECT_FALSE(reader.IsReading());
}

TEST_F(ConsoleReaderTest, ReaderOfAPipeNeverStartedWaitsUntilStopped) {
    reader.Start();
    EXPECT_FALSE(reader.WaitUntilEnded(100));
    reader.Stop();
    EXPECT_TRUE(reader.WaitUntilEnded(0));
    EXPECT_EQ(pane.Text(), "");
}

}  // namespace
}  // namespace vkr
