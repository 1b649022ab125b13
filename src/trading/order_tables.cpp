#include "trading/order_tables.h"

#include <algorithm>

#include "platform/text.h"

namespace corvala {
namespace {

constexpr const char* kNewSides[] = {"", "買建", "売建", "買付"};
constexpr const char* kClosingSides[] = {"", "売埋", "買埋", "売付"};

std::string Quantity5(Shares q) { return RightAlign(Format(static_cast<double>(q), "0"), 5); }

}  // namespace

std::string SideText(Side side, bool closing) {
    const int s = static_cast<int>(side);
    if (s < 1 || s > 3) return {};
    return closing ? kClosingSides[s] : kNewSides[s];
}

std::string PendingOrderLine(const Order& o, bool closing, int slot, bool decimalPrices) {
    std::string line = FormatTimeOfDay(static_cast<int>(o.placedAt)).substr(0, 5) + " " +
                       SideText(o.side, closing) + " " + Quantity5(o.quantity) + "株 ";
    if (o.kind == kKindStop || o.limitPrice == 0)
        line += "      -";
    else
        line += RightAlign(FormatPrice(o.limitPrice, decimalPrices, false), 7);
    line += "円";
    if (o.kind != kKindNormal) line += "*";
    // A market order with nothing to trade with on the other side says so.
    const std::string waiting = o.awaitingCounterparty ? " 気配待ち" : "";
    line += waiting + std::string(21 - (waiting.empty() ? 0 : 9), ' ') + std::to_string(slot);
    return line;
}

std::vector<std::string> RebuildPendingList(const OrderBook& book, bool decimalPrices) {
    std::vector<std::string> lines;
    for (int i = 0; i < kOrderSlots; ++i)
        if (book.pendingNewOrders[static_cast<std::size_t>(i)].InUse())
            lines.push_back(PendingOrderLine(book.pendingNewOrders[static_cast<std::size_t>(i)], false, i, decimalPrices));
    for (int i = 0; i < kOrderSlots; ++i)
        if (book.pendingClosingOrders[static_cast<std::size_t>(i)].InUse())
            lines.push_back(PendingOrderLine(book.pendingClosingOrders[static_cast<std::size_t>(i)], true, i, decimalPrices));
    return lines;
}

Shares QueueOnBoard(const Order& o, const Board& b, bool sells) {
    int at = -1;
    for (int i = sells ? 0 : 5; i < (sells ? 5 : kBoardLevels); ++i)
        if (b.At(i).tenths() == o.limitPrice.tenths()) at = i;
    if (at < 0) return 0;
    const Shares level = b.Qty(at);
    return level < o.boardQtyAhead ? std::max<Shares>(0, level - o.quantity) : o.boardQtyAhead;
}

std::optional<double> QueueAhead(const Order& o) {
    if (!o.InUse() || o.isMarket || o.kind == kKindStop || o.limitPrice == 0) return std::nullopt;
    return static_cast<double>(std::max<Shares>(0, o.boardQtyAhead - o.volumeAtPrice));
}

std::vector<std::optional<double>> PendingQueueFigures(const OrderBook& book) {
    std::vector<std::optional<double>> figures;
    for (const Order& o : book.pendingNewOrders)
        if (o.InUse()) figures.push_back(QueueAhead(o));
    for (const ClosingOrder& o : book.pendingClosingOrders)
        if (o.InUse()) figures.push_back(QueueAhead(o));
    return figures;
}

std::array<std::optional<QueueMark>, kBoardLevels> BoardQueueMarks(const OrderBook& book, const BoardCells& cells) {
    std::array<std::optional<QueueMark>, kBoardLevels> marks{};
    const auto mark = [&](const Order& o, bool sells) {
        const std::optional<double> ahead = QueueAhead(o);
        if (!ahead) return;
        for (int level = sells ? 0 : 5; level < (sells ? 5 : kBoardLevels); ++level) {
            const auto at = static_cast<std::size_t>(level);
            if (cells.shown.At(level).tenths() != o.limitPrice.tenths()) continue;
            auto& m = marks[at];
            if (!m || *ahead < m->ahead) m = QueueMark{*ahead, static_cast<double>(cells.shown.Qty(level))};
        }
    };
    for (const Order& o : book.pendingNewOrders) mark(o, NewOrderSells(o.side));
    for (const ClosingOrder& o : book.pendingClosingOrders) mark(o, ClosingOrderSells(o.side));
    return marks;
}

std::array<std::string, 2> RebuildPositionSummary(const OrderBook& book, double currentPrice) {
    std::array<std::string, 2> lines;
    for (int side = 0; side < 2; ++side) {
        double q = 0, cost = 0, valuation = 0;
        bool cash = false;
        for (const Position& p : book.positions) {
            if (!p.InUse()) continue;
            const bool isShort = p.side == kSideMarginSell;
            if (isShort != (side == 1)) continue;
            const auto shares = static_cast<double>(p.quantity);
            q += shares;
            cost += p.price * shares;
            valuation += (isShort ? p.price - currentPrice : currentPrice - p.price) * shares;
            cash = cash || p.side == kSideCash;
        }
        if (q == 0) continue;
        const std::string label = side == 1 ? "売建" : cash ? "買付" : "買建";
        lines[static_cast<std::size_t>(side)] = label + " " + RightAlign(Format(q, "0"), 5) + "株 " +
                                                RightAlign(Format(cost / q, "0.0"), 7) + "円 " +
                                                RightAlign(Format(valuation, "0"), 7) + "円";
    }
    return lines;
}

bool 保有状態チェック(const std::array<std::string, 2>& summary) {
    return !summary[0].empty() || !summary[1].empty();
}

OrderButtonStates UpdateOrderButtons(bool anyDialogOpen, const std::array<std::string, 2>& summary,
                                     std::size_t pendingLines, int counter) {
    OrderButtonStates b;
    if (!anyDialogOpen) {
        b.newOrder = true;
        b.closingOrder = 保有状態チェック(summary);
        b.correctCancel = pendingLines > 0;
    } else {
        b.newOrder = counter == 0;
    }
    return b;
}

std::optional<int> AddPosition(OrderBook& book, OrderCounters& counters, const Order& filled,
                               Price fillPrice, int nowSeconds) {
    const auto slot = LowestFreeSlot(book.positions);
    if (!slot) return std::nullopt;
    Position& p = book.positions[static_cast<std::size_t>(*slot)];
    p = Position{};
    p.number = counters.positionSeq++;
    p.openedAt = nowSeconds;
    p.code = filled.code;
    p.side = filled.side;
    p.quantity = filled.quantity;
    p.price = fillPrice;
    return slot;
}

bool RemoveFilledOrder(OrderBook& book, int slot, RemoveMode mode) {
    if (slot < 0 || slot >= kOrderSlots) return false;
    const auto at = static_cast<std::size_t>(slot);
    if (mode == RemoveMode::NewOrder) {
        book.pendingNewOrders[at] = Order{};
        return true;
    }
    ClosingOrder& c = book.pendingClosingOrders[at];
    const auto slots = AllocationList(c.closeSlots);
    const auto quantities = AllocationList(c.closeQuantities);
    if (!slots.empty() && slots.size() == quantities.size()) {
        for (std::size_t k = 0; k < slots.size(); ++k) {
            const double s = LeadingNumber(slots[k]);
            if (s < 0 || s >= kOrderSlots) continue;  // an allocation the table cannot hold
            Position& p = book.positions[static_cast<std::size_t>(s)];
            const auto q = static_cast<Shares>(LeadingNumber(quantities[k]));
            p.committedQty = std::max<Shares>(0, p.committedQty - q);
            if (mode == RemoveMode::FilledClosing) {
                p.quantity = std::max<Shares>(0, p.quantity - q);
                if (p.quantity == 0) p = Position{};
            }
        }
    }
    c = ClosingOrder{};
    return true;
}

int 未実行注文確認(const OrderBook& book, BoardOverlay& overlay) {
    overlay.Clear();
    int refused = 0;
    for (int i = 0; i < kOrderSlots; ++i) {
        const Order& n = book.pendingNewOrders[static_cast<std::size_t>(i)];
        if (n.InUse() && !overlay.Add(n.quantity, n.limitPrice, NewOrderSells(n.side))) ++refused;
        const ClosingOrder& c = book.pendingClosingOrders[static_cast<std::size_t>(i)];
        if (c.InUse() && !overlay.Add(c.quantity, c.limitPrice, ClosingOrderSells(c.side))) ++refused;
    }
    return refused;
}

}  // namespace corvala
