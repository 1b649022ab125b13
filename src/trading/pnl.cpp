#include "trading/pnl.h"

#include <string>
#include <vector>

#include "platform/text.h"

namespace corvala {
double 単一取引の損益計算(const ClosingOrder& order, const OrderBook& book, Price kakaku, Side bai, bool sw) {
    const auto slots = AllocationList(order.closeSlots);
    const auto quantities = AllocationList(order.closeQuantities);
    if (slots.empty() || quantities.empty() || slots.size() != quantities.size()) return 0;
    // Summed in tenths of a yen: exact for any price step, and whole yen come out whole.
    std::int64_t tenths = 0;
    for (std::size_t k = 0; k < slots.size(); ++k) {
        const double slot = LeadingNumber(slots[k]);
        if (slot < 0 || slot >= kOrderSlots) continue;  // an allocation the table cannot hold
        const Position& p = book.positions[static_cast<std::size_t>(slot)];
        const auto q = static_cast<Shares>(LeadingNumber(quantities[k]));
        if (sw)
            tenths += p.price.tenths() * q;
        else if (bai == kSideMarginSell)
            tenths += (p.price.tenths() - kakaku.tenths()) * q;
        else
            tenths += (kakaku.tenths() - p.price.tenths()) * q;
    }
    return static_cast<double>(tenths) / 10;
}

double ClosingFillAccounting(Account& a, ClosingOrder& order, const OrderBook& book, Price fillPrice,
                             int nowSeconds) {
    double pnl = 0;
    if (order.side == kSideMarginSell) {  // 買埋: the short's book value comes back with the result
        pnl = 単一取引の損益計算(order, book, fillPrice, kSideMarginSell, false);
        const double bookValue = 単一取引の損益計算(order, book, Price{}, kSideMarginSell, true);
        AdjustBuyingPower(a, bookValue + pnl);
    } else {
        pnl = 単一取引の損益計算(order, book, fillPrice, order.side, false);
        AdjustBuyingPower(a, TimesShares(fillPrice, order.quantity));
    }
    CreditResult(a, pnl);
    order.placedAt = nowSeconds;
    order.limitPrice = fillPrice;
    return pnl;
}

double PositionResult(Side side, Price price, Shares quantity, double at) {
    // In tenths of a yen, as a closing fill is: a decimal price's result is exact too.
    const std::int64_t gain = side == kSideMarginSell ? price.tenths() - Price::Nearest(at).tenths()
                                                      : Price::Nearest(at).tenths() - price.tenths();
    return static_cast<double>(gain * quantity) / 10;
}

}  // namespace corvala
