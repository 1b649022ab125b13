#include "platform/text.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>

namespace corvala {

std::string FullWidthBlanks(int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += "　";
    return s;
}

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

struct Pattern {
    int minIntDigits = 0;   // '0's before the point
    bool grouping = false;  // a ',' in the integer part
    int minDecimals = 0;    // '0's after the point
    int maxDecimals = 0;    // '0's and '#'s after the point
};

Pattern ParsePattern(std::string_view p) {
    Pattern out;
    bool afterPoint = false;
    for (char c : p) {
        if (c == '.') {
            afterPoint = true;
        } else if (c == ',' && !afterPoint) {
            out.grouping = true;
        } else if (c == '0') {
            afterPoint ? (++out.minDecimals, ++out.maxDecimals) : ++out.minIntDigits;
        } else if (c == '#' && afterPoint) {
            ++out.maxDecimals;
        }
    }
    return out;
}

// Decimal digits of |value| rounded half away from zero to `decimals` places: the integer digits
// and the fraction digits. Going through 15 significant digits first keeps 0.1f-style binary
// noise from deciding a half.
void RoundedDigits(double value, int decimals, std::string& intPart, std::string& fracPart) {
    // Whole numbers of the wanted precision (volumes, prices on the grid) need no rounding.
    double scaled = std::fabs(value);
    for (int i = 0; i < decimals; ++i) scaled *= 10;
    if (decimals <= 6 && scaled < 1e15 && scaled == std::floor(scaled)) {
        std::string digits = std::to_string(static_cast<long long>(scaled));
        if (static_cast<int>(digits.size()) <= decimals)
            digits.insert(0, static_cast<std::size_t>(decimals + 1) - digits.size(), '0');
        const std::size_t point = digits.size() - static_cast<std::size_t>(decimals);
        intPart = digits.substr(0, point);
        fracPart = digits.substr(point);
        const auto firstNonZero = intPart.find_first_not_of('0');
        intPart = firstNonZero == std::string::npos ? "" : intPart.substr(firstNonZero);
        return;
    }
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.14e", std::fabs(value));
    // buf = d.dddddddddddddde±XX
    std::string mantissa;
    mantissa += buf[0];
    mantissa.append(buf + 2, 14);
    const int exponent = std::atoi(std::strchr(buf, 'e') + 1);
    // Digits as an integer string with the point after position pointPos.
    int pointPos = exponent + 1;
    std::string digits = mantissa;
    if (pointPos <= 0) {
        digits.insert(0, static_cast<std::size_t>(-pointPos + 1), '0');
        pointPos = 1;
    }
    if (static_cast<int>(digits.size()) < pointPos + decimals + 1)
        digits.append(static_cast<std::size_t>(pointPos + decimals + 1 - static_cast<int>(digits.size())), '0');
    const int keep = pointPos + decimals;
    const bool roundUp = digits[static_cast<std::size_t>(keep)] >= '5';
    digits.resize(static_cast<std::size_t>(keep));
    if (roundUp) {
        int i = keep - 1;
        for (; i >= 0; --i) {
            if (digits[static_cast<std::size_t>(i)] == '9') {
                digits[static_cast<std::size_t>(i)] = '0';
            } else {
                ++digits[static_cast<std::size_t>(i)];
                break;
            }
        }
        if (i < 0) {
            digits.insert(digits.begin(), '1');
            ++pointPos;
        }
    }
    intPart = digits.substr(0, static_cast<std::size_t>(pointPos));
    fracPart = digits.substr(static_cast<std::size_t>(pointPos));
    const auto firstNonZero = intPart.find_first_not_of('0');
    intPart = firstNonZero == std::string::npos ? "" : intPart.substr(firstNonZero);
}

}  // namespace

std::string FormatPrice(double price, bool decimals, bool grouped) {
    const bool tenths = decimals || price != std::floor(price);
    return Format(price, grouped ? (tenths ? "###,###.0" : "###,###") : (tenths ? "0.0" : "#"));
}

