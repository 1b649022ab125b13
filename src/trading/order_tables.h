#pragma once
// The order and position tables at work: numbering, slot allocation, positions from fills,
// removal of filled or cancelled orders, and the list lines and buttons the window shows.

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "market/board.h"
#include "trading/records.h"

namespace corvala {

// The numbers the next order, position and closing order take; reset by every display.
struct OrderCounters {
    int newOrderSeq = 100;
    int positionSeq = 200;
    int closingOrderSeq = 300;
};

// The lowest free slot of a table, or nullopt when all 30 are in use.
template <class Table>
std::optional<int> LowestFreeSlot(const Table& table) {
    for (int i = 0; i < kOrderSlots; ++i)
        if (!table[static_cast<std::size_t>(i)].InUse()) return i;
    return std::nullopt;
}

// "買建" … for new orders and positions, "売埋" … for closing orders.
std::string SideText(Side side, bool closing);

// One line of the pending-order list; the slot index trails beyond the visible width.
std::string PendingOrderLine(const Order& order, bool closing, int slot, bool decimalPrices);
// The list: new orders of slots 0–29, then closing orders.
std::vector<std::string> RebuildPendingList(const OrderBook& book, bool decimalPrices);
// The queue the matching engine holds ahead of `order` by the board `board` at a print at its
// price: what stood ahead, cut to the level's quantity less the order's own when the level has
// thinned below it, 0 when the price has left its side of the board (`sells`: the asks).
Shares QueueOnBoard(const Order& order, const Board& board, bool sells);
// The shares still ahead of a resting limit order as the engine's record of it stands: the
// queue it holds ahead, less what has printed at the price since the order was placed (at the
// next print at its price the engine first cuts that queue by the board then shown, as above);
// none for a market order or a stop that has not fired.
std::optional<double> QueueAhead(const Order& order);
// The same for each line of the pending list, in its order.
std::vector<std::optional<double>> PendingQueueFigures(const OrderBook& book);
// A level of the board where the user's resting limit orders wait: the shares ahead of the
// first of them, and the level's quantity.
struct QueueMark {
    double ahead = 0, levelQuantity = 0;
};
// For the ten levels as `cells` show them (asks 0–4, bids 5–9): a mark where an order of that
// side rests at the level's price.
std::array<std::optional<QueueMark>, kBoardLevels> BoardQueueMarks(const OrderBook& book, const BoardCells& cells);
// The two lines of the holdings summary: long (買建 / 買付) and short (売建), empty when none.
std::array<std::string, 2> RebuildPositionSummary(const OrderBook& book, double currentPrice);
// 保有状態チェック: some position exists.
bool 保有状態チェック(const std::array<std::string, 2>& summary);

struct OrderButtonStates {
    bool newOrder = false, closingOrder = false, correctCancel = false;
};
// `counter` is the main window's counter that keeps 新規注文 available while a dialog is open.
OrderButtonStates UpdateOrderButtons(bool anyDialogOpen, const std::array<std::string, 2>& summary,
                                     std::size_t pendingLines, int counter);

// A position from a filled new order, in the lowest free slot; nullopt (nothing created) when
// the table is full.
std::optional<int> AddPosition(OrderBook& book, OrderCounters& counters, const Order& filled,
                               Price fillPrice, int nowSeconds);

enum class RemoveMode { NewOrder = 0, CancelledClosing = 2, FilledClosing = 3 };
// The single way an order leaves its table. A filled closing order lowers the positions it was
// allocated to (clearing those that reach 0); a cancelled one frees their committed quantity.
// False for a slot outside the table. The caller refreshes the board's overlay.
bool RemoveFilledOrder(OrderBook& book, int slot, RemoveMode mode);

// 未実行注文確認: the overlay from the two order tables, new and closing orders interleaved slot
// by slot. Returns how many orders did not fit.
int 未実行注文確認(const OrderBook& book, BoardOverlay& overlay);

}  // namespace corvala
