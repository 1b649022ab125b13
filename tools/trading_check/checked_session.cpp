#include "trading_check/checked_session.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "account/account.h"
#include "account/history.h"
#include "app/simulation.h"
#include "base/price_rules.h"
#include "data/csv.h"
#include "market/tape.h"
#include "platform/cp932.h"
#include "platform/files.h"
#include "platform/system.h"
#include "platform/text.h"
#include "platform/virtual_scheduler.h"
#include "trading/closing_order.h"
#include "trading/order_tables.h"
#include "trading_check/counterparty.h"

namespace corvala::check {
namespace {

class FixedToday final : public Clock {
public:
    Ymd Today() const override { return {2022, 11, 30}; }
    std::int64_t NowMs() const override { return 0; }
};

// Says yes unless told otherwise, or asks the user; an error box is a failure of the session
// once the day is on screen.
class ScriptedDialogs final : public Dialogs {
public:
    std::function<void(const std::string&)> errorBox = [](const std::string&) {};
    std::function<bool(const std::string&)> ask;  // when set, the user answers
    bool answer = true;
    std::map<std::string, bool> answered;  // the questions of the last ■ and their answers
    void ShowError(int number, const std::string& text) override { errorBox(std::to_string(number) + " " + text); }
    bool Ask(const std::string&, const std::string& text) override {
        const bool yes = ask ? ask(text) : answer;
        answered[text] = yes;
        return yes;
    }
    void ShowNotice(const std::string&, const std::string&) override {}  // a refusal, as the outcome says
};

bool Whole(double v) { return std::isfinite(v) && v == std::floor(v); }

std::string Num(double v) {
    std::ostringstream s;
    s.precision(12);
    s << v;
    return s.str();
}
std::string Num(Side side) { return Num(CodeOf(side)); }

// The lines of a history file as the program reads them: CP932, CR LF.
struct HistoryFile {
    std::vector<std::string> lines;
    bool bareLineFeed = false;
};

HistoryFile ReadHistory(const std::string& path) {
    HistoryFile h;
    const auto bytes = ReadWholeFile(path);
    if (!bytes) return h;
    const std::string text = DecodeCp932(*bytes);
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t lf = text.find('\n', start);
        if (lf == std::string::npos) {
            h.lines.push_back(text.substr(start));
            break;
        }
        if (lf == start || text[lf - 1] != '\r') h.bareLineFeed = true;
        const std::size_t end = lf > start && text[lf - 1] == '\r' ? lf - 1 : lf;
        h.lines.push_back(text.substr(start, end - start));
        start = lf + 1;
    }
    return h;
}

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string_view> views;
    SplitFields(line, views);
    return {views.begin(), views.end()};
}

// The data rows: not the header, not the summary block, not a reset marker, not empty.
std::vector<std::string> DataRows(const HistoryFile& h, const char* header) {
    std::vector<std::string> rows;
    for (const std::string& line : h.lines) {
        if (line.empty() || line == header || line.rfind(",,,,,,,,,,,", 0) == 0 || line.rfind("*****", 0) == 0)
            continue;
        rows.push_back(line);
    }
    return rows;
}

// The numbers of a table that an unchanged outcome must leave as they were.
bool SameOrder(const Order& a, const Order& b) {
    return a.number == b.number && a.side == b.side && a.quantity == b.quantity && a.limitPrice == b.limitPrice &&
           a.kind == b.kind && a.triggerPrice == b.triggerPrice && a.triggerDirection == b.triggerDirection &&
           a.stopExecution == b.stopExecution && a.stopLimitPrice == b.stopLimitPrice &&
           a.reservedAmount == b.reservedAmount && a.isMarket == b.isMarket;
}

bool SameBook(const OrderBook& a, const OrderBook& b) {
    for (std::size_t i = 0; i < kOrderSlots; ++i) {
        if (!SameOrder(a.pendingNewOrders[i], b.pendingNewOrders[i])) return false;
        const ClosingOrder &x = a.pendingClosingOrders[i], &y = b.pendingClosingOrders[i];
        if (!SameOrder(x, y) || x.closeSlots != y.closeSlots || x.closeQuantities != y.closeQuantities) return false;
        const Position &p = a.positions[i], &q = b.positions[i];
        if (p.number != q.number || p.side != q.side || p.quantity != q.quantity || p.price != q.price ||
            p.committedQty != q.committedQty)
            return false;
    }
    return true;
}

template <class Table>
int Used(const Table& table) {
    return static_cast<int>(std::count_if(table.begin(), table.end(), [](const auto& o) { return o.InUse(); }));
}


}  // namespace

void Tally::Add(const Tally& c) {
    sessions += c.sessions, runs += c.runs, steps += c.steps, identityChecks += c.identityChecks;
    fills += c.fills, closingFills += c.closingFills, stopsFired += c.stopsFired;
    for (int k = 0; k < 3; ++k) stored[k] += c.stored[k];
    marketStored += c.marketStored, sellStored += c.sellStored, corrections += c.corrections;
    closingCorrections += c.closingCorrections, cancels += c.cancels, closingStored += c.closingStored;
    bulkClosings += c.bulkClosings, tableFull += c.tableFull, noFunds += c.noFunds;
    declined += c.declined, missing += c.missing, fullPositionTable += c.fullPositionTable;
    badPrice += c.badPrice, jumpsBack += c.jumpsBack, jumpsForward += c.jumpsForward, stops += c.stops;
    kept += c.kept, failures += c.failures;
}

class CheckedSession::Impl {
public:
    Impl(const SessionPlan& plan, Choices& user, FailureSink failed)
        : plan_(plan),
          user_(user),
          failed_(std::move(failed)),
          random_(plan.seed),
          sim_(Ports{dialogs_, clock_, random_, scheduler_}, plan.installFolder) {
        dialogs_.errorBox = [this](const std::string& text) {
            if (!displaying_ || plan_.knownGoodDay) Fail("error box " + text);
        };
        sim_.day().FixDaySeed(plan.seed);  // the plan's seed draws the day's boards and tape
    }

    Tally Run() {
        tally_.sessions = 1;
        if (!sim_.StartUp(plan_.dataFolder)) {
            Fail("no start-up");
            return tally_;
        }
        sim_.trading().RestoreAccount(plan_.investment, plan_.profitTotal, plan_.lossTotal, plan_.cashOnly);
        sim_.trading().SetFillRule(plan_.fillRule);
        for (int run = 0; run < std::max(1, plan_.runs) && !abandoned_; ++run) {
            if (run > 0) {
                if (user_.Exhausted()) break;
                ChangeAccount();
            }
            if (!PlayRun()) break;
        }
        ReportRepeats();
        tally_.failures = failures_;
        return tally_;
    }

private:
    // ---- One run of the day ------------------------------------------------------------------

