// The stock side of the market model: a tick-by-tick random walk around a slowly drifting level,
// with the opening, lunch and closing auctions and the board around the last trade.

#include <algorithm>

#include "demo_data/board_builder.h"
#include "demo_data/market_model.h"
#include "base/price_rules.h"

namespace corvala {
namespace {

constexpr std::int64_t kUnit = 100;
constexpr int kAfternoonOpen = kDemoMorningLines;
// On the limit-up day the board goes blank at 13:40 (orders pulled on news) and trading resumes
// at the limit six minutes later.
constexpr int kHaltStart = kDemoMorningLines + 70 * 12;
constexpr int kHaltEnd = kHaltStart + 6 * 12;

class StockDay {
  public:
    StockDay(const StockModel& m, std::int64_t prevClose, std::uint64_t seed, bool limitUp);
    DayPath Run();

  private:
    std::int64_t Clamp(std::int64_t p) const;
    std::int64_t Move(std::int64_t p, int ticks) const;
    int WalkTicks(int line);
    void Trade(Snapshot& s, std::int64_t price, std::int64_t lots, int seconds);
    void QuoteAroundPrice(Snapshot& s, const Snapshot* prev, int movedTicks);
    void PreOpen(Snapshot& s, const Snapshot* prev, int line);
    void Pinned(Snapshot& s, const Snapshot* prev, int line);

