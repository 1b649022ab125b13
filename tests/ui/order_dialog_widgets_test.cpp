// The order dialogs bound to the simulation: opened from the main window's buttons and lists,
// the form's parts shown and hidden by the order type, orders placed, closed, corrected and
// cancelled through the widgets, their questions and the keyboard, and a session played through
// them played again by corvala-cli. With CORVALA_SHOTS set, each dialog is saved as PNG.

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMessageBox>
#include <QProcess>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>
#include <QWindow>

#include "account/history.h"
#include "platform/files.h"

#include "ui/order_dialog_widgets.h"
#include "window_fixture.h"

namespace corvala {
namespace {

class OrderDialogsWidgetTest : public test::WindowFixture {
protected:
    explicit OrderDialogsWidgetTest(bool realBoxes = false) : WindowFixture(realBoxes) {}
    void StartBeforeTheOpen() {
        PressStart();
        Advance(3800);  // the notice has gone: orders before the open
    }
    template <typename T>
    T* In(QWidget* dialog, const char* name) {
        T* w = dialog->findChild<T*>(name);
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QWidget* Dialog(const char* name) { return Find<QWidget>(name); }
    void Type(QWidget* dialog, const char* edit, const char* text) {
        auto* e = In<QLineEdit>(dialog, edit);
        e->selectAll();
        QTest::keyClicks(e, text);
    }
    void Click(QWidget* w) {
        QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(6, w->height() / 2));
        window->Refresh();
    }
    // A double click on line `row` of a list, as the user makes it: a press first, then the double click.
    void DoubleClick(QListWidget* list, int row) {
        const QPoint at = list->visualItemRect(list->item(row)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
        window->Refresh();
    }
    // The new-order window opened from its button, `qty` typed into it.
    QWidget* OpenNewOrder(const char* qty) {
        Click(Find<QPushButton>("newOrderButton"));
        QWidget* d = Dialog("newOrderDialog");
        Type(d, "quantityEdit", qty);
        return d;
    }
    // A limit buy of `qty` at `price` through the dialog, which stays open for a correction.
    QWidget* LimitBuy(const char* qty, const char* price) {
        Click(Find<QPushButton>("newOrderButton"));
        QWidget* d = Dialog("newOrderDialog");
        Type(d, "quantityEdit", qty);
        Type(d, "priceEdit", price);
        dialogs.answers = {true};
        Click(In<QPushButton>(d, "submitButton"));
        return d;
    }
    // A market buy of `qty` through the dialog.
    void MarketBuy(const char* qty) {
        Click(Find<QPushButton>("newOrderButton"));
        QWidget* d = Dialog("newOrderDialog");
        Type(d, "quantityEdit", qty);
        Click(In<QRadioButton>(d, "normalMarket"));
        dialogs.answers = {true};
        Click(In<QPushButton>(d, "submitButton"));
    }
};

TEST_F(OrderDialogsWidgetTest, ANewOrderIsTypedSwitchedBetweenTypesAndPlaced) {
    StartBeforeTheOpen();
    Click(Find<QPushButton>("newOrderButton"));
    QWidget* d = Dialog("newOrderDialog");
    ASSERT_TRUE(d->isVisible());
    EXPECT_EQ(d->windowTitle(), "新規注文");
    EXPECT_TRUE(sim().display().speed.lowSpeed);
    EXPECT_EQ(In<QLabel>(d, "capacityLabel")->text(), "3,000,000");
    EXPECT_EQ(In<QLabel>(d, "sideLabel")->text(), "買建");

    Type(d, "quantityEdit", "250");
    Click(In<QToolButton>(d, "quantityEditUp"));
    EXPECT_EQ(In<QLineEdit>(d, "quantityEdit")->text(), "300");
    Type(d, "priceEdit", "9-0e0");
    EXPECT_EQ(In<QLineEdit>(d, "priceEdit")->text(), "900");

    Click(In<QRadioButton>(d, "kindStop"));
    EXPECT_TRUE(In<QLineEdit>(d, "triggerEdit")->isVisible());
    EXPECT_FALSE(In<QLineEdit>(d, "priceEdit")->isVisible());
    EXPECT_EQ(In<QLabel>(d, "closingWords")->text(), "で執行する");
    Click(In<QRadioButton>(d, "kindNormalWithStop"));
    EXPECT_TRUE(In<QLineEdit>(d, "priceEdit")->isVisible());
    EXPECT_EQ(In<QLabel>(d, "closingWords")->text(), "に訂正する");
    Type(d, "triggerEdit", "950");
    Type(d, "stopPriceEdit", "940");
    Shot("new-order-dialog", d);
    Click(In<QRadioButton>(d, "kindNormal"));
    EXPECT_FALSE(In<QLineEdit>(d, "triggerEdit")->isVisible());
    EXPECT_LT(d->height(), 300);  // shorter without the stop part
    EXPECT_TRUE(In<QPushButton>(d, "submitButton")->isVisible());
    Shot("new-order-normal", d);

    Click(In<QRadioButton>(d, "sellSide"));
    EXPECT_EQ(In<QLabel>(d, "sideLabel")->text(), "売建");
    EXPECT_TRUE(In<QLabel>(d, "sideLabel")->styleSheet().contains("rgb(128,255,255)"));

    dialogs.answers = {true};
    Click(In<QPushButton>(d, "submitButton"));
    EXPECT_FALSE(d->isVisible());
    EXPECT_FALSE(sim().display().speed.lowSpeed);
    ASSERT_EQ(Find<QListWidget>("pendingList")->count(), 1);
    EXPECT_TRUE(Find<QListWidget>("pendingList")->item(0)->text().startsWith(QStringLiteral("08:59 売建   300株     900円")));
}

TEST_F(OrderDialogsWidgetTest, EscapeAndTheWindowsCloseCancelAndAMissingFieldIsSaid) {
    StartBeforeTheOpen();
    Click(Find<QPushButton>("newOrderButton"));
    QWidget* d = Dialog("newOrderDialog");
    dialogs.answers = {true};
    Click(In<QPushButton>(d, "submitButton"));
    ASSERT_EQ(dialogs.notices.size(), 1u);
    EXPECT_EQ(dialogs.notices[0].second, "数量が入力されていません。");
    EXPECT_TRUE(d->isVisible());
    ASSERT_TRUE(QTest::qWaitForWindowActive(d));  // Escape goes to the dialog, not to ■
    const std::size_t asked = dialogs.questions.size();
    QTest::keyClick(In<QLineEdit>(d, "quantityEdit"), Qt::Key_Escape);
    window->Refresh();
    EXPECT_FALSE(d->isVisible());
    EXPECT_EQ(dialogs.questions.size(), asked);  // no stop question
    Click(Find<QPushButton>("newOrderButton"));
    ASSERT_TRUE(d->isVisible());
    d->close();
    QTest::qWait(0);
    window->Refresh();
    EXPECT_FALSE(sim().orderDialogs().newOrderDialog().visible);
    EXPECT_FALSE(d->isVisible());
    EXPECT_TRUE(sim().trading().orders().pendingNewOrders[0].number == 0);
}

TEST_F(OrderDialogsWidgetTest, AHoldingIsClosedFromItsSummaryLine) {
    StartBeforeTheOpen();
    MarketBuy("300");
    Key(Qt::Key_Space);
    RunUntil([&] { return sim().replay().clock().currentRow == 2; });
    ASSERT_EQ(Find<QListWidget>("holdingList")->count(), 2);
    auto* holding = Find<QListWidget>("holdingList");
    DoubleClick(holding, 0);
    QWidget* d = Dialog("closingOrderDialog");
    ASSERT_TRUE(d->isVisible());
    EXPECT_EQ(d->windowTitle(), "返済注文");
    ASSERT_EQ(In<QListWidget>(d, "holdingsList")->count(), 1);
    Click(In<QPushButton>(d, "closeToggle0"));
    EXPECT_EQ(In<QLineEdit>(d, "closeRow0")->text(), "300");
    EXPECT_EQ(In<QLineEdit>(d, "quantityEdit")->text(), "300");
    Type(d, "closeRow0", "250");
    In<QLineEdit>(d, "closeRow0")->clearFocus();
    QTest::keyClick(In<QLineEdit>(d, "closeRow0"), Qt::Key_Return);
    window->Refresh();
    EXPECT_EQ(In<QLineEdit>(d, "closeRow0")->text(), "200");
    Type(d, "priceEdit", "1010");
    Shot("closing-order-dialog", d);
    dialogs.answers = {true};
    Click(In<QPushButton>(d, "submitButton"));
    EXPECT_FALSE(d->isVisible());
    ASSERT_EQ(Find<QListWidget>("pendingList")->count(), 1);
    EXPECT_TRUE(Find<QListWidget>("pendingList")->item(0)->text().contains(QStringLiteral("売埋   200株")));

    // Its correction shows the holding it closes and the 200 shares, which cannot be changed.
    DoubleClick(Find<QListWidget>("pendingList"), 0);
    QWidget* list = Dialog("correctCancelDialog");
    ASSERT_TRUE(list->isVisible());
    EXPECT_FALSE(Find<QPushButton>("newOrderButton")->isEnabled());
    Click(In<QPushButton>(list, "correctOrderButton"));
    ASSERT_TRUE(d->isVisible());
    EXPECT_EQ(d->windowTitle(), "訂正返済注文");
    EXPECT_EQ(In<QListWidget>(d, "holdingsList")->count(), 1);
    EXPECT_EQ(In<QLineEdit>(d, "closeRow0")->text(), "200");
    EXPECT_FALSE(In<QLineEdit>(d, "closeRow0")->isEnabled());
    EXPECT_FALSE(In<QPushButton>(d, "closeToggle0")->isEnabled());
    Shot("closing-correction-dialog", d);
}

TEST_F(OrderDialogsWidgetTest, ThePendingListOpensTheCorrectCancelListWhichCorrectsAndCancels) {
    StartBeforeTheOpen();
    QWidget* nd = LimitBuy("100", "900");
    auto* pending = Find<QListWidget>("pendingList");
    DoubleClick(pending, 0);
    QWidget* d = Dialog("correctCancelDialog");
    ASSERT_TRUE(d->isVisible());
    auto* list = In<QListWidget>(d, "correctCancelList");
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(list->currentRow(), 0);
    EXPECT_TRUE(list->item(0)->text().contains(QStringLiteral("新規　買建　   100　     900")));
    Shot("correct-cancel-dialog", d);

    Click(In<QPushButton>(d, "correctOrderButton"));
    EXPECT_FALSE(d->isVisible());
    ASSERT_TRUE(nd->isVisible());
    EXPECT_EQ(nd->windowTitle(), "訂正注文");
    EXPECT_EQ(In<QLineEdit>(nd, "priceEdit")->text(), "900");
    Type(nd, "priceEdit", "910");
    dialogs.answers = {true};
    Click(In<QPushButton>(nd, "submitButton"));
    EXPECT_FALSE(nd->isVisible());
    ASSERT_TRUE(d->isVisible());  // back to the list
    EXPECT_TRUE(list->item(0)->text().contains(QStringLiteral("     910")));

    // A right-button press cancels; the last order gone, the list closes.
    dialogs.answers = {true};
    QTest::mouseClick(list->viewport(), Qt::RightButton, {}, list->visualItemRect(list->item(0)).center());
    window->Refresh();
    EXPECT_EQ(dialogs.questions.back().second, "選択行の注文を取消します。");
    EXPECT_FALSE(d->isVisible());
    EXPECT_EQ(pending->count(), 0);
    EXPECT_FALSE(Find<QPushButton>("correctCancelButton")->isEnabled());
}

// ---- Questions and keys of the order windows ----------------------------------------------

// The program's own message boxes, answered once they are up as the user would.
class OrderWindowBoxesTest : public OrderDialogsWidgetTest {
protected:
    OrderWindowBoxesTest() : OrderDialogsWidgetTest(true) {}
    struct SeenBox {
        QString title;
        QWidget* owner = nullptr;
        bool above = false;  // the window system shows it above its owner
        bool onTop = false;
        QRect frame;
    };
    // Does `act`, answers the box it opens with `button` and says how the box stood.
    SeenBox Answer(QMessageBox::StandardButton button, const std::function<void()>& act) {
        SeenBox seen;
        QTimer poll;
        poll.setInterval(5);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || !box->isVisible()) return;
            poll.stop();
            seen = {box->windowTitle(), box->parentWidget(), false, box->windowFlags().testFlag(Qt::WindowStaysOnTopHint),
                    box->frameGeometry()};
            seen.above = seen.owner && box->windowHandle()->transientParent() == seen.owner->windowHandle();
            box->button(button)->click();
        });
        poll.start();
        act();
        poll.stop();
        window->Refresh();
        return seen;
    }
};