    bool PlayRun() {
        sim_.day().SetDateText(plan_.date);
        sim_.day().SetCodeText(plan_.code);
        midSession_ = plan_.roaming && Chance(20);
        if (midSession_) {
            const int minutes = Between(0, 299);  // 09:00–11:29 and 12:30–14:59
            const int at = minutes < 150 ? 9 * 60 + minutes : 12 * 60 + 30 + minutes - 150;
            const std::string h = std::to_string(at / 60), m = (at % 60 < 10 ? "0" : "") + std::to_string(at % 60);
            sim_.day().SetStartTimeText(h, m);
            Log("start at " + h + ":" + m);
        }
        sim_.replay().SetSimulationChecked(true);
        displaying_ = true;
        const bool loaded = sim_.day().DisplayDay() == Simulation::DisplayOutcome::Loaded;
        displaying_ = false;
        if (!loaded) {
            if (plan_.knownGoodDay) Fail("the day did not load");
            return false;
        }
        if (!sim_.replay().running()) return false;  // a day that cannot be traded
        ++tally_.runs;
        ResetRun();
        const DaySeries& stock = sim_.day().data()[SeriesSlot::DayStock];
        unit_ = sim_.day().data().tradingUnit > 0 ? sim_.day().data().tradingUnit : 100;
        prevClose_ = stock.prevClose;
        day_.rows = stock.lastRow + 1;
        cash_ = sim_.trading().account().cashOnly;
        const PriceBand& band = sim_.trading().market().limits;
        if (prevClose_ > 0 && std::fabs(band.upper - (prevClose_ + DailyPriceLimit(prevClose_))) > 0.01)
            Fail("the day's limits " + Num(band.upper));

        CheckTapeVolume(stock);

        // The buying power of the run's start: the investment field at the totals of the
        // display, times the leverage.
        Account atDisplay = sim_.trading().account();
        atDisplay.profitTotal = atDisplay.totalsSnapshot[0];
        atDisplay.lossTotal = atDisplay.totalsSnapshot[1];
        startPower_ = RestingBuyingPower(atDisplay);
        startNet_ = atDisplay.Net();
        if (sim_.trading().account().buyingPower != startPower_)
            Fail("buying power at display " + Num(sim_.trading().account().buyingPower) + ", investment × leverage " +
                 Num(startPower_));

        const std::string history = JoinPath(plan_.installFolder, kHistoryFolder);
        executionsBefore_ = DataRows(ReadHistory(JoinPath(history, kExecutionFile)), kExecutionHeader).size();
        realizedBefore_ = DataRows(ReadHistory(JoinPath(history, kRealizedFile)), kRealizedHeader).size();

        NextActionFrom(0);
        sim_.replay().SetStepObserver([this](int) {
            if (stopped_) return;  // winding down after ■
            ++tally_.steps;
            Check("at the step");
            if (sim_.replay().clock().stepsRun >= nextAction_) {
                Act();
                NextActionFrom(sim_.replay().clock().stepsRun);
            }
            // Now and then back to the bar's start: what follows replays a stretch already traded.
            if (Chance(1) && Chance(25) && sim_.display().controls.playback[kBarBack].Accepts()) {
                Log("≪");
                sim_.replay().PressPlayback(kBarBack);
                ++tally_.jumpsBack;
                jumped_ = true;
            }
            // After a fill cut the speed, the user now and then turns it up again.
            if (sim_.display().speed.speed < 30 && Chance(5)) sim_.replay().speed().SetSpeedScroll(1);
        });
        stopped_ = false;
        while (sim_.replay().running() && !abandoned_) {
            if (sim_.replay().waitingForPlay()) {
                // Orders for the opening print, before 09:00 and before the afternoon.
                for (int n = Between(0, 4); n > 0; --n) Act();
                Check("before play");
                sim_.replay().speed().SetSpeedScroll(1);
                sim_.replay().PressPlayback(kPlayPause);
            } else if (sim_.replay().clock().paused && sim_.replay().clock().replayReady && !sim_.replay().clock().preOpenPhase) {
                sim_.replay().PressPlayback(kPlayPause);  // the user paused: play on
            }
            // The fuzz user's bytes are used up: the run ends with ■ and Yes to everything.
            if (plan_.roaming && !stopped_ && (user_.Exhausted() || stopWanted_)) PressStop(user_.Exhausted());
            if (!sim_.replay().running()) break;
            if (!scheduler_.RunOne()) {
                Fail("the replay waits for nothing");
                break;
            }
            if (!stopped_) Check("after a callback");
        }
        sim_.replay().SetStepObserver({});
        if (abandoned_) return false;
        if (stopped_)
            CheckStopped();
        else
            CheckEndOfDay();
        return true;
    }

    void ResetRun() {
        fillsSeen_ = 0;
        lastFillSeconds_ = 0;
        furthestClock_ = 0;
        opened_ = {};
        closed_ = {};
        seenNew_.clear();
        seenClosing_.clear();
        lastNew_ = {};
        lastClosing_ = {};
        highestNewNumber_ = highestClosingNumber_ = 0;
        lastUpper_ = lastLower_ = 0;  // a new run learns the day's limits again
        wholeRun_ = true;
        jumped_ = false;
        stopWanted_ = false;
    }

    void NextActionFrom(int step) {
        const int most = plan_.maxStepsBetweenActions > 0 ? plan_.maxStepsBetweenActions
                                                          : 2 * plan_.profile.stepsBetweenActions;
        nextAction_ = step + 1 + Between(0, most);
    }

    // ■: stop? then keep the run or not; the answers are the user's (all Yes once the fuzz
    // input is used up).
    void PressStop(bool yesToAll) {
        stopWanted_ = false;
        if (!sim_.display().controls.playback[kStop].Accepts()) return;
        dialogs_.answered.clear();
        dialogs_.ask = [this, yesToAll](const std::string&) { return yesToAll || Chance(70); };
        Log("■");
        sim_.replay().PressPlayback(kStop);
        dialogs_.ask = nullptr;
        ++tally_.stops;
        if (!sim_.replay().running() || !sim_.replay().clock().replayReady) stopped_ = true;
    }

    // After ■ with Yes the tables are empty and the buying power whole. A kept run settled its
    // positions and wrote them; a discarded one returns the totals to where they were and
    // writes nothing.
    void CheckStopped() {
        when_ = "after ■";
        settling_ = true;  // the settlement is at the last trade, and no trade of the market
        TakeNewFills();
        settling_ = false;
        const OrderBook& book = sim_.trading().orders();
        const Account& a = sim_.trading().account();
        if (Used(book.positions) != 0 || Used(book.pendingNewOrders) != 0 || Used(book.pendingClosingOrders) != 0)
            Fail("after ■ " + std::to_string(Used(book.positions)) + " positions, " +
                 std::to_string(Used(book.pendingNewOrders)) + " new and " +
                 std::to_string(Used(book.pendingClosingOrders)) + " closing orders remain");
        if (a.buyingPower != RestingBuyingPower(a))
            Fail("after ■ buying power " + Num(a.buyingPower) + ", investment × leverage " +
                 Num(RestingBuyingPower(a)));
        bool kept = false;
        for (const auto& [question, yes] : dialogs_.answered)
            if (question.find("強制決済") != std::string::npos || question.find("記録として") != std::string::npos) kept = yes;
        if (kept) {
            ++tally_.kept;
            for (int side = 1; side <= 3; ++side)
                if (opened_[static_cast<std::size_t>(side)] != closed_[static_cast<std::size_t>(side)])
                    Fail("after ■ side " + std::to_string(side) + ": " + Num(opened_[static_cast<std::size_t>(side)]) +
                         " shares opened, " + Num(closed_[static_cast<std::size_t>(side)]) + " closed");
            if (wholeRun_ && a.Net() - startNet_ != a.runPnl)
                Fail("the totals moved by " + Num(a.Net() - startNet_) + " but the run's result is " + Num(a.runPnl));
            CheckHistory();
            return;
        }
        if (a.Net() != startNet_) Fail("a run not kept moved the totals by " + Num(a.Net() - startNet_));
        const std::string folder = JoinPath(plan_.installFolder, kHistoryFolder);
        if (DataRows(ReadHistory(JoinPath(folder, kExecutionFile)), kExecutionHeader).size() != executionsBefore_)
            Fail("a run not kept wrote execution rows");
    }

