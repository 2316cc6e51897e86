#include "update/DownloadRun.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <nlohmann/json.hpp>

#include "log/LogWriter.h"
#include "platform/CodePage.h"
#include "platform/FileSystem.h"
#include "tests/TempDir.h"
#include "tests/update/Fakes.h"
#include "tests/update/UpdateServers.h"

namespace vkr {
namespace {

struct Entry {
    std::string link;      // Durl (UTF-8 here, stored as CP936)
    std::string fileName;  // DFiles (UTF-8 here, stored as CP936)
    nlohmann::json answer;  // what the resolution service says for link
};

std::string FileBody(int entry) { return "content of entry " + std::to_string(entry) + std::string(20000, 'x'); }

class DownloadRunTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        serverRoot_ = new TempDir;
        servers_ = new test::UpdateServers(serverRoot_->path());
        setenv("VKR_CA_BUNDLE", servers_->caBundle().c_str(), 1);
        for (int i = 1; i <= 5; ++i) servers_->WriteFile("files/f" + std::to_string(i) + ".jar", FileBody(i));
    }
    static void TearDownTestSuite() {
        unsetenv("VKR_CA_BUNDLE");
        delete servers_;
        delete serverRoot_;
    }
    void SetUp() override {
        ASSERT_TRUE(servers_->ready());
        for (const char* folder : {"MConfig", "Log"}) std::filesystem::create_directory(run_.path() / folder);
        endpoints_.resolverHost = servers_->UpdateHost();
        servers_->RemoveFile("requests.log");
    }

    // Five entries resolving to f1..f5.jar; code 200 as a number for odd entries, as text for even ones.
    static std::vector<Entry> FiveEntries() {
        std::vector<Entry> entries;
        for (int i = 1; i <= 5; ++i) {
            const std::string n = std::to_string(i);
            nlohmann::json answer = {{"dow", "{files}/files/f" + n + ".jar"}, {"msg", "ok"}};
            answer["code"] = i % 2 ? nlohmann::json(200) : nlohmann::json("200");
            // The last entry's local name is Chinese: stored as CP936, written under its UTF-8 name.
            entries.push_back({"https://www.lanzoux.com/i" + n + "?pwd=a b", i == 5 ? "第五个.jar" : "f" + n + ".jar", answer});
        }
        return entries;
    }

    void Publish(const std::vector<Entry>& entries) {
        std::string list = "[Task]\r\n Number=" + std::to_string(entries.size()) + "\r\n";
        nlohmann::json table = nlohmann::json::object();
        for (size_t i = 0; i < entries.size(); ++i) {
            list += "[" + std::to_string(i + 1) + "]\r\nDurl=" + entries[i].link + "\r\nDFiles=" + entries[i].fileName + "\r\n";
            table[entries[i].link] = entries[i].answer;
        }
        WriteWholeFile(run_.path() / "MConfig" / "source.vkr", Utf8ToCp936(list));
        servers_->WriteFile("resolve.json", table.dump());
    }

    DownloadOutcome Run() {
        DownloadRun run(view_, dialogs_, pump_, log_, endpoints_, run_.path());
        return run.Run();
    }

    std::optional<std::string> Stored(const std::string& folder, const std::string& name) const {
        return ReadWholeFile(run_.path() / folder / name);
    }
    std::vector<std::string> ErrorLines() const { return test::LinesWith(test::LogLines(run_.path()), "#ERROR#"); }

    static inline TempDir* serverRoot_ = nullptr;
    static inline test::UpdateServers* servers_ = nullptr;
    TempDir run_;
    LogWriter log_{run_.path()};
    test::RecordingDialogs dialogs_;
    test::CountingPump pump_;
    test::RecordingView view_;
    UpdateEndpoints endpoints_;
};

