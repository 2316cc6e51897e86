#include "update/FetchPage.h"

#include <array>

#include "platform/CodePage.h"
#include "platform/EventPump.h"
#include "support/TextHelpers.h"
#include "update/Cookies.h"
#include "update/CurlSession.h"
#include "update/RegexMatcher.h"
#include "update/TextCodec.h"

namespace vkr {
namespace {

constexpr int kDefaultTimeoutSeconds = 30;
constexpr size_t kCharsetWindow = 1024;

std::string FailureMessage(int code) {
    const char* utf8 = "";
    switch (code) {
        case 700: utf8 = "700 当前系统不支持WinHttp服务!"; break;
        case 701: utf8 = "701 解析URL地址失败!"; break;
        case 702: utf8 = "702 创建WinHttp会话失败!"; break;
        case 703: utf8 = "703 创建WinHttp连接失败!"; break;
        case 704: utf8 = "704 创建WinHttp请求失败!"; break;
        case 705: utf8 = "705 设置超时时间失败!"; break;
        case 707: utf8 = "707 设置代理凭证失败!"; break;
        case 708: utf8 = "708 禁止自动设置Cookies失败!"; break;
        case 709: utf8 = "709 重定向设置失败!"; break;
        case 710: utf8 = "710 设置协议头失败!"; break;
        case 711: utf8 = "711 发送请求失败!"; break;
        case 712: utf8 = "712 服务器未响应!"; break;
        case 713: utf8 = "713 读取数据失败!"; break;
    }
    return Utf8ToCp936(utf8);
}

bool ContainsIgnoringCase(std::string_view text, std::string_view word) {
    return FindBytes(text, word, 0, true) != std::string_view::npos;
}

std::string ReplaceExact(std::string text, std::string_view from, std::string_view to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

// Collects the final response: a new status line (after a redirect or an
// interim 1xx answer) starts the block afresh.
struct Exchange {
    std::string headers;
    std::string body;
    bool headersComplete = false;
};

size_t OnHeader(char* data, size_t size, size_t count, void* user) {
    auto* exchange = static_cast<Exchange*>(user);
    std::string_view line(data, size * count);
    if (line.starts_with("HTTP/")) {
        exchange->headers.clear();
        exchange->headersComplete = false;
    }
    if (line == "\r\n" || line == "\n") exchange->headersComplete = true;
    exchange->headers.append(line);
    return size * count;
}

size_t OnBody(char* data, size_t size, size_t count, void* user) {
    static_cast<Exchange*>(user)->body.append(data, size * count);
    return size * count;
}

// Failures that happen before the request is on the wire.
bool IsSendFailure(CURLcode code, CURL* handle) {
    switch (code) {
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_RESOLVE_PROXY:
        case CURLE_COULDNT_CONNECT:
        case CURLE_SSL_CONNECT_ERROR:
        case CURLE_PEER_FAILED_VERIFICATION:
        case CURLE_SSL_CACERT_BADFILE:
        case CURLE_SSL_CERTPROBLEM:
        case CURLE_SSL_CIPHER:
        case CURLE_SEND_ERROR:
        case CURLE_UNSUPPORTED_PROTOCOL:
            return true;
        case CURLE_OPERATION_TIMEDOUT: {
            curl_off_t connected = 0;
            curl_easy_getinfo(handle, CURLINFO_CONNECT_TIME_T, &connected);
            return connected == 0;
        }
        default:
            return false;
    }
}

bool IsFollowedRedirect(const std::string& headers, bool noRedirect) {
    if (noRedirect || headers.size() < 12) return false;
    return headers[9] == '3' && ContainsIgnoringCase(headers, "\nLocation:");
}

std::string ToHttpUrl(std::string_view url, CURLU* parsed, bool* secure) {
    if (curl_url_set(parsed, CURLUPART_URL, EscapeUrlBytes(Cp936ToUtf8(url)).c_str(), 0) != CURLUE_OK) return {};
    char* scheme = nullptr;
    char* host = nullptr;
    std::string result;
    if (curl_url_get(parsed, CURLUPART_SCHEME, &scheme, 0) == CURLUE_OK &&
        curl_url_get(parsed, CURLUPART_HOST, &host, 0) == CURLUE_OK && *host) {
        const std::string schemeText = scheme;
        if (schemeText == "http" || schemeText == "https") {
            *secure = schemeText == "https";
            char* full = nullptr;
            if (curl_url_get(parsed, CURLUPART_URL, &full, 0) == CURLUE_OK) result = full;
            curl_free(full);
        }
    }
    curl_free(scheme);
    curl_free(host);
    return result;
}

bool SetMethod(CURL* handle, int method, const std::string& body) {
    const std::string text = MethodText(method);
    if (text == "HEAD") return curl_easy_setopt(handle, CURLOPT_NOBODY, 1L) == CURLE_OK;
    bool ok = true;
    if (text == "POST" || !body.empty()) {
        ok = curl_easy_setopt(handle, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size())) == CURLE_OK &&
             curl_easy_setopt(handle, CURLOPT_COPYPOSTFIELDS, body.c_str()) == CURLE_OK;
    }
    if (text != "POST" && text != "GET") ok = ok && curl_easy_setopt(handle, CURLOPT_CUSTOMREQUEST, text.c_str()) == CURLE_OK;
    if (text == "GET" && !body.empty()) ok = ok && curl_easy_setopt(handle, CURLOPT_CUSTOMREQUEST, "GET") == CURLE_OK;
    return ok;
}

bool SetHeaders(CURL* handle, CurlHeaderList& list, const std::string& block, bool sendsBody) {
    size_t from = 0;
    while (from < block.size()) {
        size_t end = block.find("\r\n", from);
        if (end == std::string::npos) end = block.size();
        if (end > from && !list.Append(block.substr(from, end - from))) return false;
        from = end + 2;
    }
    // libcurl would add its own lines for a body; the block alone decides.
    if (sendsBody && !ContainsIgnoringCase(block, "Content-Type:") && !list.Append("Content-Type:")) return false;
    if (sendsBody && !list.Append("Expect:")) return false;
    return curl_easy_setopt(handle, CURLOPT_HTTPHEADER, list.get()) == CURLE_OK;
}

// The page text re-decoded from the charset its meta tag declares.
std::string DecodePage(const std::string& pageText, const std::string& bodyBytes) {
    RegexMatcher matcher;
    if (!matcher.Search("<meta.+?charset=[^\\w]?([-\\w]+)", pageText.substr(0, kCharsetWindow))) return pageText;
    const std::string charset = matcher.GetSubmatch(1, 1);
    if (charset.empty() || charset == "gbk" || charset == "gb2312") return pageText;
    std::optional<std::string> decoded = DecodeCharset(bodyBytes, charset);
    if (!decoded) return pageText;  // a charset the converter does not know: as received
    if (size_t zero = decoded->find('\0'); zero != std::string::npos) decoded->resize(zero);
    return *decoded;
}

class PageFetch {
public:
    PageFetch(std::string_view url, const FetchPageOptions& options, FetchPageOutputs& out)
        : url_(url), options_(options), out_(out) {}

