// corvala-cli chart: the chart of a displayed day as the window draws it, printed as JSON.

#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "chart_report.h"
#include "commands.h"
#include "day_options.h"

namespace corvala::cli {

const char* const kChartUsage =
    "  chart [--data DIR] --date YYMMDD --code CODE [--series NAME] [--bar-length N] [--ma1 A]\n"
    "       [--ma2 B] [--simulation] [--width PX --height PX] [--install DIR]\n"
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

namespace {

struct ChartArgs {
    DayOptions day;
    std::vector<std::pair<double, double>> points;
    int ma1 = 5, ma2 = 12;
    int width = kDesignWidthPx, height = kDesignHeightPx;
    bool simulation = false;
};

bool Number(const std::string& text, int low, int high, int& out) {
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || v < low || v > high) return false;
    out = static_cast<int>(v);
    return true;
}

// 0 to go on, -1 after help, else the exit status.
int ParseArgs(const std::vector<std::string>& args, ChartArgs& out) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--help" || a == "-h") {
            PrintUsage(kChartUsage, true);
            return -1;
        }
        const auto take = [&](int low, int high, int& field, const char* what) {
            if (Number(args[++i], low, high, field)) return true;
            std::fprintf(stderr, "corvala-cli chart: %s\n", what);
            return false;
        };
        if (a == "--simulation") {
            out.simulation = true;
        } else if (a == "--point" && hasValue) {
            const std::string& v = args[++i];
            const std::size_t comma = v.find(',');
            char* end1 = nullptr;
            char* end2 = nullptr;
            const double x = std::strtod(v.c_str(), &end1);
            const char* second = comma == std::string::npos ? nullptr : v.c_str() + comma + 1;
            const double y = second ? std::strtod(second, &end2) : 0;
            // Both figures present and nothing else: "7980," or ",3000" is no point.
            if (!second || end1 == v.c_str() || end1 != v.c_str() + comma || end2 == second || *end2 != '\0') {
                std::fprintf(stderr, "corvala-cli chart: --point must be X,Y in twips\n");
                return 1;
            }
            out.points.emplace_back(x, y);
        } else if (a == "--ma1" && hasValue) {
            if (!take(1, 24, out.ma1, "--ma1 must be 1 to 24")) return 1;
        } else if (a == "--ma2" && hasValue) {
            if (!take(1, 24, out.ma2, "--ma2 must be 1 to 24")) return 1;
        } else if (a == "--width" && hasValue) {
            if (!take(kDesignWidthPx, 20'000, out.width, "--width must be 1280 to 20000 pixels")) return 1;
        } else if (a == "--height" && hasValue) {
            if (!take(kDesignHeightPx, 20'000, out.height, "--height must be 780 to 20000 pixels")) return 1;
        } else {
            switch (TakeDayOption(args, i, out.day, "chart")) {
                case OptionResult::Taken:
                    break;
                case OptionResult::Bad:
                    return 1;
                case OptionResult::NotMine:
                    std::fprintf(stderr, "corvala-cli chart: unknown or incomplete option '%s'\n", a.c_str());
                    PrintUsage(kChartUsage, false);
                    return 1;
            }
        }
    }
    FinishDayOptions(out.day);
    return 0;
}

}  // namespace

int RunChart(const std::vector<std::string>& args) {
    ChartArgs a;
    if (const int status = ParseArgs(args, a)) return status < 0 ? 0 : status;
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
        for (const auto& [x, y] : a.points) {
            sim.chart().Move(x, y, false);
            readouts.push_back(ReadoutJson(sim, x, y));
        }
        report["readouts"] = std::move(readouts);
    }
    std::cout << report.dump() << "\n";
    sim.replay().RequestClose();
    return 0;
}

}  // namespace corvala::cli
