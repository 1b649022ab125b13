// The buttons under the account panel: 画像保存 writes a PNG of the window, 履歴 hands the
// history folder to the desktop, マニュアル shows the guide.

#include <QDesktopServices>
#include <QFileInfo>
#include <QImage>
#include <QMessageBox>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextBrowser>
#include <QUrl>
#include <filesystem>
#include <set>

#include "platform/cp932.h"
#include "platform/files.h"
#include "ui/manual_window.h"
#include "ui/report_window.h"
#include "window_fixture.h"

namespace corvala {
namespace {

namespace fs = std::filesystem;

class UtilitiesTest : public test::WindowFixture {
protected:
    QString Message() { return Find<QLabel>("messageLabel")->text(); }
    std::vector<std::string> Pictures() { return ListFiles(pictures.path()); }
    test::TempDir pictures;
};

TEST_F(UtilitiesTest, APictureIsAPngOfTheWindowsSizeWithWhatItShows) {
    window->SetPicturesFolder(QString::fromStdString(pictures.Sub("Corvala")));
    PressStart();
    RunUntil([&] { return sim().replay().waitingForPlay(); });
    QTest::mouseClick(Find<QPushButton>("pictureButton"), Qt::LeftButton);

    const auto files = ListFiles(pictures.Sub("Corvala"));
    ASSERT_EQ(files.size(), 1u);
    // Named by the time of the save, the day, the stock and the replay clock.
    EXPECT_TRUE(files[0].rfind("corvala_", 0) == 0) << files[0];
    EXPECT_NE(files[0].find("_221102_8473_085959.png"), std::string::npos) << files[0];
    const QString path = QString::fromStdString(JoinPath(pictures.Sub("Corvala"), files[0]));
    EXPECT_EQ(Message(), QStringLiteral("　　画像を保存しました。") + path);

    const QImage image(path);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), window->size() * window->devicePixelRatio());
    // Not blank: the black chart, the grey buttons, the yellow clock and more.
    std::set<QRgb> colours;
    for (int y = 0; y < image.height(); y += 7)
        for (int x = 0; x < image.width(); x += 7) colours.insert(image.pixel(x, y));
    EXPECT_GT(colours.size(), 20u);

    // A second picture at the same moment does not replace the first.
    QTest::mouseClick(Find<QPushButton>("pictureButton"), Qt::LeftButton);
    EXPECT_EQ(ListFiles(pictures.Sub("Corvala")).size(), 2u);
}

TEST_F(UtilitiesTest, APictureThatCannotBeWrittenIsSaidSo) {
    test::WriteFile(pictures.Sub("blocked"), "a file where the folder should be");
    window->SetPicturesFolder(QString::fromStdString(pictures.Sub("blocked/Corvala")));
    QTest::mouseClick(Find<QPushButton>("pictureButton"), Qt::LeftButton);
    EXPECT_TRUE(Message().startsWith(QStringLiteral("　　画像を保存できませんでした。"))) << Message().toStdString();
    EXPECT_TRUE(window->SavePicture().isEmpty());
}

// 履歴 runs the desktop's xdg-open on the history folder (here one on PATH that notes what it
// was given and ends as told); when the desktop cannot open it, the message line says so.
TEST_F(UtilitiesTest, TheHistoryButtonHandsTheHistoryFolderToTheDesktop) {
    const test::TempDir bin;
    const std::string given = bin.Sub("given");
    test::WriteFile(bin.Sub("xdg-open"), "#!/bin/sh\nprintf '%s' \"$1\" > '" + given + "'\nexit \"$(cat '" + bin.Sub("status") + "')\"\n");
    fs::permissions(bin.Sub("xdg-open"), fs::perms::owner_all);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QByteArray::fromStdString(bin.path()) + ":" + path);
    const auto press = [&](const char* status) {
        test::WriteFile(bin.Sub("status"), status);
        fs::remove(given);
        QTest::mouseClick(Find<QPushButton>("historyButton"), Qt::LeftButton);
        const bool ran = QTest::qWaitFor([&] { return fs::exists(given); }, 5000);
        QTest::qWait(200);  // and has ended
        return ran;
    };

    fs::remove_all(dir.Sub("売買履歴"));  // gone since the start: made again
    ASSERT_TRUE(press("0"));
    window->Refresh();
    EXPECT_EQ(ReadWholeFile(given).value_or(""), dir.Sub("売買履歴"));
    EXPECT_TRUE(DirExists(dir.Sub("売買履歴")));
    EXPECT_FALSE(Message().contains(QStringLiteral("開けませんでした。")));

    // xdg-open without a way to open folders (it ends with 3): said on the message line.
    ASSERT_TRUE(press("3"));
    ASSERT_TRUE(QTest::qWaitFor([&] { window->Refresh(); return Message().contains(QStringLiteral("開けませんでした。")); }, 5000));
    EXPECT_TRUE(Message().contains(QString::fromStdString(dir.Sub("売買履歴"))));
    qputenv("PATH", path);

    // A history folder that cannot be made is told instead.
    fs::remove_all(dir.Sub("売買履歴"));
    test::WriteFile(dir.Sub("売買履歴"), "a file");
    QTest::mouseClick(Find<QPushButton>("historyButton"), Qt::LeftButton);
    EXPECT_TRUE(Message().startsWith(QStringLiteral("　　売買履歴フォルダを作成できませんでした。")));
}

