#include "account/history.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
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

// ---- Appending -----------------------------------------------------------------------------
//
// Both files grow in place, so a run costs what it writes, not the length of the files. Before
// either file is touched, the run's bytes and the files' lengths go into the journal beside them;
// it is removed once both files hold the run. A journal found later (the program was killed, or a
// file could not be taken back) is completed before anything else is written: what of the run is
// already at the recorded place is kept and the rest is added.

namespace {

constexpr const char* kJournalMagic = "corvala-history-journal 1";

struct FilePart {
    const char* file;
    const char* header;
    std::string bytes;            // CP932, exactly as it goes to the end of the file
    std::uintmax_t before = 0;    // the file's length before the append
    bool created = false;         // the append creates the file
};

std::string HeaderBytes(const char* header) { return EncodeCp932(std::string(header) + kCrLf); }

std::string BusyText() {
    return "他のプログラムが売買履歴に書き込んでいるため、書き込めませんでした。今回の記録は保持しています。";
}

std::string RecoveryFailure(const char* file) {
    return "売買履歴の " + std::string(file) + " に前回の記録の残りを書き込めませんでした。フォルダを確認して下さい。";
}

std::string EncodeJournal(const FilePart (&parts)[2]) {
    std::string out = std::string(kJournalMagic) + "\n";
    for (const FilePart& p : parts) out += std::to_string(p.before) + " " + std::to_string(p.bytes.size()) + " ";
    out.back() = '\n';
    for (const FilePart& p : parts) out += p.bytes;
    return out;
}

// False when the text is no journal written whole.
bool DecodeJournal(const std::string& raw, FilePart (&parts)[2]) {
    const std::size_t magicEnd = raw.find('\n');
    if (magicEnd == std::string::npos || raw.compare(0, magicEnd, kJournalMagic) != 0) return false;
    const std::size_t sizesEnd = raw.find('\n', magicEnd + 1);
    if (sizesEnd == std::string::npos) return false;
    unsigned long long before[2] = {}, length[2] = {};
    const std::string sizes = raw.substr(magicEnd + 1, sizesEnd - magicEnd - 1);
    if (std::sscanf(sizes.c_str(), "%llu %llu %llu %llu", &before[0], &length[0], &before[1], &length[1]) != 4)
        return false;
    std::size_t at = sizesEnd + 1;
    if (length[0] > raw.size() || length[1] > raw.size() || at + length[0] + length[1] != raw.size()) return false;
    for (int i = 0; i < 2; ++i) {
        parts[i].before = before[i];
        parts[i].bytes = raw.substr(at, length[i]);
        at += length[i];
    }
    return true;
}

// `length` bytes of the file from `offset` (fewer where it ends).
std::optional<std::string> ReadPart(const std::string& path, std::uintmax_t offset, std::size_t length) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    in.seekg(static_cast<std::streamoff>(offset));
    std::string bytes(length, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(length));
    if (in.bad()) return std::nullopt;
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

// Adds to the file what of the journal's part it lacks.
bool CompletePart(const std::string& folder, const FilePart& part) {
    if (part.bytes.empty()) return true;
    const std::string path = JoinPath(folder, part.file);
    std::error_code ec;
    const std::uintmax_t size = FileExists(path) ? std::filesystem::file_size(path, ec) : 0;
    if (ec) return false;
    std::string missing = part.bytes;
    if (size > part.before) {
        const auto there = ReadPart(path, part.before, std::min<std::uintmax_t>(size - part.before, part.bytes.size()));
        if (!there) return false;
        // The part of the run a killed append wrote stays; a file changed otherwise since gets
        // the whole run at its end.
        if (part.bytes.compare(0, there->size(), *there) == 0) missing = part.bytes.substr(there->size());
    }
    const std::string header = HeaderBytes(part.header);
    if (size == 0 && missing.compare(0, header.size(), header) != 0) missing = header + missing;
    return missing.empty() || AppendToFile(path, missing);
}

// "" when no journal is left (completed, or none was there), else what failed.
std::string CompleteJournal(const std::string& folder) {
    const std::string journal = JoinPath(folder, kHistoryJournalFile);
    if (!FileExists(journal)) return {};
    const auto raw = ReadWholeFile(journal, std::uintmax_t{1} << 32);
    if (!raw) return RecoveryFailure(kRealizedFile);
    FilePart parts[2] = {{kRealizedFile, kRealizedHeader, {}}, {kExecutionFile, kExecutionHeader, {}}};
    // A journal is renamed into place whole; anything else was not written by an append.
    if (DecodeJournal(*raw, parts)) {
        for (const FilePart& part : parts)
            if (!CompletePart(folder, part)) return RecoveryFailure(part.file);
    }
    if (!RemoveFile(journal)) return RecoveryFailure(kRealizedFile);
    SyncFolder(folder);
    return {};
}

// A folder without locks (a network share) is written as before locks existed.
bool LockedOut(const WriterLock& lock) { return lock.state() == WriterLock::State::Busy; }

}  // namespace

