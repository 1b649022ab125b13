#include "market/minute_day.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>

#include "data/csv.h"
#include "base/price_rules.h"
#include "platform/cp932.h"
#include "platform/files.h"
#include "platform/text.h"

namespace corvala {
namespace {

constexpr int kOpen = 9 * 3600, kMorningEnd = 11 * 3600 + 30 * 60;
constexpr int kAfternoon = 12 * 3600 + 30 * 60, kClose = 15 * 3600;
constexpr int kMinutes = 300, kStepsPerMinute = 12, kRows = kMinutes * kStepsPerMinute;
constexpr int kBoardLevels = 5, kLevelUnits = 10;

bool ValidUtf8(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        const int n = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
        if (n < 0 || i + static_cast<std::size_t>(n) >= s.size() + (n == 0 ? 1 : 0)) return false;
        for (int k = 1; k <= n; ++k)
            if ((static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]) >> 6) != 2) return false;
        i += static_cast<std::size_t>(n) + 1;
    }
    return true;
}

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

int Number(std::string_view digits) {
    int n = 0;
    for (char c : digits) n = n * 10 + (c - '0');
    return n;
}

// YYMMDD of a date; "" when it is none.
std::string ReadDate(std::string_view t) {
    int y = 0, m = 0, d = 0;
    const std::size_t sep = t.find_first_of("/-");
    if (sep != std::string_view::npos) {
        const std::size_t sep2 = t.find_first_of("/-", sep + 1);
        if (sep2 == std::string_view::npos) return {};
        const std::string_view a = t.substr(0, sep), b = t.substr(sep + 1, sep2 - sep - 1), c = t.substr(sep2 + 1);
        if (a.size() != 4 || b.empty() || b.size() > 2 || c.empty() || c.size() > 2 || !IsAllDigits(a) ||
            !IsAllDigits(b) || !IsAllDigits(c))
            return {};
        y = Number(a), m = Number(b), d = Number(c);
    } else if (IsAllDigits(t) && (t.size() == 8 || t.size() == 6)) {
        const std::size_t yl = t.size() - 4;
        y = Number(t.substr(0, yl)), m = Number(t.substr(yl, 2)), d = Number(t.substr(yl + 2, 2));
    } else {
        return {};
    }
    if (m < 1 || m > 12 || d < 1 || d > 31) return {};
    char out[16];
    std::snprintf(out, sizeof out, "%02d%02d%02d", y % 100, m, d);
    return out;
}

// The minute's start in seconds since midnight; -1 when it is no time.
int ReadTime(std::string_view t) {
    int h = 0, m = 0;
    const std::size_t colon = t.find(':');
    if (colon != std::string_view::npos) {
        const std::string_view a = t.substr(0, colon), rest = t.substr(colon + 1);
        const std::string_view b = rest.substr(0, rest.find(':'));
        if (a.empty() || a.size() > 2 || b.size() != 2 || !IsAllDigits(a) || !IsAllDigits(b)) return -1;
        h = Number(a), m = Number(b);
    } else if (t.size() == 4 && IsAllDigits(t)) {
        h = Number(t.substr(0, 2)), m = Number(t.substr(2, 2));
    } else {
        return -1;
    }
    return h < 24 && m < 60 ? h * 3600 + m * 60 : -1;
}

bool ReadValue(std::string_view t, double& out) {
    t = Trim(t);
    if (t.empty()) return false;
    std::size_t digits = 0;
    bool dot = false;
    for (char c : t) {
        if (c >= '0' && c <= '9') ++digits;
        else if (c == '.' && !dot) dot = true;
        else return false;
    }
    if (digits == 0 || digits > 15) return false;  // no price or volume has more
    out = std::stod(std::string(t));
    return true;
}

// The price of the grid nearest to `p`, within [lo, hi].
double OnGrid(double p, double lo, double hi) {
    const double down = ToPriceGrid(p, false, false), up = ToPriceGrid(p, false, true);
    return std::clamp(p - down <= up - p ? down : up, lo, hi);
}

std::string Price(double p) { return FormatPrice(p, false, false); }

std::string Clock(int seconds) {
    char out[16];
    std::snprintf(out, sizeof out, "%02d:%02d:%02d", seconds / 3600 % 100, seconds / 60 % 60, seconds % 60);
    return out;
}

// The minute of the session a bar belongs to: 0–149 the morning, 150–299 the afternoon; a bar of
// 11:30 or 15:00 (the closing auctions) joins the minute before; -1 outside.
int MinuteIndex(int seconds) {
    if (seconds >= kOpen && seconds <= kMorningEnd) return std::min((seconds - kOpen) / 60, 149);
    if (seconds >= kAfternoon && seconds <= kClose) return 150 + std::min((seconds - kAfternoon) / 60, 149);
    return -1;
}

