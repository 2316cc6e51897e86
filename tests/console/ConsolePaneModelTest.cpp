#include "console/ConsolePaneModel.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace vkr {
namespace {

TEST(ConsolePaneModel, ChangesReachListenerInOrderAndEmptyAppendIsSilent) {
    ConsolePaneModel pane;
    std::vector<PaneChange> seen;
    pane.SetListener([&](const PaneChange& change) { seen.push_back(change); });
    pane.Append("\r\nA");
    pane.Append("");
    pane.Replace("");
    pane.Append("[VKR]x");
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].kind, PaneChange::Kind::Appended);
    EXPECT_EQ(seen[1].kind, PaneChange::Kind::Replaced);
    EXPECT_EQ(seen[2].text, "[VKR]x");
    EXPECT_EQ(seen[2].sequence, 3u);
    EXPECT_EQ(pane.Text(), "[VKR]x");
    EXPECT_EQ(pane.Find("x"), 5u);
}

TEST(ConsolePaneModel, AppendsFromSeveralThreadsAreNeverLost) {
    ConsolePaneModel pane;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 1000; ++i) pane.Append("0123456789");
        });
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(pane.Size(), 40000u);
}

}  // namespace
}  // namespace vkr
