// The settings at start-up and exit: reading setsim into its fields, the whole start-up part
// that loads them into the program, and a save (the temporary file is flushed to the disk
// before it replaces setsim, which is most of its time).

#include <benchmark/benchmark.h>

#include "app/simulation.h"
#include "bench_support.h"
#include "platform/files.h"
#include "platform/system.h"
#include "platform/virtual_scheduler.h"
#include "settings/settings_files.h"

namespace corvala {
namespace {

void BM_ReadAndWriteSettings(benchmark::State& state) {
    const std::string bytes = WriteSettings(FactorySettings());
    for (auto _ : state) {
        const Settings s = ReadSettings(bytes);
        benchmark::DoNotOptimize(WriteSettings(s));
    }
}
BENCHMARK(BM_ReadAndWriteSettings);

void BM_LoadSettingsIntoTheProgram(benchmark::State& state) {
    bench::SilentDialogs dialogs;
    SystemClock clock;
    SeededRandom random(1);
    VirtualScheduler scheduler;
    SystemDrives drives;
    Simulation sim(Ports{dialogs, clock, random, scheduler, nullptr, &drives}, bench::DemoInstall());
    for (auto _ : state) benchmark::DoNotOptimize(sim.LoadSettings(""));
}
BENCHMARK(BM_LoadSettingsIntoTheProgram)->Unit(benchmark::kMicrosecond);

void BM_SaveSettings(benchmark::State& state) {
    const Settings s = FactorySettings();
    for (auto _ : state) benchmark::DoNotOptimize(SaveSettingsFile(bench::DemoInstall(), s));
}
BENCHMARK(BM_SaveSettings)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace corvala
