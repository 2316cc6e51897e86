#include "update/RawRequest.h"

#include <algorithm>
#include <cctype>

#include "platform/CodePage.h"
#include "support/TextHelpers.h"
#include "update/Cookies.h"
#include "update/CurlSession.h"
#include "update/FetchPage.h"

namespace vkr {
namespace {

constexpr size_t kHeaderLimit = 5000;
constexpr long kStallSeconds = 60;

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

std::string Trim(std::string_view text) {
    size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

bool IsSecure(std::string_view url) { return Lower(url.substr(0, 8)) == "https://"; }

std::string AgentText(const std::string& extraHeaders) {
    if (FindBytes(extraHeaders, "User-Agent:", 0, true) == std::string::npos)
        return "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";
    std::string agent = Trim(TextBetween(extraHeaders + "\r\n", "User-Agent:", "\r\n"));
    if (agent.empty()) agent = Trim(std::string_view(extraHeaders).substr(extraHeaders.find(':') + 1));
    return agent;
}

struct Exchange {
    std::string headers;
    std::string body;
};

size_t OnHeader(char* data, size_t size, size_t count, void* user) {
    auto* exchange = static_cast<Exchange*>(user);
    std::string_view line(data, size * count);
    if (line.starts_with("HTTP/")) exchange->headers.clear();
    exchange->headers.append(line);
    return size * count;
}

size_t OnBody(char* data, size_t size, size_t count, void* user) {
    static_cast<Exchange*>(user)->body.append(data, size * count);
    return size * count;
}

bool SetHeaderLines(CurlHeaderList& list, const std::string& block, bool sendsBody) {
    size_t from = 0;
    while (from < block.size()) {
        size_t end = block.find("\r\n", from);
        if (end == std::string::npos) end = block.size();
        if (end > from && !list.Append(block.substr(from, end - from))) return false;
        from = end + 2;
    }
    if (sendsBody && FindBytes(block, "Content-Type:", 0, true) == std::string::npos &&
        !list.Append("Content-Type:"))
        return false;
    return !sendsBody || list.Append("Expect:");
}

std::string RequestUrl(std::string_view url) {
    const std::string authority = UrlHost(url) + ":" + std::to_string(UrlPort(url));
    return (IsSecure(url) ? "https://" : "http://") + Cp936ToUtf8(authority) +
           EscapeUrlBytes(Cp936ToUtf8(UrlPath(url)));
}

bool Configure(CURL* handle, std::string_view url, const RawRequestOptions& options, const std::string& block,
               const std::string& body, CurlHeaderList& headers, Exchange& exchange) {
    const std::string method = MethodText(options.method);
    const bool sendsBody = method != "GET" && method != "HEAD";
    bool ok = ApplyTransportDefaults(handle);
    if (!options.proxy.empty()) {
        const std::string proxy = "http://" + Cp936ToUtf8(options.proxy);
        ok = ok && curl_easy_setopt(handle, CURLOPT_PROXY, proxy.c_str()) == CURLE_OK;
    }
    ok = ok && curl_easy_setopt(handle, CURLOPT_URL, RequestUrl(url).c_str()) == CURLE_OK;
    ok = ok && curl_easy_setopt(handle, CURLOPT_PATH_AS_IS, 1L) == CURLE_OK;
    ok = ok && curl_easy_setopt(handle, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_1) == CURLE_OK;
    ok = ok && curl_easy_setopt(handle, CURLOPT_USERAGENT, AgentText(block).c_str()) == CURLE_OK;
    ok = ok && curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, options.noRedirect ? 0L : 1L) == CURLE_OK;
    ok = ok && curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, kStallSeconds) == CURLE_OK;
    ok = ok && curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L) == CURLE_OK;
    ok = ok && curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, kStallSeconds) == CURLE_OK;
    if (method == "HEAD") {
        ok = ok && curl_easy_setopt(handle, CURLOPT_NOBODY, 1L) == CURLE_OK;
    } else if (sendsBody) {
        ok = ok && curl_easy_setopt(handle, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size())) == CURLE_OK;
        ok = ok && curl_easy_setopt(handle, CURLOPT_COPYPOSTFIELDS, body.c_str()) == CURLE_OK;
        if (method != "POST") ok = ok && curl_easy_setopt(handle, CURLOPT_CUSTOMREQUEST, method.c_str()) == CURLE_OK;
    }
    ok = ok && SetHeaderLines(headers, block, sendsBody);
    ok = ok && curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers.get()) == CURLE_OK;
    ok = ok && curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, OnHeader) == CURLE_OK;
    ok = ok && curl_easy_setopt(handle, CURLOPT_HEADERDATA, &exchange) == CURLE_OK;
    ok = ok && curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, OnBody) == CURLE_OK;
    ok = ok && curl_easy_setopt(handle, CURLOPT_WRITEDATA, &exchange) == CURLE_OK;
    return ok;
}

