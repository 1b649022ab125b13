// A day recorded from the stand-in station on a virtual clock: the files hold what the scripted
// messages say at every step, survive a cut line, a restart and a lost connection, and a refusal
// touches nothing.

#include <gtest/gtest.h>

#include <QEventLoop>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "data/day_loader.h"
#include "market/tape.h"
#include "platform/files.h"
#include "platform/qt/qt_http_client.h"
#include "platform/system.h"
#include "platform/virtual_scheduler.h"
#include "record/day_recorder.h"
#include "screening/search_data.h"
#include "test_support.h"
#include "tests/record/kabu_stand_in.h"

namespace corvala::test {
namespace {

constexpr Ymd kToday{2026, 12, 9};
constexpr const char* kDate = "261209";
constexpr const char* kPassword = "stand-in-password";
constexpr int kAt0850 = 8 * 3600 + 50 * 60;
constexpr int kClose = 15 * 3600 + 30 * 60;

// A clock that reads the virtual scheduler's time from a moment of the test's day.
class DayClock final : public Clock {
public:
    DayClock(VirtualScheduler& s, int startSeconds) : s_(s), startMs_(std::int64_t{startSeconds} * 1000) {}
    Ymd Today() const override { return kToday; }
    int SecondsOfDay() const override { return static_cast<int>(MsOfDay() / 1000); }
    std::int64_t NowMs() const override { return s_.NowMs(); }
    std::int64_t MsOfDay() const override { return startMs_ + s_.NowMs(); }
    // The machine slept: the clock moves on, nothing ran meanwhile.
    void Jump(int seconds) { startMs_ += std::int64_t{seconds} * 1000; }

private:
    VirtualScheduler& s_;
    std::int64_t startMs_;
};

// Deterministic draws for the script.
struct Draws {
    std::uint64_t x = 88172645463325252ull;
    int Next(int n) {
        x ^= x << 13, x ^= x >> 7, x ^= x << 17;
        return static_cast<int>(x % static_cast<std::uint64_t>(n));
    }
};

bool InSession(int t, int close) {
    return (t >= 9 * 3600 && t < 11 * 3600 + 30 * 60) || (t >= 12 * 3600 + 30 * 60 && t < close - 5 * 60);
}

// A symbol trading from `first` every `every` seconds (none in `quietFrom`–`quietTo`), with a
// closing message at `close`; prices on a grid of `tick` (with decimals for an index).
ScriptedSymbol Script(const std::string& symbol, double prevClose, double tick, int first, int every, double unit,
                      bool index, int quietFrom = 0, int quietTo = 0, int close = kClose) {
    ScriptedSymbol s;
    s.symbol = symbol;
    s.name = symbol;
    s.prevClose = prevClose;
    s.tradingUnit = unit;
    s.index = index;
    Draws d;
    d.x += static_cast<std::uint64_t>(first);
    double price = prevClose + tick * (d.Next(7) - 3), volume = 0, turnover = 0, high = 0, low = 0;
    int highAt = 0, lowAt = 0;
    for (int t = first; t <= close; t += every) {
        if (t < close && (!InSession(t, close) || (t >= quietFrom && t < quietTo))) continue;
        if (t > close - 5 * 60) t = close;  // the closing auction
        ScriptedQuote q;
        q.seconds = t;
        price += tick * (d.Next(5) - 2);
        if (index) price = std::round((price + (d.Next(100) - 50) / 100.0) * 100) / 100;
        const double traded = index ? 0 : unit * (1 + d.Next(20));
        volume += traded;
        turnover += traded * price;
        if (s.quotes.empty() || price > high) high = price, highAt = t;
        if (s.quotes.empty() || price < low) low = price, lowAt = t;
        q.price = price, q.volume = volume, q.high = high, q.low = low, q.highSeconds = highAt, q.lowSeconds = lowAt;
        q.vwap = volume > 0 ? std::round(turnover / volume * 10000) / 10000 : 0;
        for (std::size_t i = 0; i < 10; ++i) {
            q.sells[i] = {price + tick * static_cast<double>(i + 1), unit * (1 + d.Next(30))};
            q.buys[i] = {price - tick * static_cast<double>(i), unit * (1 + d.Next(30))};
        }
        s.quotes.push_back(q);
        if (t == close) break;
    }
    return s;
}

std::vector<ScriptedSymbol> ScriptedDay() {
    return {Script("8473@1", 2480, 1, 9 * 3600, 7, 100, false),
            // Opens late (9:03:17) and stands still from 13:00 to 13:20.
            Script("6501@1", 1805, 1, 9 * 3600 + 197, 11, 100, false, 13 * 3600, 13 * 3600 + 1200),
            Script("101@1", 27012.5, 3, 9 * 3600 + 2, 5, 0, true),
            // The futures' day session closes at 15:45.
            Script(std::string(KabuStandIn::kFutureSymbol) + "@23", 27010, 10, 9 * 3600, 13, 1, false, 0, 0,
                   kClose + 15 * 60)};
}

std::vector<RecordTarget> Targets() {
    return {StockTarget("8473"), StockTarget("6501"), *SeriesTarget("N225"), *SeriesTarget("NK225F")};
}

// One run of the recorder on its own virtual clock, started at `startSeconds`.
struct RecorderRun {
    RecorderRun(KabuStandIn& server, const std::string& data, const std::string& install, int startSeconds,
        std::vector<RecordTarget> targets = Targets(), std::string password = kPassword, bool late = false)
        : clock(scheduler, startSeconds) {
        RecorderOptions o;
        o.lateStart = late;
        o.dataFolder = data;
        o.installFolder = install;
        o.password = std::move(password);
        o.targets = std::move(targets);
        recorder = std::make_unique<DayRecorder>(http, scheduler, clock, server.Base(), o,
                                                 [this](const std::string& line) { said.push_back(line); });
    }
    // Runs until the recorder ends or the clock passes `untilSeconds`; the network answers
    // everything asked before the virtual time moves on.
    void Go(int untilSeconds = 24 * 3600) {
        QEventLoop loop;
        if (!started) recorder->Start([this](const RecorderOutcome& o) { outcome = o; });
        started = true;
        for (;;) {
            while (recorder->inFlight() > 0) loop.processEvents(QEventLoop::WaitForMoreEvents);
            if (recorder->finished() || clock.SecondsOfDay() >= untilSeconds || !scheduler.RunOne()) break;
        }
    }
    VirtualScheduler scheduler;
    DayClock clock;
    QtHttpClient http;
    std::unique_ptr<DayRecorder> recorder;
    std::vector<std::string> said;
    RecorderOutcome outcome;
    bool started = false;
};

std::vector<std::string> Lines(const std::string& path) {
    const std::string text = ReadWholeFile(path).value_or("");
    std::vector<std::string> out;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t end = text.find("\r\n", pos);
        if (end == std::string::npos) {
            out.push_back(text.substr(pos) + "<cut>");
            break;
        }
        out.push_back(text.substr(pos, end - pos));
        pos = end + 2;
    }
    return out;
}

std::string Field(const std::string& line, int n) {
    std::size_t pos = 0;
    for (int i = 0; i < n; ++i) pos = line.find(',', pos) + 1;
    return line.substr(pos, line.find(',', pos) - pos);
}

std::string WithoutSnapshotTime(const std::string& line) {
    const std::size_t a = line.find(','), b = line.find(',', a + 1);
    return line.substr(0, a) + line.substr(b);
}

// The chosen day's slot of a file as the loader reads it.
const DaySeries& Load(DayData& day, const std::string& data, const std::string& code) {
    const bool stock = code.size() == 4 && code[0] >= '0' && code[0] <= '9';
    const SeriesSlot slot = stock ? SeriesSlot::DayStock : SeriesSlot::DayIndex;
    const DayFileResult r = LoadDaySeries(data, kDate, code, slot, 1, day);
    EXPECT_EQ(r.status, DayFileResult::Status::Loaded) << code << ": " << r.problem;
    return *day.seriesSlots[static_cast<std::size_t>(slot)];
}

// Row `row` as the loader read it holds what the script's message at the step says.
void ExpectRowFollowsScript(const KabuStandIn& server, const std::string& symbol, const DaySeries& s, int row,
                            const std::string& line) {
    const ScriptedSymbol& script = *server.Find(symbol);
    const int t = RecordedStepSeconds(row);
    const ScriptedQuote* q = server.QuoteAt(symbol, t);
    const ScriptedQuote& shown = q ? *q : script.quotes.front();
    SCOPED_TRACE(symbol + " row " + std::to_string(row) + ": " + line);
    ASSERT_EQ(Field(line, 1).substr(0, 8), s.timeText[static_cast<std::size_t>(row)].substr(0, 8));
    const auto r = static_cast<std::size_t>(row);
    if (!q) {
        EXPECT_EQ(s.price[r], 0.0f);
        EXPECT_EQ(s.lastTradeSeconds[r], t / 60 * 60);  // a blank last trade reads as the snapshot
    } else {
        // The first priced row shows the open, as every day file does.
        const bool first = row == 0 || s.price[r - 1] == 0;
        EXPECT_EQ(s.price[r], static_cast<float>(first ? script.quotes.front().price : q->price));
        EXPECT_EQ(s.lastTradeSeconds[r], q->seconds / 60 * 60);
    }
    if (script.index) return;
    const double unit = script.tradingUnit;
    EXPECT_EQ(s.cumVolume[r], q ? q->volume / unit : 0.0);
    if (symbol.find("@1") != std::string::npos) {
        EXPECT_NEAR(s.vwap[r], q ? q->vwap : 0.0, 0.0056);  // to the sen, read as a float
    }
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(s.board[r][i], static_cast<float>(shown.sells[i].price));
        EXPECT_EQ(s.board[r][5 + i], static_cast<float>(shown.buys[i].price));
        EXPECT_EQ(s.board[r][10 + i], static_cast<float>(shown.sells[i].qty));
        EXPECT_EQ(s.board[r][15 + i], static_cast<float>(shown.buys[i].qty));
    }
}