    // The account panel between runs: cash only, another investment (typed, sometimes badly),
    // the totals reset.
    void ChangeAccount() {
        if (Chance(30)) {
            sim_.trading().SetCashOnly(!sim_.trading().account().cashOnly);
            Log(std::string("cash only ") + (sim_.trading().account().cashOnly ? "on" : "off"));
        }
        if (Chance(40)) {
            static const char* typed[] = {"", "abc", "-5", "0", "99999999999", "500000", "3000000", "1,000,000", "12000000"};
            const std::string t = typed[Between(0, 8)];
            sim_.trading().SetInvestmentEditing(true);
            sim_.trading().SetInvestmentText(t);
            sim_.trading().SetInvestmentEditing(false);
            Log("investment '" + t + "'");
        }
        if (Chance(15)) {
            sim_.trading().PressResetTotals();
            Log("reset totals");
        }
    }

    // The controls a user plays with besides the orders.
    void Roam() {
        const int r = Between(0, 99);
        const auto press = [this](int button, const char* name) {
            if (!sim_.display().controls.playback[static_cast<std::size_t>(button)].Accepts()) return false;
            Log(name);
            sim_.replay().PressPlayback(button);
            return true;
        };
        if (r < 20) {
            if (press(kBarBack, "≪")) ++tally_.jumpsBack, jumped_ = true;
        } else if (r < 40) {
            if (press(kBarForward, "≫")) ++tally_.jumpsForward, jumped_ = true;
        } else if (r < 50) {
            if (press(kMinuteForward, "1分後")) ++tally_.jumpsForward, jumped_ = true;
        } else if (r < 58) {
            if (press(kStepForward, "→")) ++tally_.jumpsForward, jumped_ = true;
        } else if (r < 75) {
            const int v = Between(-3, 3);
            sim_.replay().speed().SetSpeedScroll(v);
            Log("speed " + std::to_string(v));
        } else if (r < 82) {
            sim_.replay().speed().SetLowSpeed(Chance(50));
            Log("low speed");
        } else if (r < 92) {
            press(kPlayPause, "pause");
        } else {
            stopWanted_ = true;  // ■ between callbacks, as a click comes
        }
    }

    // ---- Reporting ---------------------------------------------------------------------------

    std::string Where() const {
        std::string w = "seed " + std::to_string(plan_.seed) + " date " + plan_.date + " code " + plan_.code +
                        " step " + std::to_string(sim_.replay().clock().stepsRun) + " (" + sim_.display().clockText + ")";
        if (!log_.empty()) {
            w += "\n  recent actions:";
            for (const std::string& line : log_) w += "\n    " + line;
        }
        return w;
    }
    void Log(const std::string& what) {
        log_.push_back("step " + std::to_string(sim_.replay().clock().stepsRun) + " " + sim_.display().clockText + ": " + what);
        // CORVALA_CHECK_TRACE=1: every action and fill with the buying power after it.
        if (trace_) std::fprintf(stderr, "%s [buying power %s]\n", log_.back().c_str(), Num(sim_.trading().account().buyingPower).c_str());
        if (log_.size() > 8) log_.pop_front();
    }
    // Each kind of failure (the message without its figures) is reported once per session with
    // the steps that led to it; how often each came back is said when the session ends.
    void Fail(const std::string& what) {
        std::string kind;
        for (char c : what)
            if ((c < '0' || c > '9') && c != '-' && c != '.') kind += c;
        ++failures_;
        if (++repeats_[kind] > 1) return;
        failed_(kind, Where() + "\n  " + what + (when_ ? std::string(" (") + when_ + ")" : std::string()));
        if (repeats_.size() >= 20) abandoned_ = true;  // too broken to read further
    }
    void ReportRepeats() const {
        std::string repeated;
        for (const auto& [kind, count] : repeats_)
            if (count > 1) repeated += "\n  " + std::to_string(count) + " times: " + kind;
        if (!repeated.empty())
            failed_("repeated", "seed " + std::to_string(plan_.seed) + " date " + plan_.date + " code " + plan_.code +
                                    ", the failures above in all:" + repeated);
    }

    // ---- The invariants ----------------------------------------------------------------------

    // The day's tape prints every share the file traded once: its volume is the day's (the rows
    // before the first trade are counted by the opening print).
    void CheckTapeVolume(const DaySeries& stock) {
        const int unit = sim_.day().data().tradingUnit;
        if (stock.lastRow < kClosingRow || unit <= 0) return;
        double volume = 0;
        for (const std::string& line : sim_.trading().market().tape.lines())
            if (const auto t = ReadTapeLine(line); t && t->volume) volume += *t->volume;
        const double day = stock.cumVolume[kClosingRow] * unit;
        if (std::fabs(volume - day) > 0.5) Fail("the tape prints " + Num(volume) + " shares of the day's " + Num(day));
    }

    // The board the user sees and the market's own: on the grid, within the limits, asks above
    // bids.
    void CheckBoard() {
        if (sim_.replay().dayCompleted()) return;
        const MarketState& m = sim_.trading().market();
        const bool fine = sim_.day().data().fineTickMode;
        for (const Board* b : {&m.board, &m.marketBoard}) {
            for (int i = 0; i < kBoardLevels; ++i) {
                const double p = b->At(i);
                if (p == 0) continue;
                if (p < 0 || !OnPriceGrid(p, fine)) Fail("a board price " + Num(p) + " off the price grid");
                if (m.limits.upper > 0 && m.limits.Excludes(b->At(i)))
                    Fail("a board price " + Num(p) + " beyond the day's limits " + Num(m.limits.lower) + "–" +
                         Num(m.limits.upper));
            }
        }
        if (m.limits.upper > 0 && lastUpper_ > 0 && (m.limits.upper < lastUpper_ || m.limits.lower > lastLower_))
            Fail("the day's limits narrowed");
        lastUpper_ = m.limits.upper;
        lastLower_ = m.limits.lower;
    }

