// corvala-cli screen: the screening dialog without windows — a month searched under the given
// conditions, the sorts pressed, and the hand-over of a row.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>

#include "commands.h"
#include "data/day_loader.h"
#include "day_options.h"
#include "download_wait.h"
#include "platform/files.h"
#include "platform/text.h"

namespace corvala::cli {

const char* const kScreenUsage =
    "  screen [--install DIR] [--data DIR] --month YYYYMM --direction 上昇|下落|両方 --threshold T\n"
    "         [--until-930] [--hide-start] [--hide-end] [--sort change|code ...] [--seed N]\n"
    "         [--use K [--near-start] [--bar-length N]] [--download URL]\n"
    "      Searches 検索データ/検索データ_YYYYMM.txt of the install folder as 検　索 does (the\n"
    "      day files of --data, default the program's data folder, decide ○ and ×), then\n"
    "      presses the sort buttons in the order given (each press flips that key's direction).\n"
    "      Prints {\"count\",\"skipped\",\"rows\":[{\"code\",\"name\",\"date\",\"open\",\"change\",\n"
    "      \"openTime\",\"start\",\"end\",\"volume\",\"capped\",\"available\",\"text\"}]} in the list's\n"
    "      order; \"skipped\" counts malformed lines. --use K adds \"use\": the hand-over of row K\n"
    "      (0 first) {\"date\",\"code\",\"lead\",\"startBar\",\"startTime\",\"midSessionStart\"}, with\n"
    "      --near-start the start a random lead before the move for N-minute bars (--bar-length,\n"
    "      default 5); a row marked × is refused with the dialog's message (exit status 2).\n"
    "      --download URL first fetches the month from that address as データダウンロード does\n"
    "      (exit status 2 when it fails; an earlier file of the month is kept).\n";

namespace {

using json = nlohmann::ordered_json;

bool Fail(const std::string& text) {
    std::fprintf(stderr, "corvala-cli screen: %s\n", text.c_str());
    return false;
}

struct ScreenArgs {
    std::string install, data, month, download;
    int direction = -1;
    std::string threshold;
    bool until930 = false, hideStart = false, hideEnd = false, nearStart = false;
    std::vector<ScreeningSortKey> sorts;
    std::uint64_t seed = 1;
    int use = -1;
    int barLength = 5;
};

bool ReadWhole(const std::string& text, long long lo, long long hi, long long& out) {
    if (!IsAllDigits(text) || text.size() > 18) return false;
    out = std::stoll(text);
    return out >= lo && out <= hi;
}

// 0 to go on, -1 after help, else the exit status.
int ParseArgs(const std::vector<std::string>& args, ScreenArgs& out) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        long long n = 0;
        if (a == "--help" || a == "-h") {
            std::printf("usage:\n%s", kScreenUsage);
            return -1;
        }
        if (a == "--install" && hasValue) {
            out.install = args[++i];
        } else if (a == "--data" && hasValue) {
            out.data = args[++i];
        } else if (a == "--month" && hasValue) {
            out.month = args[++i];
            if (out.month.size() != 6 || !IsAllDigits(out.month)) return Fail("--month takes YYYYMM"), 1;
        } else if (a == "--direction" && hasValue) {
            const std::string& d = args[++i];
            out.direction = d == "上昇" ? 0 : d == "下落" ? 1 : d == "両方" ? 2 : -1;
            if (out.direction < 0) return Fail("--direction takes 上昇, 下落 or 両方"), 1;
        } else if (a == "--threshold" && hasValue) {
            out.threshold = args[++i];  // typed into the box: the search reads it as the dialog does
        } else if (a == "--until-930") {
            out.until930 = true;
        } else if (a == "--hide-start") {
            out.hideStart = true;
        } else if (a == "--hide-end") {
            out.hideEnd = true;
        } else if (a == "--near-start") {
            out.nearStart = true;
        } else if (a == "--sort" && hasValue) {
            const std::string& key = args[++i];
            if (key != "change" && key != "code") return Fail("--sort takes change or code"), 1;
            out.sorts.push_back(key == "change" ? ScreeningSortKey::Change : ScreeningSortKey::Code);
        } else if (a == "--seed" && hasValue) {
            if (!ReadWhole(args[++i], 0, (1LL << 62), n)) return Fail("--seed takes a whole number"), 1;
            out.seed = static_cast<std::uint64_t>(n);
        } else if (a == "--use" && hasValue) {
            if (!ReadWhole(args[++i], 0, kMaxScreeningRows - 1, n)) return Fail("--use takes a row number 0–9999"), 1;
            out.use = static_cast<int>(n);
        } else if (a == "--bar-length" && hasValue) {
            if (!ReadWhole(args[++i], 1, 10, n) || !IsValidBarLength(static_cast<int>(n)))
                return Fail("--bar-length takes 1, 2, 3, 4, 5 or 10"), 1;
            out.barLength = static_cast<int>(n);
        } else if (a == "--download" && hasValue) {
            out.download = args[++i];
        } else {
            Fail("unknown or incomplete option '" + a + "'");
            std::fprintf(stderr, "usage:\n%s", kScreenUsage);
            return 1;
        }
    }
    if (out.month.empty() || out.direction < 0 || out.threshold.empty())
        return Fail("--month, --direction and --threshold are required"), 1;
    if (out.install.empty()) out.install = ProgramInstallFolder();
    if (!DirExists(out.install)) return Fail("--install " + out.install + " is not a folder"), 1;
    if (out.data.empty()) out.data = ProgramDataFolder(out.install);
    if (out.nearStart && out.use < 0) return Fail("--near-start goes with --use"), 1;
    return 0;
}

