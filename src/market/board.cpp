#include "market/board.h"

#include <algorithm>
#include <cmath>

#include "base/price_rules.h"
#include "platform/text.h"

namespace corvala {
namespace {

constexpr int kAsk = 0;      // best ask price
constexpr int kBid = 5;      // best bid price
constexpr int kQty = 10;     // quantity of price index i is at i + kQty

Price& LevelPrice(Board& b, int i) { return b.At(i); }
Shares& Qty(Board& b, int i) { return b.Qty(i); }

// An order beyond the day's price limits could never trade there; shown, it would become the
// best level of a side standing at its limit and fill itself at a price the exchange refuses. A
// market or unfired stop order (price 0) never makes a level of its own.
bool Unshowable(Price p, const PriceBand& l) { return p.tenths() == 0 || l.Excludes(p); }

void LaySell(Board& b, const OverlayEntry& e, bool preOpen, const PriceBand& limits) {
    const Price p = e.price;
    const bool beyondFifth = LevelPrice(b, 4) != 0 && p > LevelPrice(b, 4);
    if (p < LevelPrice(b, kBid) || beyondFifth || Unshowable(p, limits)) {
        if (preOpen && p < LevelPrice(b, kAsk)) Qty(b, kAsk) += e.quantity;
        return;
    }
    for (int i = kAsk; i <= 4; ++i) {
        if (LevelPrice(b, i) == 0) {  // past the last shown ask: the order is the next level
            LevelPrice(b, i) = p;
            Qty(b, i) = e.quantity;
            return;
        }
        if (LevelPrice(b, i) == p) {
            Qty(b, i) += e.quantity;
            return;
        }
        if (LevelPrice(b, i) > p) {  // a new level: the fifth ask drops off
            for (int k = 4; k > i; --k) {
                LevelPrice(b, k) = LevelPrice(b, k - 1);
                Qty(b, k) = Qty(b, k - 1);
            }
            LevelPrice(b, i) = p;
            Qty(b, i) = e.quantity;
            return;
        }
    }
}

void LayBuy(Board& b, const OverlayEntry& e, bool preOpen, const PriceBand& limits) {
    const Price p = e.price;
    const bool aboveAsk = LevelPrice(b, kAsk) != 0 && p > LevelPrice(b, kAsk);
    if (aboveAsk || p < LevelPrice(b, 9) || Unshowable(p, limits)) {
        if (preOpen && p > LevelPrice(b, kBid)) Qty(b, kBid) += e.quantity;
        return;
    }
    for (int i = kBid; i <= 9; ++i) {
        if (LevelPrice(b, i) == p) {
            Qty(b, i) += e.quantity;
            return;
        }
        if (LevelPrice(b, i) < p) {  // a new level: the fifth bid drops off
            for (int k = 9; k > i; --k) {
                LevelPrice(b, k) = LevelPrice(b, k - 1);
                Qty(b, k) = Qty(b, k - 1);
            }
            LevelPrice(b, i) = p;
            Qty(b, i) = e.quantity;
            return;
        }
    }
}

// An empty level shows blank cells, with decimals too.
std::string PriceText(Price v, bool decimals) {
    return v.tenths() == 0 ? std::string{} : FormatPrice(v, decimals, true);
}

// A recorded figure as whole shares; what is not a count is none.
Shares RecordedShares(float v) {
    if (!(v > 0)) return 0;
    return v >= static_cast<float>(kMaxShares) ? kMaxShares : static_cast<Shares>(std::llround(v));
}

}  // namespace

Board BoardOf(const BoardRow& row) {
    Board b;
    for (int i = 0; i < kBoardLevels; ++i) {
        const float price = row[static_cast<std::size_t>(i)];
        b.At(i) = price > 0 ? Price::Nearest(price) : Price{};
        b.Qty(i) = RecordedShares(row[static_cast<std::size_t>(i + kBoardLevels)]);
    }
    return b;
}

bool BoardOverlay::Add(Shares quantity, Price price, bool sells) {
    if (size_ >= kCapacity) return false;
    entries_[static_cast<std::size_t>(size_++)] = {quantity, price, sells};
    return true;
}

PriceBand DailyPriceBand(double prevClose) {
    if (!(prevClose > 0)) return {};
    const double width = DailyPriceLimit(prevClose);
    return {Price::Nearest(std::max(0.0, prevClose - width)), Price::Nearest(prevClose + width)};
}

void LayOverlay(Board& board, const BoardOverlay& overlay, bool preOpen, PriceBand limits) {
    for (int i = 0; i < overlay.size(); ++i) {
        const OverlayEntry& e = overlay[i];
        if (e.quantity == 0) break;
        if (e.sells)
            LaySell(board, e, preOpen, limits);
        else
            LayBuy(board, e, preOpen, limits);
    }
}

Board WithOverlay(const Board& market, const BoardOverlay& overlay, bool preOpen, PriceBand limits) {
    Board b = market;
    LayOverlay(b, overlay, preOpen, limits);
    return b;
}

Price OnTick(double price, double step) {
    if (!(step > 0)) return Price::Nearest(price);
    return Price::Nearest(std::round(price / step) * step);
}

void ShowBoard(BoardCells& cells, const Board& board, bool decimalPrices) {
    if (cells.decimalPrices != decimalPrices || !cells.written) {
        cells.decimalPrices = decimalPrices;
        cells.written = true;
        cells.shown.price.fill(Price(-1));  // all anew
        cells.shown.qty.fill(-1);
    }
    for (int k = 0; k < kBoardLevels; ++k) {
        if (cells.shown.At(k).tenths() != board.At(k).tenths()) {
            cells.text[static_cast<std::size_t>(k)] = PriceText(board.At(k), decimalPrices);
            cells.shown.At(k) = board.At(k);
        }
        if (cells.shown.Qty(k) != board.Qty(k)) {
            cells.text[static_cast<std::size_t>(k + kQty)] = Format(static_cast<double>(board.Qty(k)), "###,###");
            cells.shown.Qty(k) = board.Qty(k);
        }
    }
    cells.highlighted.fill(false);
}

void ShowBoardWithChanges(BoardCells& cells, const Board& board, bool decimalPrices, bool atOldPlace) {
    const Board before = cells.shown;
    ShowBoard(cells, board, decimalPrices);
    for (int side = 0; side < 2; ++side) {
        const int first = side == 0 ? kAsk : kBid;
        for (int now = first; now < first + 5; ++now) {
            const Price price = board.At(now);
            if (price.tenths() == 0) continue;
            for (int old = first; old < first + 5; ++old) {
                if (before.At(old).tenths() != price.tenths()) continue;
                if (before.Qty(old) != board.Qty(now))
                    cells.highlighted[static_cast<std::size_t>(atOldPlace ? old : now)] = true;
                break;
            }
        }
    }
}

Shares SyntheticQuantity(std::int32_t boardTotalQty, int tradingUnit, Random& random) {
    const int u = tradingUnit > 0 ? tradingUnit : 1;
    const double r1 = random.Next();
    const double units = std::floor(std::floor(r1 * 16) - 7 + static_cast<double>(boardTotalQty) / 10 / u);
    double q = units * u;
    if (q <= 0) q = (std::floor(random.Next() * 5) + 1) * u;
    return static_cast<Shares>(q);
}

void 板補正(Board& board, std::int32_t deki, Price yaku, const CorrectionInputs& in) {
    Board& b = board;
    const Shares q = deki;
    // 1. The traded quantity comes off its level; levels nearer the spread are gone.
    for (int j = 0; j < kBoardLevels; ++j) {
        if (LevelPrice(b, j).tenths() != yaku.tenths()) continue;
        Qty(b, j) = std::max<Shares>(0, Qty(b, j) - q);
        const bool locked = LevelPrice(b, kBid).tenths() == LevelPrice(b, kAsk).tenths();
        if (j >= 1 && j <= 4) {
            for (int k = kAsk; k < j; ++k) Qty(b, k) = 0;
            if (locked) Qty(b, kBid) = 0;
        } else if (j >= 6) {
            for (int k = kBid; k < j; ++k) Qty(b, k) = 0;
            if (locked) Qty(b, kAsk) = 0;
        }
    }
    // 2. A print beyond the farthest shown level swept that whole side. On a thin book the
    // fifth level may be empty; an empty level is no bound, or every print would wipe the asks.
    std::int64_t farthestAsk = 0, farthestBid = 0;  // in tenths
    for (int k = kAsk; k <= 4; ++k) farthestAsk = std::max(farthestAsk, LevelPrice(b, k).tenths());
    for (int k = kBid; k <= 9; ++k) {
        const std::int64_t p = LevelPrice(b, k).tenths();
        if (p != 0 && (farthestBid == 0 || p < farthestBid)) farthestBid = p;
    }
    if (farthestAsk != 0 && yaku.tenths() > farthestAsk) {
        for (int k = kAsk; k <= 4; ++k) b.Empty(k);
    } else if (farthestBid != 0 && yaku.tenths() < farthestBid) {
        for (int k = kBid; k <= 9; ++k) b.Empty(k);
    }
    // 3.–5. Both sides rebuilt from their remaining levels, the gaps refilled a step apart.
    Board w{};
    for (int side = 0; side < 2; ++side) {
        const int first = side == 0 ? kAsk : kBid;
        int n = first;
        for (int k = first; k < first + 5; ++k) {
            if (Qty(b, k) == 0) continue;
            LevelPrice(w, n) = LevelPrice(b, k);
            Qty(w, n) = Qty(b, k);
            ++n;
        }
        for (int l = n; l < first + 5; ++l) {
            if (l == first) {
                LevelPrice(w, l) = yaku;
            } else if (side == 0) {
                const double below = LevelPrice(w, l - 1);
                const double step = PriceStep(below, in.fineTickMode);
                const Price price = OnTick(below + step, step);
                if (in.limits.upper.tenths() > 0 && price.tenths() > in.limits.upper.tenths()) break;  // nobody offers above the limit
                LevelPrice(w, l) = price;
            } else {
                // The step below a price is the step of the price just under it, so prices just
                // above a band boundary step down by the smaller step. A twentieth of a yen
                // under it gives a whole-yen price the step of the price a yen lower, and keeps a
                // decimal price above 1,000 yen on its 0.5-yen grid.
                const double above = LevelPrice(w, l - 1);
                const double step = PriceStep(above - 0.05, in.fineTickMode);
                const Price price = OnTick(above - step, step);
                if (price.tenths() <= 0 || in.limits.Excludes(price)) break;
                LevelPrice(w, l) = price;
            }
            Qty(w, l) = SyntheticQuantity(in.boardTotalQty, in.tradingUnit, in.random);
        }
    }
    board = w;
}

void 板瞬時反映(BoardCells& cells, const Board& board, Price kakaku, Shares suryo, bool sw) {
    const int first = sw ? kAsk : kBid;
    for (int i = first; i < first + 5; ++i) {
        if (board.At(i).tenths() != kakaku.tenths()) continue;
        const Shares shown = board.Qty(i) + suryo;
        cells.text[static_cast<std::size_t>(i + kQty)] = Format(static_cast<double>(shown), "###,###");
        cells.shown.Qty(i) = shown;
        return;
    }
}

}  // namespace corvala
