// corvala-cli replay: 開 始 and play without windows, on virtual time, with timed user actions
// from a script.

#include <cstdio>
#include <iostream>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>

#include "commands.h"
#include "day_options.h"
#include "platform/files.h"
#include "platform/text.h"
#include "replay/replay_clock.h"

namespace corvala::cli {

const char* const kReplayUsage =
    "  replay --data DIR --date YYMMDD --code CODE [--series NAME] [--bar-length N]\n"
    "       [--install DIR] [--seed N] [--speed S] [--start hh:nn] [--script FILE] [--trace]\n"
    "      Starts the day in simulation mode and plays it on virtual time, pressing play\n"
    "      whenever the replay waits for it (before the open and at the lunch break).\n"
    "      --speed 1–30 is set before the first play (default 5); --start is the start-time\n"
    "      boxes. --script is a JSON-lines file of user actions, each taking effect at the\n"
    "      first check whose clock is at or after \"at\":\n"
    "        {\"at\":\"10:00:00\",\"press\":\"||\"}   (||, ■, ≪, →, >, ≫; a stop answers Yes)\n"
    "        {\"at\":\"10:30:00\",\"speed\":20}   {\"at\":\"11:00:00\",\"lowSpeed\":true}\n"
    "      Prints {\"end\",\"steps\",\"lunchStopRow\",\"virtualMs\",\"stopped\"} and with --trace a\n"
    "      \"trace\" of {\"row\",\"clock\",\"virtualMs\",\"board\"} per step, the board's 20\n"
    "      values as they stand after the step's last sub-step. Exit status 3: the day could not\n"
    "      be replayed (\"message\" says why).\n";

namespace {

using json = nlohmann::ordered_json;

struct Action {
    int line = 0;
    int at = 0;  // seconds since midnight
    std::optional<int> press, speed;
    std::optional<bool> lowSpeed;
};

struct ReplayArgs {
    DayOptions day;
    int speed = 5;
    std::string start, script;
    bool trace = false;
};

std::optional<int> ButtonOf(const std::string& caption) {
    static const std::map<std::string, int> kButtons = {
        {"||", kPlayPause}, {"＞", kPlayPause}, {"■", kStop},         {"≪", kBarBack},
        {"→", kStepForward}, {">", kMinuteForward}, {"≫", kBarForward}};
    const auto it = kButtons.find(caption);
    if (it == kButtons.end()) return std::nullopt;
    return it->second;
}

json BoardJson(const Board& board) {
    json values = json::array();
    for (float v : board) values.push_back(static_cast<double>(v));
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
        const std::string where = "script line " + std::to_string(lineNo) + ": ";
        const json j = json::parse(line, nullptr, false);
        if (j.is_discarded() || !j.is_object()) return Fail(where + "not a JSON object");
        Action a;
        a.line = lineNo;
        const auto at = j.contains("at") && j["at"].is_string()
                            ? ParseTimeOfDay(j["at"].get<std::string>())
                            : std::nullopt;
        if (!at) return Fail(where + "\"at\" must be a time hh:nn:ss");
        a.at = *at;
        if (j.contains("press")) {
            if (!j["press"].is_string() || !(a.press = ButtonOf(j["press"].get<std::string>())))
                return Fail(where + "\"press\" must be one of ||, ■, ≪, →, >, ≫");
        } else if (j.contains("speed")) {
            if (!j["speed"].is_number_integer() || j["speed"].get<int>() < 1 || j["speed"].get<int>() > 30)
                return Fail(where + "\"speed\" must be a whole number from 1 to 30");
            a.speed = j["speed"].get<int>();
        } else if (j.contains("lowSpeed")) {
            if (!j["lowSpeed"].is_boolean()) return Fail(where + "\"lowSpeed\" must be true or false");
            a.lowSpeed = j["lowSpeed"].get<bool>();
        } else {
            return Fail(where + "needs \"press\", \"speed\" or \"lowSpeed\"");
        }
        out.push_back(a);
    }
    std::stable_sort(out.begin(), out.end(), [](const Action& x, const Action& y) { return x.at < y.at; });
    return true;
}

// 0 to go on, -1 after help, else the exit status.
int ParseArgs(const std::vector<std::string>& args, ReplayArgs& out) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--help" || a == "-h") {
            PrintUsage(kReplayUsage, true);
            return -1;
        }
        if (a == "--trace") {
            out.trace = true;
        } else if (a == "--speed" && hasValue) {
            out.speed = std::atoi(args[++i].c_str());
            if (out.speed < 1 || out.speed > 30) {
                Fail("--speed must be 1 to 30");
                return 1;
            }
        } else if (a == "--start" && hasValue) {
            out.start = args[++i];
            if (out.start.find(':') == std::string::npos) {
                Fail("--start must be hh:nn");
                return 1;
            }
        } else if (a == "--script" && hasValue) {
            out.script = args[++i];
        } else {
            switch (TakeDayOption(args, i, out.day, "replay")) {
                case OptionResult::Taken:
                    break;
                case OptionResult::Bad:
                    return 1;
                case OptionResult::NotMine:
                    Fail("unknown or incomplete option '" + a + "'");
                    PrintUsage(kReplayUsage, false);
                    return 1;
            }
        }
    }
    return FinishDayOptions(out.day, "replay") ? 0 : 1;
}

}  // namespace

