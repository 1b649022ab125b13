// Components built alone, with a small host standing in for the rest of the program: what each
// does on its own, and what it tells its host.

#include <gtest/gtest.h>

#include "app/chart_state.h"
#include "app/quiz_state.h"
#include "app/settings_state.h"
#include "app/trading_desk.h"
#include "platform/virtual_scheduler.h"
#include "replay/services.h"
#include "test_support.h"

namespace corvala {
namespace {

// The rest of the program as the trading desk and its chart see it.
class DeskHost final : public RunForOrders, public TradingDesk::OrderWatcher, public ChartState::Host,
                       public RunRecords {
public:
    bool replayOpen = false;
    int stored = 0, gone = 0, shown = 0;

    int ChartBarLength() const override { return 5; }
    void ChartRedisplayDay() override {}
    void ChartCursorRemoved() override {}
    bool ReplayOpenForOrders() const override { return replayOpen; }
    double StepPrice() const override { return 3000; }
    RunInfo CurrentRunInfo() override { return {}; }
    void NewOrderFilled() override {}
    void OrderStored() override { ++stored; }
    void OrderGone(int, bool) override { ++gone; }
    void FollowOrders() override { ++shown; }
    void KeepRun() override {}
    bool DivertHistory(const HistoryAppend&) override { return true; }
    bool playing() const override { return false; }
};

// The session file's log: every operation it was asked to open, refused when `refuse`.
class Log final : public OperationLog {
public:
    std::vector<std::string> ops;
    bool refuse = false;
    Opened BeginOperation(SessionOp op, std::vector<std::string>) override {
        ops.emplace_back(SessionOpName(op));
        return {!refuse, false};
    }
    void EndOperation(const Opened&) override {}
};

class TradingDeskTest : public ::testing::Test {
protected:
    TradingDeskTest() { desk.RestoreAccount(1'000'000, 0, 0, false); }
    static NewOrderForm LimitBuy(const std::string& price) {
        NewOrderForm f;
        f.quantity = "100";
        f.price = price;
        return f;
    }