struct FileCase {
    const char* code;
    std::string symbol;
    std::size_t fields;
};

std::vector<FileCase> Files() {
    return {{"8473", "8473@1", 36}, {"6501", "6501@1", 36}, {"N225", "101@1", 35},
            {"先物", std::string(KabuStandIn::kFutureSymbol) + "@23", 35}};
}

class DayRecorderTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string data = dir.Sub("日中データ");
    std::string install = dir.path();
    int serverNow = 0;
    std::unique_ptr<KabuStandIn> server;
    RecorderRun* current = nullptr;

    void SetUp() override {
        CreateDir(data);
        server = std::make_unique<KabuStandIn>(kPassword, "2026-12-09", [this] { return current->clock.SecondsOfDay(); },
                                               ScriptedDay());
    }
    std::string PathOf(const std::string& code) const { return JoinPath(JoinPath(data, kDate), code + ".csv"); }
};

TEST_F(DayRecorderTest, ADayRecordsRowForRowWhatTheMessagesSay) {
    RecorderRun run(*server, data, install, kAt0850);
    current = &run;
    run.Go();
    ASSERT_TRUE(run.outcome.ok) << run.outcome.error;
    EXPECT_FALSE(run.outcome.noData);
    for (const FileCase& f : Files()) {
        SCOPED_TRACE(f.code);
        const std::vector<std::string> lines = Lines(PathOf(f.code));
        ASSERT_EQ(lines.size(), 3601u);
        for (int row = 0; row < 3601; ++row) {
            const std::string& line = lines[static_cast<std::size_t>(row)];
            ASSERT_EQ(static_cast<std::size_t>(std::count(line.begin(), line.end(), ',')) + 1, f.fields) << line;
            EXPECT_EQ(Field(line, 0), "2026/12/09");
        }
        DayData day;
        const DaySeries& s = Load(day, data, f.code);
        for (int row = 0; row < 3599; ++row)
            ExpectRowFollowsScript(*server, f.symbol, s, row, lines[static_cast<std::size_t>(row)]);
        // The closing line: the close, taken after the bell, lands in the last row.
        EXPECT_EQ(Field(lines.back(), 1), std::string(f.code) == "先物" ? "15:45:00" : "15:30:00");
        EXPECT_EQ(s.price[3599], static_cast<float>(server->Find(f.symbol)->quotes.back().price));
        EXPECT_EQ(s.close, static_cast<float>(server->Find(f.symbol)->quotes.back().price));
    }
    DayData day;
    EXPECT_EQ(Load(day, data, "8473").tradingUnit, 100);
    EXPECT_EQ(Load(day, data, "8473").open, static_cast<float>(server->Find("8473@1")->quotes.front().price));
    // The month's search data was built from the two stocks.
    EXPECT_EQ(run.outcome.searchMonth, "202612");
    EXPECT_EQ(run.outcome.searchRead, 2);
    EXPECT_TRUE(FileExists(SearchFilePath(install, "202612")));
    // Four symbols asked at each of the 3,601 steps, after one token, one registration, the
    // trading units of the two stocks and the futures' contract.
    EXPECT_EQ(server->Requests("/kabusapi/board"), 4 * 3601);
    EXPECT_EQ(server->Requests("/kabusapi/token"), 1);
    if (const char* out = std::getenv("CORVALA_RECORD_OUT")) {  // for the command-line test
        std::filesystem::copy(JoinPath(data, kDate), JoinPath(out, kDate),
                              std::filesystem::copy_options::recursive | std::filesystem::copy_options::overwrite_existing);
    }
}

