// Sessions: a demo day traded all day long (an order every five minutes, each closed five
// minutes later) recorded to its session file, then that file read back and the day played
// again from it on virtual time, to set beside the plain replay of the same day
// (BM_ReplayDaySpeed30); a long session file of 50,000 actions read; and the fingerprints a
// display takes of the day's four files.

#include <benchmark/benchmark.h>

#include "app/simulation.h"
#include "bench_support.h"
#include "platform/files.h"
#include "platform/system.h"
#include "platform/virtual_scheduler.h"
#include "replay/session_file.h"

namespace corvala {
namespace {

// The session file of the traded day, recorded once per run.
const std::string& TradedDaySession() {
    static const std::string path = [] {
        bench::SilentDialogs dialogs(/*answer=*/true);
        SystemClock clock;
        SeededRandom random(1);
        VirtualScheduler scheduler;
        Simulation sim(Ports{dialogs, clock, random, scheduler}, bench::DemoInstall());
        sim.StartUp();
        sim.day().SetDateText("221102");
        sim.day().SetCodeText("8473");
        sim.replay().SetSimulationChecked(true);
        sim.day().DisplayDay();
        std::string lastOrder;
        while (sim.replay().running()) {
            if (sim.replay().waitingForPlay()) {
                sim.replay().speed().SetSpeedScroll(1);
                sim.replay().PressPlayback(kPlayPause);
            }
            const std::string& clockText = sim.display().clockText;
            if (clockText.size() == 8 && clockText.compare(6, 2, "00") == 0 && clockText[4] % 5 == 0 &&
                clockText != lastOrder && clockText > "09:00:00" && clockText < "14:50:00") {
                lastOrder = clockText;
                if (sim.display().controls.orderButtons[1]) {
                    sim.orderDialogs().OpenClosingDialog(0);
                    sim.orderDialogs().ToggleBulkClose();
                    sim.orderDialogs().SetOrderOption(true, OrderDialogs::OrderOption::NormalMarket, true);
                    sim.orderDialogs().SubmitClosingDialog();
                    sim.orderDialogs().CancelClosingDialog();
                } else {
                    sim.orderDialogs().OpenNewOrderDialog();
                    sim.orderDialogs().EditOrderText(false, OrderField::Quantity, "100");
                    sim.orderDialogs().SetOrderOption(false, OrderDialogs::OrderOption::NormalMarket, true);
                    sim.orderDialogs().SubmitNewOrderDialog();
                    sim.orderDialogs().CancelNewOrderDialog();
                }
            }
            if (!scheduler.RunOne()) break;
        }
        return sim.sessions().path();
    }();
    return path;
}

void BM_PlayATradedDayFromItsSession(benchmark::State& state) {
    std::string error;
    const auto file = ReadSession(TradedDaySession(), error);
    if (!file) return state.SkipWithError(error.c_str());
    bench::SilentDialogs dialogs;
    SystemClock clock;
    SeededRandom random(2);
    std::size_t fills = 0;
    for (auto _ : state) {
        state.PauseTiming();
        VirtualScheduler scheduler;
        Simulation sim(Ports{dialogs, clock, random, scheduler}, bench::DemoInstall());
        sim.StartUp();
        state.ResumeTiming();
        if (!sim.player().Play(*file, false).empty()) state.SkipWithError("refused");
        while (sim.sessions().playing() && scheduler.RunOne()) {
        }
        if (sim.replay().clock().stepsRun != 3600 || sim.sessions().outcome().actionsLeft != 0) state.SkipWithError("did not fit");
        fills = sim.trading().fills().size();
    }
    state.counters["actions"] = static_cast<double>(file->actions.size());
    state.counters["fills"] = static_cast<double>(fills);
}
BENCHMARK(BM_PlayATradedDayFromItsSession)->Unit(benchmark::kMillisecond);

void BM_ReadATradedDaysSession(benchmark::State& state) {
    const std::string text = ReadWholeFile(TradedDaySession()).value_or("");
    std::string error;
    for (auto _ : state) benchmark::DoNotOptimize(ParseSession(text, error));
    state.counters["KB"] = static_cast<double>(text.size()) / 1e3;
}
BENCHMARK(BM_ReadATradedDaysSession)->Unit(benchmark::kMicrosecond);

void BM_ReadALongSession(benchmark::State& state) {
    std::string text = ReadWholeFile(TradedDaySession()).value_or("");
    text = text.substr(0, text.find('\n') + 1);
    for (int i = 0; i < 50'000; ++i)
        text += SessionActionLine({0, i, "10:00:00", "EditOrderText", {"false", "1", std::to_string(3000 + i % 100)}});
    std::string error;
    for (auto _ : state) benchmark::DoNotOptimize(ParseSession(text, error));
    state.counters["MB"] = static_cast<double>(text.size()) / 1e6;
}
BENCHMARK(BM_ReadALongSession)->Unit(benchmark::kMillisecond);

// What a display adds for sessions: the fingerprints of the four files it read.
void BM_FingerprintADaysFiles(benchmark::State& state) {
    const std::string data = bench::DemoInstall() + "/日中データ";
    std::uint64_t bytes = 0;
    for (auto _ : state) {
        bytes = 0;
        for (const char* name : {"221101/N225.csv", "221101/8473.csv", "221102/N225.csv", "221102/8473.csv"})
            if (const auto f = DescribeDataFile(data, name)) bytes += f->size;
    }
    state.counters["MB"] = static_cast<double>(bytes) / 1e6;
}
BENCHMARK(BM_FingerprintADaysFiles)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace corvala
