// A whole demo day replayed headless on virtual time: from 開 始 to 15:00:00 at speed 30, as
// corvala-cli replay runs it, and at speed 5 (virtual delays, so the same work plus the waits'
// bookkeeping).

#include <benchmark/benchmark.h>

#include "app/simulation.h"
#include "bench_support.h"
#include "platform/system.h"
#include "platform/virtual_scheduler.h"

namespace corvala {
namespace {

void ReplayDay(benchmark::State& state, int speed) {
    bench::SilentDialogs dialogs;
    SystemClock clock;
    SeededRandom random(1);
    for (auto _ : state) {
        state.PauseTiming();
        VirtualScheduler scheduler;
        Simulation sim(Ports{dialogs, clock, random, scheduler}, bench::DemoInstall());
        sim.StartUp();
        sim.day().SetDateText("221102");
        sim.day().SetCodeText("8473");
        sim.replay().SetSimulationChecked(true);
        state.ResumeTiming();
        if (sim.day().DisplayDay() != Simulation::DisplayOutcome::Loaded) state.SkipWithError("no load");
        bool speedSet = false;
        while (sim.replay().running()) {
            if (sim.replay().waitingForPlay()) {
                if (!speedSet) sim.replay().speed().SetSpeedScroll(31 - speed);
                speedSet = true;
                sim.replay().PressPlayback(kPlayPause);
            }
            if (!scheduler.RunOne()) break;
        }
        if (sim.replay().clock().stepsRun != 3600) state.SkipWithError("the day did not run to its end");
    }
}

void BM_ReplayDaySpeed30(benchmark::State& state) { ReplayDay(state, 30); }
BENCHMARK(BM_ReplayDaySpeed30)->Unit(benchmark::kMillisecond);

void BM_ReplayDaySpeed5(benchmark::State& state) { ReplayDay(state, 5); }
BENCHMARK(BM_ReplayDaySpeed5)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace corvala
