#include "demo_data/market_model.h"

#include <algorithm>
#include <cmath>

#include "demo_data/board_builder.h"
#include "base/price_rules.h"

namespace corvala {

int SnapshotSeconds(int line) {
    if (line < kDemoMorningLines) return 9 * 3600 + 5 * line;
    if (line < kDemoClosingLine) return 12 * 3600 + 30 * 60 + 5 * (line - kDemoMorningLines);
    return 15 * 3600;
}

std::int64_t TickBelowOrAt(std::int64_t cents, const TickRule& rule) {
    if (rule.fixedStep > 0) return rule.fixedStep;
    const double step = PriceStep(static_cast<double>(cents) / 100.0, rule.fineTable);
    return static_cast<std::int64_t>(std::llround(step * 100.0));
}

std::int64_t TickUp(std::int64_t cents, const TickRule& rule) {
    return cents + TickBelowOrAt(cents, rule);
}

std::int64_t TickDown(std::int64_t cents, const TickRule& rule) {
    // The step below a band's lower bound is the lower band's, so look one hundredth down.
    return cents - TickBelowOrAt(cents - 1, rule);
}

std::int64_t SnapToGrid(std::int64_t cents, const TickRule& rule) {
    const std::int64_t step = TickBelowOrAt(cents, rule);
    const std::int64_t down = cents - cents % step;
    const std::int64_t up = down + step;
    return cents - down < up - cents ? down : up;
}

namespace {

// Resting orders come and go, but a level drifts back toward what such a level usually holds
// instead of piling up over a quiet hour.
std::int64_t CarriedQty(const std::array<Level, kDemoBoardLevels>* prevSide, std::int64_t price,
                        int level, const BoardShape& shape, DemoRng& rng) {
    if (prevSide == nullptr) return 0;
    for (const Level& l : *prevSide) {
        if (l.price != price || l.qty <= 0) continue;
        std::int64_t lots = l.qty / shape.unit;
        const std::int64_t usual = shape.depthLots * (2 + level) / 4;
        lots += rng.Range(-(lots / 6) - 1, lots / 6 + 1) + (usual - lots) / 25;
        return (lots < 1 ? 1 : lots) * shape.unit;
    }
    return 0;
}

std::int64_t FreshQty(int level, const BoardShape& shape, DemoRng& rng) {
    const std::int64_t lots = 1 + rng.Below(shape.depthLots * (2 + level) / 2);
    return lots * shape.unit;
}

}  // namespace

void FillBoard(Snapshot& s, std::int64_t bestBid, std::int64_t bestAsk, const BoardShape& shape,
               const Snapshot* prev, DemoRng& rng) {
    std::int64_t p = bestAsk;
    for (int i = 0; i < kDemoBoardLevels; ++i) {
        Level& l = s.asks[static_cast<std::size_t>(i)];
        if (p <= 0 || p > shape.upper) {
            l = {};
            p = 0;
            continue;
        }
        l.price = p;
        l.qty = CarriedQty(prev ? &prev->asks : nullptr, p, i, shape, rng);
        if (l.qty == 0) l.qty = FreshQty(i, shape, rng);
        p = TickUp(p, shape.tick);
    }
    p = bestBid;
    for (int i = 0; i < kDemoBoardLevels; ++i) {
        Level& l = s.bids[static_cast<std::size_t>(i)];
        if (p <= 0 || p < shape.lower) {
            l = {};
            p = 0;
            continue;
        }
        l.price = p;
        l.qty = CarriedQty(prev ? &prev->bids : nullptr, p, i, shape, rng);
        if (l.qty == 0) l.qty = FreshQty(i, shape, rng);
        p = TickDown(p, shape.tick);
    }
}

int ActivityPerMille(int line) {
    int w = 0;
    if (line >= kDemoClosingLine) return 1000;
    if (line < kDemoMorningLines) {
        const int minute = line / 12;
        w = 280 + std::max(0, 620 - 21 * minute) + (minute >= 140 ? (minute - 140) * 12 : 0);
    } else {
        const int minute = (line - kDemoMorningLines) / 12;
        w = 300 + std::max(0, 400 - 40 * minute) + (minute >= 100 ? (minute - 100) * 9 : 0);
    }
    return std::min(w, 950);
}

}  // namespace corvala
