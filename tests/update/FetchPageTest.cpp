#include "update/FetchPage.h"

#include <gtest/gtest.h>

#include "platform/CodePage.h"
#include "tests/update/RecordingServer.h"

namespace vkr {
namespace {

using test::HeaderBlockAfterHost;
using test::RecordingServer;
using test::RequestBody;
using test::RequestLine;

const std::string kAgentLine = "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)";
const std::string kAcceptLine = "Accept: text/html, application/xhtml+xml, */*";
const std::string kEncodingLine = "Accept-Encoding: gbk, GB2312";
const std::string kLanguageLine = "Accept-Language: zh-cn";
const std::string kCacheLine = "Cache-Control: no-cache";
const std::string kFormLine = "Content-Type: application/x-www-form-urlencoded";

RecordingServer::Responder AlwaysOk(const std::string& body = "ok") {
    return [body](const std::string&) { return RecordingServer::Answer("200 OK", "", body); };
}

TEST(FetchPage, PathAndQueryOnTheRequestLine) {
    RecordingServer server(AlwaysOk());
    FetchPage("http://127.0.0.1:" + std::to_string(server.port()));
    FetchPage(server.Url("/list/a.txt?x=1&y=2"));
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(RequestLine(requests[0]), "GET / HTTP/1.1");
    EXPECT_EQ(RequestLine(requests[1]), "GET /list/a.txt?x=1&y=2 HTTP/1.1");
}

struct HeaderCase {
    const char* name;
    int method;
    std::string extraHeaders;
    std::optional<std::string> cookies;
    std::string expectedBlock;  // after the Host line
};

class FetchPageHeaders : public testing::TestWithParam<HeaderCase> {};

TEST_P(FetchPageHeaders, SendsCallerLinesThenMissingDefaultsInOrder) {
    const HeaderCase& c = GetParam();
    RecordingServer server(AlwaysOk());
    FetchPageOptions options;
    options.method = c.method;
    options.extraHeaders = c.extraHeaders;
    std::string cookies = c.cookies.value_or("");
    if (c.cookies) options.requestCookies = &cookies;
    FetchPage(server.Url("/h"), options);
    std::string block = HeaderBlockAfterHost(server.LastRequest());
    // libcurl's own body length line is not part of the block under test.
    if (size_t at = block.find("\r\nContent-Length: 0"); at != std::string::npos) block.erase(at, 19);
    EXPECT_EQ(block, c.expectedBlock);
}

const std::string kDefaultBlock =
    kAgentLine + "\r\n" + kAcceptLine + "\r\n" + kEncodingLine + "\r\n" + kLanguageLine + "\r\n" + kCacheLine;

INSTANTIATE_TEST_SUITE_P(
    Cases, FetchPageHeaders,
    testing::Values(
        HeaderCase{"DefaultsOnly", 0, "", std::nullopt, kDefaultBlock},
        HeaderCase{"CallerAgentAnyCaseSuppressesDefault", 0, "user-AGENT: Bot/1", std::nullopt,
                   "user-AGENT: Bot/1\r\n" + kAcceptLine + "\r\n" + kEncodingLine + "\r\n" + kLanguageLine + "\r\n" +
                       kCacheLine},
        HeaderCase{"AgentWithoutSpaceDoesNotSuppress", 0, "X-A: 1\r\nUser-Agent:Bot/1", std::nullopt,
                   "X-A: 1\r\nUser-Agent:Bot/1\r\n" + kDefaultBlock},
        HeaderCase{"PostGetsFormContentType", 1, "", std::nullopt,
                   kAgentLine + "\r\n" + kAcceptLine + "\r\n" + kEncodingLine + "\r\n" + kLanguageLine + "\r\n" +
                       kFormLine + "\r\n" + kCacheLine},
        HeaderCase{"PostLowerCaseContentTypeRewritten", 1, "content-type: application/json", std::nullopt,
                   "Content-Type: application/json\r\n" + kDefaultBlock},
        HeaderCase{"SuppliedCookiesLast", 0, "", std::string("a=1; b=2"), kDefaultBlock + "\r\nCookie: a=1; b=2"},
        HeaderCase{"SuppliedEmptyCookiesNoLine", 0, "", std::string(), kDefaultBlock},
        HeaderCase{"CallerCookieLineWins", 0, "Cookie: z=9", std::string("a=1"), "Cookie: z=9\r\n" + kDefaultBlock}),
    [](const testing::TestParamInfo<HeaderCase>& info) { return std::string(info.param.name); });

struct MethodCase {
    int index;
    std::string requestLine;
};

class FetchPageMethods : public testing::TestWithParam<MethodCase> {};

TEST_P(FetchPageMethods, IndexSelectsMethod) {
    RecordingServer server(AlwaysOk());
    FetchPageOptions options;
    options.method = GetParam().index;
    FetchPage(server.Url("/m"), options);
    EXPECT_EQ(RequestLine(server.LastRequest()), GetParam().requestLine);
}

INSTANTIATE_TEST_SUITE_P(Table, FetchPageMethods,
                         testing::Values(MethodCase{0, "GET /m HTTP/1.1"}, MethodCase{1, "POST /m HTTP/1.1"},
                                         MethodCase{2, "HEAD /m HTTP/1.1"}, MethodCase{3, "PUT /m HTTP/1.1"},
                                         MethodCase{4, "OPTIONS /m HTTP/1.1"}, MethodCase{5, "DELETE /m HTTP/1.1"},
                                         MethodCase{6, "TRACE /m HTTP/1.1"}, MethodCase{8, "GET /m HTTP/1.1"},
                                         MethodCase{-1, "GET /m HTTP/1.1"}));

TEST(FetchPage, PostSendsBodyBytesAsGiven) {
    RecordingServer server(AlwaysOk());
    FetchPageOptions options;
    options.method = 1;
    options.postData = Utf8ToCp936("name=你好&x=1");
    FetchPage(server.Url("/form"), options);
    const std::string request = server.LastRequest();
    EXPECT_EQ(RequestBody(request), options.postData);
    EXPECT_NE(request.find("\r\nContent-Length: " + std::to_string(options.postData.size()) + "\r\n"), std::string::npos);
    EXPECT_EQ(request.find("Expect:"), std::string::npos);
}

TEST(FetchPage, BasicCredentialsOnlyWithUserAndPassword) {
    RecordingServer server(AlwaysOk());
    FetchPageOptions both;
    both.userName = "user";
    both.password = "pass";
    FetchPage(server.Url("/a"), both);
    EXPECT_NE(server.LastRequest().find("\r\nAuthorization: Basic dXNlcjpwYXNz\r\n"), std::string::npos);

    FetchPageOptions userOnly;
    userOnly.userName = "user";
    FetchPage(server.Url("/b"), userOnly);
    EXPECT_EQ(server.LastRequest().find("Authorization:"), std::string::npos);
}

TEST(FetchPage, PlainUrlThroughNamedProxyWithCredentials) {
    RecordingServer proxy(AlwaysOk("via proxy"));
    FetchPageOptions options;
    options.proxy = "127.0.0.1:" + std::to_string(proxy.port());
    options.proxyUserName = "pu";
    options.proxyPassword = "pp";
    EXPECT_EQ(FetchPage("http://update.example.invalid/vkr/source.txt", options), "via proxy");
    const std::string request = proxy.LastRequest();
    EXPECT_EQ(RequestLine(request), "GET http://update.example.invalid/vkr/source.txt HTTP/1.1");
    EXPECT_NE(request.find("\r\nProxy-Authorization: Basic cHU6cHA=\r\n"), std::string::npos);
}

TEST(FetchPage, ResponseOutputsAndCookieMerge) {
    RecordingServer server([](const std::string&) {
        return RecordingServer::Answer("200 OK",
                                       "Set-Cookie: a=1; Path=/; HttpOnly\r\nSet-Cookie: b=deleted\r\n"
                                       "Location: /elsewhere\r\n",
                                       "body");
    });
    std::string cookies = "a=0; c=3";
    FetchPageOptions options;
    options.requestCookies = &cookies;
    FetchPageOutputs out;
    EXPECT_EQ(FetchPage(server.Url("/c"), options, &out), "body");
    EXPECT_EQ(out.statusText, "200 OK");
    EXPECT_TRUE(out.responseHeaders.starts_with("HTTP/1.1 200 OK\r\n"));
    EXPECT_EQ(out.location, "/elsewhere");
    EXPECT_EQ(out.responseCookies, "a=1; c=3");
    EXPECT_EQ(cookies, "a=1; c=3");
    EXPECT_EQ(out.responseBody, "body");

    // Without supplied cookies nothing is merged.
    FetchPageOutputs plain;
    FetchPage(server.Url("/c"), {}, &plain);
    EXPECT_EQ(plain.responseCookies, "a=1; b=deleted");
}

TEST(FetchPage, BodyBytesKeptWholeTextStopsAtZero) {
    const std::string body("ab\0cd", 5);
    RecordingServer server(AlwaysOk(body));
    FetchPageOutputs out;
    EXPECT_EQ(FetchPage(server.Url("/z"), {}, &out), "ab");
    EXPECT_EQ(out.responseBody, body);
}

TEST(FetchPage, RedirectSwitch) {
    RecordingServer server([](const std::string& request) {
        if (RequestLine(request).starts_with("GET /start"))
            return RecordingServer::Answer("302 Found", "Location: /target\r\n", "moved");
        return RecordingServer::Answer("200 OK", "", "arrived");
    });
    FetchPageOptions stay;
    stay.noRedirect = true;
    FetchPageOutputs stayed;
    EXPECT_EQ(FetchPage(server.Url("/start"), stay, &stayed), "moved");
    EXPECT_EQ(stayed.statusText, "302 Found");
    EXPECT_EQ(stayed.location, "/target");
    EXPECT_EQ(server.Requests().size(), 1u);

    FetchPageOutputs followed;
    EXPECT_EQ(FetchPage(server.Url("/start"), {}, &followed), "arrived");
    EXPECT_EQ(followed.statusText, "200 OK");
    EXPECT_TRUE(followed.responseHeaders.starts_with("HTTP/1.1 200 OK"));
    EXPECT_EQ(RequestLine(server.LastRequest()), "GET /target HTTP/1.1");
}

struct CharsetCase {
    const char* name;
    std::string body;
    std::string expectedText;
};

class FetchPageCharset : public testing::TestWithParam<CharsetCase> {};

TEST_P(FetchPageCharset, ReDecodesDeclaredCharset) {
    RecordingServer server(AlwaysOk(GetParam().body));
    EXPECT_EQ(FetchPage(server.Url("/page")), GetParam().expectedText);
}

const std::string kUtf8Page = "<html><head><meta charset=\"utf-8\"></head><body>\xE4\xBD\xA0\xE5\xA5\xBD</body>";
const std::string kGbkBody = "<body>\xC4\xE3\xBA\xC3</body>";
const std::string kLateMeta = std::string(1100, ' ') + "<meta charset=\"utf-8\">\xE4\xBD\xA0";

INSTANTIATE_TEST_SUITE_P(
    Table, FetchPageCharset,
    testing::Values(
        CharsetCase{"Utf8Decoded", kUtf8Page,
                    "<html><head><meta charset=\"utf-8\"></head><body>\xC4\xE3\xBA\xC3</body>"},
        CharsetCase{"UpperCaseMetaStillFound", "<META CONTENT='text/html; CHARSET=UTF-8'>\xE4\xBD\xA0",
                    "<META CONTENT='text/html; CHARSET=UTF-8'>\xC4\xE3"},
        CharsetCase{"Gb2312AsReceived", "<meta charset=gb2312>" + kGbkBody, "<meta charset=gb2312>" + kGbkBody},
        CharsetCase{"NoDeclarationAsReceived", kGbkBody, kGbkBody},
        CharsetCase{"DeclarationAfter1024BytesIgnored", kLateMeta, kLateMeta},
        CharsetCase{"UnknownCharsetAsReceived", "<meta charset=x-unknown-9>" + kGbkBody,
                    "<meta charset=x-unknown-9>" + kGbkBody}),
    [](const testing::TestParamInfo<CharsetCase>& info) { return std::string(info.param.name); });

TEST(FetchPageFailures, UrlThatDoesNotParseIs701) {
    for (const char* url : {"not a url", "ftp://127.0.0.1/x", "http://"}) {
        FetchPageOutputs out;
        EXPECT_EQ(FetchPage(url, {}, &out), "") << url;
        EXPECT_EQ(out.statusText, Utf8ToCp936("701 解析URL地址失败!")) << url;
    }
}

TEST(FetchPageFailures, RefusedConnectionIs711AndLeavesLaterOutputs) {
    FetchPageOutputs out;
    out.location = "kept";
    out.responseHeaders = "kept";
    EXPECT_EQ(FetchPage("http://127.0.0.1:" + std::to_string(FreePort()) + "/", {}, &out), "");
    EXPECT_EQ(out.statusText, Utf8ToCp936("711 发送请求失败!"));
    EXPECT_EQ(out.location, "kept");
    EXPECT_EQ(out.responseHeaders, "kept");
}

TEST(FetchPageFailures, NoAnswerIs712) {
    RecordingServer closes([](const std::string&) { return std::string(); });
    FetchPageOutputs out;
    EXPECT_EQ(FetchPage(closes.Url("/"), {}, &out), "");
    EXPECT_EQ(out.statusText, Utf8ToCp936("712 服务器未响应!"));

    RecordingServer silent([](const std::string&) { return std::nullopt; });
    FetchPageOptions quick;
    quick.timeoutSeconds = 1;
    FetchPageOutputs waited;
    EXPECT_EQ(FetchPage(silent.Url("/"), quick, &waited), "");
    EXPECT_EQ(waited.statusText, Utf8ToCp936("712 服务器未响应!"));
}

TEST(FetchPageFailures, BodyBrokenOffIs713WithWhatArrived) {
    RecordingServer server([](const std::string&) {
        return std::string("HTTP/1.1 200 OK\r\nContent-Length: 100\r\nSet-Cookie: s=1\r\n\r\npartial");
    });
    FetchPageOutputs out;
    EXPECT_EQ(FetchPage(server.Url("/"), {}, &out), "partial");
    EXPECT_EQ(out.statusText, Utf8ToCp936("713 读取数据失败!"));
    EXPECT_EQ(out.responseCookies, "s=1");
    EXPECT_TRUE(out.responseHeaders.starts_with("HTTP/1.1 200 OK"));
}

}  // namespace
}  // namespace vkr
