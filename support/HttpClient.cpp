#include "support/HttpClient.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <exception>
#include <mutex>
#include <string_view>

#include "platform/CodePage.h"
#include "support/JsonDocument.h"

namespace vkr {

namespace {

void InitCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

int AskCancel(void* check, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    const auto& cancel = *static_cast<const std::function<bool()>*>(check);
    return cancel && cancel() ? 1 : 0;
}

size_t AppendAnswer(char* data, size_t size, size_t count, void* answer) {
    static_cast<std::string*>(answer)->append(data, size * count);
    return size * count;
}

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

// The header text cut at "\r\n" into "Name: value" lines; pieces without a
// colon are skipped. The value is everything after the first colon.
std::vector<std::string> HeaderLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find("\r\n", start);
        if (end == std::string::npos) end = text.size();
        std::string piece = text.substr(start, end - start);
        if (piece.find(':') != std::string::npos) lines.push_back(piece);
        start = end + 2;
    }
    return lines;
}

std::string HeaderName(const std::string& line) { return line.substr(0, line.find(':')); }

// The answer text up to its first zero byte, converted from UTF-8 to CP936.
std::string AnswerText(const std::string& bytes) { return Utf8ToCp936(std::string_view(bytes.c_str())); }

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

}  // namespace

// The curl handle of one client; kept between calls so the connection stays open.
class HttpClient::Transport {
public:
    std::function<bool()> cancelCheck;  // see HttpClient::SetCancelCheck

    Transport() {
        InitCurlOnce();
        handle_ = curl_easy_init();
    }
    ~Transport() {
        if (handle_) curl_easy_cleanup(handle_);
    }
    Transport(const Transport&) = delete;
    Transport& operator=(const Transport&) = delete;

    std::string Exchange(const std::string& url, const HttpRequestOptions& options) {
        if (!handle_) return {};
        curl_easy_reset(handle_);  // keeps the live connection
        const std::string wireUrl = Cp936ToUtf8(url);
        const std::string wireBody = options.bodyBytes.empty() ? Cp936ToUtf8(options.body) : options.bodyBytes;
        curl_slist* headers = BuildHeaderList(wireUrl, options.headers);
        std::string answer;
        curl_easy_setopt(handle_, CURLOPT_URL, wireUrl.c_str());
        curl_easy_setopt(handle_, CURLOPT_HTTPHEADER, headers);
        curl_easy_setopt(handle_, CURLOPT_WRITEFUNCTION, &AppendAnswer);
        curl_easy_setopt(handle_, CURLOPT_WRITEDATA, &answer);
        curl_easy_setopt(handle_, CURLOPT_NOSIGNAL, 1L);
        if (cancelCheck) {
            curl_easy_setopt(handle_, CURLOPT_NOPROGRESS, 0L);
            curl_easy_setopt(handle_, CURLOPT_XFERINFOFUNCTION, &AskCancel);
            curl_easy_setopt(handle_, CURLOPT_XFERINFODATA, &cancelCheck);
        }
        SetBody(options.method, wireBody);
        SetTimeouts(options.timeoutSeconds);
        const CURLcode result = curl_easy_perform(handle_);
        curl_easy_setopt(handle_, CURLOPT_HTTPHEADER, nullptr);
        curl_slist_free_all(headers);
        if (result != CURLE_OK) return {};
        return answer;
    }

private:
    // Referer first, then the given lines (or the default block) in order.
    // curl's own Accept, Content-Type and Expect are suppressed when the lines
    // do not name them, so nothing but these lines (plus Host and
    // Content-Length) goes out.
    static curl_slist* BuildHeaderList(const std::string& url, const std::optional<std::string>& given) {
        const std::string text = given ? "Referer: " + url + "\r\n" + *given : "Referer: " + url + kDefaultHeaders;
        const std::vector<std::string> lines = HeaderLines(text);
        curl_slist* list = nullptr;
        for (const std::string& line : lines) {
            // "Name:" alone would tell curl to drop the header; "Name;" sends it empty.
            const bool emptyValue = line.back() == ':' && line.find(':') == line.size() - 1;
            list = curl_slist_append(list, emptyValue ? (HeaderName(line) + ";").c_str() : line.c_str());
        }
        for (const char* own : {"Accept", "Content-Type", "Expect"}) {
            const bool named = std::any_of(lines.begin(), lines.end(),
                                           [&](const std::string& line) { return SameNameIgnoringCase(HeaderName(line), own); });
            if (!named) list = curl_slist_append(list, (std::string(own) + ":").c_str());
        }
        return list;
    }

