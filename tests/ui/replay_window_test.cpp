// The main window bound to a virtual scheduler: 開 始, play, the keys, the speed controls, the
// lunch break and the end of the day as the widgets show them. With CORVALA_SHOTS set to a
// folder, the window is saved there as PNG at 08:59:59, in the morning, at 12:29:59 and 15:00:00.

#include "window_fixture.h"

namespace corvala {
namespace {

using test::DayFileBuilder;

class ReplayWindowTest : public test::WindowFixture {};

TEST_F(ReplayWindowTest, StartPlayLunchAndTheEndOfTheDay) {
    PressStart();
    EXPECT_EQ(Clock(), "08:59:59");
    EXPECT_FALSE(Find<QPushButton>("displayButton")->isEnabled());
    EXPECT_FALSE(Find<QLineEdit>("dateEdit")->isEnabled());
    EXPECT_FALSE(Button(kPlayPause)->isEnabled());
    EXPECT_TRUE(Button(kStop)->isEnabled());
    EXPECT_EQ(Find<QLabel>("speedLabel")->text(), "5");
    EXPECT_EQ(Find<QScrollBar>("speedScroll")->value(), 26);
    Advance(3800);
    Shot("replay-0859");
    EXPECT_TRUE(Button(kPlayPause)->isEnabled());
    EXPECT_EQ(Button(kPlayPause)->text(), "＞");
    EXPECT_EQ(Button(kPlayPause)->toolTip(), "再生・一時停止 (Space)");
    bool blinked = false, restored = false;  // red for 500 ms, grey for 300 ms
    for (int i = 0; i < 10; ++i, Advance(100)) {
        const QString css = Button(kPlayPause)->styleSheet();
        blinked = blinked || css.contains("rgb(255,120,120)");
        restored = restored || css.contains("rgb(192,192,192)");
    }
    EXPECT_TRUE(blinked);
    EXPECT_TRUE(restored);

    QTest::mouseClick(Button(kPlayPause), Qt::LeftButton);
    EXPECT_EQ(Clock(), "09:00:00");
    EXPECT_EQ(Button(kPlayPause)->text(), "||");
    EXPECT_TRUE(Button(kBarForward)->isEnabled());
    EXPECT_FALSE(Button(kStepForward)->isEnabled());
    EXPECT_EQ(Button(kBarBack)->toolTip(), "現在の5分足始め (Ctrl+←)");
    RunUntil([&] { return sim().replay().clock().currentRow == 12 * 12 + 1; });
    Shot("replay-morning");
    EXPECT_EQ(Clock().left(5), "09:12");
    EXPECT_FALSE(Find<QLabel>("priceLabel")->text().isEmpty());

    // Speed 30 by the scroll bar, then the lunch break.
    Find<QScrollBar>("speedScroll")->setValue(1);
    EXPECT_EQ(Find<QLabel>("speedLabel")->text(), "30");
    RunUntil([&] { return sim().replay().waitingForPlay(); });
    Shot("replay-1229");
    EXPECT_EQ(Clock(), "12:29:59");
    EXPECT_TRUE(Button(kPlayPause)->isEnabled());
    EXPECT_TRUE(Button(kStop)->isEnabled());
    EXPECT_FALSE(Button(kBarForward)->isEnabled());
    EXPECT_FALSE(Button(kBarBack)->isEnabled());

    Key(Qt::Key_Space);
    EXPECT_EQ(Clock(), "12:30:00");
    EXPECT_TRUE(Button(kBarForward)->isEnabled());
    RunUntil([&] { return !sim().replay().running(); });
    Shot("replay-1500");
    EXPECT_EQ(Clock(), "15:00:00");
    EXPECT_TRUE(Find<QPushButton>("displayButton")->isEnabled());
    for (int i = 0; i < kPlaybackButtons; ++i) EXPECT_FALSE(Button(i)->isEnabled()) << i;
}

TEST_F(ReplayWindowTest, KeysPauseJumpAndStop) {
    PressStart();
    Advance(3800);
    Key(Qt::Key_Space);
    RunUntil([&] { return sim().replay().clock().currentRow == 3; });
    Find<QListWidget>("executionList")->setFocus();  // a list must not swallow the keys
    Key(Qt::Key_Space);
    EXPECT_EQ(Button(kPlayPause)->text(), "＞");
    EXPECT_TRUE(Button(kStepForward)->isEnabled());
    EXPECT_EQ(sim().display().navigationState, 3);

    Key(Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(sim().replay().clock().stepForwardCount, 12);
    EXPECT_FALSE(Button(kMinuteForward)->isEnabled());  // held off for 300 ms
    Advance(300);
    EXPECT_TRUE(Button(kMinuteForward)->isEnabled());
    RunUntil([&] { return sim().replay().clock().stepForwardCount == 0; });

    dialogs.answers = {true};
    Key(Qt::Key_Escape);
    ASSERT_EQ(dialogs.questions.size(), 1u);
    EXPECT_EQ(dialogs.questions[0].second, "シミュレーションを停止しますか？");
    RunUntil([&] { return !sim().replay().running(); });
    EXPECT_EQ(sim().display().navigationState, 0);
    EXPECT_TRUE(Find<QLineEdit>("dateEdit")->isEnabled());
}

TEST_F(ReplayWindowTest, BoardAndTapeShowTheCoresCellsAndRowsNewestOnTop) {
    PressStart();
    Advance(3800);
    Key(Qt::Key_Space);
    RunUntil([&] { return sim().replay().clock().currentRow == 40; });
    const MarketState& m = sim().trading().market();
    auto* board = Find<BoardView>("boardView");
    for (int i = 0; i < kBoardLevels; ++i) {
        EXPECT_EQ(board->priceCell(i)->text().toStdString(), m.cells.text[static_cast<std::size_t>(i)]);
        EXPECT_EQ(board->quantityCell(i)->text().toStdString(),
                  m.cells.text[static_cast<std::size_t>(i + kBoardLevels)]);
    }
    EXPECT_GT(board->priceCell(0)->y(), board->priceCell(4)->y());  // asks rise upward…
    EXPECT_LT(board->priceCell(0)->y(), board->priceCell(5)->y());      // …above the bids

    auto* tape = Find<TapeView>("tapeView");
    ASSERT_FALSE(m.tapeRows.empty());
    EXPECT_EQ(tape->model()->rowCount(), static_cast<int>(m.tapeRows.size()));
    EXPECT_EQ(tape->model()->index(0, 0).data().toString().toStdString(), m.tapeRows.back().time);
    EXPECT_EQ(tape->model()->index(0, 2).data().toString().toStdString(), m.tapeRows.back().price);
    EXPECT_EQ(Find<QLabel>("tapeCounter")->text().toStdString(), std::to_string(m.tapeRows.size()));

    QTest::mouseClick(Find<QCheckBox>("hideBoardTapeCheck"), Qt::LeftButton);
    EXPECT_FALSE(board->isVisible());
    EXPECT_FALSE(tape->isVisible());
    QTest::mouseClick(Find<QCheckBox>("hideBoardTapeCheck"), Qt::LeftButton);
    EXPECT_TRUE(board->isVisible());
    QTest::mouseClick(Find<QCheckBox>("boardOptionCheck"), Qt::LeftButton);  // chart options are
    EXPECT_TRUE(board->isVisible());                                          // locked meanwhile
}

// The newest print shown, and whether the list sits at its newest end.
static std::string NewestShownTime(TapeView* tape) { return tape->model()->index(0, 0).data().toString().toStdString(); }

TEST_F(ReplayWindowTest, TheTapeShowsNoPrintAfterTheClockAndOpensAtItsNewestEnd) {
    // Started at 10:00 the list holds the morning so far, at its newest print, scrolled to the top.
    Find<QLineEdit>("startHourEdit")->setText("10");
    Find<QLineEdit>("startMinuteEdit")->setText("00");
    sim().day().SetStartTimeText("10", "00");
    PressStart();
    Advance(3800);
    auto* tape = Find<TapeView>("tapeView");
    ASSERT_GT(tape->model()->rowCount(), 100);
    EXPECT_LT(NewestShownTime(tape), "10:00:00");
    EXPECT_EQ(tape->verticalScrollBar()->value(), 0) << "opened at the oldest print";

    // Back a bar: nothing printed after the clock stays on the list, and it fills again as the
    // clock passes the prints.
    Key(Qt::Key_Space);
    RunUntil([&] { return sim().display().clockText >= "10:07:00"; });
    Key(Qt::Key_Space);
    const std::string before = NewestShownTime(tape);
    EXPECT_GE(before, "10:06:00");
    QTest::mouseClick(Button(kBarBack), Qt::LeftButton);
    RunUntil([&] { return sim().replay().clock().backRequest == 0; });
    window->Refresh();
    ASSERT_LT(Clock().toStdString(), before);
    EXPECT_LE(NewestShownTime(tape), Clock().toStdString());
    Key(Qt::Key_Space);
    RunUntil([&] { return sim().display().clockText > before; });
    EXPECT_EQ(NewestShownTime(tape), sim().trading().market().tapeRows.back().time);
}

TEST_F(ReplayWindowTest, TheListsShowOrdersFillsAndHoldings) {
    PressStart();
    Advance(3800);
    PlaceMarketBuy("100");
    window->Refresh();
    auto* pending = Find<QListWidget>("pendingList");
    ASSERT_EQ(pending->count(), 1);
    EXPECT_TRUE(pending->item(0)->text().startsWith(QStringLiteral("08:59 買建   100株")));
    // A limit far under the market stays pending beside the fill.
    NewOrderForm resting;
    resting.quantity = "200";
    resting.price = "900";
    dialogs.answers = {true};
    ASSERT_EQ(sim().trading().PlaceNewOrder(resting).status, EntryOutcome::Status::Stored);
    window->Refresh();
    Key(Qt::Key_Space);
    RunUntil([&] { return sim().replay().clock().currentRow == 2; });
    ASSERT_EQ(pending->count(), 1);
    EXPECT_TRUE(pending->item(0)->text().startsWith(QStringLiteral("08:59 買建   200株     900円")));
    EXPECT_EQ(Find<QListWidget>("executionList")->count(), 1);
    EXPECT_TRUE(Find<QListWidget>("holdingList")->item(0)->text().startsWith(QStringLiteral("買建")));
    EXPECT_TRUE(Find<QPushButton>("newOrderButton")->isEnabled());
    EXPECT_TRUE(Find<QPushButton>("closingOrderButton")->isEnabled());
    EXPECT_TRUE(Find<QPushButton>("correctCancelButton")->isEnabled());
    // The account panel is locked while the day runs.
    EXPECT_FALSE(Find<QCheckBox>("cashOnlyCheck")->isEnabled());
    EXPECT_FALSE(Find<QCheckBox>("investmentChangeCheck")->isEnabled());
    EXPECT_FALSE(Find<QPushButton>("resetButton")->isEnabled());
    EXPECT_EQ(Find<QLabel>("buyingPowerLabel")->text(), "2,720,000");  // 3,000,000 − 100 × 1,000 − 180,000
    RunUntil([&] { return sim().replay().clock().currentRow == 30; });
    Shot("trading");
}

TEST_F(ReplayWindowTest, TheAccountPanelChangesTheInvestmentAndTheCashOnlyMode) {
    auto* caption = Find<QLabel>("buyingPowerLabel");
    EXPECT_EQ(Find<QLineEdit>("investmentEdit")->text(), "1,000,000");
    EXPECT_EQ(caption->text(), "3,000,000");
    EXPECT_FALSE(Find<QLineEdit>("investmentEdit")->isEnabled());
    QTest::mouseClick(Find<QCheckBox>("cashOnlyCheck"), Qt::LeftButton);
    EXPECT_EQ(caption->text(), "1,000,000");
    EXPECT_TRUE(Find<QCheckBox>("cashOnlyCheck")->isChecked());
    QTest::mouseClick(Find<QCheckBox>("cashOnlyCheck"), Qt::LeftButton);
    EXPECT_EQ(caption->text(), "3,000,000");

    // Unlocked, the field is typed over as a plain number; below 300,000 only cash trading.
    auto* edit = Find<QLineEdit>("investmentEdit");
    QTest::mouseClick(Find<QCheckBox>("investmentChangeCheck"), Qt::LeftButton);
    EXPECT_TRUE(edit->isEnabled());
    EXPECT_EQ(edit->text(), "1000000");
    edit->selectAll();
    QTest::keyClicks(edit, "250000");
    dialogs.answers = {true};
    QTest::mouseClick(Find<QCheckBox>("investmentChangeCheck"), Qt::LeftButton);
    ASSERT_EQ(dialogs.questions.size(), 1u);
    EXPECT_EQ(dialogs.questions[0].first, "問い合わせ");
    EXPECT_FALSE(edit->isEnabled());
    EXPECT_EQ(edit->text(), "250,000");
    EXPECT_EQ(caption->text(), "250,000");
    EXPECT_TRUE(Find<QCheckBox>("cashOnlyCheck")->isChecked());
    EXPECT_EQ(Find<QLabel>("messageLabel")->text(), "投資金額が30万円を割っていますので、現物取引のみとなります。");
    QTest::mouseClick(Find<QCheckBox>("cashOnlyCheck"), Qt::LeftButton);  // re-checks itself
    EXPECT_TRUE(Find<QCheckBox>("cashOnlyCheck")->isChecked());
    // Nothing to reset: no question.
    QTest::mouseClick(Find<QPushButton>("resetButton"), Qt::LeftButton);
    EXPECT_EQ(dialogs.questions.size(), 1u);
    Shot("account-panel");
}

TEST_F(ReplayWindowTest, GaugeClickSetsTheSpeedAndMaximisingIsRefusedDuringAReplay) {
    QTest::mouseClick(Find<QCheckBox>("simulationCheck"), Qt::LeftButton);
    auto* gauge = Find<SpeedGaugeView>("speedGauge");
    ASSERT_TRUE(gauge->isEnabled());
    QTest::mouseClick(gauge, Qt::LeftButton, {}, QPoint(gauge->width() - 1, gauge->height() / 2));
    EXPECT_EQ(Find<QLabel>("speedLabel")->text(), "30");
    QTest::mouseClick(gauge, Qt::LeftButton, {}, QPoint(1, gauge->height() / 2));
    EXPECT_EQ(Find<QLabel>("speedLabel")->text(), "1");

    QTest::mouseClick(Find<QPushButton>("displayButton"), Qt::LeftButton);
    Advance(3800);
    window->setWindowState(Qt::WindowMaximized);
    QApplication::processEvents();
    EXPECT_TRUE(Find<QLabel>("messageLabel")->text().contains("シミュレーション中は画面の拡大・縮小はできません。"));
}

}  // namespace
}  // namespace corvala