    std::string Run();

private:
    int Prepare(CURL* handle, CURLU* parsed, CurlHeaderList& headers);
    std::string Finish(bool brokeOff);

    std::string_view url_;
    const FetchPageOptions& options_;
    FetchPageOutputs& out_;
    Exchange exchange_;
};

std::string PageFetch::Run() {
    if (!EnsureCurlReady()) { out_.statusText = FailureMessage(700); return {}; }
    std::unique_ptr<CURLU, decltype(&curl_url_cleanup)> parsed(curl_url(), &curl_url_cleanup);
    CurlEasy handle(curl_easy_init());
    CurlHeaderList headers;
    if (int failure = Prepare(handle.get(), parsed.get(), headers); failure != 0) {
        out_.statusText = FailureMessage(failure);
        return {};
    }
    const CURLcode code = curl_easy_perform(handle.get());
    if (code != CURLE_OK) {
        const bool responded = exchange_.headersComplete && !IsFollowedRedirect(exchange_.headers, options_.noRedirect);
        if (!responded) {
            out_.statusText = FailureMessage(IsSendFailure(code, handle.get()) ? 711 : 712);
            return {};
        }
        out_.statusText = FailureMessage(713);
    }
    return Finish(code != CURLE_OK);
}

int PageFetch::Prepare(CURL* handle, CURLU* parsed, CurlHeaderList& headers) {
    bool secure = false;
    if (!parsed || ToHttpUrl(url_, parsed, &secure).empty()) return 701;
    if (!handle || !ApplyTransportDefaults(handle)) return 702;
    if (!options_.proxy.empty()) {
        // A named proxy serves the URL's own scheme only, like "http=host:port" for plain URLs.
        const std::string proxy = "http://" + Cp936ToUtf8(options_.proxy);
        if (curl_easy_setopt(handle, CURLOPT_PROXY, proxy.c_str()) != CURLE_OK) return 702;
        if (curl_easy_setopt(handle, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L) != CURLE_OK) return 702;
    }
    if (curl_easy_setopt(handle, CURLOPT_CURLU, parsed) != CURLE_OK) return 703;
    if (curl_easy_setopt(handle, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_1) != CURLE_OK) return 703;
    if (!SetMethod(handle, options_.method, options_.postData)) return 704;

    const long seconds = options_.timeoutSeconds > 0 ? options_.timeoutSeconds : kDefaultTimeoutSeconds;
    // Each phase gets the time-out on its own: connecting, and then any stall
    // of the exchange (no byte moving for that long), not the whole transfer.
    if (curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, seconds) != CURLE_OK ||
        curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L) != CURLE_OK ||
        curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, seconds) != CURLE_OK)
        return 705;

    if (!options_.userName.empty() && !options_.password.empty()) {
        if (curl_easy_setopt(handle, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC)) != CURLE_OK ||
            curl_easy_setopt(handle, CURLOPT_USERNAME, Cp936ToUtf8(options_.userName).c_str()) != CURLE_OK ||
            curl_easy_setopt(handle, CURLOPT_PASSWORD, Cp936ToUtf8(options_.password).c_str()) != CURLE_OK)
            return 707;
    }
    if (!options_.proxyUserName.empty() && !options_.proxyPassword.empty()) {
        if (curl_easy_setopt(handle, CURLOPT_PROXYAUTH, static_cast<long>(CURLAUTH_BASIC)) != CURLE_OK ||
            curl_easy_setopt(handle, CURLOPT_PROXYUSERNAME, Cp936ToUtf8(options_.proxyUserName).c_str()) != CURLE_OK ||
            curl_easy_setopt(handle, CURLOPT_PROXYPASSWORD, Cp936ToUtf8(options_.proxyPassword).c_str()) != CURLE_OK)
            return 707;
    }
    // Supplied cookies switch the transport's cookie engine on, so cookies set
    // along a redirect chain travel on; otherwise no cookie is kept at all.
    if (options_.requestCookies && curl_easy_setopt(handle, CURLOPT_COOKIEFILE, "") != CURLE_OK) return 708;
    if (curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, options_.noRedirect ? 0L : 1L) != CURLE_OK ||
        curl_easy_setopt(handle, CURLOPT_MAXREDIRS, 10L) != CURLE_OK)
        return 709;

    const std::string block = FetchPageHeaderBlock(options_.extraHeaders, options_.method, options_.requestCookies);
    const bool sendsBody = MethodText(options_.method) == "POST" || !options_.postData.empty();
    if (!SetHeaders(handle, headers, block, sendsBody)) return 710;

    if (curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, OnHeader) != CURLE_OK ||
        curl_easy_setopt(handle, CURLOPT_HEADERDATA, &exchange_) != CURLE_OK ||
        curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, OnBody) != CURLE_OK ||
        curl_easy_setopt(handle, CURLOPT_WRITEDATA, &exchange_) != CURLE_OK)
        return 711;
    return 0;
}

