#pragma once
// Downloads one remote file into a local file, by HTTP(S) or FTP, streaming
// chunk by chunk to disk (memory does not grow with the file) and reporting
// progress after every chunk.
//
// A fresh download goes into a temporary file beside the target and replaces
// the target only when the transfer finished (HTTP: a 2xx status) and, when
// the server announced a length, with exactly that many bytes; a failed
// transfer leaves the target as it was and no temporary file behind.
//
// Resume mode (resumeOffset supplied, even 0) continues the local file from
// its real size, whatever offset was passed: the range asked for and the
// progress both start there, so the file never holds a part twice. A server
// that ignores the range (answers 200) gets the whole file written afresh.
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace vkr {

// Called after every chunk written: total (announced length + resume offset;
// just the offset when no length was sent), received (offset + bytes written),
// milliseconds since the first chunk arrived (10 when still 0),
// bytes received in this run.
using TransferProgress =
    std::function<void(int64_t total, int64_t received, int64_t elapsedMs, int64_t receivedThisRun)>;

struct FtpUrlParts {
    std::string host;
    int port = 21;
    std::string remotePath;  // directory + file name, "/"-led when the URL had a directory
};

// "ftp://host:2121/pub/a.jar" => {"host", 2121, "/pub/a.jar"}; no port => 21.
FtpUrlParts SplitFtpUrl(std::string_view url);

class InetTransfer {
public:
    // HttpDownload results
    static constexpr int kFinished = 0;
    static constexpr int kInternetFailed = -1;  // no transfer handle
    static constexpr int kUrlFailed = -2;       // not opened: no connection, or a non-2xx status
    static constexpr int kLocalFileFailed = -3;
    static constexpr int kReadFailed = -4;      // broke off, or fewer bytes than announced
    // FtpDownload results (besides 0, -1, -4)
    static constexpr int kFtpConnectFailed = -2;   // no connection or login refused
    static constexpr int kFtpFileNotFound = -3;
    static constexpr int kFtpResumeFailed = -5;
    static constexpr int kFtpLocalFileFailed = -6;
    // Both: Cancel() was called during the transfer.
    static constexpr int kCancelled = -7;

    // Sends "Accept: */*", "Accept-Language: zh-cn", "Accept-Encoding: gzip, deflate",
    // the old MSIE 6 User-Agent and, in resume mode, "Range:bytes=<offset>-".
    // The body is written exactly as received (no content decoding).
    int HttpDownload(std::string_view url, const std::filesystem::path& path, TransferProgress progress = {},
                     std::optional<int64_t> resumeOffset = std::nullopt);

    // Login defaults: "Anonymous" / "Kaltin@"; port 21 unless the URL names one.
    int FtpDownload(std::string_view url, const std::filesystem::path& path,
                    std::optional<std::string> userName = std::nullopt,
                    std::optional<std::string> password = std::nullopt, TransferProgress progress = {},
                    std::optional<int64_t> resumeOffset = std::nullopt);

    // Asks the running transfer to stop before its next chunk (any thread).
    void Cancel();

    const std::string& url() const { return url_; }

private:
    std::string url_;
    std::atomic<bool> cancelRequested_{false};
};

}  // namespace vkr