std::string Format(double value, std::string_view pattern) {
    if (!std::isfinite(value)) value = 0;
    const Pattern p = ParsePattern(pattern);
    std::string intPart, fracPart;
    RoundedDigits(value, p.maxDecimals, intPart, fracPart);
    while (static_cast<int>(fracPart.size()) > p.minDecimals && !fracPart.empty() && fracPart.back() == '0')
        fracPart.pop_back();
    const bool isZero = intPart.empty() && fracPart.find_first_not_of('0') == std::string::npos;
    if (static_cast<int>(intPart.size()) < p.minIntDigits)
        intPart.insert(0, static_cast<std::size_t>(p.minIntDigits) - intPart.size(), '0');
    if (p.grouping) {
        for (int i = static_cast<int>(intPart.size()) - 3; i > 0; i -= 3)
            intPart.insert(static_cast<std::size_t>(i), 1, ',');
    }
    std::string out;
    if (value < 0 && !isZero) out += '-';
    out += intPart;
    if (p.maxDecimals > 0 && (!fracPart.empty() || p.minDecimals > 0)) {
        out += '.';
        out += fracPart;
    }
    return out;
}

double LeadingNumber(std::string_view t) {
    std::size_t i = 0;
    while (i < t.size() && IsBlank(t[i])) ++i;
    const std::size_t start = i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    const std::size_t digitsStart = i;
    while (i < t.size() && IsDigit(t[i])) ++i;
    bool anyDigit = i > digitsStart;
    if (i < t.size() && t[i] == '.') {
        ++i;
        const std::size_t fracStart = i;
        while (i < t.size() && IsDigit(t[i])) ++i;
        anyDigit = anyDigit || i > fracStart;
    }
    if (!anyDigit) return 0;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < t.size() && (t[j] == '+' || t[j] == '-')) ++j;
        const std::size_t expStart = j;
        while (j < t.size() && IsDigit(t[j])) ++j;
        if (j > expStart) i = j;
    }
    const std::string number(t.substr(start, i - start));
    const double v = std::strtod(number.c_str(), nullptr);
    return std::isfinite(v) ? v : 0;
}

bool IsAllDigits(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return IsDigit(c); });
}

bool IsNumeric(std::string_view text) {
    const std::string_view t = Trim(text);
    std::size_t i = 0;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    bool anyDigit = false;
    while (i < t.size() && (IsDigit(t[i]) || (t[i] == ',' && anyDigit))) {
        anyDigit = anyDigit || IsDigit(t[i]);
        ++i;
    }
    if (i < t.size() && t[i] == '.') {
        ++i;
        while (i < t.size() && IsDigit(t[i])) {
            anyDigit = true;
            ++i;
        }
    }
    if (!anyDigit) return false;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
        const std::size_t expStart = i;
        while (i < t.size() && IsDigit(t[i])) ++i;
        if (i == expStart) return false;
    }
    return i == t.size();
}

double ReadFormattedNumber(std::string_view text) {
    std::string plain;
    plain.reserve(text.size());
    for (char c : text)
        if (c != ',') plain += c;
    return LeadingNumber(plain);
}

long long Int(double x) {
    if (!std::isfinite(x)) return 0;
    return static_cast<long long>(std::floor(x));
}

double RoundHalfEven(double x, int digits) {
    const double scale = std::pow(10.0, digits);
    const double scaled = x * scale;
    const double floorV = std::floor(scaled);
    const double diff = scaled - floorV;
    double r;
    if (std::fabs(diff - 0.5) < 1e-9)
        r = std::fmod(floorV, 2.0) == 0 ? floorV : floorV + 1;
    else
        r = std::round(scaled);
    return r / scale;
}

