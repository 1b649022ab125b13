#include "account/history.h"

#include <cmath>
#include <cstdio>

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

std::string WriteHistoryFiles(const std::string& folder, const HistoryBuffers& b, const HistorySummary& s) {
    const std::string eleven = ",,,,,,,,,,,";
    std::string realized = b.realized + kCrLf + kCrLf;
    realized += eleven + "投資金額," + s.investment + kCrLf;
    realized += eleven + s.buyingPowerCaption + "," + s.buyingPower + kCrLf;
    realized += eleven + "今回の損益," + s.runPnl + kCrLf;
    realized += eleven + "全損益," + s.netPnl + kCrLf;
    realized += eleven + "全損益(税考慮)," + s.netPnlAfterTax + kCrLf;
    realized += std::string(kCrLf) + kCrLf;
    const std::string executions = b.executions + kCrLf + kCrLf;

    const std::string realizedPath = JoinPath(folder, kRealizedFile);
    const std::string executionPath = JoinPath(folder, kExecutionFile);
    // Both files or neither: the first is put back when the second cannot be written.
    const auto before = ReadWholeFile(realizedPath, std::uintmax_t{1} << 40);
    if (!AppendToFile(realizedPath, EncodeCp932(realized))) return WriteFailure(kRealizedFile);
    if (!AppendToFile(executionPath, EncodeCp932(executions))) {
        if (before) WriteFileAtomically(realizedPath, *before);
        return WriteFailure(kExecutionFile);
    }
    return {};
}

std::string AppendResetMarker(const std::string& folder, const Ymd& today) {
    const std::string text = ResetMarkerLine(today) + kCrLf + kCrLf + kCrLf;
    if (!AppendToFile(JoinPath(folder, kRealizedFile), EncodeCp932(text))) return WriteFailure(kRealizedFile);
    return {};
}

}  // namespace corvala