// How far the middle of a box stands from the middle of the window it belongs to.
static int OffCentre(const QRect& box, const QWidget* window) {
    return (box.center() - window->frameGeometry().center()).manhattanLength();
}

TEST_F(OrderWindowBoxesTest, AnOrderWindowsQuestionIsItsOwnAboveItOverItsMiddleAndGivesTheKeysBack) {
    StartBeforeTheOpen();
    QWidget* d = OpenNewOrder("100");
    ASSERT_TRUE(Active(d));
    Type(d, "priceEdit", "900");
    QCursor::setPos(1200, 20);  // far from the window: the box does not follow the pointer
    const SeenBox refused = Answer(QMessageBox::No, [&] { Click(In<QPushButton>(d, "submitButton")); });
    EXPECT_EQ(refused.title, "注文内容確認");
    EXPECT_EQ(refused.owner, d);
    EXPECT_TRUE(refused.above);
    EXPECT_TRUE(refused.onTop);  // the order window stays on top: so does its question
    EXPECT_LE(OffCentre(refused.frame, d), 4) << refused.frame.x() << "," << refused.frame.y();
    EXPECT_TRUE(d->screen()->availableGeometry().contains(refused.frame));
    ASSERT_TRUE(d->isVisible());  // いいえ: nothing placed, the window stays
    ASSERT_TRUE(Active(d));
    // Enter places the order; the question again is the window's.
    const SeenBox placed = Answer(QMessageBox::Yes, [&] { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return); });
    EXPECT_EQ(placed.owner, d);
    EXPECT_FALSE(d->isVisible());
    ASSERT_EQ(Find<QListWidget>("pendingList")->count(), 1);

    DoubleClick(Find<QListWidget>("pendingList"), 0);
    QWidget* list = Dialog("correctCancelDialog");
    ASSERT_TRUE(list->isVisible());
    const SeenBox kept = Answer(QMessageBox::No, [&] { Click(In<QPushButton>(list, "cancelOrderButton")); });
    EXPECT_EQ(kept.title, "注文取消し");
    EXPECT_EQ(kept.owner, list);
    EXPECT_TRUE(kept.above);
    EXPECT_LE(OffCentre(kept.frame, list), 4);
    EXPECT_TRUE(Active(list));
    EXPECT_EQ(Find<QListWidget>("pendingList")->count(), 1);
}

