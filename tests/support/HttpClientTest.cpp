#include "support/HttpClient.h"

#include "support/JsonDocument.h"

#include "tests/support/RecordingServer.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace vkr {
namespace {

// The header lines the client chose: everything but the transport's own
// Host and Content-Length.
std::vector<std::string> ChosenHeaders(const RecordingServer::Recorded& request) {
    std::vector<std::string> chosen;
    for (const auto& line : request.headers)
        if (line.rfind("Host: ", 0) != 0 && line.rfind("Content-Length: ", 0) != 0) chosen.push_back(line);
    return chosen;
}

const std::string kUserAgent = "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; Trident/5.0)";
const std::string kBoundary = "ZnGpDtePMx0KrHh_G0X99Yef9r8JZsRJSXC";

TEST(HttpClient, SendsHeaderBlockInOrderWithRefererNamingTheUrl) {
    RecordingServer server;
    const std::string url = server.Url("page?a=1");
    struct Case {
        const char* name;
        std::function<void(HttpClient&)> call;
        std::string requestLine;
        std::vector<std::string> headers;
    } cases[] = {
        {"Get", [&](HttpClient& c) { c.Get(url); }, "GET /page?a=1 HTTP/1.1",
         {"Referer: " + url, "Accept: */*", "Accept-Language: zh-cn", kUserAgent,
          "Content-Type: application/json;charset=UTF-8"}},
        {"Post", [&](HttpClient& c) { c.Post(url, "{}"); }, "POST /page?a=1 HTTP/1.1",
         {"Referer: " + url, "Accept: */*", "Accept-Language: zh-cn", kUserAgent,
          "Content-Type: application/json;charset=UTF-8"}},
        {"given headers replace the block",
         [&](HttpClient& c) {
             HttpRequestOptions options;
             options.headers = "X-One: 1\r\nno colon here\r\nX-Link: http://h:1/p\r\n";
             c.Request(url, options);
         },
         "GET /page?a=1 HTTP/1.1", {"Referer: " + url, "X-One: 1", "X-Link: http://h:1/p"}},
        {"multipart", [&](HttpClient& c) { c.PostMultipart(url, {}); }, "POST /page?a=1 HTTP/1.1",
         {"Referer: " + url, "Accept: */*", "Accept-Language: zh-cn", kUserAgent,
          "Content-Type: multipart/form-data; boundary=" + kBoundary}},
        {"raw keeps the placeholder", [&](HttpClient& c) { c.PostRaw(url, "", "x"); }, "POST /page?a=1 HTTP/1.1",
         {"Referer: " + url, "Accept: */*", "Accept-Language: zh-cn", kUserAgent,
          "Content-Type: multipart/form-data; boundary=${boundary}"}},
    };
    size_t seen = 0;
    for (const auto& c : cases) {
        HttpClient client;
        c.call(client);
        const auto requests = server.Requests();
        ASSERT_EQ(requests.size(), ++seen) << c.name;
        EXPECT_EQ(requests.back().requestLine, c.requestLine) << c.name;
        EXPECT_EQ(ChosenHeaders(requests.back()), c.headers) << c.name;
    }
}

TEST(HttpClient, MultipartBodyIsByteExact) {
    RecordingServer server;
    HttpClient client;
    const std::string image("\xFF\xD8\x00\r\n--x", 7);
    client.PostMultipart(server.Url("uploadImage"),
                         {{"sessionKey", "", "8bit", "text/plain; charset=UTF-8", "K1"},
                          {"img", "abc.jpg", "binary", "image/jpeg", image}});
    client.PostMultipart(server.Url("uploadImage"), {});
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].body,
              "\r\n--" + kBoundary + "\r\nContent-Disposition: form-data; name=\"sessionKey\"\r\n"
              "Content-Type: text/plain; charset=UTF-8\r\nContent-Transfer-Encoding: 8bit\r\n\r\nK1\r\n"
              "--" + kBoundary + "\r\nContent-Disposition: form-data; name=\"img\"; filename=\"abc.jpg\"\r\n"
              "Content-Type: image/jpeg\r\nContent-Transfer-Encoding: binary\r\n\r\n" + image + "\r\n"
              "--" + kBoundary + "--\r\n");
    EXPECT_EQ(requests[1].body, "\r\n--" + kBoundary + "--\r\n");
}

