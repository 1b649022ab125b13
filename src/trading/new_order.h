#pragma once
// New-order entry without its window: what the 新規注文 dialog checks, computes and stores when
// the user presses 注文, for a new order or the correction of a pending one.

#include <optional>
#include <string>
#include <string_view>

#include "market/board.h"
#include "platform/ports.h"
#include "trading/order_tables.h"

namespace corvala {

struct Account;

// The dialog's fields as typed.
struct NewOrderForm {
    OrderKind kind = kKindNormal;  // 通常注文, 逆指値付通常注文, 逆指値注文
    bool sell = false;         // 売建 rather than the first side option
    bool cashCaption = false;  // the first side option reads 買付 (cash only)
    std::string quantity, price, trigger, stopPrice;
    bool normalMarket = false;  // 成行 in the normal part
    bool triggerBelow = false;  // 以下 rather than 以上
    bool stopMarket = false;    // 成行 after the stop fires
};

// What the entry reads from the rest of the program.
struct OrderEntryContext {
    int nowSeconds = 0;     // the main window's clock
    int code = 0;
    PriceBand limits;       // the day's price limits (none known: 0)
    int tradingUnit = 100;
    bool decimalPrices = false;
    bool fineTickMode = false;  // the price grid
    const BoardCells* cells = nullptr;
    double capacity = 0;    // the dialog's copy of the buying power
    bool underWater = false;  // the account is worth nothing: no new order or correction is taken
    double marketBid = 0;     // the market's own best bid, without the user's orders (0: none)
    double currentPrice = 0;  // the market's last price: what a sell fills at when there is no bid
    bool meetsOpeningPrint = false;  // the next print opens the session, at a price not known yet
    bool sayOrder = false;  // the order is on no form: the question says what it is
    std::optional<int> correctionSlot;  // correcting the pending new order in this slot
};

struct EntryOutcome {
    enum class Status { Stored, MissingField, BadPrice, NoFunds, Declined, TableFull, NoReplay } status = Status::Declined;
    std::string title, message;  // for a refusal
    int slot = -1;
    double amount = 0;           // the reserved amount of a stored order
    int missingField = 0;        // 1 quantity, 2 price, 3 trigger price, 4 stop limit price: it takes the focus
};

// 空欄チェック: the first required field (of "1234") that is not a number: "数量" or "価格".
std::string 空欄チェック(const NewOrderForm& form, std::string_view required);
// The same as the field's number (1 quantity, 2 price, 3 trigger, 4 stop limit price), 0 for none.
int MissingField(const NewOrderForm& form, std::string_view required);
// The fields an order type needs checked.
std::string RequiredFields(const NewOrderForm& form);

// The required fields are numbers and `slot` is a slot of the table; otherwise `out` says why.
bool CheckEntry(const NewOrderForm& form, std::optional<int> slot, const char* tableFull, EntryOutcome& out);
// Every price the order type uses (limit, trigger, stop limit) is above 0, on the price grid and
// within the day's limits; otherwise `out` says which and why.
bool CheckPrices(const NewOrderForm& form, const OrderEntryContext& ctx, EntryOutcome& out);

// A quantity typed in shares, as whole trading units: at least one unit.
Shares QuantityInUnits(const std::string& text, int tradingUnit);

// A corrected limit order keeps its place in the queue, and what the queue has done for it, only
// at the same price and side with no more shares, as at an exchange; otherwise it starts a new
// place: `ahead` and nothing traded yet.
void KeepOrResetQueuePlace(Order& corrected, const Order& old, Shares ahead);

// What a new limit order at `price` ties up: price × quantity, and for a short sale no less than
// what it fills at at once (`sellsAtLeast`: the best bid, or the current price with no bids).
double LimitReservation(Price price, double quantity, bool sells, double sellsAtLeast);

// The order as the confirmation says it: "買建 3,104円 100株" (成行 for a market order).
std::string OrderSummary(const Order& o, bool decimalPrices);

// 注文: checks, prices and reserves the order, asks "表記内容で注文しますか？" (after the line of
// OrderSummary when `ctx.sayOrder`) and stores it.
// The caller then reflects it on the board and flags the engine. Every order is checked and
// reserved at the worst price it can fill at: a buy at its limit; a market order, and a short
// sale that meets an opening print or has no market price yet, at the day's upper limit; any
// other short sale at the highest of its limit, its trigger and the bid (LimitReservation). A
// correction that keeps a limit order's price keeps its place in the queue.

EntryOutcome SubmitNewOrder(const NewOrderForm& form, const OrderEntryContext& ctx, OrderBook& book,
                            OrderCounters& counters, Account& account, Dialogs& dialogs);

}  // namespace corvala
