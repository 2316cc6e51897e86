#pragma once
// A real HTTP/1.1 server on 127.0.0.1 for client tests: records every request
// byte for byte and answers each with one fixed answer.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vkr {

struct ServerAnswer {
    int status = 200;
    std::string body = "{\"code\":0}";
    bool silent = false;  // read the request, never answer
    size_t answeredBeforeSilence = 0;  // with silent: answer this many requests first
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
            if (answer_.silent && ++served_ > answer_.answeredBeforeSilence) continue;
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
    std::atomic<size_t> served_ = 0;
};

}  // namespace vkr
