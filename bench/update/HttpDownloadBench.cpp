// HttpDownload of a 200 MB file from the local file host, against the curl
// command-line tool fetching the same file in the same run, and the resident
// memory the download needs (it must not grow with the file).
//
// Counters: vkr_MBps and curl_MBps (throughput of each in this run), ratio
// (vkr / curl, the target is >= 0.8), and peak_rss_growth_MB for a 20 MB and a
// 200 MB download (equal when memory does not grow with the file size).
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <fstream>
#include <string>

#include "tests/TempDir.h"
#include "tests/update/UpdateServers.h"
#include "update/InetTransfer.h"

namespace vkr {
namespace {

constexpr size_t kMegabyte = 1 << 20;

struct Fixture {
    TempDir serverRoot;
    TempDir local;
    test::UpdateServers servers{serverRoot.path()};

    Fixture() {
        std::filesystem::create_directories(serverRoot.path() / "files");
        for (size_t megabytes : {20, 200}) {
            std::ofstream file(serverRoot.path() / "files" / (std::to_string(megabytes) + "m.bin"), std::ios::binary);
            std::string block(kMegabyte, '\0');
            for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>(i * 31 % 251);
            for (size_t i = 0; i < megabytes; ++i) file.write(block.data(), static_cast<std::streamsize>(block.size()));
        }
    }
};

Fixture& SharedFixture() {
    static Fixture fixture;
    return fixture;
}

double Seconds(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

bool CurlCli(const std::string& url, const std::filesystem::path& out) {
    const std::string target = out.string();
    const char* argv[] = {"curl", "-s", "-o", target.c_str(), url.c_str(), nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, "curl", nullptr, nullptr, const_cast<char**>(argv), environ) != 0) return false;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

long PeakRssKilobytes() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
    return 0;
}

void BM_HttpDownloadVsCurl(benchmark::State& state) {
    Fixture& fixture = SharedFixture();
    const std::string url = fixture.servers.FileUrl("200m.bin");
    const double bytes = 200.0 * kMegabyte;
    double vkrSeconds = 0;
    double curlSeconds = 0;
    int round = 0;
    for (auto _ : state) {
        InetTransfer transfer;
        int64_t last = 0;
        // Both start without a previous copy, so neither pays for freeing one inside its timing.
        std::filesystem::remove(fixture.local.path() / "vkr.bin");
        std::filesystem::remove(fixture.local.path() / "curl.bin");
        auto ours = [&] {
            vkrSeconds += Seconds([&] {
                if (transfer.HttpDownload(url, fixture.local.path() / "vkr.bin",
                                          [&](int64_t, int64_t received, int64_t, int64_t) { last = received; }) != 0)
                    state.SkipWithError("HttpDownload failed");
            });
        };
        auto theirs = [&] {
            curlSeconds += Seconds([&] {
                if (!CurlCli(url, fixture.local.path() / "curl.bin")) state.SkipWithError("curl failed");
            });
        };
        // Alternate who goes first, so neither always meets a warmer cache or a quieter machine.
        if (round++ % 2 == 0) { ours(); theirs(); } else { theirs(); ours(); }
        benchmark::DoNotOptimize(last);
    }
    const double runs = static_cast<double>(state.iterations());
    state.counters["vkr_MBps"] = bytes * runs / vkrSeconds / kMegabyte;
    state.counters["curl_MBps"] = bytes * runs / curlSeconds / kMegabyte;
    state.counters["ratio"] = curlSeconds / vkrSeconds;
}
BENCHMARK(BM_HttpDownloadVsCurl)->Iterations(6)->Unit(benchmark::kMillisecond);

void BM_ResidentMemory(benchmark::State& state) {
    Fixture& fixture = SharedFixture();
    const std::string name = std::to_string(state.range(0)) + "m.bin";
    long growth = 0;
    for (auto _ : state) {
        const long before = PeakRssKilobytes();
        InetTransfer transfer;
        if (transfer.HttpDownload(fixture.servers.FileUrl(name), fixture.local.path() / name) != 0)
            state.SkipWithError("HttpDownload failed");
        growth = std::max(growth, PeakRssKilobytes() - before);
    }
    state.counters["peak_rss_growth_MB"] = static_cast<double>(growth) / 1024.0;
}
BENCHMARK(BM_ResidentMemory)->Arg(20)->Arg(200)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vkr

BENCHMARK_MAIN();