TEST_F(UtilitiesTest, TheManualButtonShowsTheGuideWithItsPictures) {
    test::WriteFile(dir.Sub("guide/guide.md"), "# Corvala マニュアル\n\n## 表示する\n\n![画面](shot.png)\n");
    QImage shot(40, 30, QImage::Format_RGB32);
    shot.fill(Qt::red);
    ASSERT_TRUE(shot.save(QString::fromStdString(dir.Sub("guide/shot.png"))));
    window->SetGuideFile(QString::fromStdString(dir.Sub("guide/guide.md")));
    QTest::mouseClick(Find<QPushButton>("manualButton"), Qt::LeftButton);
    auto* manual = window->findChild<ManualWindow*>("manualWindow");
    ASSERT_NE(manual, nullptr);
    EXPECT_TRUE(manual->isVisible());
    const QString text = manual->browser()->toPlainText();
    EXPECT_TRUE(text.contains(QStringLiteral("Corvala マニュアル")));
    EXPECT_TRUE(text.contains(QStringLiteral("表示する")));
    // The picture beside the guide is found.
    const QVariant image = manual->browser()->document()->resource(QTextDocument::ImageResource, QUrl("shot.png"));
    EXPECT_FALSE(image.isNull());
    // A small picture keeps its size; one wider than the window is narrowed to it, proportions kept.
    const auto pictureWidth = [&](const QString& name) -> std::pair<qreal, qreal> {
        for (QTextBlock b = manual->browser()->document()->begin(); b.isValid(); b = b.next())
            for (auto it = b.begin(); !it.atEnd(); ++it)
                if (it.fragment().charFormat().isImageFormat() && it.fragment().charFormat().toImageFormat().name() == name)
                    return {it.fragment().charFormat().toImageFormat().width(), it.fragment().charFormat().toImageFormat().height()};
        return {-1, -1};
    };
    EXPECT_EQ(pictureWidth("shot.png").first, 40);
    QImage wide(3000, 1500, QImage::Format_RGB32);
    wide.fill(Qt::blue);
    ASSERT_TRUE(wide.save(QString::fromStdString(dir.Sub("guide/wide.png"))));
    test::WriteFile(dir.Sub("guide/guide.md"), "# Corvala マニュアル\n\n![広い](wide.png)\n");
    QTest::mouseClick(Find<QPushButton>("manualButton"), Qt::LeftButton);
    const auto [w, h] = pictureWidth("wide.png");
    EXPECT_GT(w, 100);
    EXPECT_LE(w, manual->browser()->viewport()->width());
    EXPECT_DOUBLE_EQ(h, w / 2);

    // Without a guide the message line says what was looked for.
    manual->hide();
    window->SetGuideFile(QString::fromStdString(dir.Sub("none/guide.md")));
    QTest::mouseClick(Find<QPushButton>("manualButton"), Qt::LeftButton);
    EXPECT_FALSE(manual->isVisible());
    EXPECT_TRUE(Message().contains(QString::fromStdString(dir.Sub("none/guide.md"))));
}

