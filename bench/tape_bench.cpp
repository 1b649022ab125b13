// The tape of a whole demo day estimated from its loaded stock series, as the display action does.

#include <benchmark/benchmark.h>

#include <memory>

#include "bench_support.h"
#include "data/day_loader.h"
#include "market/tape.h"
#include "platform/system.h"

namespace corvala {
namespace {

void BM_BuildDayTape(benchmark::State& state) {
    auto day = std::make_unique<DayData>();
    const std::string data = bench::DemoInstall() + "/日中データ";
    if (LoadDaySeries(data, "221102", "8473", SeriesSlot::DayStock, 5, *day).status !=
        DayFileResult::Status::Loaded) {
        state.SkipWithError("no demo day");
        return;
    }
    SeededRandom random(1);
    DayTape tape;
    std::size_t lines = 0;
    for (auto _ : state) {
        tape.Clear();
        TapeEstimator estimator((*day)[SeriesSlot::DayStock], day->tradingUnit, random, tape);
        for (int r = 0; r < kClosingRow; ++r) estimator.EstimateStepTape(r, r == kClosingRow - 1);
        lines = static_cast<std::size_t>(tape.size());
        benchmark::DoNotOptimize(tape.lines().data());
    }
    state.counters["lines"] = static_cast<double>(lines);
}
BENCHMARK(BM_BuildDayTape)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace corvala
