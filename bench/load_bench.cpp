// The display action's data part on a demo day (four files: the index and the stock, previous
// and chosen day), beside a bare read-and-split of the same bytes.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/simulation.h"
#include "bench_support.h"
#include "data/csv.h"
#include "data/day_loader.h"
#include "platform/files.h"
#include "platform/system.h"
#include "platform/virtual_scheduler.h"

namespace corvala {
namespace {

using bench::DemoInstall;
using bench::SilentDialogs;

const std::vector<std::string>& DayFiles() {
    static const std::vector<std::string> files = [] {
        const std::string data = JoinPath(DemoInstall(), "日中データ");
        return std::vector<std::string>{JoinPath(data, "221101/N225.csv"),
                                        JoinPath(data, "221101/8473.csv"),
                                        JoinPath(data, "221102/N225.csv"),
                                        JoinPath(data, "221102/8473.csv")};
    }();
    return files;
}

void BM_BareReadAndSplit(benchmark::State& state) {
    std::vector<std::string_view> fields;
    std::size_t bytes = 0;
    DayFiles();  // the demo install is written once, outside the timing
    for (auto _ : state) {
        std::size_t count = 0;
        for (const auto& path : DayFiles()) {
            const auto text = ReadWholeFile(path);
            bytes += text->size();
            ForEachLine(*text, [&](std::string_view line) {
                SplitFields(line, fields);
                count += fields.size();
            });
        }
        benchmark::DoNotOptimize(count);
    }
    state.SetBytesProcessed(static_cast<int64_t>(bytes));
}
BENCHMARK(BM_BareReadAndSplit)->Unit(benchmark::kMillisecond);

void BM_DisplayDayDataPart(benchmark::State& state) {
    SilentDialogs dialogs;
    SystemClock clock;
    SeededRandom random(1);
    VirtualScheduler scheduler;
    Simulation sim(Ports{dialogs, clock, random, scheduler}, DemoInstall());
    sim.StartUp();
    sim.day().SetDateText("221102");
    sim.day().SetCodeText("8473");
    for (auto _ : state) {
        sim.day().SelectSeries("日経225");  // forget the loaded day so that every round reads afresh
        if (sim.day().DisplayDay() != Simulation::DisplayOutcome::Loaded) state.SkipWithError("no load");
    }
}
BENCHMARK(BM_DisplayDayDataPart)->Unit(benchmark::kMillisecond);

void BM_ParseStockFile(benchmark::State& state) {
    const auto bytes = ReadWholeFile(DayFiles()[3]);
    auto day = std::make_unique<DayData>();
    for (auto _ : state) benchmark::DoNotOptimize(ParseDayFile(*bytes, SeriesSlot::DayStock, 5, *day));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes->size()));
}
BENCHMARK(BM_ParseStockFile)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace corvala


