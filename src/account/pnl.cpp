#include "account/pnl.h"

#include <string>
#include <vector>

#include "platform/text.h"

namespace corvala {
double 単一取引の損益計算(const ClosingOrder& order, const OrderBook& book, float kakaku, float bai, bool sw) {
    const auto slots = AllocationList(order.closeSlots);
    const auto quantities = AllocationList(order.closeQuantities);
    if (slots.empty() || quantities.empty() || slots.size() != quantities.size()) return 0;
    double sum = 0;  // in double: a float loses yen beyond 16,777,216
    for (std::size_t k = 0; k < slots.size(); ++k) {
        const double slot = LeadingNumber(slots[k]);
        if (slot < 0 || slot >= kOrderSlots) continue;  // an allocation the table cannot hold
        const Position& p = book.positions[static_cast<std::size_t>(slot)];
        const double q = LeadingNumber(quantities[k]);
        const double price = p.price;
        if (sw)
            sum += price * q;
        else if (bai == kSideMarginSell)
            sum += (price - kakaku) * q;
        else
            sum += (kakaku - price) * q;
    }
    return sum;
}

double ClosingFillAccounting(Account& a, ClosingOrder& order, const OrderBook& book, float fillPrice,
                             int nowSeconds) {
    double pnl = 0;
    if (order.side == kSideMarginSell) {  // 買埋: the short's book value comes back with the result
        pnl = 単一取引の損益計算(order, book, fillPrice, kSideMarginSell, false);
        const double bookValue = 単一取引の損益計算(order, book, 0, kSideMarginSell, true);
        AdjustBuyingPower(a, bookValue + pnl);
    } else {
        pnl = 単一取引の損益計算(order, book, fillPrice, order.side, false);
        AdjustBuyingPower(a, static_cast<double>(order.quantity) * fillPrice);
    }
    a.runPnl = ReadFormattedNumber(Format(a.runPnl + pnl, "###,##0"));
    CreditResult(a, pnl);
    order.placedAt = static_cast<float>(nowSeconds);
    order.limitPrice = fillPrice;
    return pnl;
}

double PositionResult(float side, float price, float quantity, double at) {
    return side == kSideMarginSell ? (price - at) * quantity : (at - price) * quantity;
}

}  // namespace corvala