    void SetBody(HttpMethod method, const std::string& body) {
        if (method == HttpMethod::Post) {
            curl_easy_setopt(handle_, CURLOPT_POST, 1L);
        } else if (body.empty()) {
            curl_easy_setopt(handle_, CURLOPT_HTTPGET, 1L);
            return;
        } else {
            curl_easy_setopt(handle_, CURLOPT_CUSTOMREQUEST, "GET");
        }
        curl_easy_setopt(handle_, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
        curl_easy_setopt(handle_, CURLOPT_COPYPOSTFIELDS, body.c_str());
    }

    // Each phase gets the same limit: connecting, and any stretch without a
    // byte moving while sending or receiving.
    void SetTimeouts(const std::optional<int>& timeoutSeconds) {
        if (timeoutSeconds == -1) return;
        const long ms = timeoutSeconds.value_or(0) < 1 ? kDefaultTimeoutMs : *timeoutSeconds * 1000L;
        curl_easy_setopt(handle_, CURLOPT_CONNECTTIMEOUT_MS, ms);
        curl_easy_setopt(handle_, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(handle_, CURLOPT_LOW_SPEED_TIME, std::max(1L, ms / 1000));
    }

    CURL* handle_ = nullptr;
};

HttpClient::HttpClient() : transport_(std::make_unique<Transport>()) {}
HttpClient::~HttpClient() = default;
HttpClient::HttpClient(const HttpClient& other) : baseUrl_(other.baseUrl_), transport_(std::make_unique<Transport>()) {}

HttpClient& HttpClient::operator=(const HttpClient& other) {
    baseUrl_ = other.baseUrl_;
    return *this;
}

std::string HttpClient::Request(const std::string& url, const HttpRequestOptions& options) {
    try {
        return transport_->Exchange(url, options);
    } catch (const std::exception&) {
        return {};
    }
}

std::string HttpClient::Get(const std::string& url) { return AnswerText(Request(url)); }

std::string HttpClient::Post(const std::string& url, const std::string& body) {
    HttpRequestOptions options;
    options.method = HttpMethod::Post;
    options.body = body;
    return AnswerText(Request(url, options));
}

std::string HttpClient::PostRaw(const std::string& url, const std::string& body, const std::string& bodyBytes) {
    HttpRequestOptions options;
    options.method = HttpMethod::Post;
    options.body = body;
    options.bodyBytes = bodyBytes;
    options.headers = kMultipartHeaders;
    return Request(url, options);
}

std::string HttpClient::BuildMultipartBody(const std::vector<FormPart>& parts) {
    const std::string crlf = "\r\n";
    std::string body = crlf;
    for (const FormPart& part : parts) {
        body += "--" + std::string(kBoundary) + crlf;
        body += "Content-Disposition: form-data; name=\"" + part.fieldName + "\"";
        if (!part.fileName.empty()) body += "; filename=\"" + part.fileName + "\"";
        body += crlf;
        body += "Content-Type: " + part.contentType + crlf;
        body += "Content-Transfer-Encoding: " + part.transferEncoding + crlf;
        body += crlf;
        body += part.partData;
        body += crlf;
    }
    body += "--" + std::string(kBoundary) + "--" + crlf;
    return body;
}

std::string HttpClient::PostMultipart(const std::string& url, const std::vector<FormPart>& parts) {
    HttpRequestOptions options;
    options.method = HttpMethod::Post;
    options.bodyBytes = BuildMultipartBody(parts);
    options.headers = ReplaceAll(kMultipartHeaders, "${boundary}", kBoundary);
    return Request(url, options);
}

void HttpClient::SetCancelCheck(std::function<bool()> check) { transport_->cancelCheck = std::move(check); }

void HttpClient::SetBaseUrl(const std::string& url) {
    baseUrl_ = url;
    if (baseUrl_.empty() || baseUrl_.back() != '/') baseUrl_ += '/';
}

std::string HttpClient::GetBaseUrl() const { return baseUrl_; }

std::string HttpClient::GetPath(const std::string& path) { return Get(baseUrl_ + path); }

std::string HttpClient::PostPath(const std::string& path, const std::string& body) {
    return Post(baseUrl_ + path, body);
}

std::string HttpClient::PostRawPath(const std::string& path, const std::string& body, const std::string& bodyBytes) {
    return PostRaw(baseUrl_ + path, body, bodyBytes);
}

std::string HttpClient::PostMultipartPath(const std::string& path, const std::vector<FormPart>& parts) {
    return PostMultipart(baseUrl_ + path, parts);
}

JsonDocument HttpClient::GetDocument(const std::string& path) {
    JsonDocument answer;
    answer.Parse(GetPath(path));
    return answer;
}

JsonDocument HttpClient::PostDocument(const std::string& path, const JsonDocument& document) {
    JsonDocument answer;
    answer.Parse(PostPath(path, document.ToText()));
    return answer;
}

void HttpClient::ExchangeDocument(const std::string& path, JsonDocument& document) {
    document.Parse(PostPath(path, document.ToText()));
}

void HttpClient::GetIntoDocument(const std::string& path, JsonDocument& document) {
    document.Parse(GetPath(path));
}

}  // namespace vkr
