#include "record/day_recorder.h"

#include <algorithm>

#include "data/day_loader.h"
#include "platform/files.h"
#include "screening/search_data_builder.h"

namespace corvala {
namespace {

constexpr int kClosingStep = kRecordedSteps;   // the closing line
constexpr int kCloseDelaySeconds = 10;         // the closing price settles after the bell
constexpr int kMaxBackoffMs = 60'000;
constexpr int kPacedAbove = 10;                // more symbols than this are asked 100 ms apart

std::string Join(const std::vector<std::string>& parts) {
    std::string out;
    for (const std::string& p : parts) out += (out.empty() ? "" : ", ") + p;
    return out;
}

}  // namespace

RecordTarget StockTarget(const std::string& code) {
    RecordTarget t;
    t.file = code;
    t.symbol = {code, 1};
    return t;
}

std::optional<RecordTarget> SeriesTarget(std::string_view name) {
    RecordTarget t;
    t.stock = false;
    if (name == "N225") {
        t.file = "N225", t.symbol = {"101", 1};
    } else if (name == "TOPX") {
        t.file = "TOPX", t.symbol = {"151", 1};
    } else if (name == "MTHR") {
        t.file = "MTHR", t.symbol = {"154", 1};
    } else if (name == "NK225F" || name == "先物") {
        t.file = "先物", t.futureCode = "NK225", t.symbol = {"", 23};
    } else {
        return std::nullopt;
    }
    return t;
}

DayRecorder::DayRecorder(HttpClient& http, Scheduler& scheduler, const Clock& clock, std::string apiBase,
                         RecorderOptions options, std::function<void(const std::string&)> say)
    : http_(http), scheduler_(scheduler), clock_(clock), api_(http, apiBase), apiBase_(std::move(apiBase)),
      options_(std::move(options)), say_(std::move(say)) {}

int DayRecorder::StepSeconds(int step) const {
    return step < kClosingStep ? RecordedStepSeconds(step) : options_.closeSeconds;
}

std::int64_t DayRecorder::DueMs(int step) const {
    return std::int64_t{StepSeconds(step) + (step == kClosingStep ? kCloseDelaySeconds : 0)} * 1000;
}

std::string DayRecorder::Explain(const ApiError& e) const {
    const std::string api = e.code ? " (" + std::to_string(e.code) + " " + e.message + ")" : " (" + e.message + ")";
    switch (e.failure) {
        case ApiFailure::NoConnection:
            return "kabuステーションのAPI (" + apiBase_ + ") に接続できません" + api +
                   "。kabuステーションを起動してログインし、APIを有効にして下さい。";
        case ApiFailure::TokenRefused:
            return "APIパスワードが受け付けられませんでした" + api + "。";
        case ApiFailure::TooManySymbols:
            return "kabuステーションに登録できる銘柄数 (" + std::to_string(kMaxRecordedSymbols) + ") を超えます" +
                   api + "。記録する銘柄を減らすか、ほかのツールの登録銘柄を解除して下さい。";
        case ApiFailure::Throttled:
            return "APIの呼び出し回数の制限を超えました" + api + "。";
        default:
            return "kabuステーションのAPIがエラーを返しました" + api + "。";
    }
}

void DayRecorder::Start(std::function<void(const RecorderOutcome&)> finished) {
    finishedCallback_ = std::move(finished);
    today_ = FormatYymmdd(clock_.Today());
    outcome_.date = today_;
    folder_ = JoinPath(options_.dataFolder, today_);
    if (options_.targets.empty()) return Fail("記録する銘柄がありません。");
    if (static_cast<int>(options_.targets.size()) > kMaxRecordedSymbols)
        return Fail("一度に記録できるのは " + std::to_string(kMaxRecordedSymbols) + " 銘柄までです (" +
                    std::to_string(options_.targets.size()) + " 銘柄が指定されました)。");
    for (const RecordTarget& target : options_.targets) {
        Track t;
        t.target = target;
        t.frame = {today_, target.stock, target.stock || !target.futureCode.empty(), 100};
        t.path = JoinPath(folder_, target.file + ".csv");
        tracks_.push_back(std::move(t));
    }
    // After the close only an earlier run's files can still be finished.
    const bool late = clock_.MsOfDay() > DueMs(kClosingStep);
    if (late && std::none_of(tracks_.begin(), tracks_.end(), [](const Track& t) { return FileExists(t.path); }))
        return Fail("本日の取引時間は終わっています。記録は取引日の大引けまでに始めて下さい。");
    Connect(true, [this] { OpenFiles(); });
}

void DayRecorder::Fail(const std::string& why) {
    outcome_.ok = false;
    outcome_.error = why;
    finished_ = true;
    if (finishedCallback_) finishedCallback_(outcome_);
}

// A token, then every symbol registered. The first time, the futures' contract and the stocks'
// trading units are asked for in between, so that a code the station does not know is named.
void DayRecorder::Connect(bool first, std::function<void()> then) {
    ++inFlight_;
    api_.RequestToken(options_.password, [this, first, then](ApiError e) {
        --inFlight_;
        if (!e.ok()) {
            if (first) return Fail(Explain(e));
            return Lost(e);
        }
        if (first)
            Prepare(0, [this, then] { RegisterAll(true, then); });
        else
            RegisterAll(false, then);
    });
}

void DayRecorder::RegisterAll(bool first, std::function<void()> then) {
    std::vector<ApiSymbol> symbols;
    for (const Track& t : tracks_) symbols.push_back(t.target.symbol);
    ++inFlight_;
    api_.Register(symbols, [this, first, then](ApiError r) {
        --inFlight_;
        if (!r.ok() && first) {
            if (r.failure == ApiFailure::Other)
                return Fail("kabuステーションに銘柄を登録できませんでした (" + std::to_string(r.code) + " " + r.message +
                            ")。登録できる銘柄数 (" + std::to_string(kMaxRecordedSymbols) + ") を超えていないか確かめて下さい。");
            return Fail(Explain(r));
        }
        // Later a board asked for registers its symbol itself; a refusal here is not fatal.
        if (!r.ok()) say_("銘柄の登録に失敗しました: " + Explain(r));
        then();
    });
}

// Before the first row: the futures' contract, then each stock's trading unit, one at a time.
void DayRecorder::Prepare(std::size_t i, std::function<void()> then) {
    if (i == tracks_.size()) return then();
    Track& t = tracks_[i];
    if (!t.target.futureCode.empty() && t.target.symbol.code.empty()) {
        ++inFlight_;
        return api_.NearestFuture(t.target.futureCode, [this, i, then](ApiError e, std::string code) {
            --inFlight_;
            if (!e.ok()) return Fail(Explain(e));
            tracks_[i].target.symbol.code = code;
            Prepare(i + 1, then);
        });
    }
    if (!t.target.stock) return Prepare(i + 1, then);
    ++inFlight_;
    api_.TradingUnit(t.target.symbol, [this, i, then](ApiError e, int unit) {
        --inFlight_;
        if (e.failure == ApiFailure::UnknownSymbol)
            return Fail("銘柄コード " + tracks_[i].target.file + " は見つかりません (" + std::to_string(e.code) + " " +
                        e.message + ")。");
        if (!e.ok()) return Fail(Explain(e));
        tracks_[i].frame.unit = unit > 0 ? unit : 100;
        Prepare(i + 1, then);
    });
}

void DayRecorder::OpenFiles() {
    connected_ = true;
    std::vector<std::string> names;
    for (Track& t : tracks_) {
        names.push_back(t.target.file);
        t.report.file = t.target.file;
        t.report.path = t.path;
        const auto bytes = ReadWholeFile(t.path);
        if (!bytes) continue;
        const RecordedFileState s = ReadRecordedFile(*bytes);
        if (s.cut) {
            if (!TruncateFile(t.path, s.keep)) return Fail(t.path + " の途中で切れた最後の行を除けませんでした。");
            t.report.repaired = true;
            say_(t.target.file + ".csv: 途中で切れた最後の行を除きました。");
        }
        t.nextRow = std::min(s.rows, kClosingStep + 1);
        t.lastLine = s.lastLine;
        t.report.resumedAt = t.report.rows = s.rows;
        if (s.rows > 0) tradedToday_ = true;  // an earlier run recorded this day
        if (s.rows > 0 && s.rows <= kClosingStep) say_(t.target.file + ".csv: " + std::to_string(s.rows + 1) + " 行目から続けます。");
    }
    if (std::all_of(tracks_.begin(), tracks_.end(), [](const Track& t) { return t.nextRow > kClosingStep; })) {
        say_("本日の記録はすでに終わっています。");
        return CloseDay();
    }
    say_("kabuステーションに接続しました。" + today_ + " の " + Join(names) + " を " + folder_ + " に記録します。");
    // The first step still ahead; those passed are filled in when the next row is written.
    const std::int64_t now = clock_.MsOfDay();
    step_ = 0;
    while (step_ < kClosingStep && DueMs(step_) < now) ++step_;
    ScheduleStep();
}

void DayRecorder::ScheduleStep() {
    if (finished_) return;
    if (step_ > kClosingStep) return CloseDay();
    const std::int64_t wait = std::max<std::int64_t>(0, DueMs(step_) - clock_.MsOfDay());
    scheduler_.After(static_cast<int>(wait), [this] {
        const int step = step_++;
        Sample(step);
        if (step == kClosingStep)
            AwaitClose();
        else
            ScheduleStep();
    });
}

// The day ends once the closing boards are in, or the line is down (the closing rows repeat).
void DayRecorder::AwaitClose() {
    if (finished_) return;
    const bool waiting = connected_ && std::any_of(tracks_.begin(), tracks_.end(), [](const Track& t) { return t.asked >= 0; });
    if (!waiting) return CloseDay();
    scheduler_.After(200, [this] { AwaitClose(); });
}

void DayRecorder::Sample(int step) {
    if (step == kRecordedSteps / 2) say_("前場を記録しました。");
    std::size_t asked = 0;
    const bool paced = tracks_.size() > kPacedAbove;
    for (std::size_t i = 0; i < tracks_.size(); ++i) {
        Track& t = tracks_[i];
        if (t.nextRow > step) continue;
        // A board still awaited from the step before is late: that step repeats its row.
        if (t.asked >= 0 && t.asked < step) Write(t, t.asked, nullptr);
        if (!connected_) {
            Write(t, step, nullptr);
            continue;
        }
        const int delay = paced ? static_cast<int>(asked) * 100 : 0;
        ++asked;
        t.asked = step;
        if (delay == 0)
            Ask(i, step);
        else
            scheduler_.After(delay, [this, i, step] {
                if (!finished_ && tracks_[i].asked == step) Ask(i, step);
            });
    }
}

void DayRecorder::Ask(std::size_t i, int step) {
    if (!connected_) {
        tracks_[i].asked = -1;
        return Write(tracks_[i], step, nullptr);
    }
    ++inFlight_;
    api_.Board(tracks_[i].target.symbol, [this, i, step](ApiError e, BoardQuote q) {
        --inFlight_;
        if (finished_) return;
        Track& t = tracks_[i];
        if (t.asked != step) return;  // too late: the step was written without it
        t.asked = -1;
        if (e.ok()) {
            if (q.price > 0 && q.priceDate == today_) tradedToday_ = true;
            return Write(t, step, &q);
        }
        Write(t, step, nullptr);
        if (e.failure == ApiFailure::NoConnection || e.failure == ApiFailure::TokenRefused) Lost(e);
    });
}

void DayRecorder::Write(Track& t, int step, const BoardQuote* quote) {
    if (step < t.nextRow || finished_) return;
    std::string rows;
    int written = t.nextRow, repeated = 0;
    std::string last = t.lastLine;
    for (; written <= step; ++written) {
        const int seconds = StepSeconds(written);
        std::string row;
        if (written == step && quote) {
            row = RecordedRow(t.frame, *quote, seconds);
        } else if (!last.empty()) {
            row = RepeatedRow(last, seconds);
            ++repeated;
        } else if (quote) {
            row = NoTradeRow(t.frame, quote->prevClose, seconds);  // before the first board of a late start
        } else {
            break;  // nothing known yet to write: the rows wait for the first board
        }
        last = row.substr(0, row.size() - 2);
        rows += row;
    }
    if (rows.empty()) return;
    if (!FileExists(t.path)) {
        if (!CreateDir(folder_)) return Fail(folder_ + " を作れませんでした。");
        t.created = true;
    }
    if (!AppendToFile(t.path, rows)) return Fail(t.path + " に書き込めませんでした。ディスクの空きを確かめて下さい。");
    if (t.created) SyncFolder(folder_);
    t.report.rows += written - t.nextRow;
    t.report.repeated += repeated;
    t.nextRow = written;
    t.lastLine = std::move(last);
}

void DayRecorder::Lost(const ApiError& why) {
    if (reconnecting_ || finished_) return;
    connected_ = false;
    reconnecting_ = true;
    const int wait = std::min(kMaxBackoffMs, 1000 << std::min(backoff_, 6));
    ++backoff_;
    say_("kabuステーションとの接続が切れました (" + why.message + ")。" + std::to_string(wait / 1000) +
         " 秒後に接続し直します。その間の行は直前の値を繰り返します。");
    scheduler_.After(wait, [this] {
        if (finished_) return;
        reconnecting_ = false;
        Connect(false, [this] {
            connected_ = true;
            backoff_ = 0;
            ++outcome_.reconnects;
            say_("kabuステーションに接続し直しました。");
        });
    });
}

void DayRecorder::CloseDay() {
    if (finished_) return;
    for (Track& t : tracks_) {
        if (t.nextRow <= kClosingStep) Write(t, kClosingStep, nullptr);
        outcome_.files.push_back(t.report);
    }
    if (finished_) return;  // a closing row could not be written
    finished_ = true;
    if (!tradedToday_) {
        // Nothing of today came: the rows written hold no trade of this day.
        for (const Track& t : tracks_)
            if (t.created) RemoveFile(t.path);
        outcome_.files.clear();
        CreateDir(folder_);
        WriteFileAtomically(JoinPath(folder_, std::string(kNoDataMarker)), "");
        outcome_.noData = true;
        say_("本日の約定は記録できませんでした。" + today_ + " にデータ未取得の印を置きました。");
    } else {
        say_("大引けまで記録しました。");
        if (!options_.installFolder.empty()) {
            outcome_.searchMonth = "20" + today_.substr(0, 4);
            const SearchMonthBuild built = BuildSearchMonth(options_.dataFolder, outcome_.searchMonth);
            outcome_.searchRead = built.read;
            outcome_.searchProblem = WriteSearchMonth(options_.installFolder, outcome_.searchMonth, built.lines);
            say_(outcome_.searchProblem.empty()
                     ? "検索データ_" + outcome_.searchMonth + ".txt を作り直しました (" + std::to_string(built.read) + " 銘柄日)。"
                     : outcome_.searchProblem);
        }
    }
    outcome_.ok = true;
    if (finishedCallback_) finishedCallback_(outcome_);
}

}  // namespace corvala