TEST_F(DayRecorderTest, ALostConnectionRepeatsTheLastRowsAndIsRetried) {
    server->AddDownWindow(10 * 3600, 10 * 3600 + 40);  // the station is gone for 40 s
    server->ForgetTokensAt(13 * 3600);                 // and restarts at 13:00
    server->AddBlankWindow(14 * 3600, 14 * 3600 + 20);  // boards without price and volume
    RecorderRun run(*server, data, install, kAt0850, {StockTarget("8473")});
    current = &run;
    run.Go(11 * 3600);
    run.clock.Jump(10 * 60);  // the machine slept from 11:00 to 11:10
    run.Go();
    ASSERT_TRUE(run.outcome.ok) << run.outcome.error;
    EXPECT_EQ(run.outcome.reconnects, 2);
    const std::vector<std::string> lines = Lines(PathOf("8473"));
    ASSERT_EQ(lines.size(), 3601u);
    DayData day;
    const DaySeries& s = Load(day, data, "8473");
    const auto whileDown = [](int t) {
        return (t >= 10 * 3600 && t < 10 * 3600 + 120) || (t >= 11 * 3600 && t <= 11 * 3600 + 600) ||
               (t >= 13 * 3600 && t < 13 * 3600 + 10) || (t >= 14 * 3600 && t < 14 * 3600 + 20);
    };
    int repeats = 0;
    for (int row = 1; row < 3599; ++row) {
        const int t = RecordedStepSeconds(row);
        const auto r = static_cast<std::size_t>(row);
        const ScriptedQuote* q = server->QuoteAt("8473@1", t);
        const bool followsScript = s.lastTradeSeconds[r] == q->seconds / 60 * 60 && s.cumVolume[r] == q->volume / 100;
        const bool repeat = WithoutSnapshotTime(lines[r]) == WithoutSnapshotTime(lines[r - 1]);
        const bool unanswered = (t >= 10 * 3600 && t < 10 * 3600 + 40) || (t > 11 * 3600 && t < 11 * 3600 + 600) ||
                                (t >= 14 * 3600 && t < 14 * 3600 + 20);
        if (unanswered) {
            EXPECT_TRUE(repeat) << "nothing answered, yet: " << lines[r];
        }
        if (followsScript) {
            ExpectRowFollowsScript(*server, "8473@1", s, row, lines[r]);
        } else {
            // The row before again, with its old last trade, at this snapshot time.
            EXPECT_TRUE(repeat && whileDown(t)) << lines[r];
            EXPECT_EQ(Field(lines[r], 1), s.timeText[r]);
            ++repeats;
        }
    }
    EXPECT_GE(repeats, 8 + 100);
    EXPECT_GE(run.outcome.files.at(0).repeated, repeats);
}

