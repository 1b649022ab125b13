// Buying power, cash-only mode, the totals with their tax, and the realised results of closing
// fills.

#include "account/account.h"
#include "account/history.h"

#include <gtest/gtest.h>

#include "trading/pnl.h"
#include "test_support.h"

namespace corvala {
namespace {

TEST(AccountTest, BuyingPowerFollowsTheLeverage) {
    Account a;
    ResetBuyingPower(a);
    EXPECT_EQ(ShowAccount(a).buyingPower, "3,000,000");
    EXPECT_EQ(ShowAccount(a).buyingPowerCaption, "新規建余力");
    EXPECT_TRUE(ToggleCashOnly(a, true));
    EXPECT_EQ(ShowAccount(a).buyingPower, "1,000,000");
    EXPECT_EQ(ShowAccount(a).buyingPowerCaption, "買付可能額");
    AdjustBuyingPower(a, -123'456.4);
    EXPECT_EQ(a.buyingPower, 876'544);  // whole yen, as the label reads back
}

// A run that lost more than the investment leaves the field below 0: at rest the buying power is
// 0, not a negative amount times the leverage (a settled limit-up short left −6,294,500).
TEST(AccountTest, AnAccountUnderWaterRestsAtNoBuyingPower) {
    Account a;
    a.baseInvestment = 500'000;
    a.lossTotal = 2'600'000;
    ResetBuyingPower(a);
    EXPECT_EQ(a.buyingPower, 0);
    EXPECT_TRUE(ToggleCashOnly(a, true));
    EXPECT_EQ(a.buyingPower, 0);
}

TEST(AccountTest, BelowThreeHundredThousandOnlyCashTrading) {
    test::ScriptedDialogs dialogs;
    Account a;
    dialogs.answers = {true};
    std::string message;
    EXPECT_TRUE(ChangeInvestment(a, "250000", dialogs, message));
    EXPECT_EQ(message, "投資金額が30万円を割っていますので、現物取引のみとなります。");
    EXPECT_TRUE(a.cashOnly);
    EXPECT_EQ(ShowAccount(a).buyingPower, "250,000");
    EXPECT_EQ(dialogs.questions[0].second, "投資金額を変更しますか？\n変更の場合、今回の損益や全損益はリセットされます。");

    a.baseInvestment = 299'999;
    EXPECT_TRUE(ToggleCashOnly(a, false));  // the box checks itself again
    EXPECT_TRUE(a.cashOnly);
}

TEST(AccountTest, ARefusedChangeKeepsEverything) {
    test::ScriptedDialogs dialogs;
    Account a;
    a.profitTotal = 5000;
    dialogs.answers = {false};
    std::string message;
    EXPECT_FALSE(ChangeInvestment(a, "2,000,000", dialogs, message));
    EXPECT_EQ(a.baseInvestment, 1'000'000);
    EXPECT_EQ(a.profitTotal, 5000);
    EXPECT_EQ(ShowAccount(a).investment, "1,003,984");  // 1,000,000 + 5,000 × 79.685 %
    // A text that is no number is read as 1,000,000: nothing to ask.
    EXPECT_FALSE(ChangeInvestment(a, "abc", dialogs, message));
    EXPECT_EQ(dialogs.questions.size(), 1u);
}

TEST(AccountTest, TotalsTaxAndTooltips) {
    Account a;
    a.profitTotal = 150'000;
    a.lossTotal = 50'000;
    AccountTexts t = ShowAccount(a);
    EXPECT_EQ(t.netPnl, "100,000");
    EXPECT_EQ(t.netPnlAfterTax, "79,685");
    EXPECT_EQ(t.netPnlAfterTaxTooltip, "税金分： 20,315円");
    EXPECT_EQ(t.netPnlTooltip, "利益分： 150,000円 　  損失分： 50,000円");
    a.profitTotal = 0;
    a.lossTotal = 30'000;
    t = ShowAccount(a);
    EXPECT_EQ(t.netPnl, "-30,000");
    EXPECT_EQ(t.netPnlAfterTax, "-30,000");
    EXPECT_EQ(t.netPnlAfterTaxTooltip, "税金分： 0円");
}

// Totals beyond 32 bits stay what they are: no wrap to a profit never made, and a credit stops
// at the largest amount the settings file reads back.
TEST(AccountTest, MoneyBeyondThirtyTwoBitsIsKeptWholeAndNeverWraps) {
    Account a;
    a.profitTotal = 1;
    a.lossTotal = 2'147'483'648;  // the loss that read as -2147483648 once made 2,147,483,647 of profit
    EXPECT_EQ(a.Net(), -2'147'483'647);
    EXPECT_EQ(ShowAccount(a).netPnl, "-2,147,483,647");
    a = Account{};
    a.baseInvestment = 5'000'000'000;
    a.profitTotal = 3'000'000'000;
    CreditResult(a, 1'000'000'000);
    EXPECT_EQ(a.profitTotal, 4'000'000'000);
    EXPECT_EQ(ShowAccount(a).netPnl, "4,000,000,000");
    EXPECT_EQ(ShowAccount(a).investment, "8,187,400,000");  // 5e9 + 4e9 × 79.685 %
    a.lossTotal = kMaxYen - 10;
    EXPECT_FALSE(a.totalsCapped);
    CreditResult(a, -1e18);
    EXPECT_EQ(a.lossTotal, kMaxYen);
    EXPECT_TRUE(a.totalsCapped);  // said, not silently dropped
    // An amount typed that the account cannot hold is no amount: 1,000,000 is asked instead.
    test::ScriptedDialogs dialogs;
    dialogs.answers = {true, true};
    std::string message;
    EXPECT_TRUE(ChangeInvestment(a, "-5,000,000", dialogs, message));
    EXPECT_EQ(a.baseInvestment, kDefaultInvestment);
    EXPECT_TRUE(ChangeInvestment(a, "10,000,000,000", dialogs, message));
    EXPECT_EQ(a.baseInvestment, 10'000'000'000);
    EXPECT_FALSE(a.totalsCapped);  // the totals were wiped with the change
    // Beyond a trillion yen the totals could grow past what is kept: refused, and said so.
    EXPECT_FALSE(ChangeInvestment(a, "1,000,000,000,001", dialogs, message));
    EXPECT_EQ(message, "投資金額は1,000,000,000,000円までです。");
    EXPECT_EQ(a.baseInvestment, 10'000'000'000);
}

TEST(AccountTest, ResetAsksOnlyWhenThereIsSomethingToReset) {
    test::ScriptedDialogs dialogs;
    Account a;
    EXPECT_FALSE(ResetTotals(a, dialogs));
    EXPECT_TRUE(dialogs.questions.empty());
    a.lossTotal = 1000;
    dialogs.answers = {true};
    EXPECT_TRUE(ResetTotals(a, dialogs));
    EXPECT_EQ(a.lossTotal, 0);
    EXPECT_EQ(dialogs.questions[0].second,
              "全損益がリセットされますが、宜しいですか？\n投資金額も当初設定の1,000,000に戻ります。");
    EXPECT_EQ(ResetMarkerLine({2022, 11, 2}),
              "******************************   2022/11/02全損益をリセットしました   ******************************");
}

TEST(AccountTest, ADiscardedRunGoesBackToTheSnapshot) {
    Account a;
    a.profitTotal = 100;
    SnapshotTotals(a);
    CreditResult(a, 2500.5);  // halves round to even
    CreditResult(a, -700.5);
    EXPECT_EQ(a.profitTotal, 2600);
    EXPECT_EQ(a.lossTotal, 700);
    a.runPnl = 1800;
    DiscardRun(a);
    EXPECT_EQ(a.profitTotal, 100);
    EXPECT_EQ(a.lossTotal, 0);
    EXPECT_EQ(a.runPnl, 0);
    EXPECT_EQ(ShowAccount(a).buyingPower, "3,000,240");  // the field reads 1,000,080; × 3
}

class ClosingFillTest : public ::testing::Test {
protected:
    void Position(int slot, Side side, Shares qty, Price price) {
        auto& p = book.positions[static_cast<std::size_t>(slot)];
        p.number = 200 + slot;
        p.side = side;
        p.quantity = qty;
        p.price = price;
    }
    ClosingOrder Close(Side side, Shares qty, const std::string& slots, const std::string& qtys) {
        ClosingOrder o;
        o.number = 300;
        o.side = side;
        o.quantity = qty;
        o.closeSlots = slots;
        o.closeQuantities = qtys;
        return o;
    }
    OrderBook book;
    Account a;
};

TEST_F(ClosingFillTest, LongShortAndSpanningCloses) {
    a.buyingPower = 0;
    Position(0, kSideMarginBuy, 100, 500);
    ClosingOrder sell = Close(kSideMarginBuy, 100, "0", "100");
    EXPECT_EQ(ClosingFillAccounting(a, sell, book, 510, 36'000), 1000);
    EXPECT_EQ(a.profitTotal, 1000);
    EXPECT_EQ(a.buyingPower, 51'000);
    EXPECT_EQ(sell.limitPrice, 510);
    EXPECT_EQ(sell.placedAt, 36'000);

    a = Account{};
    Position(1, kSideMarginSell, 100, 500);
    ClosingOrder buy = Close(kSideMarginSell, 100, "1", "100");
    EXPECT_EQ(ClosingFillAccounting(a, buy, book, 510, 36'000), -1000);
    EXPECT_EQ(a.lossTotal, 1000);
    EXPECT_EQ(a.buyingPower, 49'000);

    a = Account{};
    Position(2, kSideMarginBuy, 100, 500);
    Position(3, kSideMarginBuy, 200, 520);
    ClosingOrder both = Close(kSideMarginBuy, 300, "3,2", "200,100");
    EXPECT_EQ(ClosingFillAccounting(a, both, book, 510, 36'000), -1000);
    EXPECT_EQ(a.profitTotal, 0);
    EXPECT_EQ(a.lossTotal, 1000);
    EXPECT_EQ(a.runPnl, -1000);
}

// Half a million shares of a 4,595-yen stock hold 2,302,554,500 yen: beyond what a float holds to
// the yen. Closing them gives back exactly that and the result, not a rounded sum.
TEST_F(ClosingFillTest, BigClosesAreAccountedToTheYen) {
    a = Account{};
    Position(4, kSideMarginSell, 501'100, 4595);
    ClosingOrder buy = Close(kSideMarginSell, 501'100, "4", "501100");
    EXPECT_EQ(ClosingFillAccounting(a, buy, book, 4605, 36'000), -5'011'000);
    EXPECT_EQ(a.buyingPower, 2'302'554'500.0 - 5'011'000);
    a = Account{};
    Position(5, kSideMarginBuy, 501'100, 4595);
    ClosingOrder sell = Close(kSideMarginBuy, 501'100, "5", "501100");
    EXPECT_EQ(ClosingFillAccounting(a, sell, book, 4607, 36'000), 6'013'200);
    EXPECT_EQ(a.buyingPower, 4607.0 * 501'100);
}

// A decimal stock's close: the account is credited −8,700 yen, and the history row says the same,
// to the yen (in single precision the row read −8700.073).
TEST_F(ClosingFillTest, ADecimalCloseIsTheSameYenInTheAccountAndTheHistory) {
    a = Account{};
    Position(6, kSideMarginBuy, 3000, Price::Nearest(1002.9));
    ClosingOrder sell = Close(kSideMarginBuy, 3000, "6", "3000");
    EXPECT_EQ(ClosingFillAccounting(a, sell, book, 1000, 36'000), -8700);
    EXPECT_EQ(a.lossTotal, 8700);
    HistoryBuffers rows;
    rows.Add(RunInfo{}, RealizedRow{34'200, "買建", "売埋", 3000, Price::Nearest(1002.9), 36'000, 1000});
    EXPECT_NE(rows.realized.find(",1002.9,売埋,10:00:00,1000,-8700,3000000"), std::string::npos) << rows.realized;
}

// A result in tenths of a yen (three shares of a decimal stock) is credited as whole yen, and the
// run's result moves by exactly what the totals took: 今回の損益 and 全損益 never part.
TEST_F(ClosingFillTest, AResultInTenthsIsCreditedAsTheSameWholeYenToTheRunAndTheTotals) {
    a = Account{};
    Position(7, kSideMarginBuy, 3, Price::Nearest(1002.9));
    ClosingOrder sell = Close(kSideMarginBuy, 3, "7", "3");
    EXPECT_NEAR(ClosingFillAccounting(a, sell, book, 1000, 36'000), -8.7, 1e-9);
    EXPECT_EQ(a.lossTotal, 9);
    EXPECT_EQ(a.runPnl, -9);
    for (const double pnl : {12.5, -3.5, 0.4, 7.6}) CreditResult(a, pnl);
    EXPECT_EQ(a.runPnl, a.Net());
    EXPECT_EQ(ShowAccount(a).runPnl, ShowAccount(a).netPnl);
}

TEST_F(ClosingFillTest, MismatchedOrBrokenAllocationsRealiseNothing) {
    Position(0, kSideMarginBuy, 100, 500);
    EXPECT_EQ(単一取引の損益計算(Close(kSideMarginBuy, 100, "0,1", "100"), book, 510, kSideMarginBuy, false), 0);
    EXPECT_EQ(単一取引の損益計算(Close(kSideMarginBuy, 100, "", ""), book, 510, kSideMarginBuy, false), 0);
    EXPECT_EQ(単一取引の損益計算(Close(kSideMarginBuy, 100, "99", "100"), book, 510, kSideMarginBuy, false), 0);
    EXPECT_EQ(PositionResult(kSideMarginSell, 500, 100, 490), 1000);
    EXPECT_EQ(PositionResult(kSideCash, 520, 200, 510), -2000);
}

}  // namespace
}  // namespace corvala
