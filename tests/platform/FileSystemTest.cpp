#include "platform/FileSystem.h"

#include <gtest/gtest.h>

#include "platform/RunDirectory.h"
#include "tests/TempDir.h"

namespace vkr {
namespace {

TEST(FileSystem, ReadMissingFileIsNulloptNotEmpty) {
    TempDir dir;
    EXPECT_EQ(ReadWholeFile(dir.path() / "none"), std::nullopt);
    ASSERT_TRUE(WriteWholeFile(dir.path() / "empty", ""));
    EXPECT_EQ(ReadWholeFile(dir.path() / "empty"), std::string());
}

TEST(FileSystem, WriteReplacesAndKeepsZeroBytes) {
    TempDir dir;
    auto file = dir.path() / "f";
    ASSERT_TRUE(WriteWholeFile(file, std::string("a\0b", 3)));
    ASSERT_TRUE(WriteWholeFile(file, std::string("x\0y", 3)));
    EXPECT_EQ(*ReadWholeFile(file), std::string("x\0y", 3));
    ASSERT_TRUE(AppendToFile(file, "z"));
    EXPECT_EQ(*ReadWholeFile(file), std::string("x\0yz", 4));
}

TEST(FileSystem, WriteIntoMissingFolderFailsAndLeavesNothing) {
    TempDir dir;
    EXPECT_FALSE(WriteWholeFile(dir.path() / "no" / "f", "x"));
    EXPECT_FALSE(AppendToFile(dir.path() / "no" / "f", "x"));
    EXPECT_FALSE(PathExists(dir.path() / "no"));
}

TEST(FileSystem, CreateFolderMakesOneLevelOnly) {
    TempDir dir;
    EXPECT_TRUE(CreateFolder(dir.path() / "a"));
    EXPECT_TRUE(CreateFolder(dir.path() / "a"));  // existing is fine
    EXPECT_FALSE(CreateFolder(dir.path() / "b" / "c"));
}

TEST(RunDirectory, MapsBackslashNamesOntoNativePaths) {
    const std::filesystem::path base = "/run/dir";
    struct Case {
        std::string name;
        std::filesystem::path expected;
    } cases[] = {
        {"\\MConfig\\QQ.vkr", base / "MConfig" / "QQ.vkr"},
        {"\\Log\\2021-3-5\\log.txt", base / "Log" / "2021-3-5" / "log.txt"},
        {"libs/x.jar", base / "libs" / "x.jar"},
        {"\\\xC4\xE3\xBA\xC3.txt", base / "\xE4\xBD\xA0\xE5\xA5\xBD.txt"},
    };
    for (const auto& c : cases) EXPECT_EQ(NativePath(base, c.name), c.expected) << c.name;
}

}  // namespace
}  // namespace vkr