TEST_F(DayRecorderTest, ARestartContinuesTheFilesAndRepairsACutLastLine) {
    {
        RecorderRun first(*server, data, install, kAt0850, {StockTarget("8473"), *SeriesTarget("N225")});
        current = &first;
        first.Go(10 * 3600);
        EXPECT_FALSE(first.outcome.ok);  // still running when it was stopped
    }
    const std::vector<std::string> before = Lines(PathOf("8473"));
    ASSERT_EQ(before.size(), 721u);  // 9:00:00 – 10:00:00
    // Killed in the middle of writing a row.
    AppendToFile(PathOf("8473"), before.back().substr(0, 40));
    RecorderRun second(*server, data, install, 10 * 3600 + 20 * 60, {StockTarget("8473"), *SeriesTarget("N225")});
    current = &second;
    second.Go();
    ASSERT_TRUE(second.outcome.ok) << second.outcome.error;
    EXPECT_TRUE(second.outcome.files.at(0).repaired);
    EXPECT_EQ(second.outcome.files.at(0).resumedAt, 721);
    EXPECT_FALSE(second.outcome.files.at(1).repaired);
    for (const char* code : {"8473", "N225"}) {
        const std::vector<std::string> lines = Lines(PathOf(code));
        ASSERT_EQ(lines.size(), 3601u) << code;
        for (int row = 0; row < 3600; ++row) {  // no row lost, none twice
            char want[16];
            const int t = RecordedStepSeconds(row);
            std::snprintf(want, sizeof want, "%02d:%02d:%02d", t / 3600, t / 60 % 60, t % 60);
            ASSERT_EQ(Field(lines[static_cast<std::size_t>(row)], 1), want) << code;
        }
    }
    const std::vector<std::string> after = Lines(PathOf("8473"));
    for (std::size_t row = 0; row < 721; ++row) EXPECT_EQ(after[row], before[row]);
    // 10:00:05 – 10:19:55 were not recorded: the last row repeats; from 10:20:00 the script.
    const std::size_t gapEnd = 720 + 20 * 12;
    for (std::size_t row = 721; row < gapEnd; ++row) EXPECT_EQ(WithoutSnapshotTime(after[row]), WithoutSnapshotTime(before[720]));
    DayData day;
    const DaySeries& s = Load(day, data, "8473");
    for (std::size_t row = gapEnd; row < 3599; ++row)
        ExpectRowFollowsScript(*server, "8473@1", s, static_cast<int>(row), after[row]);
}

