// 10,000 SendFriendMessage calls against the stand-in: the median round trip
// and how much the resident memory grows between the 1,000th and the last
// send (a client that leaks per request grows with every one).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <string>
#include <vector>

#include "api/BotCore.h"
#include "tests/api/StandinProcess.h"

namespace vkr {
namespace {

constexpr int kSends = 10000;
constexpr int kWarmSends = 1000;

// VmRSS of this process in kilobytes.
long ResidentKb() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    return -1;
}

void BM_SendFriendMessage(benchmark::State& state) {
    StandinProcess standin;
    BotCore core;
    if (!standin.Ready() ||
        !core.Initialize(standin.BaseUrl(), StandinProcess::kAuthKey, StandinProcess::kBotQq)) {
        state.SkipWithError("the stand-in did not start or refused the session");
        return;
    }
    FriendApi friendApi = core.GetFriend(10001);
    MessageChain chain;
    chain.AddPlain("benchmark message");
    for (auto _ : state) {
        std::vector<double> roundTripsMs;
        roundTripsMs.reserve(kSends);
        long rssAfterWarmKb = 0;
        int failures = 0;
        for (int i = 1; i <= kSends; ++i) {
            const auto start = std::chrono::steady_clock::now();
            const SendResult result = friendApi.SendFriendMessage(chain);
            roundTripsMs.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
            if (!result.Succeeded()) ++failures;
            if (i == kWarmSends) rssAfterWarmKb = ResidentKb();
        }
        const long rssAfterRunKb = ResidentKb();
        std::nth_element(roundTripsMs.begin(), roundTripsMs.begin() + kSends / 2, roundTripsMs.end());
        const double medianMs = roundTripsMs[kSends / 2];
        state.counters["median_ms"] = medianMs;
        state.counters["median_vs_2ms_target"] = medianMs / 2.0;
        state.counters["rss_after_1000_MB"] = rssAfterWarmKb / 1024.0;
        state.counters["rss_after_10000_MB"] = rssAfterRunKb / 1024.0;
        state.counters["rss_growth_MB"] = (rssAfterRunKb - rssAfterWarmKb) / 1024.0;
        state.counters["rss_growth_vs_5MB_target"] = (rssAfterRunKb - rssAfterWarmKb) / 1024.0 / 5.0;
        state.counters["failed_sends"] = failures;
    }
}
BENCHMARK(BM_SendFriendMessage)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vkr

BENCHMARK_MAIN();
