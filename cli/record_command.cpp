// corvala-cli record: today's session of a few stocks and series recorded from the broker
// trading station's local API into day files.

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <optional>
#include <cstdlib>
#include <iostream>
#include <nlohmann/json.hpp>
#include <termios.h>
#include <unistd.h>

#include "commands.h"
#include "day_options.h"
#include "download_wait.h"
#include "platform/files.h"
#include "platform/qt/qt_http_client.h"
#include "platform/qt/qt_scheduler.h"
#include "platform/system.h"
#include "platform/text.h"
#include "record/day_recorder.h"

namespace corvala::cli {

namespace {

struct RecordArgs {
    std::string codes, series, api = "http://localhost:18080/kabusapi", data, install, passwordFile, close = "15:30";
    bool late = false;
    const CLI::Option* password = nullptr;  // refused: never on the command line
};

const char* const kRecordText =
    "      Records today's session from the kabuステーション API (default\n"
    "      http://localhost:18080/kabusapi) into YYMMDD/CODE.csv of --data (default the\n"
    "      program's data folder): one row every five seconds from 9:00 to 11:30 and from 12:30\n"
    "      to 15:00, then the closing line taken after the close (--close, default 15:30; the\n"
    "      futures' 15 minutes later). Hours are Japan's, whatever the machine's zone.\n"
    "      NK225F is the nearest Nikkei 225 futures contract (written as 先物.csv). The API\n"
    "      password comes from --password-file, else CORVALA_API_PASSWORD, else a prompt (or\n"
    "      the first line of standard input); never from the command line. Start it before\n"
    "      9:00 and leave it running (a file begun after 9:00 only with --late: its rows before\n"
    "      the start say nothing traded, and the day's open is written only where the recording\n"
    "      saw the first trade); a lost connection is retried and its steps repeat the\n"
    "      last rows; run again the same day, it continues its files. Afterwards the month's\n"
    "      search data is rebuilt. Progress goes to standard error; prints {\"date\",\"files\":\n"
    "      [{\"code\",\"path\",\"rows\",\"resumedAt\",\"repaired\",\"repeated\",\"notAsked\",\"failed\"}],\n"
    "      \"reconnects\",\"noData\",\"searchMonth\",\"searchRead\",\"stopped\"}: \"repeated\" counts\n"
    "      the rows that repeat the row before, \"notAsked\" those of steps its board was not asked\n"
    "      at (more symbols than a step has requests for: eight a second), \"failed\" the answers\n"
    "      that were errors or no board (a bad body, a crossed or negative board, a trade time\n"
    "      after the moment). Ctrl+C or SIGTERM stops it early\n"
    "      once the step being asked is written, with the summary (\"stopped\": true, exit 0;\n"
    "      a second one ends it at once). Exit 2 when it cannot record (a password\n"
    "      refused, a code unknown, more than 50 symbols, another recording in the folder),\n"
    "      with existing files untouched. The station runs on Windows: from Debian --api is\n"
    "      usually the Windows machine's address (the station must accept connections from\n"
    "      the network), and then the password crosses the network in clear; a warning says\n"
    "      so. A file that is no recording to continue (lines ended by LF alone, a line that\n"
    "      is no row) is refused and left as it is.\n";

std::vector<std::string> SplitList(const std::string& text) {
    std::vector<std::string> out;
    std::string part;
    for (char c : text + ",") {
        if (c == ',') {
            if (!Trim(part).empty()) out.emplace_back(Trim(part));
            part.clear();
        } else {
            part += c;
        }
    }
    return out;
}

// HH:MM from 15:00 to 23:59, in seconds of the day.
std::optional<int> CloseSeconds(const std::string& text) {
    const auto seconds = text.size() == 5 ? ParseTimeOfDay(text + ":00") : std::nullopt;
    if (!seconds || *seconds < 15 * 3600) return std::nullopt;
    return seconds;
}

std::string FirstLine(const std::string& text) {
    const std::size_t end = text.find_first_of("\r\n");
    return std::string(end == std::string::npos ? text : text.substr(0, end));
}

// From the terminal without echo, else the first line of standard input.
std::string PromptPassword() {
    std::string line;
    if (isatty(STDIN_FILENO)) {
        std::fprintf(stderr, "APIパスワード: ");
        termios old{};
        const bool quiet = tcgetattr(STDIN_FILENO, &old) == 0;
        if (quiet) {
            termios silent = old;
            silent.c_lflag &= ~static_cast<tcflag_t>(ECHO);
            tcsetattr(STDIN_FILENO, TCSANOW, &silent);
        }
        std::getline(std::cin, line);
        if (quiet) tcsetattr(STDIN_FILENO, TCSANOW, &old);
        std::fprintf(stderr, "\n");
    } else {
        std::getline(std::cin, line);
    }
    return FirstLine(line);
}

// SIGINT and SIGTERM while recording: the first asks for a clean stop, a second ends the process.
struct StopSignals {
    static inline volatile std::sig_atomic_t asked = 0;
    static void Handle(int) {
        if (asked) _exit(130);
        asked = 1;
    }
    StopSignals() {
        asked = 0;
        std::signal(SIGINT, Handle);
        std::signal(SIGTERM, Handle);
    }
    ~StopSignals() {
        std::signal(SIGINT, SIG_DFL);
        std::signal(SIGTERM, SIG_DFL);
    }
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;
};

int RunRecord(RecordArgs a) {
    if (a.password->count() > 0) {
        std::fprintf(stderr, "corvala-cli record: the password is never taken from the command line (others "
                             "can read it there); use --password-file, CORVALA_API_PASSWORD or the prompt\n");
        return 1;
    }
    const std::string &codes = a.codes, &series = a.series, &passwordFile = a.passwordFile, &close = a.close;
    std::string &api = a.api, &data = a.data, &install = a.install;
    RecorderOptions options;
    options.lateStart = a.late;
    for (const std::string& code : SplitList(codes)) {
        if (code.size() != 4 || !IsAllDigits(code)) {
            std::fprintf(stderr, "corvala-cli record: a stock code has four digits: '%s'\n", code.c_str());
            return 1;
        }
        options.targets.push_back(StockTarget(code));
    }
    for (const std::string& name : SplitList(series)) {
        const auto target = SeriesTarget(name);
        if (!target) {
            std::fprintf(stderr, "corvala-cli record: unknown series '%s' (N225, TOPX, MTHR or NK225F)\n", name.c_str());
            return 1;
        }
        options.targets.push_back(*target);
    }
    if (options.targets.empty()) {
        std::fprintf(stderr, "corvala-cli record: --codes or --series names what to record\n");
        return 1;
    }
    options.closeSeconds = *CloseSeconds(close);
    while (!api.empty() && api.back() == '/') api.pop_back();
    if (!LocalApi(api))
        std::fprintf(stderr,
                     "corvala-cli record: warning: --api names another computer (%s); the API password and "
                     "every answer cross the network in clear over HTTP\n",
                     ApiHost(api).c_str());

    if (install.empty()) install = ProgramInstallFolder();
    if (data.empty()) data = ProgramDataFolder(install);
    if (!DirExists(data)) {
        std::fprintf(stderr, "corvala-cli record: no data folder %s\n", data.c_str());
        return 2;
    }
    options.dataFolder = data;
    options.installFolder = install;
    if (!passwordFile.empty()) {
        const auto bytes = ReadWholeFile(passwordFile, 4096);
        if (!bytes) {
            std::fprintf(stderr, "corvala-cli record: cannot read %s\n", passwordFile.c_str());
            return 1;
        }
        options.password = FirstLine(*bytes);
    } else if (const char* env = std::getenv("CORVALA_API_PASSWORD"); env && *env) {
        options.password = env;
    } else {
        options.password = PromptPassword();
    }

    const std::unique_ptr<QCoreApplication> app = EnsureCoreApplication();
    QtHttpClient http;
    QtScheduler scheduler;
    JapanClock clock;  // the exchange's hours, on a machine in any zone
    QEventLoop loop;
    RecorderOutcome outcome;
    DayRecorder recorder(http, scheduler, clock, api, options, [&clock](const std::string& line) {
        const int s = clock.SecondsOfDay();
        std::fprintf(stderr, "%02d:%02d:%02d %s\n", s / 3600, s / 60 % 60, s % 60, line.c_str());
    });
    bool ended = false;
    recorder.Start([&](const RecorderOutcome& o) {
        outcome = o;
        ended = true;
        loop.quit();
    });
    // Ctrl+C or SIGTERM stops the recording once the step being asked is written; a second one
    // ends the process at once.
    StopSignals stopOnSignal;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&recorder] {
        if (StopSignals::asked) recorder.Stop();
    });
    watch.start(100);
    if (!ended) loop.exec();
    if (!outcome.ok) {
        std::fprintf(stderr, "corvala-cli record: %s\n", outcome.error.c_str());
        return 2;
    }
    nlohmann::ordered_json out;
    out["date"] = outcome.date;
    out["files"] = nlohmann::json::array();
    for (const RecordedFileReport& f : outcome.files)
        out["files"].push_back({{"code", f.file}, {"path", f.path}, {"rows", f.rows}, {"resumedAt", f.resumedAt},
                                {"repaired", f.repaired}, {"repeated", f.repeated}, {"notAsked", f.notAsked}, {"failed", f.failed}});
    out["reconnects"] = outcome.reconnects;
    out["noData"] = outcome.noData;
    out["searchMonth"] = outcome.searchMonth;
    out["searchRead"] = outcome.searchRead;
    out["stopped"] = outcome.stopped;
    std::cout << out.dump() << "\n";
    return 0;
}

}  // namespace

