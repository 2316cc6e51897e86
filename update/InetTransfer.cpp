#include "update/InetTransfer.h"

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <system_error>

#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "update/CurlSession.h"

namespace vkr {
namespace {

// Progress and cancellation work in chunks of 10240 bytes; the socket is read
// in larger pieces (as the curl tool does), which are cut into such chunks.
constexpr size_t kChunkBytes = 10240;
constexpr long kReceiveBufferBytes = 102400;
constexpr long kStallSeconds = 60;
constexpr long kConnectSeconds = 30;
const char* const kFtpDefaultUser = "Anonymous";
const char* const kFtpDefaultPassword = "Kaltin@";

int64_t ExistingSize(const std::filesystem::path& path) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    return error ? 0 : static_cast<int64_t>(size);
}

// Where the bytes of one transfer go: a temporary file beside the target that
// replaces it at the end, or (a honoured resume) the target itself, appended.
class DownloadSink {
public:
    DownloadSink(std::filesystem::path target, TransferProgress progress, const std::atomic<bool>& cancel)
        : target_(std::move(target)), progress_(std::move(progress)), cancel_(cancel) {}
    ~DownloadSink() { Discard(); }

    // appendAt: the resume offset when the server honoured the range, else nullopt.
    bool Open(std::optional<int64_t> appendAt, int64_t announcedLength) {
        offset_ = appendAt.value_or(0);
        announced_ = announcedLength;
        total_ = (announcedLength > 0 ? announcedLength : 0) + offset_;
        started_ = TickCount();
        if (appendAt) {
            file_ = std::fopen(target_.c_str(), "ab");
        } else {
            std::string pattern = target_.string() + ".part-XXXXXX";
            int fd = mkstemp(pattern.data());
            if (fd >= 0) {
                temp_ = pattern;
                file_ = fdopen(fd, "wb");
                if (!file_) close(fd);
            }
        }
        if (file_) std::setvbuf(file_, nullptr, _IOFBF, 1 << 16);
        return file_ != nullptr;
    }

    bool opened() const { return file_ != nullptr; }

    bool Write(const char* data, size_t size) {
        if (cancel_) { cancelled_ = true; return false; }
        if (std::fwrite(data, 1, size, file_) != size) { writeFailed_ = true; return false; }
        written_ += static_cast<int64_t>(size);
        if (progress_) {
            const int64_t elapsed = static_cast<int64_t>(TickCount() - started_);
            progress_(total_, offset_ + written_, elapsed == 0 ? 10 : elapsed, written_);
        }
        return true;
    }

    // Closes the file; a fresh download replaces the target only when complete.
    bool Commit() {
        const bool closed = std::fclose(file_) == 0;
        file_ = nullptr;
        const bool complete = closed && (announced_ < 0 || written_ == announced_);
        if (temp_.empty()) return complete;
        std::error_code error;
        if (complete) std::filesystem::rename(temp_, target_, error);
        if (!complete || error) Discard();
        temp_.clear();
        return complete && !error;
    }

    // Closes and removes a temporary file; an appended target keeps what arrived.
    void Discard() {
        if (file_) std::fclose(file_);
        file_ = nullptr;
        if (!temp_.empty()) {
            std::error_code error;
            std::filesystem::remove(temp_, error);
            temp_.clear();
        }
    }

