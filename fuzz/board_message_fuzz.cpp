// A board message from the station and a recorded file as a restart reads it, against arbitrary
// bytes: nothing crashes; a row made from any message is one line of the day-file layout that the
// loader takes; a file's whole lines are told apart from a line cut short, and a file that is no
// recording is refused whole.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "data/day_loader.h"
#include "record/recorded_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace corvala;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    const RecordedFileState s = ReadRecordedFile(bytes);
    // A file that is no recording is refused whole: nothing of it to keep, nothing to cut.
    if (!s.refusal.empty() && (s.keep != 0 || s.cut || s.rows != 0)) std::abort();
    if (s.refusal.empty() && (s.keep > bytes.size() || s.cut != (s.keep < bytes.size()))) std::abort();
    if (s.keep > 0 && bytes.substr(s.keep - 2, 2) != "\r\n") std::abort();
    if (s.rows > 0 && s.lastLine.find("\r\n") != std::string::npos) std::abort();

    BoardQuote q;
    if (!ParseBoardMessage(bytes, q)) return 0;
    for (const bool stock : {true, false}) {
        const RowFrame frame{"221102", stock, stock, 100};
        const std::string row = RecordedRow(frame, q, 9 * 3600);
        const std::string twice = row + RepeatedRow(row.substr(0, row.size() - 2), 9 * 3600 + 5);
        if (row.size() < 2 || row.find("\r\n") != row.size() - 2) std::abort();
        if (std::any_of(row.begin(), row.end() - 2, [](char c) { return c < 0x20 || c > 0x7e; })) std::abort();
        const auto fields = std::count(row.begin(), row.end(), ',') + 1;
        if (fields != (stock ? 36 : 35)) std::abort();
        if (row.compare(0, 20, "2022/11/02,09:00:00,") != 0) std::abort();
        const RecordedFileState read = ReadRecordedFile(twice);
        if (read.rows != 2 || read.cut || !read.refusal.empty()) std::abort();
        DayData day;
        const SeriesSlot slot = stock ? SeriesSlot::DayStock : SeriesSlot::DayIndex;
        day.seriesSlots[static_cast<std::size_t>(slot)]->kind = stock ? SeriesKind::Stock : SeriesKind::Nikkei225;
        if (!ParseDayFile(twice, slot, 1, day).empty()) std::abort();
    }
    return 0;
}
