#pragma once
// The matching engine: consumes the day's tape line by line as the replay clock passes each
// line, tests the user's orders against it, shows it on the tape list and applies it to the board.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "market/board.h"
#include "market/tape.h"
#include "platform/rgb.h"
#include "trading/records.h"

namespace corvala {

struct Account;
struct DaySeries;
struct OrderCounters;

// One fill, as the execution list and the history record it.
struct Execution {
    int seconds = 0;       // replay time of the fill
    bool closing = false;  // 返済 rather than 新規
    Side side = Side::None;
    Shares quantity = 0;
    Price price;
    int orderNumber = 0;
    int slot = 0;          // the order's slot; for a new order, the position it created is `position`
    int position = -1;
};

// What the engine tells the rest of the program. Closing fills are reported before the closed
// positions are lowered, so their allocation can still be read.
class MatchingListener {
public:
    virtual ~MatchingListener() = default;
    virtual void OnExecution(const Execution& /*fill*/, const OrderBook& /*book*/) {}
    virtual void OnStopFired(int /*slot*/, bool /*closing*/) {}
    virtual void OnOrderRemoved(int /*slot*/, bool /*closing*/) {}
    // A new order could have filled but all 30 position slots are in use: it stays pending.
    virtual void OnPositionTableFull() {}
    // A new order could have filled, but at a price that costs more than it holds back (the
    // day's limits widened since it was placed): it stays pending. Told once per order.
    virtual void OnHeldBack(int /*orderNumber*/) {}
    // A market order found no offer on the other side of the market's board and no print to
    // trade with: it waits. Told once per order.
    virtual void OnAwaitingCounterparty(int /*orderNumber*/) {}
    // The day's limits became known with its first trade, and an order accepted before then has a
    // price beyond them: it was withdrawn (its reservation given back). Told after it left.
    virtual void OnRefusedByLimits(int /*orderNumber*/, bool /*closing*/, PriceBand /*limits*/) {}
};

namespace colours {
inline constexpr Rgb kTapeUp{225, 30, 73};
inline constexpr Rgb kTapeDown{0, 195, 0};
inline constexpr Rgb kTapeSame{255, 255, 0};
}  // namespace colours

// A row of the tape list as shown.
struct TapeRow {
    std::string time, volume, price;
    Rgb colour;  // of volume and price; the time is always yellow
};

// The board, the tape and the engine's own state of a displayed day.
struct MarketState {
    Board marketBoard{};  // the recording corrected by the prints, without the user's orders
    Board board{};        // marketBoard with the overlay laid on: shown, and what orders meet
    BoardOverlay overlay;
    PriceBand limits;     // the day's price limits: no order is shown beyond them
    bool limitsFromFirstPrint = false;  // no previous close: the day's first trade sets them
    BoardCells cells;
    DayTape tape;
    int tapeCursor = 0;             // next line not yet processed
    double prevDisplayedPrice = 0;  // of the last tape row or own fill shown
    double currentPrintPrice = 0;   // of the last line processed: the market's own last trade
    // The market's prints since the span was last taken: the last print before them (0: none,
    // or an opening came after it), their lowest and highest; `spanNew` when one came.
    double spanFrom = 0, spanLow = 0, spanHigh = 0;
    bool spanNew = false;
    // The latest clock a pass ran at. After a jump back the replay runs behind it: the tape
    // there is spent, so nothing is tested or filled until the clock has caught up.
    int engineClock = 0;
    int lastFillStamp = 0;  // a fill is never stamped earlier than the one before it
    bool afternoonOpenFlag = false;
    bool lockedBoardHold = false;   // the step's board had best ask = best bid
    bool newOrderFlag = false;      // an order was just confirmed
    bool continueFlag = false;
    bool lineTaken = false;  // the pass used up the line at the cursor (an order pass does not)
    std::vector<TapeRow> tapeRows;  // oldest first; the list shows the newest on top
    int overlayRefused = 0;         // orders beyond the overlay's 50 entries
    // Stops fired on the line at the cursor, by table and number: each is tested once a line.
    int firedLine = -1;
    std::vector<std::pair<bool, int>> firedOnLine;
    std::vector<int> heldBackTold;  // new orders told to be held back by their reservation