TEST_F(UtilitiesTest, AKeptRunOpensItsReportWhichSavesAPictureAndTheFigures) {
    window->SetPicturesFolder(QString::fromStdString(pictures.path()));
    PressStart();
    RunUntil([&] { return sim().replay().waitingForPlay(); });
    NewOrderForm order;
    order.quantity = "100";
    order.normalMarket = true;
    dialogs.answers = {true};  // the confirmation
    ASSERT_EQ(sim().trading().PlaceNewOrder(order).status, EntryOutcome::Status::Stored);
    // Played to the close, the holding is settled and the run kept: the report opens by itself.
    RunUntil([&] {
        if (sim().replay().waitingForPlay()) sim().replay().PressPlayback(kPlayPause);
        return !sim().replay().running();
    });
    auto* report = window->findChild<ReportWindow*>("reportWindow");
    ASSERT_NE(report, nullptr);
    EXPECT_TRUE(report->isVisible());
    EXPECT_TRUE(Find<QPushButton>("reportButton")->isEnabled());
    const QString figures = report->findChild<QLabel*>("sessionFigures")->text();
    EXPECT_TRUE(figures.contains(QStringLiteral("取引回数"))) << figures.toStdString();
    EXPECT_TRUE(figures.contains(QStringLiteral("最大ドローダウン")));
    EXPECT_EQ(sim().trading().record().trades().size(), 1u);
    EXPECT_EQ(sim().trading().record().EquityCurve().size(), static_cast<std::size_t>(sim().replay().clock().stepsRun));
    // The second tab reads the history the run was just appended to.
    EXPECT_TRUE(report->findChild<QLabel*>("historyFigures")->text().contains(QStringLiteral("記録した回数")));

    const QString png = report->SavePicture(QString::fromStdString(pictures.path()));
    ASSERT_FALSE(png.isEmpty());
    const QImage image(png);
    EXPECT_EQ(image.size(), report->size() * report->devicePixelRatio());
    // The curve is drawn: the yellow of the result is in the picture.
    const QImage curve = report->findChild<CurveView*>("sessionCurve")->grab().toImage();
    bool yellow = false;
    for (int y = 0; y < curve.height() && !yellow; ++y)
        for (int x = 0; x < curve.width() && !yellow; ++x) yellow = curve.pixel(x, y) == qRgb(255, 255, 0);
    EXPECT_TRUE(yellow);

    const QString csv = report->SaveCsv(QString::fromStdString(pictures.path()));
    ASSERT_FALSE(csv.isEmpty());
    EXPECT_TRUE(QFileInfo(csv).fileName().startsWith(QStringLiteral("成績_")));
    const std::string text = DecodeCp932(*ReadWholeFile(csv.toStdString()));
    EXPECT_EQ(text.rfind("項目,値\r\n取引回数,1\r\n", 0), 0u) << text.substr(0, 80);
    EXPECT_NE(text.find("09:00:00,"), std::string::npos);

    // The next display starts a new run: the report of the last one closes with it, and 成績
    // opens the kept runs only.
    sim().replay().SetSimulationChecked(false);
    ASSERT_EQ(sim().day().DisplayDay(), Simulation::DisplayOutcome::Loaded);
    window->Refresh();
    EXPECT_FALSE(report->isVisible());
    QTest::mouseClick(Find<QPushButton>("reportButton"), Qt::LeftButton);
    EXPECT_TRUE(report->isVisible());
    auto* tabs = report->findChild<QTabWidget*>();
    EXPECT_FALSE(tabs->isTabEnabled(0));
    EXPECT_EQ(tabs->currentIndex(), 1);
}

TEST_F(UtilitiesTest, ARunKeptByAStopReportsOverTheDaysPrice) {
    PressStart();
    RunUntil([&] { return sim().replay().waitingForPlay(); });
    PlaceMarketBuy("100");
    sim().replay().PressPlayback(kPlayPause);
    RunUntil([&] { return sim().replay().clock().currentRow >= 200; });
    dialogs.answers = {true, true};  // stop, and settle and keep the run
    // A question still open (the next one of the stop, the exit's) is not covered by the report:
    // it comes once the question is answered.
    QMessageBox question;
    question.setWindowModality(Qt::ApplicationModal);
    question.show();
    sim().replay().PressPlayback(kStop);
    RunUntil([&] { return !sim().replay().running(); });
    ASSERT_TRUE(sim().trading().record().kept());
    auto* report = window->findChild<ReportWindow*>("reportWindow");
    EXPECT_FALSE(report->isVisible());
    question.hide();
    window->Refresh();
    ASSERT_TRUE(report->isVisible());
    // The chart went back to its empty frame, but the report still has the day's price.
    const SessionRecord& run = sim().trading().record();
    ASSERT_GE(run.prices().size(), 3600u);
    EXPECT_GT(run.prices()[0], 0);
    ASSERT_EQ(run.fills().size(), 2u);
    EXPECT_EQ(run.EquityCurve().back(), sim().trading().account().runPnl);  // the settled result is the last figure
    const QImage curve = report->findChild<CurveView*>("sessionCurve")->grab().toImage();
    bool white = false;  // the price line
    for (int y = 0; y < curve.height() && !white; ++y)
        for (int x = 0; x < curve.width() && !white; ++x) white = curve.pixel(x, y) == qRgb(255, 255, 255);
    EXPECT_TRUE(white);
}

}  // namespace
}  // namespace corvala

