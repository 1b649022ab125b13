#pragma once
// The simulated trading day behind every demo file: one snapshot every five seconds with the last
// trade, the cumulative volume and a five-level board. Prices are held in hundredths of a yen so
// that every figure is an exact integer until it is written.

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

namespace corvala {

inline constexpr int kDemoLines = 3601;  // 3600 snapshots and the closing snapshot
inline constexpr int kDemoClosingLine = 3600;
inline constexpr int kDemoMorningLines = 1800;
inline constexpr int kDemoBoardLevels = 5;

// Seconds since midnight of line `line`: 09:00:00 … 11:29:55, 12:30:00 … 14:59:55, 15:00:00.
int SnapshotSeconds(int line);

// How prices move: one of the two exchange tables, or a fixed step (the index futures).
struct TickRule {
    bool fineTable = false;
    std::int64_t fixedStep = 0;  // hundredths of a yen; 0 means the table decides
};

std::int64_t TickBelowOrAt(std::int64_t cents, const TickRule& rule);  // step of the band at cents
std::int64_t TickUp(std::int64_t cents, const TickRule& rule);
std::int64_t TickDown(std::int64_t cents, const TickRule& rule);
// The nearest grid price; halves go up.
std::int64_t SnapToGrid(std::int64_t cents, const TickRule& rule);

struct Level {
    std::int64_t price = 0;  // hundredths of a yen; 0 is an empty level
    std::int64_t qty = 0;    // shares or contracts
};

struct Snapshot {
    int seconds = 0;
    int lastTradeSeconds = -1;                   // -1 until the first trade
    std::int64_t price = 0;                      // last trade; 0 until the first trade
    std::int64_t cumVolume = -1;                 // since the open; -1 when the file shows "-"
    std::array<Level, kDemoBoardLevels> asks{};  // best (lowest) first
    std::array<Level, kDemoBoardLevels> bids{};  // best (highest) first
    std::int64_t vwapTenths = -1;                // tenths of a yen; -1 until the first trade
};

struct DayPath {
    std::vector<Snapshot> lines;  // kDemoLines
    std::int64_t prevClose = 0;
    std::int64_t open = 0;  // the opening trade
    int openLine = -1;      // the line that first shows a trade

    std::int64_t Close() const { return lines.empty() ? 0 : lines.back().price; }
};

struct StockModel {
    std::string_view code;
    std::int64_t basePrice;  // the level the price drifts back to across days
    TickRule tick;
    int priceDecimals;  // how the file writes the prices: 0, or 1 for the decimal stock
    bool hasVwap;
    int movePerMille;         // chance that a trade moves the price a tick
    int jumpPerMille;         // chance that a moving trade moves it a second tick
    int gapPerMille;          // widest opening gap
    int lotsPerTrade;         // typical lots traded in five busy seconds
    int depthLots;            // typical lots resting at the best level
    int lateOpenLine;         // earliest line of the opening trade; 0 opens at 09:00:00
    std::int64_t floorPrice;  // no trade or order at or below this (0: only the daily limit)
};

// A stock's day. On a limit-up day the price runs to the upper limit in the afternoon after a
// few minutes with no board at all, and stays there with no sellers.
DayPath SimulateStockDay(const StockModel& model, std::int64_t prevClose, std::uint64_t seed,
                         bool limitUpDay);

// The market's common move through one day, in millionths of the previous close; one entry per
// line. The indices follow it so that they move together.
std::vector<std::int64_t> MarketFactor(std::uint64_t seed);

struct IndexModel {
    std::string_view code;
    std::int64_t basePrice;  // hundredths of a point
    int betaPerMille;        // how strongly the index follows the market factor
    int noisePpm;            // its own five-second wobble
};

DayPath SimulateIndexDay(const IndexModel& model, std::int64_t prevClose, std::uint64_t seed,
                         const std::vector<std::int64_t>& factor);

// The index futures follow the index `underlying` at a small basis, in 10-yen steps, with
// contracts as volume and a full board.
DayPath SimulateFuturesDay(std::int64_t prevClose, std::uint64_t seed, const DayPath& underlying);

}  // namespace corvala
