#pragma once
// A raw HTTP/1.1 server on 127.0.0.1 that records every request byte for byte
// (request line, header block in its order, body) and answers each with the
// bytes a test chooses. One connection at a time, closed after the answer.
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "tests/FreePort.h"
#include <vector>

namespace vkr::test {

class RecordingServer {
public:
    // The raw answer for a raw request; std::nullopt keeps the connection open
    // without answering until the server stops; "" closes it unanswered.
    using Responder = std::function<std::optional<std::string>(const std::string& request)>;

    explicit RecordingServer(Responder responder) : responder_(std::move(responder)) {
        listener_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(listener_, 8);
        socklen_t length = sizeof address;
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        if (pipe(wake_) != 0) wake_[0] = wake_[1] = -1;
        thread_ = std::thread([this] { Serve(); });
    }

    ~RecordingServer() {
        [[maybe_unused]] auto written = write(wake_[1], "x", 1);
        thread_.join();
        close(listener_);
        close(wake_[0]);
        close(wake_[1]);
    }

    int port() const { return port_; }
    std::string Url(const std::string& path = "/") const {
        return "http://127.0.0.1:" + std::to_string(port_) + path;
    }
    std::vector<std::string> Requests() const {
        std::lock_guard lock(mutex_);
        return requests_;
    }
    std::string LastRequest() const {
        auto all = Requests();
        return all.empty() ? std::string() : all.back();
    }

    static std::string Answer(const std::string& statusLine, const std::string& headerLines,
                              const std::string& body) {
        return "HTTP/1.1 " + statusLine + "\r\n" + headerLines + "Content-Length: " +
               std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
    }

private:
    // Waits for fd to become readable or the server to stop; false on stop.
    bool WaitReadable(int fd) {
        pollfd fds[2] = {{fd, POLLIN, 0}, {wake_[0], POLLIN, 0}};
        poll(fds, 2, -1);
        return !(fds[1].revents & POLLIN);
    }

    std::string ReadRequest(int client) {
        std::string data;
        char buffer[4096];
        size_t bodyStart = std::string::npos;
        size_t wanted = 0;
        while (true) {
            if (bodyStart == std::string::npos && (bodyStart = data.find("\r\n\r\n")) != std::string::npos) {
                bodyStart += 4;
                wanted = ContentLength(data.substr(0, bodyStart));
            }
            if (bodyStart != std::string::npos && data.size() >= bodyStart + wanted) return data;
            if (!WaitReadable(client)) return data;
            ssize_t got = read(client, buffer, sizeof buffer);
            if (got <= 0) return data;
            data.append(buffer, static_cast<size_t>(got));
        }
    }

    static size_t ContentLength(const std::string& head) {
        std::string lower = head;
        for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        size_t at = lower.find("\r\ncontent-length:");
        return at == std::string::npos ? 0 : std::stoul(head.substr(at + 17));
    }

    void Serve() {
        while (WaitReadable(listener_)) {
            int client = accept(listener_, nullptr, nullptr);
            if (client < 0) continue;
            std::string request = ReadRequest(client);
            {
                std::lock_guard lock(mutex_);
                requests_.push_back(request);
            }
            std::optional<std::string> answer = responder_(request);
            if (!answer) {
                WaitReadable(wake_[0]);  // hold until the server stops
            } else {
                size_t sent = 0;
                while (sent < answer->size()) {
                    ssize_t n = send(client, answer->data() + sent, answer->size() - sent, MSG_NOSIGNAL);
                    if (n <= 0) break;
                    sent += static_cast<size_t>(n);
                }
            }
            shutdown(client, SHUT_RDWR);
            close(client);
        }
    }

    Responder responder_;
    int listener_ = -1;
    int port_ = 0;
    int wake_[2] = {-1, -1};
    mutable std::mutex mutex_;
    std::vector<std::string> requests_;
    std::thread thread_;
};

// The header block of a recorded request: the lines after the request line,
// without Host, up to the blank line.
inline std::string HeaderBlockAfterHost(const std::string& request) {
    size_t start = request.find("\r\n") + 2;
    size_t end = request.find("\r\n\r\n");
    std::string block = request.substr(start, end - start);
    if (block.rfind("Host:", 0) == 0) block.erase(0, block.find("\r\n") == std::string::npos ? block.size() : block.find("\r\n") + 2);
    return block;
}

inline std::string RequestLine(const std::string& request) { return request.substr(0, request.find("\r\n")); }

inline std::string RequestBody(const std::string& request) {
    size_t end = request.find("\r\n\r\n");
    return end == std::string::npos ? std::string() : request.substr(end + 4);
}


}  // namespace vkr::test
