// corvala-cli record: today's session of a few stocks and series recorded from the broker
// trading station's local API into day files.

#include <QCoreApplication>
#include <QEventLoop>
#include <cstdio>
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

const char* const kRecordUsage =
    "  record --codes CODE,CODE… [--series N225,TOPX,MTHR,NK225F] [--api URL] [--data DIR]\n"
    "         [--install DIR] [--password-file FILE] [--close HH:MM] [--late]\n"
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
    "      [{\"code\",\"path\",\"rows\",\"resumedAt\",\"repaired\",\"repeated\"}],\"reconnects\",\n"
    "      \"noData\",\"searchMonth\",\"searchRead\"}; exit 2 when it cannot record (a password\n"
    "      refused, a code unknown, more than 50 symbols, another recording in the folder),\n"
    "      with existing files untouched.\n";

namespace {

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

}  // namespace

int RunRecord(const std::vector<std::string>& args) {
    std::string codes, series, api = "http://localhost:18080/kabusapi", data, install, passwordFile, close = "15:30";
    RecorderOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            std::printf("usage:\n%s", kRecordUsage);
            return 0;
        }
        if (a == "--password" || a.rfind("--password=", 0) == 0) {
            std::fprintf(stderr, "corvala-cli record: the password is never taken from the command line (others "
                                 "can read it there); use --password-file, CORVALA_API_PASSWORD or the prompt\n");
            return 1;
        }
        const bool hasValue = i + 1 < args.size();
        if (a == "--codes" && hasValue) codes = args[++i];
        else if (a == "--series" && hasValue) series = args[++i];
        else if (a == "--api" && hasValue) api = args[++i];
        else if (a == "--data" && hasValue) data = args[++i];
        else if (a == "--install" && hasValue) install = args[++i];
        else if (a == "--password-file" && hasValue) passwordFile = args[++i];
        else if (a == "--close" && hasValue) close = args[++i];
        else if (a == "--late") options.lateStart = true;
        else {
            std::fprintf(stderr, "corvala-cli record: unknown or incomplete option '%s'\nusage:\n%s", a.c_str(),
                         kRecordUsage);
            return 1;
        }
    }
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
        std::fprintf(stderr, "corvala-cli record: --codes or --series names what to record\nusage:\n%s", kRecordUsage);
        return 1;
    }
    const int hh = close.size() == 5 && close[2] == ':' ? std::atoi(close.substr(0, 2).c_str()) : -1;
    const int mm = hh >= 0 ? std::atoi(close.substr(3).c_str()) : -1;
    if (hh < 15 || hh > 23 || mm < 0 || mm > 59) {
        std::fprintf(stderr, "corvala-cli record: --close takes HH:MM from 15:00\n");
        return 1;
    }
    options.closeSeconds = hh * 3600 + mm * 60;
    while (!api.empty() && api.back() == '/') api.pop_back();

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
                                {"repaired", f.repaired}, {"repeated", f.repeated}});
    out["reconnects"] = outcome.reconnects;
    out["noData"] = outcome.noData;
    out["searchMonth"] = outcome.searchMonth;
    out["searchRead"] = outcome.searchRead;
    std::cout << out.dump() << "\n";
    return 0;
}

}  // namespace corvala::cli
