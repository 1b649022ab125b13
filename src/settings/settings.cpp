#include "settings/settings.h"

#include <cmath>

#include "data/day_loader.h"
#include "platform/cp932.h"
#include "platform/text.h"

namespace corvala {

const Settings& FactorySettings() {
    static const Settings defaults;
    return defaults;
}

namespace {

// The file's lines as CP932 bytes, without their CR LF. Text after the last line end is a line.
std::vector<std::string_view> SplitLines(std::string_view bytes) {
    std::vector<std::string_view> lines;
    while (!bytes.empty()) {
        const std::size_t nl = bytes.find('\n');
        std::string_view line = bytes.substr(0, nl);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        bytes = nl == std::string_view::npos ? std::string_view() : bytes.substr(nl + 1);
    }
    return lines;
}

// A number line: the leading-number rule, rounded as a whole number is; a value outside
// [lo, hi] (a text that is no number reads as 0) takes `fallback`.
long long WholeOr(std::string_view text, long long lo, long long hi, long long fallback) {
    const double v = RoundHalfEven(LeadingNumber(text));
    if (!(v >= static_cast<double>(lo) && v <= static_cast<double>(hi))) return fallback;
    return static_cast<long long>(v);
}

constexpr long long kInt32Min = -2147483648LL, kInt32Max = 2147483647LL;
// Twips of a window corner: far beyond any screen, but safe to turn into pixels.
constexpr long long kPositionLimit = 100'000'000;

class LineReader {
public:
    explicit LineReader(std::string_view bytes) : lines_(SplitLines(bytes)) {}

    // Line `n` counts from 1; a shorter file lacks it.
    bool Has(int n) const { return static_cast<std::size_t>(n) <= lines_.size(); }
    std::string Text(int n) const { return std::string(Trim(DecodeCp932(lines_[static_cast<std::size_t>(n - 1)]))); }
    std::string Raw(int n) const { return std::string(lines_[static_cast<std::size_t>(n - 1)]); }

