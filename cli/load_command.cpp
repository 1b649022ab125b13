// corvala-cli load: the display action without windows, printed as JSON.

#include <cstdio>
#include <iostream>
#include <map>
#include <nlohmann/json.hpp>

#include "cli_ports.h"
#include "commands.h"
#include "data/day_loader.h"
#include "data/series_table.h"
#include "platform/files.h"
#include "platform/system.h"
#include "platform/virtual_scheduler.h"
#include "replay/simulation.h"

namespace corvala::cli {

const char* const kLoadUsage =
    "  load --data DIR --date YYMMDD --code CODE [--series NAME] [--bar-length N]\n"
    "       [--install DIR] [--rows]\n"
    "      Loads a day as the display button does (display mode, no tape) and prints its\n"
    "      series. --series is a selector item such as 日経225 (the default); --install is the\n"
    "      folder with the stock lists (default: this program's folder); --rows adds rows 0–3599.\n";

namespace {

using nlohmann::json;

// A single-precision figure as the shortest decimal that reads back to it.
double Figure(float v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.7g", static_cast<double>(v));
    return std::strtod(buf, nullptr);
}

json SlotJson(const DayData& day, SeriesSlot slot, int barLength, bool withRows) {
    const DaySeries& s = day[slot];
    json j;
    j["slot"] = static_cast<int>(slot);
    j["name"] = SlotName(slot);
    j["kind"] = static_cast<int>(s.kind);
    j["loaded"] = s.loaded;
    j["lastRow"] = s.lastRow;
    j["high"] = Figure(s.high);
    j["low"] = Figure(s.low);
    j["firstPrice"] = Figure(s.firstPrice);
    j["open"] = Figure(s.open);
    j["close"] = Figure(s.close);
    j["prevClose"] = Figure(s.prevClose);
    j["finalVolume"] = s.finalVolume;
    j["tradingUnit"] = s.tradingUnit;
    j["maxBarVolume"] = s.maxBarVolume;
    json bars = json::array();
    for (int t = 0; t < BarsPerDay(barLength); ++t) {
        const DayBar& b = s.bars[static_cast<std::size_t>(t)];
        bars.push_back({{"open", Figure(b.open)},
                        {"high", Figure(b.high)},
                        {"low", Figure(b.low)},
                        {"close", Figure(b.close)},
                        {"volume", b.volume},
                        {"cumVolume", b.cumVolume}});
    }
    j["bars"] = std::move(bars);
    if (withRows) {
        json rows = json::array();
        for (std::size_t r = 0; r < static_cast<std::size_t>(kReplayRows); ++r) {
            json board = json::array();
            for (float v : s.board[r]) board.push_back(Figure(v));
            rows.push_back({{"time", s.timeText[r]},
                            {"price", Figure(s.price[r])},
                            {"cumVolume", s.cumVolume[r]},
                            {"lastTradeSeconds", s.lastTradeSeconds[r]},
                            {"vwap", Figure(s.vwap[r])},
                            {"board", std::move(board)}});
        }
        j["rows"] = std::move(rows);
    }
    return j;
}

struct LoadArgs {
    std::string data, date, code, series = std::string(kDefaultSeriesItem), install;
    int barLength = 5;
    bool rows = false;
};

bool ParseArgs(const std::vector<std::string>& args, LoadArgs& out) {
    std::map<std::string, std::string*> text = {{"--data", &out.data},     {"--date", &out.date},
                                                {"--code", &out.code},     {"--series", &out.series},
                                                {"--install", &out.install}};
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--rows") {
            out.rows = true;
        } else if (a == "--help" || a == "-h") {
            return false;
        } else if (i + 1 < args.size() && text.count(a)) {
            *text[a] = args[++i];
        } else if (i + 1 < args.size() && a == "--bar-length") {
            out.barLength = std::atoi(args[++i].c_str());
            if (!IsValidBarLength(out.barLength)) {
                std::fprintf(stderr, "corvala-cli load: --bar-length must be 1, 2, 3, 4, 5 or 10\n");
                return false;
            }
        } else {
            std::fprintf(stderr, "corvala-cli load: unknown or incomplete option '%s'\n", a.c_str());
            return false;
        }
    }
    if (out.data.empty()) {
        std::fprintf(stderr, "corvala-cli load: --data is required\n");
        return false;
    }
    if (out.install.empty()) out.install = ExecutableFolder();
    return true;
}

}  // namespace

int RunLoad(const std::vector<std::string>& args) {
    LoadArgs a;
    if (!ParseArgs(args, a)) {
        std::fprintf(stderr, "usage:\n%s", kLoadUsage);
        return 1;
    }
    CliDialogs dialogs;
    SystemClock clock;
    SeededRandom random(1);
    VirtualScheduler scheduler;
    Simulation sim(Ports{dialogs, clock, random, scheduler}, a.install);
    if (!sim.StartUp(a.data)) {
        std::cerr << dialogs.ErrorLine() << "\n";
        return 2;
    }
    sim.SetBarLength(a.barLength);
    sim.SetDateText(a.date);
    sim.SetCodeText(a.code);
    sim.SelectSeries(a.series);
    sim.DisplayDay();
    scheduler.RunUntilIdle();
    if (dialogs.hasError()) {
        std::cerr << dialogs.ErrorLine() << "\n";
        return 2;
    }

    const MainDisplay& d = sim.display();
    const DayData& day = sim.day();
    json out;
    out["date"] = sim.chosenDate();
    out["code"] = d.codeText;
    out["name"] = sim.stocks().Name(sim.stockCode());
    out["nameLabel"] = d.nameLabel;
    out["marketLabel"] = d.marketLabel;
    out["series"] = d.seriesText;
    out["seriesCode"] = SeriesCodeFor(d.seriesText);
    out["prevTradingDay"] = sim.prevTradingDay();
    out["message"] = d.message.text;
    out["decimalPrices"] = day.decimalPrices;
    out["fineTickMode"] = day.fineTickMode;
    out["hasVwapColumn"] = day.hasVwapColumn;
    out["tradingUnit"] = day.tradingUnit;
    json slots = json::array();
    for (int s = 0; s < kSlotCount; ++s)
        slots.push_back(SlotJson(day, static_cast<SeriesSlot>(s), sim.barLength(), a.rows));
    out["slots"] = std::move(slots);
    std::cout << out.dump() << "\n";
    return 0;
}

}  // namespace corvala::cli