TEST(HttpClient, ConvertsTextsBetweenCp936AndUtf8) {
    const std::string utf8 = "\xE4\xBD\xA0\xE5\xA5\xBD";  // 你好
    const std::string cp936 = "\xC4\xE3\xBA\xC3";
    RecordingServer server({200, "{\"t\":\"" + utf8 + "\"}"});
    HttpClient client;
    EXPECT_EQ(client.Post(server.Url(), "{\"t\":\"" + cp936 + "\"}"), "{\"t\":\"" + cp936 + "\"}");
    EXPECT_EQ(client.Get(server.Url()), "{\"t\":\"" + cp936 + "\"}");
    EXPECT_EQ(client.PostMultipart(server.Url(), {}), "{\"t\":\"" + utf8 + "\"}");  // unconverted
    EXPECT_EQ(client.Request(server.Url()), "{\"t\":\"" + utf8 + "\"}");
    HttpRequestOptions bytes;
    bytes.method = HttpMethod::Post;
    bytes.bodyBytes = cp936;
    client.Request(server.Url(), bytes);
    const auto requests = server.Requests();
    EXPECT_EQ(requests[0].body, "{\"t\":\"" + utf8 + "\"}");
    EXPECT_EQ(requests.back().body, cp936);  // bytes are never re-encoded
}

TEST(HttpClient, ReturnsTheBodyWhateverTheStatus) {
    for (const auto& answer : {RecordingServer::Answer{500, "message is empty"},
                               RecordingServer::Answer{400, "{\"code\":400,\"msg\":\"x\"}"},
                               RecordingServer::Answer{404, ""}}) {
        RecordingServer server(answer);
        HttpClient client;
        EXPECT_EQ(client.Post(server.Url("sendFriendMessage"), "{}"), answer.body) << answer.status;
    }
}

TEST(HttpClient, FailedExchangesGiveAnEmptyBody) {
    RecordingServer silent({200, "{}", true});
    HttpClient client;
    HttpRequestOptions shortWait;
    shortWait.timeoutSeconds = 1;
    EXPECT_EQ(client.Request(silent.Url(), shortWait), "");
    EXPECT_EQ(silent.Requests().size(), 1u);  // it was sent, then given up on

    // No timeout at all: only the cancel check can end this exchange.
    HttpClient cancelled;
    cancelled.SetCancelCheck([&] { return silent.Requests().size() == 2; });
    HttpRequestOptions noTimeout;
    noTimeout.timeoutSeconds = -1;
    EXPECT_EQ(cancelled.Request(silent.Url(), noTimeout), "");

    std::string refusedUrl;
    {
        RecordingServer gone;
        refusedUrl = gone.Url("auth");
    }
    EXPECT_EQ(client.Post(refusedUrl, "{}"), "");
    EXPECT_EQ(HttpClient().Get("auth"), "");  // no base URL set: the path alone
}

TEST(HttpClient, KeepsOneConnectionPerClientAndCopiesGetTheirOwn) {
    RecordingServer server;
    HttpClient client;
    client.SetBaseUrl(server.Url());
    for (int i = 0; i < 3; ++i) EXPECT_EQ(client.PostPath("verify", "{}"), "{\"code\":0}");
    EXPECT_EQ(server.ConnectionCount(), 1u);

    HttpClient copy(client);
    EXPECT_EQ(copy.GetBaseUrl(), client.GetBaseUrl());
    copy.SetBaseUrl("http://127.0.0.1:1");
    EXPECT_EQ(client.GetBaseUrl(), server.Url());
    client.GetPath("friendList?sessionKey=K");
    EXPECT_EQ(server.Requests().back().requestLine, "GET /friendList?sessionKey=K HTTP/1.1");
}

TEST(HttpClient, DocumentFormsSendTheTextAndParseTheAnswer) {
    RecordingServer server({200, "{\"code\":0,\"session\":\"S1\"}"});
    HttpClient client;
    client.SetBaseUrl(server.Url());
    JsonDocument request;
    request.SetValue("authKey", "k");

    const JsonDocument answer = client.PostDocument("auth", request);
    EXPECT_EQ(answer.GetText("session"), "S1");
    EXPECT_EQ(request.ToText(), "{\"authKey\":\"k\"}");  // left as it was

    client.ExchangeDocument("auth", request);
    EXPECT_EQ(request.ToText(), "{\"code\":0,\"session\":\"S1\"}");  // replaced by the answer

    JsonDocument fetched;
    client.GetIntoDocument("fetchMessage?sessionKey=S1&count=5", fetched);
    EXPECT_EQ(fetched.GetText("session"), "S1");
    EXPECT_EQ(client.GetDocument("x").GetNumber("code"), 0);

    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests[0].body, "{\"authKey\":\"k\"}");
    EXPECT_EQ(requests[1].requestLine, "POST /auth HTTP/1.1");
    EXPECT_EQ(requests[2].requestLine, "GET /fetchMessage?sessionKey=S1&count=5 HTTP/1.1");
}

TEST(HttpClient, BaseUrlEndsInOneSlash) {
    struct Case {
        std::string given, stored;
    } cases[] = {{"http://h:8080", "http://h:8080/"}, {"http://h:8080/", "http://h:8080/"}, {"", "/"}};
    for (const auto& c : cases) {
        HttpClient client;
        client.SetBaseUrl(c.given);
        EXPECT_EQ(client.GetBaseUrl(), c.stored) << c.given;
    }
}

}  // namespace
}  // namespace vkr
