// The chart of a demo day: computing its kept coordinates (at every display), drawing the whole
// base layer as data (a redraw, a completed bar), and a step's live layer (the forming bar and the
// provisional line ends).

#include <benchmark/benchmark.h>

#include "app/simulation.h"
#include "bench_support.h"
#include "chart/layers.h"
#include "platform/system.h"
#include "platform/virtual_scheduler.h"

namespace corvala {
namespace {

// A displayed demo day, in a 1600 × 1000 window.
struct DisplayedDay {
    bench::SilentDialogs dialogs;
    SystemClock clock;
    SeededRandom random{1};
    VirtualScheduler scheduler;
    Simulation sim{Ports{dialogs, clock, random, scheduler}, bench::DemoInstall()};
    explicit DisplayedDay(int barLength = 5) {
        sim.StartUp();
        sim.day().SetBarLength(barLength);
        sim.chart().SetSize((1600 - kDesignWidthPx) * kTwipsPerPixel, (1000 - kDesignHeightPx) * kTwipsPerPixel);
        sim.day().SetDateText("221104");
        sim.day().SetCodeText("8473");
        sim.day().DisplayDay();
    }
};

void BM_ComputeChartData(benchmark::State& state) {
    DisplayedDay d(static_cast<int>(state.range(0)));
    ChartInputs in;
    in.w = d.sim.chart().data().geometry.w();
    in.h = d.sim.chart().data().geometry.h();
    in.barLength = static_cast<int>(state.range(0));
    for (auto _ : state) benchmark::DoNotOptimize(ComputeChartData(d.sim.day().data(), in));
}
BENCHMARK(BM_ComputeChartData)->Arg(5)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_DrawBaseWholeDay(benchmark::State& state) {
    DisplayedDay d(static_cast<int>(state.range(0)));
    ChartPicture picture;
    for (auto _ : state) {
        DrawBase(picture, d.sim.chart().data(), ChartLayers{}, ReplayView{}, {false, false});
        benchmark::DoNotOptimize(picture.base.data());
    }
    state.counters["shapes"] = static_cast<double>(picture.base.size());
}
BENCHMARK(BM_DrawBaseWholeDay)->Arg(5)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_DrawLiveStep(benchmark::State& state) {
    DisplayedDay d;
    ChartPicture picture;
    int row = 0;
    for (auto _ : state) {
        const ReplayView view{true, row / 60 - 1, row};
        DrawLive(picture, d.sim.chart().data(), d.sim.day().data(), ChartLayers{}, view, d.sim.chart().tradeMarkers());
        benchmark::DoNotOptimize(picture.live.data());
        row = (row + 7) % kReplayRows;
    }
}
BENCHMARK(BM_DrawLiveStep)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace corvala