int RowSeconds(int row) { return kOpen + row * 5 + (row >= kRows / 2 ? 3600 : 0); }

}  // namespace

bool BuiltFromMinuteBars(const std::string& folder, std::string_view code) {
    const auto bytes = ReadWholeFile(JoinPath(folder, kMinuteBarMarker), 1 << 20);
    if (!bytes) return false;
    const std::string text = DecodeCp932(*bytes);
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        if (Trim(std::string_view(text).substr(pos, end - pos)) == code) return true;
        pos = end + 1;
    }
    return false;
}

MinuteBarsRead ReadMinuteBars(std::string_view bytes, const MinuteBarColumns& names) {
    MinuteBarsRead out;
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    const std::string text = ValidUtf8(bytes) ? std::string(bytes) : DecodeCp932(bytes);
    static const std::array<std::vector<std::string>, 7> kAliases = {{
        {"date", "日付"}, {"time", "時刻", "時間"}, {"open", "始値"}, {"high", "高値"},
        {"low", "安値"}, {"close", "終値"}, {"volume", "出来高"}}};
    std::array<int, 7> at;
    at.fill(-1);
    std::vector<std::string_view> fields;
    int lineNo = 0;
    bool header = false;
    std::size_t pos = 0;
    while (pos <= text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string_view line(text.data() + pos, end - pos);
        pos = end + 1;
        ++lineNo;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (Trim(line).empty()) continue;
        SplitFields(line, fields);
        if (!header) {
            header = true;
            for (std::size_t c = 0; c < fields.size(); ++c) {
                std::string name = Lower(Trim(fields[c]));
                if (name.size() >= 2 && name.front() == '"' && name.back() == '"') name = name.substr(1, name.size() - 2);
                for (std::size_t k = 0; k < 7; ++k) {
                    const bool match = names[k].empty()
                                           ? std::find(kAliases[k].begin(), kAliases[k].end(), name) != kAliases[k].end()
                                           : name == Lower(names[k]);
                    if (match && at[k] < 0) at[k] = static_cast<int>(c);
                }
            }
            for (std::size_t k : {0u, 2u, 3u, 4u, 5u})
                if (at[k] < 0) {
                    out.error = "1行目に列の名前（" + std::string(k == 0 ? "日付" : kAliases[k][1]) + "）がありません。";
                    return out;
                }
            continue;
        }
        const auto field = [&](int k) -> std::string_view {
            return at[static_cast<std::size_t>(k)] >= 0 && static_cast<std::size_t>(at[static_cast<std::size_t>(k)]) < fields.size()
                       ? Trim(fields[static_cast<std::size_t>(at[static_cast<std::size_t>(k)])])
                       : std::string_view();
        };
        MinuteBar bar;
        bar.line = lineNo;
        std::string_view date = field(0), time = field(1);
        if (const std::size_t space = date.find_first_of(" T"); space != std::string_view::npos) {
            if (time.empty()) time = Trim(date.substr(space + 1));
            date = date.substr(0, space);
        }
        bar.date = ReadDate(date);
        bar.seconds = ReadTime(time);
        const char* why = nullptr;
        if (bar.date.empty()) why = "日付が読めません。";
        else if (bar.seconds < 0) why = "時刻が読めません。";
        else if (!ReadValue(field(2), bar.open) || !ReadValue(field(3), bar.high) || !ReadValue(field(4), bar.low) ||
                 !ReadValue(field(5), bar.close))
            why = "四本値が読めません。";
        else if (at[6] >= 0 && !ReadValue(field(6), bar.volume)) why = "出来高が読めません。";
        else if (bar.low <= 0 || bar.high < std::max(bar.open, bar.close) || bar.low > std::min(bar.open, bar.close))
            why = "高値・安値が始値・終値と合いません。";
        if (why) {
            out.problems.push_back("行 " + std::to_string(lineNo) + ": " + why);
            continue;
        }
        out.bars.push_back(std::move(bar));
    }
    if (!header) out.error = "ファイルが空です。";
    return out;
}

