#include "update/InetTransfer.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "tests/TempDir.h"
#include "tests/update/RecordingServer.h"
#include "tests/update/UpdateServers.h"

namespace vkr {
namespace {

struct ProgressCall {
    int64_t total, received, elapsedMs, receivedThisRun;
};

std::string Pattern(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>('a' + (i * 7 + i / 251) % 26);
    return bytes;
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// Compares without printing megabytes of file content on a mismatch.
testing::AssertionResult Holds(const std::filesystem::path& path, const std::string& expected) {
    const std::string actual = ReadFile(path);
    if (actual == expected) return testing::AssertionSuccess();
    size_t firstDifference = 0;
    while (firstDifference < actual.size() && firstDifference < expected.size() &&
           actual[firstDifference] == expected[firstDifference])
        ++firstDifference;
    return testing::AssertionFailure() << path << " holds " << actual.size() << " bytes, expected "
                                       << expected.size() << "; first difference at " << firstDifference;
}

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

class InetTransferTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        serverRoot_ = new TempDir;
        servers_ = new test::UpdateServers(serverRoot_->path());
        servers_->WriteFile("files/a.bin", kContent);
        servers_->WriteFile("files/pub/b.jar", kContent);
    }
    static void TearDownTestSuite() {
        delete servers_;
        delete serverRoot_;
    }
    void SetUp() override { ASSERT_TRUE(servers_->ready()); }

    std::filesystem::path Target() const { return local_.path() / "a.bin"; }
    // Every name in the local folder: a leftover temporary file shows here.
    std::vector<std::string> LocalNames() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(local_.path()))
            names.push_back(entry.path().filename().string());
        return names;
    }
    TransferProgress Recorder() {
        return [this](int64_t total, int64_t received, int64_t elapsed, int64_t thisRun) {
            calls_.push_back({total, received, elapsed, thisRun});
        };
    }

    static inline const std::string kContent = Pattern(30000);
    static inline TempDir* serverRoot_ = nullptr;
    static inline test::UpdateServers* servers_ = nullptr;
    TempDir local_;
    InetTransfer transfer_;
    std::vector<ProgressCall> calls_;
};

TEST_F(InetTransferTest, FreshDownloadReplacesExistingFile) {
    WriteFile(Target(), std::string(50000, 'x'));
    EXPECT_EQ(transfer_.HttpDownload(servers_->FileUrl("a.bin"), Target(), Recorder()), InetTransfer::kFinished);
    EXPECT_TRUE(Holds(Target(), kContent));
    EXPECT_EQ(LocalNames(), std::vector<std::string>{"a.bin"});
    EXPECT_EQ(transfer_.url(), servers_->FileUrl("a.bin"));
    ASSERT_GE(calls_.size(), 3u);
    int64_t previous = 0;
    for (const ProgressCall& call : calls_) {
        EXPECT_EQ(call.total, 30000);
        EXPECT_LE(call.received - previous, 10240);
        EXPECT_EQ(call.received, call.receivedThisRun);
        EXPECT_GT(call.elapsedMs, 0);
        previous = call.received;
    }
    EXPECT_EQ(calls_.back().received, 30000);
}

TEST_F(InetTransferTest, ResumeAppendsFromTheFilesRealSize) {
    WriteFile(Target(), kContent.substr(0, 1000));
    EXPECT_EQ(transfer_.HttpDownload(servers_->FileUrl("a.bin"), Target(), Recorder(), 1000), InetTransfer::kFinished);
    EXPECT_TRUE(Holds(Target(), kContent));
    ASSERT_FALSE(calls_.empty());
    EXPECT_EQ(calls_.front().total, 30000);
    EXPECT_GT(calls_.front().received, 1000);
    EXPECT_EQ(calls_.front().received - 1000, calls_.front().receivedThisRun);
    EXPECT_EQ(servers_->Requests().back()["headers"].dump().find("\"Range\",\"bytes=1000-\"") != std::string::npos,
              true);
}

