// Invariants of the estimated tape and the corrected board over every demo day and several
// seeds: the tape carries the day's volume, reads back, keeps its times in order inside the
// session, and the board stays ordered through a whole replay.

#include <gtest/gtest.h>

#include <cmath>

#include "demo_run.h"
#include "base/price_rules.h"

namespace corvala {
namespace {

bool InSession(int s) {
    return (s >= 9 * 3600 && s < 11 * 3600 + 30 * 60) || (s >= 12 * 3600 + 30 * 60 && s <= 15 * 3600);
}

bool Ordered(const Board& b) {
    for (int i = 1; i < 5; ++i) {
        if (b.At(i) != 0 && b.At(i - 1) != 0 && !(b.At(i) > b.At(i - 1))) return false;
        if (b.At(i + 5) != 0 && b.At(i + 4) != 0 && !(b.At(i + 5) < b.At(i + 4))) return false;
    }
    return true;
}

// Every price on the board is one the exchange allows: on the tick grid of its band.
bool OnGrid(const Board& b, bool fineTickMode) {
    for (int i = 0; i < 10; ++i) {
        const double p = b.At(i);
        if (p == 0) continue;
        const double step = PriceStep(p, fineTickMode);
        if (Price::Nearest(std::round(p / step) * step).tenths() != b.At(i).tenths()) return false;
    }
    return true;
}


TEST(TapeInvariantsTest, EveryDemoDayCarriesItsVolumeInOrderedReadableLines) {
    ASSERT_TRUE(Demo().ok) << Demo().error;
    int days = 0;
    for (std::uint64_t seed : {1u, 7u, 12345u}) {
        DemoRun run(seed);
        for (const auto& date : Demo().dateFolders) {
            for (const auto& stock : Demo().stocks) {
                if (!Demo().Find(date, stock.code)) continue;
                if (!run.Display(date, stock.code, false)) continue;
                ++days;
                const MarketState& m = run.sim.trading().market();
                const DaySeries& s = run.sim.day().data()[SeriesSlot::DayStock];
                const int unit = run.sim.day().data().tradingUnit;
                ASSERT_EQ(m.tape.refused(), 0) << date << " " << stock.code;
                double volume = 0;
                int last = 0;
                for (const std::string& line : m.tape.lines()) {
                    const auto t = ReadTapeLine(line);
                    ASSERT_TRUE(t && t->volume && t->price) << line;
                    ASSERT_GE(t->seconds, last) << date << " " << stock.code << " " << line;
                    ASSERT_TRUE(InSession(t->seconds)) << line;
                    ASSERT_GT(*t->volume, 0) << line;
                    last = t->seconds;
                    volume += *t->volume;
                }
                // Every share after the open is printed once; rows before the first trade
                // are counted by the opening print.
                EXPECT_NEAR(volume, s.cumVolume[kClosingRow] * unit, 0.5)
                    << date << " " << stock.code << " seed " << seed;
            }
        }
    }
    EXPECT_GT(days, 50);
}

TEST(TapeInvariantsTest, TheBoardStaysOrderedAndOnTheTickGridThroughAWholeReplay) {
    ASSERT_TRUE(Demo().ok) << Demo().error;
    // 3350 is quoted in tenths and trades across 1,000 yen, where the step changes from 0.1 to 0.5.
    for (const auto& [date, code] : {std::pair<std::string, std::string>{"221102", "8473"},
                                     {Demo().limitUpDate, Demo().limitUpCode},
                                     {"221104", "3350"},
                                     {"221110", "3350"}}) {
        DemoRun run(3);
        ASSERT_TRUE(run.Display(date, code, true)) << date << " " << code;
        const bool fine = run.sim.day().data().fineTickMode;
        int unordered = 0, offGrid = 0;
        run.sim.replay().SetStepObserver([&](int) { unordered += Ordered(run.sim.trading().market().board) ? 0 : 1; });
        bool speedSet = false;
        while (run.sim.replay().running()) {
            if (run.sim.replay().waitingForPlay()) {
                if (!speedSet) run.sim.replay().speed().SetSpeedScroll(1);
                speedSet = true;
                run.sim.replay().PressPlayback(kPlayPause);
            }
            const Board& b = run.sim.trading().market().board;
            if (!Ordered(b)) ++unordered;
            if (!OnGrid(b, fine)) ++offGrid;
            ASSERT_TRUE(run.scheduler.RunOne());
        }
        EXPECT_EQ(unordered, 0) << date << " " << code;
        EXPECT_EQ(offGrid, 0) << date << " " << code;
        const MarketState& m = run.sim.trading().market();
        EXPECT_EQ(m.tapeCursor, m.tape.size()) << "every line was consumed";
        EXPECT_EQ(static_cast<int>(m.tapeRows.size()), m.tape.size());
    }
}

}  // namespace
}  // namespace corvala
