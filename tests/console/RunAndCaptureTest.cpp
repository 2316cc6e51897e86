#include "console/RunAndCapture.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/EventPump.h"

namespace vkr {
namespace {

class CountingPump : public EventPump {
public:
    void ServePendingEvents(int) override { ++served; }
    int served = 0;
};

TEST(RunAndCapture, CapturesEverythingTheCommandWrote) {
    struct Case {
        std::string command;
        std::string output;
    };
    const Case cases[] = {
        {"echo out; echo err >&2; echo out again", "out\nerr\nout again\n"},  // one pipe, in order
        {"exit 3", ""},
        {R"(printf '\344\275\240\345\245\275')", "\xC4\xE3\xBA\xC3"},  // UTF-8 in, CP936 out
        {R"(printf 'cut\0here')", "cut"},                             // a zero byte ends the piece
        {"echo \xC4\xE3", "\xC4\xE3\n"},                               // the command itself is CP936
    };
    for (const Case& c : cases) {
        CountingPump pump;
        EXPECT_EQ(RunAndCapture(c.command, pump), c.output) << c.command;
    }
}

TEST(RunAndCapture, FailedCommandGivesTheInterpretersComplaint) {
    CountingPump pump;
    EXPECT_NE(RunAndCapture("no-such-command-vkr", pump).find("not found"), std::string::npos);
}

TEST(RunAndCapture, OutputBeyondThePipeCapacityIsComplete) {
    CountingPump pump;
    std::string expected;
    for (int i = 1; i <= 50000; ++i) expected += std::to_string(i) + "\n";
    EXPECT_EQ(RunAndCapture("seq 1 50000", pump), expected);
}

TEST(RunAndCapture, ServesWindowEventsWhileWaiting) {
    CountingPump pump;
    EXPECT_EQ(RunAndCapture("sleep 0.3; echo x", pump), "x\n");
    EXPECT_GT(pump.served, 1);
}

}  // namespace
}  // namespace vkr
