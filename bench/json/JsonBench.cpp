// Reading a 1 MB "fetchMessage" answer: parse it into a JsonDocument and read
// every event's type and sender id by path, against a bare parse of the same
// answer by the JSON library. The ratio of the two is printed after the run.
#include "platform/CodePage.h"
#include "support/JsonDocument.h"

#include <benchmark/benchmark.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <map>
#include <string>

namespace {

constexpr size_t kAnswerBytes = 1 << 20;

// One FriendMessage or GroupMessage event as the HTTP API sends it (CP936,
// as the HTTP client hands answers over).
std::string Event(int i) {
    std::string n = std::to_string(i);
    std::string chain = R"([{"type":"Source","id":)" + n + R"(,"time":1608000000},)"
                        R"({"type":"Plain","text":")" + "\xC4\xE3\xBA\xC3" + " message " + n + R"(\n"}])";
    if (i % 2 == 0) {
        return R"({"type":"FriendMessage","messageChain":)" + chain + R"(,"sender":{"id":)" +
               std::to_string(1234567890123 + i) + R"(,"nickname":"friend )" + n + R"(","remark":""}})";
    }
    return R"({"type":"GroupMessage","messageChain":)" + chain + R"(,"sender":{"id":)" +
           std::to_string(987654321 + i) + R"(,"memberName":"member","permission":"MEMBER",)"
           R"("group":{"id":)" + std::to_string(55555 + i) + R"(,"name":"group","permission":"ADMINISTRATOR"}}})";
}

struct Answer {
    std::string cp936;
    std::string utf8;
    int events = 0;
};

const Answer& FetchMessageAnswer() {
    static const Answer answer = [] {
        Answer built;
        built.cp936 = R"({"code":0,"data":[)";
        while (built.cp936.size() < kAnswerBytes) {
            if (built.events > 0) built.cp936 += ',';
            built.cp936 += Event(built.events++);
        }
        built.cp936 += "]}";
        built.utf8 = vkr::Cp936ToUtf8(built.cp936);
        return built;
    }();
    return answer;
}

void BM_BareParse(benchmark::State& state) {
    const Answer& answer = FetchMessageAnswer();
    for (auto _ : state) {
        nlohmann::json value = nlohmann::json::parse(answer.utf8);
        benchmark::DoNotOptimize(value);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * answer.utf8.size()));
}
BENCHMARK(BM_BareParse)->Unit(benchmark::kMillisecond);

void BM_DocumentParseAndRead(benchmark::State& state) {
    const Answer& answer = FetchMessageAnswer();
    for (auto _ : state) {
        vkr::JsonDocument document;
        document.Parse(answer.cp936);
        int count = document.Count("data");
        for (int i = 0; i < count; ++i) {
            std::string element = "data[" + std::to_string(i) + "]";
            benchmark::DoNotOptimize(document.GetText(element + ".type"));
            benchmark::DoNotOptimize(document.GetText(element + ".sender.id"));
        }
        if (count != answer.events) state.SkipWithError("not every event was read");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * answer.cp936.size()));
    state.counters["events"] = answer.events;
}
BENCHMARK(BM_DocumentParseAndRead)->Unit(benchmark::kMillisecond);

// Keeps each benchmark's time per iteration so that the ratio comes from this run.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && !run.error_occurred) {
                times_[run.benchmark_name()] = {run.GetAdjustedRealTime(), run.GetAdjustedCPUTime()};
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void PrintRatio() const {
        auto bare = times_.find("BM_BareParse");
        auto document = times_.find("BM_DocumentParseAndRead");
        if (bare == times_.end() || document == times_.end()) return;
        if (bare->second.real <= 0 || bare->second.cpu <= 0) return;
        std::printf("JsonDocument parse + read by path / bare parse: %.2fx real time, %.2fx CPU time\n",
                    document->second.real / bare->second.real, document->second.cpu / bare->second.cpu);
    }

private:
    struct Times {
        double real = 0;
        double cpu = 0;
    };
    std::map<std::string, Times> times_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio();
    benchmark::Shutdown();
    return 0;
}
