#pragma once
// A day file built from one-minute bars: each minute's twelve steps follow its path (the open,
// then the low or the high first as the bar's shape suggests, then the close), its volume is
// spread over them, and the board is a synthesised one-tick spread on the price grid within the
// day's limits. Such a day loads and replays like any recorded one; a marker beside it says it
// was built, so the display can tell the user its board and tape are not a recording.

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace corvala {

// The file beside the day files of a date that lists, one a line, the codes built from bars.
inline constexpr const char* kMinuteBarMarker = "分足から作成.txt";

// Whether `code`'s file in the date folder `folder` was built from bars (its marker lists it).
bool BuiltFromMinuteBars(const std::string& folder, std::string_view code);

struct MinuteBar {
    std::string date;  // YYMMDD
    int seconds = 0;   // the minute's start, seconds since midnight
    double open = 0, high = 0, low = 0, close = 0;
    double volume = 0;  // shares
    int line = 0;       // in the file, from 1
};

// The columns by name: date, time, open, high, low, close, volume.
using MinuteBarColumns = std::array<std::string, 7>;

struct MinuteBarsRead {
    std::vector<MinuteBar> bars;          // in the file's order
    std::vector<std::string> problems;    // "行 N: why", one per malformed row
    std::string error;                    // the file cannot be read at all (no header, no columns)
};

// Reads a CSV of one-minute bars (UTF-8, with or without a BOM, or CP932). The first line names
// the columns: English or Japanese names (date/日付, time/時刻, open/始値, high/高値, low/安値,
// close/終値, volume/出来高), or those of `names` where one is given. Dates are YYYY/MM/DD,
// YYYY-MM-DD, YYYYMMDD or YYMMDD; times h:mm, hh:mm:ss or hhmm; a date column may carry the
// time too ("2022-11-01 09:05").
MinuteBarsRead ReadMinuteBars(std::string_view bytes, const MinuteBarColumns& names = {});

// One date's day file and what was left out of it.
struct MinuteDay {
    std::string file;                   // CP932, CR LF; empty when no bar could be taken
    int bars = 0;                       // bars taken into it
    double close = 0;                   // the last taken bar's close: the next day's previous close
    std::vector<std::string> problems;  // "行 N: why", one per bar left out
};

// The day file of one date from its bars (in time order), with `prevClose` the close before it
// (0: the day's first open) and `unit` shares per trading unit. A bar outside the session hours
// or beyond the day's price limits is left out and told by its line; a bar of 11:30 or 15:00
// joins the minute before it.
MinuteDay BuildMinuteDay(const std::vector<MinuteBar>& bars, double prevClose, int unit);
// Its file alone.
std::string MinuteDayFile(const std::vector<MinuteBar>& bars, double prevClose, int unit);

}  // namespace corvala
