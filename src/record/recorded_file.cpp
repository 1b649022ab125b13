#include "record/recorded_file.h"

#include <cmath>
#include <cstdio>

namespace corvala {
namespace {

constexpr int kOpen = 9 * 3600, kAfternoon = 12 * 3600 + 30 * 60;

// A price or figure as the API gave it: whole numbers without a point, others with at most two
// decimals (the loader takes a point near the start of a line for a stock quoted in decimals).
std::string Figure(double v) {
    char out[400];  // the longest double written in full
    if (std::fabs(v - std::round(v)) < 1e-9) {
        std::snprintf(out, sizeof out, "%.0f", v);
        return out;
    }
    std::snprintf(out, sizeof out, "%.2f", v);
    std::string s = out;
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
    return s;
}

std::string TimeText(int seconds, bool withSeconds) {
    char out[16];
    if (withSeconds)
        std::snprintf(out, sizeof out, "%02d:%02d:%02d", seconds / 3600 % 100, seconds / 60 % 60, seconds % 60);
    else
        std::snprintf(out, sizeof out, "%02d:%02d", seconds / 3600 % 100, seconds / 60 % 60);
    return out;
}

std::string DateText(const std::string& yymmdd) {
    return "20" + yymmdd.substr(0, 2) + "/" + yymmdd.substr(2, 2) + "/" + yymmdd.substr(4, 2);
}

// Columns 14–35: five sell and five buy prices, their quantities, the unit and the VWAP.
void AppendBoardAndTail(std::string& out, const RowFrame& f, const BoardQuote& q, bool traded) {
    for (int side = 0; side < 2; ++side) {
        for (std::size_t i = 0; i < 5; ++i) {
            const QuoteLevel& l = side == 0 ? q.sells[i] : q.buys[i];
            out += "," + (f.hasBoard ? Figure(l.price) : std::string("0"));
        }
    }
    for (int side = 0; side < 2; ++side) {
        for (std::size_t i = 0; i < 5; ++i) {
            const QuoteLevel& l = side == 0 ? q.sells[i] : q.buys[i];
            out += "," + (f.hasBoard ? Figure(l.qty) : std::string("0"));
        }
    }
    out += f.stock ? "," + std::to_string(f.unit) : std::string(",-");
    if (f.stock) {
        out += ",";
        if (traded && q.vwap > 0) out += Figure(q.vwap);
    }
    out += "\r\n";
}

}  // namespace

int RecordedStepSeconds(int row) {
    return row < kRecordedSteps / 2 ? kOpen + row * 5 : kAfternoon + (row - kRecordedSteps / 2) * 5;
}

bool TradedToday(const RowFrame& f, const BoardQuote& q) {
    return q.price > 0 && q.priceDate == f.today && q.priceSeconds >= 0;
}

std::string RecordedRow(const RowFrame& f, const BoardQuote& q, int snapshotSeconds) {
    const bool traded = TradedToday(f, q);
    std::string out = DateText(f.today) + "," + TimeText(snapshotSeconds, true) + ",";
    if (traded) out += TimeText(q.priceSeconds, true);
    out += "," + (traded ? Figure(q.price) : std::string("-"));
    out += "," + (q.prevClose > 0 ? Figure(q.prevClose) : std::string("-"));
    out += "," + (traded && f.hasBoard && q.hasVolume ? Figure(q.volume) : std::string("-"));
    out += ",";
    if (traded && f.sawOpening && q.open > 0) out += Figure(q.open);
    // 7–13: the day's high and low, the change, (blank), the times of the high and the low, (blank).
    out += ",";
    if (traded) {
        out += Figure(q.high) + "," + Figure(q.low) + "," + (q.change > 0 ? "+" : "") + Figure(q.change) + ",,";
        out += (q.highSeconds >= 0 ? TimeText(q.highSeconds, false) : "") + ",";
        out += (q.lowSeconds >= 0 ? TimeText(q.lowSeconds, false) : "") + ",";
    } else {
        out += ",,,,,,";
    }
    AppendBoardAndTail(out, f, q, traded);
    return out;
}

std::string NoTradeRow(const RowFrame& f, double prevClose, int snapshotSeconds) {
    BoardQuote empty;
    empty.prevClose = prevClose;
    return RecordedRow(f, empty, snapshotSeconds);
}

std::string RepeatedRow(std::string_view last, int snapshotSeconds) {
    const std::size_t a = last.find(',');
    const std::size_t b = a == std::string_view::npos ? a : last.find(',', a + 1);
    if (b == std::string_view::npos) return std::string(last) + "\r\n";
    return std::string(last.substr(0, a + 1)) + TimeText(snapshotSeconds, true) + std::string(last.substr(b)) + "\r\n";
}

namespace {

// A row as the recorder writes it begins with its date, "20yy/mm/dd,".
constexpr std::string_view kDatePattern = "20dd/dd/dd,";

bool FitsDate(std::string_view text) {
    for (std::size_t i = 0; i < text.size() && i < kDatePattern.size(); ++i) {
        const char want = kDatePattern[i];
        if (want == 'd' ? (text[i] < '0' || text[i] > '9') : text[i] != want) return false;
    }
    return true;
}

bool DatedRow(std::string_view line) { return line.size() >= kDatePattern.size() && FitsDate(line); }

// Bytes after the last whole line that a row cut short while being written can be: the start of
// a dated row, without a line end of any kind.
bool CutRow(std::string_view tail) {
    return FitsDate(tail) && tail.find_first_of("\r\n") == std::string_view::npos;
}

}  // namespace

RecordedFileState ReadRecordedFile(std::string_view bytes) {
    RecordedFileState s;
    // The recorder ends every line with CR LF: a line ended by LF alone was written or edited by
    // something else, and cutting at the last CR LF would throw its rows away.
    for (std::size_t at = bytes.find('\n'); at != std::string_view::npos; at = bytes.find('\n', at + 1))
        if (at == 0 || bytes[at - 1] != '\r') {
            s.refusal = "行末が LF だけの行があります（記録の行末は CR LF です）";
            return s;
        }
    const std::size_t end = bytes.rfind("\r\n");
    const std::size_t keep = end == std::string_view::npos ? 0 : end + 2;
    if (!CutRow(bytes.substr(keep))) {
        s.refusal = "最後の行が記録の行の書きかけではありません";
        return s;
    }
    if (end == std::string_view::npos) {
        s.cut = !bytes.empty();
        return s;
    }
    s.keep = keep;
    s.cut = s.keep < bytes.size();
    std::size_t pos = 0, lineStart = 0;
    while (pos < s.keep) {
        const std::size_t next = bytes.find("\r\n", pos);
        if (!DatedRow(bytes.substr(pos, next - pos))) {
            RecordedFileState refused;
            refused.refusal = std::to_string(s.rows + 1) + " 行目が記録の行（日付で始まる行）ではありません";
            return refused;
        }
        ++s.rows;
        lineStart = pos;
        pos = next + 2;
    }
    s.lastLine = std::string(bytes.substr(lineStart, end - lineStart));
    return s;
}

}  // namespace corvala
