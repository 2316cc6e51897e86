#include "app/ConsolePane.h"

#include <gtest/gtest.h>

#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>

#include <thread>

#include "tests/app/AppTestSupport.h"

namespace vkr {
namespace {

const QColor kOrange(255, 128, 0);
const QColor kRed(255, 0, 0);

QColor ColourAt(const QTextDocument& document, int position) {
    QTextCursor cursor(const_cast<QTextDocument*>(&document));
    cursor.setPosition(position + 1);  // the format of the character before the cursor
    const QTextCharFormat format = cursor.charFormat();
    return format.hasProperty(QTextFormat::ForegroundBrush) ? format.foreground().color() : QColor();
}

// What a whole-text recolouring shows: every tag of the final text in its colour.
std::vector<QColor> ExpectedColours(const QString& text) {
    std::vector<QColor> colours(static_cast<size_t>(text.size()));
    auto paint = [&](QLatin1StringView tag, const QColor& colour) {
        for (qsizetype at = text.indexOf(tag); at >= 0; at = text.indexOf(tag, at + 1)) {
            for (qsizetype i = at; i < at + tag.size(); ++i) colours[static_cast<size_t>(i)] = colour;
        }
    };
    paint(QLatin1StringView("[VKR]"), kOrange);
    paint(QLatin1StringView("[WARN]"), kRed);
    return colours;
}

struct PaneCase {
    const char* name;
    std::vector<std::string> appends;   // applied in order, each shown before the next
    std::optional<std::string> replaceAfterAppends;
    std::vector<std::string> appendsAfterReplace;
    const char* shownText;              // what the pane shows (line breaks as "\n")
    int orangeCount;
    int redCount;
};

class ConsolePaneColouring : public testing::TestWithParam<PaneCase> {};

TEST_P(ConsolePaneColouring, ShowsWhatWholeRecolouringWould) {
    const PaneCase& c = GetParam();
    ConsolePaneModel model;
    ConsolePane pane(model);
    for (const std::string& text : c.appends) {
        model.Append(text);
        pane.ApplyPendingChanges();
    }
    if (c.replaceAfterAppends) {
        model.Replace(*c.replaceAfterAppends);
        pane.ApplyPendingChanges();
    }
    for (const std::string& text : c.appendsAfterReplace) {
        model.Append(text);
        pane.ApplyPendingChanges();
    }
    const QString shown = pane.toPlainText();
    ASSERT_EQ(shown, QString::fromUtf8(c.shownText));
    const std::vector<QColor> expected = ExpectedColours(shown);
    int orange = 0, red = 0;
    for (int i = 0; i < shown.size(); ++i) {
        if (shown[i] == QLatin1Char('\n')) continue;  // a block break carries no character format
        const QColor actual = ColourAt(*pane.document(), i);
        EXPECT_EQ(actual, expected[static_cast<size_t>(i)]) << "at " << i << " in " << c.name;
        orange += actual == kOrange;
        red += actual == kRed;
    }
    EXPECT_EQ(orange, c.orangeCount * 5);
    EXPECT_EQ(red, c.redCount * 6);
}

INSTANTIATE_TEST_SUITE_P(
    Tags, ConsolePaneColouring,
    testing::Values(
        PaneCase{"tag at position 0", {"[VKR]cleared"}, {}, {}, "[VKR]cleared", 1, 0},
        PaneCase{"other letter case is not a tag", {"[vkr] [Warn] [warn] [VKr]"}, {}, {},
                 "[vkr] [Warn] [warn] [VKr]", 0, 0},
        PaneCase{"three WARN tags, six characters each", {"\r\n[WARN]a[WARN][WARN]b"}, {}, {},
                 "\n[WARN]a[WARN][WARN]b", 0, 3},
        PaneCase{"tag straddling the old end", {"x[VK", "R]y"}, {}, {}, "x[VKR]y", 1, 0},
        PaneCase{"tag spread over three appends", {"[WA", "R", "N]!"}, {}, {}, "[WARN]!", 0, 1},
        PaneCase{"text after a tag keeps the default colour", {"[VKR]", "plain"}, {}, {},
                 "[VKR]plain", 1, 0},
        PaneCase{"replacement drops old colours and colours its own", {"[VKR] old"},
                 "b[WARN]", {"[VKR]"}, "b[WARN][VKR]", 1, 1},
        PaneCase{"chunk lines: empty line between B and C", {"\r\nA\r\nB\r\n", "\r\nC"}, {}, {},
                 "\nA\nB\n\nC", 0, 0},
        PaneCase{"line break split between appends stays one", {"A\r", "\nB"}, {}, {}, "A\nB", 0,
                 0},
        PaneCase{"empty append changes nothing", {"[VKR]", ""}, {}, {}, "[VKR]", 1, 0}),
    [](const testing::TestParamInfo<PaneCase>& info) { return "Case" + std::to_string(info.index); });

TEST(ConsolePane, AppendsFromAnotherThreadArriveWholeAndScrollToTheBottom) {
    ConsolePaneModel model;
    ConsolePane pane(model);
    pane.resize(300, 100);
    pane.show();
    std::thread writer([&] {
        for (int i = 0; i < 500; ++i) model.Append("\r\n[VKR] line " + std::to_string(i));
    });
    writer.join();
    const QString last = QStringLiteral("[VKR] line 499");
    ASSERT_TRUE(test::ServeEventsUntil([&] { return pane.toPlainText().endsWith(last); }));
    EXPECT_EQ(pane.toPlainText().count(QStringLiteral("[VKR] line ")), 500);
    EXPECT_EQ(pane.verticalScrollBar()->value(), pane.verticalScrollBar()->maximum());
    EXPECT_GT(pane.verticalScrollBar()->maximum(), 0);
}

TEST(ConsolePane, ShowsTheModelsTextFromBeforeItWasMadeAndDetachesOnDestruction) {
    ConsolePaneModel model;
    model.Append("[WARN] early");
    {
        ConsolePane pane(model);
        EXPECT_EQ(pane.toPlainText(), QStringLiteral("[WARN] early"));
        EXPECT_EQ(ColourAt(*pane.document(), 0), kRed);
    }
    model.Append("after the pane is gone");  // must not reach a destroyed widget
    EXPECT_EQ(model.Text(), "[WARN] earlyafter the pane is gone");
}

}  // namespace
}  // namespace vkr