    void Check(const char* when) {
        if (abandoned_) return;
        const OrderBook& book = sim_.trading().orders();
        const Account& a = sim_.trading().account();
        when_ = when;
        TakeNewFills();
        Remember(book);
        furthestClock_ = std::max(furthestClock_, ClockNow());
        if (!sim_.replay().dayCompleted() && a.buyingPower < 0) Fail("buying power " + Num(a.buyingPower) + " below 0");
        CheckBoard();

        // The tables: used slots carry unique numbers and sensible quantities; free slots
        // hold nothing; the pending list shows each used slot once.
        std::vector<int>& numbers = numbers_;
        numbers.clear();
        for (const Order& o : book.pendingNewOrders) {
            if (!o.InUse()) {
                if (o.quantity != 0 || o.reservedAmount != 0) Fail("a free new-order slot holds an order");
                continue;
            }
            numbers.push_back(o.number);
            if (o.quantity <= 0 || o.quantity % unit_ != 0)
                Fail("new order " + Num(o.number) + " quantity " + Num(o.quantity));
            if (o.reservedAmount < 0) Fail("new order " + Num(o.number) + " reserves " + Num(o.reservedAmount));
        }
        CheckUnique(numbers, "new-order");
        numbers.clear();
        for (const ClosingOrder& o : book.pendingClosingOrders)
            if (o.InUse()) numbers.push_back(o.number);
        CheckUnique(numbers, "closing-order");
        numbers.clear();
        for (const Position& p : book.positions)
            if (p.InUse()) numbers.push_back(p.number);
        CheckUnique(numbers, "position");
        const int pending = Used(book.pendingNewOrders) + Used(book.pendingClosingOrders);
        if (static_cast<int>(sim_.display().pendingLines.size()) != pending)
            Fail("the pending list shows " + std::to_string(sim_.display().pendingLines.size()) + " lines for " +
                 std::to_string(pending) + " orders");
        if (Used(book.positions) == kOrderSlots) tally_.fullPositionTable = 1;

        // Positions and the closing orders allocated to them.
        std::array<double, kOrderSlots> allocated{};
        for (const ClosingOrder& o : book.pendingClosingOrders) {
            if (!o.InUse()) continue;
            const auto slots = AllocationList(o.closeSlots);
            const auto quantities = AllocationList(o.closeQuantities);
            if (slots.empty() || slots.size() != quantities.size()) {
                Fail("closing order " + Num(o.number) + " allocation '" + o.closeSlots + "' / '" + o.closeQuantities +
                     "'");
                continue;
            }
            double sum = 0;
            for (std::size_t k = 0; k < slots.size(); ++k) {
                const double s = LeadingNumber(slots[k]);
                const double q = LeadingNumber(quantities[k]);
                if (s < 0 || s >= kOrderSlots || s != std::floor(s)) {
                    Fail("closing order " + Num(o.number) + " names slot " + slots[k]);
                    continue;
                }
                const Position& p = book.positions[static_cast<std::size_t>(s)];
                if (!p.InUse() || p.side != o.side)
                    Fail("closing order " + Num(o.number) + " (side " + Num(o.side) + ") is allocated to slot " +
                         slots[k] + " holding " + (p.InUse() ? "side " + Num(p.side) : std::string("nothing")));
                if (q <= 0) Fail("closing order " + Num(o.number) + " takes " + quantities[k] + " from slot " + slots[k]);
                allocated[static_cast<std::size_t>(s)] += q;
                sum += q;
            }
            if (sum != o.quantity)
                Fail("closing order " + Num(o.number) + " of " + Num(o.quantity) + " shares is allocated " + Num(sum));
        }
        for (std::size_t i = 0; i < kOrderSlots; ++i) {
            const Position& p = book.positions[i];
            if (!p.InUse()) {
                if (p.quantity != 0 || p.committedQty != 0) Fail("free position slot " + std::to_string(i) + " holds shares");
                continue;
            }
            if (p.quantity <= 0 || p.committedQty < 0 || p.committedQty > p.quantity)
                Fail("position " + Num(p.number) + ": committed " + Num(p.committedQty) + " of " + Num(p.quantity));
            if (allocated[i] != p.committedQty)
                Fail("position " + Num(p.number) + " in slot " + std::to_string(i) + " has " + Num(p.committedQty) +
                     " committed but pending closing orders take " + Num(allocated[i]));
            if (p.closeQtyInput != 0 && !inDialog_) Fail("position " + Num(p.number) + " keeps a row quantity");
        }

        // Shares: what the fills opened less what they closed is what the positions hold.
        for (int side = 1; side <= 3; ++side) {
            double held = 0;
            for (const Position& p : book.positions)
                if (p.InUse() && CodeOf(p.side) == side) held += static_cast<double>(p.quantity);
            if (held != opened_[static_cast<std::size_t>(side)] - closed_[static_cast<std::size_t>(side)])
                Fail("side " + std::to_string(side) + " positions hold " + Num(held) + " shares; fills opened " +
                     Num(opened_[static_cast<std::size_t>(side)]) + " and closed " +
                     Num(closed_[static_cast<std::size_t>(side)]));
        }

        if (sim_.replay().dayCompleted()) return;  // settled: the buying power starts anew (CheckEndOfDay)

        // The money: buying power = leverage × investment at display + the run's result
        // − what pending new orders hold back − the book value of the open positions.
        bool whole = wholeRun_ && Whole(a.buyingPower) && Whole(a.runPnl);
        double reserved = 0, bookValue = 0;
        for (const Order& o : book.pendingNewOrders) {
            if (!o.InUse()) continue;
            whole = whole && Whole(o.reservedAmount);
            reserved += o.reservedAmount;
        }
        for (const Position& p : book.positions) {
            if (!p.InUse()) continue;
            const double v = static_cast<double>(p.price) * p.quantity;
            whole = whole && Whole(v);
            bookValue += v;
        }
        if (!whole) {
            wholeRun_ = false;  // a rounded yen cannot be told from a lost one from here on
            return;
        }
        ++tally_.identityChecks;
        const double expected = startPower_ + a.runPnl - reserved - bookValue;
        if (a.buyingPower != expected)
            Fail("buying power " + Num(a.buyingPower) + " != " + Num(startPower_) + " + run " + Num(a.runPnl) +
                 " − reserved " + Num(reserved) + " − positions " + Num(bookValue) + " = " + Num(expected));
        if (a.Net() - startNet_ != a.runPnl)
            Fail("the totals moved by " + Num(a.Net() - startNet_) + " but the run's result is " + Num(a.runPnl));
    }

    void CheckUnique(std::vector<int>& numbers, const char* what) {
        std::sort(numbers.begin(), numbers.end());
        const auto dup = std::adjacent_find(numbers.begin(), numbers.end());
        if (dup != numbers.end()) Fail(std::string("two ") + what + " slots hold number " + Num(*dup));
    }

    int ClockNow() const { return ParseTimeOfDay(sim_.display().clockText).value_or(0); }

    // The orders as last seen, by number, for the fills that take them away.
    void Remember(const OrderBook& book) {
        for (std::size_t i = 0; i < kOrderSlots; ++i) {
            Remember(book.pendingNewOrders[i], lastNew_[i], seenNew_);
            Remember(book.pendingClosingOrders[i], lastClosing_[i], seenClosing_);
        }
    }
    void Remember(const Order& o, Order& last, std::map<int, Order>& seen) {
        if (SameOrder(o, last)) return;
        last = o;
        if (!o.InUse()) return;
        auto [it, added] = seen.try_emplace(o.number, o);
        if (!added && it->second.kind != kKindNormal && o.kind == kKindNormal) ++tally_.stopsFired;
        it->second = o;
    }