int DisplayWidth(std::string_view s) {
    int width = 0;
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        std::size_t len = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        if (i + len > s.size()) len = s.size() - i;
        bool narrow = c < 0x80;
        if (len == 3 && c == 0xEF) {
            // U+FF61..U+FF9F half-width katakana: EF BD A1..EF BE 9F
            const auto c1 = static_cast<unsigned char>(s[i + 1]);
            const auto c2 = static_cast<unsigned char>(s[i + 2]);
            narrow = (c1 == 0xBD && c2 >= 0xA1) || c1 == 0xBE;
        }
        width += narrow ? 1 : 2;
        i += len;
    }
    return width;
}

std::string RightAlign(std::string_view text, int width) {
    const int pad = width - DisplayWidth(text);
    std::string out;
    if (pad > 0) out.assign(static_cast<std::size_t>(pad), ' ');
    out += text;
    return out;
}

std::size_t CharCount(std::string_view s) {
    std::size_t n = 0;
    for (char c : s)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
    return n;
}

std::string LeftChars(std::string_view s, std::size_t count) {
    std::size_t seen = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) {
            if (seen == count) return std::string(s.substr(0, i));
            ++seen;
        }
    }
    return std::string(s);
}

std::string_view Trim(std::string_view t) {
    std::size_t b = 0, e = t.size();
    while (b < e && IsBlank(t[b])) ++b;
    while (e > b && IsBlank(t[e - 1])) --e;
    return t.substr(b, e - b);
}

namespace {

// Half-width forms of ァ (U+30A1) … ヶ (U+30F6).
constexpr const char* kHalfKatakana[] = {
    "ｧ", "ｱ", "ｨ", "ｲ", "ｩ", "ｳ", "ｪ", "ｴ", "ｫ", "ｵ", "ｶ", "ｶﾞ", "ｷ", "ｷﾞ", "ｸ", "ｸﾞ", "ｹ", "ｹﾞ",
    "ｺ", "ｺﾞ", "ｻ", "ｻﾞ", "ｼ", "ｼﾞ", "ｽ", "ｽﾞ", "ｾ", "ｾﾞ", "ｿ", "ｿﾞ", "ﾀ", "ﾀﾞ", "ﾁ", "ﾁﾞ", "ｯ", "ﾂ",
    "ﾂﾞ", "ﾃ", "ﾃﾞ", "ﾄ", "ﾄﾞ", "ﾅ", "ﾆ", "ﾇ", "ﾈ", "ﾉ", "ﾊ", "ﾊﾞ", "ﾊﾟ", "ﾋ", "ﾋﾞ", "ﾋﾟ", "ﾌ", "ﾌﾞ",
    "ﾌﾟ", "ﾍ", "ﾍﾞ", "ﾍﾟ", "ﾎ", "ﾎﾞ", "ﾎﾟ", "ﾏ", "ﾐ", "ﾑ", "ﾒ", "ﾓ", "ｬ", "ﾔ", "ｭ", "ﾕ", "ｮ", "ﾖ",
    "ﾗ", "ﾘ", "ﾙ", "ﾚ", "ﾛ", "ﾜ", "ﾜ", "ｲ", "ｴ", "ｦ", "ﾝ", "ｳﾞ", "ｶ", "ｹ"};
static_assert(std::size(kHalfKatakana) == 0x30F6 - 0x30A1 + 1);

const char* HalfWidthSign(char32_t c) {
    switch (c) {
        case U'\u3000': return " ";
        case U'\u3001': return "､";
        case U'\u3002': return "｡";
        case U'\u300C': return "｢";
        case U'\u300D': return "｣";
        case U'\u309B': return "ﾞ";
        case U'\u309C': return "ﾟ";
        case U'\u30FB': return "･";
        case U'\u30FC': return "ｰ";
        default: return nullptr;
    }
}

}  // namespace

