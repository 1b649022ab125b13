#pragma once
// Reading a recorded day file into one of the four series slots, building the N-minute bars.

#include <string>
#include <string_view>

#include "data/day_series.h"

namespace corvala {

inline constexpr std::string_view kNoDataMarker = "データ未取得";
inline constexpr int kMinFields = 35;

struct DayFileResult {
    enum class Status { Loaded, Missing, MissingMarked, Rejected };
    Status status = Status::Missing;
    std::string problem;  // why a file was rejected, in Japanese
};

// Parses the CP932 bytes of a day file into `slot` of `day` (the slot's kind must already be
// set). On a malformed file returns the reason and leaves the slot cleared; otherwise "".
// `barLength` is N of the N-minute bars (1, 2, 3, 4, 5 or 10).
std::string ParseDayFile(std::string_view bytes, SeriesSlot slot, int barLength, DayData& day);

// Reads <dataFolder>/<dateFolder>/<seriesCode>.csv into `slot`. For the market slots the kind is
// taken from the series code. A missing file marks the slot's chart panel when the date folder
// holds データ未取得.
DayFileResult LoadDaySeries(const std::string& dataFolder, const std::string& dateFolder,
                            const std::string& seriesCode, SeriesSlot slot, int barLength,
                            DayData& day);

// Bar t's start in seconds since midnight: 09:00 plus N·t minutes, plus the lunch hour once the
// morning's 150 minutes are used up.
int BarStartSeconds(int bar, int barLength);
// Bars per day for bar length N: 300 / N.
int BarsPerDay(int barLength);
bool IsValidBarLength(int barLength);

}  // namespace corvala
