// The main window's binding: typing into its boxes and pressing its button reach the core, and
// the core's display state reaches the widgets.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "demo_data/demo_data.h"
#include "platform/cp932.h"
#include "test_support.h"
#include "ui/main_window.h"

namespace corvala {
namespace {

using test::DayFileBuilder;

class MainWindowTest : public ::testing::Test {
protected:
    MainWindowTest() {
        test::WriteFile(dir.Sub("銘柄リスト.csv"),
                        EncodeCp932("8473,8473.T,テスト証券\r\n6501,6501.OS,大証電機\r\n"));
        for (const char* date : {"221101", "221102"})
            for (const char* code : {"8473", "N225"})
                test::WriteFile(dir.Sub(std::string("日中データ/") + date + "/" + code + ".csv"),
                                DayFileBuilder().Bytes());
        WriteSettingsWithoutDisclaimer(dir.path());
        window = std::make_unique<MainWindow>(dir.path(), std::string(), &dialogs);
        started = window->StartUp();
    }

    template <typename T>
    T* Find(const char* name) {
        T* w = window->findChild<T*>(name);
        EXPECT_NE(w, nullptr) << name;
        return w;
    }

    void Retype(const char* name, const QString& text) {
        auto* edit = Find<QLineEdit>(name);
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, text);
    }

    QString Text(const char* name) { return Find<QLabel>(name)->text(); }

    test::TempDir dir;
    test::ScriptedDialogs dialogs;
    std::unique_ptr<MainWindow> window;
    bool started = false;
};

TEST_F(MainWindowTest, StartsInJapaneseWithTheDefaults) {
    ASSERT_TRUE(started);
    EXPECT_EQ(Find<QLineEdit>("dateEdit")->text(), "221102");
    EXPECT_EQ(Find<QLineEdit>("codeEdit")->text(), "8473");
    EXPECT_EQ(Text("nameLabel"), "テスト証券 ");
    EXPECT_EQ(Text("marketLabel"), "東証 ");
    EXPECT_EQ(Find<QComboBox>("seriesCombo")->currentText(), "日経225");
    EXPECT_EQ(Find<QPushButton>("displayButton")->text(), "表 示");
    EXPECT_GE(window->minimumWidth(), MainWindow::kDesignWidth);
}

TEST_F(MainWindowTest, TypingACodeUpdatesTheLabelsAndALetterClearsTheBox) {
    Retype("codeEdit", "6501");
    EXPECT_EQ(Text("nameLabel"), "大証電機 ");
    EXPECT_EQ(Text("marketLabel"), "大証 ");
    Retype("codeEdit", "65x1");
    EXPECT_EQ(Find<QLineEdit>("codeEdit")->text(), "");
    EXPECT_EQ(Text("nameLabel"), "");
}

TEST_F(MainWindowTest, TypingADateRebuildsTheSelector) {
    Retype("dateEdit", "220401");
    auto* combo = Find<QComboBox>("seriesCombo");
    EXPECT_EQ(combo->count(), 5);
    EXPECT_EQ(combo->itemText(3), "日経JAS");
    Retype("dateEdit", "221102");
    EXPECT_EQ(combo->count(), 7);
}

TEST_F(MainWindowTest, DisplayButtonLoadsTheDay) {
    QTest::mouseClick(Find<QPushButton>("displayButton"), Qt::LeftButton);
    EXPECT_TRUE(dialogs.errors.empty());
    EXPECT_EQ(Text("dayLabel"), "2022年11月02日 (水)");
    EXPECT_EQ(Text("prevDayLabel"), "2022年11月01日 (火)");
    EXPECT_TRUE(window->simulation().day().replayAllowed());
    EXPECT_EQ(Text("tapeCounter"), "1");  // the closing print
}

TEST_F(MainWindowTest, ErrorsGoToTheDialogsAndMessagesShowOnTheLine) {
    Retype("dateEdit", "221115");
    QTest::mouseClick(Find<QPushButton>("displayButton"), Qt::LeftButton);
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_EQ(dialogs.errors[0].number, 1014);

    Retype("dateEdit", "221102");
    Retype("codeEdit", "6501");
    QTest::mouseClick(Find<QPushButton>("displayButton"), Qt::LeftButton);
    EXPECT_EQ(Text("messageLabel"), "　　　6501のこの日のデータはありません。");
    EXPECT_TRUE(Find<QLabel>("messageLabel")->styleSheet().contains("rgb(255,255,128)"));
    // The flash ends on the event loop's timer.
    auto* line = Find<QLabel>("messageLabel");
    EXPECT_TRUE(QTest::qWaitFor([&] { return line->styleSheet().contains("color: rgb(255,128,128)"); },
                                5000));
}

TEST_F(MainWindowTest, SimulationBoxChangesTheButtonCaption) {
    QTest::mouseClick(Find<QCheckBox>("simulationCheck"), Qt::LeftButton);
    EXPECT_EQ(Find<QPushButton>("displayButton")->text(), "開 始");
}

}  // namespace
}  // namespace corvala
