#include "tools/mirai-standin/StandinApp.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

#include "tools/mirai-standin/ApiServer.h"
#include "tools/mirai-standin/BotWorld.h"
#include "tools/mirai-standin/ConsoleCommands.h"
#include "tools/mirai-standin/ConsoleOutput.h"
#include "tools/mirai-standin/RequestRecorder.h"
#include "tools/mirai-standin/StandinSettings.h"

namespace vkr::standin {

namespace {

constexpr const char* kPlugin = "net.mamoe.mirai-api-http";
constexpr const char* kServerLogger = "Mirai HTTP API";

// Self-pipe: the signal handler only writes one byte; the main loop polls it.
int g_signalPipe[2] = {-1, -1};

void OnSignal(int) {
    char byte = 1;
    ssize_t ignored = ::write(g_signalPipe[1], &byte, 1);
    (void)ignored;
}

void InstallSignalHandlers() {
    if (::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    signal(SIGPIPE, SIG_IGN);
}

std::optional<long long> EnvNumber(const char* name) {
    const char* text = std::getenv(name);
    if (text == nullptr) return std::nullopt;
    long long value = 0;
    std::string_view view(text);
    auto [end, error] = std::from_chars(view.data(), view.data() + view.size(), value);
    if (error != std::errc() || end != view.data() + view.size()) return std::nullopt;
    return value;
}

std::string EnvText(const char* name, const char* fallback) {
    const char* text = std::getenv(name);
    return text != nullptr ? text : fallback;
}

// Waits up to timeoutMs (-1: for ever) for standard input or a signal.
enum class Wake { Input, Signal, Timeout };

Wake WaitForInput(bool watchInput, int timeoutMs) {
    pollfd fds[2] = {{g_signalPipe[0], POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
    while (true) {
        int ready = ::poll(fds, watchInput ? 2 : 1, timeoutMs);
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return Wake::Timeout;
        if (fds[0].revents != 0) return Wake::Signal;
        return Wake::Input;
    }
}

std::string StackTrace() {
    return "\tat sun.nio.ch.Net.bind0(Native Method)\n"
           "\tat sun.nio.ch.Net.bind(Net.java:459)\n"
           "\tat sun.nio.ch.ServerSocketChannelImpl.bind(ServerSocketChannelImpl.java:227)\n"
           "\tat io.ktor.network.sockets.ConnectUtilsJvmKt.bind(ConnectUtilsJvm.kt:31)";
}

}  // namespace

StandinApp::StandinApp(ConsoleOutput& console, std::filesystem::path workDir)
    : console_(console), workDir_(std::move(workDir)) {}

int StandinApp::Run() {
    InstallSignalHandlers();
    console_.Log(LogLevel::Info, "main", "Starting mirai-console...");
    console_.Log(LogLevel::Info, "main", "Backend: version 2.5.0, built on 2021-03-25 14:36:00.");
    console_.Log(LogLevel::Info, "main", "Frontend Terminal: version 2.5.0, provided by Mamoe Technologies");
    console_.Log(LogLevel::Info, "stand-in",
                 "This is the Velkorin Mirai stand-in: it never logs in to QQ; the bot, its contacts and "
                 "messages are simulated in memory.");
    console_.Log(LogLevel::Info, "plugin", std::string("Successfully loaded plugin ") + kPlugin);
    console_.Log(LogLevel::Info, "main", "Prepared built-in commands: autoLogin, help, login, permission, status, stop");

    int startupMs = static_cast<int>(EnvNumber("VKR_STANDIN_STARTUP_MS").value_or(300));
    if (startupMs > 0 && WaitForInput(false, startupMs) == Wake::Signal) return 0;

    SettingsLoad load = LoadOrCreateSettings(workDir_);
    std::filesystem::path dataDir = workDir_ / "data" / kPlugin;
    std::error_code ignored;
    std::filesystem::create_directories(dataDir / "images", ignored);
    std::filesystem::create_directories(dataDir / "voices", ignored);
    StandinSettings settings = load.settings.value_or(StandinSettings{});

    std::optional<long long> fixedBot = EnvNumber("VKR_STANDIN_BOT_QQ");
    BotWorld world(console_, dataDir, settings.cacheSize,
                   fixedBot ? std::optional<int64_t>(*fixedBot) : std::nullopt);
    std::unique_ptr<RequestRecorder> recorder;
    if (const char* recordFile = std::getenv("VKR_STANDIN_RECORD")) {
        recorder = std::make_unique<RequestRecorder>(recordFile);
        if (!recorder->IsOpen()) {
            console_.Log(LogLevel::Warning, "stand-in", std::string("Cannot open the record file ") + recordFile);
        }
    }
    ApiServer server(world, console_, settings.authKey, recorder.get(), EnvText("VKR_STANDIN_VERBOSE", "") == "1");

    if (!load.settings) {
        console_.LogException(kPlugin, "net.mamoe.yamlkt.YamlDecodingException: " + load.error,
                              "\tat net.mamoe.mirai.console.data.MultiFilePluginDataStorageImpl.load");
    } else {
        if (settings.authKey.rfind("INITKEY", 0) == 0) {
            console_.Log(LogLevel::Warning, kPlugin, "USING INITIAL KEY, please edit the key");
        }
        console_.Log(LogLevel::Info, kPlugin,
                     "Starting Mirai HTTP Server in " + settings.host + ":" + std::to_string(settings.port));
        if (settings.authKey.size() < 8 || settings.authKey.size() > 128) {
            console_.LogException(kPlugin,
                                  "java.lang.IllegalArgumentException: Expected authKey length is between 8 to 128",
                                  "\tat net.mamoe.mirai.api.http.MiraiHttpAPIServer.start(MiraiHttpAPIServer.kt:50)");
        } else {
            console_.Log(LogLevel::Info, kServerLogger,
                         "Http api server is running with authKey: " + settings.authKey);
            // The real server logs its bind failure after the key line and
            // the console carries on without HTTP.
            if (std::optional<std::string> failure = server.Bind(settings.host, settings.port)) {
                console_.LogException(kServerLogger, *failure, StackTrace());
            } else {
                server.Start();
            }
        }
        console_.Log(LogLevel::Info, kPlugin,
                     std::string("心跳模块启用状态: ") + (settings.heartbeatEnabled ? "true" : "false"));
        console_.Log(LogLevel::Info, kPlugin,
                     std::string("上报模块启用状态: ") + (settings.reportEnabled ? "true" : "false"));
    }
    console_.Log(LogLevel::Info, "main", "1 plugin(s) enabled.");
    console_.Log(LogLevel::Info, "main", "mirai-console started successfully.");

    ConsoleCommands commands(world, console_);
    std::string pending;
    bool running = true;
    while (running) {
        if (WaitForInput(true, -1) == Wake::Signal) break;
        char buffer[4096];
        ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            // End of input: a last line without its line break still counts.
            if (!pending.empty()) commands.Execute(pending);
            break;
        }
        pending.append(buffer, static_cast<size_t>(got));
        size_t end;
        while (running && (end = pending.find('\n')) != std::string::npos) {
            running = commands.Execute(pending.substr(0, end));
            pending.erase(0, end + 1);
        }
    }
    console_.Log(LogLevel::Info, "main", "Stopping mirai-console");
    server.Stop();
    return 0;
}

void PrintJavaVersion() {
    std::string version = EnvText("VKR_STANDIN_JAVA_VERSION", "15.0.2");
    std::fprintf(stderr,
                 "openjdk version \"%s\" 2021-01-19\n"
                 "OpenJDK Runtime Environment (build %s+7-27)\n"
                 "OpenJDK 64-Bit Server VM (build %s+7-27, mixed mode, sharing)\n",
                 version.c_str(), version.c_str(), version.c_str());
}

}  // namespace vkr::standin
