// The tape-line reader and the engine's handling of one line against arbitrary bytes: reading,
// showing it on the tape list and correcting a board with it.

#include <cstdint>
#include <memory>
#include <string>

#include "data/day_series.h"
#include "platform/system.h"
#include "trading/matching.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace corvala;
    static const auto stock = [] {
        auto s = std::make_unique<DaySeries>();
        for (auto& row : s->board)
            for (int i = 0; i < 5; ++i) {
                row[static_cast<std::size_t>(i)] = 501.0f + static_cast<float>(i);
                row[static_cast<std::size_t>(5 + i)] = 500.0f - static_cast<float>(i);
                row[static_cast<std::size_t>(10 + i)] = row[static_cast<std::size_t>(15 + i)] = 300;
            }
        return s;
    }();
    static SeededRandom random(1);
    const std::string line(reinterpret_cast<const char*>(data), size);
    (void)ReadTapeLine(line);

    MarketState market;
    OrderBook book;
    初期板(market, *stock, 0, false, false);
    market.tape.Add(line);
    MatchingEngine engine(market, book);
    MatchContext ctx;
    ctx.baseSeconds = 15 * 3600;
    ctx.stock = stock.get();
    ctx.random = &random;
    ctx.boardTotalQty = 3000;
    ctx.currentRow = size % kMaxRows;
    engine.MatchPendingOrders(5, ctx);
    return 0;
}
