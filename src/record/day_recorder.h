#pragma once
// Records today's session of a few stocks and market series from the broker trading station's
// local API into day files of the data folder, one row every five seconds, each row on the disk
// before the next step is sampled. It asks the board of every symbol at each step (so a step's
// row is the board of that moment), rides out a lost connection by repeating the last rows and
// connecting again with growing pauses, continues the files of an earlier run of the same day,
// and after the closing line builds the month's search data.

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"
#include "platform/ports.h"
#include "record/kabu_api.h"
#include "record/recorded_file.h"

namespace corvala {

// The station's limit of registered symbols.
inline constexpr int kMaxRecordedSymbols = 50;

// One file of the day and the symbol it records.
struct RecordTarget {
    std::string file;        // the file's code: "8473", "N225", "先物"
    ApiSymbol symbol;        // for the futures: found at the start from `futureCode`
    std::string futureCode;  // "NK225" for the futures
    bool stock = true;
};

RecordTarget StockTarget(const std::string& code);
// A market series by its option name: N225, TOPX, MTHR, or NK225F (the futures, written as
// 先物); none for another name.
std::optional<RecordTarget> SeriesTarget(std::string_view name);

struct RecorderOptions {
    std::string dataFolder;
    std::string installFolder;  // where the month's search data goes; empty: not built
    std::string password;
    std::vector<RecordTarget> targets;
    // The close of the stocks and indices; the futures' day session closes 15 minutes later. A
    // closing line is taken 10 s after its close.
    int closeSeconds = 15 * 3600 + 30 * 60;
    // A file begun after 9:00:05 has no trade before its first row that was asked; without this
    // such a start is refused.
    bool lateStart = false;
};

struct RecordedFileReport {
    std::string file, path;
    int rows = 0;          // in the file at the end
    int resumedAt = 0;     // rows it had before this run
    bool repaired = false; // a line cut short was taken off its end
    int repeated = 0;      // rows of this run that repeat the row before (no answer for the step)
    int notAsked = 0;      // steps whose board was not asked: more symbols than a step has requests for
    int failed = 0;        // answers that were errors or no board (garbage, crossed, from the future)
};

struct RecorderOutcome {
    bool ok = false;
    std::string error;  // why the recording stopped (Japanese); existing files are as they were
    std::string date;   // YYMMDD
    std::vector<RecordedFileReport> files;
    int reconnects = 0;
    bool noData = false;  // nothing traded today: the folder got the データ未取得 marker
    std::string searchMonth;  // YYYYMM built after the close, with what it read
    int searchRead = 0;
    std::string searchProblem;
    bool stopped = false;  // stopped early when asked (Stop): the files end at the last whole step
};

class DayRecorder {
public:
    // `say` gets a line for the user at every turn (connected, lost, resumed, done).
    DayRecorder(HttpClient& http, Scheduler& scheduler, const Clock& clock, std::string apiBase,
                RecorderOptions options, std::function<void(const std::string&)> say);
    DayRecorder(const DayRecorder&) = delete;
    DayRecorder& operator=(const DayRecorder&) = delete;

    // Begins; `finished` runs once, from a callback of the scheduler or of the HTTP client.
    // `clock` is Japan's: the exchange's day and hours.
    void Start(std::function<void(const RecorderOutcome&)> finished);
    // Requests sent and not yet answered.
    int inFlight() const { return inFlight_; }
    bool finished() const { return finished_; }
    // Asked to stop early (Ctrl+C, SIGTERM): the boards of the step being asked are written as
    // they come, then the run finishes with its summary (`stopped`). Started again the same day,
    // it continues the files.
    void Stop();

private:
    struct Track {
        RecordTarget target;
        RowFrame frame;
        std::string path;
        int nextRow = 0;
        std::string lastLine;
        bool created = false;   // this run made the file
        int asked = -1;         // the step whose board is awaited
        int untradedAt = -1;    // the latest step whose board had no trade of the day yet
        int closeSeconds = 0;
        bool closingAsked = false;
        bool failing = false;   // its last answer failed (said once until one succeeds)
        bool closingDone = false;  // its closing row written, or given up for
        int closeTries = 0;     // the closing board is asked again for a minute when it fails
        RecordedFileReport report;
    };

    void Fail(const std::string& why);
    void Finish();
    void Connect(bool first, std::function<void()> then);
    void Token(bool first, std::function<void()> then);
    void RegisterAll(bool first, std::function<void()> then);
    void Registered(const ApiError& r, bool first, const std::function<void()>& then);
    void Unit(std::size_t i, const ApiError& e, int unit, const std::function<void()>& then);
    void Prepare(std::size_t i, std::function<void()> then);
    void OpenFiles();
    void ScheduleStep();
    void AwaitClose();
    void Sample(int step);
    void Ask(std::size_t i, int step);
    void Answered(std::size_t i, int step, ApiError e, const BoardQuote& q, int connection);
    void Write(Track& t, int step, const BoardQuote* quote);
    void Lost(const ApiError& why);
    void CloseDay();
    void StopWhenAnswered();
    // Every request goes through here: at most kRequestsPerSecond in any second, none while the
    // station holds back after a 429.
    void Paced(std::function<void()> send);
    // A 429: the station refuses for a second; `retry` is sent once it is over. False for any
    // other answer.
    bool RetriedWhenThrottled(const ApiError& e, std::function<void()> retry);
    void SayHowManyWereNotAsked();
    static int StepSeconds(const Track& t, int step);
    static std::int64_t DueMs(const Track& t, int step);
    std::string Explain(const ApiError& e) const;

    HttpClient& http_;
    Scheduler& scheduler_;
    const Clock& clock_;
    KabuApi api_;
    std::string apiBase_;
    RecorderOptions options_;
    std::function<void(const std::string&)> say_;
    std::function<void(const RecorderOutcome&)> finishedCallback_;

    std::vector<Track> tracks_;
    std::string today_;
    std::string folder_;
    int step_ = 0;            // the next step to sample
    bool connected_ = false;
    bool reconnecting_ = false;  // from the line's loss until a connection is made again
    int connection_ = 0;         // counts the connections made: a failure of an older one is old news
    bool throttledSaid_ = false;
    std::unique_ptr<WriterLock> lock_;  // one recording a data folder at a time
    int backoff_ = 0;         // reconnection attempts since the line went
    bool tradedToday_ = false;
    bool finished_ = false;
    bool stopping_ = false;
    std::deque<std::int64_t> sentMs_;  // when the last requests went (or go)
    std::int64_t pausedUntilMs_ = 0;   // after a 429
    std::size_t rotation_ = 0;         // the first symbol asked at the next crowded step
    int firstStep_ = -1;  // the first step this run sampled
    int inFlight_ = 0;
    RecorderOutcome outcome_;
};

}  // namespace corvala
