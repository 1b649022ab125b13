#include "settings/settings.h"

#include <algorithm>
#include <cmath>

#include "account/account.h"
#include "data/csv.h"
#include "data/day_loader.h"
#include "platform/cp932.h"
#include "platform/text.h"

namespace corvala {

bool IsOneKeyName(std::string_view key) {
    for (int n = kFirstOneKey; n <= kLastOneKey; ++n)
        if (key == "F" + std::to_string(n)) return true;
    return false;
}

const Settings& FactorySettings() {
    static const Settings defaults;
    return defaults;
}

namespace {

// The file's lines as CP932 bytes, without their line ends: CR LF, LF or a lone CR (a file
// written by an old editor). Text after the last line end is a line.
std::vector<std::string_view> SplitLines(std::string_view bytes) {
    std::vector<std::string_view> lines;
    while (!bytes.empty()) {
        const std::size_t end = bytes.find_first_of("\r\n");
        lines.push_back(bytes.substr(0, end));
        if (end == std::string_view::npos) break;
        const std::size_t next = end + (bytes.compare(end, 2, "\r\n") == 0 ? 2 : 1);
        bytes = bytes.substr(next);
    }
    return lines;
}

constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";  // what a byte that is no CP932 decodes to

// A number line: the leading-number rule, rounded as a whole number is; a value outside
// [lo, hi] (a text that is no number reads as 0) takes `fallback`.
long long WholeOr(std::string_view text, long long lo, long long hi, long long fallback) {
    const double v = RoundHalfEven(LeadingNumber(text));
    if (!(v >= static_cast<double>(lo) && v <= static_cast<double>(hi))) return fallback;
    return static_cast<long long>(v);
}

// Twips of a window corner: far beyond any screen, but safe to turn into pixels.
constexpr long long kPositionLimit = 100'000'000;

class LineReader {
public:
    explicit LineReader(std::string_view bytes) : lines_(SplitLines(bytes)) {}

    // Line `n` counts from 1; a shorter file lacks it.
    bool Has(int n) const { return static_cast<std::size_t>(n) <= lines_.size(); }
    std::string Text(int n) const { return std::string(Trim(DecodeCp932(lines_[static_cast<std::size_t>(n - 1)]))); }
    std::string Raw(int n) const { return std::string(lines_[static_cast<std::size_t>(n - 1)]); }

    // A text line; one whose bytes are not CP932 is noted, with its bytes, to be written back.
    void Read(int n, std::string& out, Settings& s, SettingsReadNotes& notes) const {
        if (!Has(n)) return;
        out = Text(n);
        if (out.find(kReplacementCharacter) == std::string::npos) return;
        s.notCp932[n] = Raw(n);
        notes.notCp932.push_back(n);
    }
    void Read(int n, bool& out) const {
        if (Has(n)) out = LeadingNumber(Text(n)) != 0;
    }
    template <typename Int>
    void Read(int n, Int& out, long long lo, long long hi) const {
        if (Has(n)) out = static_cast<Int>(WholeOr(Text(n), lo, hi, out));
    }
    // An amount of money: a number of yen from 0 to kMaxYen (thousands separators allowed);
    // any other value keeps the default and is noted. A negative total would be profit never made.
    void ReadMoney(int n, std::int64_t& out, SettingsReadNotes& notes) const {
        if (!Has(n)) return;
        const std::string text = Text(n);
        const double v = RoundHalfEven(ReadFormattedNumber(text));
        if (IsNumeric(text) && v >= 0 && v <= static_cast<double>(kMaxYen))
            out = static_cast<std::int64_t>(v);
        else
            notes.refusedMoney.push_back(n);
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

std::string SettingsNotice(const SettingsReadNotes& notes) {
    const auto lines = [](const std::vector<int>& numbers) {
        std::string text;
        for (int n : numbers) text += (text.empty() ? "" : "・") + std::to_string(n);
        return "設定ファイル(" + std::string(kSettingsFile) + ")の" + text + "行目";
    };
    std::string notice;
    if (!notes.refusedMoney.empty())
        notice += lines(notes.refusedMoney) + "の金額が正しくないため、初期設定(" + kFactorySettingsFile + ")の値を使います。";
    if (!notes.notCp932.empty())
        notice += (notice.empty() ? "" : "　") + lines(notes.notCp932) +
                  "にシフトJISで読めない文字があります。書き換えるまでは元のまま保存します。";
    return notice;
}

Settings ReadSettings(std::string_view bytes, const Settings& defaults, SettingsReadNotes* notesOut) {
    Settings s = defaults;
    s.laterLines.clear();
    SettingsReadNotes notes;
    const LineReader in(bytes);
    std::erase_if(s.notCp932, [&](const auto& line) { return in.Has(line.first); });
    in.Read(1, s.mainWindow);
    in.Read(3, s.date, s, notes);
    if (CharCount(s.date) == 5) s.date = "0" + s.date;  // a date of the year 2000s lost its zero
    in.Read(4, s.code, s, notes);
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
    in.Read(15, s.dataFolder, s, notes);
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
    in.ReadMoney(25, s.investment, notes);
    in.Read(26, s.newOrderWindow);
    in.Read(28, s.closingWindow);
    in.Read(30, s.correctCancelWindow);
    in.ReadMoney(32, s.profitTotal, notes);
    in.ReadMoney(33, s.lossTotal, notes);
    ScreeningConditions& c = s.screening;
    in.Read(34, c.laterMonth, s, notes);
    in.Read(35, c.earlierMonth, s, notes);
    in.Read(36, c.direction, 0, 2);
    in.Read(37, c.threshold, 0, 255);
    in.Read(38, c.upTo930);
    in.Read(39, c.hideStartTime);
    in.Read(40, c.hideEndTime);
    in.Read(41, c.startNearStart);
    if (in.Has(42)) {
        // Unknown or doubled keys are dropped: one key does one thing.
        const std::string line = in.Text(42);
        std::vector<std::string_view> keys;
        SplitFields(line, keys);
        for (int k = 0; k < kOneKeys; ++k) {
            const std::string key = k < static_cast<int>(keys.size()) ? std::string(Trim(keys[static_cast<std::size_t>(k)])) : "";
            const bool taken = std::find(s.oneKeys.begin(), s.oneKeys.begin() + k, key) != s.oneKeys.begin() + k;
            s.oneKeys[static_cast<std::size_t>(k)] = IsOneKeyName(key) && !taken ? key : "";
        }
    }
    in.Read(43, s.oneKeyConfirm);
    in.Read(44, s.oneKeyUnits, 1, kMaxOneKeyUnits);
    in.Read(45, s.hideRange);
    for (int n = kSettingsLines + 1; in.Has(n); ++n) s.laterLines.push_back(in.Raw(n));
    if (notesOut) *notesOut = std::move(notes);
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
        num(c.threshold), flag(c.upTo930), flag(c.hideStartTime), flag(c.hideEndTime), flag(c.startNearStart),
        text(s.oneKeys[0] + "," + s.oneKeys[1] + "," + s.oneKeys[2] + "," + s.oneKeys[3]), flag(s.oneKeyConfirm),
        num(s.oneKeyUnits), flag(s.hideRange)};
    for (const std::string& later : s.laterLines) lines.push_back(Line{later, true});
    // A line that was not CP932 goes back as it was read until its value is changed: written as
    // text, each unreadable byte would become "?" for good.
    for (const auto& [n, raw] : s.notCp932) {
        Line& line = lines[static_cast<std::size_t>(n - 1)];
        if (line.text == Trim(DecodeCp932(raw))) line = Line{raw, true};
    }
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
        // ends, holds none and is written as it was read).
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