    // The index of the tape's last line (−1 when empty).
    int tapeCount() const { return tape.size() - 1; }
    // 未実行注文確認: the overlay follows the order tables.
    void RefreshOverlay(const OrderBook& book);
    // board := marketBoard with the overlay laid on.
    void ComposeBoard(bool preOpen);
    // What the display action resets.
    void ResetForDisplay();
    // The next line to be processed opens the morning or the afternoon: an order placed now
    // meets the opening print, at a price nobody knows yet.
    bool NextLineOpens() const;
    // `line` (a tape line's text) opens the afternoon: the first print after the lunch break,
    // whenever it comes, once the morning session has closed and until the afternoon opened.
    bool OpensAfternoon(const std::string& line) const;
    void MarkFired(bool closing, int number);
    // A print of the market: its last price, and what it shows of the limits. Without a previous
    // close the first print sets them; a print beyond them shows the exchange allowed more (a
    // widened band, or a base the file does not give), and they take it in. True when this
    // print made the limits known.
    bool NotePrint(double price, bool opening = false);
    // The prints since the last call; the next span begins at the last print.
    struct PrintSpan {
        double from = 0;            // the print before them; 0 when none, or across an opening
        double low = 0, high = 0;   // 0 when no print came
    };
    PrintSpan TakePrintSpan();
    // The recording's board for the step, taken as the market's. Its quotes show the limits as
    // its prints do: a quote beyond them widens them, so no board shows a price beyond the band.
    void TakeRecordedBoard(const BoardRow& recorded);
    // The user's market or marketable order took `quantity` from the opposite side of the market's
    // board: what is left is what the next order of the step meets.
    void TakeFromMarket(bool sells, Shares quantity);
    bool FiredOnThisLine(bool closing, int number) const;

private:
    void WidenLimits(Price price);
};

// What one pass needs from the replay.
struct MatchContext {
    int baseSeconds = 0;       // the step's clock in seconds since midnight
    bool clockShown = true;    // the clock display is not empty
    int shownSeconds = -1;     // the clock as the user sees it, which stamps fills (−1: the line's)
    bool simulationOn = true;  // the ｼﾐｭﾚｰｼｮﾝ box
    bool skipping = false;     // forward steps run: the board is not corrected
    bool preOpen = false;
    int currentRow = 0;
    const DaySeries* stock = nullptr;
    bool decimalPrices = false;
    bool fineTickMode = false;
    int tradingUnit = 100;
    std::int32_t boardTotalQty = 0;
    Random* random = nullptr;
};

// When a resting limit order fills. Market orders, stops and the tape do not change with it.
// Described: the queue ahead at its price must trade first. Pessimistic: only a print that
// trades through its price fills it. Optimistic: a print that touches its price fills it.
enum class FillRule { Pessimistic, Described, Optimistic };

class MatchingEngine {
public:
    MatchingEngine(MarketState& market, OrderBook& book) : m_(market), book_(book) {}
    // The account and counters fills change, and who hears of them; without an account the
    // orders are not tested.
    void Attach(Account* account, OrderCounters* counters, MatchingListener* listener) {
        account_ = account;
        counters_ = counters;
        listener_ = listener;
    }

    void SetFillRule(FillRule rule) { fillRule_ = rule; }
    FillRule fillRule() const { return fillRule_; }

    // One sub-step (1–5): every line due by the step's clock plus `second`, at most 201.
    void MatchPendingOrders(int second, const MatchContext& ctx);
    // The orders just placed, against the market as it stands at the latest clock a pass ran at:
    // what the replay shows while it holds still. No line is taken from the tape.
    void MatchNewOrdersNow(const MatchContext& ctx);
    // One tape line against the clock (seconds since midnight).
    void MatchPrint(const std::string& line, int clock, const MatchContext& ctx);
    // A row on top of the tape list, coloured against the previous displayed price.
    void AddTapeRow(const std::string& time, const std::string& volume, double price, bool decimalPrices);

private:
    struct Line;
    void TestOrders(Line& line, const MatchContext& ctx);
    void TestOrder(Order& order, bool closing, int slot, Line& line, const MatchContext& ctx);
    bool StopFires(Order& order, bool closing, int slot, const Line& line, const MatchContext& ctx);
    bool Marketable(const Order& order, bool sells) const;
    std::optional<Price> MarketFillPrice(const Order& order, bool sells, const Line& line, const MatchContext& ctx) const;
    void AwaitCounterparty(Order& order);
    void WithdrawOrdersBeyondLimits(const MatchContext& ctx);
    std::optional<Price> LimitFillPrice(Order& order, bool sells, Line& line);
    std::optional<Price> Honest(const Order& order, bool closing, Price price, const MatchContext& ctx);
    void Fill(Order& order, bool closing, int slot, Price price, Line& line, const MatchContext& ctx);
    int CountFreePositions() const;
    void NoRoomForPositions();
    int freePositions_ = kOrderSlots;  // counted when a line's tests begin, and after each fill
    void FillNewOrder(Price price, int slot, const Line& line);
    void FillClosingOrder(Price price, int slot, const Line& line);

    MarketState& m_;
    OrderBook& book_;
    Account* account_ = nullptr;
    OrderCounters* counters_ = nullptr;
    MatchingListener* listener_ = nullptr;
    FillRule fillRule_ = FillRule::Described;
};

// 板数量チェック: the quantity shown at `kakaku` on the side an order of `sells` waits on; eight
// units for a price beyond that side's fifth level of a full book, 0 otherwise. The other side's
// quantity is never a queue: an order at its price trades at once.
Shares 板数量チェック(const BoardCells& cells, Price kakaku, int tradingUnit, bool sells);

// 初期板: the board of a recorded row with the user's orders, every cell redrawn.
void 初期板(MarketState& market, const DaySeries& stock, int row, bool preOpen, bool decimalPrices);

}  // namespace corvala