    bool cancelled() const { return cancelled_; }
    bool writeFailed() const { return writeFailed_; }

private:
    std::filesystem::path target_;
    std::filesystem::path temp_;
    TransferProgress progress_;
    const std::atomic<bool>& cancel_;
    std::FILE* file_ = nullptr;
    int64_t offset_ = 0;
    int64_t announced_ = -1;
    int64_t total_ = 0;
    int64_t written_ = 0;
    uint64_t started_ = 0;
    bool cancelled_ = false;
    bool writeFailed_ = false;
};

// One transfer's state as seen from libcurl's write callback.
struct TransferState {
    CURL* handle = nullptr;
    DownloadSink* sink = nullptr;
    std::optional<int64_t> resumeFrom;  // effective offset in resume mode
    bool isHttp = true;
    int failure = 0;  // the result code decided inside the callback
};

int64_t AnnouncedLength(CURL* handle) {
    curl_off_t length = -1;
    curl_easy_getinfo(handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    return length;
}

long ResponseCode(CURL* handle) {
    long code = 0;
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &code);
    return code;
}

// Opens the sink once the answer is known to be the file.
bool OpenSinkFor(TransferState& state) {
    std::optional<int64_t> appendAt;
    if (state.isHttp) {
        const long status = ResponseCode(state.handle);
        if (status < 200 || status > 299) { state.failure = InetTransfer::kUrlFailed; return false; }
        if (state.resumeFrom && status == 206) appendAt = state.resumeFrom;
    } else {
        appendAt = state.resumeFrom;
    }
    if (!state.sink->Open(appendAt, AnnouncedLength(state.handle))) {
        state.failure = state.isHttp ? InetTransfer::kLocalFileFailed : InetTransfer::kFtpLocalFileFailed;
        return false;
    }
    return true;
}

size_t OnData(char* data, size_t size, size_t count, void* user) {
    auto& state = *static_cast<TransferState*>(user);
    if (!state.sink->opened() && !OpenSinkFor(state)) return 0;
    const size_t total = size * count;
    for (size_t done = 0; done < total; done += kChunkBytes) {
        if (!state.sink->Write(data + done, std::min(kChunkBytes, total - done))) {
            state.failure = state.sink->cancelled() ? InetTransfer::kCancelled : InetTransfer::kReadFailed;
            return 0;
        }
    }
    return total;
}

bool SetCommonOptions(CURL* handle, const std::string& url, TransferState& state) {
    bool ok = ApplyTransportDefaults(handle);
    ok = ok && curl_easy_setopt(handle, CURLOPT_URL, url.c_str()) == CURLE_OK;
    ok = ok && curl_easy_setopt(handle, CURLOPT_BUFFERSIZE, kReceiveBufferBytes) == CURLE_OK;
    ok = ok && curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, kConnectSeconds) == CURLE_OK;
    ok = ok && curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L) == CURLE_OK;
    ok = ok && curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, kStallSeconds) == CURLE_OK;
    ok = ok && curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, OnData) == CURLE_OK;
    ok = ok && curl_easy_setopt(handle, CURLOPT_WRITEDATA, &state) == CURLE_OK;
    return ok;
}

// Runs the transfer and settles the sink; returns 0 or the failure decided so far.
int Perform(TransferState& state, CURLcode* code) {
    *code = curl_easy_perform(state.handle);
    if (state.failure != 0) return state.failure;
    if (*code != CURLE_OK) return 0;
    // An empty body never reached the callback: the file is still to be made.
    if (!state.sink->opened() && !OpenSinkFor(state)) return state.failure;
    return state.sink->Commit() ? 0 : InetTransfer::kReadFailed;
}

int HttpFailure(CURLcode code, TransferState& state) {
    // Once the answer was accepted a failure is a broken read, before it the URL did not open.
    return state.sink->opened() || code == CURLE_PARTIAL_FILE ? InetTransfer::kReadFailed : InetTransfer::kUrlFailed;
}

int FtpFailure(CURLcode code) {
    switch (code) {
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_CONNECT:
        case CURLE_LOGIN_DENIED:
        case CURLE_FTP_WEIRD_SERVER_REPLY:
        case CURLE_FTP_ACCESS_DENIED:
        case CURLE_OPERATION_TIMEDOUT:
            return InetTransfer::kFtpConnectFailed;
        case CURLE_REMOTE_FILE_NOT_FOUND:
        case CURLE_FTP_COULDNT_RETR_FILE:
            return InetTransfer::kFtpFileNotFound;
        case CURLE_BAD_DOWNLOAD_RESUME:
        case CURLE_FTP_COULDNT_USE_REST:
        case CURLE_RANGE_ERROR:
            return InetTransfer::kFtpResumeFailed;
        default:
            return InetTransfer::kReadFailed;
    }
}

}  // namespace

FtpUrlParts SplitFtpUrl(std::string_view url) {
    FtpUrlParts parts;
    std::string rest(url);
    const size_t lastSlash = rest.rfind('/');
    const std::string fileName = lastSlash == std::string::npos ? rest : rest.substr(lastSlash + 1);
    if (rest.starts_with("ftp://")) rest.erase(0, 6);
    rest.resize(rest.size() - std::min(rest.size(), fileName.size()));
    const size_t slash = rest.find('/');
    const std::string hostPart = rest.substr(0, slash);
    const std::string directory = slash == std::string::npos ? std::string() : rest.substr(slash);
    parts.host = hostPart.substr(0, hostPart.find(':'));
    if (size_t colon = hostPart.rfind(':'); colon != std::string::npos) {
        try {
            parts.port = std::stoi(hostPart.substr(colon + 1));
        } catch (const std::exception&) {
            parts.port = 0;
        }
    }
    parts.remotePath = directory + fileName;
    return parts;
}

