#include "update/RawRequest.h"

#include <gtest/gtest.h>

#include "tests/update/RecordingServer.h"

namespace vkr {
namespace {

using test::HeaderBlockAfterHost;
using test::RecordingServer;
using test::RequestBody;
using test::RequestLine;

struct UrlCase {
    std::string url;
    std::string host;
    std::string hostWithPort;
    int port;
    std::string path;
};

class UrlParts : public testing::TestWithParam<UrlCase> {};

TEST_P(UrlParts, HostPortAndPath) {
    const UrlCase& c = GetParam();
    EXPECT_EQ(UrlHost(c.url), c.host);
    EXPECT_EQ(UrlHost(c.url, true), c.hostWithPort);
    EXPECT_EQ(UrlPort(c.url), c.port);
    EXPECT_EQ(UrlPath(c.url), c.path);
}

INSTANTIATE_TEST_SUITE_P(
    Table, UrlParts,
    testing::Values(UrlCase{"HTTPS://Example.COM/A?b=1", "example.com", "example.com", 443, "/A?b=1"},
                    UrlCase{"example.com/x", "example.com", "example.com", 80, "/x"},
                    UrlCase{"http://example.com:8080/p/q", "example.com", "example.com:8080", 8080, "/p/q"},
                    UrlCase{"https://example.com", "example.com", "example.com", 443, "/"},
                    UrlCase{"http://a.b.c:81", "a.b.c", "a.b.c:81", 81, "/"},
                    UrlCase{"https://h.cn:8443/api?url=https://x.cn/S", "h.cn", "h.cn:8443", 8443,
                            "/api?url=https://x.cn/S"}));

RecordingServer::Responder Ok(const std::string& headers = "", const std::string& body = "answer") {
    return [headers, body](const std::string&) { return RecordingServer::Answer("200 OK", headers, body); };
}

const std::string kAgentLine = "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";

TEST(RawRequest, GetSendsDefaultBlockAndReturnsBody) {
    RecordingServer server(Ok());
    const std::string url = "http://127.0.0.1:" + std::to_string(server.port());
    std::string headers;
    RawRequestOptions options;
    options.extraHeaders = &headers;
    EXPECT_EQ(RawRequest(url, options), "answer");
    const std::string request = server.LastRequest();
    EXPECT_EQ(RequestLine(request), "GET / HTTP/1.1");
    const std::string block = "Accept: */*\r\nReferer: " + url + "\r\nAccept-Language: zh-cn";
    EXPECT_EQ(HeaderBlockAfterHost(request), kAgentLine + "\r\n" + block);
    EXPECT_EQ(headers, block);  // the caller's variable holds the block that was sent
}

struct BlockCase {
    const char* name;
    int method;
    std::string extraHeaders;
    std::optional<std::string> cookies;
    std::string expectedTail;  // the block after the caller's lines
};

class RawRequestBlock : public testing::TestWithParam<BlockCase> {};

TEST_P(RawRequestBlock, AppendsMissingDefaultsExactCase) {
    const BlockCase& c = GetParam();
    RecordingServer server(Ok());
    const std::string url = server.Url("/r");
    std::string headers = c.extraHeaders;
    std::string cookies = c.cookies.value_or("");
    RawRequestOptions options;
    options.method = c.method;
    options.extraHeaders = &headers;
    if (c.cookies) options.requestCookies = &cookies;
    RawRequest(url, options);
    std::string expected = c.expectedTail;
    for (size_t at = expected.find("$URL"); at != std::string::npos; at = expected.find("$URL"))
        expected.replace(at, 4, url);
    EXPECT_EQ(headers, c.extraHeaders + expected);
    EXPECT_NE(server.LastRequest().find(headers + "\r\n"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RawRequestBlock,
    testing::Values(
        BlockCase{"CallerRefererSuppressesDefault", 0, "Referer: http://x/", std::nullopt,
                  "\r\nAccept: */*\r\nAccept-Language: zh-cn"},
        BlockCase{"LowerCaseRefererDoesNot", 0, "referer: http://x/", std::nullopt,
                  "\r\nAccept: */*\r\nReferer: $URL\r\nAccept-Language: zh-cn"},
        BlockCase{"PostGetsFormContentType", 1, "X-A: 1", std::nullopt,
                  "\r\nAccept: */*\r\nReferer: $URL\r\nAccept-Language: zh-cn\r\n"
                  "Content-Type: application/x-www-form-urlencoded"},
        BlockCase{"PostKeepsCallerContentType", 1, "Content-Type: text/plain", std::nullopt,
                  "\r\nAccept: */*\r\nReferer: $URL\r\nAccept-Language: zh-cn"},
        BlockCase{"CookiesAppended", 0, "Accept: a/b", std::string("k=v"),
                  "\r\nReferer: $URL\r\nAccept-Language: zh-cn\r\nCookie: k=v"},
        BlockCase{"CookieTextWithItsOwnName", 0, "Accept: a/b", std::string("Cookie: k=v"),
                  "\r\nReferer: $URL\r\nAccept-Language: zh-cn\r\nCookie: k=v"},
        BlockCase{"SuppliedEmptyCookiesNoLine", 0, "Accept: a/b", std::string(),
                  "\r\nReferer: $URL\r\nAccept-Language: zh-cn"}),
    [](const testing::TestParamInfo<BlockCase>& info) { return std::string(info.param.name); });

TEST(RawRequest, CallerAgentReplacesDefaultAgent) {
    RecordingServer server(Ok());
    std::string headers = "User-Agent: Bot/2";
    RawRequestOptions options;
    options.extraHeaders = &headers;
    RawRequest(server.Url("/"), options);
    const std::string request = server.LastRequest();
    EXPECT_EQ(request.find("MSIE"), std::string::npos);
    EXPECT_NE(request.find("\r\nUser-Agent: Bot/2\r\n"), std::string::npos);
}

TEST(RawRequest, MethodsOutsideTheTableSendGet) {
    RecordingServer server(Ok());
    for (int method : {9, -1}) {
        RawRequestOptions options;
        options.method = method;
        RawRequest(server.Url("/m"), options);
        EXPECT_EQ(RequestLine(server.LastRequest()), "GET /m HTTP/1.1") << method;
    }
}

TEST(RawRequest, PostBodyFilledFromPostDataAndSent) {
    RecordingServer server(Ok());
    std::string body;
    RawRequestOptions options;
    options.method = 1;
    options.postData = "a=1&b=2";
    options.postBody = &body;
    RawRequest(server.Url("/p"), options);
    EXPECT_EQ(body, "a=1&b=2");
    EXPECT_EQ(RequestBody(server.LastRequest()), "a=1&b=2");

    // Bytes given in postBody win over postData; a GET sends no body at all.
    std::string bytes("x\0y", 3);
    options.postBody = &bytes;
    options.method = 3;
    RawRequest(server.Url("/p"), options);
    EXPECT_EQ(RequestLine(server.LastRequest()), "PUT /p HTTP/1.1");
    EXPECT_EQ(RequestBody(server.LastRequest()), bytes);
    options.method = 0;
    RawRequest(server.Url("/p"), options);
    EXPECT_EQ(RequestBody(server.LastRequest()), "");
}

TEST(RawRequest, ResponseCookiesMergedIntoSuppliedCookies) {
    RecordingServer server(Ok("Set-Cookie: a=1; Path=/\r\nSet-Cookie: b=2\r\n"));
    std::string cookies;
    RawRequestOptions options;
    options.requestCookies = &cookies;
    RawRequestOutputs out;
    RawRequest(server.Url("/"), options, &out);
    EXPECT_EQ(cookies, "a=1; b=2");
    EXPECT_EQ(out.responseCookies, "a=1; b=2");
    EXPECT_TRUE(out.responseHeaders.starts_with("HTTP/1.1 200 OK\r\n"));
    EXPECT_EQ(server.LastRequest().find("Cookie:"), std::string::npos);
}

TEST(RawRequest, RedirectSwitch) {
    RecordingServer server([](const std::string& request) {
        if (RequestLine(request).starts_with("GET /start"))
            return RecordingServer::Answer("302 Found", "Location: /next\r\n", "moved");
        return RecordingServer::Answer("200 OK", "", "arrived");
    });
    RawRequestOptions stay;
    stay.noRedirect = true;
    EXPECT_EQ(RawRequest(server.Url("/start"), stay), "moved");
    EXPECT_EQ(RawRequest(server.Url("/start")), "arrived");
}

TEST(RawRequest, UnreachableServerGivesEmptyBytes) {
    EXPECT_EQ(RawRequest("http://127.0.0.1:" + std::to_string(FreePort()) + "/"), "");
}

TEST(RawRequest, QueryTextSentAsWritten) {
    RecordingServer server(Ok());
    EXPECT_EQ(RawRequest(server.Url("/api-lanzou_jx?url=https://www.lanzoux.com/iAbC?pwd=1&x=2")), "answer");
    EXPECT_EQ(RequestLine(server.LastRequest()), "GET /api-lanzou_jx?url=https://www.lanzoux.com/iAbC?pwd=1&x=2 HTTP/1.1");
    // Characters that would need escaping still reach the server.
    EXPECT_EQ(RawRequest(server.Url("/api?url=a b|\xC4\xE3")), "answer");
    EXPECT_EQ(RequestLine(server.LastRequest()), "GET /api?url=a%20b%7C%E4%BD%A0 HTTP/1.1");
}

}  // namespace
}  // namespace vkr
