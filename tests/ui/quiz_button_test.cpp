// The 出 題 toggle on screen: grey with its reason when no data service is set, and with a
// service on 127.0.0.1 a press that fetches the package, asks about the operator's time and
// leaves the quiz day waiting there, the boxes locked and the toggle yellow.

#include <QElapsedTimer>
#include <QMessageBox>
#include <QPainter>
#include <filesystem>

#include "platform/files.h"
#include "screening/search_download.h"
#include "tests/screening/local_http_server.h"
#include "window_fixture.h"

namespace corvala {
namespace {

namespace fs = std::filesystem;

class QuizButtonTest : public test::WindowFixture {
protected:
    QPushButton* Quiz() { return Find<QPushButton>("quizButton"); }
    // The network answers on the event loop, the waits on the virtual clock: both are run.
    bool Pump(const std::function<bool()>& done) {
        QElapsedTimer t;
        t.start();
        while (!done() && t.elapsed() < 15'000) {
            scheduler.Advance(50);
            QApplication::processEvents(QEventLoop::AllEvents, 20);
        }
        window->Refresh();
        return done();
    }
    std::string Package() {
        test::TempDir source;
        fs::create_directories(source.Sub("出題/221102"));
        for (const char* file : {"8473.csv", "N225.csv"})
            fs::copy_file(dir.Sub(std::string("日中データ/221102/") + file), source.Sub(std::string("出題/221102/") + file));
        test::WriteFile(source.Sub("出題/data.txt"), "Q47\r\n221102\r\n8473\r\n10:30:00\r\n18\r\n");
        EXPECT_TRUE(test::MakeLhaArchive(source.path(), "出題", source.Sub("quest.lzh")));
        return ReadWholeFile(source.Sub("quest.lzh")).value_or("");
    }
};

TEST_F(QuizButtonTest, WithoutADataServiceItStaysGreyAndSaysWhy) {
    EXPECT_EQ(Quiz()->text(), QStringLiteral("出 題"));
    EXPECT_TRUE(Quiz()->toolTip().startsWith(QStringLiteral("不定期で最新の注目銘柄のデータが配信されます。")));
    EXPECT_TRUE(Quiz()->toolTip().contains(QStringLiteral("設定されていない")));
    EXPECT_TRUE(Quiz()->styleSheet().contains("192,192,192"));
    QTest::mouseClick(Quiz(), Qt::LeftButton);
    window->Refresh();
    EXPECT_FALSE(Quiz()->isChecked());
    ASSERT_FALSE(dialogs.notices.empty());
    EXPECT_EQ(dialogs.notices.back().first, "ダウンロードエラー");
}

TEST_F(QuizButtonTest, APressFetchesTheQuizAndLeavesItsDayWaitingAtTheOperatorsTime) {
    test::LocalHttpServer server({test::LocalHttpServer::Ok(Package())});
    test::WriteFile(dir.Sub(kDownloadAddressFile), server.Url("/kensaku/") + "\r\n");
    sim().quizMode().Check();  // as a start with the service set
    window->Refresh();
    EXPECT_TRUE(Quiz()->styleSheet().contains("255,128,0"));  // nothing fetched yet: orange
    dialogs.answers = {true};
    // With CORVALA_SHOTS set: the question as the window shows it, over the quiz's day.
    dialogs.whileAsking = [&] {
        const QByteArray folder = qgetenv("CORVALA_SHOTS");
        if (folder.isEmpty()) return;
        window->Refresh();
        QMessageBox box(QMessageBox::Question, QString::fromStdString(dialogs.questions.back().first),
                        QString::fromStdString(dialogs.questions.back().second), QMessageBox::Yes | QMessageBox::No,
                        window.get());
        box.button(QMessageBox::Yes)->setText(QStringLiteral("はい"));
        box.button(QMessageBox::No)->setText(QStringLiteral("いいえ"));
        box.show();
        QApplication::processEvents();
        QPixmap shot = window->grab();
        QPainter p(&shot);
        const QPixmap question = box.grab();
        p.drawPixmap((shot.width() - question.width()) / 2, (shot.height() - question.height()) / 2, question);
        shot.save(QString::fromUtf8(folder) + "/quiz-question.png");
    };
    QTest::mouseClick(Quiz(), Qt::LeftButton);
    ASSERT_TRUE(Pump([&] { return !sim().quizMode().busy(); }));
    EXPECT_EQ(server.targets(), std::vector<std::string>{"/kensaku/quest.lzh"});
    ASSERT_TRUE(Pump([&] { return sim().replay().waitingForPlay(); }));
    EXPECT_TRUE(Quiz()->isChecked());
    EXPECT_TRUE(Quiz()->styleSheet().contains("255,255,0"));
    EXPECT_EQ(Find<QLineEdit>("dateEdit")->text(), QStringLiteral("221102"));
    EXPECT_FALSE(Find<QLineEdit>("dateEdit")->isEnabled());
    EXPECT_EQ(Find<QLineEdit>("startHourEdit")->text(), QStringLiteral("10"));
    EXPECT_EQ(Clock(), QStringLiteral("10:30:00"));
    EXPECT_FALSE(Quiz()->isEnabled());  // not while the replay waits
    Shot("quiz");
}

}  // namespace
}  // namespace corvala
