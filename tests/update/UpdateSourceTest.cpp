#include "update/UpdateSource.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "log/LogWriter.h"
#include "platform/CodePage.h"
#include "platform/FileSystem.h"
#include "tests/TempDir.h"
#include "tests/update/Fakes.h"
#include "tests/update/RecordingServer.h"
#include "tests/update/UpdateServers.h"
#include "update/UpdateEndpoints.h"

namespace vkr {
namespace {

const std::string kUtf8List = "[Task]\r\n Number=1\r\n[1]\r\nDurl=https://x.cn/a\r\nDFiles=\xE6\x8F\x92\xE4\xBB\xB6.jar\r\n";

class UpdateSourceTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        serverRoot_ = new TempDir;
        servers_ = new test::UpdateServers(serverRoot_->path());
        setenv("VKR_CA_BUNDLE", servers_->caBundle().c_str(), 1);
    }
    static void TearDownTestSuite() {
        unsetenv("VKR_CA_BUNDLE");
        delete servers_;
        delete serverRoot_;
    }
    void SetUp() override {
        ASSERT_TRUE(servers_->ready());
        servers_->RemoveFile("source.status");
        std::filesystem::create_directory(run_.path() / "MConfig");
        std::filesystem::create_directory(run_.path() / "Log");
        endpoints_.updateHost = servers_->UpdateHost();
    }

    bool Refresh() { return RefreshUpdateSource(dialogs_, log_, endpoints_, run_.path()); }
    std::filesystem::path ListPath() const { return run_.path() / "MConfig" / "source.vkr"; }

    static inline TempDir* serverRoot_ = nullptr;
    static inline test::UpdateServers* servers_ = nullptr;
    TempDir run_;
    LogWriter log_{run_.path()};
    test::RecordingDialogs dialogs_;
    UpdateEndpoints endpoints_;
};

TEST_F(UpdateSourceTest, StoresTheListInCp936AndSaysSo) {
    servers_->WriteFile("source.txt", kUtf8List);
    EXPECT_TRUE(Refresh());
    EXPECT_EQ(ReadWholeFile(ListPath()), Utf8ToCp936(kUtf8List));
    ASSERT_EQ(dialogs_.shown.size(), 1u);
    EXPECT_EQ(dialogs_.shown[0].text,
              Utf8ToCp936("更新源成功，已成功更新至Velkorin最新源\r\n若有需要请在超级管理锁开启情况下启用第三方源"));
    EXPECT_EQ(dialogs_.shown[0].title, Utf8ToCp936("提示"));
    const auto lines = test::LogLines(run_.path());
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_TRUE(lines[0].ends_with("#INFO#Carrying out Update"));
    EXPECT_TRUE(lines[1].ends_with("#NOTICE#" + Utf8ToCp936("Updating new information from：") + servers_->UpdateHost()));
}

TEST_F(UpdateSourceTest, UnrepresentableCharacterBecomesDefaultCharacter) {
    servers_->WriteFile("source.txt", "[Task]\r\n Number=0\r\n;\xF0\x9F\x98\x80\r\n");
    EXPECT_TRUE(Refresh());
    EXPECT_EQ(ReadWholeFile(ListPath()), std::optional<std::string>("[Task]\r\n Number=0\r\n;?\r\n"));
}


class UpdateSourceFailure : public UpdateSourceTest, public testing::WithParamInterface<const char*> {
protected:
    void Arrange(const std::string& name) {
        servers_->WriteFile("source.txt", kUtf8List);
        if (name == "ErrorStatus") servers_->WriteFile("source.status", "500");
        if (name == "EmptyAnswer") servers_->WriteFile("source.txt", "");
        if (name == "Unreachable") endpoints_.updateHost = "127.0.0.1:" + std::to_string(FreePort());
        if (name == "UntrustedCertificate") unsetenv("VKR_CA_BUNDLE");
    }
};

TEST_P(UpdateSourceFailure, KeepsTheOldListAndTellsTheUser) {
    WriteWholeFile(ListPath(), "old list");
    Arrange(GetParam());
    EXPECT_FALSE(Refresh());
    setenv("VKR_CA_BUNDLE", servers_->caBundle().c_str(), 1);
    EXPECT_EQ(ReadWholeFile(ListPath()), std::optional<std::string>("old list"));
    ASSERT_EQ(dialogs_.shown.size(), 1u);
    EXPECT_TRUE(dialogs_.shown[0].text.starts_with(Utf8ToCp936("更新源失败"))) << dialogs_.shown[0].text;
    EXPECT_EQ(test::LinesWith(test::LogLines(run_.path()), "#ERROR#").size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Cases, UpdateSourceFailure,
                         testing::Values("ErrorStatus", "EmptyAnswer", "Unreachable", "UntrustedCertificate"));

TEST_F(UpdateSourceTest, MissingConfigFolderIsReportedNotHidden) {
    servers_->WriteFile("source.txt", kUtf8List);
    std::filesystem::remove(run_.path() / "MConfig");
    EXPECT_FALSE(Refresh());
    ASSERT_EQ(dialogs_.shown.size(), 1u);
    EXPECT_TRUE(dialogs_.shown[0].text.starts_with(Utf8ToCp936("更新源失败")));
}

TEST(UpdateEndpoints, CommandLineOverridesEnvironment) {
    setenv("VKR_UPDATE_HOST", "env.example:1", 1);
    setenv("VKR_RESOLVER_HOST", "env-resolver.example", 1);
    const char* argv[] = {"velkorin", "--other", "--resolver-host=cli.example:8443"};
    const UpdateEndpoints endpoints = UpdateEndpoints::FromCommandLine(3, argv);
    unsetenv("VKR_UPDATE_HOST");
    unsetenv("VKR_RESOLVER_HOST");
    EXPECT_EQ(endpoints.SourceListUrl(), "https://env.example:1/vkr/source.txt");
    EXPECT_EQ(endpoints.ResolveUrl("https://x.cn/a b"), "https://cli.example:8443/api-lanzou_jx?url=https://x.cn/a b");
}

}  // namespace
}  // namespace vkr