TEST_F(DayRecorderTest, AStopAskedForEndsAtAWholeStepWithTheSummary) {
    RecorderRun run(*server, data, install, kAt0850, {StockTarget("8473"), *SeriesTarget("N225")});
    current = &run;
    run.Go(9 * 3600 + 10 * 60);
    ASSERT_FALSE(run.recorder->finished());
    run.recorder->Stop();
    run.recorder->Stop();  // a second signal changes nothing
    run.Go();
    ASSERT_TRUE(run.recorder->finished());
    EXPECT_TRUE(run.outcome.ok) << run.outcome.error;
    EXPECT_TRUE(run.outcome.stopped);
    EXPECT_TRUE(run.outcome.searchMonth.empty());  // the day is not over: no search data yet
    ASSERT_EQ(run.outcome.files.size(), 2u);
    const std::vector<std::string> a = Lines(PathOf("8473")), b = Lines(PathOf("N225"));
    EXPECT_GE(a.size(), 120u);
    EXPECT_EQ(a.size(), b.size());  // both at the same step
    EXPECT_EQ(run.outcome.files[0].rows, static_cast<int>(a.size()));
    for (const std::string& line : a) EXPECT_EQ(line.find("<cut>"), std::string::npos);
    EXPECT_EQ(run.said.back(), "記録を途中で止めました。同じ日にもう一度始めると、続きから記録します。");
}

TEST_F(DayRecorderTest, ManySymbolsAreAskedInTurnWithinTheRateAndA429IsAWait) {
    std::vector<ScriptedSymbol> symbols = ScriptedDay();
    std::vector<RecordTarget> targets;
    for (int i = 0; i < 40; ++i) {
        const std::string code = std::to_string(3000 + i);
        symbols.push_back(Script(code + "@1", 1000, 1, 9 * 3600, 60, 100, false));
        targets.push_back(StockTarget(code));
    }
    server = std::make_unique<KabuStandIn>(kPassword, "2026-12-09", [this] { return current->clock.SecondsOfDay(); },
                                           symbols);
    server->ThrottleNext(3);  // the token and the first units refused: the station's second passes
    RecorderRun run(*server, data, install, kAt0850, targets);
    current = &run;
    run.Go(9 * 3600 + 60);
    ASSERT_FALSE(run.recorder->finished()) << run.outcome.error;
    run.recorder->Stop();
    run.Go();
    ASSERT_TRUE(run.outcome.ok) << run.outcome.error;
    ASSERT_EQ(run.outcome.files.size(), 40u);
    // 36 boards a step, the four others in turn: over ten steps each symbol is left out once.
    int notAsked = 0, fewest = 1 << 20, most = 0;
    for (const RecordedFileReport& f : run.outcome.files) {
        notAsked += f.notAsked;
        fewest = std::min(fewest, f.notAsked);
        most = std::max(most, f.notAsked);
    }
    EXPECT_EQ(notAsked % 4, 0);
    const int steps = notAsked / 4;
    EXPECT_GE(steps, 11);
    EXPECT_LE(most - fewest, 1);
    const int boards = server->Requests("/kabusapi/board");
    EXPECT_LE(boards, 36 * steps);
    EXPECT_GE(boards, 36 * (steps - 1));
    const auto said = [&](const std::string& text) {
        return std::any_of(run.said.begin(), run.said.end(), [&](const std::string& l) { return l.find(text) != std::string::npos; });
    };
    EXPECT_TRUE(said("40 銘柄は5秒ごとにすべての板を聞けません"));
    EXPECT_TRUE(said("行が直前の値の繰り返しです"));
}

// The shares on the day's estimated tape.
double TapeShares(const DaySeries& s) {
    DayTape tape;
    FixedRandom random;
    TapeEstimator estimator(s, 100, random, tape);
    for (int r = 0; r < kClosingRow; ++r) estimator.EstimateStepTape(r, r == kClosingRow - 1);
    double shares = 0;
    for (const std::string& line : tape.lines()) shares += ReadTapeLine(line)->volume.value_or(0);
    return shares;
}

