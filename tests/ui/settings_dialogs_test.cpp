// The settings dialog and the disclaimer on screen, and what the window keeps of itself: its
// position and the order windows' positions.

#include <QComboBox>
#include <QSignalSpy>

#include "platform/files.h"
#include "settings/settings.h"
#include "ui/order_widgets.h"
#include "window_fixture.h"

namespace corvala {
namespace {

Settings SavedIn(const test::TempDir& dir) {
    return ReadSettings(ReadWholeFile(dir.Sub(kSettingsFile)).value_or(""));
}

class SettingsDialogWindowTest : public test::WindowFixture {
protected:
    QDialog* Dialog() { return Find<QDialog>("settingsDialog"); }
    QLineEdit* Field(const char* name) { return Dialog()->findChild<QLineEdit*>(name); }
    void Open() {
        QTest::mouseClick(Find<QPushButton>("settingsButton"), Qt::LeftButton);
        window->Refresh();
        ASSERT_TRUE(Dialog()->isVisible());
    }
    void Type(QLineEdit* edit, const char* text) {
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, QString::fromUtf8(text));
    }
};

TEST_F(SettingsDialogWindowTest, SettingsAfterAFinishedDayOpenOverItAndStartNoReplay) {
    PressStart();
    RunUntil([&] {
        if (sim().replay().waitingForPlay()) {  // before the open and after the lunch break
            sim().replay().speed().SetSpeedScroll(1);
            sim().replay().PressPlayback(kPlayPause);
        }
        return !sim().replay().running();
    });
    ASSERT_TRUE(sim().replay().dayCompleted());
    ASSERT_EQ(Clock(), "15:00:00");
    Open();
    EXPECT_FALSE(sim().replay().running());
    EXPECT_EQ(Clock(), "15:00:00");
    EXPECT_FALSE(Button(kPlayPause)->isEnabled());
    EXPECT_TRUE(Find<QPushButton>("displayButton")->isEnabled());  // a new replay is the user's to start
}

TEST_F(SettingsDialogWindowTest, ApplyTakesTheTypedValuesRewritesTheCaptionsAndSaves) {
    Open();
    EXPECT_EQ(Dialog()->windowTitle(), QStringLiteral("設定"));
    EXPECT_TRUE(Dialog()->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(Dialog()->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_EQ(Dialog()->findChild<QLabel*>("settingsVersion")->text(), QStringLiteral("バージョン：Ver2.1  2022.11.11"));
    Type(Field("settingsMa1"), "30");
    EXPECT_EQ(Field("settingsMa1")->text(), "24");  // as it is typed
    Type(Field("settingsMa2"), "9");
    auto* bars = Dialog()->findChild<QComboBox*>("settingsBarLength");
    ASSERT_EQ(bars->count(), 6);
    bars->setCurrentIndex(bars->findText("10"));
    emit bars->activated(bars->currentIndex());
    // Pasted: the test keyboard types ASCII only.
    QLineEdit* folder = Field("settingsFolder");
    folder->setText(QString::fromStdString(dir.Sub("日中データ") + "/221101"));
    emit folder->textEdited(folder->text());
    Shot("settings-dialog", Dialog());
    QTest::mouseClick(Dialog()->findChild<QPushButton*>("settingsApply"), Qt::LeftButton);
    window->Refresh();
    EXPECT_FALSE(Dialog()->isVisible());
    EXPECT_EQ(Find<QCheckBox>("barsCheck")->text(), QStringLiteral("10分足"));
    EXPECT_EQ(Find<QCheckBox>("average1Check")->text(), QStringLiteral("24本平均"));
    EXPECT_EQ(Find<QCheckBox>("average2Check")->text(), QStringLiteral("9本平均"));
    EXPECT_EQ(Field("settingsFolder")->text().toStdString(), dir.Sub("日中データ") + "/");  // the date folder's parent
    const Settings saved = SavedIn(dir);
    EXPECT_EQ(saved.ma1, 24);
    EXPECT_EQ(saved.ma2, 9);
    EXPECT_EQ(saved.barLength, 10);
    EXPECT_EQ(saved.dataFolder, dir.Sub("日中データ") + "/");
}

TEST_F(SettingsDialogWindowTest, CancelPutsTheFieldsBackAndClosingTheWindowActsAsApply) {
    Open();
    const QString before = Field("settingsMa2")->text();
    Type(Field("settingsMa2"), "3");
    QTest::mouseClick(Dialog()->findChild<QPushButton*>("settingsCancel"), Qt::LeftButton);
    window->Refresh();
    EXPECT_FALSE(Dialog()->isVisible());
    EXPECT_EQ(Field("settingsMa2")->text(), before);
    EXPECT_EQ(sim().chart().averagePeriods()[1], 12);

    Open();
    Type(Field("settingsMa2"), "4");
    Dialog()->close();
    QApplication::processEvents();
    window->Refresh();
    EXPECT_FALSE(Dialog()->isVisible());
    EXPECT_EQ(sim().chart().averagePeriods()[1], 4);
    EXPECT_EQ(SavedIn(dir).ma2, 4);
}

TEST_F(SettingsDialogWindowTest, TheWindowsComeBackWhereTheyWereLeftInTheNormalState) {
    window->move(120, 90);
    QApplication::processEvents();
    auto* orderWindow = Find<OrderDialogFrame>("newOrderDialog");
    orderWindow->SetShown(true);
    orderWindow->move(300, 210);
    orderWindow->SetShown(false);
    window->showMaximized();
    QApplication::processEvents();
    window->close();
    Settings saved = SavedIn(dir);
    EXPECT_EQ(saved.mainWindow, (WindowPosition{90 * kTwipsPerPixel, 120 * kTwipsPerPixel}));
    EXPECT_EQ(saved.newOrderWindow, (WindowPosition{210 * kTwipsPerPixel, 300 * kTwipsPerPixel}));

    // The next start.
    MainWindow next(dir.path(), std::string(), &dialogs, &scheduler);
    ASSERT_TRUE(next.StartUp());
    EXPECT_EQ(next.pos(), QPoint(120, 90));
    EXPECT_EQ(next.findChild<OrderDialogFrame*>("newOrderDialog")->savedPosition(), QPoint(300, 210));
    // A corner left on a screen that is gone is not used.
    saved.closingWindow = {-900000, -900000};
    test::WriteFile(dir.Sub(kSettingsFile), WriteSettings(saved));
    MainWindow third(dir.path(), std::string(), &dialogs, &scheduler);
    ASSERT_TRUE(third.StartUp());
    EXPECT_FALSE(third.findChild<OrderDialogFrame*>("closingOrderDialog")->savedPosition().has_value());
}

// A first start: no setsim yet, so the factory settings show the disclaimer.
class DisclaimerTest : public ::testing::Test {
protected:
    DisclaimerTest() {
        test::WriteFile(dir.Sub("銘柄リスト.csv"), EncodeCp932("8473,8473.T,テスト証券\r\n"));
        test::WriteFile(dir.Sub("日中データ/221101/8473.csv"), test::DayFileBuilder().Bytes());
    }
    test::TempDir dir;
    test::ScriptedDialogs dialogs;
    VirtualScheduler scheduler;
};

TEST_F(DisclaimerTest, StartUpWaitsForItAndItsBoxDecidesTheNextStart) {
    MainWindow window(dir.path(), std::string(), &dialogs, &scheduler);
    QSignalSpy finished(&window, &MainWindow::startUpFinished);
    window.show();
    ASSERT_TRUE(window.StartUp());
    auto* disclaimer = window.findChild<QDialog*>("disclaimerDialog");
    ASSERT_NE(disclaimer, nullptr);
    EXPECT_TRUE(disclaimer->isVisible());
    EXPECT_EQ(disclaimer->windowTitle(), QStringLiteral("注意事項"));
    const QString text = disclaimer->findChild<QLabel*>("disclaimerText")->text();
    EXPECT_TRUE(text.startsWith(QStringLiteral("・本ソフトはシミュレーション専用のソフトであり")));
    EXPECT_EQ(text.count(QStringLiteral("\n\n・")), 6);
    EXPECT_TRUE(text.contains(QStringLiteral("実際に投資される場合は、お客様ご自身の判断で行って下さい。")));
    // The rest of the start-up has not run: the stock list is unread.
    EXPECT_FALSE(window.startedUp());
    EXPECT_TRUE(window.simulation().display().nameLabel.empty());
    EXPECT_EQ(finished.count(), 0);
    // It holds the whole program: the main window cannot be worked or closed under it.
    EXPECT_EQ(disclaimer->windowModality(), Qt::ApplicationModal);
    EXPECT_FALSE(window.close());
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(disclaimer->isVisible());
    if (const QByteArray folder = qgetenv("CORVALA_SHOTS"); !folder.isEmpty())
        disclaimer->grab().save(QString::fromUtf8(folder) + "/disclaimer.png");

    auto* box = disclaimer->findChild<QCheckBox*>("disclaimerDontShow");
    QTest::mouseClick(box, Qt::LeftButton);
    EXPECT_FALSE(window.simulation().settings().saved().showDisclaimer);
    QTest::mouseClick(box, Qt::LeftButton);
    EXPECT_TRUE(window.simulation().settings().saved().showDisclaimer);
    QTest::mouseClick(box, Qt::LeftButton);
    disclaimer->close();  // no close item: only 閉じる closes it
    EXPECT_TRUE(disclaimer->isVisible());
    QTest::mouseClick(disclaimer->findChild<QPushButton*>("disclaimerClose"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished.count() == 1; }));
    EXPECT_TRUE(finished.first().first().toBool());
    EXPECT_TRUE(window.startedUp());
    EXPECT_FALSE(window.simulation().display().nameLabel.empty());
    window.close();
    EXPECT_FALSE(SavedIn(dir).showDisclaimer);
    EXPECT_EQ(ReadWholeFile(dir.Sub(kSettingsFile))->find("\r\n"), 3u);  // CR LF lines

    MainWindow again(dir.path(), std::string(), &dialogs, &scheduler);
    ASSERT_TRUE(again.StartUp());
    EXPECT_TRUE(again.startedUp());
    EXPECT_EQ(again.findChild<QDialog*>("disclaimerDialog"), nullptr);
}

TEST_F(DisclaimerTest, AStockListMissingAfterTheDisclaimerEndsTheStartUp) {
    std::filesystem::remove(dir.Sub("銘柄リスト.csv"));
    MainWindow window(dir.path(), std::string(), &dialogs, &scheduler);
    QSignalSpy finished(&window, &MainWindow::startUpFinished);
    ASSERT_TRUE(window.StartUp());
    QTest::mouseClick(window.findChild<QDialog*>("disclaimerDialog")->findChild<QPushButton*>("disclaimerClose"),
                      Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished.count() == 1; }));
    EXPECT_FALSE(finished.first().first().toBool());
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_EQ(dialogs.errors[0].number, 1013);
}

}  // namespace
}  // namespace corvala
