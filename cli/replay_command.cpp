// corvala-cli replay: 開 始 and play without windows, on virtual time, with timed user actions
// from a script.

#include <cstdio>
#include <iostream>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>

#include "app/fill_band.h"
#include "chart_report.h"
#include "commands.h"
#include "day_options.h"
#include "platform/files.h"
#include "platform/text.h"
#include "replay/replay_clock.h"
#include "review_report.h"
#include "settings/settings.h"
#include "trading_actions.h"

namespace corvala::cli {

namespace {

const char* const kReplayText =
    "      With --session FILE only --install, --data, --fills and --report count.\n"
    "      Starts the day in simulation mode and plays it on virtual time, pressing play\n"
    "      whenever the replay waits for it (before the open and at the lunch break).\n"
    "      --speed 1–30 is set before the first play (default 5); --start is the start-time\n"
    "      boxes; --cursor shows the day first and fixes the chart's time cursor at hh:nn, so the\n"
    "      replay starts at the cursor's bar (the JSON's \"start\" says where it began). --script is a JSON-lines file of user actions, each taking effect at the\n"
    "      first check whose clock is at or after \"at\":\n"
    "        {\"at\":\"10:00:00\",\"press\":\"||\"}   (||, ■, ≪, →, >, ≫; a stop answers Yes)\n"
    "        {\"at\":\"10:30:00\",\"speed\":20}   {\"at\":\"11:00:00\",\"lowSpeed\":true}\n"
    "        {\"at\":\"09:00:00\",\"alert\":3150}   (a price alert: a print reaching it pauses the\n"
    "        replay, noted in \"alerts\":[{\"price\",\"time\"}] with the clock it paused at; play goes on)\n"
    "        {\"at\":\"14:00:00\",\"press\":\"■\",\"answers\":[\"はい\",\"いいえ\"]}  (the stop questions)\n"
    "      --orders is a file of the same kind with the user's trading, each confirmed with はい\n"
    "      (before 09:00:00 and at the lunch break they are orders before the open):\n"
    "        {\"at\":\"09:10:00\",\"new\":{\"side\":\"買建\"|\"売建\"|\"買付\",\"type\":\"通常注文\"|\n"
    "          \"逆指値付通常注文\"|\"逆指値注文\",\"normal\":\"指値\"|\"成行\",\"price\":P,\"qty\":Q,\n"
    "          \"trigger\":T,\"when\":\"以上\"|\"以下\",\"stop\":\"指値\"|\"成行\",\"stopPrice\":S}}\n"
    "        {\"at\":…,\"close\":{\"side\":\"売埋\"|\"買埋\"|\"売付\", the order fields,\n"
    "          \"positions\":\"all\" | {\"<position number>\":shares,…}}}\n"
    "        {\"at\":…,\"cancel\":ORDER}   {\"at\":…,\"correct\":ORDER, the fields that change}\n"
    "        {\"at\":…,\"key\":\"buyAtAsk\"|\"sellAtBid\"|\"closeAll\"|\"cancelAll\",\"qty\":Q}  (a one-key\n"
    "          order: a limit at the best ask or bid, every position closed at market, every\n"
    "          pending order cancelled; qty left out: the settings' default quantity)\n"
    "        {\"at\":…,\"cashOnly\":true}  {\"at\":…,\"investment\":YEN}  {\"at\":…,\"reset\":true}\n"
    "          (the account panel: before 09:00:00 they act before the day is shown, from\n"
    "          15:00:00 after the run; during the run they are refused)\n"
    "      --tape takes the day's prints from a file of \"hh:nn:ss volume price[ @]\" lines\n"
    "      instead of estimating them. The run starts from the install folder's settings\n"
    "      (setsim: investment, totals, 現物のみ, N, the periods and the options, as the program\n"
    "      does; --bar-length overrides N; a folder without setsim starts at 1,000,000 yen with\n"
    "      the totals at 0); --save-settings writes them back after the run, as the program's\n"
    "      exit does, so that the totals carry over to the next run (the data folder saved\n"
    "      stays the settings' own; a hand-over file is left alone). --investment and\n"
    "      --cash-only override the settings; --hide-range sets 値幅を隠す (the chosen day's\n"
    "      scales know only what the replay has shown).\n"
    "      The history files are written into the install folder's 売買履歴 whenever the run is kept.\n"
    "      Prints {\"end\",\"steps\",\"lunchStopRow\",\"virtualMs\",\"stopped\",\"executions\",\n"
    "      \"pendingOrders\",\"positions\",\"rejected\",\"account\"}: executions as {\"time\",\"trade\",\n"
    "      \"side\",\"quantity\",\"price\",\"order\",\"position\"} (a closing fill lists the positions\n"
    "      it closed), the lists and the account panel as the window shows them (\"pendingQueue\":\n"
    "      the shares still ahead of each pending line's limit order in its price's queue, as the\n"
    "      list's last column shows them; null for a market order or an unfired stop), and refusals as\n"
    "      {\"at\",\"line\",\"message\"}. With --trace a \"trace\" of {\"row\",\"clock\",\"virtualMs\",\n"
    "      \"boardTotalQty\",\"board\"} per step: the board total the step's rebuild found and the\n"
    "      board's 20 values, with the user's orders, after the step's last sub-step. Exit status\n"
    "      3: the day could not be replayed (\"message\" says why). --chart adds \"chart\" as `chart`\n"
    "      prints it, as it stands when the replay ends or stops (the right column up to the last\n"
    "      completed bar), with \"markers\":[{\"x\",\"y\",\"side\",\"kind\"}] for the user's fills during\n"
    "      the replay (the window draws them while the replay runs). --report adds \"report\": the\n"
    "      run's statistics {\"trades\",\"wins\",\"losses\",\"winRate\",\"avgWin\",\"avgLoss\",\n"
    "      \"profitFactor\",\"largestWin\",\"largestLoss\",\"maxDrawdown\",\"bySide\":{…},\"netPnl\",\n"
    "      \"avgHoldingSeconds\",\"equity\":[…],\"kept\"}, each closed position a trade, the equity\n"
    "      the result (realised plus open positions at the step's price) after every step, kept\n"
    "      whether the run was kept for the history. A kept run that could not be written to the\n"
    "      history files (a read-only 売買履歴, a full disk, another program writing for seconds)\n"
    "      adds \"historyProblem\" (why, and the file beside 売買履歴 where its rows wait for the\n"
    "      next run or start, which append them first and say so on stderr) and ends with exit\n"
    "      status 5, also when --save-settings could not save. A session file that could not be\n"
    "      written adds \"sessionProblem\" and exit status 5. Without --save-settings the totals of\n"
    "      a kept run are not kept for the next start; with it they go with the run's rows, so\n"
    "      that a program ended before it saved them starts from the totals the history holds.\n"
    "      A kept run also leaves its session file in 売買履歴/セッション (\"sessionFile\" names it):\n"
    "      the data files' fingerprints, the seed, the start and every action of the user, stamped\n"
    "      with the replay clock and the loop's step. --session plays such a file (the window's\n"
    "      too) to the same fills, history rows and account: the day, the account and the options\n"
    "      are the file's, --data stands in for its data folder. Nothing is appended to the history\n"
    "      files; \"history\" holds the text the run appended then, by file name, and \"session\"\n"
    "      {\"actionsLeft\",\"answersLeft\",\"cutShort\",\"matched\",\"outcomeChecked\"}: what found\n"
    "      no place in the replay, whether the file ends before its run did (the replay then stops\n"
    "      after its last action), and whether the run ended as the file says: the same way, at the\n"
    "      same step, with the same fills and account (\"outcomeChecked\" false: a file of the first\n"
    "      version holds no outcome and is matched on how and when it ended). A session whose data\n"
    "      folder moved plays from the data folder in use when its files are the same. Exit status\n"
    "      1 when the file is no session or its start was edited, 3 when the data files changed\n"
    "      since or do not agree with its start (\"message\" says which), 4 when the run did not\n"
    "      end as recorded (with --fills: did not play to its end). --fills plays the kept run's\n"
    "      orders with its resting limit orders filling another way: pessimistic (only a print\n"
    "      through the limit fills it), described (the queue ahead trades first; the default) or\n"
    "      optimistic (a print touching it fills it); market orders, stops and the tape do not change, and the run is not expected to\n"
    "      end as recorded (\"fills\" names the assumption); the user's actions come at the clock\n"
    "      times they were taken at. With --session, --report adds\n"
    "      \"fillBand\":{\"pessimistic\",\"described\",\"optimistic\"}: the run's result (realised\n"
    "      plus open positions after its last step) under each; equal when no limit order rested;\n"
    "      null, with \"fillBandProblem\" saying why, when a run cannot play to its end under one.\n";

// The names --fills takes, in the order of the band.
constexpr std::array<std::pair<const char*, FillRule>, 3> kFillRules = {
    {{"pessimistic", FillRule::Pessimistic}, {"described", FillRule::Described}, {"optimistic", FillRule::Optimistic}}};


using json = nlohmann::ordered_json;

struct Action {
    int line = 0;
    int at = 0;  // seconds since midnight
    std::optional<int> press, speed;
    std::optional<bool> lowSpeed;
    std::optional<double> alert;  // a price alert set
    std::vector<bool> answers;  // to the questions of a press
    std::optional<TradingAction> trading;
};

struct ReplayArgs {
    DayOptions day;
    int speed = 5;
    std::string start, cursor, script, orders, tape, session;
    std::int64_t investment = 0;  // 0: the settings' own
    bool cashOnly = false;
    bool hideRange = false;
    std::string fillsName;  // --fills, with --session only
    FillRule fills = FillRule::Described;
    bool fillsGiven = false;
    bool saveSettings = false;
    bool trace = false;
    bool chart = false;
    bool report = false;
};

std::optional<int> ButtonOf(const std::string& caption) {
    const int index = PlaybackButtonOf(caption);
    if (index < 0) return std::nullopt;
    return index;
}

json BoardJson(const Board& board) {
    json values = json::array();
    for (const Price p : board.price) values.push_back(p.yen());
    for (const Shares q : board.qty) values.push_back(static_cast<double>(q));
    return values;
}

bool Fail(const std::string& text) {
    std::fprintf(stderr, "corvala-cli replay: %s\n", text.c_str());
    return false;
}

bool ReadScript(const std::string& path, std::vector<Action>& out) {
    const auto bytes = ReadWholeFile(path);
    if (!bytes) return Fail("cannot read the script " + path);
    int lineNo = 0;
    std::size_t pos = 0;
    while (pos <= bytes->size()) {
        const std::size_t nl = bytes->find('\n', pos);
        const std::string line(Trim(std::string_view(*bytes).substr(pos, nl == std::string::npos ? std::string::npos : nl - pos)));
        pos = nl == std::string::npos ? bytes->size() + 1 : nl + 1;
        ++lineNo;
        if (line.empty()) continue;
        const std::string where = path + " line " + std::to_string(lineNo) + ": ";
        const json j = json::parse(line, nullptr, false);
        if (j.is_discarded() || !j.is_object()) return Fail(where + "not a JSON object");
        Action a;
        a.line = lineNo;
        const auto at = j.contains("at") && j["at"].is_string()
                            ? ParseTimeOfDay(j["at"].get<std::string>())
                            : std::nullopt;
        if (!at) return Fail(where + "\"at\" must be a time hh:nn:ss");
        a.at = *at;
        std::string problem;
        if (j.contains("press")) {
            if (!j["press"].is_string() || !(a.press = ButtonOf(j["press"].get<std::string>())))
                return Fail(where + "\"press\" must be one of ||, ■, ≪, →, >, ≫");
            if (j.contains("answers")) {
                if (!j["answers"].is_array()) return Fail(where + "\"answers\" must be a list of はい and いいえ");
                for (const json& answer : j["answers"]) {
                    if (answer != "はい" && answer != "いいえ")
                        return Fail(where + "\"answers\" must be a list of はい and いいえ");
                    a.answers.push_back(answer == "はい");
                }
            }
        } else if ((a.trading = ParseTradingAction(j, problem)) || !problem.empty()) {
            if (!problem.empty()) return Fail(where + problem);
        } else if (j.contains("speed")) {
            if (!j["speed"].is_number_integer() || j["speed"].get<int>() < 1 || j["speed"].get<int>() > 30)
                return Fail(where + "\"speed\" must be a whole number from 1 to 30");
            a.speed = j["speed"].get<int>();
        } else if (j.contains("lowSpeed")) {
            if (!j["lowSpeed"].is_boolean()) return Fail(where + "\"lowSpeed\" must be true or false");
            a.lowSpeed = j["lowSpeed"].get<bool>();
        } else if (j.contains("alert")) {
            if (!j["alert"].is_number() || !(j["alert"].get<double>() > 0))
                return Fail(where + "\"alert\" must be a price above 0");
            a.alert = j["alert"].get<double>();
        } else {
            return Fail(where + "needs \"press\", \"speed\", \"lowSpeed\", \"alert\" or a trading action");
        }
        out.push_back(a);
    }
    return true;
}

// hh:nn within the sessions (9:00–11:29, 12:30–14:59).
bool InSessions(const std::string& hhnn) {
    const auto t = ParseTimeOfDay(hhnn + ":00");
    return t && *t >= 9 * 3600 && *t < 15 * 3600 && !(*t >= 11 * 3600 + 30 * 60 && *t < 12 * 3600 + 30 * 60);
}

constexpr int kOpenAt = 9 * 3600;
constexpr int kCloseAt = 15 * 3600;

// The day's prints from a file of tape lines.
bool ReadTape(const std::string& path, std::vector<std::string>& lines) {
    const auto bytes = ReadWholeFile(path);
    if (!bytes) return Fail("cannot read the tape " + path);
    int lineNo = 0;
    for (std::string_view rest = *bytes; !rest.empty();) {
        const std::size_t nl = rest.find('\n');
        const std::string line(Trim(rest.substr(0, nl)));
        rest = nl == std::string_view::npos ? std::string_view() : rest.substr(nl + 1);
        ++lineNo;
        if (line.empty()) continue;
        const auto t = ReadTapeLine(line);
        if (!t || !t->volume || !t->price)
            return Fail(path + " line " + std::to_string(lineNo) + ": not a tape line \"hh:nn:ss volume price[ @]\"");
        lines.push_back(line);
    }
    if (lines.empty()) return Fail("the tape " + path + " holds no lines");
    return true;
}


// The alerts that paused the replay, with the clock at which each paused it.
json AlertsJson(const Simulation& sim) {
    json out = json::array();
    for (const ReplayLoop::FiredAlert& f : sim.replay().firedAlerts()) out.push_back({{"price", f.price}, {"time", f.clock}});
    return out;
}

// A kept run played again in a program of its own, its resting limits filling by `rule`.
struct PlayedSession {
    std::unique_ptr<Headless> h;
    int status = 0;  // 0 played; else the exit status, already told
    std::int64_t virtualMs = 0;
};

PlayedSession PlaySession(const ReplayArgs& a, bool dataGiven, FillRule rule) {
    PlayedSession played;
    std::string error;
    auto file = ReadSession(a.session, error);
    if (!file) return Fail(a.session + ": " + error), PlayedSession{nullptr, 1, 0};
    if (dataGiven) file->start.dataFolder = a.day.data;
    played.h = std::make_unique<Headless>(a.day.install, /*answerYes=*/false);
    Headless& h = *played.h;
    Simulation& sim = h.sim;
    sim.LoadSettings("");
    // The data folder in use (--data, else the program's) serves a session whose folder moved.
    if (!sim.StartUp(dataGiven ? a.day.data : std::string())) {
        std::cerr << h.dialogs.ErrorLine() << "\n";
        played.status = 2;
        return played;
    }
    sim.trading().SetFillRule(rule);
    if (rule != FillRule::Described) {
        // The actions' waits at their clock times, as the file's own fills found them.
        const PlayedRun described = PlayKeptRun(a.session, a.day.install, FillRule::Described, dataGiven ? a.day.data : std::string());
        sim.player().PlayAtRecordedTimes(described.waitsAtClock);
    }
    const std::int64_t origin = h.scheduler.NowMs();
    if (const std::string refused = sim.player().Play(std::move(*file), /*restoreAfter=*/false); !refused.empty()) {
        std::cout << json{{"started", false}, {"message", refused}}.dump() << "\n";
        played.status = 3;
        return played;
    }
    // A file cut short (the program ended mid-run) stops where its last action leaves the replay.
    while (sim.sessions().playing() && !sim.player().stalled() && h.scheduler.RunOne()) {
    }
    sim.player().Stop();  // a replay that waits for a press its file does not hold
    played.virtualMs = h.scheduler.NowMs() - origin;
    return played;
}

// The run's result: realised plus the open positions' value after its last step.
double RunResult(const Simulation& sim) {
    const std::vector<double> equity = sim.trading().record().EquityCurve();
    return equity.empty() ? 0 : equity.back();
}

// --session: the file's run played again.
int PlaySessionFile(const ReplayArgs& a, bool dataGiven) {
    const PlayedSession played = PlaySession(a, dataGiven, a.fills);
    if (played.status != 0) return played.status;
    Simulation& sim = played.h->sim;
    json out;
    out["end"] = sim.display().clockText;
    out["steps"] = sim.replay().clock().stepsRun;
    out["alerts"] = AlertsJson(sim);
    out["virtualMs"] = played.virtualMs;
    out["stopped"] = !sim.replay().dayCompleted();
    if (a.fillsGiven)
        for (const auto& [name, rule] : kFillRules)
            if (rule == a.fills) out["fills"] = name;
    AddTradingReport(sim, out);
    const SessionRecorder::PlaybackOutcome& outcome = sim.sessions().outcome();
    out["history"] = {{kRealizedFile, outcome.history.realized}, {kExecutionFile, outcome.history.executions}};
    out["session"] = {{"actionsLeft", outcome.actionsLeft},
                      {"answersLeft", outcome.answersLeft},
                      {"cutShort", outcome.cutShort},
                      {"matched", outcome.matched},
                      {"outcomeChecked", outcome.outcomeChecked}};
    if (a.report) {
        out["report"] = SessionReportJson(sim.trading().record());
        // The same orders under each assumption of how resting limits fill.
        // A run that cannot play to its end under one of them leaves the band unknown.
        json band;
        std::string problem;
        for (const auto& [name, rule] : kFillRules) {
            if (rule == a.fills) {
                band[name] = RunResult(sim);
                continue;
            }
            const PlayedRun other = PlayKeptRun(a.session, a.day.install, rule, dataGiven ? a.day.data : std::string(),
                                                sim.player().waitsAtClock());
            if (!other.played && problem.empty()) problem = name + std::string(": ") + other.problem;
            band[name] = other.result;
        }
        out["report"]["fillBand"] = problem.empty() ? band : json(nullptr);
        if (!problem.empty()) out["report"]["fillBandProblem"] = problem;
    }
    std::cout << out.dump() << "\n";
    if (!outcome.endedAsFile && a.fills != FillRule::Described) {
        std::fprintf(stderr, "corvala-cli replay: %s did not play to its end with these fills (%s)\n",
                     a.session.c_str(), sim.display().clockText.c_str());
        return 4;
    }
    // Under another assumption the run is not expected to play as it was recorded.
    if (!outcome.matched && !outcome.cutShort && a.fills == FillRule::Described) {
        std::fprintf(stderr, "corvala-cli replay: %s did not play as it was recorded\n", a.session.c_str());
        return 4;
    }
    return 0;
}

int RunReplay(ReplayArgs a) {
    const bool dataGiven = !a.day.data.empty();
    FinishDayOptions(a.day);
    for (const auto& [name, rule] : kFillRules)
        if (a.fillsName == name) a.fills = rule, a.fillsGiven = true;
    if (a.fillsGiven && a.session.empty()) return Fail("--fills plays a kept run: give it with --session FILE"), 1;
    if (!a.session.empty()) return PlaySessionFile(a, dataGiven);
    std::vector<Action> script;
    if (!a.script.empty() && !ReadScript(a.script, script)) return 1;
    if (!a.orders.empty() && !ReadScript(a.orders, script)) return 1;
    std::stable_sort(script.begin(), script.end(), [](const Action& x, const Action& y) { return x.at < y.at; });
    std::vector<std::string> tape;
    if (!a.tape.empty() && !ReadTape(a.tape, tape)) return 1;

    Headless h(a.day.install, /*answerYes=*/true, a.day.seed);
    Simulation& sim = h.sim;
    sim.trading().KeepTotalsWithHistory(a.saveSettings);
    sim.trading().SetLockWaitListener(
        [](const std::string& text) { std::fprintf(stderr, "corvala-cli replay: %s\n", text.c_str()); });
    // The install folder brings its settings, as the program starts from them, so that a kept
    // run's summary in its history carries its own totals; the data folder of this run is
    // --data, and the saved one stays the settings' own.
    sim.LoadSettings("");  // a hand-over is left for the program
    const std::string ownDataFolder = sim.settings().dataFolder();
    if (a.hideRange) sim.chart().SetHideRange(true);
    if (const int status = OpenDay(h, a.day, "replay")) return status;
    VirtualScheduler& scheduler = h.scheduler;
    if (a.investment > 0 || a.cashOnly) {
        const Account& now = sim.trading().account();
        sim.trading().RestoreAccount(a.investment > 0 ? a.investment : now.baseInvestment, now.profitTotal, now.lossTotal,
                           a.cashOnly || now.cashOnly);
    }
    if (!tape.empty()) sim.day().UseGivenTape(std::move(tape));
    if (!a.start.empty()) {
        const std::size_t colon = a.start.find(':');
        sim.day().SetStartTimeText(a.start.substr(0, colon), a.start.substr(colon + 1));
    }
    if (!a.cursor.empty()) {
        // As the user does it: 表 示 shows the whole day, a double click fixes the cursor, and the
        // simulation box then starts from it.
        if (sim.day().DisplayDay() != Simulation::DisplayOutcome::Loaded) {
            std::cout << json{{"started", false}, {"message", sim.display().message.text}}.dump() << "\n";
            return 3;
        }
        const int seconds = *ParseTimeOfDay(a.cursor + ":00");
        const int row = seconds < 12 * 3600 + 30 * 60 ? (seconds - 9 * 3600) / 5 : 1800 + (seconds - 12 * 3600 - 30 * 60) / 5;
        const ChartGeometry& g = sim.chart().data().geometry;
        sim.chart().DoubleClick(g.RowX(row), g.BandTop(kUpperRow));
        if (!sim.chart().timeCursor().on) {
            Fail("--cursor " + a.cursor + " is not on the day's chart");
            return 1;
        }
    }
    sim.replay().SetSimulationChecked(true);

    json rejected = json::array();
    std::size_t alertsAnswered = 0;  // alerts whose pause was played on
    const auto apply = [&](const Action& act) {
        if (act.press) {
            if (!sim.display().controls.playback[static_cast<std::size_t>(*act.press)].Accepts())
                std::fprintf(stderr, "corvala-cli replay: script line %d: the button is not "
                             "available at %s\n", act.line, sim.display().clockText.c_str());
            h.dialogs.QueueAnswers(act.answers);
            sim.replay().PressPlayback(*act.press);
            alertsAnswered = sim.replay().firedAlerts().size();  // the script answered the pause itself
        } else if (act.speed) {
            sim.replay().speed().SetSpeedScroll(31 - *act.speed);
        } else if (act.lowSpeed) {
            sim.replay().speed().SetLowSpeed(*act.lowSpeed);
        } else if (act.alert) {
            if (!sim.alerts().Add(*act.alert))
                rejected.push_back({{"at", sim.display().clockText}, {"line", act.line}, {"message", "アラートを設定できません。"}});
        } else if (act.trading) {
            if (const std::string refusal = ApplyTradingAction(sim, *act.trading); !refusal.empty())
                rejected.push_back({{"at", sim.display().clockText}, {"line", act.line}, {"message", refusal}});
        }
    };
    // The account panel before the day is shown.
    std::size_t next = 0;
    for (; next < script.size() && script[next].at < kOpenAt && script[next].trading &&
           script[next].trading->OnAccountPanel();
         ++next)
        apply(script[next]);

    json trace = json::array();
    const std::int64_t origin = scheduler.NowMs();
    if (a.trace) {
        sim.replay().SetStepObserver([&](int row) {
            trace.push_back({{"row", row},
                             {"clock", sim.display().clockText},
                             {"virtualMs", scheduler.NowMs() - origin},
                             {"boardTotalQty", sim.replay().clock().boardTotalQty}});
        });
        // The board of a step is recorded once its last sub-step has run.
        sim.replay().SetStepObserver([&](int) {
            if (!trace.empty()) trace.back()["board"] = BoardJson(sim.trading().market().board);
        }, /*atStepEnd=*/true);
    }
    const auto outcome = sim.day().DisplayDay();
    if (h.dialogs.hasError()) {
        std::cerr << h.dialogs.ErrorLine() << "\n";
        return 2;
    }
    if (outcome != Simulation::DisplayOutcome::Loaded) {
        std::cout << json{{"started", false}, {"message", sim.display().message.text}}.dump() << "\n";
        return 3;
    }
    const std::string startText = sim.display().startHour + ":" + sim.display().startMinute;

    json lunchStopRow = nullptr;
    bool speedSet = false;
    while (sim.replay().running()) {
        const int now = ParseTimeOfDay(sim.display().clockText).value_or(0);
        // The account panel's actions from 15:00:00 on wait for the idle window after the run;
        // a press waits out the 300 ms a button rests after the previous press, as a hand would.
        const auto heldOff = [&](const Action& act) {
            return act.press && sim.display().controls.playback[static_cast<std::size_t>(*act.press)].heldOff;
        };
        for (; next < script.size() && script[next].at <= now && sim.replay().running() && !heldOff(script[next]) &&
               !(script[next].trading && script[next].trading->OnAccountPanel() && script[next].at >= kCloseAt);
             ++next)
            apply(script[next]);
        if (!sim.replay().running()) break;
        if (sim.replay().waitingForPlay()) {
            if (!speedSet) {
                sim.replay().speed().SetSpeedScroll(31 - a.speed);
                speedSet = true;
            }
            if (sim.display().clockText == kLunchClock) lunchStopRow = sim.replay().clock().currentRow;
            sim.replay().PressPlayback(kPlayPause);
            alertsAnswered = sim.replay().firedAlerts().size();  // an alert's pause ran into this one
        }
        // An alert paused the replay: noted (firedAlerts), and play goes on as a user would.
        const ReplayClock& r = sim.replay().clock();
        if (sim.replay().firedAlerts().size() > alertsAnswered && sim.replay().clock().heldPaused && r.paused &&
            sim.display().controls.playback[kPlayPause].Accepts()) {
            alertsAnswered = sim.replay().firedAlerts().size();
            sim.replay().PressPlayback(kPlayPause);
        }
        // Paused by the script with nothing asked for: the loop waits at a step whose clock
        // stands still, so no later action can come due.
        const bool nothingDue = next == script.size() || script[next].at > now;
        if (sim.replay().clock().heldPaused && r.paused && r.stepForwardCount == 0 && r.backRequest == 0 && nothingDue) {
            std::fprintf(stderr, "corvala-cli replay: the script leaves the replay paused at %s\n",
                         sim.display().clockText.c_str());
            return 1;
        }
        if (!scheduler.RunOne()) break;
    }
    // What the script does after the run, on the idle window.
    const std::int64_t endMs = scheduler.NowMs();
    for (; next < script.size(); ++next) apply(script[next]);
    while (scheduler.RunOne()) {
    }

    json out;
    out["start"] = startText;
    out["end"] = sim.display().clockText;
    out["steps"] = sim.replay().clock().stepsRun;
    out["lunchStopRow"] = lunchStopRow;
    out["virtualMs"] = endMs - origin;
    out["stopped"] = !sim.replay().dayCompleted();
    AddTradingReport(sim, out);
    out["rejected"] = std::move(rejected);
    out["alerts"] = AlertsJson(sim);
    if (a.trace) out["trace"] = std::move(trace);
    if (a.chart) out["chart"] = ChartReport(sim, true);
    if (a.report) out["report"] = SessionReportJson(sim.trading().record());
    if (!sim.sessions().path().empty()) out["sessionFile"] = sim.sessions().path();
    int status = 0;
    if (a.saveSettings) {
        // As the window's close: open positions are settled, then the settings are written.
        sim.replay().RequestClose();
        sim.settings().SetDataFolder(ownDataFolder);
        if (!sim.SaveSettings(/*quietly=*/true)) {
            std::fprintf(stderr, "corvala-cli replay: the settings could not be saved to %s\n",
                         JoinPath(a.day.install, kSettingsFile).c_str());
            status = 2;
        }
    }
    if (sim.trading().historyPending()) {
        // The run was kept, but its rows are not in the history files: said, and not 0.
        out["historyProblem"] = sim.trading().historyProblem();
        std::fprintf(stderr, "corvala-cli replay: the kept run could not be written to %s: %s\n",
                     JoinPath(a.day.install, kHistoryFolder).c_str(), sim.trading().historyProblem().c_str());
        status = 5;
    }
    if (!sim.trading().historyCarried().empty()) {
        std::fprintf(stderr, "corvala-cli replay: %s\n", sim.trading().historyCarried().c_str());
    }
    if (sim.trading().record().kept() && sim.sessions().path().empty() && !sim.sessions().writeProblem().empty()) {
        out["sessionProblem"] = sim.sessions().writeProblem();
        std::fprintf(stderr, "corvala-cli replay: %s\n", out["sessionProblem"].get<std::string>().c_str());
        status = 5;
    }
    std::cout << out.dump() << "\n";
    return status;
}

}  // namespace

void AddReplayCommand(Program& program) {
    auto a = std::make_shared<ReplayArgs>();
    CLI::App& command = program.AddCommand("replay", kReplayText, [a] { return RunReplay(*a); });
    AddDayOptions(command, a->day);
    AddWholeOption(command, "--speed", a->speed, 1, 30, "S",
                   "the speed set before the first play (1–30; default 5)");
    command.add_option("--start", a->start, "the start-time boxes")
        ->type_name("hh:nn")
        ->check(CLI::Validator(
            [](std::string& text) -> std::string {
                return text.find(':') == std::string::npos ? "must be hh:nn, not '" + text + "'" : "";
            },
            "", "start"));
    command.add_option("--cursor", a->cursor, "fixes the chart's time cursor; the replay starts at its bar")
        ->type_name("hh:nn")
        ->check(CLI::Validator(
            [](std::string& text) -> std::string {
                return InSessions(text) ? "" : "must be hh:nn within the sessions (9:00–11:29, 12:30–14:59)";
            },
            "", "cursor"));
    command.add_option("--script", a->script, "a JSON-lines file of timed user actions")->type_name("FILE");
    command.add_flag("--trace", a->trace, "adds the board of every step");
    command.add_option("--orders", a->orders, "a JSON-lines file of the user's trading")->type_name("FILE");
    command.add_option("--tape", a->tape, "the day's prints from a file instead of estimated")->type_name("FILE");
    AddWholeOption(command, "--investment", a->investment, 1, static_cast<std::uint64_t>(kMaxYen), "YEN",
                   "the investment in yen, over the settings'");
    command.add_flag("--cash-only", a->cashOnly, "cash trades only (現物のみ), over the settings'");
    command.add_flag("--chart", a->chart, "adds the chart as it stands at the end");
    command.add_flag("--hide-range", a->hideRange, "sets 値幅を隠す");
    command.add_flag("--save-settings", a->saveSettings, "writes the settings back after the run");
    command.add_flag("--report", a->report, "adds the run's statistics");
    command.add_option("--session", a->session, "plays a kept run's session file")->type_name("FILE");
    command.add_option("--fills", a->fillsName, "with --session: how resting limit orders fill (default described)")
        ->type_name("pessimistic|described|optimistic")
        ->check(OneOf({"pessimistic", "described", "optimistic"}));
}

}  // namespace corvala::cli
