#pragma once
// The HTTP side of the plug-in: routes, body and query checks in the plug-in's
// order, answers in its four shapes. Runs on its own thread with a pool.
#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <thread>

namespace httplib {
class Server;
}

namespace vkr::standin {

class BotWorld;
class ConsoleOutput;
class RequestRecorder;

class ApiServer {
public:
    // recorder may be null; verbose adds a debug line for every request.
    ApiServer(BotWorld& world, ConsoleOutput& console, std::string authKey, RequestRecorder* recorder,
              bool verbose);
    ~ApiServer();
    ApiServer(const ApiServer&) = delete;
    ApiServer& operator=(const ApiServer&) = delete;

    // Binds host:port. On failure returns the Java exception text the plug-in
    // would log, e.g. "java.net.BindException: Address already in use".
    std::optional<std::string> Bind(const std::string& host, int port);
    // Serves on a thread of its own until Stop (only after a successful Bind).
    void Start();
    void Stop();

private:
    void AddRoutes();

    BotWorld& world_;
    ConsoleOutput& console_;
    std::string authKey_;
    RequestRecorder* recorder_;
    bool verbose_;
    std::unique_ptr<httplib::Server> server_;
    std::thread thread_;
    std::atomic<bool> loopEnded_{false};
};

}  // namespace vkr::standin
