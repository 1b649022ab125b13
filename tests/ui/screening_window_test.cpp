// The screening window on screen: conditions typed and clicked, a search that fills the list,
// the two sort buttons, and a double click that lands in a replay waiting at the row's start.

#include <QDialog>
#include <QListView>
#include <QProgressBar>
#include <QRadioButton>

#include "screening/search_data.h"
#include "window_fixture.h"

namespace corvala {
namespace {

class ScreeningWindowTest : public test::WindowFixture {
protected:
    ScreeningWindowTest() {
        // 8473 rose from its low at 10:10 on 221102 (field 15), and over the whole day on 221101;
        // 1301 has no day files (×).
        test::WriteFile(SearchFilePath(dir.path(), "202211"),
                        "221102,8473,1000,09:00,10:40,10:10,09:25,09:10,1,-1,1,-1,-1,1,-1,6.5,2,12345\r\n"
                        "221101,8473,1000,09:00,10:40,10:10,09:25,09:10,1,-1,1,-1,-1,1,-1,1,8.25,500\r\n"
                        "221102,1301,300,09:00,09:35,10:20,09:25,09:10,1,-1,1,-1,-1,1,-1,1,5.5,800\r\n");
    }
    QDialog* Window() { return Find<QDialog>("screeningWindow"); }
    template <typename T>
    T* In(const char* name) {
        T* w = Window()->findChild<T*>(name);
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QListView* List() { return In<QListView>("screeningList"); }
    QString RowText(int row) { return List()->model()->index(row, 0).data().toString(); }
    QStringList Codes() {
        QStringList out;
        for (int r = 0; r < List()->model()->rowCount(); ++r) out << RowText(r).left(4) + RowText(r).section("@@", 1, 1);
        return out;
    }
    void DoubleClickRow(int row) {
        const QRect rect = List()->visualRect(List()->model()->index(row, 0));
        QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, rect.center());
        QTest::mouseDClick(List()->viewport(), Qt::LeftButton, {}, rect.center());
        window->Refresh();
    }
};

TEST_F(ScreeningWindowTest, SearchSortAndADoubleClickLandInAWaitingReplayAtTheRowsStart) {
    QTest::mouseClick(Find<QPushButton>("screeningButton"), Qt::LeftButton);
    ASSERT_TRUE(Window()->isVisible());
    EXPECT_EQ(Window()->windowTitle(), QStringLiteral("銘柄選別"));
    EXPECT_EQ(In<QLabel>("screeningMonth")->text(), QStringLiteral("2022/11"));
    QTest::mouseClick(In<QRadioButton>("screeningRise"), Qt::LeftButton);
    EXPECT_EQ(In<QLabel>("screeningSign")->text(), QStringLiteral("＋"));
    EXPECT_EQ(In<QLabel>("screeningRelation")->text(), QStringLiteral("％以上"));
    QLineEdit* threshold = In<QLineEdit>("screeningThreshold");
    threshold->selectAll();
    QTest::keyClicks(threshold, "5");
    QTest::mouseClick(In<QCheckBox>("screeningNearStart"), Qt::LeftButton);

    QTest::mouseClick(In<QPushButton>("screeningSearch"), Qt::LeftButton);
    EXPECT_TRUE(In<QPushButton>("screeningStop")->isEnabled());  // only 停　止 while it searches
    EXPECT_FALSE(In<QPushButton>("screeningSearch")->isEnabled());
    EXPECT_EQ(In<QLabel>("screeningMessage")->text(), QStringLiteral("検索中です。しばらくお待ち下さい。"));
    RunUntil([&] { return !sim().screening().model().searching(); });
    EXPECT_EQ(In<QLabel>("screeningCounter")->text(), QStringLiteral("3 件"));
    EXPECT_EQ(Codes(), (QStringList{"8473221102", "8473221101", "1301221102"}));
    EXPECT_TRUE(In<QPushButton>("screeningSearch")->isEnabled());

    // By change: the largest first, then the smallest first.
    QTest::mouseClick(In<QPushButton>("screeningSortByChange"), Qt::LeftButton);
    EXPECT_EQ(Codes(), (QStringList{"8473221101", "8473221102", "1301221102"}));
    QTest::mouseClick(In<QPushButton>("screeningSortByChange"), Qt::LeftButton);
    EXPECT_EQ(Codes(), (QStringList{"1301221102", "8473221102", "8473221101"}));

    // The × row cannot be used.
    DoubleClickRow(0);
    EXPECT_FALSE(In<QPushButton>("screeningUse")->isEnabled());
    EXPECT_TRUE(In<QLabel>("screeningMessage")->text().startsWith(QStringLiteral("日中データフォルダに該当銘柄のファイルがありません。")));

    // The 221102 row: 10:10 less a lead of 2–3 five-minute bars.
    DoubleClickRow(1);
    EXPECT_EQ(Find<QLineEdit>("dateEdit")->text(), QStringLiteral("221102"));
    EXPECT_EQ(Find<QLineEdit>("codeEdit")->text(), QStringLiteral("8473"));
    EXPECT_TRUE(Find<QCheckBox>("simulationCheck")->isChecked());
    RunUntil([&] { return sim().replay().waitingForPlay(); });
    const QString start = Clock();
    EXPECT_TRUE(start == QStringLiteral("09:55:00") || start == QStringLiteral("10:00:00")) << start.toStdString();
    EXPECT_EQ(Find<QLineEdit>("startHourEdit")->text(), start.startsWith("09") ? QStringLiteral("9") : QStringLiteral("10"));
    EXPECT_FALSE(Find<QPushButton>("screeningButton")->isEnabled());  // not during the replay
    Shot("screening-window", Window());

    // Closing hides it; the conditions stay for the next opening.
    QTest::mouseClick(In<QPushButton>("screeningClose"), Qt::LeftButton);
    EXPECT_FALSE(Window()->isVisible());
    EXPECT_EQ(sim().settings().saved().screening.threshold, 5);
    EXPECT_TRUE(sim().settings().saved().screening.startNearStart);
}

TEST_F(ScreeningWindowTest, TheArrowKeysMoveTheRowThatIsUsedAndReopeningKeepsTheList) {
    QTest::mouseClick(Find<QPushButton>("screeningButton"), Qt::LeftButton);
    QTest::mouseClick(In<QRadioButton>("screeningRise"), Qt::LeftButton);
    QTest::mouseClick(In<QPushButton>("screeningSearch"), Qt::LeftButton);
    RunUntil([&] { return !sim().screening().model().searching(); });
    ASSERT_EQ(Codes(), (QStringList{"8473221102", "8473221101", "1301221102"}));
    QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, List()->visualRect(List()->model()->index(2, 0)).center());
    EXPECT_FALSE(In<QPushButton>("screeningUse")->isEnabled());
    QTest::keyClick(List(), Qt::Key_Up);
    window->Refresh();
    EXPECT_EQ(List()->currentIndex().row(), 1);
    EXPECT_TRUE(In<QPushButton>("screeningUse")->isEnabled());
    // Closed and opened again: the list and the row are as they were left.
    QTest::mouseClick(In<QPushButton>("screeningClose"), Qt::LeftButton);
    QTest::mouseClick(Find<QPushButton>("screeningButton"), Qt::LeftButton);
    ASSERT_EQ(List()->model()->rowCount(), 3);
    EXPECT_EQ(List()->currentIndex().row(), 1);
    QTest::mouseClick(In<QPushButton>("screeningUse"), Qt::LeftButton);
    window->Refresh();
    EXPECT_EQ(Find<QLineEdit>("dateEdit")->text(), QStringLiteral("221101"));
    RunUntil([&] { return sim().replay().waitingForPlay(); });
    EXPECT_FALSE(In<QPushButton>("screeningUse")->isEnabled());  // not while that replay runs
}

TEST_F(ScreeningWindowTest, ADownloadWithoutAnAddressSaysHowToSetOne) {
    QTest::mouseClick(Find<QPushButton>("screeningButton"), Qt::LeftButton);
    QTest::mouseClick(In<QPushButton>("screeningDownload"), Qt::LeftButton);
    EXPECT_TRUE(In<QLabel>("screeningMessage")->text().contains(QStringLiteral("ダウンロード先.txt")));
    EXPECT_FALSE(In<QPushButton>("screeningCancelDownload")->isEnabled());
}

}  // namespace
}  // namespace corvala
