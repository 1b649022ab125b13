// Sessions played again. A random user trades a demo day through the dialogs: jumps, pauses,
// speed changes, 低速, board clicks, orders, corrections, cancellations, closings, answers of
// either kind, and a stop or the close. The session file that run wrote, played in a fresh
// program with other random draws, another clock and another user's answers at hand, must reach
// the same fills, the same steps, the same account and byte for byte the same history text.

#include <random>

#include "account/history.h"
#include "demo_run.h"
#include "platform/cp932.h"
#include "platform/files.h"

namespace corvala {
namespace {

// Answers drawn at random; the box texts are kept to tell a failure.
class CoinDialogs final : public Dialogs {
public:
    explicit CoinDialogs(std::uint64_t seed) : rng_(seed) {}
    void ShowError(int number, const std::string& text) override { ADD_FAILURE() << number << " " << text; }
    bool Ask(const std::string&, const std::string&) override { return rng_() % 4 != 0; }
    void ShowNotice(const std::string&, const std::string&) override {}

private:
    std::mt19937_64 rng_;
};

// The computer's clock moves a second at every reading; its milliseconds follow the replay's,
// `pace` times as fast.
class MovingClock final : public Clock {
public:
    MovingClock(const VirtualScheduler& scheduler, int start, int pace) : scheduler_(scheduler), seconds_(start), pace_(pace) {}
    Ymd Today() const override { return {2026, 12, 8}; }
    int SecondsOfDay() const override { return seconds_++ % 86'400; }
    std::int64_t NowMs() const override { return scheduler_.NowMs() * pace_; }

private:
    const VirtualScheduler& scheduler_;
    mutable int seconds_;
    int pace_;
};

struct Program {
    CoinDialogs dialogs;
    VirtualScheduler scheduler;
    MovingClock clock;
    SeededRandom random;
    Simulation sim;
    Program(std::uint64_t seed, int clockStart, int pace = 1)
        : dialogs(seed), clock(scheduler, clockStart, pace), random(seed), sim(Ports{dialogs, clock, random, scheduler}, Demo().installFolder) {
        EXPECT_TRUE(sim.StartUp(Demo().dataFolder));
    }
    // `date` of the default stock in simulation mode, played from the open to `clock`.
    void PlayTo(const std::string& date, const std::string& clock) {
        sim.day().SetDateText(date);
        sim.day().SetCodeText(kDefaultCode);
        sim.replay().SetSimulationChecked(true);
        ASSERT_EQ(sim.day().DisplayDay(), Simulation::DisplayOutcome::Loaded);
        ASSERT_TRUE(scheduler.RunUntil([&] { return sim.replay().waitingForPlay(); }, 100'000));
        sim.replay().PressPlayback(kPlayPause);
        ASSERT_TRUE(scheduler.RunUntil([&] { return sim.display().clockText >= clock; }, 100'000'000));
    }
    // A session played to where its file leaves it.
    void PlaySessionOut() {
        while (sim.sessions().playing() && !sim.player().stalled() && scheduler.RunOne()) {
        }
    }
};

std::uintmax_t SizeOf(const std::string& path) { return ReadWholeFile(path).value_or("").size(); }

// One user's day: an action now and then between the scheduler's callbacks.
class RandomUser {
public:
    RandomUser(Simulation& sim, std::uint64_t seed) : sim_(sim), rng_(seed) {}

    void Act() {
        const MainDisplay& d = sim_.display();
        if (sim_.replay().waitingForPlay()) return sim_.replay().PressPlayback(kPlayPause);
        if (Chance(0.997)) return;
        switch (Pick(15)) {
            case 0: return sim_.replay().PressPlayback(kPlayPause);
            case 1: return sim_.replay().PressPlayback(kStepForward);
            case 2: return sim_.replay().PressPlayback(kMinuteForward);
            case 3: return sim_.replay().PressPlayback(kBarForward);
            case 4: return sim_.replay().PressPlayback(kBarBack);
            case 5: return sim_.replay().speed().SetSpeedScroll(1 + Pick(30));
            case 6: return sim_.replay().speed().SetLowSpeed(!d.speed.lowSpeed);
            case 7: return sim_.orderDialogs().ClickBoardPrice(Pick(kBoardLevels));  // the dialog may come later
            case 8: return NewOrder();
            case 9: return Close();
            case 10: return CorrectOrCancel();
            case 11: return sim_.trading().SetFillSoundOption(!d.fillSoundOption);
            case 12: return Direct();
            case 13: if (Chance(0.05)) sim_.replay().SetSimulationChecked(false); return;  // a stop, asked
            default: return sim_.replay().speed().ClickSpeedGauge(Pick(300));
        }
    }

private:
    bool Chance(double p) { return std::uniform_real_distribution<double>(0, 1)(rng_) < p; }
    int Pick(int n) { return static_cast<int>(rng_() % static_cast<std::uint64_t>(n)); }
    std::string Price() {
        const double at = sim_.trading().market().board.At(Pick(kBoardLevels));
        return at > 0 ? std::to_string(static_cast<long>(at)) : "";
    }
    // The form of an open dialog, typed: a limit near the board or the market.
    void Fill(bool closing) {
        if (Chance(0.3)) sim_.orderDialogs().SetOrderKind(closing, static_cast<OrderKind>(Pick(3)));
        sim_.orderDialogs().SetOrderOption(closing, OrderDialogs::OrderOption::NormalMarket, Chance(0.4));
        if (Chance(0.6)) sim_.orderDialogs().EditOrderText(closing, OrderField::Price, Price());  // else a clicked price stays
        sim_.orderDialogs().EditOrderText(closing, OrderField::Trigger, Price());
        sim_.orderDialogs().SetOrderOption(closing, OrderDialogs::OrderOption::TriggerBelow, Chance(0.5));
        sim_.orderDialogs().SetOrderOption(closing, OrderDialogs::OrderOption::StopMarket, Chance(0.5));
        sim_.orderDialogs().EditOrderText(closing, OrderField::StopPrice, Price());
        if (Chance(0.2)) sim_.orderDialogs().SpinOrderField(closing, OrderField::Price, Chance(0.5));
    }
    void NewOrder() {
        sim_.orderDialogs().OpenNewOrderDialog();
        if (!sim_.orderDialogs().newOrderDialog().visible) return;
        sim_.orderDialogs().SetNewOrderSell(Chance(0.5));
        sim_.orderDialogs().EditOrderText(false, OrderField::Quantity, std::to_string(100 * (1 + Pick(3))));
        Fill(false);
        if (Chance(0.85)) sim_.orderDialogs().SubmitNewOrderDialog();
        if (sim_.orderDialogs().newOrderDialog().visible) sim_.orderDialogs().CancelNewOrderDialog();
    }
    void Close() {
        sim_.orderDialogs().OpenClosingDialog(Pick(2));
        if (!sim_.orderDialogs().closingDialog().visible) return;
        if (Chance(0.5))
            sim_.orderDialogs().ToggleBulkClose();
        else
            sim_.orderDialogs().ToggleCloseRow(0);
        Fill(true);
        sim_.orderDialogs().SubmitClosingDialog();
        if (sim_.orderDialogs().closingDialog().visible) sim_.orderDialogs().CancelClosingDialog();
    }
    // The operations a script calls without the dialogs: a correction or a cancellation of the
    // first pending order, a closing of the first position by its row quantity.
    void Direct() {
        const OrderBook& book = sim_.trading().orders();
        for (int slot = 0; slot < kOrderSlots; ++slot) {
            const Order& o = book.pendingNewOrders[static_cast<std::size_t>(slot)];
            if (!o.InUse()) continue;
            if (Chance(0.5)) {
                sim_.trading().CancelOrder(slot, false);
            } else {
                NewOrderForm f;
                f.sell = o.side == kSideMarginSell;
                f.quantity = "100";
                f.price = Price();
                f.normalMarket = f.price.empty();
                sim_.trading().PlaceNewOrder(f, slot);
            }
            return;
        }
        for (int slot = 0; slot < kOrderSlots; ++slot) {
            const Position& p = book.positions[static_cast<std::size_t>(slot)];
            if (!p.InUse() || p.quantity <= p.committedQty) continue;
            sim_.trading().SetBulkClose(p.side == kSideMarginSell ? kSideMarginSell : kSideMarginBuy, false);
            sim_.trading().SetCloseQuantity(slot, "100");
            ClosingOrderForm form;
            form.side = p.side == kSideMarginSell ? kSideMarginSell : kSideMarginBuy;
            form.order.normalMarket = true;
            sim_.trading().PlaceClosingOrder(form);
            return;
        }
    }
    void CorrectOrCancel() {
        sim_.orderDialogs().OpenCorrectCancelDialog(0);
        if (!sim_.orderDialogs().correctCancelDialog().visible) return;
        if (Chance(0.5)) {
            sim_.orderDialogs().CancelSelectedOrder();
        } else {
            sim_.orderDialogs().CorrectSelectedOrder();
            const bool closing = sim_.orderDialogs().closingDialog().visible;
            if (closing || sim_.orderDialogs().newOrderDialog().visible) {
                sim_.orderDialogs().EditOrderText(closing, OrderField::Price, Price());
                closing ? (void)sim_.orderDialogs().SubmitClosingDialog() : (void)sim_.orderDialogs().SubmitNewOrderDialog();
                if (sim_.orderDialogs().newOrderDialog().visible) sim_.orderDialogs().CancelNewOrderDialog();
                if (sim_.orderDialogs().closingDialog().visible) sim_.orderDialogs().CancelClosingDialog();
            }
        }
        if (sim_.orderDialogs().correctCancelDialog().visible) sim_.orderDialogs().CloseCorrectCancelDialog();
    }

    Simulation& sim_;
    std::mt19937_64 rng_;
};

struct RunResult {
    std::vector<std::string> fills;
    std::vector<std::string> executionLines;
    std::string account;
    int steps = 0;
    std::string end;
};

RunResult ResultOf(const Simulation& sim) {
    RunResult r;
    for (const TradingDesk::Fill& f : sim.trading().fills()) {
        const Execution& e = f.execution;
        r.fills.push_back(FormatTimeOfDay(e.seconds) + " " + std::to_string(CodeOf(e.side)) + " " + std::to_string(e.closing) + " " +
                          std::to_string(e.quantity) + " @" + std::to_string(e.price.yen()) + " #" + std::to_string(e.orderNumber));
    }
    r.executionLines = sim.display().executionLines;
    const MainDisplay& d = sim.display();
    r.account = d.investmentText + "|" + d.buyingPowerText + "|" + d.runPnlText + "|" + d.netPnlText + "|" +
                std::to_string(sim.trading().account().profitTotal) + "|" + std::to_string(sim.trading().account().lossTotal);
    r.steps = sim.replay().clock().stepsRun;
    r.end = d.clockText;
    return r;
}

TEST(SessionReplayTest, ARandomUsersDayPlaysAgainToTheSameFillsAccountAndHistoryBytes) {
    ASSERT_TRUE(Demo().ok) << Demo().error;
    const std::string history = JoinPath(Demo().installFolder, kHistoryFolder);
    ASSERT_TRUE(CreateDir(history));
    ASSERT_EQ(EnsureHistoryFiles(history), "");  // the header lines are not the run's
    int sessionsWithFills = 0, keptSessions = 0;
    for (std::uint64_t seed : {3u, 4u, 5u, 6u}) {
        const std::string date = Demo().dateFolders[static_cast<std::size_t>(1 + seed % 3)];
        SCOPED_TRACE("seed " + std::to_string(seed) + " date " + date);
        const std::uintmax_t realizedBefore = SizeOf(JoinPath(history, kRealizedFile));
        const std::uintmax_t executionsBefore = SizeOf(JoinPath(history, kExecutionFile));

        Program original(seed, 36'000);
        Simulation& sim = original.sim;
        sim.trading().RestoreAccount(5'000'000, 0, 0, false);
        sim.day().SetDateText(date);
        sim.day().SetCodeText(kDefaultCode);
        sim.replay().SetSimulationChecked(true);
        ASSERT_EQ(sim.day().DisplayDay(), Simulation::DisplayOutcome::Loaded);
        const std::string sessionPath = sim.sessions().path();
        RandomUser user(sim, seed * 7919);
        // The user leaves at a time of the session's choosing: by ■ (answers as they come), or
        // by closing the program, or stays to 15:00.
        const std::string leaveAt = seed % 2 ? "13:" + std::to_string(10 + seed) + ":00" : "99:99:99";
        for (int n = 0; sim.replay().running() && n < 5'000'000 && original.scheduler.RunOne(); ++n) {
            user.Act();
            if (sim.display().clockText >= leaveAt && sim.replay().clock().replayReady) {
                if (seed == 5) sim.replay().RequestClose();
                else sim.replay().PressPlayback(kStop);
            }
        }
        ASSERT_FALSE(sim.replay().running()) << "the user's day did not end";
        const RunResult want = ResultOf(sim);
        sessionsWithFills += !want.fills.empty();
        keptSessions += sim.trading().record().kept();
        const std::string realized = ReadWholeFile(JoinPath(history, kRealizedFile)).value_or("").substr(realizedBefore);
        const std::string executions = ReadWholeFile(JoinPath(history, kExecutionFile)).value_or("").substr(executionsBefore);

        std::string error;

        auto file = ReadSession(sessionPath, error);
        ASSERT_TRUE(file) << error;
        EXPECT_FALSE(file->end.empty());
        Program again(seed + 1000, 1, /*pace=*/1000);
        ASSERT_EQ(again.sim.player().Play(std::move(*file), false), "");
        again.PlaySessionOut();
        EXPECT_FALSE(again.sim.sessions().playing());
        const RunResult got = ResultOf(again.sim);
        EXPECT_EQ(got.fills, want.fills);
        EXPECT_EQ(got.executionLines, want.executionLines);
        EXPECT_EQ(got.account, want.account);
        EXPECT_EQ(got.steps, want.steps);
        EXPECT_EQ(got.end, want.end);
        const SessionRecorder::PlaybackOutcome& played = again.sim.sessions().outcome();
        EXPECT_EQ(played.actionsLeft, 0);
        EXPECT_EQ(played.answersLeft, 0);
        EXPECT_TRUE(played.matched) << "it did not end as its file says";
        EXPECT_EQ(EncodeCp932(played.history.realized), realized);
        EXPECT_EQ(EncodeCp932(played.history.executions), executions);
        // Played again, nothing was appended to the files.
        EXPECT_EQ(SizeOf(JoinPath(history, kRealizedFile)), realizedBefore + realized.size());

        // The same file cut short after an action in mid-run, as when the program ended there:
        // it plays to that action and stops, without settling or keeping anything.
        std::string text = ReadWholeFile(sessionPath).value_or("");
        std::size_t cut = 0;
        for (int lines = 0; lines < 40 && cut != std::string::npos; ++lines) cut = text.find('\n', cut + 1);
        if (cut == std::string::npos) continue;
        auto shortened = ParseSession(text.substr(0, cut + 1), error);
        ASSERT_TRUE(shortened) << error;
        ASSERT_EQ(shortened->end, "");
        const int lastStep = shortened->actions.empty() ? 0 : shortened->actions.back().step;
        Program cutShort(seed + 2000, 1);
        ASSERT_EQ(cutShort.sim.player().Play(std::move(*shortened), false), "");
        cutShort.PlaySessionOut();
        cutShort.sim.player().Stop();
        EXPECT_TRUE(cutShort.sim.sessions().outcome().cutShort || lastStep >= want.steps);
        EXPECT_FALSE(cutShort.sim.sessions().outcome().matched);
        EXPECT_TRUE(cutShort.sim.sessions().outcome().history.empty());
        EXPECT_FALSE(cutShort.sim.replay().dayCompleted());
    }
    EXPECT_GE(sessionsWithFills, 3) << "too few sessions traded to prove anything";
    EXPECT_GE(keptSessions, 2);
}

TEST(SessionReplayTest, ASessionWhoseDataChangedOrWentIsRefusedAndWatchingLeavesTheUsersAccount) {
    ASSERT_TRUE(Demo().ok) << Demo().error;
    Program original(11, 0);
    Simulation& sim = original.sim;
    ASSERT_NO_FATAL_FAILURE(original.PlayTo(Demo().dateFolders[2], "09:30:00"));
    sim.replay().RequestClose();
    std::string error;
    const auto file = ReadSession(sim.sessions().path(), error);
    ASSERT_TRUE(file) << error;
    ASSERT_EQ(file->start.files.size(), 4u);  // the previous and the chosen day, index and stock

    Program watcher(12, 0);
    Simulation& w = watcher.sim;
    w.trading().RestoreAccount(2'000'000, 700, 300, false);
    SessionFile changed = *file;
    changed.start.files[3].fnv1a64 = "0000000000000000";
    EXPECT_NE(w.player().Play(changed, true).find(changed.start.files[3].name + " が記録したときから変わっています"),
              std::string::npos);
    // A file of another day than the start names is not part of this session.
    changed = *file;
    changed.start.files[1].name = "991231/8473.csv";
    EXPECT_NE(w.player().Play(changed, true).find("合いません"), std::string::npos);
    EXPECT_FALSE(w.sessions().playing());

    // Watching: the user's own presses and dialogs are not taken, ■ ends it, and the account,
    // the data folder and N are the user's again.
    const std::string ownFolder = w.settings().dataFolder();
    ASSERT_EQ(w.player().Play(*file, true), "");
    EXPECT_EQ(w.trading().account().baseInvestment, 1'000'000);  // the session's own start
    ASSERT_TRUE(watcher.scheduler.RunUntil([&] { return w.display().clockText >= "09:10:00"; }, 100'000'000));
    w.orderDialogs().OpenNewOrderDialog();
    EXPECT_FALSE(w.orderDialogs().newOrderDialog().visible);
    w.replay().PressPlayback(kPlayPause);
    EXPECT_FALSE(w.replay().clock().paused);
    w.replay().PressPlayback(kStop);
    EXPECT_FALSE(w.sessions().playing());
    EXPECT_FALSE(w.replay().running() && w.replay().clock().replayReady);
    EXPECT_EQ(w.trading().account().baseInvestment, 2'000'000);
    EXPECT_EQ(w.trading().account().profitTotal, 700);
    EXPECT_EQ(w.settings().dataFolder(), ownFolder);
    // A watched session writes no session file of its own.
    EXPECT_EQ(w.sessions().path(), "");
}

// A price clicked on the board goes into the dialog opened within 30 seconds of the computer's
// clock: played again on a clock that runs a thousand times as fast, it still does.
TEST(SessionReplayTest, ABoardClickStillFreshWhenTheDialogOpenedIsFreshWhenPlayedAgain) {
    ASSERT_TRUE(Demo().ok) << Demo().error;
    Program original(21, 0);
    Simulation& sim = original.sim;
    ASSERT_NO_FATAL_FAILURE(original.PlayTo(Demo().dateFolders[2], "09:10:00"));
    sim.orderDialogs().ClickBoardPrice(2);
    const std::int64_t clickedAt = original.scheduler.NowMs();
    ASSERT_TRUE(original.scheduler.RunUntil([&] { return sim.display().clockText >= "09:10:10"; }, 100'000'000));
    ASSERT_LT(original.scheduler.NowMs() - clickedAt, 30'000);
    sim.orderDialogs().OpenNewOrderDialog();
    const std::string clicked = sim.orderDialogs().newOrderDialog().form.price;
    ASSERT_FALSE(clicked.empty());
    sim.replay().PressPlayback(kStop);  // the dialog closes with the replay; its price was the point
    ASSERT_TRUE(original.scheduler.RunUntil([&] { return !sim.replay().running(); }, 100'000'000));

    std::string error;
    auto file = ReadSession(sim.sessions().path(), error);
    ASSERT_TRUE(file) << error;
    ASSERT_EQ(file->boardClicks, std::vector<bool>{true});
    Program again(22, 0, /*pace=*/1000);
    Simulation& w = again.sim;
    std::string seen;
    w.SetChangeListener([&] {
        if (w.orderDialogs().newOrderDialog().visible) seen = w.orderDialogs().newOrderDialog().form.price;
    });
    ASSERT_EQ(w.player().Play(std::move(*file), false), "");
    again.PlaySessionOut();
    EXPECT_EQ(seen, clicked);
}

}  // namespace
}  // namespace corvala
