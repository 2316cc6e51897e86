// Twenty launches against a stand-in that needs 0.5 s to start its HTTP API:
// the address, port and key must be read when the 3000 ms wait ends, every
// time. Reports found/launches (1 means every launch) beside the time per launch.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "console/ConsoleHost.h"
#include "console/ConsolePaneModel.h"
#include "console/ConsoleView.h"
#include "log/LogWriter.h"
#include "platform/DialogService.h"
#include "platform/EventPump.h"
#include "platform/RunDirectory.h"
#include "tests/FreePort.h"
#include "tests/TempDir.h"

namespace vkr {
namespace {

constexpr int kLaunches = 20;
constexpr const char* kKey = "BenchKey12345";

class QuietView : public ConsoleView {
public:
    void SetCommandBoxEnabled(bool) override {}
};

class CountingDialogs : public DialogService {
public:
    void ShowMessage(const std::string&, const std::string&) override { ++shown; }
    void SetClipboardText(const std::string&) override {}
    int shown = 0;
};

class SleepingPump : public EventPump {
public:
    void ServePendingEvents(int maxWaitMs) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(maxWaitMs));
    }
};


void BM_LaunchWithHalfSecondStartup(benchmark::State& state) {
    TempDir root;
    const std::filesystem::path runDir = root.path() / "run";
    const std::filesystem::path binDir = root.path() / "bin";
    std::filesystem::create_directories(runDir / "config" / "net.mamoe.mirai-api-http");
    std::filesystem::create_directories(runDir / "Log");
    std::filesystem::create_directories(binDir);
    std::filesystem::create_symlink(VKR_STANDIN_PATH, binDir / "java");
    const int port = FreePort();
    std::ofstream(runDir / "config" / "net.mamoe.mirai-api-http" / "setting.yml")
        << "host: 127.0.0.1\nport: " << port << "\nauthKey: " << kKey << "\n";
    const std::filesystem::path savedWorkDir = std::filesystem::current_path();
    SetRunDirectory(runDir);
    const std::string savedPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", (binDir.string() + ":" + savedPath).c_str(), 1);
    setenv("VKR_STANDIN_STARTUP_MS", "500", 1);

    ConsolePaneModel pane;
    QuietView view;
    CountingDialogs dialogs;
    SleepingPump pump;
    LogWriter log(runDir);
    ConsolePipe pipe;
    ServerInfo serverInfo;
    ConsoleHost host(pipe, serverInfo, ConsoleServices{pane, view, dialogs, pump, log});

    int found = 0;
    for (auto _ : state) {
        serverInfo.Set({});
        host.Launch();
        // Read at the end of the wait: a late pick-up would have warned first.
        const bool late = pane.Find("[WARN]Mirai has not reported") != std::string::npos;
        ServerAddress server = host.Server();
        if (!late && server.ip == "127.0.0.1" && server.port == std::to_string(port) && server.key == kKey) ++found;
        state.PauseTiming();
        host.Stop();
        state.ResumeTiming();
    }
    state.counters["found"] = found;
    state.counters["launches"] = static_cast<double>(state.iterations());
    state.counters["found_per_launch"] = static_cast<double>(found) / static_cast<double>(state.iterations());
    state.counters["bind_messages"] = dialogs.shown;

    unsetenv("VKR_STANDIN_STARTUP_MS");
    setenv("PATH", savedPath.c_str(), 1);
    std::filesystem::current_path(savedWorkDir);
}

BENCHMARK(BM_LaunchWithHalfSecondStartup)->Iterations(kLaunches)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace vkr

BENCHMARK_MAIN();
