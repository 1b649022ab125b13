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
// The station takes ten requests a second; eight leaves room. After a 429 it refuses for a second.
constexpr int kRequestsPerSecond = 8;
constexpr int kThrottlePauseMs = 1100;
// Boards asked in one step: eight a second within 4.5 of its five seconds. More symbols than
// this are asked in turn, and a symbol not asked at a step repeats its row.
constexpr std::size_t kAskedPerStep = 36;
// The station's clock and this machine's may differ by a moment.
constexpr int kClockSlackSeconds = 2;
constexpr int kCloseTries = 12;                // the closing board, asked again every 5 s
constexpr int kFuturesCloseLater = 15 * 60;    // the futures' day session closes at 15:45
// A first trade at most this many steps after the open, or after a board without one, is the
// day's opening seen by the recording.
constexpr int kOpeningSteps = 2;

// Column `column` of a row (without its line end); empty when the row has none.
std::string Column(const std::string& row, int column) {
    std::size_t pos = 0;
    for (int i = 0; i < column && pos != std::string::npos; ++i) pos = row.find(',', pos + (i ? 1 : 0));
    if (row.empty() || pos == std::string::npos) return {};
    const std::size_t end = row.find(',', pos + 1);
    return row.substr(pos + 1, end == std::string::npos ? std::string::npos : end - pos - 1);
}

// Whether a row has a price in column 3.
bool Traded(const std::string& row) {
    const std::string price = Column(row, 3);
    return !price.empty() && price != "-";
}

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

int DayRecorder::StepSeconds(const Track& t, int step) {
    return step < kClosingStep ? RecordedStepSeconds(step) : t.closeSeconds;
}

std::int64_t DayRecorder::DueMs(const Track& t, int step) {
    return std::int64_t{StepSeconds(t, step) + (step == kClosingStep ? kCloseDelaySeconds : 0)} * 1000;
}

std::string DayRecorder::Explain(const ApiError& e) const {
    const std::string api = e.code ? " (" + std::to_string(e.code) + " " + e.message + ")" : " (" + e.message + ")";
    switch (e.failure) {
        case ApiFailure::NoConnection:
            return "kabuステーションのAPI (" + apiBase_ + ") に接続できません" + api +
                   "。kabuステーションを起動してログインし、APIを有効にして下さい。";
        case ApiFailure::TokenRefused:
            return "APIパスワードが受け付けられませんでした" + api + "。";
        case ApiFailure::LoggedOut:
            return "kabuステーションがログインしていません" + api + "。kabuステーションにログインして下さい。";
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
        t.closeSeconds = options_.closeSeconds + (target.futureCode.empty() ? 0 : kFuturesCloseLater);
        tracks_.push_back(std::move(t));
    }
    const std::int64_t now = clock_.MsOfDay();
    const auto missing = [](const Track& t) { return !FileExists(t.path); };
    // After the close only an earlier run's files can still be finished.
    if (std::all_of(tracks_.begin(), tracks_.end(), [&](const Track& t) { return now > DueMs(t, kClosingStep); }) &&
        std::all_of(tracks_.begin(), tracks_.end(), missing))
        return Fail("本日の取引時間は終わっています。記録は取引日の大引けまでに始めて下さい。");
    // A file begun late would say that nothing traded before it.
    if (!options_.lateStart && now > DueMs(tracks_.front(), 0) + 5000 &&
        std::any_of(tracks_.begin(), tracks_.end(), missing))
        return Fail("9:00を過ぎているので、今日の最初からは記録できません。途中からでよければ --late を付けて下さい"
                    "（それまでの行は約定なしになります）。");
    lock_ = std::make_unique<WriterLock>(options_.dataFolder, 0);
    if (lock_->state() == WriterLock::State::Busy)
        return Fail("ほかの記録がこのデータフォルダ (" + options_.dataFolder + ") に書いています。");
    Connect(true, [this] { OpenFiles(); });
}

void DayRecorder::Fail(const std::string& why) {
    if (finished_) return;  // an answer after a stop
    outcome_.ok = false;
    outcome_.error = why;
    finished_ = true;
    if (finishedCallback_) finishedCallback_(outcome_);
}