    void TakeNewFills() {
        const auto& fills = sim_.trading().fills();
        for (; fillsSeen_ < fills.size(); ++fillsSeen_) {
            const TradingDesk::Fill& f = fills[fillsSeen_];
            const Execution& e = f.execution;
            const std::string name = std::string(e.closing ? "closing" : "new") + " fill of order " +
                                     Num(e.orderNumber) + " (" + Num(e.quantity) + " at " + Num(e.price) + ", " + FormatTimeOfDay(e.seconds) + ")";
            ++tally_.fills;
            if (e.closing) ++tally_.closingFills;
            if (trace_) Log(name);
            if (!Whole(e.price)) wholeRun_ = false;
            const PriceBand& band = sim_.trading().market().limits;
            if (!(e.price > 0) || band.Excludes(e.price))
                Fail(name + " outside the day's price range " + Num(band.lower) + "–" + Num(band.upper));
            if (!OnPriceGrid(e.price, sim_.day().data().fineTickMode)) Fail(name + " off the price grid");
            if (e.seconds < lastFillSeconds_)
                Fail(name + " at " + FormatTimeOfDay(e.seconds) + ", before the fill at " + FormatTimeOfDay(lastFillSeconds_));
            lastFillSeconds_ = std::max(lastFillSeconds_, e.seconds);
            // Only the market supplies the user, and only at the moment of the fill: an offer on
            // the market's board then, or a print of that step, as the day file alone tells them.
            // (The settlement at 15:00 is at the closing price and no trade.)
            const bool buys = e.closing ? !ClosingOrderSells(e.side) : !NewOrderSells(e.side);
            if (!sim_.replay().dayCompleted() && !settling_) {
                const Counterparty c = CounterpartyReference(sim_.day().data()[SeriesSlot::DayStock]).For(e.seconds, buys);
                std::string fault;
                if (!c.exists)
                    fault = name + (buys ? " bought" : " sold") + " when nobody offered or traded in its step";
                else if (buys && e.price < Price::Nearest(c.bound))
                    fault = name + " bought below anything offered or printed in its step (" + Num(c.bound) + ")";
                else if (!buys && e.price > Price::Nearest(c.bound))
                    fault = name + " sold above anything bid or printed in its step (" + Num(c.bound) + ")";
                if (!fault.empty()) Fail(fault);
                // After ≪ the replay runs over a stretch whose tape is spent: nothing fills there.
                // (A step shows its start while its pass may run to its last second.)
                if (ClockNow() + 5 < furthestClock_)
                    Fail(name + " while the replay ran behind the tape, at " + sim_.display().clockText + " (it had reached " +
                         FormatTimeOfDay(furthestClock_) + ")");
            }
            if (e.quantity <= 0 || e.quantity % unit_ != 0) Fail(name + ": quantity");
            const auto side = static_cast<std::size_t>(std::clamp(CodeOf(e.side), 0, 3));
            if (e.closing) {
                closed_[side] += e.quantity;
                if (f.positionNumbers.empty()) Fail(name + " closed no position");
            } else {
                // The position the fill opened holds its shares at its price while it is open.
                for (const Position& p : sim_.trading().orders().positions)
                    if (p.InUse() && !f.positionNumbers.empty() && p.number == f.positionNumbers.front() &&
                        (p.price != e.price || p.side != e.side || p.quantity > e.quantity))
                        Fail(name + " opened position " + Num(p.number) + ": side " + Num(p.side) + ", " +
                             Num(p.quantity) + " at " + Num(p.price));
                opened_[side] += e.quantity;
                if (f.positionNumbers.size() != 1) {
                    Fail(name + " opened " + std::to_string(f.positionNumbers.size()) + " positions" +
                         (Used(sim_.trading().orders().positions) == kOrderSlots ? " (the position table is full)" : ""));
                    opened_[side] -= e.quantity;  // count it once
                }
            }
            // A limit order fills at its price or better.
            const auto& seen = e.closing ? seenClosing_ : seenNew_;
            const auto it = seen.find(e.orderNumber);
            if (it == seen.end()) continue;
            const Order& o = it->second;
            if (o.side != e.side) continue;
            // A new order costs no more buying power than it holds back.
            if (!e.closing && TimesShares(e.price, e.quantity) > o.reservedAmount + 0.5)
                Fail(name + " costs " + Num(TimesShares(e.price, e.quantity)) + ", more than the " +
                     Num(o.reservedAmount) + " it held back");
            if (o.kind != kKindNormal || o.isMarket || o.limitPrice <= 0) continue;
            const bool sells = e.closing ? ClosingOrderSells(o.side) : NewOrderSells(o.side);
            if (sells ? e.price < o.limitPrice : e.price > o.limitPrice)
                Fail(name + " beyond its limit " + Num(o.limitPrice));
        }
    }

    void CheckEndOfDay() {
        when_ = "at the end of the day";
        const OrderBook& book = sim_.trading().orders();
        const Account& a = sim_.trading().account();
        if (!sim_.replay().dayCompleted()) Fail("the day did not run to 15:00");
        if (!jumped_ && !midSession_ && day_.rows > kReplayRows && sim_.replay().clock().stepsRun != kReplayRows)
            Fail("the replay ran " + std::to_string(sim_.replay().clock().stepsRun) + " steps");
        if (Used(book.positions) != 0 || Used(book.pendingNewOrders) != 0 || Used(book.pendingClosingOrders) != 0)
            Fail("after the settlement " + std::to_string(Used(book.positions)) + " positions, " +
                 std::to_string(Used(book.pendingNewOrders)) + " new and " +
                 std::to_string(Used(book.pendingClosingOrders)) + " closing orders remain");
        for (int side = 1; side <= 3; ++side)
            if (opened_[static_cast<std::size_t>(side)] != closed_[static_cast<std::size_t>(side)])
                Fail("side " + std::to_string(side) + ": " + Num(opened_[static_cast<std::size_t>(side)]) +
                     " shares opened, " + Num(closed_[static_cast<std::size_t>(side)]) + " closed");
        if (a.buyingPower != RestingBuyingPower(a))
            Fail("after the settlement buying power " + Num(a.buyingPower) + ", investment × leverage " +
                 Num(RestingBuyingPower(a)));
        if (wholeRun_ && a.Net() - startNet_ != a.runPnl)
            Fail("the totals moved by " + Num(a.Net() - startNet_) + " but the run's result is " + Num(a.runPnl));
        CheckHistory();
    }

    // A kept run: one execution row per fill, in the order of the fills, and one realised row per
    // position a closing fill took shares from; together they make the run's result.
    void CheckHistory() {
        const Account& a = sim_.trading().account();
        const std::string folder = JoinPath(plan_.installFolder, kHistoryFolder);
        const HistoryFile executionFile = ReadHistory(JoinPath(folder, kExecutionFile));
        const HistoryFile realizedFile = ReadHistory(JoinPath(folder, kRealizedFile));
        if (executionFile.bareLineFeed || realizedFile.bareLineFeed) Fail("a history line ends without CR");
        const auto executions = DataRows(executionFile, kExecutionHeader);
        const auto realized = DataRows(realizedFile, kRealizedHeader);
        const auto& fills = sim_.trading().fills();
        if (executions.size() != executionsBefore_ + fills.size()) {
            Fail("約定履歴.csv gained " + std::to_string(executions.size() - executionsBefore_) + " rows for " +
                 std::to_string(fills.size()) + " fills");
            return;
        }
        std::size_t closedRows = 0;
        for (std::size_t k = 0; k < fills.size(); ++k) {
            const Execution& e = fills[k].execution;
            if (e.closing) closedRows += fills[k].positionNumbers.size();
            const auto f = Fields(executions[executionsBefore_ + k]);
            const std::string trade = std::string(e.closing ? "返済" : "新規") + SideText(e.side, e.closing);
            if (f.size() != 10 || f[3] != plan_.code || f[6] != trade || f[7] != PlainNumber(e.quantity) ||
                f[8] != PlainNumber(e.price))
                Fail("execution row " + executions[executionsBefore_ + k] + " for fill " + std::to_string(k) + " " +
                     trade + " " + Num(e.quantity) + " at " + Num(e.price));
        }
        if (realized.size() != realizedBefore_ + closedRows) {
            Fail("実現損益.csv gained " + std::to_string(realized.size() - realizedBefore_) + " rows for " +
                 std::to_string(closedRows) + " closed positions");
            return;
        }
        if (!wholeRun_) return;
        double result = 0;
        for (std::size_t k = realizedBefore_; k < realized.size(); ++k) {
            const auto f = Fields(realized[k]);
            if (f.size() != 13) {
                Fail("realised row " + realized[k]);
                return;
            }
            result += LeadingNumber(f[11]);
        }
        if (result != a.runPnl) Fail("the realised rows add up to " + Num(result) + ", the run's result is " + Num(a.runPnl));
    }