int RunReplay(const std::vector<std::string>& args) {
    ReplayArgs a;
    if (const int status = ParseArgs(args, a)) return status < 0 ? 0 : status;
    std::vector<Action> script;
    if (!a.script.empty() && !ReadScript(a.script, script)) return 1;

    Headless h(a.day.install, /*answerYes=*/true, a.day.seed);
    if (const int status = OpenDay(h, a.day, "replay")) return status;
    Simulation& sim = h.sim;
    VirtualScheduler& scheduler = h.scheduler;
    if (!a.start.empty()) {
        const std::size_t colon = a.start.find(':');
        sim.SetStartTimeText(a.start.substr(0, colon), a.start.substr(colon + 1));
    }
    sim.SetSimulationChecked(true);

    json trace = json::array();
    const std::int64_t origin = scheduler.NowMs();
    sim.SetStepObserver([&](int row) {
        if (!a.trace) return;
        // The board of a step is recorded once its last sub-step has run.
        if (!trace.empty()) trace.back()["board"] = BoardJson(sim.market().board);
        trace.push_back({{"row", row},
                         {"clock", sim.display().clockText},
                         {"virtualMs", scheduler.NowMs() - origin}});
    });
    const auto outcome = sim.DisplayDay();
    if (h.dialogs.hasError()) {
        std::cerr << h.dialogs.ErrorLine() << "\n";
        return 2;
    }
    if (outcome != Simulation::DisplayOutcome::Loaded) {
        std::cout << json{{"started", false}, {"message", sim.display().message.text}}.dump() << "\n";
        return 3;
    }

    json lunchStopRow = nullptr;
    bool speedSet = false;
    std::size_t next = 0;
    while (sim.replayRunning()) {
        const int now = ParseTimeOfDay(sim.display().clockText).value_or(0);
        for (; next < script.size() && script[next].at <= now; ++next) {
            const Action& act = script[next];
            if (act.press) {
                if (!sim.display().controls.playback[static_cast<std::size_t>(*act.press)].Accepts())
                    std::fprintf(stderr, "corvala-cli replay: script line %d: the button is not "
                                 "available at %s\n", act.line, sim.display().clockText.c_str());
                sim.PressPlayback(*act.press);
            } else if (act.speed) {
                sim.SetSpeedScroll(31 - *act.speed);
            } else if (act.lowSpeed) {
                sim.SetLowSpeed(*act.lowSpeed);
            }
        }
        if (sim.waitingForPlay()) {
            if (!speedSet) {
                sim.SetSpeedScroll(31 - a.speed);
                speedSet = true;
            }
            if (sim.display().clockText == kLunchClock) lunchStopRow = sim.replay().currentRow;
            sim.PressPlayback(kPlayPause);
        }
        // Paused by the script with nothing asked for: the clock stands still, so no later
        // action can come due.
        const ReplayClock& r = sim.replay();
        const bool nothingDue = next == script.size() || script[next].at > now;
        if (r.paused && !r.inStep && !r.preOpenPhase && r.stepForwardCount == 0 &&
            r.backRequest == 0 && nothingDue) {
            std::fprintf(stderr, "corvala-cli replay: the script leaves the replay paused at %s\n",
                         sim.display().clockText.c_str());
            return 1;
        }
        if (!scheduler.RunOne()) break;
    }

    if (a.trace && !trace.empty()) trace.back()["board"] = BoardJson(sim.market().board);
    json out;
    out["end"] = sim.display().clockText;
    out["steps"] = sim.stepsRun();
    out["lunchStopRow"] = lunchStopRow;
    out["virtualMs"] = scheduler.NowMs() - origin;
    out["stopped"] = !sim.dayCompleted();
    if (a.trace) out["trace"] = std::move(trace);
    std::cout << out.dump() << "\n";
    return 0;
}

}  // namespace corvala::cli