TEST_F(InetTransferTest, ResumeNeverStoresAPartTwice) {
    // Offset 0 over a file that already holds 1000 bytes continues after them.
    WriteFile(Target(), kContent.substr(0, 1000));
    EXPECT_EQ(transfer_.HttpDownload(servers_->FileUrl("a.bin"), Target(), {}, 0), InetTransfer::kFinished);
    EXPECT_TRUE(Holds(Target(), kContent));

    // A server that ignores the range sends everything: the file is rewritten, not appended to.
    WriteFile(Target(), kContent.substr(0, 1000));
    EXPECT_EQ(transfer_.HttpDownload(servers_->FileUrl("a.bin?norange=1"), Target(), Recorder(), 1000),
              InetTransfer::kFinished);
    EXPECT_TRUE(Holds(Target(), kContent));
    EXPECT_EQ(calls_.back().total, 30000);
    EXPECT_EQ(LocalNames(), std::vector<std::string>{"a.bin"});
}

TEST_F(InetTransferTest, NoContentLengthGivesTotalOfTheOffset) {
    EXPECT_EQ(transfer_.HttpDownload(servers_->FileUrl("a.bin?nolength=1"), Target(), Recorder()),
              InetTransfer::kFinished);
    EXPECT_TRUE(Holds(Target(), kContent));
    ASSERT_FALSE(calls_.empty());
    EXPECT_EQ(calls_.back().total, 0);
    EXPECT_EQ(calls_.back().received, 30000);
}

struct FailureCase {
    const char* name;
    std::string nameAndQuery;  // on the file host; "" for a closed port
    int result;
};

class InetTransferFailure : public InetTransferTest, public testing::WithParamInterface<FailureCase> {};

TEST_P(InetTransferFailure, LeavesTheTargetAsItWas) {
    const FailureCase& c = GetParam();
    const std::string url = c.nameAndQuery.empty()
                                ? "http://127.0.0.1:" + std::to_string(FreePort()) + "/files/a.bin"
                                : servers_->FileUrl(c.nameAndQuery);
    // Without a previous file none is made.
    EXPECT_EQ(transfer_.HttpDownload(url, Target()), c.result);
    EXPECT_TRUE(LocalNames().empty());
    WriteFile(Target(), "previous version");
    EXPECT_EQ(transfer_.HttpDownload(url, Target()), c.result);
    EXPECT_TRUE(Holds(Target(), "previous version"));
    EXPECT_EQ(LocalNames(), std::vector<std::string>{"a.bin"});
}

INSTANTIATE_TEST_SUITE_P(Cases, InetTransferFailure,
                         testing::Values(FailureCase{"NotFound", "missing.bin", InetTransfer::kUrlFailed},
                                         FailureCase{"Refused", "", InetTransfer::kUrlFailed},
                                         FailureCase{"DroppedMidFile", "a.bin?drop=15000", InetTransfer::kReadFailed}),
                         [](const testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.name); });

TEST_F(InetTransferTest, UnwritableTargetIsALocalFileFailure) {
    EXPECT_EQ(transfer_.HttpDownload(servers_->FileUrl("a.bin"), local_.path() / "no-such-folder" / "a.bin"),
              InetTransfer::kLocalFileFailed);
}

TEST_F(InetTransferTest, CancelStopsBetweenChunks) {
    WriteFile(Target(), "previous version");
    int calls = 0;
    auto cancelAfterFirst = [&](int64_t, int64_t, int64_t, int64_t) {
        if (++calls == 1) transfer_.Cancel();
    };
    EXPECT_EQ(transfer_.HttpDownload(servers_->FileUrl("a.bin"), Target(), cancelAfterFirst), InetTransfer::kCancelled);
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(Holds(Target(), "previous version"));
    // The next transfer starts uncancelled.
    EXPECT_EQ(transfer_.HttpDownload(servers_->FileUrl("a.bin"), Target()), InetTransfer::kFinished);
}