    // ---- The user ----------------------------------------------------------------------------

    bool Chance(int percent) { return user_.Chance(percent); }
    int Between(int a, int b) { return user_.Between(std::min(a, b), std::max(a, b)); }

    double Step(double price) const { return PriceStep(price, sim_.day().data().fineTickMode); }

    std::string PriceText(double p) {
        if (!Whole(p)) wholeRun_ = false;
        char buf[32];
        std::snprintf(buf, sizeof buf, Whole(p) ? "%.0f" : "%.2f", p);
        return buf;
    }

    // A price near the market: a board level, the last price or the previous close, moved by
    // some price steps and kept inside the day's range.
    double NearPrice(int minSteps, int maxSteps) {
        const Board& b = sim_.trading().market().board;
        std::vector<double> levels;
        for (int i = 0; i < kBoardLevels; ++i)
            if (b.At(i) > 0) levels.push_back(b.At(i));
        double base = ReadFormattedNumber(sim_.display().priceLabel);
        if (!levels.empty() && (base <= 0 || Chance(70))) base = levels[static_cast<std::size_t>(Between(0, static_cast<int>(levels.size()) - 1))];
        if (base <= 0) base = prevClose_ > 0 ? prevClose_ : 1000;
        const double step = Step(base);
        double p = std::round(base / step) * step + Between(minSteps, maxSteps) * step;
        const PriceBand& band = sim_.trading().market().limits;
        if (band.upper > 0) p = std::clamp(p, static_cast<double>(band.lower), static_cast<double>(band.upper));
        p = std::round(p / Step(p)) * Step(p);
        if (p <= 0) p = Step(0);
        // Now and then a price no market takes: off the grid, beyond the limits, nothing.
        if (plan_.roaming && Chance(2)) p = Chance(50) ? p + Step(p) / 2 : Chance(50) ? band.upper + Step(band.upper) : 0;
        return p;
    }

    std::string Quantity() {
        if (Chance(3)) return "";                                   // forgotten
        if (Chance(4)) return std::to_string(unit_ * 5000);         // more than the money allows
        if (Chance(5)) return std::to_string(unit_ * Between(1, 3) + unit_ / 2);  // not whole units
        return std::to_string(unit_ * Between(1, 3));
    }

    // The type and prices of an order that buys or sells.
    NewOrderForm OrderForm(bool sells, bool allowFar) {
        NewOrderForm f;
        f.quantity = Quantity();
        const int type = Between(0, 99);
        const int away = sells ? 1 : -1;  // the passive direction
        if (type < 45) {
            f.kind = kKindNormal;
            if (allowFar && Chance(plan_.profile.farPercent))
                f.price = PriceText(NearPrice(away > 0 ? 20 : -60, away > 0 ? 60 : -20));
            else
                f.price = PriceText(NearPrice(-4, 4));
        } else if (type < 60) {
            f.kind = kKindNormal;
            f.normalMarket = true;
        } else {
            f.kind = type < 78 ? kKindNormalWithStop : kKindStop;
            if (f.kind == kKindNormalWithStop) f.price = PriceText(NearPrice(away * 8, away * 2));
            f.triggerBelow = Chance(50);
            // Mostly a trigger the price has still to reach; sometimes one it is already past.
            const int dir = f.triggerBelow ? -1 : 1;
            f.trigger = PriceText(Chance(80) ? NearPrice(dir * 1, dir * 6) : NearPrice(-dir * 3, 0));
            f.stopMarket = Chance(40);
            if (!f.stopMarket) f.stopPrice = PriceText(LeadingNumber(f.trigger) + Between(-2, 2) * Step(LeadingNumber(f.trigger)));
            if (Chance(3)) f.trigger.clear();  // forgotten
        }
        if (Chance(2) && f.kind != kKindStop && !f.normalMarket) f.price.clear();  // a limit forgotten
        return f;
    }

    static std::string Describe(const NewOrderForm& f) {
        static const char* kinds[] = {"通常", "逆指値付通常", "逆指値"};
        std::string s = std::string(kinds[std::clamp(static_cast<int>(f.kind), 0, 2)]) + " qty '" + f.quantity + "'";
        if (f.kind != kKindStop) s += f.normalMarket ? " 成行" : " 指値 '" + f.price + "'";
        if (f.kind != kKindNormal)
            s += std::string(" trigger '") + f.trigger + "' " + (f.triggerBelow ? "以下" : "以上") +
                 (f.stopMarket ? " 成行" : " 指値 '" + f.stopPrice + "'");
        return s;
    }

    static std::string Status(const EntryOutcome& out) {
        switch (out.status) {
            case EntryOutcome::Status::Stored: return "stored in slot " + std::to_string(out.slot);
            case EntryOutcome::Status::MissingField: return "missing field";
            case EntryOutcome::Status::BadPrice: return "bad price: " + out.message;
            case EntryOutcome::Status::NoReplay: return "no replay";
            case EntryOutcome::Status::NoFunds: return "no funds";
            case EntryOutcome::Status::Declined: return "declined";
            case EntryOutcome::Status::TableFull: return "table full";
        }
        return "?";
    }

    void Act() {
        if (abandoned_) return;
        when_ = nullptr;
        dialogs_.answer = !Chance(6);  // now and then the user says no
        if (plan_.roaming && Chance(12)) {
            Roam();
            dialogs_.answer = true;
            Check("after the action");
            return;
        }
        const Profile& p = plan_.profile;
        const int r = Between(0, 99);
        if (r < p.newOrder)
            NewOrder();
        else if (r < p.newOrder + p.correct)
            CorrectNewOrder();
        else if (r < p.newOrder + p.correct + p.cancel)
            Cancel();
        else if (r < p.newOrder + p.correct + p.cancel + p.close)
            Close();
        else
            CorrectClosing();
        dialogs_.answer = true;
        Check("after the action");
    }

    // An outcome that stores nothing leaves the tables and the money as they were.
    void ExpectUnchanged(const OrderBook& before, double powerBefore, const EntryOutcome& out, const std::string& what) {
        if (!SameBook(before, sim_.trading().orders()) || sim_.trading().account().buyingPower != powerBefore)
            Fail(what + ": '" + Status(out) + "' changed the tables or the buying power");
    }

    void Count(const EntryOutcome& out) {
        switch (out.status) {
            case EntryOutcome::Status::Stored: break;
            case EntryOutcome::Status::MissingField: ++tally_.missing; break;
            case EntryOutcome::Status::BadPrice: ++tally_.badPrice; break;
            case EntryOutcome::Status::NoReplay: Fail("an order refused during the replay: no replay"); break;
            case EntryOutcome::Status::NoFunds: ++tally_.noFunds; break;
            case EntryOutcome::Status::Declined: ++tally_.declined; break;
            case EntryOutcome::Status::TableFull: ++tally_.tableFull; break;
        }
    }

