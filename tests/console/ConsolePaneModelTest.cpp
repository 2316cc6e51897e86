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

TEST(ConsolePaneModel, LargeTextKeepsEveryByteAndFindsTagsAcrossBlockSeams) {
    // Several megabytes in odd-sized pieces, with tags placed on and around the
    // internal block boundaries (every 1 MiB).
    ConsolePaneModel pane;
    std::string expected;
    const std::string piece(997, 'x');
    while (expected.size() < 3 * (1u << 20) + 5000) {
        pane.Append(piece);
        expected += piece;
    }
    pane.Replace(expected);  // a replacement larger than one block
    const size_t seam = 1u << 20;
    for (size_t at : {seam - 3, 2 * seam - 6, 2 * seam + 1}) expected.replace(at, 6, "[WARN]");
    pane.Replace(expected);
    pane.Append("tail[VKR]");
    expected += "tail[VKR]";

    EXPECT_EQ(pane.Text(), expected);
    EXPECT_EQ(pane.Size(), expected.size());
    struct Case {
        std::string needle;
        size_t from;
    } cases[] = {{"[WARN]", 0},        {"[WARN]", seam - 2},     {"[WARN]", 2 * seam - 6},
                 {"[WARN]", 2 * seam - 5}, {"[VKR]", 0},          {"x[WARN]x", 0},
                 {"absent", 0},        {"[WARN]", expected.size()}, {"", 17}};
    for (const auto& c : cases)
        EXPECT_EQ(pane.Find(c.needle, c.from), expected.find(c.needle, c.from)) << c.needle << " from " << c.from;
}

}  // namespace
}  // namespace vkr
