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

std::string WriteFailure(const std::string& file) { return "売買履歴の " + file + " に書き込めませんでした。"; }

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
                              r.side + "," + PlainNumber(static_cast<double>(r.quantity)) + "," +
                              PlainNumber(r.price) + "," + PlainNumber(TimesShares(r.price, r.quantity)));
}

void HistoryBuffers::Add(const RunInfo& run, const RealizedRow& r) {
    const Price gain = r.closingSide == "買埋" ? Price::FromTenths(r.price.tenths() - r.closePrice.tenths())
                                              : Price::FromTenths(r.closePrice.tenths() - r.price.tenths());
    const double pnl = TimesShares(gain, r.quantity);
    AppendRow(realized, Lead(run) + FormatTimeOfDay(r.openedSeconds) + "," + run.code + "," + run.name +
                            "," + r.positionSide + "," + PlainNumber(static_cast<double>(r.quantity)) + "," +
                            PlainNumber(r.price) + "," + r.closingSide + "," +
                            FormatTimeOfDay(r.closedSeconds) + "," + PlainNumber(r.closePrice) + "," +
                            PlainNumber(pnl) + "," + PlainNumber(TimesShares(r.closePrice, r.quantity)));
}

HistoryAppend FormatRun(const HistoryBuffers& b, const HistorySummary& s) {
    const std::string eleven = ",,,,,,,,,,,";
    HistoryAppend out;
    out.realized = b.realized + kCrLf + kCrLf;
    out.realized += eleven + "投資金額," + s.investment + kCrLf;
    out.realized += eleven + s.buyingPowerCaption + "," + PlainNumber(static_cast<double>(s.buyingPower)) + kCrLf;
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

constexpr const char* kJournalMagic = "corvala-history-journal 2";
constexpr const char* kJournalMagicV1 = "corvala-history-journal 1";  // without the totals
constexpr const char* kPendingMagic = "corvala-history-pending 1";
constexpr const char* kTotalsMagic = "corvala-totals 1";

struct FilePart {
    const char* file;
    const char* header;
    std::string bytes;            // CP932, exactly as it goes to the end of the file
    std::uintmax_t before = 0;    // the file's length before the append
    bool created = false;         // the append creates the file
};

std::string HeaderBytes(const char* header) { return EncodeCp932(std::string(header) + kCrLf); }

std::string BusyText() { return kHistoryBusyText; }

std::string RecoveryFailure(const char* file) {
    return "売買履歴の " + std::string(file) + " に前回の記録の残りを書き込めませんでした。フォルダを確認して下さい。";
}

std::string TotalsLine(const std::optional<KeptTotals>& t) {
    if (!t) return "-";
    return std::to_string(t->savedProfit) + " " + std::to_string(t->savedLoss) + " " + std::to_string(t->profit) +
           " " + std::to_string(t->loss);
}

// False when the line is neither "-" nor four whole numbers.
bool ReadTotalsLine(const std::string& line, std::optional<KeptTotals>& out) {
    out.reset();
    if (line == "-") return true;
    long long v[4] = {};
    char extra = 0;
    if (std::sscanf(line.c_str(), "%lld %lld %lld %lld %c", &v[0], &v[1], &v[2], &v[3], &extra) != 4) return false;
    out = KeptTotals{v[0], v[1], v[2], v[3]};
    return true;
}

// The journal and the pending file: a magic line, the two parts' lengths (with the files' lengths
// before the append), the totals, then the two parts' bytes.
std::string EncodeParts(const char* magic, const FilePart (&parts)[2], const std::optional<KeptTotals>& totals) {
    std::string out = std::string(magic) + "\n";
    for (const FilePart& p : parts) out += std::to_string(p.before) + " " + std::to_string(p.bytes.size()) + " ";
    out.back() = '\n';
    out += TotalsLine(totals) + "\n";
    for (const FilePart& p : parts) out += p.bytes;
    return out;
}

// False when the text is not such a file written whole. A journal of the first version has no
// totals line.
bool DecodeParts(const std::string& raw, const char* magic, FilePart (&parts)[2], std::optional<KeptTotals>& totals) {
    const std::size_t magicEnd = raw.find('\n');
    if (magicEnd == std::string::npos) return false;
    const std::string first = raw.substr(0, magicEnd);
    const bool withTotals = first == magic;
    if (!withTotals && !(first == kJournalMagicV1 && std::string(magic) == kJournalMagic)) return false;
    const std::size_t sizesEnd = raw.find('\n', magicEnd + 1);
    if (sizesEnd == std::string::npos) return false;
    unsigned long long before[2] = {}, length[2] = {};
    const std::string sizes = raw.substr(magicEnd + 1, sizesEnd - magicEnd - 1);
    if (std::sscanf(sizes.c_str(), "%llu %llu %llu %llu", &before[0], &length[0], &before[1], &length[1]) != 4)
        return false;
    std::size_t at = sizesEnd + 1;
    totals.reset();
    if (withTotals) {
        const std::size_t totalsEnd = raw.find('\n', at);
        if (totalsEnd == std::string::npos || !ReadTotalsLine(raw.substr(at, totalsEnd - at), totals)) return false;
        at = totalsEnd + 1;
    }
    if (length[0] > raw.size() || length[1] > raw.size() || at + length[0] + length[1] != raw.size()) return false;
    for (int i = 0; i < 2; ++i) {
        parts[i].before = before[i];
        parts[i].bytes = raw.substr(at, length[i]);
        at += length[i];
    }
    return true;
}

bool WriteKeptTotals(const std::string& folder, const KeptTotals& t) {
    return WriteFileAtomically(JoinPath(folder, kKeptTotalsFile), std::string(kTotalsMagic) + "\n" + TotalsLine(t) + "\n");
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

// "" when no journal is left (completed, or none was there), else what failed. The totals the
// journal carries are left with the history.
std::string CompleteJournal(const std::string& folder) {
    const std::string journal = JoinPath(folder, kHistoryJournalFile);
    if (!FileExists(journal)) return {};
    const auto raw = ReadWholeFile(journal, std::uintmax_t{1} << 32);
    if (!raw) return RecoveryFailure(kRealizedFile);
    FilePart parts[2] = {{kRealizedFile, kRealizedHeader, {}}, {kExecutionFile, kExecutionHeader, {}}};
    std::optional<KeptTotals> totals;
    // A journal is renamed into place whole; anything else was not written by an append.
    if (DecodeParts(*raw, kJournalMagic, parts, totals)) {
        for (const FilePart& part : parts)
            if (!CompletePart(folder, part)) return RecoveryFailure(part.file);
        if (totals && !WriteKeptTotals(folder, *totals)) return RecoveryFailure(kRealizedFile);
    }
    if (!RemoveFile(journal)) return RecoveryFailure(kRealizedFile);
    SyncFolder(folder);
    return {};
}

// A folder without locks (a network share) is written as before locks existed.
bool LockedOut(const WriterLock& lock) { return lock.state() == WriterLock::State::Busy; }

// The folder's lock: taken at once when it is free; else `waiting` is told and the lock waited
// for, at most `waitMs`.
void TakeLock(std::optional<WriterLock>& lock, const std::string& folder, int waitMs, const std::function<void()>& waiting) {
    lock.emplace(folder, 0);
    if (!LockedOut(*lock) || waitMs <= 0) return;
    lock.reset();
    if (waiting) waiting();
    lock.emplace(folder, waitMs);
}

struct LockedAppend {
    std::string problem;
    bool journalLeft = false;  // the run stays in the journal for the next append or start
};

// The append itself, with the folder's lock held.
LockedAppend AppendLocked(const std::string& folder, const HistoryAppend& text, const AppendHooks& hooks) {
    const auto reached = [&](AppendStage stage) {
        if (hooks.reached) hooks.reached(stage);
    };
    if (std::string problem = CompleteJournal(folder); !problem.empty()) return {problem};

    FilePart parts[2] = {{kRealizedFile, kRealizedHeader, EncodeCp932(text.realized)},
                         {kExecutionFile, kExecutionHeader, EncodeCp932(text.executions)}};
    const char* first = text.realized.empty() ? kExecutionFile : kRealizedFile;
    for (FilePart& part : parts) {
        if (part.bytes.empty()) continue;
        const std::string path = JoinPath(folder, part.file);
        std::error_code ec;
        if (DirExists(path)) return {WriteFailure(part.file)};
        if (FileExists(path)) {
            part.before = std::filesystem::file_size(path, ec);
            if (ec) return {WriteFailure(part.file)};
        } else {
            part.created = true;
            part.bytes = HeaderBytes(part.header) + part.bytes;
        }
    }
    const std::string journal = JoinPath(folder, kHistoryJournalFile);
    if (!WriteFileAtomically(journal, EncodeParts(kJournalMagic, parts, text.totals))) return {WriteFailure(first)};
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
            if (!undone)
                return {WriteFailure(part.file) + "途中まで書いた記録を取り消せなかったため、次の書き込みか次回の起動時に残りを書き込みます。",
                        true};
            RemoveFile(journal);
            SyncFolder(folder);
            return {WriteFailure(part.file)};
        }
        reached(i == 0 ? AppendStage::RealizedAppended : AppendStage::ExecutionsAppended);
    }
    // The totals stay with the history until the journal goes: a kill in between leaves them to
    // the journal's completion.
    if (text.totals) WriteKeptTotals(folder, *text.totals);
    RemoveFile(journal);
    SyncFolder(folder);
    return {};
}

