// corvala-cli load: the display action without windows, printed as JSON.

#include <cstdio>
#include <iostream>
#include <map>
#include <nlohmann/json.hpp>

#include "app/simulation.h"
#include "commands.h"
#include "data/day_loader.h"
#include "data/series_table.h"
#include "day_options.h"
#include "platform/files.h"
#include "platform/system.h"
#include "platform/virtual_scheduler.h"

namespace corvala::cli {

namespace {

const char* const kLoadText =
    "      Loads a day as the display button does in display mode and prints its series;\n"
    "      --rows adds rows 0–3599. The tape is estimated as the display does (with --seed)\n"
    "      but not printed: `tape` prints it.\n";

namespace {

using nlohmann::json;

// A single-precision figure as a decimal that reads back to the same float.
double Figure(float v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.9g", static_cast<double>(v));
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

}  // namespace

int RunLoad(DayOptions a, bool rows) {
    FinishDayOptions(a);
    Headless h(a.install);
    if (const int status = OpenDay(h, a, "load")) return status;
    Simulation& sim = h.sim;
    sim.day().DisplayDay();
    h.scheduler.RunUntilIdle();
    if (h.dialogs.hasError()) {
        std::cerr << h.dialogs.ErrorLine() << "\n";
        return 2;
    }

    const MainDisplay& d = sim.display();
    const DayData& day = sim.day().data();
    json out;
    out["date"] = sim.day().chosenDate();
    out["code"] = d.codeText;
    out["name"] = sim.day().stocks().Name(sim.day().stockCode());
    out["nameLabel"] = d.nameLabel;
    out["marketLabel"] = d.marketLabel;
    out["series"] = d.seriesText;
    out["seriesCode"] = SeriesCodeFor(d.seriesText);
    out["prevTradingDay"] = sim.day().prevTradingDay();
    out["message"] = d.message.text;
    out["decimalPrices"] = day.decimalPrices;
    out["fineTickMode"] = day.fineTickMode;
    out["hasVwapColumn"] = day.hasVwapColumn;
    out["tradingUnit"] = day.tradingUnit;
    json slots = json::array();
    for (int s = 0; s < kSlotCount; ++s)
        slots.push_back(SlotJson(day, static_cast<SeriesSlot>(s), sim.day().barLength(), rows));
    out["slots"] = std::move(slots);
    std::cout << out.dump() << "\n";
    return 0;
}

}  // namespace

void AddLoadCommand(Program& program) {
    auto day = std::make_shared<DayOptions>();
    auto rows = std::make_shared<bool>(false);
    CLI::App& command = program.AddCommand("load", kLoadText, [day, rows] { return RunLoad(*day, *rows); });
    AddDayOptions(command, *day);
    command.add_flag("--rows", *rows, "adds rows 0–3599 to each series");
}

}  // namespace corvala::cli
