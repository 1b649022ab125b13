// corvala-cli import: day files built from a CSV of one-minute bars.

#include <cstdio>
#include <iostream>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>

#include "commands.h"
#include "day_options.h"
#include "data/series_table.h"
#include "market/minute_day.h"
#include "platform/cp932.h"
#include "platform/files.h"
#include "platform/text.h"

namespace corvala::cli {

namespace {

struct ImportArgs {
    std::string file, code, date, data, install, columns;
    int unit = 100;
};

const char* const kImportText =
    "      Builds YYMMDD/CODE.csv in --data (default the program's data folder) for every date\n"
    "      (CODE a stock's four digits, or a series such as N225 for the chart's upper panel)\n"
    "      of a CSV of one-minute bars (or --date only): each minute's twelve steps follow\n"
    "      open → low or high → high or low → close, its volume spread over them, with a board\n"
    "      of one-tick spread on the price grid within the day's limits (the previous close is\n"
    "      the close of the date before in the file, else the first open). A bar outside the\n"
    "      session (9:00–11:30, 12:30–15:00) or beyond the day's limits is left out and told\n"
    "      by its line; the previous close is the session's last bar taken. The first line names\n"
    "      the columns (date/日付, time/時刻, open/始値, high/高値, low/安値, close/終値,\n"
    "      volume/出来高; --columns names others); UTF-8 or CP932. Each date's folder lists the\n"
    "      built codes in 分足から作成.txt, and a day file that was recorded, not built, is never\n"
    "      replaced. Prints {\"code\",\"days\":[{\"date\",\"bars\",\"path\"}],\"problems\"}; exit 2 when\n"
    "      the file cannot be read or nothing could be written.\n";

// A stock's four digits, or a market series' file name (N225, 先物, TOPX …).
bool ImportableCode(const std::string& code) {
    if (code.size() == 4 && IsAllDigits(code)) return true;
    for (const SeriesInfo& s : AllSeries())
        if (s.code == code) return true;
    return false;
}

int RunImport(ImportArgs a) {
    const std::string &file = a.file, &code = a.code, &date = a.date, &columns = a.columns;
    std::string &data = a.data, &install = a.install;
    const int unit = a.unit;
    if (!ImportableCode(code)) {
        std::fprintf(stderr, "corvala-cli import: --code takes a stock's four digits or a series such as N225, not '%s'\n",
                     code.c_str());
        return 1;
    }
    MinuteBarColumns names;
    static const char* const kKeys[] = {"date", "time", "open", "high", "low", "close", "volume"};
    std::istringstream list(columns);
    for (std::string item; std::getline(list, item, ',');) {
        const std::size_t eq = item.find('=');
        bool known = false;
        for (std::size_t k = 0; k < 7 && eq != std::string::npos; ++k)
            if (item.substr(0, eq) == kKeys[k]) names[k] = item.substr(eq + 1), known = true;
        if (!known) {
            std::fprintf(stderr, "corvala-cli import: --columns takes name=column pairs, not '%s'\n", item.c_str());
            return 1;
        }
    }
    if (install.empty()) install = ProgramInstallFolder();
    if (data.empty()) data = ProgramDataFolder(install);

    const auto bytes = ReadWholeFile(file, 256u * 1024 * 1024);
    if (!bytes) {
        std::fprintf(stderr, "corvala-cli import: cannot read %s\n", file.c_str());
        return 2;
    }
    const MinuteBarsRead read = ReadMinuteBars(*bytes, names);
    if (!read.error.empty()) {
        std::fprintf(stderr, "corvala-cli import: %s\n", read.error.c_str());
        return 2;
    }
    std::map<std::string, std::vector<MinuteBar>> byDate;
    for (const MinuteBar& b : read.bars) byDate[b.date].push_back(b);
    for (auto& [d, bars] : byDate)
        std::stable_sort(bars.begin(), bars.end(), [](const MinuteBar& a, const MinuteBar& b) { return a.seconds < b.seconds; });

    nlohmann::ordered_json out;
    out["code"] = code;
    out["days"] = nlohmann::ordered_json::array();
    std::vector<std::string> problems = read.problems;
    double prevClose = 0;
    int written = 0;
    for (const auto& [d, bars] : byDate) {
        MinuteDay day = BuildMinuteDay(bars, prevClose, unit);
        prevClose = day.close;
        if (!date.empty() && d != date) continue;
        problems.insert(problems.end(), day.problems.begin(), day.problems.end());
        const std::string folder = JoinPath(data, d);
        const std::string path = JoinPath(folder, code + ".csv");
        const std::string marker = JoinPath(folder, kMinuteBarMarker);
        if (day.file.empty()) {
            problems.push_back(d + ": 取引時間内の足がありません。");
            continue;
        }
        if (FileExists(path) && !BuiltFromMinuteBars(folder, code)) {
            problems.push_back(d + ": 記録された " + code + ".csv があるため、置き換えません。");
            continue;
        }
        if (!CreateDir(folder) || !WriteFileAtomically(path, day.file)) {
            problems.push_back(d + ": 書き込めません。" + path);
            continue;
        }
        if (!BuiltFromMinuteBars(folder, code)) {
            std::string list = FileExists(marker) ? ReadWholeFile(marker, 1 << 20).value_or("") : std::string();
            if (!list.empty() && list.back() != '\n') list += "\r\n";
            WriteFileAtomically(marker, list + code + "\r\n");
        }
        out["days"].push_back({{"date", d}, {"bars", day.bars}, {"path", path}});
        ++written;
    }
    if (!date.empty() && byDate.find(date) == byDate.end()) problems.push_back(date + ": この日付の足はファイルにありません。");
    out["problems"] = problems;
    std::cout << out.dump() << "\n";
    return written > 0 ? 0 : 2;
}

}  // namespace

void AddImportCommand(Program& program) {
    auto a = std::make_shared<ImportArgs>();
    CLI::App& command = program.AddCommand("import", kImportText, [a] { return RunImport(*a); });
    command.add_option("--bars", a->file, "the CSV of one-minute bars")->type_name("FILE")->required();
    command.add_option("--code", a->code, "a stock's four digits, or a series such as N225")
        ->type_name("CODE")
        ->required();
    command.add_option("--date", a->date, "builds only this date")->type_name("YYMMDD")->check(Digits(6, "YYMMDD"));
    command.add_option("--columns", a->columns, "the file's own column names")
        ->type_name("date=…,time=…,open=…,high=…,low=…,close=…,volume=…");
    AddWholeOption(command, "--unit", a->unit, 1, 999'999, "N",
                   "the trading unit (default 100)");
    AddDataOption(command, a->data);
    AddInstallOption(command, a->install);
}

}  // namespace corvala::cli