TEST_F(DayRecorderTest, ALateStartWritesTheOpenOnlyWhereItSawTheFirstTrade) {
    // Started at 9:02:30: 8473 has traded since 9:00, 6501 opens in the recording at 9:03:17.
    RecorderRun run(*server, data, install, 9 * 3600 + 150, {StockTarget("8473"), StockTarget("6501")}, kPassword, true);
    current = &run;
    run.Go();
    ASSERT_TRUE(run.outcome.ok) << run.outcome.error;
    for (const bool seen : {false, true}) {
        const std::string code = seen ? "6501" : "8473";
        SCOPED_TRACE(code);
        const ScriptedSymbol& script = *server->Find(code + "@1");
        std::vector<std::string> lines = Lines(PathOf(code));
        ASSERT_EQ(lines.size(), 3601u);
        DayData day;
        const DaySeries& s = Load(day, data, code);
        int first = 0;
        while (first < kClosingRow && s.price[static_cast<std::size_t>(first)] == 0) ++first;
        const ScriptedQuote* q = server->QuoteAt(code + "@1", RecordedStepSeconds(first));
        ASSERT_TRUE(q);
        const std::string open = std::to_string(std::llround(script.quotes.front().price));
        for (int row = first; row < 3601; ++row)
            ASSERT_EQ(Field(lines[static_cast<std::size_t>(row)], 6), seen ? open : "") << lines[static_cast<std::size_t>(row)];
        EXPECT_EQ(s.openingInFile, seen);
        // The first step shows what the board said; only a seen opening prints what traded before.
        const auto cumFirst = s.cumVolume[static_cast<std::size_t>(first)];
        EXPECT_EQ(s.price[static_cast<std::size_t>(first)], static_cast<float>(seen ? script.quotes.front().price : q->price));
        EXPECT_EQ(TapeShares(s), (s.cumVolume[kClosingRow] - (seen ? 0 : cumFirst)) * 100);
        if (seen) continue;
        // A file of an older recorder that wrote the open on every traded row is read the same:
        // its high and low came before the row before, which said nothing had traded.
        std::string old;
        for (std::size_t row = 0; row < lines.size(); ++row) {
            std::string line = lines[row];
            std::size_t column6 = 0;
            for (int i = 0; i < 6; ++i) column6 = line.find(',', column6) + 1;
            if (static_cast<int>(row) >= first) line.insert(column6, open);
            old += line + "\r\n";
        }
        WriteFile(PathOf(code), old);
        DayData again;
        const DaySeries& o = Load(again, data, code);
        EXPECT_FALSE(o.openingInFile);
        EXPECT_EQ(o.price[static_cast<std::size_t>(first)], static_cast<float>(q->price));
        EXPECT_EQ(o.open, static_cast<float>(script.quotes.front().price));
        EXPECT_EQ(TapeShares(o), (o.cumVolume[kClosingRow] - cumFirst) * 100);
    }
}

