#pragma once
// The monthly search files of 検索データ: one line per stock and trading day with the day's
// price changes over fixed time windows, prepared by the data service.

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvala {

inline constexpr const char* kSearchDataFolder = "検索データ";

// One usable line. Times are "hh:nn"; changes are percent, signed, over the windows of fields
// 8–16 (changes[0] is field 8).
struct SearchLine {
    std::string date;  // YYMMDD
    int code = 0;      // 0–9999
    double open = 0;
    std::string openTime;   // field 3
    std::string riseEnd;    // field 4: ends the rise from the open, starts the fall from the high
    std::string fallEnd;    // field 5: ends the fall from the open, starts the rise from the low
    std::string rise930End; // field 6
    std::string fall930End; // field 7
    std::array<float, 9> changes{};
    std::string volume;  // field 17, digits
};

enum class SearchLineKind { Used, Zero, Blank, Malformed };

// Reads one line (without its line end) into `out`, which holds only part of it unless the line
// is Used. Zero: field 2 or 17 is "0", skipped by the search. Malformed: fewer than 18 fields, a
// bad date, code, price, time, change or volume.
SearchLineKind ReadSearchLine(std::string_view line, SearchLine& out);

// "検索データ_YYYYMM.txt".
std::string SearchFileName(std::string_view month);
std::string SearchFilePath(const std::string& installFolder, std::string_view month);

// The months of the search files in `installFolder`/検索データ, "YYYYMM", oldest first: the six
// characters before ".txt" of each name, when they are digits.
std::vector<std::string> SearchMonths(const std::string& installFolder);

// "YYYY/MM" of "YYYYMM".
std::string MonthLabel(std::string_view month);

// The bytes split into lines at LF, a CR before it dropped.
std::vector<std::string_view> SplitSearchLines(std::string_view bytes);

}  // namespace corvala
