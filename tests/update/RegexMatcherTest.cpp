#include "update/RegexMatcher.h"

#include <gtest/gtest.h>

#include "platform/CodePage.h"

namespace vkr {
namespace {

const char* const kCharsetPattern = "<meta.+?charset=[^\\w]?([-\\w]+)";

struct SearchCase {
    const char* name;
    std::string pattern;
    std::string text;
    bool caseSensitive;
    bool global;
    bool quoteEscape;
    int count;
    std::string firstMatch;
    std::string firstGroup;
};

class RegexSearch : public testing::TestWithParam<SearchCase> {};

TEST_P(RegexSearch, FindsMatchesAndGroups) {
    const SearchCase& c = GetParam();
    RegexMatcher matcher;
    EXPECT_TRUE(matcher.Search(c.pattern, c.text, c.caseSensitive, true, c.global, c.quoteEscape));
    EXPECT_EQ(matcher.GetMatchCount(), c.count);
    EXPECT_EQ(matcher.GetMatch(1), c.firstMatch);
    EXPECT_EQ(matcher.GetSubmatch(1, 1), c.firstGroup);
}

INSTANTIATE_TEST_SUITE_P(
    Dialect, RegexSearch,
    testing::Values(
        SearchCase{"MetaCharset", kCharsetPattern, "<html><meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">",
                   false, true, false, 1, "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8", "utf-8"},
        SearchCase{"NoMetaTag", kCharsetPattern, "<html><body>plain</body></html>", false, true, false, 0, "", ""},
        SearchCase{"CaseIgnoredByDefault", "abc", "xABCx", false, true, false, 1, "ABC", ""},
        SearchCase{"CaseSensitiveOnRequest", "abc", "xABCx", true, true, false, 0, "", ""},
        SearchCase{"GlobalCollectsAll", "a(\\d)", "a1 a2 a3", false, true, false, 3, "a1", "1"},
        SearchCase{"NonGlobalStopsAtFirst", "a(\\d)", "a1 a2 a3", false, false, false, 1, "a1", "1"},
        SearchCase{"LazyQuantifier", "<(.+?)>", "<b><i>", false, true, false, 2, "<b>", "b"},
        SearchCase{"DotStopsAtLineBreak", "a.b", "a\nb", false, true, false, 0, "", ""},
        SearchCase{"AnchorsPerLine", "^x\\d$", "x1\r\nx2\nx3 x4", false, true, false, 2, "x1", ""},
        SearchCase{"QuoteEscapeOn", "=#\xD2\xFD\xBA\xC5(\\w+)#\xD2\xFD\xBA\xC5", "a=\"word\"", false, true, true, 1,
                   "=\"word\"", "word"},
        SearchCase{"QuoteEscapeOffIsLiteral", "#\xD2\xFD\xBA\xC5", "\"#\xD2\xFD\xBA\xC5", false, true, false, 1,
                   "#\xD2\xFD\xBA\xC5", ""},
        // \w stays ASCII and a double-byte character is never split into bytes.
        SearchCase{"WordClassIsAscii", "\\w+", "\xC4\xE3\xBA\xC3" "abc", false, true, false, 1, "abc", ""},
        SearchCase{"ChineseLiteral", "(\xBA\xC3)", "\xC4\xE3\xBA\xC3", false, true, false, 1, "\xBA\xC3", "\xBA\xC3"},
        SearchCase{"UnsetGroupReadsEmpty", "(x)?y", "y", false, true, false, 1, "y", ""}),
    [](const testing::TestParamInfo<SearchCase>& info) { return std::string(info.param.name); });

TEST(RegexMatcher, EmptyMatchesAdvanceInsteadOfLooping) {
    RegexMatcher matcher;
    ASSERT_TRUE(matcher.Search("x*", "ab"));
    EXPECT_EQ(matcher.GetMatchCount(), 3);
}

TEST(RegexMatcher, RejectedPatternReadsEmpty) {
    RegexMatcher matcher;
    EXPECT_EQ(matcher.GetPattern(), "");
    EXPECT_FALSE(matcher.Search("(unclosed", "text"));
    EXPECT_EQ(matcher.GetMatchCount(), 0);
    EXPECT_EQ(matcher.GetMatch(1), "");
    EXPECT_EQ(matcher.GetSubmatchCount(), 0);
    EXPECT_EQ(matcher.Replace("x"), "");
}

TEST(RegexMatcher, IndexesOutsideTheCollectionReadEmpty) {
    RegexMatcher matcher;
    ASSERT_TRUE(matcher.Search("(a)(b)", "ab"));
    EXPECT_EQ(matcher.GetSubmatchCount(), 2);
    EXPECT_EQ(matcher.GetSubmatch(1, 2), "b");
    EXPECT_EQ(matcher.GetSubmatch(1, 3), "");
    EXPECT_EQ(matcher.GetSubmatch(2, 1), "");
    EXPECT_EQ(matcher.GetMatch(0), "");
}

TEST(RegexMatcher, PositionsCountBytesOfTheSearchedText) {
    RegexMatcher matcher;
    // Two double-byte characters (4 bytes) before the match.
    ASSERT_TRUE(matcher.Search("b(c)", "\xC4\xE3\xBA\xC3" "abc"));
    int matchAt = -1;
    int groupAt = -1;
    EXPECT_EQ(matcher.GetMatch(1, &matchAt), "bc");
    EXPECT_EQ(matcher.GetSubmatch(1, 1, &groupAt), "c");
    EXPECT_EQ(matchAt, 5);
    EXPECT_EQ(groupAt, 6);
}

struct ReplaceCase {
    const char* name;
    std::string pattern;
    bool global;
    std::string replacement;
    std::string expected;
};

class RegexReplace : public testing::TestWithParam<ReplaceCase> {};

TEST_P(RegexReplace, ExpandsReferences) {
    const ReplaceCase& c = GetParam();
    RegexMatcher matcher;
    ASSERT_TRUE(matcher.Search(c.pattern, "k1=v1;k2=v2", false, true, c.global));
    EXPECT_EQ(matcher.Replace(c.replacement), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    References, RegexReplace,
    testing::Values(ReplaceCase{"GroupsSwapped", "(\\w+)=(\\w+)", true, "$2=$1", "v1=k1;v2=k2"},
                    ReplaceCase{"FirstOnlyWithoutGlobal", "(\\w+)=(\\w+)", false, "[$&]", "[k1=v1];k2=v2"},
                    ReplaceCase{"DollarEscapes", "=", true, "$$", "k1$v1;k2$v2"},
                    ReplaceCase{"MissingGroupStaysLiteral", "(k)\\d", true, "$7", "$7=v1;$7=v2"},
                    ReplaceCase{"BeforeAndAfter", ";", true, "[$`|$']", "k1=v1[k1=v1|k2=v2]k2=v2"},
                    ReplaceCase{"EmptyReplacementDeletes", "v\\d", true, "", "k1=;k2="}),
    [](const testing::TestParamInfo<ReplaceCase>& info) { return std::string(info.param.name); });

TEST(RegexMatcher, ReplaceLeavesSearchedTextAndKeepsChineseWhole) {
    RegexMatcher matcher;
    const std::string text = Utf8ToCp936("版本=2.6");
    ASSERT_TRUE(matcher.Search("\\d", text));
    EXPECT_EQ(matcher.Replace("#"), Utf8ToCp936("版本=#.#"));
    EXPECT_EQ(matcher.Replace("$&$&"), Utf8ToCp936("版本=22.66"));
}

}  // namespace
}  // namespace vkr