    void Read(int n, std::string& out) const {
        if (Has(n)) out = Text(n);
    }
    void Read(int n, bool& out) const {
        if (Has(n)) out = LeadingNumber(Text(n)) != 0;
    }
    template <typename Int>
    void Read(int n, Int& out, long long lo, long long hi) const {
        if (Has(n)) out = static_cast<Int>(WholeOr(Text(n), lo, hi, out));
    }
    void Read(int n, WindowPosition& out) const {
        Read(n, out.top, -kPositionLimit, kPositionLimit);
        Read(n + 1, out.left, -kPositionLimit, kPositionLimit);
    }
private:
    std::vector<std::string_view> lines_;
};

std::string Flag(bool on) { return on ? "1" : "0"; }

}  // namespace

Settings ReadSettings(std::string_view bytes, const Settings& defaults) {
    Settings s = defaults;
    s.laterLines.clear();
    const LineReader in(bytes);
    in.Read(1, s.mainWindow);
    in.Read(3, s.date);
    if (CharCount(s.date) == 5) s.date = "0" + s.date;  // a date of the year 2000s lost its zero
    in.Read(4, s.code);
    in.Read(5, s.simulation);
    in.Read(6, s.speed, 1, 30);
    in.Read(7, s.tick);
    in.Read(8, s.bars);
    in.Read(9, s.average1);
    in.Read(10, s.average2);
    in.Read(11, s.cumulativeVolume);
    in.Read(12, s.vwap);
    in.Read(13, s.prevClose);
    in.Read(14, s.board);
    in.Read(15, s.dataFolder);
    // A period typed above 24 became 24; the file is read the same way.
    for (auto [n, period] : {std::pair{16, &s.ma1}, std::pair{17, &s.ma2}}) {
        if (in.Has(n) && LeadingNumber(in.Text(n)) > kMaxAveragePeriod) *period = kMaxAveragePeriod;
        else in.Read(n, *period, 1, kMaxAveragePeriod);
    }
    if (in.Has(18)) {
        const long long n = WholeOr(in.Text(18), 1, 10, s.barLength);
        if (IsValidBarLength(static_cast<int>(n))) s.barLength = static_cast<int>(n);
    }
    in.Read(19, s.fillSound);
    in.Read(20, s.cashOnly);
    in.Read(21, s.tradeMarkers);
    in.Read(22, s.tape);
    if (in.Has(23)) s.reserved = in.Raw(23);
    in.Read(24, s.showDisclaimer);
    in.Read(25, s.investment, kInt32Min, kInt32Max);
    in.Read(26, s.newOrderWindow);
    in.Read(28, s.closingWindow);
    in.Read(30, s.correctCancelWindow);
    in.Read(32, s.profitTotal, kInt32Min, kInt32Max);
    in.Read(33, s.lossTotal, kInt32Min, kInt32Max);
    ScreeningConditions& c = s.screening;
    in.Read(34, c.laterMonth);
    in.Read(35, c.earlierMonth);
    in.Read(36, c.direction, 0, 2);
    in.Read(37, c.threshold, 0, 255);
    in.Read(38, c.upTo930);
    in.Read(39, c.hideStartTime);
    in.Read(40, c.hideEndTime);
    in.Read(41, c.startNearStart);
    for (int n = kSettingsLines + 1; in.Has(n); ++n) s.laterLines.push_back(in.Raw(n));
    return s;
}

namespace {

// The lines in file order: texts to be encoded, except line 23 and the later lines, which are
// CP932 bytes already (`raw`).
struct Line {
    std::string text;
    bool raw = false;
};

std::vector<Line> Lines(const Settings& s) {
    const auto num = [](long long v) { return Line{std::to_string(v)}; };
    const auto flag = [](bool on) { return Line{Flag(on)}; };
    const auto text = [](const std::string& t) { return Line{std::string(Trim(t))}; };
    const ScreeningConditions& c = s.screening;
    std::vector<Line> lines = {
        num(s.mainWindow.top), num(s.mainWindow.left), text(s.date), text(s.code), flag(s.simulation),
        num(s.speed), flag(s.tick), flag(s.bars), flag(s.average1), flag(s.average2),
        flag(s.cumulativeVolume), flag(s.vwap), flag(s.prevClose), flag(s.board), text(s.dataFolder),
        num(s.ma1), num(s.ma2), num(s.barLength), flag(s.fillSound), flag(s.cashOnly),
        flag(s.tradeMarkers), flag(s.tape), Line{s.reserved, true}, flag(s.showDisclaimer), num(s.investment),
        num(s.newOrderWindow.top), num(s.newOrderWindow.left), num(s.closingWindow.top),
        num(s.closingWindow.left), num(s.correctCancelWindow.top), num(s.correctCancelWindow.left),
        num(s.profitTotal), num(s.lossTotal), text(c.laterMonth), text(c.earlierMonth), num(c.direction),
        num(c.threshold), flag(c.upTo930), flag(c.hideStartTime), flag(c.hideEndTime), flag(c.startNearStart)};
    for (const std::string& later : s.laterLines) lines.push_back(Line{later, true});
    return lines;
}

}  // namespace

std::vector<std::string> SettingsLines(const Settings& s) {
    std::vector<std::string> out;
    for (const Line& line : Lines(s)) out.push_back(line.raw ? DecodeCp932(line.text) : line.text);
    return out;
}

std::string WriteSettings(const Settings& s) {
    std::string bytes;
    for (const Line& line : Lines(s)) {
        // A line end inside a value would shift every later line (a raw line, split at its line
        // feed, holds none and is written as it was read).
        std::string value = line.raw ? line.text : EncodeCp932(line.text);
        if (!line.raw)
            for (char& ch : value)
                if (ch == '\r' || ch == '\n') ch = ' ';
        bytes += value;
        bytes += "\r\n";
    }
    return bytes;
}

}  // namespace corvala
