// The order dialogs as the simulation keeps them: what they show for each order type and side,
// the spins, the refusals, corrections from the correct/cancel list, the closing dialog's rows,
// and the dialogs closing themselves when their order is gone.

#include "base/price_rules.h"
#include "replay_fixture.h"

namespace corvala {
namespace {

using test::ReplayFixture;

class OrderDialogsTest : public ReplayFixture {
protected:
    // A day whose prints are all at 1,000 after the opening one.
    void Open() {
        Start();
        sim->day().UseGivenTape({"09:00:00 5,000 1,000", "09:00:30 100 1,000", "09:01:00 100 1,000", "09:05:00 100 1,000"});
        Prepare();
    }
    void PlayTo(int row) {
        if (sim->replay().waitingForPlay()) Press(kPlayPause);
        ASSERT_TRUE(RunToRow(row));
    }
    // 新規注文 with a limit (or market when price is empty), confirmed.
    EntryOutcome Order(const std::string& qty, const std::string& price, bool sell = false) {
        sim->orderDialogs().OpenNewOrderDialog();
        EXPECT_TRUE(sim->orderDialogs().newOrderDialog().visible);
        sim->orderDialogs().SetNewOrderSell(sell);
        sim->orderDialogs().EditOrderText(false, OrderField::Quantity, qty);
        if (price.empty())
            sim->orderDialogs().SetOrderOption(false, OrderDialogs::OrderOption::NormalMarket, true);
        else
            sim->orderDialogs().EditOrderText(false, OrderField::Price, price);
        dialogs.answers = {true};
        return sim->orderDialogs().SubmitNewOrderDialog();
    }
    const NewOrderDialogModel& nd() const { return sim->orderDialogs().newOrderDialog(); }
    const ClosingDialogModel& cd() const { return sim->orderDialogs().closingDialog(); }
    const CorrectCancelDialogModel& ld() const { return sim->orderDialogs().correctCancelDialog(); }
};

TEST_F(OrderDialogsTest, TheOrderTypeShowsAndHidesTheStopPart) {
    NewOrderForm f;
    EXPECT_FALSE(ViewOrderPart(f).stopPartVisible);
    f.normalMarket = true;
    SetOrderKind(f, kKindNormalWithStop);
    EXPECT_TRUE(ViewOrderPart(f).stopPartVisible);
    EXPECT_TRUE(ViewOrderPart(f).priceVisible);
    EXPECT_FALSE(f.normalMarket);  // forced to 指値
    EXPECT_EQ(ViewOrderPart(f).closingWords, "に訂正する");
    SetOrderKind(f, kKindStop);
    EXPECT_FALSE(ViewOrderPart(f).priceVisible);
    EXPECT_FALSE(ViewOrderPart(f).marketChoiceEnabled);
    EXPECT_EQ(ViewOrderPart(f).closingWords, "で執行する");
    SetOrderKind(f, kKindNormal);
    EXPECT_FALSE(ViewOrderPart(f).stopPartVisible);

    EXPECT_EQ(ViewNewOrderSide(f).label, "買建");
    EXPECT_EQ(ViewNewOrderSide(f).labelBackground, (Rgb{255, 192, 255}));
    f.sell = true;
    EXPECT_EQ(ViewNewOrderSide(f).label, "売建");
    EXPECT_EQ(ViewNewOrderSide(f).labelBackground, (Rgb{128, 255, 255}));
    NewOrderForm cash;
    cash.cashCaption = true;
    EXPECT_EQ(ViewNewOrderSide(cash).label, "買付");
    EXPECT_FALSE(ViewNewOrderSide(cash).choiceVisible);
    EXPECT_EQ(ViewClosingSide(kSideCash).firstCaption, "売付");
    EXPECT_FALSE(ViewClosingSide(kSideCash).choiceVisible);
}

TEST_F(OrderDialogsTest, SpinsMoveByWholeUnitsAndPriceStepsAndTextsLoseSigns) {
    EXPECT_EQ(SpinQuantity("250", 100, true), "300");
    EXPECT_EQ(SpinQuantity("150", 100, false), "100");
    EXPECT_EQ(SpinQuantity("100", 100, false), "100");
    EXPECT_EQ(SpinQuantity("abc", 100, true), "100");
    EXPECT_EQ(SpinQuantity("250", 0, true), "250");
    EXPECT_EQ(SpinPrice("3000", true, false, false), "3005");
    EXPECT_EQ(SpinPrice("3000", false, false, false), "2999");  // the step below 3,000 is 1
    EXPECT_EQ(SpinPrice("1", false, false, false), "1");
    EXPECT_EQ(SpinPrice("", true, false, false), "");
    EXPECT_EQ(CleanNumberText("1e-5/2&0E"), "1520");
}

TEST_F(OrderDialogsTest, TheFundsCheckIsStrictAndARefusalKeepsTheDialogOpen) {
    Open();
    sim->trading().RestoreAccount(500'000, 0, 0, true);  // cash only: buying power 500,000
    EXPECT_EQ(Order("500", "1000").status, EntryOutcome::Status::NoFunds);
    ASSERT_EQ(dialogs.notices.size(), 1u);
    EXPECT_EQ(dialogs.notices[0], (std::pair<std::string, std::string>{"注文エラー", "資金が足りません。"}));
    EXPECT_TRUE(nd().visible);
    sim->orderDialogs().CancelNewOrderDialog();
    sim->trading().RestoreAccount(500'001, 0, 0, true);
    ASSERT_EQ(Order("500", "1000").status, EntryOutcome::Status::Stored);
    EXPECT_FALSE(nd().visible);
    EXPECT_EQ(d().buyingPowerText, "1");
    EXPECT_EQ(sim->trading().orders().pendingNewOrders[0].side, kSideCash);  // 買付 in cash-only mode

    sim->orderDialogs().OpenNewOrderDialog();
    dialogs.answers = {true};
    EXPECT_EQ(sim->orderDialogs().SubmitNewOrderDialog().status, EntryOutcome::Status::MissingField);
    EXPECT_EQ(dialogs.notices.back(), (std::pair<std::string, std::string>{"エラー", "数量が入力されていません。"}));
}

TEST_F(OrderDialogsTest, AMarketOrderReservesAtTheUpperPriceLimit) {
    Open();
    ASSERT_EQ(Order("100", "").status, EntryOutcome::Status::Stored);
    const float prevClose = sim->day().data()[SeriesSlot::DayStock].prevClose;
    const double upper = prevClose + DailyPriceLimit(prevClose);  // not the current price
    EXPECT_EQ(sim->trading().orders().pendingNewOrders[0].reservedAmount, 100 * upper);
}

TEST_F(OrderDialogsTest, ABoardPriceIsTakenWithinThirtySecondsAndWhileTheDialogIsOpen) {
    Open();
    clock.nowMs = 100'000;
    sim->orderDialogs().ClickBoardPrice(5);  // the best bid, 999
    clock.nowMs += 30'000;
    sim->orderDialogs().OpenNewOrderDialog();
    EXPECT_EQ(nd().form.price, "999");
    sim->orderDialogs().CancelNewOrderDialog();
    clock.nowMs += 1'000;
    sim->orderDialogs().OpenNewOrderDialog();
    EXPECT_EQ(nd().form.price, "");  // 31 seconds on
    sim->orderDialogs().ClickBoardPrice(0);
    EXPECT_EQ(nd().form.price, "1001");
    // Back to the dialog after looking elsewhere: a fresh click counts again, an old one not.
    sim->orderDialogs().EditOrderText(false, OrderField::Price, "990");
    clock.nowMs += 31'000;
    sim->orderDialogs().ActivateNewOrderDialog();
    EXPECT_EQ(nd().form.price, "990");
    sim->orderDialogs().ClickBoardPrice(6);
    sim->orderDialogs().EditOrderText(false, OrderField::Price, "");
    clock.nowMs += 5'000;
    sim->orderDialogs().ActivateNewOrderDialog();
    EXPECT_EQ(nd().form.price, "998");
}

TEST_F(OrderDialogsTest, OpeningSlowsTheReplayAndClosingGivesTheSpeedBack) {
    Open();
    EXPECT_FALSE(d().speed.lowSpeed);
    sim->orderDialogs().OpenNewOrderDialog();
    EXPECT_TRUE(d().speed.lowSpeed);
    EXPECT_TRUE(d().controls.orderButtons[0]);   // 新規注文 stays available
    EXPECT_FALSE(d().controls.orderButtons[2]);
    sim->orderDialogs().RestoreChosenSpeed();
    EXPECT_FALSE(d().speed.lowSpeed);
    sim->orderDialogs().CancelNewOrderDialog();
    EXPECT_FALSE(d().speed.lowSpeed);
    sim->replay().speed().SetLowSpeed(true);
    sim->orderDialogs().OpenNewOrderDialog();
    sim->orderDialogs().CancelNewOrderDialog();
    EXPECT_TRUE(d().speed.lowSpeed);  // it was on before
}

TEST_F(OrderDialogsTest, ACorrectionFromTheListNeedsOnlyTheDifference) {
    Open();
    sim->trading().RestoreAccount(1'000'000, 0, 0, true);
    ASSERT_EQ(Order("500", "1000").status, EntryOutcome::Status::Stored);
    ASSERT_EQ(d().buyingPowerText, "500,000");
    sim->trading().RestoreAccount(170'003, 0, 0, true);  // 170,003 − 500,000 reserved
    sim->orderDialogs().OpenCorrectCancelDialog(0);  // a double click on the pending line
    ASSERT_TRUE(ld().visible);
    ASSERT_EQ(ld().lines.size(), 1u);
    EXPECT_EQ(ld().selected, 0);
    sim->orderDialogs().CorrectSelectedOrder();
    EXPECT_FALSE(ld().visible);
    ASSERT_TRUE(nd().visible);
    EXPECT_EQ(nd().caption, "訂正注文");
    EXPECT_EQ(nd().form.price, "1000");
    EXPECT_EQ(nd().form.quantity, "500");
    sim->orderDialogs().EditOrderText(false, OrderField::Price, "1020");
    dialogs.answers = {true};
    ASSERT_EQ(sim->orderDialogs().SubmitNewOrderDialog().status, EntryOutcome::Status::Stored);
    EXPECT_EQ(sim->trading().orders().pendingNewOrders[0].limitPrice, 1020.0f);
    EXPECT_EQ(sim->trading().orders().pendingNewOrders[0].number, 100.0f);  // same number, same slot
    EXPECT_FALSE(nd().visible);
    EXPECT_TRUE(ld().visible);  // back to the list
}

TEST_F(OrderDialogsTest, TheListSpellsOutStopsAndCancellingTheLastOrderClosesIt) {
    Open();
    sim->orderDialogs().OpenNewOrderDialog();
    sim->orderDialogs().SetOrderKind(false, kKindStop);
    sim->orderDialogs().EditOrderText(false, OrderField::Quantity, "100");
    sim->orderDialogs().EditOrderText(false, OrderField::Trigger, "990");
    sim->orderDialogs().SetOrderOption(false, OrderDialogs::OrderOption::TriggerBelow, true);
    sim->orderDialogs().SetOrderOption(false, OrderDialogs::OrderOption::StopMarket, true);
    sim->orderDialogs().SetNewOrderSell(true);
    dialogs.answers = {true};
    ASSERT_EQ(sim->orderDialogs().SubmitNewOrderDialog().status, EntryOutcome::Status::Stored);
    sim->orderDialogs().OpenCorrectCancelDialog();
    ASSERT_EQ(ld().lines.size(), 1u);
    const std::string& line = ld().lines[0];
    EXPECT_NE(line.find("新規　売建　   100　       -　市場価格が990円以下なら成行で執行   "), std::string::npos) << line;
    EXPECT_EQ(TrailingSlot(line), 0);
    dialogs.answers = {true};
    sim->orderDialogs().CancelSelectedOrder();
    EXPECT_EQ(dialogs.questions.back(), (std::pair<std::string, std::string>{"注文取消し", "選択行の注文を取消します。"}));
    EXPECT_FALSE(ld().visible);
    EXPECT_FALSE(d().controls.orderButtons[2]);
    EXPECT_TRUE(d().pendingLines.empty());
}

TEST_F(OrderDialogsTest, BulkCloseAndRowQuantitiesTakeWhatIsFree) {
    Open();
    ASSERT_EQ(Order("300", "").status, EntryOutcome::Status::Stored);
    ASSERT_EQ(Order("200", "").status, EntryOutcome::Status::Stored);
    PlayTo(2);
    ASSERT_EQ(sim->trading().fills().size(), 2u);
    // 100 of the 300 go into a first closing order.
    sim->orderDialogs().OpenClosingDialog();
    ASSERT_TRUE(cd().visible);
    ASSERT_EQ(cd().lines.size(), 2u);
    sim->orderDialogs().EditCloseRow(0, "100");
    sim->orderDialogs().EditOrderText(true, OrderField::Price, "1010");
    dialogs.answers = {true};
    ASSERT_EQ(sim->orderDialogs().SubmitClosingDialog().status, EntryOutcome::Status::Stored);

    sim->orderDialogs().OpenClosingDialog();
    sim->orderDialogs().ToggleBulkClose();
    EXPECT_STREQ(cd().BulkCaption(), "一括解除");
    EXPECT_EQ(cd().rowTexts[0], "200");
    EXPECT_EQ(cd().rowTexts[1], "200");
    EXPECT_EQ(cd().order.quantity, "400");
    sim->orderDialogs().ToggleBulkClose();
    EXPECT_EQ(cd().order.quantity, "");
    sim->orderDialogs().EditCloseRow(0, "250");
    EXPECT_EQ(cd().rowTexts[0], "200");
    sim->orderDialogs().EditCloseRow(1, "500");
    EXPECT_EQ(cd().rowTexts[1], "200");  // only 200 are held there
    sim->orderDialogs().EditCloseRow(0, "x");
    EXPECT_EQ(cd().rowTexts[0], "");
    sim->orderDialogs().ToggleCloseRow(0);
    EXPECT_EQ(cd().rowTexts[0], "200");
    EXPECT_EQ(cd().order.quantity, "400");
    sim->orderDialogs().EditOrderText(true, OrderField::Price, "1020");
    dialogs.answers = {true};
    ASSERT_EQ(sim->orderDialogs().SubmitClosingDialog().status, EntryOutcome::Status::Stored);
    // Everything is committed now: nothing to close.
    sim->orderDialogs().OpenClosingDialog();
    EXPECT_FALSE(cd().visible);
}

TEST_F(OrderDialogsTest, TheClosingSideFollowsWhatIsHeld) {
    Open();
    ASSERT_EQ(Order("100", "", /*sell=*/true).status, EntryOutcome::Status::Stored);
    PlayTo(2);
    sim->orderDialogs().OpenClosingDialog();
    ASSERT_TRUE(cd().visible);
    EXPECT_EQ(cd().side, kSideMarginSell);  // no long: 買埋
    sim->orderDialogs().SetClosingSide(kSideMarginBuy);
    EXPECT_EQ(cd().side, kSideMarginSell);  // nothing to 売埋: back to 買埋
    ASSERT_EQ(cd().lines.size(), 1u);
    EXPECT_NE(cd().lines[0].find("売建"), std::string::npos);
    sim->orderDialogs().CancelClosingDialog();
    EXPECT_EQ(sim->trading().orders().positions[0].closeQtyInput, 0);
}

TEST_F(OrderDialogsTest, CashHoldingsAreClosedWith売付) {
    Open();
    sim->trading().RestoreAccount(1'000'000, 0, 0, true);
    ASSERT_EQ(Order("100", "").status, EntryOutcome::Status::Stored);
    PlayTo(2);
    sim->orderDialogs().OpenClosingDialog(0);  // a double click on the long holding line
    ASSERT_TRUE(cd().visible);
    EXPECT_EQ(cd().side, kSideCash);
    EXPECT_EQ(ViewClosingSide(cd().side).label, "売付");
    ASSERT_EQ(cd().lines.size(), 1u);
    EXPECT_NE(cd().lines[0].find("買付"), std::string::npos);
}

TEST_F(OrderDialogsTest, AClosingOrderIsCorrectedWithItsAllocationKept) {
    Open();
    ASSERT_EQ(Order("300", "").status, EntryOutcome::Status::Stored);
    PlayTo(2);
    sim->orderDialogs().OpenClosingDialog();
    sim->orderDialogs().EditCloseRow(0, "200");
    sim->orderDialogs().EditOrderText(true, OrderField::Price, "1010");
    dialogs.answers = {true};
    ASSERT_EQ(sim->orderDialogs().SubmitClosingDialog().status, EntryOutcome::Status::Stored);
    const ClosingOrder before = sim->trading().orders().pendingClosingOrders[0];
    sim->orderDialogs().OpenCorrectCancelDialog();
    sim->orderDialogs().CorrectSelectedOrder();
    ASSERT_TRUE(cd().visible);
    EXPECT_EQ(cd().caption, "訂正返済注文");
    EXPECT_EQ(cd().order.quantity, "200");
    EXPECT_EQ(cd().order.price, "1010");
    // The holdings it closes are listed with the shares it takes, and cannot be changed.
    ASSERT_EQ(cd().lines.size(), 1u);
    EXPECT_EQ(cd().listedSlots, std::vector<int>{0});
    EXPECT_EQ(cd().rowTexts[0], "200");
    sim->orderDialogs().EditCloseRow(0, "100");
    sim->orderDialogs().ToggleCloseRow(0);
    EXPECT_EQ(cd().rowTexts[0], "200");
    sim->orderDialogs().EditOrderText(true, OrderField::Price, "1020");
    dialogs.answers = {true};
    ASSERT_EQ(sim->orderDialogs().SubmitClosingDialog().status, EntryOutcome::Status::Stored);
    const ClosingOrder& after = sim->trading().orders().pendingClosingOrders[0];
    EXPECT_EQ(after.number, before.number);
    EXPECT_EQ(after.limitPrice, 1020.0f);
    EXPECT_EQ(after.quantity, 200.0f);
    EXPECT_EQ(after.closeSlots, before.closeSlots);
    EXPECT_EQ(after.closeQuantities, before.closeQuantities);
    EXPECT_EQ(sim->trading().orders().positions[0].committedQty, 200.0f);
    EXPECT_TRUE(ld().visible);  // back to the list
    dialogs.answers = {true};
    sim->orderDialogs().CancelSelectedOrder();
    EXPECT_EQ(sim->trading().orders().positions[0].committedQty, 0.0f);
}

TEST_F(OrderDialogsTest, NewOrdersWaitWhileTheCorrectCancelListIsInUse) {
    Open();
    ASSERT_EQ(Order("100", "990").status, EntryOutcome::Status::Stored);
    EXPECT_TRUE(d().controls.orderButtons[0]);
    sim->orderDialogs().OpenCorrectCancelDialog();
    ASSERT_TRUE(ld().visible);
    EXPECT_FALSE(d().controls.orderButtons[0]);  // 新規注文 would be lost to a correction
    sim->orderDialogs().OpenNewOrderDialog();
    EXPECT_FALSE(nd().visible);
    sim->orderDialogs().CorrectSelectedOrder();
    ASSERT_TRUE(nd().correctionMode);
    EXPECT_FALSE(d().controls.orderButtons[0]);
    sim->orderDialogs().CancelNewOrderDialog();  // back to the list
    ASSERT_TRUE(ld().visible);
    sim->orderDialogs().CloseCorrectCancelDialog();
    EXPECT_TRUE(d().controls.orderButtons[0]);
    // Beside the closing dialog a new order can still be entered.
    PlayTo(1);
    ASSERT_EQ(Order("100", "").status, EntryOutcome::Status::Stored);
    PlayTo(2);
    sim->orderDialogs().OpenClosingDialog();
    ASSERT_TRUE(cd().visible);
    EXPECT_TRUE(d().controls.orderButtons[0]);
}

TEST_F(OrderDialogsTest, ADiscardedRunLeavesNoOrderHoldingOrLineBehind) {
    Open();
    ASSERT_EQ(Order("100", "").status, EntryOutcome::Status::Stored);
    ASSERT_EQ(Order("100", "996").status, EntryOutcome::Status::Stored);
    PlayTo(2);
    ASSERT_FALSE(d().holdingLines[0].empty());
    ASSERT_EQ(d().pendingLines.size(), 1u);
    ASSERT_EQ(sim->trading().market().board.Qty(8), 700 + 100);  // the bid at 996 carries the order
    dialogs.answers = {true, false};  // stop, and do not keep the run
    Press(kStop);
    ASSERT_TRUE(RunUntil([&] { return !sim->replay().running(); }));
    EXPECT_TRUE(d().pendingLines.empty());
    EXPECT_EQ(d().holdingLines, (std::array<std::string, 2>{}));
    EXPECT_TRUE(d().executionLines.empty());
    for (int i = 0; i < kOrderSlots; ++i) {
        EXPECT_FALSE(sim->trading().orders().pendingNewOrders[static_cast<std::size_t>(i)].InUse());
        EXPECT_FALSE(sim->trading().orders().positions[static_cast<std::size_t>(i)].InUse());
    }
    EXPECT_EQ(sim->trading().market().overlay.size(), 0);
    EXPECT_EQ(sim->trading().market().board.Qty(8), 700);  // and the board no longer shows it
    EXPECT_EQ(sim->trading().market().cells.text[18], "700");
    EXPECT_EQ(d().buyingPowerText, "3,000,000");
    // Nothing is left to double-click, and no dialog opens without a replay.
    sim->orderDialogs().OpenClosingDialog(0);
    sim->orderDialogs().OpenCorrectCancelDialog(0);
    EXPECT_FALSE(cd().visible);
    EXPECT_FALSE(ld().visible);
}

TEST_F(OrderDialogsTest, AStopWithoutTradesWithdrawsThePendingOrdersAndAChangedCodeClearsTheLists) {
    Open();
    ASSERT_EQ(Order("100", "990").status, EntryOutcome::Status::Stored);
    dialogs.answers = {true};
    Press(kStop);
    ASSERT_TRUE(RunUntil([&] { return !sim->replay().running(); }));
    EXPECT_FALSE(sim->trading().orders().pendingNewOrders[0].InUse());
    EXPECT_TRUE(d().pendingLines.empty());
    EXPECT_EQ(d().buyingPowerText, "3,000,000");

    // A day run to its end keeps its fills listed until the day is left.
    Open();
    ASSERT_EQ(Order("100", "").status, EntryOutcome::Status::Stored);
    RunToEnd();
    ASSERT_EQ(d().executionLines.size(), 2u);  // the fill and the settlement at the close
    sim->day().SetCodeText("6501");
    EXPECT_TRUE(d().executionLines.empty());
    EXPECT_TRUE(d().pendingLines.empty());
}

TEST_F(OrderDialogsTest, FiguresTypedWithThousandsSeparatorsAreReadWhole) {
    Open();
    EXPECT_EQ(SpinQuantity("1,000", 100, true), "1100");
    EXPECT_EQ(SpinPrice("1,200", true, false, false), "1201");
    sim->orderDialogs().OpenNewOrderDialog();
    sim->orderDialogs().EditOrderText(false, OrderField::Quantity, "1,000");
    sim->orderDialogs().EditOrderText(false, OrderField::Price, "1,100");
    std::string shownWhenAsked;
    dialogs.whileAsking = [&] { shownWhenAsked = nd().form.quantity; };
    dialogs.answers = {true};
    ASSERT_EQ(sim->orderDialogs().SubmitNewOrderDialog().status, EntryOutcome::Status::Stored);
    EXPECT_EQ(sim->trading().orders().pendingNewOrders[0].quantity, 1000.0f);
    EXPECT_EQ(sim->trading().orders().pendingNewOrders[0].limitPrice, 1100.0f);
    EXPECT_EQ(shownWhenAsked, "1000");

    // The box shows the whole units ordered while the order is confirmed.
    sim->orderDialogs().OpenNewOrderDialog();
    sim->orderDialogs().EditOrderText(false, OrderField::Quantity, "250");
    sim->orderDialogs().EditOrderText(false, OrderField::Price, "900");
    dialogs.answers = {true};
    ASSERT_EQ(sim->orderDialogs().SubmitNewOrderDialog().status, EntryOutcome::Status::Stored);
    EXPECT_EQ(shownWhenAsked, "200");
    EXPECT_EQ(sim->trading().orders().pendingNewOrders[1].quantity, 200.0f);
    dialogs.whileAsking = nullptr;

    PlayTo(2);
    ASSERT_EQ(Order("300", "").status, EntryOutcome::Status::Stored);
    PlayTo(4);
    // The limit at 1,200 filled at the open: 1,000 held there, then the 300.
    sim->orderDialogs().OpenClosingDialog();
    ASSERT_EQ(cd().lines.size(), 2u);
    sim->orderDialogs().EditCloseRow(0, "1,000");
    EXPECT_EQ(cd().rowTexts[0], "1000");
    sim->orderDialogs().EditCloseRow(1, "1,000");
    EXPECT_EQ(cd().rowTexts[1], "300");  // no more than is held
}

TEST_F(OrderDialogsTest, AMissingFieldIsNamedForTheFocus) {
    Open();
    sim->orderDialogs().OpenNewOrderDialog();
    sim->orderDialogs().SetOrderKind(false, kKindNormalWithStop);
    sim->orderDialogs().EditOrderText(false, OrderField::Quantity, "100");
    sim->orderDialogs().EditOrderText(false, OrderField::Price, "900");
    const EntryOutcome out = sim->orderDialogs().SubmitNewOrderDialog();
    EXPECT_EQ(out.status, EntryOutcome::Status::MissingField);
    EXPECT_EQ(out.missingField, 3);  // the trigger price
    EXPECT_EQ(out.message, "価格が入力されていません。");
}

TEST_F(OrderDialogsTest, TheReplayHoldsWhileAnOrderIsBeingConfirmed) {
    Open();
    ASSERT_EQ(Order("100", "1000").status, EntryOutcome::Status::Stored);
    PlayTo(2);
    ASSERT_EQ(sim->trading().fills().size(), 1u);
    const int steps = sim->replay().clock().stepsRun;
    sim->orderDialogs().OpenNewOrderDialog();
    sim->orderDialogs().EditOrderText(false, OrderField::Quantity, "100");
    sim->orderDialogs().SetOrderOption(false, OrderDialogs::OrderOption::NormalMarket, true);
    dialogs.answers = {true};
    dialogs.whileAsking = [&] { scheduler.Advance(60'000); };  // a minute with the box open
    ASSERT_EQ(sim->orderDialogs().SubmitNewOrderDialog().status, EntryOutcome::Status::Stored);
    dialogs.whileAsking = nullptr;
    EXPECT_EQ(sim->replay().clock().stepsRun, steps);
    EXPECT_EQ(sim->trading().fills().size(), 1u);
    PlayTo(steps + 2);  // and goes on afterwards
    EXPECT_EQ(sim->trading().fills().size(), 2u);
}

TEST_F(OrderDialogsTest, AFillEndsTheCorrectionOfItsOrder) {
    Open();
    ASSERT_EQ(Order("100", "1000").status, EntryOutcome::Status::Stored);
    sim->orderDialogs().OpenCorrectCancelDialog();
    sim->orderDialogs().CorrectSelectedOrder();
    ASSERT_TRUE(nd().correctionMode);
    PlayTo(2);  // the opening print fills the order
    ASSERT_EQ(sim->trading().fills().size(), 1u);
    EXPECT_FALSE(nd().visible);
    EXPECT_FALSE(ld().visible);
}

}  // namespace
}  // namespace corvala