MinuteDay BuildMinuteDay(const std::vector<MinuteBar>& bars, double prevClose, int unit) {
    MinuteDay day;
    std::vector<std::pair<int, std::string>> told;  // by line
    const auto leftOut = [&](const MinuteBar& b, const std::string& why) {
        told.emplace_back(b.line, "行 " + std::to_string(b.line) + ": " + why + "この足は取り込みません。");
    };
    const auto tell = [&] {
        std::stable_sort(told.begin(), told.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
        for (auto& t : told) day.problems.push_back(std::move(t.second));
        return day;
    };
    std::vector<const MinuteBar*> session;
    for (const MinuteBar& b : bars) {
        if (MinuteIndex(b.seconds) < 0)
            leftOut(b, Clock(b.seconds).substr(0, 5) + " は取引時間外です。");
        else
            session.push_back(&b);
    }
    if (session.empty()) return tell();
    if (prevClose <= 0) prevClose = session.front()->open;
    const double limit = DailyPriceLimit(prevClose);
    const double lo = ToPriceGrid(std::max(prevClose - limit, 1.0), false, true);
    const double hi = ToPriceGrid(prevClose + limit, false, false);
    std::array<std::optional<MinuteBar>, kMinutes> minute;
    for (const MinuteBar* b : session) {
        if (b->high > hi || b->low < lo) {
            leftOut(*b, "値幅制限（" + Price(lo) + "〜" + Price(hi) + "円）を超えています。");
            continue;
        }
        ++day.bars;
        day.close = b->close;
        auto& m = minute[static_cast<std::size_t>(MinuteIndex(b->seconds))];
        if (!m) {
            m = *b;
        } else {  // a closing auction joins the minute before
            m->high = std::max(m->high, b->high);
            m->low = std::min(m->low, b->low);
            m->close = b->close;
            m->volume += b->volume;
        }
    }
    const auto firstBar = std::find_if(minute.begin(), minute.end(), [](const auto& m) { return m.has_value(); });
    if (firstBar == minute.end()) return tell();
    const std::string& date = bars.front().date;
    const std::string dateText = "20" + date.substr(0, 2) + "/" + date.substr(2, 2) + "/" + date.substr(4, 2);
    const double open = OnGrid((*firstBar)->open, lo, hi);
    if (unit < 1) unit = 1;

    std::string out;
    double price = 0, cumVolume = 0, turnover = 0;
    int lastTrade = -1;
    const auto write = [&](int seconds, bool closing) {
        out += dateText + "," + (closing ? std::string("15:00:00") : Clock(seconds)) + ",";
        if (lastTrade >= 0) out += Clock(lastTrade);
        out += ",";
        out += price > 0 ? Price(price) : "-";
        out += "," + Price(prevClose) + ",";
        out += price > 0 ? std::to_string(static_cast<long long>(std::llround(cumVolume))) : "-";
        out += ",";
        if (price > 0) out += Price(open);
        out += ",,,,,,,,";  // the open ends, 7–13 are not written
        std::array<std::string, kBoardLevels * 4> board;
        if (price > 0) {
            double sell = price, buy = price;
            for (int i = 0; i < kBoardLevels; ++i) {
                sell += PriceStep(sell, false);
                if (i > 0) buy -= PriceStep(buy - 0.5, false);
                const auto idx = static_cast<std::size_t>(i);
                if (sell <= hi) board[idx] = Price(sell), board[10 + idx] = std::to_string(kLevelUnits * unit);
                if (buy >= lo) board[5 + idx] = Price(buy), board[15 + idx] = std::to_string(kLevelUnits * unit);
            }
        }
        for (const std::string& cell : board) out += cell + ",";
        out += std::to_string(unit) + ",";
        if (cumVolume > 0) {
            char vwap[32];
            std::snprintf(vwap, sizeof vwap, "%.2f", turnover / cumVolume);
            out += vwap;
        }
        out += "\r\n";
    };
    for (int row = 0; row < kRows; ++row) {
        const int k = row / kStepsPerMinute, step = row % kStepsPerMinute;
        const auto& m = minute[static_cast<std::size_t>(k)];
        if (m) {
            const bool rising = m->close >= m->open;
            const double path[4] = {m->open, rising ? m->low : m->high, rising ? m->high : m->low, m->close};
            price = OnGrid(path[step / 3], lo, hi);
            const double stepVolume = m->volume / kStepsPerMinute;
            cumVolume += stepVolume;
            turnover += stepVolume * price;
            lastTrade = RowSeconds(row);
        }
        write(RowSeconds(row), false);
    }
    write(kClose, true);
    day.file = EncodeCp932(out);
    return tell();
}

std::string MinuteDayFile(const std::vector<MinuteBar>& bars, double prevClose, int unit) {
    return BuildMinuteDay(bars, prevClose, unit).file;
}

}  // namespace corvala
