#pragma once
// The lean HTTP client: one synchronous request, the response body returned as
// raw bytes (no charset handling), plus the raw response headers and cookies.
// Failures are not reported: callers judge the returned bytes (empty when the
// request could not be set up or was not answered).
//
// The request line is "<METHOD> <UrlPath(url)> HTTP/1.1"; libcurl's Host line
// and (when the block has none) its User-Agent line come first, then the
// header block below in its order.
#include <string>
#include <string_view>

namespace vkr {

struct RawRequestOptions {
    int method = 0;        // index of MethodText (FetchPage.h); outside 0..7: GET
    std::string postData;  // body text, used when postBody is empty
    // Supplied (non-null, even ""): the transport keeps no cookies of its own
    // and, with mergeCookies, receives the merged cookie text.
    std::string* requestCookies = nullptr;
    // In-out: caller header lines ("\r\n"-separated, no trailing break); on
    // return the complete header block that was sent.
    std::string* extraHeaders = nullptr;
    bool noRedirect = false;
    // In-out: body bytes; filled from postData when empty and the method is not GET.
    std::string* postBody = nullptr;
    std::string proxy;  // "host:port"; "" direct
    bool mergeCookies = true;
};

struct RawRequestOutputs {
    std::string responseCookies;
    std::string responseHeaders;  // at most 5000 bytes of the final response's header block
};

std::string RawRequest(std::string_view url, const RawRequestOptions& options = {},
                       RawRequestOutputs* outputs = nullptr);

// The header block RawRequest sends (extraHeaders grown by the default lines;
// every search exact-case): Accept, Referer (the URL), Accept-Language,
// Content-Type for POST, Cookie.
std::string RawRequestHeaderBlock(std::string extraHeaders, std::string_view url, int method,
                                  const std::string* requestCookies);

// "HTTPS://Example.COM:8443/A?b=1" => "example.com" ("example.com:8443" with keepPort).
std::string UrlHost(std::string_view url, bool keepPort = false);
// The explicit port, else 443 for https and 80 otherwise.
int UrlPort(std::string_view url);
// "/A?b=1"; "/" when the URL ends with its host.
std::string UrlPath(std::string_view url);

}  // namespace vkr
