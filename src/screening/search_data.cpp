#include "screening/search_data.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "data/csv.h"
#include "platform/files.h"
#include "platform/text.h"

namespace corvala {

namespace {

constexpr std::size_t kFields = 18;

// "h:nn" or "hh:nn" of a time of day, written back as "hh:nn".
bool ReadTime(std::string_view text, std::string& out) {
    text = Trim(text);
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos || colon == 0 || colon > 2 || text.size() != colon + 3) return false;
    const std::string_view h = text.substr(0, colon), m = text.substr(colon + 1);
    if (!IsAllDigits(h) || !IsAllDigits(m)) return false;
    const int hour = std::stoi(std::string(h)), minute = std::stoi(std::string(m));
    if (hour > 23 || minute > 59) return false;
    out = (hour < 10 ? "0" : "") + std::to_string(hour) + ":" + std::string(m);
    return true;
}

bool ReadNumber(std::string_view text, double& out) {
    text = Trim(text);
    if (!IsNumeric(text) || text.find(',') != std::string_view::npos) return false;
    out = LeadingNumber(text);
    return std::isfinite(out);
}

}  // namespace

SearchLineKind ReadSearchLine(std::string_view line, SearchLine& out) {
    if (Trim(line).empty()) return SearchLineKind::Blank;
    std::vector<std::string_view> f;
    f.reserve(kFields + 2);
    SplitFields(line, f);
    if (f.size() < kFields) return SearchLineKind::Malformed;
    if (Trim(f[2]) == "0" || Trim(f[17]) == "0") return SearchLineKind::Zero;

    const std::string_view date = Trim(f[0]), code = Trim(f[1]), volume = Trim(f[17]);
    if (!ParseYymmdd(date) || code.size() != 4 || !IsAllDigits(code)) return SearchLineKind::Malformed;
    if (!IsAllDigits(volume) || volume.size() > 18) return SearchLineKind::Malformed;
    double open = 0;
    if (!ReadNumber(f[2], open) || open <= 0 || open >= 1e9) return SearchLineKind::Malformed;
    SearchLine s;
    s.date = std::string(date);
    s.code = std::stoi(std::string(code));
    s.open = open;
    if (!ReadTime(f[3], s.openTime) || !ReadTime(f[4], s.riseEnd) || !ReadTime(f[5], s.fallEnd) ||
        !ReadTime(f[6], s.rise930End) || !ReadTime(f[7], s.fall930End))
        return SearchLineKind::Malformed;
    for (std::size_t i = 0; i < s.changes.size(); ++i) {
        double change = 0;
        if (!ReadNumber(f[8 + i], change) || std::fabs(change) > 1e6) return SearchLineKind::Malformed;
        s.changes[i] = static_cast<float>(change);
    }
    // Leading zeros say nothing about the size of a volume.
    const std::size_t first = std::min(volume.find_first_not_of('0'), volume.size() - 1);
    s.volume = std::string(volume.substr(first));
    if (s.volume == "0") return SearchLineKind::Zero;
    out = std::move(s);
    return SearchLineKind::Used;
}

std::string SearchFileName(std::string_view month) {
    return "検索データ_" + std::string(month) + ".txt";
}

std::string SearchFilePath(const std::string& installFolder, std::string_view month) {
    return JoinPath(JoinPath(installFolder, kSearchDataFolder), SearchFileName(month));
}

std::vector<std::string> SearchMonths(const std::string& installFolder) {
    std::vector<std::string> months;
    for (const std::string& name : ListFiles(JoinPath(installFolder, kSearchDataFolder))) {
        constexpr std::string_view kTxt = ".txt";
        if (name.size() < 6 + kTxt.size() || !name.ends_with(kTxt)) continue;
        const std::string month = name.substr(name.size() - kTxt.size() - 6, 6);
        if (IsAllDigits(month)) months.push_back(month);
    }
    std::sort(months.begin(), months.end());
    months.erase(std::unique(months.begin(), months.end()), months.end());
    return months;
}

std::string MonthLabel(std::string_view month) {
    if (month.size() != 6) return std::string(month);
    return std::string(month.substr(0, 4)) + "/" + std::string(month.substr(4, 2));
}

std::vector<std::string_view> SplitSearchLines(std::string_view bytes) {
    std::vector<std::string_view> lines;
    ForEachLine(bytes, [&](std::string_view line) { lines.push_back(line); });
    return lines;
}

}  // namespace corvala
