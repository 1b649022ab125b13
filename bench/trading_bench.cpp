// A demo day headless at speed 30 with trading in it: 29 limit orders far from the market
// rest from before the open to the settlement (with the order of the moment they fill the
// new-order table's 30 slots), and every 60 steps a market order opens a position that a
// market closing order closes 30 steps later. Every step lays the resting orders on the board
// and tests them against the tape; the fills add the lists, the account and the history.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>

#include "account/history.h"
#include "app/simulation.h"
#include "base/price_rules.h"
#include "bench_support.h"
#include "platform/files.h"
#include "platform/system.h"
#include "platform/virtual_scheduler.h"

namespace corvala {
namespace {

// The user confirms every order.
constexpr int kResting = kOrderSlots - 1;  // one slot stays free for the market orders
constexpr int kFillEvery = 60;             // steps: five minutes of the replay

std::string Yen(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.0f", v);
    return buf;
}

// Buys just above the day's lower limit and sells just below its upper limit, on the price
// grid: on the board's overlay all day, never filled.
void PlaceRestingOrders(Simulation& sim) {
    const PriceBand limits = sim.trading().market().limits;
    for (int i = 0; i < kResting; ++i) {
        NewOrderForm f;
        f.quantity = "100";
        f.sell = i % 2 == 1;
        const double far = f.sell ? limits.upper - i : limits.lower + i;
        f.price = Yen(ToPriceGrid(far, false, /*up=*/!f.sell));
        sim.trading().PlaceNewOrder(f);
    }
}

void MarketOrder(Simulation& sim) {
    NewOrderForm f;
    f.quantity = "100";
    f.normalMarket = true;
    sim.trading().PlaceNewOrder(f);
}

void MarketClose(Simulation& sim) {
    sim.trading().SetBulkClose(kSideMarginBuy, true);
    ClosingOrderForm c;
    c.side = kSideMarginBuy;
    c.order.normalMarket = true;
    sim.trading().PlaceClosingOrder(c);
}

void BM_TradingDaySpeed30(benchmark::State& state) {
    bench::SilentDialogs dialogs{true};
    SystemClock clock;
    SeededRandom random(1);
    const std::string history = JoinPath(bench::DemoInstall(), kHistoryFolder);
    std::size_t fills = 0;
    for (auto _ : state) {
        state.PauseTiming();
        // Every day appends to history files that hold only their headers, so that the runs
        // before it do not make its append slower.
        std::filesystem::remove(JoinPath(history, kRealizedFile));
        std::filesystem::remove(JoinPath(history, kExecutionFile));
        CreateDir(history);
        EnsureHistoryFiles(history);
        VirtualScheduler scheduler;
        Simulation sim(Ports{dialogs, clock, random, scheduler}, bench::DemoInstall());
        sim.StartUp();
        sim.trading().RestoreAccount(20'000'000, 0, 0, false);  // room for the resting orders
        sim.day().SetDateText("221102");
        sim.day().SetCodeText("8473");
        sim.replay().SetSimulationChecked(true);
        sim.replay().SetStepObserver([&sim](int) {
            const int step = sim.replay().clock().stepsRun;
            if (step % kFillEvery == 0) MarketOrder(sim);
            if (step % kFillEvery == kFillEvery / 2) MarketClose(sim);
            // A fill slows the replay to speed 10; the user puts it back to 30.
            if (sim.display().speed.speed != 30) sim.replay().speed().SetSpeedScroll(1);
        });
        state.ResumeTiming();
        if (sim.day().DisplayDay() != Simulation::DisplayOutcome::Loaded) state.SkipWithError("no load");
        bool opened = false;
        while (sim.replay().running()) {
            if (sim.replay().waitingForPlay()) {
                if (!opened) {
                    PlaceRestingOrders(sim);
                    int resting = 0;
                    for (const Order& o : sim.trading().orders().pendingNewOrders) resting += o.InUse() ? 1 : 0;
                    if (resting != kResting) state.SkipWithError("a resting order was refused");
                }
                opened = true;
                sim.replay().speed().SetSpeedScroll(1);
                sim.replay().PressPlayback(kPlayPause);
            }
            if (!scheduler.RunOne()) break;
        }
        state.PauseTiming();
        if (sim.replay().clock().stepsRun != kReplayRows) state.SkipWithError("the day did not run to its end");
        // The market orders and their closes fill, the resting orders never.
        fills = sim.trading().fills().size();
        if (fills < 2 * (kReplayRows / kFillEvery) - 2) state.SkipWithError("too few fills");
        for (const auto& f : sim.trading().fills())
            if (f.execution.orderNumber < 100 + kResting && !f.execution.closing) state.SkipWithError("a resting order filled");
        state.ResumeTiming();
    }
    state.counters["fills"] = static_cast<double>(fills);
}
BENCHMARK(BM_TradingDaySpeed30)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace corvala