std::string PageFetch::Finish(bool brokeOff) {
    if (exchange_.headers.empty()) return {};
    std::string& headers = exchange_.headers;
    out_.responseHeaders = headers;
    // A body that broke off keeps its 713 message: the status line alone would
    // pass a truncated page off as a success.
    if (!brokeOff) {
        const size_t lineEnd = headers.find("\r\n", 9);
        out_.statusText = headers.size() > 9 ? headers.substr(9, lineEnd == std::string::npos ? std::string::npos : lineEnd - 9)
                                             : std::string();
    }
    size_t from = 0;
    while (from < headers.size()) {
        size_t end = headers.find("\r\n", from);
        if (end == std::string::npos) end = headers.size();
        const std::string_view line(headers.data() + from, end - from);
        if (line.size() >= 10 && FindBytes(line.substr(0, 10), "Location: ", 0, true) == 0)
            out_.location = std::string(line.substr(10));
        if (options_.eventPump) options_.eventPump->ServePendingEvents(0);
        from = end + 2;
    }
    out_.responseCookies = ResponseCookies(headers);
    if (options_.mergeCookies && options_.requestCookies)
        out_.responseCookies = MergeCookies(*options_.requestCookies, out_.responseCookies);
    out_.responseBody = exchange_.body;
    std::string page = exchange_.body.substr(0, exchange_.body.find('\0'));
    page = DecodePage(page, exchange_.body);
    if (options_.eventPump) options_.eventPump->ServePendingEvents(0);
    return page;
}

}  // namespace

