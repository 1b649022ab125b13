#pragma once
// The day file a recording writes: one line every five seconds from 9:00:00 to 11:29:55 and from
// 12:30:00 to 14:59:55 (3,600 rows), then the closing line — the layout every day file has, in
// CP932 (the text is ASCII) with CR LF. A row is built from the board message of its step; a step
// without a message repeats the row before it with its own snapshot time, so the last-trade time
// stays the old one, which is how a day file says that nothing traded.

#include <string>
#include <string_view>

#include "record/kabu_api.h"

namespace corvala {

inline constexpr int kRecordedSteps = 3600;  // rows before the closing line

// The snapshot time of row `row` (0–3599), seconds since midnight.
int RecordedStepSeconds(int row);

// What every row of one file shares.
struct RowFrame {
    std::string today;      // YYMMDD: a price counts as traded only when its time is of this day
    bool stock = true;      // the trading unit and VWAP columns
    bool hasBoard = true;   // stocks and futures; an index has no volume and no board
    int unit = 100;         // shares per trading unit (stocks)
    // The day's open (column 6) is written only by a file that saw the day's first trade; one
    // begun after it has no opening in it.
    bool sawOpening = true;
};

// Whether `quote` holds a trade of the file's day.
bool TradedToday(const RowFrame& frame, const BoardQuote& quote);

// The row of `quote` taken at `snapshotSeconds`, with its line end.
std::string RecordedRow(const RowFrame& frame, const BoardQuote& quote, int snapshotSeconds);
// A row with nothing traded yet and only the previous close, for the steps before the first
// message of a day whose recording began late.
std::string NoTradeRow(const RowFrame& frame, double prevClose, int snapshotSeconds);
// `last` (a row without its line end) again at `snapshotSeconds`, with its line end.
std::string RepeatedRow(std::string_view last, int snapshotSeconds);

// A file as a recording left it: its whole lines, and whether bytes of a line cut short follow.
// A file that does not read as a recording (a line ended by LF alone, a line that is no row) says
// why in `refusal`, and nothing else: it must be left as it is.
struct RecordedFileState {
    std::string refusal;
    std::size_t keep = 0;  // bytes of the whole lines
    bool cut = false;      // bytes after them
    int rows = 0;
    std::string lastLine;  // without its line end; empty when there is none
};
RecordedFileState ReadRecordedFile(std::string_view bytes);

}  // namespace corvala
