// The market series: indices that follow one common market move per day, and the index futures
// that trade around the Nikkei average in 10-yen steps.

#include <algorithm>

#include "demo_data/board_builder.h"
#include "demo_data/market_model.h"

namespace corvala {
namespace {

constexpr std::int64_t kMillion = 1'000'000;

}  // namespace

std::vector<std::int64_t> MarketFactor(std::uint64_t seed) {
    DemoRng rng(seed);
    std::vector<std::int64_t> f(kDemoLines);
    const std::int64_t drift = rng.Range(-2, 2);
    f[0] = rng.Range(-6000, 6000);
    for (std::size_t line = 1; line < f.size(); ++line) {
        std::int64_t step = rng.Range(-150, 150) + rng.Range(-150, 150) + drift;
        // Lunch-hour news reaches the market at the afternoon open.
        if (line == static_cast<std::size_t>(kDemoMorningLines)) step += rng.Range(-800, 800);
        f[line] = f[line - 1] + step;
    }
    return f;
}

DayPath SimulateIndexDay(const IndexModel& model, std::int64_t prevClose, std::uint64_t seed,
                         const std::vector<std::int64_t>& factor) {
    DemoRng rng(seed);
    DayPath day;
    day.prevClose = prevClose;
    day.lines.resize(kDemoLines);
    // A fifth of the way back to the usual level each day keeps a fortnight of days in range.
    const std::int64_t pull = (model.basePrice - prevClose) * kMillion / prevClose / 5 / kDemoLines;
    std::int64_t own = rng.Range(-model.noisePpm * 10, model.noisePpm * 10);
    for (int line = 0; line < kDemoLines; ++line) {
        Snapshot& s = day.lines[static_cast<std::size_t>(line)];
        s.seconds = SnapshotSeconds(line);
        if (line > 0) own += rng.Range(-model.noisePpm, model.noisePpm) + pull;
        const std::int64_t ppm =
            factor[static_cast<std::size_t>(line)] * model.betaPerMille / 1000 + own;
        s.price = std::max<std::int64_t>(1, prevClose + prevClose * ppm / kMillion);
        s.lastTradeSeconds = s.seconds;
    }
    day.open = day.lines[0].price;
    day.openLine = 0;
    return day;
}

DayPath SimulateFuturesDay(std::int64_t prevClose, std::uint64_t seed, const DayPath& underlying) {
    DemoRng rng(seed);
    DayPath day;
    day.prevClose = prevClose;
    day.lines.resize(kDemoLines);
    BoardShape shape;
    shape.tick.fixedStep = 1000;
    shape.unit = 1;
    shape.depthLots = 40;

    const std::int64_t basis = rng.Range(-80, 20) * 100;
    std::int64_t noise = 0;
    // The futures have traded since 08:45 by the first snapshot.
    std::int64_t cum = rng.Range(1500, 3500);
    std::int64_t price = 0;
    int lastTrade = 9 * 3600 - static_cast<int>(rng.Below(5));
    for (int line = 0; line < kDemoLines; ++line) {
        Snapshot& s = day.lines[static_cast<std::size_t>(line)];
        const Snapshot* before =
            line > 0 ? &day.lines[static_cast<std::size_t>(line - 1)] : nullptr;
        s.seconds = SnapshotSeconds(line);
        noise += rng.Range(-300, 300) - noise / 20;
        const std::int64_t target =
            underlying.lines[static_cast<std::size_t>(line)].price + basis + noise;
        const std::int64_t next = SnapToGrid(target, shape.tick);
        const int activity = std::max(600, ActivityPerMille(line));
        const bool traded = line == 0 || next != price || rng.Chance(activity);
        if (traded) {
            cum += 1 + rng.Below(24 * (activity + 300) / 1000);
            if (line > 0) lastTrade = s.seconds - static_cast<int>(rng.Below(3));
        }
        const int moved = next > price ? 1 : next < price ? -1 : 0;
        price = next;
        s.price = price;
        s.cumVolume = cum;
        s.lastTradeSeconds = lastTrade;
        if (!traded && before != nullptr) {
            FillBoard(s, before->bids[0].price, before->asks[0].price, shape, before, rng);
            continue;
        }
        const bool onBid = rng.Chance(moved > 0 ? 300 : moved < 0 ? 700 : 500);
        const std::int64_t bid = onBid ? price : price - shape.tick.fixedStep;
        FillBoard(s, bid, bid + shape.tick.fixedStep, shape, before, rng);
    }
    day.open = day.lines[0].price;
    day.openLine = 0;
    return day;
}

}  // namespace corvala
