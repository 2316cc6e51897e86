#include "platform/IniFile.h"

#include <gtest/gtest.h>

#include "platform/FileSystem.h"
#include "tests/TempDir.h"

namespace vkr {
namespace {

TEST(IniFile, WriteCreatesFileAndSectionThenReadsBack) {
    TempDir dir;
    auto file = dir.path() / "QQ.vkr";
    ASSERT_TRUE(WriteProfileString(file, "QQ", "Account", "123456"));
    EXPECT_EQ(*ReadWholeFile(file), "[QQ]\r\nAccount=123456\r\n");
    EXPECT_EQ(ReadProfileString(file, "qq", "ACCOUNT"), "123456");
}

TEST(IniFile, WriteKeepsOtherSectionsKeysAndComments) {
    TempDir dir;
    auto file = dir.path() / "QQ.vkr";
    ASSERT_TRUE(WriteWholeFile(file, "; note\r\n[Other]\r\nx=1\r\n[qq]\r\naccount=1\r\nname=bot\r\n\r\n[Tail]\r\ny=2\r\n"));
    ASSERT_TRUE(WriteProfileString(file, "QQ", "Account", " 42"));
    EXPECT_EQ(*ReadWholeFile(file),
              "; note\r\n[Other]\r\nx=1\r\n[qq]\r\nAccount= 42\r\nname=bot\r\n\r\n[Tail]\r\ny=2\r\n");
    ASSERT_TRUE(WriteProfileString(file, "Tail", "z", "3"));
    EXPECT_EQ(ReadProfileString(file, "tail", "Z"), "3");
    EXPECT_EQ(ReadProfileString(file, "Other", "x"), "1");
}

TEST(IniFile, NewKeyGoesAtEndOfItsSection) {
    TempDir dir;
    auto file = dir.path() / "a.ini";
    ASSERT_TRUE(WriteWholeFile(file, "[A]\nk=1\n\n[B]\nm=2\n"));
    ASSERT_TRUE(WriteProfileString(file, "a", "n", "5"));
    EXPECT_EQ(*ReadWholeFile(file), "[A]\r\nk=1\r\nn=5\r\n\r\n[B]\r\nm=2\r\n");
}

TEST(IniFile, MissingFileSectionOrKeyReadsAsNothing) {
    TempDir dir;
    auto file = dir.path() / "a.ini";
    EXPECT_EQ(ReadProfileString(file, "A", "k"), std::nullopt);
    ASSERT_TRUE(WriteWholeFile(file, "[A]\r\nk = \"quoted value\" \r\n"));
    EXPECT_EQ(ReadProfileString(file, "A", "k"), "quoted value");
    EXPECT_EQ(ReadProfileString(file, "B", "k"), std::nullopt);
    EXPECT_EQ(ReadProfileString(file, "A", "other"), std::nullopt);
}

TEST(IniFile, UnreadableFileIsNeverReplaced) {
    // A folder where the file should be cannot be read, even by root.
    TempDir dir;
    auto file = dir.path() / "a.ini";
    ASSERT_TRUE(CreateFolder(file));
    ASSERT_TRUE(WriteWholeFile(file / "inside", "kept"));
    EXPECT_FALSE(WriteProfileString(file, "A", "k", "2"));
    EXPECT_EQ(*ReadWholeFile(file / "inside"), "kept");
}

}  // namespace
}  // namespace vkr
