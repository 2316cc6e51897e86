#include "support/TextHelpers.h"

#include <gtest/gtest.h>

namespace vkr {
namespace {

TEST(TextHelpers, TextBetweenCases) {
    struct Case {
        std::string text, left, right;
        int start;
        bool ignoreCase;
        std::string expected;
    } cases[] = {
        {"a[b]c", "[", "]", 1, false, "b"},
        {"a[]c", "[", "]", 1, false, ""},
        {"say \"word\" now", "#\xD2\xFD\xBA\xC5", "#\xD2\xFD\xBA\xC5", 1, false, "word"},
        {"]x[", "[", "]", 1, false, ""},  // right only in front of left
        {"no left", "[", "]", 1, false, ""},
        {"[a] [b]", "[", "]", 3, false, "b"},
        {"[a] [b]", "[", "]", -5, false, "a"},
        {"KEY=v;", "key=", ";", 1, true, "v"},
        {"KEY=v;", "key=", ";", 1, false, ""},
        {"\xC4\xE3[x]", "[", "]", 3, false, "x"},  // positions count bytes
    };
    for (const auto& c : cases)
        EXPECT_EQ(TextBetween(c.text, c.left, c.right, c.start, c.ignoreCase), c.expected) << c.text;
}

TEST(TextHelpers, TextBeforeCases) {
    struct Case {
        std::string text, separator;
        int start;
        bool ignoreCase;
        std::string expected;
    } cases[] = {
        {"name=value", "=", 1, false, "name"},
        {"no separator", "=", 1, false, ""},
        {"=value", "=", 1, false, ""},       // found at the start position itself
        {"a=b=c", "=", 3, false, "a=b"},     // search starts at position 3
        {"a=b", "=", 0, false, "a"},         // below 1 counts as 1
        {"abcXdef", "x", 1, true, "abc"},
        {"abcXdef", "x", 1, false, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TextBefore(c.text, c.separator, c.start, c.ignoreCase), c.expected) << c.text;
}

}  // namespace
}  // namespace vkr
