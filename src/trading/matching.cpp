#include "trading/matching.h"

#include "trading/matching_line.h"

#include <algorithm>

#include "data/day_series.h"
#include "account/account.h"
#include "platform/text.h"
#include "trading/order_tables.h"

namespace corvala {
namespace {

constexpr int kMaxLinesPerPass = 201;
constexpr int kLastResyncRow = 2722;
constexpr int kMorningClosesAt = 11 * 3600 + 30 * 60;   // the lunch break runs from 11:30:00
constexpr int kAfternoonOpensAt = 12 * 3600 + 30 * 60;  // to 12:30:00

}  // namespace

void MarketState::ResetForDisplay() {
    marketBoard = board = {};
    overlay.Clear();
    limits = {};
    cells = {};
    tape.Clear();
    tapeCursor = 0;
    prevDisplayedPrice = currentPrintPrice = 0;
    spanFrom = spanLow = spanHigh = 0;
    spanNew = false;
    afternoonOpenFlag = lockedBoardHold = newOrderFlag = continueFlag = false;
    engineClock = lastFillStamp = 0;
    limitsFromFirstPrint = false;
    tapeRows.clear();
    overlayRefused = 0;
    firedLine = -1;
    firedOnLine.clear();
    heldBackTold.clear();
}

bool MarketState::NextLineOpens() const {
    return tapeCursor == 0 || OpensAfternoon(tape.At(tapeCursor));
}

bool MarketState::OpensAfternoon(const std::string& line) const {
    // In the morning session the market is open: the afternoon's first print is merely later.
    if (afternoonOpenFlag || engineClock < kMorningClosesAt) return false;
    const std::optional<int> at = ParseTimeOfDay(std::string_view(line).substr(0, 8));
    return at && *at >= kAfternoonOpensAt;
}

void MarketState::MarkFired(bool closing, int number) {
    if (firedLine != tapeCursor) {
        firedOnLine.clear();
        firedLine = tapeCursor;
    }
    firedOnLine.emplace_back(closing, number);
}

bool MarketState::NotePrint(double price, bool opening) {
    currentPrintPrice = price;
    if (!(price > 0)) return false;
    if (!spanNew) {
        if (opening) spanFrom = 0;  // an opening's gap was not traded through
        spanLow = spanHigh = price;
    }
    spanLow = std::min(spanLow, price);
    spanHigh = std::max(spanHigh, price);
    spanNew = true;
    const bool known = limitsFromFirstPrint;
    if (limitsFromFirstPrint) {
        limits = DailyPriceBand(price);
        limitsFromFirstPrint = false;
    }
    WidenLimits(Price::Nearest(price));
    return known;
}

MarketState::PrintSpan MarketState::TakePrintSpan() {
    const PrintSpan span = spanNew ? PrintSpan{spanFrom, spanLow, spanHigh} : PrintSpan{};
    spanFrom = currentPrintPrice > 0 ? currentPrintPrice : 0;
    spanLow = spanHigh = 0;
    spanNew = false;
    return span;
}

void MarketState::WidenLimits(Price price) {
    const std::int64_t p = price.tenths();
    if (limits.upper.tenths() > 0 && p > limits.upper.tenths()) limits.upper = price;
    if (limits.lower.tenths() > 0 && p > 0 && p < limits.lower.tenths()) limits.lower = price;
}

void MarketState::TakeRecordedBoard(const BoardRow& recorded) {
    marketBoard = BoardOf(recorded);
    for (const Price p : marketBoard.price) WidenLimits(p);
}

void MarketState::TakeFromMarket(bool sells, Shares quantity) {
    const int first = sells ? 5 : 0;
    Board& b = marketBoard;
    for (int i = first; i < first + 5 && quantity > 0; ++i) {
        const Shares take = std::min(b.Qty(i), quantity);
        b.Qty(i) -= take;
        quantity -= take;
    }
    // Emptied levels leave the side; the rest move up to the best places.
    int to = first;
    for (int i = first; i < first + 5; ++i) {
        if (b.Qty(i) <= 0) continue;
        b.At(to) = b.At(i);
        b.Qty(to) = b.Qty(i);
        ++to;
    }
    for (; to < first + 5; ++to) b.Empty(to);
}

bool MarketState::FiredOnThisLine(bool closing, int number) const {
    return firedLine == tapeCursor &&
           std::find(firedOnLine.begin(), firedOnLine.end(), std::pair{closing, number}) != firedOnLine.end();
}

void MarketState::RefreshOverlay(const OrderBook& book) { overlayRefused = 未実行注文確認(book, overlay); }

void MarketState::ComposeBoard(bool preOpen) { board = WithOverlay(marketBoard, overlay, preOpen, limits); }

void 初期板(MarketState& market, const DaySeries& stock, int row, bool preOpen, bool decimalPrices) {
    if (row < 0 || row >= kMaxRows) return;
    market.TakeRecordedBoard(stock.board[static_cast<std::size_t>(row)]);
    market.ComposeBoard(preOpen);
    ShowBoard(market.cells, market.board, decimalPrices);
}

void MatchingEngine::MatchPendingOrders(int second, const MatchContext& ctx) {
    m_.cells.highlighted.fill(false);
    const int clock = ctx.baseSeconds + second;
    // Behind the tape after a jump back: its lines are spent and the market has moved on, so
    // orders wait (the new-order flag stays up) until the clock has caught up.
    if (clock < m_.engineClock) return;
    m_.engineClock = clock;
    for (int pass = 0; pass < kMaxLinesPerPass && (m_.newOrderFlag || m_.tapeCursor <= m_.tapeCount());
         ++pass) {
        if (ctx.clockShown) MatchPrint(m_.tape.At(m_.tapeCursor), clock, ctx);
        m_.RefreshOverlay(book_);
        if (!m_.continueFlag) return;  // the line waits for a later sub-step
        if (m_.lineTaken) ++m_.tapeCursor;
    }
}

void MatchingEngine::MatchNewOrdersNow(const MatchContext& ctx) {
    // Behind the tape after a jump back the orders wait, as in any pass.
    if (!m_.newOrderFlag || !ctx.clockShown || ctx.shownSeconds < m_.engineClock) return;
    m_.cells.highlighted.fill(false);
    MatchPrint(m_.tape.At(m_.tapeCursor), m_.engineClock, ctx);
    m_.newOrderFlag = false;
    m_.RefreshOverlay(book_);
}

void MatchingEngine::MatchPrint(const std::string& line, int clock, const MatchContext& ctx) {
    const auto parsed = ReadTapeLine(line);
    if (line.empty() && !m_.newOrderFlag) return;
    m_.continueFlag = false;
    m_.lineTaken = true;
    if (!parsed && !line.empty()) {
        m_.continueFlag = true;  // a line without a readable time is passed over
        return;
    }
    TapeLine t = parsed.value_or(TapeLine{});
    // Prices are compared with the orders' exact ones: 999.8 read from a line must equal 999.8
    // typed into an order.
    if (t.price) t.price = Price::Nearest(*t.price).yen();
    const bool due = parsed && t.seconds <= clock;
    if (!due && !m_.newOrderFlag) return;

    // The opening is decided first: an opening line keeps its own price for the fills, the stops,
    // the tape row and the board, also for orders placed during the lunch break.
    bool opening = m_.tapeCursor == 0;
    if (m_.OpensAfternoon(line)) {
        // Only the line that is processed opens the afternoon; a look at it before it is due
        // must leave it the opening line.
        if (due) m_.afternoonOpenFlag = true;
        opening = true;
    }
    if (m_.newOrderFlag && opening) {
        m_.newOrderFlag = false;  // pre-open orders are handled by the opening line
        if (!due) return;
    }
    if (m_.newOrderFlag) {
        // A pass for orders just placed meets the market as it stands: its last trade and its
        // board. The line at the cursor has not printed yet; neither its price nor its volume
        // may be used before it is due.
        t.price = m_.currentPrintPrice > 0 ? std::optional<double>(m_.currentPrintPrice) : std::nullopt;
        t.volume.reset();
    } else if (ctx.simulationOn && t.price) {
        if (m_.NotePrint(*t.price, opening) && account_) WithdrawOrdersBeyondLimits(ctx);
    }
    if (m_.lockedBoardHold) {
        m_.lockedBoardHold = false;
        if (!opening) {
            m_.newOrderFlag = false;
            return;  // tried again at the next sub-step
        }
    }

    // An order pass takes nothing from the line's volume: the line is processed again.
    const int stamp = std::max(m_.lastFillStamp, ctx.shownSeconds >= 0 ? ctx.shownSeconds : clock);
    Line work{t, due && !m_.newOrderFlag, due, opening, 0, stamp};
    if (ctx.simulationOn && account_) TestOrders(work, ctx);
    const double filled = work.filled;
    t = work.t;

    // A pass for orders just placed tests them against the last price and leaves the line at the
    // cursor: its print is still to come (or, when due, is taken by the next pass) with its own
    // price and volume.
    if (m_.newOrderFlag) {
        m_.newOrderFlag = false;
        m_.lineTaken = false;
        m_.continueFlag = due;
        // An order that filled at once leaves the board now, not at the next print.
        if (filled > 0) {
            m_.ComposeBoard(ctx.preOpen);
            if (!ctx.skipping) ShowBoard(m_.cells, m_.board, ctx.decimalPrices);
        }
        return;
    }
    if (parsed) {
        const double volume = t.volume.value_or(0) + filled;
        AddTapeRow(t.time, Format(volume, "###,###"), t.price.value_or(0), ctx.decimalPrices);
    }
    if (!ctx.skipping && parsed && ctx.stock) {
        if (t.resync && ctx.currentRow <= kLastResyncRow) {
            // The marked print closes the step: the board is the snapshot it leads to, not the
            // step's own, whose levels the step has traded through.
            // (A line split in pieces marks each: the first brings it, with what changed.)
            const BoardRow& next = ctx.stock->board[static_cast<std::size_t>(ctx.currentRow + 1)];
            if (m_.marketBoard != BoardOf(next)) {
                m_.TakeRecordedBoard(next);
                m_.ComposeBoard(ctx.preOpen);
                ShowBoardWithChanges(m_.cells, m_.board, ctx.decimalPrices, /*atOldPlace=*/false);
            }
        } else if (t.volume && t.price && ctx.random) {
            板補正(m_.marketBoard, static_cast<std::int32_t>(std::max(0.0, *t.volume)), Price::Nearest(*t.price),
                 CorrectionInputs{ctx.fineTickMode, ctx.boardTotalQty, ctx.tradingUnit, *ctx.random, m_.limits});
            m_.ComposeBoard(ctx.preOpen);
            ShowBoardWithChanges(m_.cells, m_.board, ctx.decimalPrices, /*atOldPlace=*/true);
        }
    }
    m_.newOrderFlag = false;
    m_.continueFlag = true;
}

// Orders accepted while the limits were unknown (no previous close, no trade yet) are checked
// again once the first trade sets them: one with a price beyond them could never trade, nor be
// shown on the board, and is withdrawn with its reservation given back.
void MatchingEngine::WithdrawOrdersBeyondLimits(const MatchContext& ctx) {
    const PriceBand band = m_.limits;
    const auto beyond = [&](Price price) { return price.tenths() > 0 && band.Excludes(price); };
    const auto outside = [&](const Order& o) {
        return o.InUse() && (beyond(o.isMarket ? Price{} : o.limitPrice) || beyond(o.triggerPrice) || beyond(o.stopLimitPrice));
    };
    for (int slot = 0; slot < kOrderSlots; ++slot) {
        for (const bool closing : {false, true}) {
            const Order& o = closing ? static_cast<const Order&>(book_.pendingClosingOrders[static_cast<std::size_t>(slot)])
                                     : book_.pendingNewOrders[static_cast<std::size_t>(slot)];
            if (!outside(o)) continue;
            const int number = o.number;
            if (!closing) AdjustBuyingPower(*account_, o.reservedAmount);
            RemoveFilledOrder(book_, slot, closing ? RemoveMode::CancelledClosing : RemoveMode::NewOrder);
            m_.RefreshOverlay(book_);
            if (listener_) {
                listener_->OnOrderRemoved(slot, closing);
                listener_->OnRefusedByLimits(number, closing, band);
            }
        }
    }
    m_.ComposeBoard(ctx.preOpen);
}

void MatchingEngine::AddTapeRow(const std::string& time, const std::string& volume, double price,
                                bool decimalPrices) {
    TapeRow row;
    // The day's last line closes the session.
    row.time = m_.tapeCursor == m_.tapeCount() ? std::string("15:00:00") : time;
    row.volume = volume;
    row.price = FormatPrice(price, decimalPrices, true);
    const double prev = m_.prevDisplayedPrice;
    row.colour = prev != 0 && price > prev   ? colours::kTapeUp
                 : prev != 0 && price < prev ? colours::kTapeDown
                                             : colours::kTapeSame;
    m_.prevDisplayedPrice = price;
    m_.tapeRows.push_back(std::move(row));
}

}  // namespace corvala
