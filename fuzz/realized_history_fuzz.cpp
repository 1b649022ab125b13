// 実現損益.csv against arbitrary bytes: every line is a row, one of the file's own lines or
// skipped and counted; the statistics stay finite and consistent whatever the file holds.

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "review/history_reader.h"
#include "review/history_stats.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace corvala;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const HistoryReading reading = ReadRealizedHistory(bytes);
    if (reading.skippedLines < 0 || reading.resets < 0) std::abort();
    int trades = 0;
    for (const KeptRun& run : reading.runs) {
        double sum = 0;
        for (const KeptTrade& t : run.trades) {
            if (!(t.quantity > 0) || !std::isfinite(t.pnl) || t.openedSeconds < 0 || t.closedSeconds < 0) std::abort();
            sum += t.pnl;
        }
        if (run.pnl != sum) std::abort();
        trades += static_cast<int>(run.trades.size());
    }
    const HistoryStats stats = ComputeHistoryStats(reading);
    if (stats.trades != trades || stats.overall.wins + stats.overall.losses > stats.trades) std::abort();
    if (stats.cumulative.size() != reading.runs.size() || stats.overall.maxDrawdown < 0) std::abort();
    if (stats.overall.winRate < 0 || stats.overall.winRate > 1) std::abort();
    return 0;
}
