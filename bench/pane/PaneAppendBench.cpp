// Appends 20,000 chunks of about 100 bytes, each with a "[VKR]" tag, through
// the model into the real pane widget (offscreen), and compares the mean cost
// of the last 1,000 appends with that of the first 1,000 in the same run.
#include <benchmark/benchmark.h>

#include <QApplication>

#include <chrono>
#include <string>
#include <vector>

#include "app/ConsolePane.h"
#include "console/ConsolePaneModel.h"

namespace {

constexpr int kAppends = 20000;
constexpr int kWindow = 1000;

std::string Chunk(int index) {
    std::string chunk = "\r\n[VKR]2026-12-11 11:00:00 I/Bot.10001: message " + std::to_string(index) + " ";
    chunk.resize(100, 'x');
    return chunk;
}

void PaneAppendGrowth(benchmark::State& state) {
    double firstMeanUs = 0;
    double lastMeanUs = 0;
    for (auto _ : state) {
        vkr::ConsolePaneModel model;
        vkr::ConsolePane pane(model);
        pane.resize(504, 215);
        pane.show();
        std::vector<double> costsUs(kAppends);
        for (int i = 0; i < kAppends; ++i) {
            const std::string chunk = Chunk(i);
            const auto start = std::chrono::steady_clock::now();
            model.Append(chunk);
            pane.ApplyPendingChanges();
            const auto end = std::chrono::steady_clock::now();
            costsUs[static_cast<size_t>(i)] = std::chrono::duration<double, std::micro>(end - start).count();
        }
        double first = 0, last = 0;
        for (int i = 0; i < kWindow; ++i) {
            first += costsUs[static_cast<size_t>(i)];
            last += costsUs[static_cast<size_t>(kAppends - kWindow + i)];
        }
        firstMeanUs = first / kWindow;
        lastMeanUs = last / kWindow;
    }
    state.counters["first1000_mean_us"] = firstMeanUs;
    state.counters["last1000_mean_us"] = lastMeanUs;
    state.counters["last_to_first_ratio"] = lastMeanUs / firstMeanUs;
}
BENCHMARK(PaneAppendGrowth)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
