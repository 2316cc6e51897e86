// Console host figures, each measured within this one run:
//   pane      mean of the last 1,000 of 20,000 pane appends over the first 1,000
//   log       the same for 100,000 lines of one day's log
//   idle      process CPU time of a reader whose child prints nothing for 10 s
//   pipe      50 MB of child output through the pipe alone, and through
//             pipe, reader and pane, over "cat file > /dev/null" of the same file
//   capture   process CPU time of RunAndCapture("sleep 2; echo x")
// Run with one figure's name to measure only that one.
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "console/ConsolePaneModel.h"
#include "console/ConsolePipe.h"
#include "console/ConsoleReader.h"
#include "console/RunAndCapture.h"
#include "log/LogWriter.h"
#include "platform/EventPump.h"
#include "tests/TempDir.h"

namespace vkr {
namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double ProcessCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// Times each of count calls of step; returns mean(last 1,000) / mean(first 1,000).
double LastOverFirst(int count, const std::function<void(int)>& step) {
    std::vector<double> seconds(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        auto start = Clock::now();
        step(i);
        seconds[static_cast<size_t>(i)] = SecondsSince(start);
    }
    double first = 0;
    double last = 0;
    for (int i = 0; i < 1000; ++i) {
        first += seconds[static_cast<size_t>(i)];
        last += seconds[static_cast<size_t>(count - 1000 + i)];
    }
    std::printf("    first 1,000: %.3f us each, last 1,000: %.3f us each\n", first / 1000 * 1e6,
                last / 1000 * 1e6);
    return last / first;
}

void PaneAppends() {
    ConsolePaneModel pane;
    const std::string chunk =
        "\r\n2026-12-11 11:20:00 I/Bot.123456: [VKR] message received from group 12345678: hello there";
    double ratio = LastOverFirst(20000, [&](int) { pane.Append(chunk); });
    std::printf("pane: %zu bytes in the pane, last/first = %.2fx (target <= 2x)\n", pane.Size(), ratio);
}

void LogLines() {
    TempDir dir;
    LogWriter log(dir.path());
    double ratio = LastOverFirst(100000, [&](int i) { log.Write("line " + std::to_string(i) + " of the day", 2); });
    std::printf("log: 100,000 lines, last/first = %.2fx (target <= 2x)\n", ratio);
}

void IdleReader() {
    ConsolePipe pipe;
    ConsolePaneModel pane;
    ConsoleReader reader(pipe, pane);
    pipe.Start("sleep 10");
    const double cpuBefore = ProcessCpuSeconds();
    const auto start = Clock::now();
    reader.Start();
    reader.WaitUntilEnded(20000);
    const double wall = SecondsSince(start);
    const double cpu = ProcessCpuSeconds() - cpuBefore;
    pipe.Close();
    std::printf("idle: reader over %.1f s of silence used %.4f s CPU = %.3f%% of one core (target < 1%%)\n", wall,
                cpu, cpu / wall * 100);
}

// Strips the "\r\n" that starts every chunk; the source holds no "\r".
std::string WithoutChunkBreaks(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

void PipeThroughput() {
    TempDir dir;
    const auto file = dir.path() / "output.txt";
    std::string source;
    source.reserve(50'000'000);
    for (int line = 0; source.size() < 50'000'000; ++line) {
        source += "12:00:00 I/Bot.123456: [VKR] line " + std::to_string(line) +
                  " of a long and chatty console session\n";
    }
    source.resize(50'000'000);
    std::ofstream(file, std::ios::binary) << source;

    struct NoEvents : EventPump {
        void ServePendingEvents(int) override {}
    } pump;
    double catSeconds = 1e9;
    for (int run = 0; run < 3; ++run) {  // the best of three, with the file in the page cache
        auto start = Clock::now();
        RunAndCapture("cat '" + file.string() + "' > /dev/null", pump);
        catSeconds = std::min(catSeconds, SecondsSince(start));
    }

    // The pipe alone, its texts dropped: what the pipe and the conversion cost
    // without the pane's growth.
    ConsolePipe pipe;
    auto start = Clock::now();
    pipe.Start("cat " + file.string());
    size_t received = 0;
    while (pipe.WaitForOutput(1000) && (pipe.IsRunning() || pipe.BytesWaiting() > 0)) {
        received += pipe.ReadAvailableText().size();
    }
    const double pipeAloneSeconds = SecondsSince(start);
    pipe.Close();
    std::printf("pipe alone: %zu bytes read as text in %.3f s, %.2fx cat > /dev/null\n", received,
                pipeAloneSeconds, pipeAloneSeconds / catSeconds);

    ConsolePaneModel pane;
    ConsoleReader reader(pipe, pane);
    start = Clock::now();
    pipe.Start("cat " + file.string());
    reader.Start();
    reader.WaitUntilEnded(600000);
    const double pipeSeconds = SecondsSince(start);
    pipe.Close();
    const bool complete = WithoutChunkBreaks(pane.Text()) == source;
    std::printf("pipe: 50 MB through pipe, reader and pane in %.3f s (%s), cat > /dev/null %.3f s, ratio %.2fx "
                "(target <= 3x)\n",
                pipeSeconds, complete ? "byte for byte" : "INCOMPLETE", catSeconds, pipeSeconds / catSeconds);
}

void IdleCapture() {
    struct NoEvents : EventPump {
        void ServePendingEvents(int) override {}
    } pump;
    const double cpuBefore = ProcessCpuSeconds();
    const auto start = Clock::now();
    std::string output = RunAndCapture("sleep 2; echo x", pump);
    const double wall = SecondsSince(start);
    const double cpu = ProcessCpuSeconds() - cpuBefore;
    std::printf("capture: \"sleep 2; echo x\" gave %zu bytes in %.2f s using %.4f s CPU = %.3f%% of one core "
                "(target < 5%%)\n",
                output.size(), wall, cpu, cpu / wall * 100);
}

}  // namespace
}  // namespace vkr

int main(int argc, char** argv) {
    const std::vector<std::pair<std::string, void (*)()>> figures = {
        {"pane", vkr::PaneAppends},       {"log", vkr::LogLines},         {"idle", vkr::IdleReader},
        {"pipe", vkr::PipeThroughput},    {"capture", vkr::IdleCapture},
    };
    for (const auto& [name, measure] : figures) {
        if (argc < 2 || name == argv[1]) {
            measure();
            std::fflush(stdout);
        }
    }
    return 0;
}