TEST_F(DownloadRunTest, FiveEntriesLandInLibsAndEntryFourInPlugins) {
    const auto entries = FiveEntries();
    Publish(entries);
    EXPECT_EQ(Run(), DownloadOutcome::Completed);
    for (int i = 1; i <= 5; ++i) {
        const std::string name = entries[i - 1].fileName;
        EXPECT_EQ(Stored(i == 4 ? "plugins" : "libs", name), std::optional<std::string>(FileBody(i))) << name;
        EXPECT_EQ(Stored(i == 4 ? "libs" : "plugins", name), std::nullopt) << name;
    }
    EXPECT_EQ(view_.queue, (std::vector<std::string>{"1/5", "2/5", "3/5", "4/5", "5/5"}));
    EXPECT_EQ(view_.links.size(), 5u);
    EXPECT_EQ(view_.links.back(), servers_->FileUrl("f5.jar"));
    EXPECT_EQ(view_.progress.back(), "100.00%");
    EXPECT_EQ(view_.status, Utf8ToCp936("已完成"));
    EXPECT_EQ(view_.closed, 1);
    ASSERT_EQ(dialogs_.shown.size(), 1u);
    EXPECT_EQ(dialogs_.shown[0].text, Utf8ToCp936("自动更新完成！"));
    EXPECT_EQ(dialogs_.shown[0].title, Utf8ToCp936("信息"));
    EXPECT_TRUE(ErrorLines().empty());
    // The window was kept responsive during the downloads.
    EXPECT_GE(pump_.served, static_cast<int>(view_.progress.size()));
}

TEST_F(DownloadRunTest, LabelsFollowTheEntryBeingProcessed) {
    Publish(FiveEntries());
    Run();
    // Every progress update of entry 2's download happened while the queue read 2/5.
    bool sawEntryTwo = false;
    for (size_t i = 0; i < view_.progress.size(); ++i) {
        if (view_.queueAtProgress[i] != "2/5") continue;
        sawEntryTwo = true;
        EXPECT_TRUE(view_.progress[i].ends_with("%"));
    }
    EXPECT_TRUE(sawEntryTwo);
}

TEST_F(DownloadRunTest, ShareLinkReachesTheServiceAsStored) {
    Publish(FiveEntries());
    Run();
    std::vector<std::string> asked;
    for (const auto& request : servers_->Requests()) {
        const std::string line = request["requestline"];
        if (line.starts_with("GET /api-lanzou_jx?url=")) asked.push_back(line);
    }
    ASSERT_EQ(asked.size(), 5u);
    // Only the blank, which a request line cannot carry, is encoded.
    EXPECT_EQ(asked[0], "GET /api-lanzou_jx?url=https://www.lanzoux.com/i1?pwd=a%20b HTTP/1.1");
}

TEST_F(DownloadRunTest, ResolutionFailureAtEntryThreeStopsTheRun) {
    auto entries = FiveEntries();
    entries[2].answer = {{"code", 201}, {"msg", "链接已失效"}};
    Publish(entries);
    EXPECT_EQ(Run(), DownloadOutcome::ResolutionFailed);
    EXPECT_TRUE(Stored("libs", "f1.jar").has_value());
    EXPECT_TRUE(Stored("libs", "f2.jar").has_value());
    EXPECT_FALSE(Stored("libs", "f3.jar").has_value());
    EXPECT_FALSE(Stored("plugins", "f4.jar").has_value());
    EXPECT_FALSE(Stored("libs", "第五个.jar").has_value());
    const auto errors = ErrorLines();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_TRUE(errors[0].ends_with(Utf8ToCp936("#ERROR#更新失败，错误代码：201\r\n链接已失效"))) << errors[0];
    ASSERT_EQ(dialogs_.shown.size(), 1u);
    EXPECT_EQ(dialogs_.shown[0].text, Utf8ToCp936("未知错误，详情请看查Log文件"));
    EXPECT_EQ(dialogs_.shown[0].title, Utf8ToCp936("信息："));
    EXPECT_EQ(view_.closed, 0);
    EXPECT_NE(view_.status, Utf8ToCp936("已完成"));
}

TEST_F(DownloadRunTest, UnreachableServiceIsAResolutionFailure) {
    Publish(FiveEntries());
    endpoints_.resolverHost = "127.0.0.1:1";
    EXPECT_EQ(Run(), DownloadOutcome::ResolutionFailed);
    EXPECT_EQ(ErrorLines().size(), 1u);
    EXPECT_EQ(dialogs_.shown.size(), 1u);
}

TEST_F(DownloadRunTest, FailedDownloadIsLoggedAndNamedAtTheEnd) {
    auto entries = FiveEntries();
    entries[1].answer["dow"] = "{files}/files/missing.jar";
    Publish(entries);
    EXPECT_EQ(Run(), DownloadOutcome::SomeFailed);
    for (const char* name : {"f1.jar", "f3.jar", "第五个.jar"}) EXPECT_TRUE(Stored("libs", name).has_value()) << name;
    EXPECT_FALSE(Stored("libs", "f2.jar").has_value());
    const auto errors = ErrorLines();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find("f2.jar"), std::string::npos);
    ASSERT_EQ(dialogs_.shown.size(), 1u);
    EXPECT_NE(dialogs_.shown[0].text.find("\r\n2 (f2.jar)"), std::string::npos);
    EXPECT_EQ(dialogs_.shown[0].text.find(Utf8ToCp936("自动更新完成")), std::string::npos);
    EXPECT_EQ(view_.closed, 0);
    EXPECT_NE(view_.status, Utf8ToCp936("已完成"));
}