TEST_F(OrderDialogsWidgetTest, AfterAClickOnTheBoardTheKeysAreTheOrderWindowsNotTheReplays) {
    StartBeforeTheOpen();
    QWidget* d = OpenNewOrder("100");
    ASSERT_TRUE(Active(d));
    // A click on the board's best bid brings the main window to the front for a moment.
    window->activateWindow();
    ASSERT_TRUE(Active(window.get()));
    auto* bid = Find<BoardView>("boardView")->priceCell(5);
    QTest::mouseClick(bid, Qt::LeftButton);
    window->Refresh();
    EXPECT_EQ(In<QLineEdit>(d, "priceEdit")->text(), bid->text().remove(','));
    EXPECT_TRUE(Active(d));

    // Esc typed while the main window has come to the front again asks nothing and stops nothing.
    window->activateWindow();
    ASSERT_TRUE(Active(window.get()));
    const std::size_t asked = dialogs.questions.size();
    QTest::keyClick(window.get(), Qt::Key_Escape);
    window->Refresh();
    EXPECT_EQ(dialogs.questions.size(), asked);
    EXPECT_TRUE(sim().replay().clock().replayReady);
    EXPECT_TRUE(d->isVisible());
    ASSERT_TRUE(Active(d));

    // Enter places the order.
    dialogs.answers = {true};
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    window->Refresh();
    EXPECT_FALSE(d->isVisible());
    EXPECT_EQ(Find<QListWidget>("pendingList")->count(), 1);
}