// A token, then every symbol registered. The first time, the futures' contract and the stocks'
// trading units are asked for in between, so that a code the station does not know is named.
void DayRecorder::Connect(bool first, std::function<void()> then) {
    Paced([this, first, then] { Token(first, then); });
}

void DayRecorder::Token(bool first, std::function<void()> then) {
    ++inFlight_;
    api_.RequestToken(options_.password, [this, first, then](ApiError e) {
        --inFlight_;
        if (RetriedWhenThrottled(e, [this, first, then] { Token(first, then); })) return;
        if (!e.ok()) {
            if (first) return Fail(Explain(e));
            reconnecting_ = false;
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
    Paced([this, symbols, first, then] {
        ++inFlight_;
        api_.Register(symbols, [this, first, then](ApiError r) {
            --inFlight_;
            if (RetriedWhenThrottled(r, [this, first, then] { RegisterAll(first, then); })) return;
            Registered(r, first, then);
        });
    });
}

void DayRecorder::Registered(const ApiError& r, bool first, const std::function<void()>& then) {
    if (!r.ok() && first) {
        if (r.failure == ApiFailure::Other)
            return Fail("kabuステーションに銘柄を登録できませんでした (" + std::to_string(r.code) + " " + r.message +
                        ")。登録できる銘柄数 (" + std::to_string(kMaxRecordedSymbols) + ") を超えていないか確かめて下さい。");
        return Fail(Explain(r));
    }
    // Later a board asked for registers its symbol itself; a refusal here is not fatal.
    if (!r.ok()) say_("銘柄の登録に失敗しました: " + Explain(r));
    then();
}

// Before the first row: the futures' contract, then each stock's trading unit, one at a time.
void DayRecorder::Prepare(std::size_t i, std::function<void()> then) {
    if (i == tracks_.size()) return then();
    Track& t = tracks_[i];
    if (!t.target.futureCode.empty() && t.target.symbol.code.empty()) {
        return Paced([this, i, then] {
            ++inFlight_;
            api_.NearestFuture(tracks_[i].target.futureCode, [this, i, then](ApiError e, std::string code) {
                --inFlight_;
                if (RetriedWhenThrottled(e, [this, i, then] { Prepare(i, then); })) return;
                if (!e.ok()) return Fail(Explain(e));
                tracks_[i].target.symbol.code = code;
                Prepare(i + 1, then);
            });
        });
    }
    if (!t.target.stock) return Prepare(i + 1, then);
    Paced([this, i, then] {
        ++inFlight_;
        api_.TradingUnit(tracks_[i].target.symbol, [this, i, then](ApiError e, int unit) {
            --inFlight_;
            if (RetriedWhenThrottled(e, [this, i, then] { Prepare(i, then); })) return;
            Unit(i, e, unit, then);
        });
    });
}

void DayRecorder::Unit(std::size_t i, const ApiError& e, int unit, const std::function<void()>& then) {
    if (e.failure == ApiFailure::UnknownSymbol)
        return Fail("銘柄コード " + tracks_[i].target.file + " は見つかりません (" + std::to_string(e.code) + " " +
                    e.message + ")。");
    if (!e.ok()) return Fail(Explain(e));
    tracks_[i].frame.unit = unit > 0 ? unit : 100;
    Prepare(i + 1, then);
}

void DayRecorder::OpenFiles() {
    if (finished_) return;  // stopped while connecting
    connected_ = true;
    std::vector<std::string> names;
    // Every file is read before any is touched: one that is no recording stops the run with all
    // files as they were.
    std::vector<std::optional<RecordedFileState>> states;
    for (const Track& t : tracks_) {
        const auto bytes = ReadWholeFile(t.path);
        // A file that is there but cannot be read would be written again from its first row.
        if (!bytes && FileExists(t.path)) return Fail(t.path + " を読めないため、記録しません。ファイルはそのままです。");
        states.push_back(bytes ? std::optional(ReadRecordedFile(*bytes)) : std::nullopt);
        if (states.back() && !states.back()->refusal.empty())
            return Fail(t.path + " は記録の続きとして読めないため、記録しません（" + states.back()->refusal +
                        "）。ファイルはそのままです。別の名前に移すと、新しく記録します。");
    }
    for (std::size_t k = 0; k < tracks_.size(); ++k) {
        Track& t = tracks_[k];
        names.push_back(t.target.file);
        t.report.file = t.target.file;
        t.report.path = t.path;
        if (!states[k]) continue;
        const RecordedFileState& s = *states[k];
        if (s.cut) {
            if (!TruncateFile(t.path, s.keep)) return Fail(t.path + " の途中で切れた最後の行を除けませんでした。");
            t.report.repaired = true;
            say_(t.target.file + ".csv: 途中で切れた最後の行を除きました。");
        }
        t.nextRow = std::min(s.rows, kClosingStep + 1);
        t.lastLine = s.lastLine;
        t.report.resumedAt = t.report.rows = s.rows;
        if (Traded(s.lastLine)) {
            tradedToday_ = true;  // an earlier run recorded a trade of this day
            t.frame.sawOpening = !Column(s.lastLine, 6).empty();
        } else if (s.rows > 0) {
            t.untradedAt = s.rows - 1;  // its last row said nothing had traded yet
        }
        if (s.rows > 0 && s.rows <= kClosingStep) say_(t.target.file + ".csv: " + std::to_string(s.rows + 1) + " 行目から続けます。");
    }
    if (std::all_of(tracks_.begin(), tracks_.end(), [](const Track& t) { return t.nextRow > kClosingStep; })) {
        say_("本日の記録はすでに終わっています。");
        return CloseDay();
    }
    say_("kabuステーションに接続しました。" + today_ + " の " + Join(names) + " を " + folder_ + " に記録します。");
    if (tracks_.size() > static_cast<std::size_t>(kRequestsPerSecond)) {
        // Eight boards a second: the last of a step is taken that much after the step's time.
        const std::size_t asked = std::min(tracks_.size(), kAskedPerStep);
        const double lateBy = static_cast<double>(asked - 1) / kRequestsPerSecond;
        say_("板は1秒に " + std::to_string(kRequestsPerSecond) + " 銘柄ずつ聞くため、各行の板は最大で約 " +
             Format(lateBy, "0.0") + " 秒後に取ったものです。");
    }
    if (tracks_.size() > kAskedPerStep)
        say_(std::to_string(tracks_.size()) + " 銘柄は5秒ごとにすべての板を聞けません。毎回 " +
             std::to_string(kAskedPerStep) + " 銘柄ずつ順に聞き、聞けなかった行は直前の値を繰り返します。");
    // The first step still ahead; those passed are filled in when the next row is written.
    const std::int64_t now = clock_.MsOfDay();
    step_ = 0;
    while (step_ < kClosingStep && DueMs(tracks_.front(), step_) < now) ++step_;
    connection_ = 1;
    ScheduleStep();
}

void DayRecorder::ScheduleStep() {
    if (finished_ || stopping_) return;
    if (step_ < kClosingStep) {
        const std::int64_t wait = std::max<std::int64_t>(0, DueMs(tracks_.front(), step_) - clock_.MsOfDay());
        return scheduler_.After(static_cast<int>(wait), [this] {
            // Woken late (a machine that slept, a stalled loop): the steps passed meanwhile are not
            // sampled now, which would date this moment's board back; they repeat the row before.
            const std::int64_t now = clock_.MsOfDay();
            while (step_ + 1 < kClosingStep && DueMs(tracks_.front(), step_ + 1) <= now) ++step_;
            Sample(step_++);
            ScheduleStep();
        });
    }
    // The closing lines, each at its own close.
    std::int64_t next = -1;
    for (const Track& t : tracks_)
        if (t.nextRow <= kClosingStep && !t.closingAsked && (next < 0 || DueMs(t, kClosingStep) < next))
            next = DueMs(t, kClosingStep);
    if (next < 0) return AwaitClose();
    scheduler_.After(static_cast<int>(std::max<std::int64_t>(0, next - clock_.MsOfDay())), [this] {
        Sample(kClosingStep);
        ScheduleStep();
    });
}

// The day ends once every closing line is written (a closing board that does not come is asked
// for a minute, then the row before is repeated).
void DayRecorder::AwaitClose() {
    if (finished_) return;
    if (std::all_of(tracks_.begin(), tracks_.end(), [](const Track& t) { return t.nextRow > kClosingStep || t.closingDone; }))
        return CloseDay();
    scheduler_.After(500, [this] { AwaitClose(); });
}

void DayRecorder::Sample(int step) {
    if (finished_ || stopping_) return;  // a step already due when the run was stopped
    if (firstStep_ < 0) firstStep_ = step;
    // Said only by a run that recorded some of the morning (not by a late start at 12:30).
    if (step == kRecordedSteps / 2 && firstStep_ < step) say_("前場を記録しました。");
    const std::int64_t now = clock_.MsOfDay();
    // A crowded step asks kAskedPerStep symbols, from where the step before left off.
    const bool crowded = step < kClosingStep && tracks_.size() > kAskedPerStep;
    const std::size_t first = crowded ? rotation_ % tracks_.size() : 0;
    if (crowded) rotation_ += kAskedPerStep;
    for (std::size_t k = 0; k < tracks_.size(); ++k) {
        const std::size_t i = (first + k) % tracks_.size();
        Track& t = tracks_[i];
        if (t.nextRow > step) continue;
        if (step == kClosingStep) {
            if (t.closingAsked || DueMs(t, step) > now) continue;
            t.closingAsked = true;
        }
        if (crowded && k >= kAskedPerStep) {
            ++t.report.notAsked;  // its row repeats the one before, written with its next answer
            continue;
        }
        Paced([this, i, step] { Ask(i, step); });
    }
}

void DayRecorder::Paced(std::function<void()> send) {
    const std::int64_t now = clock_.NowMs();
    std::int64_t at = std::max(now, pausedUntilMs_);
    if (sentMs_.size() >= static_cast<std::size_t>(kRequestsPerSecond)) at = std::max(at, sentMs_.front() + 1000);
    sentMs_.push_back(at);
    while (sentMs_.size() > static_cast<std::size_t>(kRequestsPerSecond)) sentMs_.pop_front();
    if (at <= now) return send();
    scheduler_.After(static_cast<int>(at - now), [this, send = std::move(send)]() mutable {
        // A 429 that came meanwhile holds this one back too.
        if (pausedUntilMs_ > clock_.NowMs()) return Paced(std::move(send));
        send();
    });
}

bool DayRecorder::RetriedWhenThrottled(const ApiError& e, std::function<void()> retry) {
    if (e.failure != ApiFailure::Throttled || finished_) return false;
    pausedUntilMs_ = std::max(pausedUntilMs_, clock_.NowMs() + kThrottlePauseMs);
    Paced(std::move(retry));
    return true;
}

void DayRecorder::SayHowManyWereNotAsked() {
    int notAsked = 0;
    for (const Track& t : tracks_) notAsked += t.report.notAsked;
    if (notAsked > 0)
        say_("銘柄が多く5秒ごとにすべての板を聞けなかったため、" + std::to_string(notAsked) +
             " 行が直前の値の繰り返しです。");
}

void DayRecorder::Ask(std::size_t i, int step) {
    Track& t = tracks_[i];
    if (finished_ || stopping_ || t.nextRow > step) {
        if (step == kClosingStep) t.closingDone = true;
        return;
    }
    // A board still awaited from the step before is late: that step repeats its row.
    if (t.asked >= 0 && t.asked < step) {
        Write(t, t.asked, nullptr);
        t.asked = -1;
    }
    if (!connected_) {
        const ApiError down{ApiFailure::NoConnection, 0, 0, "接続し直すまで"};
        return Answered(i, step, down, BoardQuote{}, connection_);
    }
    t.asked = step;
    ++inFlight_;
    api_.Board(t.target.symbol, [this, i, step, connection = connection_](ApiError e, BoardQuote q) {
        --inFlight_;
        if (finished_ || tracks_[i].asked != step) return;  // too late: the step was written without it
        tracks_[i].asked = -1;
        Answered(i, step, e, q, connection);
        if (stopping_) StopWhenAnswered();
    });
}

void DayRecorder::Answered(std::size_t i, int step, ApiError e, const BoardQuote& q, int connection) {
    Track& t = tracks_[i];
    const auto write = [&](const BoardQuote* quote) {
        if (step == kClosingStep) t.closingDone = true;
        Write(t, step, quote);
    };
    // A trade stamped after the moment the board was taken is no answer of that moment.
    const int now = clock_.SecondsOfDay();
    if (e.ok() && q.priceDate == today_ && q.priceSeconds > now + kClockSlackSeconds) {
        e.failure = ApiFailure::Other;
        e.message = "最終約定時刻 " + FormatTimeOfDay(q.priceSeconds) + " が今より後です";
    }
    // In the continuous session of a stock that has traded, an ask below the bid is no board.
    const bool continuous = q.priceDate == today_ && ((now >= 9 * 3600 + 60 && now < 11 * 3600 + 29 * 60) ||
                                                      (now >= 12 * 3600 + 31 * 60 && now < 15 * 3600 + 24 * 60));
    if (const std::string problem = e.ok() ? BoardProblem(q, continuous) : ""; !problem.empty()) {
        e.failure = ApiFailure::Other;
        e.message = problem;
    }
    // A symbol whose answers fail (an error, a body that is no board) says so when it starts and
    // when it recovers; a line that is down is said once for all.
    if (e.failure == ApiFailure::Other || e.failure == ApiFailure::UnknownSymbol) {
        ++t.report.failed;
        if (!t.failing) say_(t.target.file + ": 板を取得できません (" + e.message + ")。直前の値を繰り返します。");
        t.failing = true;
    } else if (e.ok() && t.failing) {
        t.failing = false;
        say_(t.target.file + ": 板を取得できるようになりました。");
    }
    if (e.ok()) {
        const bool traded = q.price > 0 && q.priceDate == today_;
        // A board without the day's price or volume after the day has traded is a hiccup of the
        // station, not the market: the row before stands.
        if (Traded(t.lastLine) && (!traded || (t.frame.hasBoard && !q.hasVolume))) return write(nullptr);
        if (traded) tradedToday_ = true;
        else if (step < kClosingStep) t.untradedAt = step;
        return write(&q);
    }
    if (e.failure == ApiFailure::Throttled) pausedUntilMs_ = std::max(pausedUntilMs_, clock_.NowMs() + kThrottlePauseMs);
    if (e.failure == ApiFailure::Throttled && !throttledSaid_) {
        throttledSaid_ = true;
        say_(Explain(e) + "その行は直前の値を繰り返します。記録する銘柄を減らして下さい。");
    }
    if ((e.failure == ApiFailure::NoConnection || e.failure == ApiFailure::TokenRefused ||
         e.failure == ApiFailure::LoggedOut) &&
        connection == connection_ &&
        connected_)
        Lost(e);
    if (step == kClosingStep && t.closeTries < kCloseTries) {
        ++t.closeTries;
        return scheduler_.After(5000, [this, i, step] { Paced([this, i, step] { Ask(i, step); }); });
    }
    write(nullptr);
}

void DayRecorder::Write(Track& t, int step, const BoardQuote* quote) {
    if (step < t.nextRow || finished_) return;
    std::string rows;
    int written = t.nextRow, repeated = 0;
    std::string last = t.lastLine;
    for (; written <= step; ++written) {
        const int seconds = StepSeconds(t, written);
        std::string row;
        if (written == step && quote) {
            // The file's first trade is the opening only if the board just before it (or the
            // start of the session) was seen without one.
            if (!Traded(last) && TradedToday(t.frame, *quote))
                t.frame.sawOpening = step <= kOpeningSteps || (t.untradedAt >= 0 && step - t.untradedAt <= kOpeningSteps);
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
        Connect(false, [this] {
            connected_ = true;
            reconnecting_ = false;
            backoff_ = 0;
            ++connection_;
            ++outcome_.reconnects;
            say_("kabuステーションに接続し直しました。");
        });
    });
}

void DayRecorder::Stop() {
    if (finished_ || stopping_) return;
    stopping_ = true;
    say_("記録を止めます。");
    StopWhenAnswered();
}

void DayRecorder::StopWhenAnswered() {
    if (finished_ || std::any_of(tracks_.begin(), tracks_.end(), [](const Track& t) { return t.asked >= 0; })) return;
    finished_ = true;
    for (const Track& t : tracks_)
        if (!t.report.file.empty()) outcome_.files.push_back(t.report);  // the files this run opened
    outcome_.ok = outcome_.stopped = true;
    SayHowManyWereNotAsked();
    say_("記録を途中で止めました。同じ日にもう一度始めると、続きから記録します。");
    if (finishedCallback_) finishedCallback_(outcome_);
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
        SayHowManyWereNotAsked();
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
