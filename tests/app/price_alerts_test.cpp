// Price alerts: ten at most, each fires once when the prints of a pass reach it (touched at either
// end of their span or crossed), and in a replay it pauses at that step with the stop sound and
// a line that says so.

#include "app/price_alerts.h"

#include "replay_fixture.h"

namespace corvala {
namespace {

class NoLog final : public OperationLog {
public:
    Opened BeginOperation(SessionOp, std::vector<std::string>) override { return {}; }
    void EndOperation(const Opened&) override {}
};

TEST(PriceAlertsTest, TenAtMostAndEachReachedOnce) {
    NoLog log;
    PriceAlerts alerts(log);
    for (int i = 1; i <= 10; ++i) EXPECT_TRUE(alerts.Add(1000 + i));
    EXPECT_FALSE(alerts.Add(2000));  // an eleventh
    alerts.Remove(1005);
    EXPECT_FALSE(alerts.Add(1001));  // set already
    EXPECT_FALSE(alerts.Add(0));
    EXPECT_TRUE(alerts.Add(999.5));
    EXPECT_TRUE(alerts.TakeReached(1000, 0, 0).empty());  // no print came
    EXPECT_EQ(alerts.TakeReached(0, 1003, 1006), (std::vector<double>{1003, 1004, 1006}));  // both ends touch
    EXPECT_TRUE(alerts.TakeReached(0, 1003, 1006).empty());                                  // once each
    // From a print at 1,010 down to 1,008–1,009: 1,010 itself was reached before, not now.
    EXPECT_EQ(alerts.TakeReached(1010, 1008, 1009), (std::vector<double>{1008, 1009}));
    // From 1,002 the prices jump to 999–1,000: 1,001 lies on the way, crossed; 999.5 is touched.
    EXPECT_EQ(alerts.TakeReached(1002, 999, 1000), (std::vector<double>{999.5, 1001}));
    EXPECT_EQ(alerts.prices(), (std::vector<double>{1002, 1007, 1010}));
}

TEST(PriceAlertsTest, ATypedPriceIsSetOnlyWhenItIsAPriceOnTheGrid) {
    NoLog log;
    PriceAlerts alerts(log);
    EXPECT_EQ(alerts.AddTyped("abc", false), "アラートの価格は0より大きい数字で入力して下さい。");
    EXPECT_EQ(alerts.AddTyped("-5", false), "アラートの価格は0より大きい数字で入力して下さい。");
    EXPECT_EQ(alerts.AddTyped("3,136", false), "3,136円は呼値の単位（5円）に合っていません。");
    EXPECT_EQ(alerts.AddTyped("1,500.5", false), "1,500.5円は呼値の単位（1円）に合っていません。");
    EXPECT_EQ(alerts.AddTyped("1,500", false), "");
    EXPECT_EQ(alerts.AddTyped("1500", false), "1,500円のアラートはすでにあります。");
    EXPECT_EQ(alerts.AddTyped("1,500.5", true), "");  // the fine table's half-yen step
    EXPECT_EQ(alerts.prices(), (std::vector<double>{1500, 1500.5}));
}

class PriceAlertReplayTest : public test::ReplayFixture {};

// 新規注文's box: the stored limit's price becomes an alert; a market order sets none, nor does
// an order answered No.
TEST_F(PriceAlertReplayTest, AnOrderWithItsBoxTickedSetsAnAlertAtItsLimit) {
    Prepare();
    OrderDialogs& dialog = sim->orderDialogs();
    const auto order = [&](const std::string& price, bool answer) {
        dialog.OpenNewOrderDialog();
        dialog.EditOrderText(false, OrderField::Quantity, "100");
        if (price.empty()) dialog.SetOrderOption(false, OrderDialogs::OrderOption::NormalMarket, true);
        else dialog.EditOrderText(false, OrderField::Price, price);
        dialog.SetOrderAlert(true);
        dialogs.answers = {answer};
        const EntryOutcome out = dialog.SubmitNewOrderDialog();
        if (dialog.newOrderDialog().visible) dialog.CancelNewOrderDialog();
        return out.status;
    };
    EXPECT_EQ(order("995", false), EntryOutcome::Status::Declined);
    EXPECT_TRUE(sim->alerts().prices().empty());
    EXPECT_EQ(order("995", true), EntryOutcome::Status::Stored);
    EXPECT_EQ(order("", true), EntryOutcome::Status::Stored);
    EXPECT_EQ(sim->alerts().prices(), (std::vector<double>{995}));
    dialog.OpenNewOrderDialog();
    EXPECT_FALSE(dialog.newOrderDialog().alertAtPrice);  // each order ticks its own
}

TEST_F(PriceAlertReplayTest, APrintReachingAnAlertPausesTheReplayAtItsStep) {
    for (int row = 240; row <= stock.closingLine(); ++row) stock.Set(row, 3, "1010");  // from 09:20
    AddStock("221102", "8473", stock);
    Prepare();
    ASSERT_TRUE(sim->alerts().Add(1005));
    ASSERT_TRUE(sim->alerts().Add(1200));  // never reached
    Press(kPlayPause);
    ASSERT_TRUE(RunUntil([&] { return !sim->replay().firedAlerts().empty(); }));
    const int row = sim->replay().clock().currentRow;
    EXPECT_TRUE(row == 239 || row == 240) << row;  // the step that printed 1,010
    // It holds before the next step, as || would, that step's prints not yet shown.
    ASSERT_TRUE(RunUntil([&] { return sim->replay().clock().heldPaused; }, 60'000));
    EXPECT_EQ(sim->replay().clock().currentRow, row + 1);
    EXPECT_EQ(sim->replay().clock().stepsRun, row + 1);
    const std::string clock = sim->replay().firedAlerts().front().clock;
    EXPECT_EQ(d().message.text, "　　" + clock + "　アラート 1,005円に達しました。");
    ASSERT_FALSE(sound.played.empty());
    EXPECT_EQ(sound.played.back().first, "逆指音.mp3");
    EXPECT_EQ(sim->alerts().prices(), (std::vector<double>{1200}));
    // Played on, it does not fire again; the day ends.
    Press(kPlayPause);
    RunToEnd();
    EXPECT_EQ(sim->replay().firedAlerts().size(), 1u);
    EXPECT_EQ(steps.back().row, 3599);
}

}  // namespace
}  // namespace corvala