std::string MethodText(int method) {
    static const std::array<const char*, 8> kMethods = {"GET", "POST", "HEAD", "PUT",
                                                        "OPTIONS", "DELETE", "TRACE", "CONNECT"};
    return method >= 0 && method < 8 ? kMethods[method] : "GET";
}

std::string FetchPageHeaderBlock(const std::string& extraHeaders, int method, const std::string* requestCookies) {
    std::string block = extraHeaders.empty() ? std::string() : extraHeaders + "\r\n";
    auto appendUnlessPresent = [&block](std::string_view search, std::string_view line) {
        if (!ContainsIgnoringCase(block, search)) block += line;
    };
    appendUnlessPresent("User-Agent: ",
                        "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)\r\n");
    appendUnlessPresent("Accept: ", "Accept: text/html, application/xhtml+xml, */*\r\n");
    appendUnlessPresent("Accept-Encoding: ", "Accept-Encoding: gbk, GB2312\r\n");
    appendUnlessPresent("Accept-Language: ", "Accept-Language: zh-cn\r\n");
    if (method == 1) {
        if (block.find("content-type:") != std::string::npos) block = ReplaceExact(block, "content-type", "Content-Type");
        if (block.find("Content-Type:") == std::string::npos)
            block += "Content-Type: application/x-www-form-urlencoded\r\n";
    }
    appendUnlessPresent("Cache-Control: ", "Cache-Control: no-cache\r\n");
    if (requestCookies && !requestCookies->empty())
        appendUnlessPresent("Cookie: ", "Cookie: " + *requestCookies + "\r\n");
    return block;
}

std::string FetchPage(std::string_view url, const FetchPageOptions& options, FetchPageOutputs* outputs) {
    FetchPageOutputs scratch;
    FetchPageOutputs& out = outputs ? *outputs : scratch;
    try {
        return PageFetch(url, options, out).Run();
    } catch (const std::exception&) {
        out.statusText = FailureMessage(713);
        return {};
    }
}

}  // namespace vkr
