#pragma once
// Pieces the stock and futures simulations share: the five-level board and the day's rhythm.

#include <algorithm>
#include <cstdint>

#include "demo_data/demo_rng.h"
#include "demo_data/market_model.h"

namespace corvala {

struct BoardShape {
    TickRule tick;
    std::int64_t unit = 100;      // quantities are whole multiples of this
    std::int64_t depthLots = 50;  // typical lots at the best level; deeper levels hold more
    std::int64_t lower = 0;       // no order rests outside the daily limits
    std::int64_t upper = INT64_MAX;
};

// Five levels per side one tick apart from the best prices (0 leaves a side empty). A level whose
// price was on the previous board keeps roughly its quantity, so the board does not flicker.
void FillBoard(Snapshot& s, std::int64_t bestBid, std::int64_t bestAsk, const BoardShape& shape,
               const Snapshot* prev, DemoRng& rng);

// How busy five seconds at `line` are, in per mille: high after the opens, quiet around midday,
// rising again into the close.
int ActivityPerMille(int line);

}  // namespace corvala
