#include "trading/order_forms.h"

#include <algorithm>
#include <cmath>

#include "base/price_rules.h"

namespace corvala {
namespace {

constexpr const char* kWideSpace = "　";

std::string WideSpaces(std::size_t n) {
    std::string s;
    for (std::size_t i = 0; i < n; ++i) s += kWideSpace;
    return s;
}

}  // namespace

OrderPartView ViewOrderPart(const NewOrderForm& f) {
    OrderPartView v;
    v.stopPartVisible = f.kind != kKindNormal;
    v.priceVisible = f.kind != kKindStop;
    v.marketChoiceEnabled = f.kind == kKindNormal;
    v.closingWords = f.kind == kKindStop ? "で執行する" : "に訂正する";
    return v;
}

void SetOrderKind(NewOrderForm& f, OrderKind kind) {
    f.kind = kind;
    if (kind != kKindNormal) f.normalMarket = false;
}

SideView ViewNewOrderSide(const NewOrderForm& f) {
    SideView v;
    v.firstCaption = f.cashCaption ? "買付" : "買建";
    v.secondCaption = "売建";
    v.choiceVisible = !f.cashCaption;
    v.label = f.sell ? "売建" : v.firstCaption;
    v.labelBackground = f.sell ? kSellSideColour : kBuySideColour;
    return v;
}

SideView ViewClosingSide(Side side) {
    SideView v;
    v.firstCaption = side == kSideCash ? "売付" : "売埋";
    v.secondCaption = "買埋";
    v.choiceVisible = side != kSideCash;
    const bool buysBack = side == kSideMarginSell;
    v.label = buysBack ? "買埋" : v.firstCaption;
    // Closing a long sells: the sell colour; buying back a short: the buy colour.
    v.labelBackground = buysBack ? kBuySideColour : kSellSideColour;
    return v;
}

std::string CleanNumberText(std::string_view typed) {
    std::string out;
    for (char c : typed)
        if (c != 'e' && c != 'E' && c != '-' && c != '/' && c != '&') out += c;
    return out;
}

std::string SpinQuantity(const std::string& text, int unit, bool up) {
    if (unit <= 0) return text;
    if (!IsNumeric(text)) return Format(unit, "0");
    const long long units = Int(ReadFormattedNumber(text) / unit) + (up ? 1 : -1);
    return Format(static_cast<double>(std::max(1LL, units)) * unit, "0");
}

std::string SpinPrice(const std::string& text, bool up, bool decimals, bool fineTick) {
    if (!IsNumeric(text)) return text;
    const double p = ReadFormattedNumber(text);
    double next = up ? p + PriceStep(p, fineTick) : p - PriceStep(std::max(0.0, p - 1e-9), fineTick);
    if (next < PriceStep(0, fineTick)) next = PriceStep(0, fineTick);
    return FormatPrice(next, decimals, false);
}

std::string DialogPriceText(double price, bool decimals) { return FormatPrice(price, decimals, false); }

std::string CentredName(std::string_view name) {
    std::string n = LeftChars(Trim(name), 10);
    const std::size_t len = CharCount(n);
    if (len > 8) return n;
    return WideSpaces((10 - len) / 2) + n + WideSpaces(10 - len - (10 - len) / 2);
}

std::vector<int> ListedPositions(const OrderBook& book, Side closingSide) {
    std::vector<int> out;
    for (int i = 0; i < kOrderSlots; ++i) {
        const Position& p = book.positions[static_cast<std::size_t>(i)];
        if (p.InUse() && p.side == closingSide && p.quantity > p.committedQty) out.push_back(i);
    }
    return out;
}

std::vector<std::pair<int, Shares>> AllocatedPositions(const OrderBook& book, const ClosingOrder& o) {
    const auto slots = AllocationList(o.closeSlots);
    const auto quantities = AllocationList(o.closeQuantities);
    std::vector<std::pair<int, Shares>> out;
    for (std::size_t k = 0; k < slots.size() && k < quantities.size(); ++k) {
        const double s = LeadingNumber(slots[k]);
        if (s < 0 || s >= kOrderSlots || !book.positions[static_cast<std::size_t>(s)].InUse()) continue;
        out.emplace_back(static_cast<int>(s), static_cast<Shares>(LeadingNumber(quantities[k])));
    }
    std::sort(out.begin(), out.end());
    return out;
}

std::string HoldingLine(const Position& p, const std::string& code, const std::string& name, double current,
                        bool decimals, int slot) {
    const double diff = p.side == kSideMarginSell ? p.price - current : current - p.price;
    const long long valuation = Int(diff * static_cast<double>(p.quantity));
    const std::string value = (valuation > 0 ? "+" : "") + Format(static_cast<double>(valuation), "0");
    return code + kWideSpace + CentredName(name) + kWideSpace + SideText(p.side, false) + " " +
           RightAlign(Format(p.quantity, "0"), 6) + " " + RightAlign(Format(p.committedQty, "0"), 7) + " " +
           RightAlign(DialogPriceText(p.price, decimals), 9) + " " +
           RightAlign(DialogPriceText(current, decimals), 8) + " " + RightAlign(value, 10) +
           std::string(40, ' ') + std::to_string(slot);
}

std::string CorrectCancelLine(const Order& o, bool closing, const std::string& code, const std::string& name,
                              bool decimals, int slot) {
    const auto price = [&](Price v) { return DialogPriceText(v, decimals); };
    std::string condition = "                   -";
    if (o.kind != kKindNormal) {
        condition = "市場価格が" + price(o.triggerPrice) + "円" + (o.triggerDirection == StopDirection::AtOrBelow ? "以下" : "以上") + "なら" +
                    (o.stopExecution == StopExecution::Market ? std::string("成行で執行") : "指値" + price(o.stopLimitPrice) + "円に訂正");
    }
    const std::string priceText =
        o.kind == kKindStop || o.limitPrice == 0 ? std::string("       -") : RightAlign(price(o.limitPrice), 8);
    return code + kWideSpace + CentredName(name) + kWideSpace + (closing ? "返済" : "新規") + kWideSpace +
           SideText(o.side, closing) + kWideSpace + RightAlign(Format(o.quantity, "0"), 6) + kWideSpace + priceText +
           kWideSpace + condition + std::string(60, ' ') + kWideSpace + std::to_string(slot);
}

int TrailingSlot(std::string_view line) {
    std::size_t end = line.size();
    while (end > 0 && line[end - 1] == ' ') --end;
    std::size_t start = end;
    while (start > 0 && line[start - 1] >= '0' && line[start - 1] <= '9') --start;
    if (start == end || end - start > 2) return -1;
    const bool afterSpace = start == 0 || line[start - 1] == ' ' ||
                            (start >= 3 && line.substr(start - 3, 3) == kWideSpace);
    if (!afterSpace) return -1;
    const int slot = std::stoi(std::string(line.substr(start, end - start)));
    return slot < kOrderSlots ? slot : -1;
}

}  // namespace corvala