    const StockModel& m_;
    DemoRng rng_;
    bool limitUp_;
    DayPath day_;
    BoardShape shape_;
    std::int64_t capBeforeLimit_;
    int drift_ = 0;
    std::int64_t price_ = 0;
    std::int64_t cum_ = 0;
    std::int64_t sum_ = 0;  // hundredths × shares, for the VWAP
    int lastTrade_ = -1;
    std::int64_t limitBidLots_ = 0;
};

StockDay::StockDay(const StockModel& m, std::int64_t prevClose, std::uint64_t seed, bool limitUp)
    : m_(m), rng_(seed), limitUp_(limitUp) {
    day_.prevClose = prevClose;
    day_.lines.resize(kDemoLines);
    const std::int64_t width =
        std::int64_t{DailyPriceLimit(static_cast<double>(prevClose) / 100)} * 100;
    shape_.tick = m.tick;
    shape_.unit = kUnit;
    shape_.depthLots = m.depthLots;
    shape_.upper = prevClose + width;
    shape_.lower = std::max({prevClose - width, std::int64_t{100}, m.floorPrice + 1});
    capBeforeLimit_ = shape_.upper - 6 * TickBelowOrAt(shape_.upper - 1, m.tick);
    drift_ = static_cast<int>(rng_.Range(-m.movePerMille / 12, m.movePerMille / 12));
}

std::int64_t StockDay::Clamp(std::int64_t p) const {
    // The limit itself may sit off the grid above a band bound; the last grid price inside counts.
    while (p > shape_.upper) p = TickDown(p, m_.tick);
    // Five ticks of room above the floor keep the deepest bid above it too.
    const std::int64_t floor =
        m_.floorPrice > 0 ? m_.floorPrice + 5 * TickBelowOrAt(m_.floorPrice + 1, m_.tick) : 0;
    while (p < shape_.lower || p <= floor) p = TickUp(p, m_.tick);
    if (limitUp_) p = std::min(p, capBeforeLimit_);
    return p;
}

std::int64_t StockDay::Move(std::int64_t p, int ticks) const {
    for (; ticks > 0; --ticks) p = TickUp(p, m_.tick);
    for (; ticks < 0; ++ticks) p = TickDown(p, m_.tick);
    return Clamp(p);
}

// Ticks the next trade moves the price: the day's own drift plus a pull back toward the stock's
// usual level, so that a week of days does not wander off.
int StockDay::WalkTicks(int line) {
    int bias = drift_;
    if (limitUp_) {
        bias = line < kAfternoonOpen ? m_.movePerMille / 40 : m_.movePerMille / 8;
    } else {
        const std::int64_t dev = (price_ - m_.basePrice) * 1000 / m_.basePrice;
        const int pull = m_.movePerMille / 5;
        bias += static_cast<int>(std::clamp<std::int64_t>(-dev / 2, -pull, pull));
    }
    const int up = m_.movePerMille / 2 + bias;
    const int down = m_.movePerMille / 2 - bias;
    const std::int64_t u = rng_.Below(1000);
    int ticks = u < up ? 1 : u < up + down ? -1 : 0;
    if (ticks != 0 && rng_.Chance(m_.jumpPerMille)) ticks *= 2;
    return ticks;
}

void StockDay::Trade(Snapshot& s, std::int64_t price, std::int64_t lots, int seconds) {
    price_ = price;
    cum_ += lots * kUnit;
    sum_ += price * lots * kUnit;
    lastTrade_ = seconds;
    s.price = price_;
    s.cumVolume = cum_;
    s.lastTradeSeconds = lastTrade_;
    s.vwapTenths = (sum_ + 5 * cum_) / (10 * cum_);
}

// One tick of spread most of the time: the last trade sits on the side it traded against, and
// now and then a level has just been taken out and the spread is two ticks wide.
void StockDay::QuoteAroundPrice(Snapshot& s, const Snapshot* prev, int movedTicks) {
    const bool onBid = rng_.Chance(movedTicks > 0 ? 300 : movedTicks < 0 ? 700 : 500);
    std::int64_t bid = onBid ? price_ : TickDown(price_, m_.tick);
    std::int64_t ask = onBid ? TickUp(price_, m_.tick) : price_;
    if (rng_.Chance(60)) {
        bid = TickDown(price_, m_.tick);
        ask = TickUp(price_, m_.tick);
    }
    FillBoard(s, bid, ask, shape_, prev, rng_);
}

// Before a late opening only one side is quoted, at an indicated price that steps toward the
// coming open every three minutes.
void StockDay::PreOpen(Snapshot& s, const Snapshot* prev, int line) {
    const std::int64_t from = day_.prevClose;
    const std::int64_t to = day_.open;
    const int step = line / 36 + 1;
    const int steps = day_.openLine / 36 + 1;
    const std::int64_t indicated = Clamp(SnapToGrid(from + (to - from) * step / steps, m_.tick));
    BoardShape heavy = shape_;
    heavy.depthLots = m_.depthLots * 4;
    if (to >= from)
        FillBoard(s, indicated, 0, heavy, prev, rng_);
    else
        FillBoard(s, 0, indicated, heavy, prev, rng_);
}

// At the upper limit nobody sells: the ask side is empty and a wall of bids waits at the limit;
// now and then a seller appears and is filled at once.
void StockDay::Pinned(Snapshot& s, const Snapshot* prev, int line) {
    const std::int64_t limit = shape_.upper;
    if (line == kHaltEnd) {
        Trade(s, limit, m_.lotsPerTrade * rng_.Range(150, 250), s.seconds);
        limitBidLots_ = rng_.Range(8000, 15000);
    } else if (line == kDemoClosingLine) {
        const std::int64_t lots = m_.lotsPerTrade * rng_.Range(200, 300);
        Trade(s, limit, lots, s.seconds);
        limitBidLots_ = std::max<std::int64_t>(1000, limitBidLots_ - lots);
    } else if (rng_.Chance(40)) {
        const std::int64_t lots = 1 + rng_.Below(m_.lotsPerTrade);
        Trade(s, limit, lots, s.seconds - static_cast<int>(rng_.Below(5)));
        limitBidLots_ = std::max<std::int64_t>(1000, limitBidLots_ - lots);
    }
    limitBidLots_ = std::max<std::int64_t>(1000, limitBidLots_ + rng_.Range(-60, 120));
    FillBoard(s, limit, 0, shape_, prev, rng_);
    s.bids[0].qty = limitBidLots_ * kUnit;
}

DayPath StockDay::Run() {
    const std::int64_t prev = day_.prevClose;
    const int gapMax = m_.gapPerMille;
    const std::int64_t dev = (m_.basePrice - prev) * 1000 / prev;
    std::int64_t gap =
        rng_.Range(-gapMax, gapMax) + std::clamp<std::int64_t>(dev / 3, -gapMax, gapMax);
    if (limitUp_) gap = rng_.Range(gapMax / 2, gapMax);
    day_.open = Clamp(SnapToGrid(prev + prev * gap / 1000, m_.tick));
    day_.openLine = m_.lateOpenLine == 0 ? 0 : m_.lateOpenLine + static_cast<int>(rng_.Below(36));

    for (int line = 0; line < kDemoLines; ++line) {
        Snapshot& s = day_.lines[static_cast<std::size_t>(line)];
        const Snapshot* before =
            line > 0 ? &day_.lines[static_cast<std::size_t>(line - 1)] : nullptr;
        s.seconds = SnapshotSeconds(line);
        if (before != nullptr && line > day_.openLine) {
            s.price = before->price;
            s.cumVolume = before->cumVolume;
            s.lastTradeSeconds = before->lastTradeSeconds;
            s.vwapTenths = before->vwapTenths;
        }
        if (line < day_.openLine) {
            PreOpen(s, before, line);
            continue;
        }
        if (limitUp_ && line >= kHaltStart) {
            if (line >= kHaltEnd) Pinned(s, before, line);
            continue;  // during the halt the board stays empty and nothing trades
        }

        int moved = 0;
        if (line == day_.openLine) {
            Trade(s, day_.open, m_.lotsPerTrade * rng_.Range(30, 70), s.seconds);
            // The five seconds after the opening auction often trade a tick away already.
            if (rng_.Chance(250)) {
                moved = rng_.Chance(500) ? 1 : -1;
                Trade(s, Move(day_.open, moved), 1 + rng_.Below(m_.lotsPerTrade), s.seconds);
            }
        } else if (line == kAfternoonOpen) {
            moved = static_cast<int>(rng_.Range(-2, 2));
            Trade(s, Move(price_, moved), m_.lotsPerTrade * rng_.Range(4, 10), s.seconds);
        } else if (line == kDemoClosingLine) {
            moved = static_cast<int>(rng_.Range(-1, 1));
            Trade(s, Move(price_, moved), m_.lotsPerTrade * rng_.Range(25, 60), s.seconds);
        } else {
            const int activity = ActivityPerMille(line);
            if (!rng_.Chance(activity)) {
                // A quiet five seconds: the same quotes, the resting orders come and go.
                FillBoard(s, before->bids[0].price, before->asks[0].price, shape_, before, rng_);
                continue;
            }
            moved = WalkTicks(line);
            // The run-up to a limit-up draws several times the usual turnover.
            const int scale = limitUp_ ? (line < kAfternoonOpen ? 2 : 4) : 1;
            const std::int64_t lots =
                1 + rng_.Below(2 * scale * m_.lotsPerTrade * (activity + 300) / 1000);
            Trade(s, Move(price_, moved), lots, s.seconds - static_cast<int>(rng_.Below(5)));
        }
        QuoteAroundPrice(s, before, moved);
    }
    return std::move(day_);
}

}  // namespace

DayPath SimulateStockDay(const StockModel& model, std::int64_t prevClose, std::uint64_t seed,
                         bool limitUpDay) {
    StockDay day(model, prevClose, seed, limitUpDay);
    return day.Run();
}

}  // namespace corvala
