#include "demo_data/day_file_writer.h"

#include <algorithm>
#include <cmath>

#include "demo_data/demo_format.h"
#include "base/price_rules.h"
#include "platform/cp932.h"

namespace corvala {
namespace {

double Yen(std::int64_t cents) {
    return static_cast<double>(cents) / 100.0;
}

// What the recorder's columns 7–13 show besides the price: the day's range so far, the change
// from the previous close and when the high and low were made.
struct Running {
    std::int64_t high = 0, low = 0;
    int highAt = 0, lowAt = 0;
    bool any = false;

    void Add(std::int64_t price, int seconds) {
        if (!any || price > high) {
            high = price;
            highAt = seconds;
        }
        if (!any || price < low) {
            low = price;
            lowAt = seconds;
        }
        any = true;
    }
};

void AppendPriceOrDash(std::string& out, std::int64_t cents, int decimals) {
    if (cents == 0)
        out.push_back('-');
    else
        AppendCents(out, cents, decimals);
}

void AppendBoardPrice(std::string& out, std::int64_t cents, int decimals) {
    if (cents == 0)
        out.push_back('0');
    else
        AppendCents(out, cents, decimals);
}

}  // namespace

std::string FormatDayFile(const DayPath& day, const DayFileLayout& layout, DemoDayFile& file) {
    const int dec = layout.priceDecimals;
    std::string text;
    text.reserve(day.lines.size() * 230);
    Running running;
    bool seenTrade = false;
    std::int64_t high = 0, low = 0;

    file.isStock = layout.isStock;
    file.lineCount = static_cast<int>(day.lines.size());
    file.prevClose = Yen(day.prevClose);
    file.tradingUnit = layout.isStock ? 100 : 0;
    file.hasVwapColumn = layout.hasVwap;
    file.decimalPrices = dec > 0;
    file.offStandardGridAbove3000 = false;

    for (std::size_t i = 0; i < day.lines.size(); ++i) {
        const Snapshot& s = day.lines[i];
        const bool traded = s.price > 0;
        if (traded) {
            if (!seenTrade) {
                running.Add(day.open, s.lastTradeSeconds);
                file.firstPrice = Yen(s.price);
                high = low = s.price;
            }
            running.Add(s.price, s.lastTradeSeconds);
            high = std::max(high, s.price);
            low = std::min(low, s.price);
            seenTrade = true;
            if (layout.isStock && s.price > 300'000) {
                const auto step =
                    static_cast<std::int64_t>(std::llround(PriceStep(Yen(s.price), false) * 100));
                if (s.price % step != 0) file.offStandardGridAbove3000 = true;
            }
        }

        // 0–6: date, snapshot time, last trade, price, previous close, volume, open.
        text += layout.dateText;
        text.push_back(',');
        AppendHhMmSs(text, s.seconds);
        text.push_back(',');
        if (s.lastTradeSeconds >= 0) AppendHhMm(text, s.lastTradeSeconds);
        text.push_back(',');
        AppendPriceOrDash(text, traded ? s.price : 0, dec);
        text.push_back(',');
        AppendCents(text, day.prevClose, dec);
        text.push_back(',');
        if (layout.hasVolume && s.cumVolume >= 0) {
            AppendInt(text, s.cumVolume);
        } else {
            text.push_back('-');
        }
        text.push_back(',');
        if (traded) {
            if (layout.openInHundreds) {
                AppendFixed(text, day.open, 4);
            } else {
                AppendCents(text, day.open, dec);
            }
        }
        text.push_back(',');
        // 7–13: high, low, change, (blank), time of high, time of low, (blank).
        if (traded) {
            AppendCents(text, running.high, dec);
            text.push_back(',');
            AppendCents(text, running.low, dec);
            text.push_back(',');
            const std::int64_t change = s.price - day.prevClose;
            if (change > 0) text.push_back('+');
            AppendCents(text, change, dec);
            text += ",,";
            AppendHhMm(text, running.highAt);
            text.push_back(',');
            AppendHhMm(text, running.lowAt);
            text.push_back(',');
        } else {
            text += ",,,,,,";
        }
        // 14–33: ask prices, bid prices, ask quantities, bid quantities, best first.
        for (const auto* side : {&s.asks, &s.bids}) {
            for (const Level& l : *side) {
                text.push_back(',');
                AppendBoardPrice(text, layout.hasBoard ? l.price : 0, dec);
            }
        }
        for (const auto* side : {&s.asks, &s.bids}) {
            for (const Level& l : *side) {
                text.push_back(',');
                AppendInt(text, layout.hasBoard ? l.qty : 0);
            }
        }
        // 34–35: trading unit and VWAP.
        text += layout.isStock ? ",100" : ",-";
        if (layout.hasVwap) {
            text.push_back(',');
            if (s.vwapTenths >= 0) {
                AppendFixed(text, s.vwapTenths, 1);
            } else {
                text.push_back('-');
            }
        }
        text += "\r\n";
    }

    const Snapshot& last = day.lines.back();
    file.high = Yen(high);
    file.low = Yen(low);
    file.open = seenTrade ? Yen(day.open) : 0;
    file.close = Yen(last.price);
    file.finalVolume =
        layout.hasVolume && last.cumVolume > 0 ? static_cast<double>(last.cumVolume) : 0;
    return EncodeCp932(text);
}

}  // namespace corvala
