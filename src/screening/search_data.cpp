#include "screening/search_data.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>

#include "data/csv.h"
#include "platform/files.h"
#include "platform/text.h"

namespace corvala {

namespace {

constexpr std::size_t kFields = 18;

int Digits(std::string_view text) {
    int n = 0;
    for (char c : text) n = n * 10 + (c - '0');
    return n;
}

// "h:nn" or "hh:nn" of a time of day, written back as "hh:nn".
bool ReadTime(std::string_view text, std::string& out) {
    text = Trim(text);
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos || colon == 0 || colon > 2 || text.size() != colon + 3) return false;
    const std::string_view h = text.substr(0, colon), m = text.substr(colon + 1);
    if (!IsAllDigits(h) || !IsAllDigits(m)) return false;
    const int hour = Digits(h), minute = Digits(m);
    if (hour > 23 || minute > 59) return false;
    out.assign(h.size() == 1 ? "0" : "");
    out.append(h).append(":").append(m);
    return true;
}

// A decimal number with an optional sign: the whole field, nothing else (no "nan", no ",").
// Plain decimals, nearly every field of a month, are read directly: a whole number of up to 18
// digits divided once by a power of ten is the correctly rounded value.
bool ReadNumber(std::string_view text, double& out) {
    text = Trim(text);
    std::string_view t = text;
    bool negative = false;
    if (!t.empty() && (t.front() == '+' || t.front() == '-')) {
        negative = t.front() == '-';
        t.remove_prefix(1);
    }
    std::uint64_t whole = 0;
    int digits = 0, decimals = -1;
    bool plain = !t.empty();
    for (char c : t) {
        if (c >= '0' && c <= '9' && digits < 18) {
            whole = whole * 10 + static_cast<std::uint64_t>(c - '0');
            ++digits;
            if (decimals >= 0) ++decimals;
        } else if (c == '.' && decimals < 0) {
            decimals = 0;
        } else {
            plain = false;
            break;
        }
    }
    if (plain) {
        if (digits == 0) return false;
        static constexpr double kPowers[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9,
                                             1e10, 1e11, 1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18};
        out = static_cast<double>(whole) / kPowers[std::max(decimals, 0)];
        if (negative) out = -out;
        return true;
    }
    // Exponents and very long figures: one sign in front, and one after the exponent's E.
    if (t.empty() || t.front() == '+' || t.front() == '-') return false;
    for (std::size_t i = 0; i < t.size(); ++i) {
        const char c = t[i];
        const bool exponentSign = (c == '+' || c == '-') && i > 0 && (t[i - 1] == 'e' || t[i - 1] == 'E');
        if (!((c >= '0' && c <= '9') || c == '.' || c == 'e' || c == 'E' || exponentSign)) return false;
    }
    const auto [end, error] = std::from_chars(t.data(), t.data() + t.size(), out);
    if (negative) out = -out;
    return error == std::errc() && end == t.data() + t.size() && std::isfinite(out);
}

}  // namespace

SearchLineKind ReadSearchLine(std::string_view line, SearchLine& out) {
    if (Trim(line).empty()) return SearchLineKind::Blank;
    thread_local std::vector<std::string_view> f;  // kept: a month is tens of thousands of lines
    SplitFields(line, f);
    if (f.size() < kFields) return SearchLineKind::Malformed;
    if (Trim(f[2]) == "0" || Trim(f[17]) == "0") return SearchLineKind::Zero;

    const std::string_view date = Trim(f[0]), code = Trim(f[1]), volume = Trim(f[17]);
    if (!ParseYymmdd(date) || code.size() != 4 || !IsAllDigits(code)) return SearchLineKind::Malformed;
    if (!IsAllDigits(volume) || volume.size() > 18) return SearchLineKind::Malformed;
    double open = 0;
    if (!ReadNumber(f[2], open) || open <= 0 || open >= 1e9) return SearchLineKind::Malformed;
    SearchLine& s = out;  // written in place: its strings keep their room from line to line
    s.date.assign(date);
    s.code = Digits(code);
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
    s.volume.assign(volume.substr(first));
    if (s.volume == "0") return SearchLineKind::Zero;
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
