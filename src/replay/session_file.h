#pragma once
// A session file: one replay as it was played, so that it can be played again exactly. JSON
// lines in ASCII (any other character escaped, so the file reads the same as CP932 or UTF-8):
//   {"session":2, "start":{…}, "files":[{"name","size","fnv1a64"}], "fingerprint":"…"}  (first)
//   {"at":"09:00:00","step":0,"press":"||"}     a playback button, as a replay script names it
//   {"at":…,"step":…,"speed":20}  {"at":…,"step":…,"lowSpeed":true}
//   {"at":…,"step":…,"op":"EditOrderText","args":[false,1,"1200"]}   any other operation
//   {"at":…,"step":…,"answer":"はい"}   {"clock":"2026/12/08 10:00:00"}   {"boardClick":true}
//   {"at":…,"step":…,"end":"completed"|"stopped"|"left","kept":true,
//    "outcome":{"fills":[{"at","closing","side","qty","price","order"}],"account":{…}}}
// The header's fingerprint covers the start and the data files it names (their own fingerprints),
// not the data folder, which may move. `step` counts the resumptions of the replay loop before
// the action, which places it between the same two waits of the loop however fast the replay
// ran; "at" is the replay clock, for the reader. Answers, clock readings and board-click ages
// are what the outside world gave the run, in the order it was asked.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/values.h"
#include "platform/text.h"

namespace corvala {

inline constexpr const char* kSessionFolder = "セッション";
inline constexpr const char* kSessionExtension = ".jsonl";
// A file of another version is refused: its steps count the waits of another replay loop. Any
// change to the waits of the loop (their number or order) must come with a new version.
// Version 2 added the header's fingerprint and the outcome in the end line; a file of version 1
// is still read and played, but has no outcome to compare.
inline constexpr int kSessionVersion = 2;

// A data file the replay read, by its path under the data folder ("221102/8473.csv").
struct SessionDataFile {
    std::string name;
    std::uint64_t size = 0;
    std::string fnv1a64;  // 16 hex digits
    friend bool operator==(const SessionDataFile&, const SessionDataFile&) = default;
};

struct SessionStart {
    std::string dataFolder, date, code, series;
    std::string name;  // the stock's name as the history rows give it
    int barLength = 5;
    int startBar = 0;
    std::string startTime;
    bool midSessionStart = false;
    std::uint64_t seed = 0;  // of the day's random draws
    std::int64_t investment = 0, profitTotal = 0, lossTotal = 0;
    bool cashOnly = false;
    bool boardOption = true, hideBoardAndTape = false, fillSound = false, tradeMarker = true;
    Price clickedPrice;  // a board price clicked before the start (its age is read as a board click)
    std::vector<std::string> givenTape;  // the day's prints when they were given, not estimated
    std::vector<double> alerts;  // the price alerts set when the run began
    std::vector<SessionDataFile> files;
};

// An operation of the user. `args` are the operation's arguments as text ("1", "true", "1200").
struct SessionAction {
    int line = 0;
    int step = 0;
    std::string at;
    std::string op;
    std::vector<std::string> args;
};

struct SessionWallClock {
    Ymd date;
    int seconds = 0;
};

// How a run ended, as the user saw it: every fill, and the account at the end.
struct SessionFill {
    std::string at;  // hh:nn:ss
    bool closing = false;
    double side = 0, quantity = 0, price = 0, order = 0;
    friend bool operator==(const SessionFill&, const SessionFill&) = default;
};
struct SessionAccount {
    std::int64_t investment = 0, profitTotal = 0, lossTotal = 0;
    Yen buyingPower = 0, runPnl = 0;
    bool cashOnly = false;
    friend bool operator==(const SessionAccount&, const SessionAccount&) = default;
};
struct SessionOutcome {
    std::vector<SessionFill> fills;
    SessionAccount account;
    friend bool operator==(const SessionOutcome&, const SessionOutcome&) = default;
};

struct SessionFile {
    int version = kSessionVersion;
    SessionStart start;
    std::vector<SessionAction> actions;
    std::vector<bool> answers;
    std::vector<SessionWallClock> clockReadings;
    std::vector<bool> boardClicks;  // whether a clicked board price was still fresh
    std::string end;                // "" when the file ends without its end line
    int endStep = -1;
    bool endKept = false;
    std::optional<SessionOutcome> outcome;  // with the end line; never in a file of version 1
};

// The playback buttons by the captions a script uses ("||", "■", "≪", "→", ">", "≫"); -1
// and "" for none.
int PlaybackButtonOf(const std::string& caption);
std::string PlaybackCaptionOf(int index);

// FNV-1a, 64 bits, as 16 hex digits.
std::string Fnv1a64(std::string_view bytes);
// The file's record, nothing when it cannot be read.
std::optional<SessionDataFile> DescribeDataFile(const std::string& dataFolder, const std::string& name);
// "" when every file of the session is as it was recorded; otherwise what changed (Japanese).
std::string CheckSessionData(const SessionStart& start);
// "" when the data files the start names are the ones a display of its day reads: that day's
// stock and series, and those of one earlier day; otherwise why not (Japanese).
std::string CheckSessionHeader(const SessionStart& start);
// FNV-1a of the start and its data files' records, the data folder left out.
std::string SessionHeaderFingerprint(const SessionStart& start);

// The lines of a session file.
std::string SessionHeaderLine(const SessionStart& start);
std::string SessionActionLine(const SessionAction& action);
std::string SessionAnswerLine(const std::string& at, int step, bool yes);
std::string SessionClockLine(const SessionWallClock& clock);
std::string SessionBoardClickLine(bool fresh);
std::string SessionEndLine(const std::string& at, int step, const std::string& how, bool kept,
                           const SessionOutcome& outcome);

// Reads a session file's text. A last line cut short (a program that ended mid-write) is
// dropped; any other line that is not part of a session, and a header whose fingerprint does not
// match it, refuses the file, and `error` says which line and why (Japanese).
std::optional<SessionFile> ParseSession(std::string_view text, std::string& error);
std::optional<SessionFile> ReadSession(const std::string& path, std::string& error);

// Writes a session file line by line, each line appended on its own (the file is not held open).
// `streaming`: each line reaches the file as it comes; otherwise the lines wait in memory until
// Keep() (a run that is never kept leaves no file). The file is `folder`/`stem`.jsonl, or with
// "-2", "-3" … when that name is taken, created afresh when the first line is written, so that
// two programs never write into one file.
class SessionWriter {
public:
    SessionWriter(std::string folder, std::string stem, bool streaming)
        : folder_(std::move(folder)), stem_(std::move(stem)), streaming_(streaming) {}
    void Add(const std::string& line);
    void Keep();
    const std::string& path() const { return path_; }
    // "" until the file is created. What went wrong when writing ("" when nothing did).
    const std::string& problem() const { return problem_; }

private:
    void Write(const std::string& text);
    std::string folder_, stem_, path_;
    bool streaming_;
    std::string waiting_;
    std::string problem_;
};

}  // namespace corvala
