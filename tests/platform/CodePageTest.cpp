#include "platform/CodePage.h"

#include <gtest/gtest.h>

namespace vkr {
namespace {

const std::string kNiHaoGbk = "\xC4\xE3\xBA\xC3";  // 你好
const std::string kNiHaoUtf8 = "\xE4\xBD\xA0\xE5\xA5\xBD";

TEST(CodePage, ConvertsBetweenUtf8AndCp936BothWays) {
    EXPECT_EQ(Utf8ToCp936(kNiHaoUtf8), kNiHaoGbk);
    EXPECT_EQ(Cp936ToUtf8(kNiHaoGbk), kNiHaoUtf8);
    EXPECT_EQ(Utf8ToCp936("plain ascii"), "plain ascii");
    EXPECT_EQ(Cp936ToUtf16(kNiHaoGbk), u"你好");
    EXPECT_EQ(Utf16ToCp936(u"你好"), kNiHaoGbk);
}

TEST(CodePage, CharacterMissingFromTargetBecomesQuestionMark) {
    // U+1F600 (emoji) has no CP936 form; text around it survives.
    EXPECT_EQ(Utf8ToCp936("a\xF0\x9F\x98\x80" "b"), "a?b");
    EXPECT_EQ(Utf16ToCp936(u"a\u0E01b"), "a?b");  // Thai letter
    EXPECT_EQ(Utf16ToCp936(u"a\U0001F600b"), "a?b");  // surrogate pair, one character
    EXPECT_EQ(Utf8ToCp936("a\xFF" "b"), "a?b");  // invalid UTF-8 byte
}

TEST(CodePage, StreamDecoderCompletesCharacterSplitAcrossPieces) {
    Utf8StreamDecoder decoder;
    std::string out;
    out += decoder.Decode(kNiHaoUtf8.substr(0, 1));
    out += decoder.Decode(kNiHaoUtf8.substr(1, 3));
    out += decoder.Decode(kNiHaoUtf8.substr(4) + "!");
    EXPECT_EQ(out, kNiHaoGbk + "!");
    EXPECT_EQ(decoder.Finish(), "");
}

TEST(CodePage, StreamDecoderReportsUnfinishedTailAtEnd) {
    Utf8StreamDecoder decoder;
    EXPECT_EQ(decoder.Decode("x" + kNiHaoUtf8.substr(0, 2)), "x");
    EXPECT_EQ(decoder.Finish(), "?");
}

}  // namespace
}  // namespace vkr