std::string Request(std::string_view url, const RawRequestOptions& options, RawRequestOutputs& out) {
    if (!EnsureCurlReady()) return {};
    CurlEasy handle(curl_easy_init());
    if (!handle) return {};

    std::string ownHeaders;
    std::string& headerText = options.extraHeaders ? *options.extraHeaders : ownHeaders;
    const std::string block = RawRequestHeaderBlock(headerText, url, options.method, options.requestCookies);
    std::string ownBody;
    std::string& body = options.postBody ? *options.postBody : ownBody;
    const bool isGet = MethodText(options.method) == "GET";
    const std::string sentBody = isGet ? std::string() : (body.empty() ? options.postData : body);

    CurlHeaderList headers;
    Exchange exchange;
    if (!Configure(handle.get(), url, options, block, sentBody, headers, exchange)) return {};
    headerText = block;
    if (!isGet && body.empty()) body = options.postData;

    curl_easy_perform(handle.get());  // a failed exchange shows as what arrived, possibly nothing
    out.responseHeaders = exchange.headers.substr(0, kHeaderLimit);
    out.responseCookies = ResponseCookies(out.responseHeaders);
    if (options.mergeCookies && options.requestCookies)
        out.responseCookies = MergeCookies(*options.requestCookies, out.responseCookies);
    return exchange.body;
}

}  // namespace

std::string RawRequestHeaderBlock(std::string block, std::string_view url, int method,
                                  const std::string* requestCookies) {
    if (block.empty()) block = "Accept: */*";
    else if (block.find("Accept:") == std::string::npos) block += "\r\nAccept: */*";
    if (block.find("Referer:") == std::string::npos) block += "\r\nReferer: " + std::string(url);
    if (block.find("Accept-Language:") == std::string::npos) block += "\r\nAccept-Language: zh-cn";
    if (method == 1 && block.find("Content-Type:") == std::string::npos)
        block += "\r\nContent-Type: application/x-www-form-urlencoded";
    if (requestCookies && !requestCookies->empty()) {
        if (requestCookies->find("Cookie:") == std::string::npos) block += "\r\nCookie: " + *requestCookies;
        else block += "\r\n" + *requestCookies;
    }
    return block;
}

std::string UrlHost(std::string_view url, bool keepPort) {
    std::string text = Lower(url);
    if (!text.ends_with('/')) text += '/';
    std::string scheme = "https://";
    if (!text.starts_with("https://")) {
        if (text.find("http://") == std::string::npos) text = "http://" + text;
        scheme = "http://";
    }
    std::string host = TextBetween(text, scheme, "/");
    if (!keepPort) host = host.substr(0, host.find(':'));
    return host;
}

int UrlPort(std::string_view url) {
    const std::string host = UrlHost(url, true);
    if (size_t colon = host.rfind(':'); colon != std::string::npos) {
        try {
            return std::stoi(host.substr(colon + 1));
        } catch (const std::exception&) {
            return 0;
        }
    }
    return Lower(url).starts_with("https") ? 443 : 80;
}

std::string UrlPath(std::string_view url) {
    const std::string host = UrlHost(url);
    size_t at = FindBytes(url, host, 0, true);
    if (at == std::string::npos) return "/";
    size_t slash = url.find('/', at);
    return slash == std::string_view::npos ? "/" : std::string(url.substr(slash));
}

std::string RawRequest(std::string_view url, const RawRequestOptions& options, RawRequestOutputs* outputs) {
    RawRequestOutputs scratch;
    try {
        return Request(url, options, outputs ? *outputs : scratch);
    } catch (const std::exception&) {
        return {};
    }
}

}  // namespace vkr