TEST(InetTransferRequest, HeaderBlockAndRangeLine) {
    test::RecordingServer server([](const std::string&) {
        return std::string("HTTP/1.1 206 Partial Content\r\nContent-Range: bytes 3-5/6\r\nContent-Length: 3\r\n\r\ndef");
    });
    TempDir local;
    WriteFile(local.path() / "f", "abc");
    InetTransfer transfer;
    EXPECT_EQ(transfer.HttpDownload(server.Url("/f"), local.path() / "f", {}, 3), InetTransfer::kFinished);
    EXPECT_EQ(ReadFile(local.path() / "f"), "abcdef");
    EXPECT_EQ(test::HeaderBlockAfterHost(server.LastRequest()),
              "Accept: */*\r\nAccept-Language: zh-cn\r\nAccept-Encoding: gzip, deflate\r\n"
              "User-Agent: Mozilla/4.0(compatible; MSIE 6.0; Windows NT 5.0; MyIE2; .NET CLR 1.1.4322)\r\n"
              "Range:bytes=3-");
}

struct FtpSplitCase {
    std::string url;
    std::string host;
    int port;
    std::string remotePath;
};

class FtpUrlSplit : public testing::TestWithParam<FtpSplitCase> {};

TEST_P(FtpUrlSplit, HostPortAndRemotePath) {
    const FtpUrlParts parts = SplitFtpUrl(GetParam().url);
    EXPECT_EQ(parts.host, GetParam().host);
    EXPECT_EQ(parts.port, GetParam().port);
    EXPECT_EQ(parts.remotePath, GetParam().remotePath);
}

INSTANTIATE_TEST_SUITE_P(Table, FtpUrlSplit,
                         testing::Values(FtpSplitCase{"ftp://files.example/pub/a.jar", "files.example", 21, "/pub/a.jar"},
                                         FtpSplitCase{"ftp://127.0.0.1:2121/a.jar", "127.0.0.1", 2121, "/a.jar"},
                                         FtpSplitCase{"files.example:990/x/y/z.bin", "files.example", 990, "/x/y/z.bin"}));

TEST_F(InetTransferTest, FtpDefaultLoginAndExplicitPort) {
    const std::string url = "ftp://127.0.0.1:" + std::to_string(servers_->ftpPort()) + "/pub/b.jar";
    // The server knows the default login "Anonymous" / "Kaltin@" only.
    EXPECT_EQ(transfer_.FtpDownload(url, Target(), std::nullopt, std::nullopt, Recorder()), InetTransfer::kFinished);
    EXPECT_TRUE(Holds(Target(), kContent));
    EXPECT_EQ(calls_.back().total, 30000);
    EXPECT_EQ(transfer_.FtpDownload(url, local_.path() / "c.jar", std::string("vkr"), std::string("secret")),
              InetTransfer::kFinished);
    EXPECT_TRUE(Holds(local_.path() / "c.jar", kContent));
}

TEST_F(InetTransferTest, FtpResumeAppendsTheRest) {
    const std::string url = "ftp://127.0.0.1:" + std::to_string(servers_->ftpPort()) + "/a.bin";
    WriteFile(Target(), kContent.substr(0, 1000));
    EXPECT_EQ(transfer_.FtpDownload(url, Target(), {}, {}, Recorder(), 1000), InetTransfer::kFinished);
    EXPECT_TRUE(Holds(Target(), kContent));
    EXPECT_EQ(calls_.front().total, 30000);
    EXPECT_GT(calls_.front().received, 1000);
}

TEST_F(InetTransferTest, FtpFailures) {
    const std::string base = "ftp://127.0.0.1:" + std::to_string(servers_->ftpPort());
    EXPECT_EQ(transfer_.FtpDownload(base + "/a.bin", Target(), std::string("vkr"), std::string("wrong")),
              InetTransfer::kFtpConnectFailed);
    EXPECT_EQ(transfer_.FtpDownload(base + "/missing.bin", Target()), InetTransfer::kFtpFileNotFound);
    EXPECT_EQ(transfer_.FtpDownload("ftp://127.0.0.1:" + std::to_string(FreePort()) + "/a.bin", Target()),
              InetTransfer::kFtpConnectFailed);
    EXPECT_EQ(transfer_.FtpDownload(base + "/a.bin", local_.path() / "no-such-folder" / "a.bin"),
              InetTransfer::kFtpLocalFileFailed);
    EXPECT_TRUE(LocalNames().empty());
}

}  // namespace
}  // namespace vkr