std::string ToHalfWidth(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        const auto c0 = static_cast<unsigned char>(s[i]);
        if (c0 < 0xE0 || c0 >= 0xF0 || i + 3 > s.size()) {  // only three-byte forms change
            const std::size_t len = c0 < 0x80 ? 1 : c0 < 0xE0 ? 2 : c0 < 0xF0 ? 3 : 4;
            const std::size_t n = std::min(len, s.size() - i);
            out.append(s.substr(i, n));
            i += n;
            continue;
        }
        const char32_t c = (char32_t(c0 & 0x0F) << 12) | (char32_t(static_cast<unsigned char>(s[i + 1]) & 0x3F) << 6) |
                           char32_t(static_cast<unsigned char>(s[i + 2]) & 0x3F);
        if (c >= 0xFF01 && c <= 0xFF5E) {
            out += static_cast<char>(c - 0xFF01 + 0x21);
        } else if (c >= 0x30A1 && c <= 0x30F6) {
            out += kHalfKatakana[c - 0x30A1];
        } else if (const char* sign = HalfWidthSign(c)) {
            out += sign;
        } else {
            out.append(s.substr(i, 3));
        }
        i += 3;
    }
    return out;
}

std::optional<int> ParseTimeOfDay(std::string_view text) {
    const std::string_view t = Trim(text);
    int parts[3] = {0, 0, 0};
    int count = 0;
    std::size_t i = 0;
    while (count < 3) {
        const std::size_t start = i;
        int v = 0;
        while (i < t.size() && IsDigit(t[i]) && i - start < 2) v = v * 10 + (t[i++] - '0');
        if (i == start) return std::nullopt;
        parts[count++] = v;
        if (i == t.size()) break;
        if (t[i] != ':') return std::nullopt;
        ++i;
    }
    if (i != t.size() || count < 2) return std::nullopt;
    if (parts[0] > 23 || parts[1] > 59 || parts[2] > 59) return std::nullopt;
    return parts[0] * 3600 + parts[1] * 60 + parts[2];
}

std::string FormatTimeOfDay(int seconds) {
    if (seconds < 0) seconds = 0;
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", (seconds / 3600) % 100, seconds / 60 % 60, seconds % 60);
    return buf;
}

std::optional<Ymd> ParseYymmdd(std::string_view text) {
    if (text.size() != 6) return std::nullopt;
    for (char c : text)
        if (!IsDigit(c)) return std::nullopt;
    const int yy = (text[0] - '0') * 10 + (text[1] - '0');
    const int mm = (text[2] - '0') * 10 + (text[3] - '0');
    const int dd = (text[4] - '0') * 10 + (text[5] - '0');
    const std::chrono::year_month_day ymd{std::chrono::year{2000 + yy},
                                          std::chrono::month{static_cast<unsigned>(mm)},
                                          std::chrono::day{static_cast<unsigned>(dd)}};
    if (!ymd.ok()) return std::nullopt;
    return Ymd{2000 + yy, mm, dd};
}

std::string FormatYymmdd(const Ymd& d) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d%02d%02d", d.year % 100, d.month % 100, d.day % 100);
    return buf;
}

namespace {
std::chrono::sys_days ToSysDays(const Ymd& d) {
    return std::chrono::sys_days{std::chrono::year{d.year} /
                                 std::chrono::month{static_cast<unsigned>(d.month)} /
                                 std::chrono::day{static_cast<unsigned>(d.day)}};
}
}  // namespace

Ymd AddDays(const Ymd& date, int days) {
    const std::chrono::year_month_day r{ToSysDays(date) + std::chrono::days{days}};
    return Ymd{static_cast<int>(r.year()), static_cast<int>(static_cast<unsigned>(r.month())),
               static_cast<int>(static_cast<unsigned>(r.day()))};
}

int Weekday(const Ymd& date) {
    return static_cast<int>(std::chrono::weekday{ToSysDays(date)}.c_encoding());
}

std::string JapaneseDateLabel(const Ymd& d) {
    static constexpr const char* kWeekdays[] = {"日", "月", "火", "水", "木", "金", "土"};
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d年%02d月%02d日 (%s)", d.year, d.month, d.day,
                  kWeekdays[Weekday(d)]);
    return buf;
}

}  // namespace corvala