int InetTransfer::HttpDownload(std::string_view url, const std::filesystem::path& path, TransferProgress progress,
                               std::optional<int64_t> resumeOffset) {
    url_ = std::string(url);
    cancelRequested_ = false;
    try {
        if (!EnsureCurlReady()) return kInternetFailed;
        CurlEasy handle(curl_easy_init());
        if (!handle) return kInternetFailed;
        DownloadSink sink(path, std::move(progress), cancelRequested_);
        TransferState state{handle.get(), &sink, std::nullopt, true, 0};
        if (resumeOffset) state.resumeFrom = ExistingSize(path);

        CurlHeaderList headers;
        bool ok = headers.Append("Accept: */*") && headers.Append("Accept-Language: zh-cn") &&
                  headers.Append("Accept-Encoding: gzip, deflate") &&
                  headers.Append("User-Agent: Mozilla/4.0(compatible; MSIE 6.0; Windows NT 5.0; MyIE2; .NET CLR 1.1.4322)");
        if (state.resumeFrom) ok = ok && headers.Append("Range:bytes=" + std::to_string(*state.resumeFrom) + "-");
        ok = ok && SetCommonOptions(handle.get(), EscapeUrlBytes(Cp936ToUtf8(url)), state);
        ok = ok && curl_easy_setopt(handle.get(), CURLOPT_HTTPHEADER, headers.get()) == CURLE_OK;
        ok = ok && curl_easy_setopt(handle.get(), CURLOPT_FOLLOWLOCATION, 1L) == CURLE_OK;
        ok = ok && curl_easy_setopt(handle.get(), CURLOPT_PROTOCOLS_STR, "http,https") == CURLE_OK;
        if (!ok) return kInternetFailed;

        CURLcode code = CURLE_OK;
        const int result = Perform(state, &code);
        if (result != 0 || code == CURLE_OK) return result;
        return HttpFailure(code, state);
    } catch (const std::exception&) {
        return kReadFailed;
    }
}

int InetTransfer::FtpDownload(std::string_view url, const std::filesystem::path& path,
                              std::optional<std::string> userName, std::optional<std::string> password,
                              TransferProgress progress, std::optional<int64_t> resumeOffset) {
    url_ = std::string(url);
    cancelRequested_ = false;
    try {
        if (!EnsureCurlReady()) return kInternetFailed;
        CurlEasy handle(curl_easy_init());
        if (!handle) return kInternetFailed;
        DownloadSink sink(path, std::move(progress), cancelRequested_);
        TransferState state{handle.get(), &sink, std::nullopt, false, 0};
        if (resumeOffset) state.resumeFrom = ExistingSize(path);

        const FtpUrlParts parts = SplitFtpUrl(url);
        const std::string ftpUrl = "ftp://" + Cp936ToUtf8(parts.host) + ":" + std::to_string(parts.port) +
                                   EscapeUrlBytes(Cp936ToUtf8(parts.remotePath));
        bool ok = SetCommonOptions(handle.get(), ftpUrl, state);
        ok = ok && curl_easy_setopt(handle.get(), CURLOPT_USERNAME,
                                    Cp936ToUtf8(userName.value_or(kFtpDefaultUser)).c_str()) == CURLE_OK;
        ok = ok && curl_easy_setopt(handle.get(), CURLOPT_PASSWORD,
                                    Cp936ToUtf8(password.value_or(kFtpDefaultPassword)).c_str()) == CURLE_OK;
        ok = ok && curl_easy_setopt(handle.get(), CURLOPT_PROTOCOLS_STR, "ftp") == CURLE_OK;
        ok = ok && curl_easy_setopt(handle.get(), CURLOPT_TRANSFERTEXT, 0L) == CURLE_OK;
        if (state.resumeFrom)
            ok = ok && curl_easy_setopt(handle.get(), CURLOPT_RESUME_FROM_LARGE,
                                        static_cast<curl_off_t>(*state.resumeFrom)) == CURLE_OK;
        if (!ok) return kInternetFailed;

        CURLcode code = CURLE_OK;
        const int result = Perform(state, &code);
        if (result != 0 || code == CURLE_OK) return result;
        return FtpFailure(code);
    } catch (const std::exception&) {
        return kReadFailed;
    }
}

void InetTransfer::Cancel() { cancelRequested_ = true; }

}  // namespace vkr
