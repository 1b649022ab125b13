// corvala-cli chart: the chart of a displayed day as the window draws it, printed as JSON.

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <iostream>

#include "chart_report.h"
#include "commands.h"
#include "day_options.h"

namespace corvala::cli {

namespace {

const char* const kChartText =
    "      Displays the day as the display button does (with --simulation as 開 始 does: the\n"
    "      scales balance around the previous close and the chosen day waits for play) and\n"
    "      prints the chart the window draws: {\"W\",\"H\" (twips over the design size),\n"
    "      \"rows\":[{\"max\",\"min\",\"step\",\"span\",\"labels\",\"volumeLabels\",\"vmax\"}] (upper, lower),\n"
    "      \"barWidth\",\"barPitch\",\"slots\":[{\"kind\",\"bars\":[{\"t\",\"open\",\"high\",\"low\",\"close\",\n"
    "      \"x\",\"yOpen\",\"yHigh\",\"yLow\",\"yClose\",\"filled\"}],\"prevCloseY\",\"ma1\",\"ma2\",\"vwap\",\n"
    "      \"volume\"}] (slots 0–3), \"legend\":{\"ma1\",\"ma2\",\"vwap\"},\"captions\"}. --ma1 and --ma2\n"
    "      are the moving-average periods (1–24; default 5 and 12); --width and --height the\n"
    "      window's client size in pixels (default and at least 1280 × 780). --point X,Y (window\n"
    "      twips, repeatable) moves the pointer there, in order, as the mouse does outside a\n"
    "      replay, and adds \"readouts\":[{\"x\",\"y\",\"row\",\"bar\",\"time\",\"price\",\"change\",\n"
    "      \"percent\",\"volume\",\"vwap\",\"ma1\",\"ma2\",\"board\":[20 values]} or null], one per point,\n"
    "      null where the pointer shows nothing.\n";

struct ChartArgs {
    DayOptions day;
    std::vector<std::string> points;  // X,Y
    int ma1 = 5, ma2 = 12;
    int width = kDesignWidthPx, height = kDesignHeightPx;
    bool simulation = false;
};

// X,Y: two numbers in window twips.
std::optional<std::pair<double, double>> ReadPoint(const std::string& v) {
    const std::size_t comma = v.find(',');
    char* end1 = nullptr;
    char* end2 = nullptr;
    const double x = std::strtod(v.c_str(), &end1);
    const char* second = comma == std::string::npos ? nullptr : v.c_str() + comma + 1;
    const double y = second ? std::strtod(second, &end2) : 0;
    if (!second || end1 == v.c_str() || end1 != v.c_str() + comma || end2 == second || *end2 != '\0')
        return std::nullopt;
    return std::pair{x, y};
}


int RunChart(ChartArgs a) {
    FinishDayOptions(a.day);
    Headless h(a.day.install, /*answerYes=*/true, a.day.seed);
    if (const int status = OpenDay(h, a.day, "chart")) return status;
    Simulation& sim = h.sim;
    sim.chart().SetSize((a.width - kDesignWidthPx) * kTwipsPerPixel, (a.height - kDesignHeightPx) * kTwipsPerPixel);
    sim.chart().SetAveragePeriods(a.ma1, a.ma2);
    sim.replay().SetSimulationChecked(a.simulation);
    const auto outcome = sim.day().DisplayDay();
    if (h.dialogs.hasError()) {
        std::cerr << h.dialogs.ErrorLine() << "\n";
        return 2;
    }
    if (outcome != Simulation::DisplayOutcome::Loaded) {
        std::cout << nlohmann::ordered_json{{"displayed", false}, {"message", sim.display().message.text}}.dump() << "\n";
        return 3;
    }
    // Before the open the replay waits for play: the chart stands as it does then.
    h.scheduler.RunUntil([&] { return !a.simulation || sim.replay().waitingForPlay(); }, 100'000);
    nlohmann::ordered_json report = ChartReport(sim, false);
    if (!a.points.empty()) {
        nlohmann::ordered_json readouts = nlohmann::ordered_json::array();
        for (const std::string& point : a.points) {
            const auto [x, y] = *ReadPoint(point);
            sim.chart().Move(x, y, false);
            readouts.push_back(ReadoutJson(sim, x, y));
        }
        report["readouts"] = std::move(readouts);
    }
    std::cout << report.dump() << "\n";
    sim.replay().RequestClose();
    return 0;
}

}  // namespace

void AddChartCommand(Program& program) {
    auto a = std::make_shared<ChartArgs>();
    CLI::App& command = program.AddCommand("chart", kChartText, [a] { return RunChart(*a); });
    AddDayOptions(command, a->day);
    AddWholeOption(command, "--ma1", a->ma1, 1, 24, "A",
                   "the first moving average's period (1–24; default 5)");
    AddWholeOption(command, "--ma2", a->ma2, 1, 24, "B",
                   "the second moving average's period (1–24; default 12)");
    command.add_flag("--simulation", a->simulation, "displays the day as 開 始 does");
    AddWholeOption(command, "--width", a->width, kDesignWidthPx, 20'000, "PX",
                   "the window's client width (1280–20000 pixels; default 1280)");
    AddWholeOption(command, "--height", a->height, kDesignHeightPx, 20'000, "PX",
                   "the window's client height (780–20000 pixels; default 780)");
    Repeatable(command.add_option("--point", a->points, "moves the pointer to X,Y (window twips; repeatable)"))
        ->type_name("X,Y")
        ->check(CLI::Validator(
            [](std::string& text) -> std::string {
                return ReadPoint(text) ? "" : "must be X,Y in twips, not '" + text + "'";
            },
            "", "point"));
}

}  // namespace corvala::cli
