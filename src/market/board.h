#pragma once
// The synthetic order book beside the chart: the recorded five asks and five bids of a row,
// with the user's resting orders laid on, corrected print by print during a step.

#include <array>
#include <cstdint>
#include <string>

#include "base/values.h"
#include "data/day_series.h"
#include "platform/ports.h"

namespace corvala {

inline constexpr int kBoardLevels = 10;

// Ten levels, exact: 0 best ask, 1–4 the next asks rising; 5 best bid, 6–9 the next bids
// falling. A level at price 0 is empty.
struct Board {
    std::array<Price, kBoardLevels> price{};
    std::array<Shares, kBoardLevels> qty{};

    Price& At(int level) { return price[static_cast<std::size_t>(level)]; }
    Price At(int level) const { return price[static_cast<std::size_t>(level)]; }
    Shares& Qty(int level) { return qty[static_cast<std::size_t>(level)]; }
    Shares Qty(int level) const { return qty[static_cast<std::size_t>(level)]; }
    void Empty(int level) { At(level) = Price{}, Qty(level) = 0; }
    friend bool operator==(const Board& a, const Board& b) {
        for (std::size_t i = 0; i < a.price.size(); ++i)
            if (a.price[i].tenths() != b.price[i].tenths() || a.qty[i] != b.qty[i]) return false;
        return true;
    }
};

// A recorded row's board as exact values: prices to the nearest tenth of a yen, quantities to
// whole shares (a price or quantity that is not positive is none).
Board BoardOf(const BoardRow& row);

struct OverlayEntry {
    Shares quantity = 0;
    Price price;
    bool sells = false;
};

// The user's orders as they stand on the board, at most 50; the list ends at the first entry
// with quantity 0.
class BoardOverlay {
public:
    static constexpr int kCapacity = 50;
    void Clear() { size_ = 0; }
    // False, and nothing stored, when the list is full.
    bool Add(Shares quantity, Price price, bool sells);
    int size() const { return size_; }
    const OverlayEntry& operator[](int i) const { return entries_[static_cast<std::size_t>(i)]; }

private:
    std::array<OverlayEntry, kCapacity> entries_{};
    int size_ = 0;
};

// The day's price limits (値幅制限); 0 where there is none.
struct PriceBand {
    Price lower, upper;
    // `price` lies beyond a known limit.
    bool Excludes(Price price) const {
        return (upper.tenths() > 0 && price.tenths() > upper.tenths()) ||
               (lower.tenths() > 0 && price.tenths() < lower.tenths());
    }
};
// The limits around a base price (the previous close); none without one.
PriceBand DailyPriceBand(double prevClose);

// Lays the overlay onto `board`. During the pre-open phase an order outside the shown range that
// would trade at once is added to the best level of its side. An empty fifth level bounds
// nothing: the order becomes the next level. An order beyond the day's price limits, or without
// a price, never makes a level of its own.
void LayOverlay(Board& board, const BoardOverlay& overlay, bool preOpen, PriceBand limits = {});

// The market's board with the overlay laid on a copy: what is shown and what orders are tested
// against. The market's own board never carries the user's orders.
Board WithOverlay(const Board& market, const BoardOverlay& overlay, bool preOpen, PriceBand limits = {});

// The board's twenty cells as the window shows them, with the change highlight of the ten
// quantity cells.
struct BoardCells {
    std::array<std::string, 20> text{};  // prices 0–9, then quantities
    std::array<bool, kBoardLevels> highlighted{};
    Board shown{};                        // the values behind the texts
    bool decimalPrices = false;           // the pattern the prices were written with
    bool written = false;
};

// Writes every cell of `board` and clears the highlight.
void ShowBoard(BoardCells& cells, const Board& board, bool decimalPrices);
// Writes the cells and highlights, side by side, each quantity that changed at a price that was
// shown before on the same side: at the level's new place after a step's rebuild, at the place
// the price was shown before after a correction (`atOldPlace`).
void ShowBoardWithChanges(BoardCells& cells, const Board& board, bool decimalPrices, bool atOldPlace);

struct CorrectionInputs {
    bool fineTickMode;
    std::int32_t boardTotalQty;
    int tradingUnit;
    Random& random;
    PriceBand limits{};  // no synthetic level lies beyond them
};

// 板補正: one print of `deki` shares at `yaku` applied to the market's board (without the user's
// orders); the sides are refilled with synthetic levels one price step apart, each on the tick
// grid and none beyond the day's price limits (a side at its limit stays short). The caller lays
// the overlay on a copy (WithOverlay).
void 板補正(Board& board, std::int32_t deki, Price yaku, const CorrectionInputs& in);

// `price` on the grid of `step`, exact.
Price OnTick(double price, double step);

// A synthetic level's quantity: about a tenth of the board total, varied by −7 to +8 units, and
// one to five units when that is not positive.
Shares SyntheticQuantity(std::int32_t boardTotalQty, int tradingUnit, Random& random);

// 板瞬時反映: the quantity shown at `kakaku` on the order's side rises by `suryo`; the board
// itself stays as it is. Nothing happens when no level shows the price.
void 板瞬時反映(BoardCells& cells, const Board& board, Price kakaku, Shares suryo, bool sw);

}  // namespace corvala