void AddRecordCommand(Program& program) {
    auto a = std::make_shared<RecordArgs>();
    CLI::App& command = program.AddCommand("record", kRecordText, [a] { return RunRecord(*a); });
    Needed(command.add_option("--codes", a->codes, "the stocks to record")->type_name("CODE,CODE…"));
    command.add_option("--series", a->series, "the market series to record")->type_name("N225,TOPX,MTHR,NK225F");
    command.add_option("--api", a->api, "the station's API (default http://localhost:18080/kabusapi)")->type_name("URL");
    AddDataOption(command, a->data);
    AddInstallOption(command, a->install);
    command.add_option("--password-file", a->passwordFile, "the file whose first line is the API password")
        ->type_name("FILE");
    command.add_option("--close", a->close, "when the closing line is taken (from 15:00; default 15:30)")
        ->type_name("HH:MM")
        ->check(CLI::Validator(
            [](std::string& text) -> std::string {
                return CloseSeconds(text) ? "" : "takes HH:MM from 15:00, not '" + text + "'";
            },
            "", "close"));
    command.add_flag("--late", a->late, "begins a file after 9:00");
    // Told, not taken: a password on the command line is readable by others.
    a->password = command.add_option("--password")->expected(0, 1)->group("");
}

}  // namespace corvala::cli
