#include "account/history.h"

#include <cmath>
#include <cstdio>
#include <iterator>
#include <optional>

#include "account/account.h"
#include "platform/cp932.h"
#include "platform/files.h"

namespace corvala {
namespace {

constexpr const char* kCrLf = "\r\n";

void AppendRow(std::string& buffer, const std::string& row) {
    if (!buffer.empty()) buffer += kCrLf;
    buffer += row;
}

std::string Lead(const RunInfo& run) {
    return run.recordedAt + "," + run.tradingDay + ",";
}

std::string WriteFailure(const std::string& file) {
    return "売買履歴の " + file + " に書き込めませんでした。今回の記録は保持していますので、フォルダを確認して下さい。";
}

}  // namespace

std::string TradingDayText(const Ymd& now, const std::string& yymmdd) {
    if (yymmdd.size() != 6) return yymmdd;
    return Format(now.year / 100, "00") + yymmdd.substr(0, 2) + "/" + yymmdd.substr(2, 2) + "/" + yymmdd.substr(4, 2);
}

std::string RecordedAtText(const Ymd& d, int secondsOfDay) {
    return Format(d.year, "0000") + "/" + Format(d.month, "00") + "/" + Format(d.day, "00") + " " +
           FormatTimeOfDay(secondsOfDay);
}

std::string PlainNumber(double v) {
    if (!std::isfinite(v)) return "0";
    if (v == std::floor(v) && std::fabs(v) < 1e15) return std::to_string(static_cast<long long>(v));
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.7g", v);  // the seven digits a single-precision price holds
    return buf;
}

void HistoryBuffers::Add(const RunInfo& run, const ExecutionRow& r) {
    AppendRow(executions, Lead(run) + FormatTimeOfDay(r.fillSeconds) + "," + run.code + "," + run.name +
                              "," + (r.cash ? "現物" : "信用") + "," + (r.closing ? "返済" : "新規") +
                              r.side + "," + PlainNumber(r.quantity) + "," + PlainNumber(r.price) + "," +
                              PlainNumber(r.quantity * r.price));
}

void HistoryBuffers::Add(const RunInfo& run, const RealizedRow& r) {
    const double pnl = r.closingSide == "買埋" ? (r.price - r.closePrice) * r.quantity
                                               : (r.closePrice - r.price) * r.quantity;
    AppendRow(realized, Lead(run) + FormatTimeOfDay(r.openedSeconds) + "," + run.code + "," + run.name +
                            "," + r.positionSide + "," + PlainNumber(r.quantity) + "," +
                            PlainNumber(r.price) + "," + r.closingSide + "," +
                            FormatTimeOfDay(r.closedSeconds) + "," + PlainNumber(r.closePrice) + "," +
                            PlainNumber(pnl) + "," + PlainNumber(r.closePrice * r.quantity));
}

std::string EnsureHistoryFiles(const std::string& folder) {
    for (const auto& [file, header] : {std::pair{kRealizedFile, kRealizedHeader}, std::pair{kExecutionFile, kExecutionHeader}}) {
        const std::string path = JoinPath(folder, file);
        if (FileExists(path)) continue;
        if (!WriteFileAtomically(path, EncodeCp932(std::string(header) + kCrLf))) return WriteFailure(file);
    }
    return {};
}

HistoryAppend FormatRun(const HistoryBuffers& b, const HistorySummary& s) {
    const std::string eleven = ",,,,,,,,,,,";
    HistoryAppend out;
    out.realized = b.realized + kCrLf + kCrLf;
    out.realized += eleven + "投資金額," + s.investment + kCrLf;
    out.realized += eleven + s.buyingPowerCaption + "," + PlainNumber(s.buyingPower) + kCrLf;
    out.realized += eleven + "今回の損益," + s.runPnl + kCrLf;
    out.realized += eleven + "全損益," + s.netPnl + kCrLf;
    out.realized += eleven + "全損益(税考慮)," + s.netPnlAfterTax + kCrLf;
    out.realized += std::string(kCrLf) + kCrLf;
    out.executions = b.executions + kCrLf + kCrLf;
    return out;
}

HistoryAppend FormatResetMarker(const Ymd& today) {
    return {ResetMarkerLine(today) + kCrLf + kCrLf + kCrLf, {}};
}

std::string AppendHistory(const std::string& folder, const HistoryAppend& text) {
    struct Target {
        const char* file;
        const char* header;
        const std::string& text;
        std::optional<std::string> before;  // what a failure puts back; nullopt: it was missing
    };
    Target targets[] = {{kRealizedFile, kRealizedHeader, text.realized, std::nullopt},
                        {kExecutionFile, kExecutionHeader, text.executions, std::nullopt}};
    // Both files or neither: what was written is put back when a later file cannot be.
    const auto undo = [&](std::size_t upTo) {
        for (std::size_t i = 0; i < upTo; ++i) {
            const std::string path = JoinPath(folder, targets[i].file);
            if (targets[i].text.empty()) continue;
            if (targets[i].before)
                WriteFileAtomically(path, *targets[i].before);
            else
                RemoveFile(path);
        }
    };
    for (std::size_t i = 0; i < std::size(targets); ++i) {
        Target& t = targets[i];
        if (t.text.empty()) continue;
        const std::string path = JoinPath(folder, t.file);
        std::string bytes = EncodeCp932(t.text);
        if (FileExists(path)) {
            t.before = ReadWholeFile(path, std::uintmax_t{1} << 40);
            if (!t.before) {
                undo(i);
                return WriteFailure(t.file);
            }
        } else {
            bytes = EncodeCp932(std::string(t.header) + kCrLf) + bytes;
        }
        if (!AppendToFile(path, bytes)) {
            undo(i);
            return WriteFailure(t.file);
        }
    }
    return {};
}

std::string WriteHistoryFiles(const std::string& folder, const HistoryBuffers& b, const HistorySummary& s) {
    return AppendHistory(folder, FormatRun(b, s));
}

std::string AppendResetMarker(const std::string& folder, const Ymd& today) {
    return AppendHistory(folder, FormatResetMarker(today));
}

}  // namespace corvala