// A session played through the window's dialogs, with a correction, a cancellation and a stop
// answered はい/はい while the replay's timers kept coming due, is played again by corvala-cli
// from its session file to the same fills and byte for byte the same history rows.
TEST_F(OrderDialogsWidgetTest, ASessionPlayedInTheWindowIsPlayedAgainExactlyByTheCommandLine) {
    StartBeforeTheOpen();
    const std::string sessionPath = sim().sessions().path();
    ASSERT_FALSE(sessionPath.empty());
    MarketBuy("200");
    QWidget* nd = LimitBuy("100", "900");
    Click(Button(kPlayPause));
    RunUntil([&] { return sim().display().clockText >= "09:20:00"; });

    // The resting buy at 900 is raised to 1020 and fills in its turn.
    DoubleClick(Find<QListWidget>("pendingList"), 0);
    QWidget* list = Dialog("correctCancelDialog");
    ASSERT_TRUE(list->isVisible());
    Click(In<QPushButton>(list, "correctOrderButton"));
    Type(nd, "priceEdit", "1020");
    dialogs.answers = {true};
    Click(In<QPushButton>(nd, "submitButton"));
    Click(In<QPushButton>(list, "cancelButton"));
    RunUntil([&] { return sim().display().clockText >= "09:40:00"; });

    // A sell of 100 well above the market rests, and is cancelled from the list.
    Click(Find<QPushButton>("newOrderButton"));
    Click(In<QRadioButton>(nd, "sellSide"));
    Type(nd, "quantityEdit", "100");
    Type(nd, "priceEdit", "1200");
    dialogs.answers = {true};
    Click(In<QPushButton>(nd, "submitButton"));
    DoubleClick(Find<QListWidget>("pendingList"), 0);
    auto* lines = In<QListWidget>(list, "correctCancelList");
    dialogs.answers = {true};
    QTest::mouseClick(lines->viewport(), Qt::RightButton, {}, lines->visualItemRect(lines->item(0)).center());
    window->Refresh();
    RunUntil([&] { return sim().display().clockText >= "10:05:00"; });

    // ■: stop, and settle the open positions at the price, while the boxes are open the timers run.
    dialogs.whileAsking = [&] { scheduler.Advance(700); };
    dialogs.answers = {true, true};
    Click(Button(kStop));
    dialogs.whileAsking = nullptr;
    RunUntil([&] { return !sim().replay().running(); });
    ASSERT_TRUE(sim().trading().record().kept());
    ASSERT_GE(sim().trading().fills().size(), 3u);

    QProcess cli;
    cli.start(CORVALA_CLI, {"replay", "--session", QString::fromStdString(sessionPath), "--install",
                            QString::fromStdString(dir.path())});
    ASSERT_TRUE(cli.waitForFinished(60'000));
    ASSERT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
    const QJsonObject out = QJsonDocument::fromJson(cli.readAllStandardOutput()).object();
    EXPECT_EQ(out["session"].toObject()["actionsLeft"].toInt(), 0);
    EXPECT_EQ(out["session"].toObject()["answersLeft"].toInt(), 0);
    EXPECT_EQ(out["executions"].toArray().size(), static_cast<qsizetype>(sim().trading().fills().size()));
    EXPECT_EQ(out["end"].toString().toStdString(), "10:05:00");
    for (const char* file : {kRealizedFile, kExecutionFile}) {
        const std::string played = EncodeCp932(out["history"].toObject()[file].toString().toStdString());
        const std::string kept = ReadWholeFile(dir.Sub(std::string(kHistoryFolder) + "/" + file)).value_or("");
        ASSERT_FALSE(played.empty()) << file;
        ASSERT_GE(kept.size(), played.size()) << file;
        EXPECT_EQ(kept.substr(kept.size() - played.size()), played) << file;
    }
}

// 再現 plays a recorded session in the window: its fills come as they came, the user's clicks
// are not taken meanwhile, and the user's own account is back when it ends.
TEST_F(OrderDialogsWidgetTest, ARecordedSessionIsWatchedInTheWindow) {
    StartBeforeTheOpen();
    const std::string sessionPath = sim().sessions().path();
    MarketBuy("100");
    Click(Button(kPlayPause));
    RunUntil([&] { return sim().display().clockText >= "09:30:00"; });
    dialogs.answers = {true, true};
    Click(Button(kStop));
    RunUntil([&] { return !sim().replay().running(); });
    const auto fillsOf = [&] {
        std::vector<std::tuple<int, float, float>> out;
        for (const TradingDesk::Fill& f : sim().trading().fills())
            out.emplace_back(f.execution.seconds, f.execution.price, f.execution.quantity);
        return out;
    };
    const auto fills = fillsOf();
    ASSERT_EQ(fills.size(), 2u);  // the buy and its settlement

    sim().trading().RestoreAccount(3'000'000, 0, 0, false);
    window->Refresh();
    EXPECT_EQ(window->WatchSession("/no/such/session.jsonl").isEmpty(), false);
    EXPECT_NE(sim().display().message.text.find("再現できません"), std::string::npos);
    ASSERT_EQ(window->WatchSession(QString::fromStdString(sessionPath)), "");
    EXPECT_TRUE(sim().sessions().playing());
    EXPECT_EQ(Find<QLineEdit>("investmentEdit")->text(), "1,000,000");  // the session's own start
    Click(Find<QPushButton>("newOrderButton"));
    EXPECT_FALSE(Dialog("newOrderDialog")->isVisible());
    RunUntil([&] { return !sim().sessions().playing(); });
    EXPECT_EQ(fillsOf(), fills);
    EXPECT_EQ(Find<QLineEdit>("investmentEdit")->text(), "3,000,000");
    EXPECT_EQ(sim().sessions().path(), "");  // watching writes no session of its own
}

}  // namespace
}  // namespace corvala
