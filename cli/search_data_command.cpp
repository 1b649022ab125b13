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

const char* const kSearchDataUsage =
    "  search-data --month YYYYMM [--data DIR] [--install DIR]\n"
    "      Builds 検索データ/検索データ_YYYYMM.txt of the install folder from the day files of\n"
    "      that month in --data (default the program's data folder): one line per stock and\n"
    "      trading day with the open and its time, the times of the high and the low (of the\n"
    "      day and up to 9:30), the nine changes and the volume in units. Days marked データ未取得\n"
    "      are passed over. The file is replaced at once or not at all. Prints {\"month\",\"path\",\n"
    "      \"read\",\"skipped\",\"problems\":[\"YYMMDD/CODE.csv: why\"]}; exit status 2 when the\n"
    "      data folder is missing or the file cannot be written (an older one is kept).\n";

int RunSearchData(const std::vector<std::string>& args) {
    std::string month, data, install;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            std::printf("usage:\n%s", kSearchDataUsage);
            return 0;
        }
        const bool hasValue = i + 1 < args.size();
        if (a == "--month" && hasValue) month = args[++i];
        else if (a == "--data" && hasValue) data = args[++i];
        else if (a == "--install" && hasValue) install = args[++i];
        else {
            std::fprintf(stderr, "corvala-cli search-data: unknown or incomplete option '%s'\nusage:\n%s", a.c_str(),
                         kSearchDataUsage);
            return 1;
        }
    }
    const int mm = month.size() == 6 && IsAllDigits(month) ? std::stoi(month.substr(4)) : 0;
    if (mm < 1 || mm > 12) {
        std::fprintf(stderr, "corvala-cli search-data: --month takes YYYYMM\nusage:\n%s", kSearchDataUsage);
        return 1;
    }
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

}  // namespace corvala::cli