json RowJson(const ScreeningRow& r) {
    json j;
    char code[8];
    std::snprintf(code, sizeof code, "%04d", r.code);
    j["code"] = code;
    j["name"] = r.name;
    j["date"] = r.date;
    j["open"] = r.open;
    j["change"] = std::round(static_cast<double>(r.change) * 100) / 100;  // the float as the file wrote it
    j["openTime"] = r.openTime;
    j["start"] = r.start;
    j["end"] = r.end;
    j["volume"] = std::stoll(r.volume);
    j["capped"] = r.capped;
    j["available"] = r.available;
    j["text"] = r.text;
    return j;
}

}  // namespace

int RunScreen(const std::vector<std::string>& args) {
    ScreenArgs a;
    if (const int status = ParseArgs(args, a)) return status < 0 ? 0 : status;

    if (!a.download.empty()) {
        const DownloadOutcome got = DownloadSearchMonthAndWait(a.install, a.download, a.month);
        if (!got.ok) {
            std::cerr << got.message << "\n";
            return 2;
        }
    }
    Headless h(a.install, false, a.seed);
    Simulation& sim = h.sim;
    if (!sim.StartUp(a.data)) {
        std::cerr << h.dialogs.ErrorLine() << "\n";
        return 2;
    }
    sim.settings().SetDataFolder(a.data);
    sim.day().SetBarLength(a.barLength);
    sim.screening().Open();
    // Another month's file is no stand-in for a missing one.
    const std::vector<std::string>& months = sim.screening().model().months;
    const auto found = std::find(months.begin(), months.end(), a.month);
    const bool monthFound = found != months.end();
    if (monthFound) sim.screening().SetMonth(static_cast<int>(found - months.begin()));
    json out;
    if (monthFound) {
        ScreeningDialogModel const& m = sim.screening().model();
        sim.screening().SetDirection(a.direction);
        sim.screening().SetThreshold(a.threshold);
        sim.screening().SetOption(ScreeningState::Option::UpTo930, a.until930);
        sim.screening().SetOption(ScreeningState::Option::HideStartTime, a.hideStart);
        sim.screening().SetOption(ScreeningState::Option::HideEndTime, a.hideEnd);
        sim.screening().SetOption(ScreeningState::Option::StartNearStart, a.nearStart);
        sim.screening().PressSearch();
        h.scheduler.RunUntil([&] { return !m.searching(); }, 1'000'000'000);
        for (ScreeningSortKey key : a.sorts) sim.screening().Sort(key);
    }
    const ScreeningDialogModel& m = sim.screening().model();
    out["count"] = monthFound ? m.shown().size() : 0;
    out["skipped"] = monthFound ? m.skipped() : 0;
    json rows = json::array();
    for (int place = 0; monthFound && place < static_cast<int>(m.shown().size()); ++place)
        rows.push_back(RowJson(*m.RowAt(place)));
    out["rows"] = std::move(rows);
    if (a.use >= 0) {
        if (!monthFound || !m.RowAt(a.use)) {
            Fail("--use " + std::to_string(a.use) + ": the list has no such row");
            return 1;
        }
        std::string why;
        const std::optional<ScreeningPick> pick = m.PickOf(a.use, &why);
        if (!pick) {
            std::cerr << why << "\n";
            return 2;
        }
        const ScreeningHandOver handOver = HandOverOf(*pick, a.nearStart, a.barLength, h.random);
        json use;
        use["date"] = handOver.pick.date;
        use["code"] = handOver.pick.code;
        use["lead"] = handOver.start.lead;
        use["startBar"] = handOver.start.startBar;
        use["startTime"] = handOver.start.startTime;
        use["midSessionStart"] = handOver.start.midSessionStart;
        out["use"] = std::move(use);
    }
    std::cout << out.dump() << "\n";
    return 0;
}

}  // namespace corvala::cli