std::string EnsureHistoryFiles(const std::string& folder) {
    const WriterLock lock(folder, kHistoryLockWaitMs);
    if (LockedOut(lock)) return BusyText();
    if (std::string problem = CompleteJournal(folder); !problem.empty()) return problem;
    for (const auto& [file, header] : {std::pair{kRealizedFile, kRealizedHeader}, std::pair{kExecutionFile, kExecutionHeader}}) {
        const std::string path = JoinPath(folder, file);
        if (FileExists(path)) continue;
        if (!WriteFileAtomically(path, HeaderBytes(header))) return WriteFailure(file);
    }
    return {};
}

std::string AppendHistory(const std::string& folder, const HistoryAppend& text, const AppendHooks& hooks) {
    if (text.empty()) return {};
    const auto reached = [&](AppendStage stage) {
        if (hooks.reached) hooks.reached(stage);
    };
    const WriterLock lock(folder, hooks.lockWaitMs);
    if (LockedOut(lock)) return BusyText();
    if (std::string problem = CompleteJournal(folder); !problem.empty()) return problem;

    FilePart parts[2] = {{kRealizedFile, kRealizedHeader, EncodeCp932(text.realized)},
                         {kExecutionFile, kExecutionHeader, EncodeCp932(text.executions)}};
    const char* first = text.realized.empty() ? kExecutionFile : kRealizedFile;
    for (FilePart& part : parts) {
        if (part.bytes.empty()) continue;
        const std::string path = JoinPath(folder, part.file);
        std::error_code ec;
        if (DirExists(path)) return WriteFailure(part.file);
        if (FileExists(path)) {
            part.before = std::filesystem::file_size(path, ec);
            if (ec) return WriteFailure(part.file);
        } else {
            part.created = true;
            part.bytes = HeaderBytes(part.header) + part.bytes;
        }
    }
    const std::string journal = JoinPath(folder, kHistoryJournalFile);
    if (!WriteFileAtomically(journal, EncodeJournal(parts))) return WriteFailure(first);
    SyncFolder(folder);
    reached(AppendStage::JournalWritten);

    for (std::size_t i = 0; i < std::size(parts); ++i) {
        const FilePart& part = parts[i];
        if (part.bytes.empty()) continue;
        if (!AppendToFile(JoinPath(folder, part.file), part.bytes)) {
            // Both files or neither: what the first file took is taken back. Should that fail
            // too, the journal stays and the next append or start completes the run instead.
            bool undone = true;
            for (std::size_t j = 0; j < i; ++j) {
                const std::string path = JoinPath(folder, parts[j].file);
                if (parts[j].bytes.empty()) continue;
                undone = (parts[j].created ? RemoveFile(path) : TruncateFile(path, parts[j].before)) && undone;
            }
            if (!undone) return {};
            RemoveFile(journal);
            SyncFolder(folder);
            return WriteFailure(part.file);
        }
        reached(i == 0 ? AppendStage::RealizedAppended : AppendStage::ExecutionsAppended);
    }
    RemoveFile(journal);
    SyncFolder(folder);
    return {};
}

std::string RecoverHistory(const std::string& folder, int lockWaitMs) {
    const WriterLock lock(folder, lockWaitMs);
    // Another program writing now completes any journal itself before it writes.
    if (LockedOut(lock) || !DirExists(folder)) return {};
    std::string problem = CompleteJournal(folder);
    for (const char* file : {kRealizedFile, kExecutionFile, kHistoryJournalFile})
        RemoveLeftTemporaries(JoinPath(folder, file));
    return problem;
}

std::string WriteHistoryFiles(const std::string& folder, const HistoryBuffers& b, const HistorySummary& s) {
    return AppendHistory(folder, FormatRun(b, s));
}

std::string AppendResetMarker(const std::string& folder, const Ymd& today) {
    return AppendHistory(folder, FormatResetMarker(today));
}

}  // namespace corvala