TEST_F(DayRecorderTest, ARefusalStopsBeforeAnyFileIsTouched) {
    CreateDir(JoinPath(data, kDate));
    const std::string earlier = "2026/12/09,09:00:00,,-,2480,-,,,,,,,,,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,100,\r\n";
    WriteFile(PathOf("8473"), earlier);
    struct Case {
        const char* name;
        std::vector<RecordTarget> targets;
        std::string password;
        std::string says;
        int start = kAt0850;
    };
    std::vector<RecordTarget> many;
    for (int i = 0; i < 51; ++i) many.push_back(StockTarget(std::to_string(1000 + i)));
    const std::vector<Case> cases = {
        {"a refused password", Targets(), "wrong", "APIパスワードが受け付けられませんでした (4001013 トークン取得失敗)"},
        {"an unknown code", {StockTarget("8473"), StockTarget("9999")}, kPassword, "銘柄コード 9999 は見つかりません (4002001"},
        {"a file begun after 9:00", {StockTarget("8473"), StockTarget("6501")}, kPassword, "--late を付けて", 10 * 3600},
        {"more symbols than may be registered", many, kPassword, "一度に記録できるのは 50 銘柄までです (51 銘柄"},
        {"more than the station takes beside another tool's", Targets(), kPassword,
         "登録できる銘柄数 (50) を超えます (4002006 レジスト数エラー)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (&c == &cases.back()) server->RegisterOthers(48);
        RecorderRun run(*server, data, install, c.start, c.targets, c.password);
        current = &run;
        run.Go();
        EXPECT_FALSE(run.outcome.ok);
        EXPECT_NE(run.outcome.error.find(c.says), std::string::npos) << run.outcome.error;
        EXPECT_EQ(ReadWholeFile(PathOf("8473")).value_or(""), earlier);
        EXPECT_FALSE(FileExists(PathOf("6501")));
        EXPECT_FALSE(FileExists(PathOf("N225")));
    }
    EXPECT_EQ(server->Requests("/kabusapi/board"), 0);

    // The same file with LF line ends (edited elsewhere) is no recording to continue: refused,
    // and not one byte of it goes.
    std::string lf = earlier;
    lf.erase(lf.find('\r'), 1);
    lf += lf;
    WriteFile(PathOf("8473"), lf);
    RecorderRun run(*server, data, install, kAt0850, {StockTarget("8473"), StockTarget("6501")});
    current = &run;
    run.Go();
    EXPECT_FALSE(run.outcome.ok);
    EXPECT_NE(run.outcome.error.find("LF だけの行"), std::string::npos) << run.outcome.error;
    EXPECT_EQ(ReadWholeFile(PathOf("8473")).value_or(""), lf);
    EXPECT_FALSE(FileExists(PathOf("6501")));
}

TEST_F(DayRecorderTest, ADayWithoutTradesGetsTheNoDataMarker) {
    // A holiday: the station shows the last trading day's prices all day.
    server = std::make_unique<KabuStandIn>(kPassword, "2026-12-08", [this] { return current->clock.SecondsOfDay(); },
                                           ScriptedDay());
    RecorderRun run(*server, data, install, kAt0850, {StockTarget("8473")});
    current = &run;
    run.Go();
    ASSERT_TRUE(run.outcome.ok) << run.outcome.error;
    EXPECT_TRUE(run.outcome.noData);
    EXPECT_FALSE(FileExists(PathOf("8473")));
    EXPECT_TRUE(FileExists(JoinPath(JoinPath(data, kDate), "データ未取得")));
}

TEST(KabuApiTest, TimesAreReadOnJapansClock) {
    std::string date;
    int seconds = 0;
    ASSERT_TRUE(ParseApiTime("2022-04-04T15:00:00+09:00", date, seconds));
    EXPECT_EQ(date, "220404");
    EXPECT_EQ(seconds, 15 * 3600);
    // A station on a PC set to another zone: the same moment.
    ASSERT_TRUE(ParseApiTime("2022-04-04T23:30:05.25-01:00", date, seconds));
    EXPECT_EQ(date, "220405");
    EXPECT_EQ(seconds, 9 * 3600 + 30 * 60 + 5);
    ASSERT_TRUE(ParseApiTime("2022-04-03T23:00:00Z", date, seconds));
    EXPECT_EQ(date, "220404");
    EXPECT_EQ(seconds, 8 * 3600);
    for (const char* bad : {"", "2022-04-04", "2022-13-04T15:00:00+09:00", "2022-04-04T15:00:00+0900", "null"})
        EXPECT_FALSE(ParseApiTime(bad, date, seconds)) << bad;
}

TEST(KabuApiTest, NullFieldsAndStrangeBodiesDoNotBreakTheBoard) {
    BoardQuote q;
    ASSERT_TRUE(ParseBoardMessage(R"({"CurrentPrice":null,"CurrentPriceTime":null,"Sell1":{"Sign":null,"Price":0.0,"Qty":0.0},"Buy2":null})", q));
    EXPECT_EQ(q.price, 0);
    EXPECT_EQ(q.priceSeconds, -1);
    RowFrame frame{kDate, true, true, 100};
    const std::string row = RecordedRow(frame, q, 9 * 3600);
    EXPECT_EQ(Field(row, 3), "-");
    EXPECT_FALSE(ParseBoardMessage("<html>", q));
    // A board no market shows is a bad answer, not a row.
    BoardQuote crossed;
    crossed.sells[0] = {2480, 100};
    crossed.buys[0] = {2481, 100};
    EXPECT_EQ(BoardProblem(crossed, true), "売り気配が買い気配より安い板です");
    EXPECT_EQ(BoardProblem(crossed, false), "");  // an auction's waiting orders may cross
    crossed.buys[0].price = 2480;                 // locked: a board
    EXPECT_EQ(BoardProblem(crossed, true), "");
    crossed.sells[3].qty = -100;
    EXPECT_EQ(BoardProblem(crossed, false), "板情報に負の値があります");
    EXPECT_FALSE(ParseBoardMessage("[1,2]", q));
    // An error body that is not JSON is still an error with its status.
    const ApiError e = ClassifyReply({500, "<html>oops</html>", ""});
    EXPECT_EQ(e.failure, ApiFailure::Other);
    EXPECT_EQ(e.message, "HTTP 500");
    EXPECT_EQ(ClassifyReply({429, "", ""}).failure, ApiFailure::Throttled);
    EXPECT_EQ(ClassifyReply({500, ApiErrorJson(4001007, "ログイン認証エラー"), ""}).failure, ApiFailure::LoggedOut);
    EXPECT_EQ(ClassifyReply({400, ApiErrorJson(4002006, "レジスト数エラー"), ""}).failure, ApiFailure::TooManySymbols);
}

TEST(KabuApiTest, OnlyThisComputersAddressesAreLocal) {
    for (const char* url : {"http://localhost:18080/kabusapi", "http://127.0.0.1:18080/kabusapi", "http://[::1]:18080/x",
                            "http://LOCALHOST/kabusapi", "http://127.9.9.9"})
        EXPECT_TRUE(LocalApi(url)) << url;
    for (const char* url : {"http://192.168.1.20:18080/kabusapi", "http://localhost.example.com/x",
                            "http://127.0.0.1@10.0.0.5:18080/x", "http://[fe80::1]:18080/x", "http://winpc/kabusapi"})
        EXPECT_FALSE(LocalApi(url)) << url;
    EXPECT_EQ(ApiHost("http://user:pw@10.0.0.5:18080/kabusapi"), "10.0.0.5");
}

TEST(JapanClockTest, ReadsJapansHoursWhateverTheMachinesZone) {
    const char* saved = std::getenv("TZ");
    const std::string before = saved ? saved : "";
    std::int64_t japan[2], local[2];
    const char* zones[2] = {"UTC0", "EST5"};
    for (int i = 0; i < 2; ++i) {
        setenv("TZ", zones[i], 1);
        tzset();
        japan[i] = JapanClock().MsOfDay();
        local[i] = SystemClock().MsOfDay();
    }
    saved ? setenv("TZ", before.c_str(), 1) : unsetenv("TZ");
    tzset();
    const auto apart = [](std::int64_t a, std::int64_t b) {
        const std::int64_t d = ((a - b) % 86'400'000 + 86'400'000) % 86'400'000;
        return std::min(d, 86'400'000 - d);
    };
    EXPECT_LT(apart(japan[0], local[0] + 9 * 3'600'000), 2000);  // UTC + 9 h
    EXPECT_LT(apart(japan[1], japan[0]), 2000);                  // the zone does not move it
    EXPECT_LT(apart(local[1], local[0] - 5 * 3'600'000), 2000);
}

TEST(RecordedFileTest, AFileEndsAtItsLastWholeLine) {
    EXPECT_EQ(ReadRecordedFile("").rows, 0);
    EXPECT_TRUE(ReadRecordedFile("2026/12/09,09:0").cut);
    const RecordedFileState s = ReadRecordedFile("2026/12/09,1,x\r\n2026/12/09,2,y\r\n2026/12/09,3");
    EXPECT_EQ(s.rows, 2);
    EXPECT_EQ(s.keep, 32u);
    EXPECT_TRUE(s.cut);
    EXPECT_EQ(s.lastLine, "2026/12/09,2,y");
    EXPECT_EQ(RepeatedRow(s.lastLine, 9 * 3600 + 5), "2026/12/09,09:00:05,y\r\n");
    // What is no recording is refused, never cut: lines ended by LF alone (the cut would have been
    // made at the last CR LF, or at 0), a line that is no row.
    for (const char* bytes : {"2026/12/09,1,x\n2026/12/09,2,y\n", "2026/12/09,1,x\r\n2026/12/09,2,y\n2026/12/09,3",
                              "2026/12/09,1,x\r\nnotes\r\n", "some notes", "2026/12/09,1,x\r2026/12/09,2,y\r",
                              "2026/12/09,1,x\r\n2026/12/09,2,y\r\n<html>"}) {
        const RecordedFileState r = ReadRecordedFile(bytes);
        EXPECT_FALSE(r.refusal.empty()) << bytes;
        EXPECT_EQ(r.keep, 0u);
        EXPECT_FALSE(r.cut);
    }
    EXPECT_NE(ReadRecordedFile("2026/12/09,1,x\r\nnotes\r\n").refusal.find("2 行目"), std::string::npos);
}

}  // namespace
}  // namespace corvala::test
