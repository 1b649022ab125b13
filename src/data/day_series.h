#pragma once
// One recorded day of one series in memory, and the four slots of a replay.

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "data/series_table.h"

namespace corvala {

inline constexpr int kMaxRows = 3723;      // rows 0–3722 of a file
inline constexpr int kReplayRows = 3600;   // rows 0–3599 are replayed
inline constexpr int kClosingRow = 3599;   // the closing snapshot always lands here
inline constexpr int kMorningRows = 1800;  // rows 0–1799 are the morning session
inline constexpr int kMaxBars = 313;
inline constexpr int kBoardValues = 20;    // 5 ask prices, 5 bid prices, then their quantities

enum class SeriesSlot : int { PrevIndex = 0, DayIndex = 1, PrevStock = 2, DayStock = 3 };
inline constexpr int kSlotCount = 4;
const char* SlotName(SeriesSlot slot);

struct DayBar {
    float open = 0;
    float high = 0;
    float low = 0;
    float close = 0;
    std::int32_t volume = 0;   // in trading units
    double cumVolume = 0;      // cumulative units at the bar's end
};

using BoardRow = std::array<float, kBoardValues>;

struct DaySeries {
    SeriesKind kind = SeriesKind::Stock;
    bool loaded = false;  // a file was read into the slot

    std::array<std::string, kMaxRows> timeText{};
    std::array<float, kMaxRows> price{};
    std::array<float, kMaxRows> vwap{};
    int lastRow = -1;  // index of the last line read

    float high = 0;
    float low = 10'000'000.0f;
    float firstPrice = 0;  // the first traded price (column 3)
    // False for a file begun after the day's first trade (a recording started late): what traded
    // before its first priced row was not seen, so it is no opening print.
    bool openingInFile = true;
    float open = 0;
    float close = 0;
    float prevClose = 0;
    double finalVolume = 0;  // cumulative units at the close
    int tradingUnit = 0;

    std::array<DayBar, kMaxBars> bars{};
    std::int32_t maxBarVolume = 0;

    // Kept for the chosen day's stock and futures: cumulative units, last-trade seconds since
    // midnight (all chosen-day slots) and the board of every row.
    std::array<double, kMaxRows> cumVolume{};
    std::array<std::int32_t, kMaxRows> lastTradeSeconds{};
    std::array<BoardRow, kMaxRows> board{};

    // Back to the state before any load.
    void Clear();
};

// The four slots of a displayed day and the flags their loads set.
struct DayData {
    DayData();
    std::array<std::unique_ptr<DaySeries>, kSlotCount> seriesSlots;

    bool decimalPrices = false;  // the chosen-day stock is quoted with decimals
    bool fineTickMode = false;   // the chosen-day stock needs the fine price-step table
    bool hasVwapColumn = false;  // a stock line had the VWAP column
    int tradingUnit = 0;
    std::array<bool, 2> noDataMarked{};  // chart panel 0 (index) and 1 (stock) show データ未取得
    double buyQtyCellWidth = 746.94;     // board buy-quantity cells, in window scale units

    DaySeries& operator[](SeriesSlot s) { return *seriesSlots[static_cast<std::size_t>(s)]; }
    const DaySeries& operator[](SeriesSlot s) const { return *seriesSlots[static_cast<std::size_t>(s)]; }

    // Every slot back to empty, trading unit 0, no VWAP column.
    void ClearSeries();
};

}  // namespace corvala
