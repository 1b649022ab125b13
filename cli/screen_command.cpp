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

namespace {

const char* const kScreenText =
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

using json = nlohmann::ordered_json;

bool Fail(const std::string& text) {
    std::fprintf(stderr, "corvala-cli screen: %s\n", text.c_str());
    return false;
}

struct ScreenArgs {
    std::string install, data, month, download;
    std::string direction;  // 上昇, 下落 or 両方
    std::string threshold;
    bool until930 = false, hideStart = false, hideEnd = false, nearStart = false;
    std::vector<std::string> sorts;  // change or code
    std::uint64_t seed = 1;
    int use = -1;
    int barLength = 5;
};

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


int RunScreen(ScreenArgs a) {
    if (a.install.empty()) a.install = ProgramInstallFolder();
    if (!DirExists(a.install)) return Fail("--install " + a.install + " is not a folder"), 1;
    if (a.data.empty()) a.data = ProgramDataFolder(a.install);
    if (a.nearStart && a.use < 0) return Fail("--near-start goes with --use"), 1;

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
        sim.screening().SetDirection(a.direction == "上昇" ? 0 : a.direction == "下落" ? 1 : 2);
        sim.screening().SetThreshold(a.threshold);
        sim.screening().SetOption(ScreeningState::Option::UpTo930, a.until930);
        sim.screening().SetOption(ScreeningState::Option::HideStartTime, a.hideStart);
        sim.screening().SetOption(ScreeningState::Option::HideEndTime, a.hideEnd);
        sim.screening().SetOption(ScreeningState::Option::StartNearStart, a.nearStart);
        sim.screening().PressSearch();
        h.scheduler.RunUntil([&] { return !m.searching(); }, 1'000'000'000);
        for (const std::string& key : a.sorts)
            sim.screening().Sort(key == "change" ? ScreeningSortKey::Change : ScreeningSortKey::Code);
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

}  // namespace

void AddScreenCommand(Program& program) {
    auto a = std::make_shared<ScreenArgs>();
    CLI::App& command = program.AddCommand("screen", kScreenText, [a] { return RunScreen(*a); });
    AddInstallOption(command, a->install);
    AddDataOption(command, a->data);
    command.add_option("--month", a->month, "the month of search data to search")
        ->type_name("YYYYMM")
        ->required()
        ->check(Digits(6, "YYYYMM"));
    command.add_option("--direction", a->direction, "the direction of the move")
        ->type_name("上昇|下落|両方")
        ->required()
        ->check(OneOf({"上昇", "下落", "両方"}));
    command.add_option("--threshold", a->threshold, "the change in percent, typed into the box as the dialog reads it")
        ->type_name("T")
        ->required();
    command.add_flag("--until-930", a->until930, "only moves up to 9:30");
    command.add_flag("--hide-start", a->hideStart, "hides the start time");
    command.add_flag("--hide-end", a->hideEnd, "hides the end time");
    Repeatable(command.add_option("--sort", a->sorts, "presses a sort button (repeatable; each press flips its direction)"))
        ->type_name("change|code")
        ->check(OneOf({"change", "code"}));
    AddSeedOption(command, a->seed);
    AddWholeOption(command, "--use", a->use, 0, kMaxScreeningRows - 1, "K",
                   "adds the hand-over of row K (0 first)");
    command.add_flag("--near-start", a->nearStart, "with --use: the start a random lead before the move");
    AddBarLengthOption(command, a->barLength);
    command.add_option("--download", a->download, "first fetches the month from this address")->type_name("URL");
}

}  // namespace corvala::cli