    // What the account is worth: the investment field (base plus the after-tax totals, which hold
    // the run's realised results) and the open positions' result at the valuation price when it
    // is a loss.
    double Worth() const {
        const Account& a = sim_.trading().account();
        const double net = static_cast<double>(a.profitTotal - a.lossTotal);
        double open = 0;
        const double v = sim_.trading().ValuationPrice();
        for (const Position& p : sim_.trading().orders().positions)
            if (p.InUse() && v > 0)
                open += (p.side == kSideMarginSell ? p.price - v : v - p.price) * static_cast<double>(p.quantity);
        return AsShownYen(static_cast<double>(a.baseInvestment) + (net > 0 ? net * kAfterTaxPercent / 100 : net)) +
               std::min(open, 0.0);
    }

    // An account worth nothing takes no new order; the panel shows the running figure (whose
    // identity Check holds) only while the account is worth something, and 0 otherwise.
    void CheckUnderWater(bool underWater, const EntryOutcome& out, const std::string& what) {
        if (underWater && out.status == EntryOutcome::Status::Stored)
            Fail(what + ": stored while the account is worth " + Num(Worth()));
        if (out.status == EntryOutcome::Status::Declined && !out.message.empty()) return;  // the lists were not shown anew
        const double shown = ReadFormattedNumber(sim_.display().buyingPowerText);
        const double due = Worth() > 0 ? sim_.trading().account().buyingPower : 0;
        if (shown != AsShownYen(due))
            Fail(what + ": the panel shows buying power " + Num(shown) + ", due " + Num(due) + " (worth " +
                 Num(Worth()) + ")");
    }

    void NewOrder() {
        const bool sells = !cash_ && Chance(50);
        NewOrderForm f = OrderForm(sells, true);
        f.sell = sells;
        f.cashCaption = cash_;
        const OrderBook before = sim_.trading().orders();
        const double power = sim_.trading().account().buyingPower;
        const auto lowest = LowestFreeSlot(before.pendingNewOrders);
        const bool underWater = Worth() <= 0;
        const EntryOutcome out = sim_.trading().PlaceNewOrder(f);
        const std::string what = std::string(sells ? "売建 " : cash_ ? "買付 " : "買建 ") + Describe(f);
        Log(what + " -> " + Status(out));
        Count(out);
        CheckUnderWater(underWater, out, what);
        if (out.status != EntryOutcome::Status::Stored) {
            ExpectUnchanged(before, power, out, what);
            if (out.status == EntryOutcome::Status::TableFull && lowest)
                Fail(what + ": '" + Status(out) + "' with " + std::to_string(Used(before.pendingNewOrders)) +
                     " pending new orders");
            if (out.status == EntryOutcome::Status::Declined && dialogs_.answer)
                Fail(what + ": declined though the user said yes");
            return;
        }
        ++tally_.stored[std::clamp(static_cast<int>(f.kind), 0, 2)];
        if (f.normalMarket) ++tally_.marketStored;
        if (sells) ++tally_.sellStored;
        const Order& o = sim_.trading().orders().pendingNewOrders[static_cast<std::size_t>(out.slot)];
        if (!lowest || out.slot != *lowest) Fail(what + ": stored outside the lowest free slot");
        if (o.number <= highestNewNumber_) Fail(what + ": number " + Num(o.number) + " was given before");
        highestNewNumber_ = std::max(highestNewNumber_, o.number);
        if (o.side != (sells ? kSideMarginSell : cash_ ? kSideCash : kSideMarginBuy)) Fail(what + ": side " + Num(o.side));
    }

    template <class Table>
    std::optional<int> RandomUsedSlot(const Table& table) {
        std::vector<int> used;
        for (int i = 0; i < kOrderSlots; ++i)
            if (table[static_cast<std::size_t>(i)].InUse()) used.push_back(i);
        if (used.empty()) return std::nullopt;
        return used[static_cast<std::size_t>(Between(0, static_cast<int>(used.size()) - 1))];
    }

    void CorrectNewOrder() {
        const OrderBook before = sim_.trading().orders();
        auto slot = RandomUsedSlot(before.pendingNewOrders);
        if (!slot || Chance(5)) slot = Between(0, kOrderSlots - 1);  // now and then one that is gone
        const Order old = before.pendingNewOrders[static_cast<std::size_t>(*slot)];
        const bool sells = old.InUse() ? NewOrderSells(old.side) : !cash_ && Chance(50);
        NewOrderForm f = OrderForm(sells, true);
        f.sell = sells;
        f.cashCaption = cash_;
        const double power = sim_.trading().account().buyingPower;
        const bool underWater = Worth() <= 0;
        const EntryOutcome out = sim_.trading().PlaceNewOrder(f, *slot);
        const std::string what = "correct new order slot " + std::to_string(*slot) + " to " + Describe(f);
        Log(what + " -> " + Status(out));
        Count(out);
        CheckUnderWater(underWater, out, what);
        if (out.status != EntryOutcome::Status::Stored) {
            ExpectUnchanged(before, power, out, what);
            if (out.status == EntryOutcome::Status::TableFull) Fail(what + ": a correction found the table full");
            return;
        }
        ++tally_.corrections;
        if (!old.InUse()) Fail(what + ": stored a correction of a free slot");
        const Order& o = sim_.trading().orders().pendingNewOrders[static_cast<std::size_t>(*slot)];
        if (out.slot != *slot || o.number != old.number) Fail(what + ": the correction moved or renumbered the order");
        seenNew_[o.number] = lastNew_[static_cast<std::size_t>(*slot)] = o;  // a new type, not a fired stop
        if (Used(sim_.trading().orders().pendingNewOrders) != Used(before.pendingNewOrders))
            Fail(what + ": the correction changed the number of pending orders");
    }

    void Cancel() {
        const OrderBook before = sim_.trading().orders();
        const bool closing = Chance(35);
        auto slot = closing ? RandomUsedSlot(before.pendingClosingOrders) : RandomUsedSlot(before.pendingNewOrders);
        if (!slot || Chance(5)) slot = Between(0, kOrderSlots - 1);
        const bool inUse = closing ? before.pendingClosingOrders[static_cast<std::size_t>(*slot)].InUse()
                                   : before.pendingNewOrders[static_cast<std::size_t>(*slot)].InUse();
        const double power = sim_.trading().account().buyingPower;
        const bool cancelled = sim_.trading().CancelOrder(*slot, closing);
        const std::string what = std::string("cancel ") + (closing ? "closing" : "new") + " order slot " +
                                 std::to_string(*slot) + (dialogs_.answer ? "" : " (no)");
        Log(what + (cancelled ? " -> cancelled" : " -> kept"));
        if (cancelled != (inUse && dialogs_.answer)) Fail(what + ": CancelOrder returned " + (cancelled ? "true" : "false"));
        if (!cancelled) {
            if (!SameBook(before, sim_.trading().orders()) || sim_.trading().account().buyingPower != power)
                Fail(what + ": a refused cancellation changed the tables or the buying power");
            return;
        }
        ++tally_.cancels;
        const bool stillThere = closing ? sim_.trading().orders().pendingClosingOrders[static_cast<std::size_t>(*slot)].InUse()
                                        : sim_.trading().orders().pendingNewOrders[static_cast<std::size_t>(*slot)].InUse();
        if (stillThere) Fail(what + ": the slot is still in use");
    }

