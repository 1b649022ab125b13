// One-key orders: the dialogs' entry and refusals at the market's best prices, the confirmation
// as set, and the keys that close and cancel everything without a yen left reserved.

#include "app/one_key_orders.h"

#include "replay_fixture.h"

namespace corvala {
namespace {

class OneKeyOrdersTest : public test::ReplayFixture {
protected:
    void PlayTo(int row) {
        Prepare();
        Press(kPlayPause);
        ASSERT_TRUE(RunToRow(row));
    }
    std::string Key(OneKey key, const std::string& qty = {}) { return sim->oneKeys().Press(key, qty); }
    void Confirm(bool on, int units = 1) { sim->oneKeys().SetOptions({{"F6", "F7", "F8", "F9"}, on, units}); }
    double BuyingPower() const { return sim->trading().account().buyingPower; }
    const OrderBook& Book() const { return sim->trading().orders(); }
    int Pending() const {
        int n = 0;
        for (const Order& o : Book().pendingNewOrders) n += o.InUse();
        for (const Order& o : Book().pendingClosingOrders) n += o.InUse();
        return n;
    }
};

TEST_F(OneKeyOrdersTest, BuyAndSellAtTheBestPricesTakeTheDialogsChecksAndConfirmation) {
    Start();
    const std::string closed = "シミュレーションの再生中ではないため、注文できません。";
    EXPECT_EQ(Key(OneKey::BuyAtAsk), closed);
    EXPECT_EQ(dialogs.notices.back().second, closed);
    PlayTo(2);
    const double start = BuyingPower();
    dialogs.answers = {true};
    EXPECT_EQ(Key(OneKey::BuyAtAsk), "");
    // No form shows the order: the question says it.
    EXPECT_EQ(dialogs.questions.back(),
              (std::pair<std::string, std::string>{"注文内容確認", "買建 1,001円 100株\n表記内容で注文しますか？"}));
    const Order& buy = Book().pendingNewOrders[0];
    EXPECT_EQ(buy.limitPrice, 1001.0f);  // the best ask
    EXPECT_EQ(buy.quantity, 100.0f);     // one trading unit
    EXPECT_EQ(buy.side, kSideMarginBuy);
    EXPECT_EQ(BuyingPower(), start - 100'100);

    // Answered No: nothing stored, nothing reserved.
    dialogs.answers = {false};
    EXPECT_EQ(Key(OneKey::SellAtBid, "1000"), "");
    EXPECT_EQ(dialogs.questions.back().second, "売建 999円 1,000株\n表記内容で注文しますか？");
    EXPECT_EQ(Pending(), 1);

    // Without confirmation: stored at once, at the best bid, with the quantity given.
    Confirm(false);
    const std::size_t asked = dialogs.questions.size();
    EXPECT_EQ(Key(OneKey::SellAtBid, "300"), "");
    EXPECT_EQ(dialogs.questions.size(), asked);
    const Order& sell = Book().pendingNewOrders[1];
    EXPECT_EQ(sell.limitPrice, 999.0f);
    EXPECT_EQ(sell.quantity, 300.0f);
    EXPECT_EQ(sell.side, kSideMarginSell);

    // More than the account can hold back: refused as the dialog refuses, nothing taken.
    const double before = BuyingPower();
    EXPECT_EQ(Key(OneKey::BuyAtAsk, "10000000"), "資金が足りません。");
    EXPECT_EQ(dialogs.notices.back(), (std::pair<std::string, std::string>{"注文エラー", "資金が足りません。"}));
    EXPECT_EQ(BuyingPower(), before);
    EXPECT_EQ(Pending(), 2);

    // An order dialog open: its form is the user's, the key does not act.
    sim->orderDialogs().OpenNewOrderDialog();
    EXPECT_FALSE(Key(OneKey::CancelAll).empty());
    EXPECT_EQ(Pending(), 2);
}

TEST_F(OneKeyOrdersTest, CloseAllAndCancelAllLeaveNothingOpenAndGiveBackEveryReservedYen) {
    PlayTo(2);
    Confirm(false, 2);
    const std::string noneFree = "返済できる建玉がありません（返済注文中の株数は除きます）。";
    EXPECT_EQ(Key(OneKey::CloseAll), noneFree);
    EXPECT_EQ(Key(OneKey::CancelAll), "取消できる注文がありません。");
    ASSERT_EQ(Key(OneKey::BuyAtAsk), "");  // 200 shares, marketable at the ask
    ASSERT_TRUE(RunUntil([&] { return !sim->trading().fills().empty(); }));
    const double afterFill = BuyingPower();
    ASSERT_EQ(Place("100", "995").status, EntryOutcome::Status::Stored);
    ASSERT_EQ(Place("100", "994").status, EntryOutcome::Status::Stored);
    EXPECT_LT(BuyingPower(), afterFill);

    Confirm(true);
    dialogs.answers = {false};
    EXPECT_EQ(Key(OneKey::CancelAll), "");
    EXPECT_EQ(Pending(), 2);
    dialogs.answers = {true};
    EXPECT_EQ(Key(OneKey::CancelAll), "");
    EXPECT_EQ(dialogs.questions.back().second, "未約定の注文をすべて取消します。");
    EXPECT_EQ(Pending(), 0);
    EXPECT_EQ(BuyingPower(), afterFill);

    dialogs.answers = {false};  // asked once, answered No: nothing is closed
    EXPECT_EQ(Key(OneKey::CloseAll), "");
    EXPECT_EQ(dialogs.questions.back().second, "すべての建玉を成行で返済します。よろしいですか？");
    EXPECT_EQ(Pending(), 0);
    dialogs.answers = {true};
    ASSERT_EQ(Key(OneKey::CloseAll), "");
    const ClosingOrder& close = Book().pendingClosingOrders[0];
    EXPECT_EQ(close.isMarket, 1);
    EXPECT_EQ(close.quantity, 200.0f);
    EXPECT_EQ(Key(OneKey::CloseAll), noneFree);  // every share is committed
    ASSERT_TRUE(RunUntil([&] {
        return std::none_of(Book().positions.begin(), Book().positions.end(), [](const Position& p) { return p.InUse(); });
    }));
    EXPECT_EQ(Pending(), 0);
}

}  // namespace
}  // namespace corvala