TEST_F(DownloadRunTest, NamesThatLeaveTheirFolderAreRefused) {
    auto entries = FiveEntries();
    entries[0].fileName = "..\\..\\escaped.jar";
    entries[3].fileName = "../escaped.jar";
    Publish(entries);
    EXPECT_EQ(Run(), DownloadOutcome::SomeFailed);
    EXPECT_FALSE(std::filesystem::exists(run_.path() / "escaped.jar"));
    EXPECT_FALSE(std::filesystem::exists(run_.path().parent_path() / "escaped.jar"));
    EXPECT_EQ(ErrorLines().size(), 2u);
    ASSERT_EQ(dialogs_.shown.size(), 1u);
    EXPECT_NE(dialogs_.shown[0].text.find("\r\n1 ("), std::string::npos);
    EXPECT_NE(dialogs_.shown[0].text.find("\r\n4 ("), std::string::npos);
    EXPECT_TRUE(Stored("libs", "f2.jar").has_value());
}

TEST_F(DownloadRunTest, ExistingFileIsReplacedNotAppended) {
    std::filesystem::create_directory(run_.path() / "libs");
    WriteWholeFile(run_.path() / "libs" / "f1.jar", "an older version");
    Publish(FiveEntries());
    EXPECT_EQ(Run(), DownloadOutcome::Completed);
    EXPECT_EQ(Stored("libs", "f1.jar"), std::optional<std::string>(FileBody(1)));
}

TEST_F(DownloadRunTest, NoEntriesDoesNothing) {
    EXPECT_EQ(Run(), DownloadOutcome::NothingToDo);  // no list at all
    WriteWholeFile(run_.path() / "MConfig" / "source.vkr", "[Task]\r\n Number=x\r\n");
    EXPECT_EQ(Run(), DownloadOutcome::NothingToDo);
    EXPECT_TRUE(dialogs_.shown.empty());
    EXPECT_TRUE(view_.queue.empty());
    EXPECT_FALSE(std::filesystem::exists(run_.path() / "libs"));
}

TEST_F(DownloadRunTest, CancelFromTheWindowStopsBetweenChunks) {
    Publish(FiveEntries());
    DownloadRun run(view_, dialogs_, pump_, log_, endpoints_, run_.path());
    // The "取消" click arrives while events are served during the first download.
    pump_.onServe = [&] {
        if (!view_.progress.empty()) run.Cancel();
    };
    EXPECT_EQ(run.Run(), DownloadOutcome::Cancelled);
    EXPECT_FALSE(run.running());
    EXPECT_EQ(view_.queue, std::vector<std::string>{"1/5"});
    EXPECT_FALSE(Stored("libs", "f1.jar").has_value());
    ASSERT_EQ(dialogs_.shown.size(), 1u);
    EXPECT_EQ(view_.closed, 0);
}

struct NameCase {
    std::string name;
    bool safe;
};

class SafeFileName : public testing::TestWithParam<NameCase> {};

TEST_P(SafeFileName, StaysInsideItsFolder) { EXPECT_EQ(DownloadRun::IsSafeFileName(GetParam().name), GetParam().safe); }

INSTANTIATE_TEST_SUITE_P(Table, SafeFileName,
                         testing::Values(NameCase{"mirai-core-all-2.6.4.jar", true}, NameCase{"a..b.jar", true},
                                         NameCase{"sub\\x.jar", true}, NameCase{"", false},
                                         NameCase{"..\\..\\x", false}, NameCase{"../x", false},
                                         NameCase{"a/../../x", false}, NameCase{"..", false},
                                         NameCase{"/etc/passwd", false}, NameCase{"\\x", false},
                                         NameCase{"C:\\x.jar", false}, NameCase{"c:x.jar", false},
                                         NameCase{"dir/", false}));

TEST(DownloadRunProgress, PercentOrBytes) {
    EXPECT_EQ(DownloadRun::ProgressText(1000, 375), "37.50%");
    EXPECT_EQ(DownloadRun::ProgressText(3, 1), "33.33%");
    EXPECT_EQ(DownloadRun::ProgressText(0, 2048), Utf8ToCp936("已下载 2.00 KB"));
}

}  // namespace
}  // namespace vkr
