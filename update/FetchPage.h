#pragma once
// One synchronous HTTP(S) request with a browser-like default header block,
// returning the body as CP936 text (re-decoded when the page declares another
// charset in a meta tag within its first 1024 bytes).
//
// Failures never throw: the result is "" and statusText holds a numbered
// message. How the stages of the transport map onto the numbers:
//   700  libcurl cannot start (global init failed)
//   701  the URL does not parse, or its scheme is not http/https, or it has no host
//   702  no transfer handle, or the proxy cannot be set
//   703  the host/port (the URL) cannot be set on the handle
//   704  the method cannot be set
//   705  the time-outs cannot be set
//   707  server or proxy credentials cannot be set            (early)
//   708  the cookie setting cannot be set                     (early)
//   709  the redirect switch cannot be set                    (early)
//   710  the header block cannot be built or set
//   711  the request did not go out: name not resolved, connection refused,
//        TLS handshake or certificate failed, time-out before connecting, send error
//   712  no response arrived: the peer closed or timed out before a status line
//   713  the body broke off after the headers (dropped connection, short body,
//        time-out while reading): what arrived is still processed as the
//        response (headers, cookies, body, text), and statusText keeps the 713
//        message so that a truncated page is never taken for a complete one
// No 706, as before.
#include <optional>
#include <string>
#include <string_view>

namespace vkr {

class EventPump;

struct FetchPageOptions {
    // 0 GET, 1 POST, 2 HEAD, 3 PUT, 4 OPTIONS, 5 DELETE, 6 TRACE, 7 CONNECT; others GET.
    int method = 0;
    std::string postData;  // sent as its bytes, no terminating zero
    // Supplied (non-null, even pointing at "") switches the cookie engine on
    // for the request and, with mergeCookies, receives the merged cookie text.
    std::string* requestCookies = nullptr;
    std::string extraHeaders;  // "\r\n"-separated lines, no trailing line break
    bool noRedirect = false;
    std::string userName;  // Basic credentials are set only when both are non-empty
    std::string password;
    std::string proxy;  // "host:port"; "" direct
    std::string proxyUserName;
    std::string proxyPassword;
    int timeoutSeconds = 0;  // 0 or less: 30
    bool mergeCookies = true;
    // Served between response-header lines and after the charset step, so a
    // window stays responsive; may be null.
    EventPump* eventPump = nullptr;
};

// Outputs are written only by the stages that produce them; a field keeps the
// caller's value when the request fails before its stage.
struct FetchPageOutputs {
    std::string responseCookies;
    std::string responseHeaders;  // status line and header lines of the final response
    std::string location;         // last "Location: " line; untouched when none
    std::string statusText;       // "200 OK" or a numbered message
    std::string responseBody;     // the body bytes as received
};

std::string FetchPage(std::string_view url, const FetchPageOptions& options = {},
                      FetchPageOutputs* outputs = nullptr);

// The method text of an index (outside 0..7: "GET").
std::string MethodText(int method);

// The header block FetchPage sends after libcurl's own Host line: the
// caller's lines, then each default line that the block does not hold yet.
std::string FetchPageHeaderBlock(const std::string& extraHeaders, int method,
                                 const std::string* requestCookies);

}  // namespace vkr
