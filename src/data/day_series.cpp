#include "data/day_series.h"

namespace corvala {

const char* SlotName(SeriesSlot slot) {
    switch (slot) {
        case SeriesSlot::PrevIndex: return "PrevIndex";
        case SeriesSlot::DayIndex: return "DayIndex";
        case SeriesSlot::PrevStock: return "PrevStock";
        case SeriesSlot::DayStock: return "DayStock";
    }
    return "";
}

void DaySeries::Clear() {
    const SeriesKind keptKind = kind;
    for (auto& t : timeText) t.clear();
    price.fill(0);
    vwap.fill(0);
    lastRow = -1;
    high = 0;
    low = 10'000'000.0f;
    firstPrice = open = close = prevClose = 0;
    openingInFile = true;
    finalVolume = 0;
    tradingUnit = 0;
    bars.fill(DayBar{});
    maxBarVolume = 0;
    cumVolume.fill(0);
    lastTradeSeconds.fill(0);
    board.fill(BoardRow{});
    loaded = false;
    kind = keptKind;
}

DayData::DayData() {
    for (auto& s : seriesSlots) s = std::make_unique<DaySeries>();
}

void DayData::ClearSeries() {
    for (auto& s : seriesSlots) s->Clear();
    tradingUnit = 0;
    hasVwapColumn = false;
    noDataMarked = {false, false};
}

}  // namespace corvala
