#include "support/HttpClient.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vkr {
namespace {

struct ServerAnswer {
    int status = 200;
    std::string body = "{\"code\":0}";
    bool silent = false;  // read the request, never answer
};

// A real HTTP/1.1 server on 127.0.0.1 that records every request byte for
// byte (header order included, which a parsing server library would lose)
// and answers each with one fixed answer, keeping the connection open.
class RecordingServer {
public:
    using Answer = ServerAnswer;
    struct Recorded {
        std::string requestLine;
        std::vector<std::string> headers;  // "Name: value", in the order sent
        std::string body;
    };

    explicit RecordingServer(Answer answer = {}) : answer_(std::move(answer)) {
        listener_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        socklen_t length = sizeof address;
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        listen(listener_, 16);
        acceptor_ = std::thread([this] { AcceptLoop(); });
    }

    ~RecordingServer() {
        shutdown(listener_, SHUT_RDWR);
        {
            std::lock_guard lock(mutex_);
            for (int connection : connections_) shutdown(connection, SHUT_RDWR);
        }
        acceptor_.join();
        for (auto& worker : workers_) worker.join();
        for (int connection : connections_) close(connection);
        close(listener_);
    }

    std::string Url(const std::string& path = "") const {
        return "http://127.0.0.1:" + std::to_string(port_) + "/" + path;
    }
    std::vector<Recorded> Requests() const {
        std::lock_guard lock(mutex_);
        return requests_;
    }
    size_t ConnectionCount() const {
        std::lock_guard lock(mutex_);
        return connections_.size();
    }

private:
    void AcceptLoop() {
        for (;;) {
            const int connection = accept(listener_, nullptr, nullptr);
            if (connection < 0) return;
            std::lock_guard lock(mutex_);
            connections_.push_back(connection);
            workers_.emplace_back([this, connection] { Serve(connection); });
        }
    }

    void Serve(int connection) {
        std::string pending;
        for (;;) {
            size_t headEnd;
            while ((headEnd = pending.find("\r\n\r\n")) == std::string::npos)
                if (!ReadMore(connection, pending)) return;
            Recorded request = ParseHead(pending.substr(0, headEnd));
            const size_t bodyLength = ContentLength(request);
            pending.erase(0, headEnd + 4);
            while (pending.size() < bodyLength)
                if (!ReadMore(connection, pending)) return;
            request.body = pending.substr(0, bodyLength);
            pending.erase(0, bodyLength);
            {
                std::lock_guard lock(mutex_);
                requests_.push_back(request);
            }
            if (answer_.silent) continue;
            const std::string reply = "HTTP/1.1 " + std::to_string(answer_.status) +
                                      " X\r\nContent-Type: application/json; charset=UTF-8\r\nContent-Length: " +
                                      std::to_string(answer_.body.size()) + "\r\n\r\n" + answer_.body;
            if (send(connection, reply.data(), reply.size(), MSG_NOSIGNAL) < 0) return;
        }
    }

    static bool ReadMore(int connection, std::string& pending) {
        char buffer[4096];
        const ssize_t got = recv(connection, buffer, sizeof buffer, 0);
        if (got <= 0) return false;
        pending.append(buffer, static_cast<size_t>(got));
        return true;
    }

    static Recorded ParseHead(const std::string& head) {
        Recorded request;
        size_t start = 0;
        for (bool first = true; start <= head.size(); first = false) {
            size_t end = head.find("\r\n", start);
            if (end == std::string::npos) end = head.size();
            const std::string line = head.substr(start, end - start);
            if (first) request.requestLine = line;
            else request.headers.push_back(line);
            start = end + 2;
        }
        return request;
    }

    static size_t ContentLength(const Recorded& request) {
        for (const auto& line : request.headers)
            if (line.rfind("Content-Length: ", 0) == 0) return std::stoul(line.substr(16));
        return 0;
    }

    Answer answer_;
    int listener_ = -1;
    int port_ = 0;
    std::thread acceptor_;
    mutable std::mutex mutex_;
    std::vector<int> connections_;
    std::vector<std::thread> workers_;
    std::vector<Recorded> requests_;
};

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
