// The 通算 tab over a long practice history: 実現損益.csv of 5,000 kept runs (three trades each,
// a reset every 500 runs) read back and summed, as the report window does when it opens; and the
// statistics of a run with its 3,600 equity figures.

#include <benchmark/benchmark.h>

#include "account/account.h"
#include "account/history.h"
#include "platform/cp932.h"
#include "review/history_reader.h"
#include "review/history_stats.h"
#include "review/session_record.h"

namespace corvala {
namespace {

const std::string& LongHistory() {
    static const std::string bytes = [] {
        std::string text = std::string(kRealizedHeader) + "\r\n";
        const HistorySummary summary{"1,004,622", "新規建余力", 3013866, "5,800", "5,800", "4,622"};
        for (int run = 0; run < 5000; ++run) {
            const std::string day = "2022/11/0" + std::to_string(run % 9 + 1);
            const RunInfo info{"2026/12/08 21:00:00", day, std::to_string(1301 + run % 40), "銘柄"};
            HistoryBuffers b;
            for (int t = 0; t < 3; ++t)
                b.Add(info, RealizedRow{32400 + t * 600, t == 1 ? "売建" : "買建", t == 1 ? "買埋" : "売埋", 100,
                                        3000 + t, 33000 + t * 600, 3000 + (run + t) % 7 - 3});
            text += FormatRun(b, summary).realized;
            if (run % 500 == 499) text += FormatResetMarker(Ymd{2026, 12, 8}).realized;
        }
        return EncodeCp932(text);
    }();
    return bytes;
}

void BM_ReadAndSumTheKeptRuns(benchmark::State& state) {
    const std::string& bytes = LongHistory();
    HistoryStats stats;
    for (auto _ : state) {
        stats = ComputeHistoryStats(ReadRealizedHistory(bytes));
        benchmark::DoNotOptimize(stats);
    }
    state.counters["runs"] = stats.runs;
    state.counters["trades"] = stats.trades;
    state.counters["MB"] = static_cast<double>(bytes.size()) / 1e6;
}
BENCHMARK(BM_ReadAndSumTheKeptRuns)->Unit(benchmark::kMillisecond);

void BM_StatisticsOfARun(benchmark::State& state) {
    SessionRecord run;
    for (int row = 0; row < 3600; ++row) run.SetEquity(row, (row % 300) * 10.0 - 1000);
    for (int t = 0; t < 40; ++t) run.AddTrade({t % 2 ? "売建" : "買建", 100, 3000, 3000.0 + t % 5 - 2, 32400 + t * 60, 32460 + t * 60, (t % 5 - 2) * 100.0});
    for (auto _ : state) benchmark::DoNotOptimize(run.Stats());
}
BENCHMARK(BM_StatisticsOfARun)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace corvala
