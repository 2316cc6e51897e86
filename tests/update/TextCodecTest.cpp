#include "update/TextCodec.h"

#include <gtest/gtest.h>

#include "platform/CodePage.h"

namespace vkr {
namespace {

TEST(TextCodec, AnsiToWideAddsTerminatorUnlessDropped) {
    const std::string ni = "\xC4\xE3";  // "你" = U+4F60
    EXPECT_EQ(AnsiToWide(ni), std::string("\x60\x4F\0\0", 4));
    EXPECT_EQ(AnsiToWide(ni, true), std::string("\x60\x4F", 2));
    EXPECT_EQ(AnsiToWide(""), "");
}

TEST(TextCodec, WideToAnsiStopsAtZeroCharacter) {
    EXPECT_EQ(WideToAnsi(std::string("\x60\x4F" "A\0\0\0B\0", 8)), "\xC4\xE3" "A");
    EXPECT_EQ(WideToAnsi(""), "");
}

TEST(TextCodec, Utf8ToAnsi) {
    EXPECT_EQ(Utf8ToAnsi("\xE4\xBD\xA0" "a"), "\xC4\xE3" "a");
    EXPECT_EQ(Utf8ToAnsi(std::string("ab\0cd", 5)), "ab");
    // A character code page 936 lacks becomes the default character.
    EXPECT_EQ(Utf8ToAnsi("\xF0\x9F\x98\x80!"), "?!");
    EXPECT_EQ(Utf8ToAnsi(""), "");
}

TEST(TextCodec, DecodeCharsetKnownAndUnknown) {
    EXPECT_EQ(DecodeCharset("\xE4\xBD\xA0", "utf-8"), std::optional<std::string>("\xC4\xE3"));
    EXPECT_EQ(DecodeCharset("\xA7\x41", "big5"), std::optional<std::string>(Utf8ToCp936("\xE4\xBD\xA0")));
    EXPECT_EQ(DecodeCharset("abc", "no-such-charset"), std::nullopt);
    // An invalid byte becomes "?" and decoding goes on.
    EXPECT_EQ(DecodeCharset("a\xFF" "b", "utf-8"), std::optional<std::string>("a?b"));
}

}  // namespace
}  // namespace vkr