    // The closing-order dialog: row quantities or 一括返済, then 注文.
    void Close() {
        std::vector<Side> sides;
        for (Side side : cash_ ? std::vector<Side>{kSideCash} : std::vector<Side>{kSideMarginBuy, kSideMarginSell})
            if (!ClosablePositions(sim_.trading().orders(), side).empty() || Chance(3)) sides.push_back(side);
        if (sides.empty()) return;
        const Side side = sides[static_cast<std::size_t>(Between(0, static_cast<int>(sides.size()) - 1))];
        inDialog_ = true;
        for (Side s : {kSideMarginBuy, kSideMarginSell}) sim_.trading().SetBulkClose(s, false);
        const bool bulk = Chance(45);
        std::string rows;
        if (bulk) {
            sim_.trading().SetBulkClose(side, true);
        } else {
            for (int slot : ClosablePositions(sim_.trading().orders(), side)) {
                if (!Chance(60)) continue;
                const Position& p = sim_.trading().orders().positions[static_cast<std::size_t>(slot)];
                const Shares open = p.quantity - p.committedQty;
                const std::string typed =
                    Chance(10) ? std::to_string(static_cast<int>(open) + unit_ * 2)     // more than is open
                    : Chance(10) ? std::to_string(unit_ + unit_ / 2)                   // not whole units
                                 : std::to_string(unit_ * Between(1, std::max(1, static_cast<int>(open) / unit_)));
                sim_.trading().SetCloseQuantity(slot, typed);
                rows += " " + std::to_string(slot) + ":" + typed;
            }
        }
        const Shares quantity = ClosingQuantity(sim_.trading().orders());
        for (const Position& p : sim_.trading().orders().positions)
            if (p.InUse() && (p.closeQtyInput < 0 || p.closeQtyInput > p.quantity - p.committedQty ||
                              p.closeQtyInput % unit_ != 0))
                Fail("row quantity " + Num(p.closeQtyInput) + " for position " + Num(p.number) + " with " +
                     Num(p.quantity - p.committedQty) + " open");
        ClosingOrderForm form;
        form.side = side;
        form.order = OrderForm(ClosingOrderSells(side), false);
        const OrderBook before = sim_.trading().orders();
        const double power = sim_.trading().account().buyingPower;
        const auto lowest = LowestFreeSlot(before.pendingClosingOrders);
        const EntryOutcome out = sim_.trading().PlaceClosingOrder(form);
        const std::string what = std::string("close ") + SideText(side, true) + (bulk ? " 一括" : rows) + " (" +
                                 Num(quantity) + ") " + Describe(form.order);
        Log(what + " -> " + Status(out));
        Count(out);
        if (out.status != EntryOutcome::Status::Stored) {
            ExpectUnchanged(before, power, out, what);
            if (out.status == EntryOutcome::Status::MissingField && quantity > 0 && form.order.kind == kKindNormal &&
                (form.order.normalMarket || IsNumeric(form.order.price)))
                Fail(what + ": 'missing field' with every field given");
        } else {
            ++tally_.closingStored;
            if (bulk) ++tally_.bulkClosings;
            const ClosingOrder& o = sim_.trading().orders().pendingClosingOrders[static_cast<std::size_t>(out.slot)];
            if (!lowest || out.slot != *lowest) Fail(what + ": stored outside the lowest free slot");
            if (o.quantity != quantity || o.side != side) Fail(what + ": stored " + Num(o.quantity) + " side " + Num(o.side));
            if (o.number <= highestClosingNumber_) Fail(what + ": number " + Num(o.number) + " was given before");
            highestClosingNumber_ = std::max(highestClosingNumber_, o.number);
        }
        for (Side s : {kSideMarginBuy, kSideMarginSell}) sim_.trading().SetBulkClose(s, false);  // the dialog closes
        inDialog_ = false;
    }

    // A pending closing order corrected: its type and prices change, what it closes does not.
    void CorrectClosing() {
        const auto slot = RandomUsedSlot(sim_.trading().orders().pendingClosingOrders);
        if (!slot) return;
        const ClosingOrder old = sim_.trading().orders().pendingClosingOrders[static_cast<std::size_t>(*slot)];
        inDialog_ = true;
        // The dialog opens with a row quantity shown for the order.
        if (const auto rows = ClosablePositions(sim_.trading().orders(), old.side); !rows.empty())
            sim_.trading().SetCloseQuantity(rows.front(), std::to_string(unit_));
        ClosingOrderForm form;
        form.side = old.side;
        form.order = OrderForm(ClosingOrderSells(old.side), false);
        const OrderBook before = sim_.trading().orders();
        const double power = sim_.trading().account().buyingPower;
        const EntryOutcome out = sim_.trading().PlaceClosingOrder(form, *slot);
        const std::string what = "correct closing order slot " + std::to_string(*slot) + " to " + Describe(form.order);
        Log(what + " -> " + Status(out));
        Count(out);
        if (out.status != EntryOutcome::Status::Stored) {
            ExpectUnchanged(before, power, out, what);
        } else {
            ++tally_.closingCorrections;
            const ClosingOrder& o = sim_.trading().orders().pendingClosingOrders[static_cast<std::size_t>(*slot)];
            if (o.number != old.number || o.quantity != old.quantity || o.closeSlots != old.closeSlots ||
                o.closeQuantities != old.closeQuantities || o.side != old.side)
                Fail(what + ": the correction changed what the order closes");
            seenClosing_[o.number] = lastClosing_[static_cast<std::size_t>(*slot)] = o;
            if (sim_.trading().account().buyingPower != power) Fail(what + ": a closing correction moved the buying power");
        }
        for (Side s : {kSideMarginBuy, kSideMarginSell}) sim_.trading().SetBulkClose(s, false);
        inDialog_ = false;
    }


    SessionPlan plan_;
    Choices& user_;
    FailureSink failed_;
    ScriptedDialogs dialogs_;
    FixedToday clock_;
    SeededRandom random_;
    VirtualScheduler scheduler_;
    Simulation sim_;

    struct DayFacts {
        int rows = 0;
    } day_;
    int unit_ = 100;
    double prevClose_ = 0;
    double lastUpper_ = 0, lastLower_ = 0;
    bool cash_ = false;
    double startPower_ = 0;
    double startNet_ = 0;
    bool wholeRun_ = true;
    bool inDialog_ = false;
    bool displaying_ = false;
    bool settling_ = false;
    const bool trace_ = std::getenv("CORVALA_CHECK_TRACE") != nullptr;
    bool midSession_ = false, jumped_ = false, stopped_ = false, stopWanted_ = false;
    int nextAction_ = 0;
    std::size_t executionsBefore_ = 0, realizedBefore_ = 0;
    std::size_t fillsSeen_ = 0;
    int lastFillSeconds_ = 0;
    int furthestClock_ = 0;  // the latest clock the replay has shown
    std::array<double, 4> opened_{}, closed_{};
    std::map<int, Order> seenNew_, seenClosing_;
    std::array<Order, kOrderSlots> lastNew_{}, lastClosing_{};
    std::vector<int> numbers_;
    const char* when_ = nullptr;
    int highestNewNumber_ = 0, highestClosingNumber_ = 0;
    std::deque<std::string> log_;
    std::map<std::string, int> repeats_;
    int failures_ = 0;
    bool abandoned_ = false;
    Tally tally_;
};

CheckedSession::CheckedSession(const SessionPlan& plan, Choices& user, FailureSink failed)
    : impl_(std::make_unique<Impl>(plan, user, std::move(failed))) {}
CheckedSession::~CheckedSession() = default;
Tally CheckedSession::Run() { return impl_->Run(); }

}  // namespace corvala::check