    DeskHost host;
    Log log;
    test::ScriptedDialogs dialogs;
    test::FixedClock clock;
    test::FixedRandom random;
    VirtualScheduler scheduler;
    MainDisplay display;
    Services services{display, dialogs, scheduler};
    ReplayClock replay;
    PriceAlerts alerts{log};
    // The desk holds the chart; the chart reaches the desk as its RowBoard, so the desk is built first.
    TradingDesk desk{{host, services, host, host, log, display, replay, chart}, TradingDesk::Ports{clock, random, nullptr},
                     "/nonexistent"};
    ChartState chart{host, services, desk, display, replay, alerts};
};

TEST_F(TradingDeskTest, WithoutAReplayEveryOrderIsRefusedAndNoMoneyMoves) {
    const double power = desk.account().buyingPower;
    const EntryOutcome out = desk.PlaceNewOrder(LimitBuy("3000"));
    EXPECT_EQ(out.status, EntryOutcome::Status::NoReplay);
    EXPECT_FALSE(desk.CancelOrder(0, false));
    EXPECT_EQ(desk.account().buyingPower, power);
    EXPECT_FALSE(desk.orders().pendingNewOrders[0].InUse());
    EXPECT_EQ(host.stored, 0);
    // Each was still an operation of the user's, for the session file.
    EXPECT_EQ(log.ops, (std::vector<std::string>{"PlaceNewOrder", "CancelOrder"}));
}

TEST_F(TradingDeskTest, AStoredOrderReservesItsAmountAndACancelGivesItBack) {
    host.replayOpen = true;
    dialogs.answers = {true};  // the order's confirmation
    const double power = desk.account().buyingPower;
    const EntryOutcome out = desk.PlaceNewOrder(LimitBuy("3000"));
    ASSERT_EQ(out.status, EntryOutcome::Status::Stored);
    EXPECT_GE(out.amount, 300'000);
    EXPECT_DOUBLE_EQ(desk.account().buyingPower, power - out.amount);
    EXPECT_EQ(host.stored, 1);  // the step's wait ends: the engine's next pass sees it
    EXPECT_GT(host.shown, 0);   // the lists and the order buttons follow

    dialogs.answers = {false};  // "選択行の注文を取消します。" answered いいえ
    EXPECT_FALSE(desk.CancelOrder(out.slot, false));
    EXPECT_DOUBLE_EQ(desk.account().buyingPower, power - out.amount);
    dialogs.answers = {true};
    EXPECT_TRUE(desk.CancelOrder(out.slot, false));
    EXPECT_DOUBLE_EQ(desk.account().buyingPower, power);
    EXPECT_FALSE(desk.orders().pendingNewOrders[static_cast<std::size_t>(out.slot)].InUse());
}

TEST_F(TradingDeskTest, AnOperationTheSessionRefusesDoesNothing) {
    host.replayOpen = true;
    log.refuse = true;  // a session plays, and this order is not in its file
    dialogs.answers = {true};
    const double power = desk.account().buyingPower;
    EXPECT_NE(desk.PlaceNewOrder(LimitBuy("3000")).status, EntryOutcome::Status::Stored);
    EXPECT_EQ(desk.account().buyingPower, power);
    EXPECT_EQ(host.stored, 0);
    EXPECT_TRUE(dialogs.questions.empty());  // not even asked
}

// The quiz mode with no data service: the toggle tells why and leaves the user's day alone.
class QuizHost final : public QuizMode::Host {
public:
    int swaps = 0;
    int NextBarLength() const override { return 5; }
    QuizMode::UserDay EnterQuizDay(const std::string&, const QuizDescription&) override {
        ++swaps;
        return {};
    }
    void SettleQuizDay(const std::string&) override { ++swaps; }
    void LeaveQuizDay(const QuizMode::UserDay&) override { ++swaps; }
    void PrepareQuizDay(const StartPosition&) override { ++swaps; }
    void DisplayQuizDay() override { ++swaps; }
};

TEST(QuizModeTest, WithoutADataServiceTheToggleSaysSoAndSwapsNothing) {
    test::TempDir dir;
    QuizHost host;
    test::ScriptedDialogs dialogs;
    VirtualScheduler scheduler;
    MainDisplay display;
    Services services(display, dialogs, scheduler);
    ReplayClock replay;
    QuizMode quiz(host, services, replay, display, dir.path(), dialogs, scheduler, nullptr, nullptr);
    quiz.Check();
    EXPECT_EQ(display.quizColour, QuizButtonColour::Grey);
    EXPECT_NE(display.quizTip.find("出題データは取得できません"), std::string::npos);
    quiz.SetChecked(true);
    EXPECT_FALSE(quiz.on());
    ASSERT_EQ(dialogs.notices.size(), 1u);
    EXPECT_EQ(dialogs.notices[0].first, "ダウンロードエラー");
    quiz.Leave();  // off already: nothing to bring back
    EXPECT_EQ(host.swaps, 0);
}

// The settings with the rest of the program counting what they tell it.
class SettingsHost final : public SettingsState::Host {
public:
    int folderChanges = 0, edits = 0;
    void DataFolderChanged() override { ++folderChanges; }
    void SettingsFieldsEdited() override { ++edits; }
};

class AnsweringPicker final : public FolderPicker {
public:
    std::string answer;
    void ChooseFolder(std::function<void(const std::string&)> done) override { done(answer); }
};

class SettingsAloneTest : public ::testing::Test {
protected:
    SettingsAloneTest() {
        settings.Load("");
        settings.UseFolder(dir.Sub("own") + "/", std::nullopt);
        settings.FillDialog(settings.dataFolder(), 5, 5, 12);
        settings.Open();
        settings.Activate();
        picker.answer = dir.Sub("picked");
    }
    test::TempDir dir;
    SettingsHost host;
    test::ScriptedDialogs dialogs;
    AnsweringPicker picker;
    VirtualScheduler scheduler;
    MainDisplay display;
    Services services{display, dialogs, scheduler};
    SettingsState settings{host, services, dir.path(), nullptr, &picker};
};

TEST_F(SettingsAloneTest, CancelBringsBackTheFolderOfTheDialogsOpeningAndSaysSo) {
    const std::string own = settings.dataFolder();
    settings.PressFolderButton();  // "..." takes effect at once
    EXPECT_EQ(settings.dataFolder(), dir.Sub("picked") + "/");
    EXPECT_EQ(host.folderChanges, 1);
    settings.Cancel();
    EXPECT_EQ(settings.dataFolder(), own);
    EXPECT_EQ(host.folderChanges, 2);  // the day loaded from the picked folder is forgotten too
    EXPECT_EQ(settings.dialog().fields.folder, own);
}

TEST_F(SettingsAloneTest, APickedFolderTypedOverWithTheOldOneIsNotKept) {
    const std::string own = settings.dataFolder();
    settings.PressFolderButton();
    settings.EditFolder(own);  // the field reads as it did at the opening
    EXPECT_EQ(host.edits, 1);
    const SettingsChoice choice = settings.Apply();
    EXPECT_FALSE(choice.folderChanged);
    EXPECT_EQ(settings.dataFolder(), own);
    EXPECT_EQ(host.folderChanges, 2);
    EXPECT_EQ(settings.FolderToSave(), own);
}

}  // namespace
}  // namespace corvala