std::optional<HistoryAppend> ReadPending(const std::string& path) {
    if (!FileExists(path)) return std::nullopt;
    const auto raw = ReadWholeFile(path, std::uintmax_t{1} << 32);
    FilePart parts[2] = {{kRealizedFile, kRealizedHeader, {}}, {kExecutionFile, kExecutionHeader, {}}};
    HistoryAppend text;
    if (!raw || !DecodeParts(*raw, kPendingMagic, parts, text.totals)) return std::nullopt;
    text.realized = parts[0].bytes;
    text.executions = parts[1].bytes;
    return text;
}

bool WritePending(const std::string& path, const HistoryAppend& text) {
    const FilePart parts[2] = {{kRealizedFile, kRealizedHeader, text.realized}, {kExecutionFile, kExecutionHeader, text.executions}};
    return WriteFileAtomically(path, EncodeParts(kPendingMagic, parts, text.totals));
}

std::string ParentFolder(const std::string& folder) {
    return std::filesystem::path(PendingHistoryPath(folder)).parent_path().string();
}

}  // namespace

std::string PendingHistoryPath(const std::string& folder) {
    std::string path = folder;
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path + kPendingHistorySuffix;
}

std::string EnsureHistoryFiles(const std::string& folder, int lockWaitMs, const std::function<void()>& waiting) {
    std::optional<WriterLock> lock;
    TakeLock(lock, folder, lockWaitMs, waiting);
    if (LockedOut(*lock)) return BusyText();
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
    std::optional<WriterLock> lock;
    TakeLock(lock, folder, hooks.lockWaitMs, hooks.waiting);
    if (LockedOut(*lock)) return BusyText();
    return AppendLocked(folder, text, hooks).problem;
}

