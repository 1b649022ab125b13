// corvala-cli search-data: a month of search data built from the day files of the data folder.

#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>

#include "commands.h"
#include "day_options.h"
#include "platform/files.h"
#include "platform/text.h"
#include "screening/search_data.h"
#include "screening/search_data_builder.h"

namespace corvala::cli {

namespace {

struct SearchDataArgs {
    std::string month, data, install;
};

const char* const kSearchDataText =
    "      Builds 検索データ/検索データ_YYYYMM.txt of the install folder from the day files of\n"
    "      that month in --data (default the program's data folder): one line per stock and\n"
    "      trading day with the open and its time, the times of the high and the low (of the\n"
    "      day and up to 9:30), the nine changes and the volume in units. Days marked データ未取得\n"
    "      are passed over. The file is replaced at once or not at all. Prints {\"month\",\"path\",\n"
    "      \"read\",\"skipped\",\"problems\":[\"YYMMDD/CODE.csv: why\"]}; exit status 2 when the\n"
    "      data folder is missing or the file cannot be written (an older one is kept).\n";

int RunSearchData(SearchDataArgs a) {
    const std::string& month = a.month;
    std::string& data = a.data;
    std::string& install = a.install;
    if (install.empty()) install = ProgramInstallFolder();
    if (data.empty()) data = ProgramDataFolder(install);
    if (!DirExists(data)) {
        std::fprintf(stderr, "corvala-cli search-data: no data folder %s\n", data.c_str());
        return 2;
    }
    const SearchMonthBuild built = BuildSearchMonth(data, month);
    if (const std::string problem = WriteSearchMonth(install, month, built.lines); !problem.empty()) {
        std::fprintf(stderr, "corvala-cli search-data: %s\n", problem.c_str());
        return 2;
    }
    nlohmann::ordered_json out;
    out["month"] = month;
    out["path"] = SearchFilePath(install, month);
    out["read"] = built.read;
    out["skipped"] = built.skipped;
    out["problems"] = built.problems;
    std::cout << out.dump() << "\n";
    return 0;
}

}  // namespace

void AddSearchDataCommand(Program& program) {
    auto a = std::make_shared<SearchDataArgs>();
    CLI::App& command = program.AddCommand("search-data", kSearchDataText, [a] { return RunSearchData(*a); });
    command.add_option("--month", a->month, "the month to build")
        ->type_name("YYYYMM")
        ->required()
        ->check(Digits(6, "YYYYMM"))
        ->check(CLI::Validator(
            [](std::string& text) -> std::string {
                const int mm = std::stoi(text.substr(4));
                return mm >= 1 && mm <= 12 ? "" : "takes YYYYMM, and " + text.substr(4) + " is no month";
            },
            "", "month"));
    AddDataOption(command, a->data);
    AddInstallOption(command, a->install);
}

}  // namespace corvala::cli