KeptRunAppend AppendKeptRun(const std::string& folder, const HistoryAppend& text, const AppendHooks& hooks) {
    KeptRunAppend out;
    const std::string pendingPath = PendingHistoryPath(folder);
    // The pending file is written under the lock of the folder that holds it (`parkLock`), what
    // it held kept first unless the rows already carry it.
    const auto park = [&](const WriterLock& parkLock, const HistoryAppend& rows, bool keepHeld, const std::string& problem) {
        HistoryAppend all = keepHeld && !LockedOut(parkLock) ? ReadPending(pendingPath).value_or(HistoryAppend{}) : HistoryAppend{};
        all.Add(rows);
        if (!LockedOut(parkLock) && WritePending(pendingPath, all)) {
            out.pendingFile = pendingPath;
            out.problem = problem + "今回の記録は " + pendingPath + " に保持し、次の記録か次回の起動時に売買履歴へ書き込みます。";
        } else {
            out.problem = problem + "今回の記録は " + pendingPath + " にも保持できませんでした。フォルダとディスクの空きを確認して下さい。";
        }
        return out;
    };
    if (text.empty() && !FileExists(pendingPath)) return out;
    std::optional<WriterLock> lock;
    TakeLock(lock, folder, hooks.lockWaitMs, hooks.waiting);
    if (LockedOut(*lock)) {
        out.busy = true;
        if (text.empty()) return out;
        const WriterLock parkLock(ParentFolder(folder), kHistoryLockWaitMs);
        return park(parkLock, text, true, BusyText());
    }
    std::optional<WriterLock> parkLock;
    parkLock.emplace(ParentFolder(folder), kHistoryLockWaitMs);
    const std::optional<HistoryAppend> waited = LockedOut(*parkLock) ? std::nullopt : ReadPending(pendingPath);
    HistoryAppend all = waited.value_or(HistoryAppend{});
    all.Add(text);
    if (all.empty()) return out;
    const LockedAppend done = AppendLocked(folder, all, hooks);
    out.carriedPending = waited.has_value() && (done.problem.empty() || done.journalLeft);
    out.journalLeft = done.journalLeft;
    out.problem = done.problem;
    if (done.problem.empty() || done.journalLeft) {
        if (waited) RemoveFile(pendingPath);
        return out;
    }
    return park(*parkLock, all, false, done.problem);  // what waited goes back with the run after it
}

std::optional<KeptTotals> ReadKeptTotals(const std::string& folder) {
    const auto raw = ReadWholeFile(JoinPath(folder, kKeptTotalsFile), 4096);
    if (!raw) return std::nullopt;
    const std::size_t magicEnd = raw->find('\n');
    if (magicEnd == std::string::npos || raw->compare(0, magicEnd, kTotalsMagic) != 0) return std::nullopt;
    const std::size_t end = raw->find('\n', magicEnd + 1);
    std::optional<KeptTotals> totals;
    if (end == std::string::npos || !ReadTotalsLine(raw->substr(magicEnd + 1, end - magicEnd - 1), totals)) return std::nullopt;
    return totals;
}

std::string RecoverHistory(const std::string& folder, int lockWaitMs, const std::function<void()>& waiting) {
    std::optional<WriterLock> lock;
    TakeLock(lock, folder, lockWaitMs, waiting);
    // Another program writing now completes any journal itself before it writes.
    if (LockedOut(*lock)) return BusyText();
    if (!DirExists(folder)) return {};
    std::string problem = CompleteJournal(folder);
    for (const char* file : {kRealizedFile, kExecutionFile, kHistoryJournalFile, kKeptTotalsFile})
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
