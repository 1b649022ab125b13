// The chart as the window paints it over a demo day: replayed to 10:00:00, the right column shows
// the completed bars and the one forming, and nothing of the future; displayed, both days whole;
// an option box redraws at once. With CORVALA_SHOTS set, the window is saved as PNG.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QImage>
#include <unistd.h>

#include <filesystem>

#include "chart/layers.h"
#include "demo_data/demo_data.h"
#include "demo_install.h"
#include "platform/text.h"
#include "platform/virtual_scheduler.h"
#include "test_support.h"
#include "ui/chart_view.h"
#include "ui/main_window.h"

namespace corvala {
namespace {

// The demo install of this test process (a copy of the ctest run's, see demo_install.h), removed
// when the process ends.
const std::string& DemoInstall() {
    static const test::TempDir dir;
    static const std::string folder = [] {
        const DemoManifest demo = test::MakeDemoInstall(dir.Sub("demo"));
        EXPECT_TRUE(demo.ok) << demo.error;
        EXPECT_TRUE(WriteSettingsWithoutDisclaimer(demo.installFolder));
        return demo.installFolder;
    }();
    return folder;
}

class ChartViewTest : public ::testing::Test {
protected:
    ChartViewTest() : window(DemoInstall(), std::string(), &dialogs, &scheduler) {
        EXPECT_TRUE(window.StartUp());
        window.show();
        sim().day().SetDateText("221104");
        sim().day().SetCodeText("8473");
    }
    Simulation& sim() { return window.simulation(); }
    QImage Chart() {
        window.Refresh();
        QApplication::processEvents();
        return window.findChild<ChartView*>("chartView")->grab().toImage();
    }
    // A pixel of the chart at window twips.
    static QRgb At(const QImage& image, double x, double y) {
        return image.pixel(static_cast<int>(x / kTwipsPerPixel), static_cast<int>(y / kTwipsPerPixel) - 20);
    }
    // Whether bar t of the right column shows white somewhere between its high and low (the lines
    // of the indicators may cross it).
    bool BarShown(const QImage& image, int t, SeriesSlot slot) {
        const ChartData& c = sim().chart().data();
        const BarPoint& b = c.slot(slot).bars[static_cast<std::size_t>(t)];
        const double left = c.geometry.BarLeft(kRightColumn, t);
        for (double x = left; x <= left + c.geometry.barWidth(); x += kTwipsPerPixel)
            for (double y = b.yHigh; y <= b.yLow; y += kTwipsPerPixel)
                if (At(image, x, y) == qRgb(255, 255, 255)) return true;
        return false;
    }
    void Shot(const char* name) {
        const QByteArray folder = qgetenv("CORVALA_SHOTS");
        if (!folder.isEmpty()) window.grab().save(QString::fromUtf8(folder) + "/" + name + ".png");
    }

    test::ScriptedDialogs dialogs;
    VirtualScheduler scheduler;
    MainWindow window;
};

TEST_F(ChartViewTest, AReplayAtTenShowsTheCompletedBarsAndTheFormingOneAndNothingLater) {
    sim().replay().SetSimulationChecked(true);
    ASSERT_EQ(sim().day().DisplayDay(), Simulation::DisplayOutcome::Loaded);
    ASSERT_TRUE(scheduler.RunUntil([&] { return sim().replay().waitingForPlay(); }, 100'000));
    sim().replay().speed().SetSpeedScroll(1);
    sim().replay().PressPlayback(kPlayPause);
    ASSERT_TRUE(scheduler.RunUntil([&] { return sim().display().clockText == "10:00:00"; }, 100'000'000));
    EXPECT_EQ(sim().chart().view().lastCompletedBar, 11);  // 09:00–09:59: twelve five-minute bars

    const QImage image = Chart();
    Shot("chart-at-ten");
    const ChartGeometry& g = sim().chart().data().geometry;
    const ChartData& c = sim().chart().data();
    // Each completed bar of the stock is drawn where its body stands: white at its wick.
    for (int t = 0; t <= 11; ++t) {
        ASSERT_TRUE(c.slot(SeriesSlot::DayStock).bars[static_cast<std::size_t>(t)].drawn);
        EXPECT_TRUE(BarShown(image, t, SeriesSlot::DayStock)) << t;
        EXPECT_TRUE(BarShown(image, t, SeriesSlot::DayIndex)) << t;
    }
    // Past the forming bar only the frame, the grid and the previous-close line: no bar, line or
    // volume of a later time.
    int later = 0;
    const double from = g.BarLeft(kRightColumn, 13) + 30;
    for (int row : {kUpperRow, kLowerRow}) {
        const TwipsRect panel = g.Panel(row, kRightColumn);
        const TwipsRect strip = g.Strip(row, kRightColumn);
        for (double x = from; x < panel.right - 30; x += kTwipsPerPixel)
            for (double y = panel.top + 30; y < strip.bottom - 30; y += kTwipsPerPixel) {
                const QRgb p = At(image, x, y);
                if (p != qRgb(0, 0, 0) && p != qRgb(80, 80, 80) && p != qRgb(0, 165, 0)) ++later;
            }
    }
    EXPECT_EQ(later, 0);
    // The legends follow the step.
    EXPECT_FALSE(window.findChild<QLabel*>("average1Legend")->text().isEmpty());
}

TEST_F(ChartViewTest, ADisplayedDayIsDrawnWholeAndAnOptionRedrawsAtOnce) {
    ASSERT_EQ(sim().day().DisplayDay(), Simulation::DisplayOutcome::Loaded);
    QImage image = Chart();
    Shot("chart-displayed");
    const ChartGeometry& g = sim().chart().data().geometry;
    EXPECT_TRUE(BarShown(image, 58, SeriesSlot::DayStock));
    // A bar whose open equals its close has a body too: a white line as wide as the bar (where
    // no indicator line crosses it).
    const auto& stockBars = sim().chart().data().slot(SeriesSlot::DayStock).bars;
    int dojis = 0, white = 0, pixels = 0;
    for (int t = 0; t < static_cast<int>(stockBars.size()); ++t) {
        const BarPoint& b = stockBars[static_cast<std::size_t>(t)];
        if (!b.drawn || b.open != b.close) continue;
        ++dojis;
        const double left = g.BarLeft(kRightColumn, t);
        for (double x = left + kTwipsPerPixel; x < left + g.barWidth() - kTwipsPerPixel; x += kTwipsPerPixel, ++pixels)
            if (At(image, x, b.yOpen) == qRgb(255, 255, 255)) ++white;
    }
    EXPECT_GT(dojis, 3);
    EXPECT_GE(white * 4, pixels * 3);
    // 5分足 off: the bars go at once, the frame stays.
    auto* bars = window.findChild<QCheckBox*>("barsCheck");
    ASSERT_NE(bars, nullptr);
    EXPECT_EQ(bars->text(), "5分足");
    bars->click();
    image = Chart();
    EXPECT_FALSE(BarShown(image, 58, SeriesSlot::DayStock));
    EXPECT_EQ(At(image, g.Panel(kLowerRow, kRightColumn).left, (g.BandTop(kLowerRow) + g.BandBottom(kLowerRow)) / 2.0),
              qRgb(80, 80, 80));
}

TEST_F(ChartViewTest, TheMouseDrawsAndDeletesTrendLinesAndFixesAndMovesTheCursor) {
    ASSERT_EQ(sim().day().DisplayDay(), Simulation::DisplayOutcome::Loaded);
    auto* view = window.findChild<ChartView*>("chartView");
    const auto pixel = [&](double x, double y) {
        return QPoint(static_cast<int>(x / kTwipsPerPixel) - view->x(), static_cast<int>(y / kTwipsPerPixel) - view->y());
    };
    // A drag in the lower row: a dotted band while it moves, a solid orange line after it.
    QTest::mousePress(view, Qt::LeftButton, {}, pixel(2000, 6000));
    QMouseEvent move(QEvent::MouseMove, QPointF(pixel(3500, 7000)), view->mapToGlobal(QPointF(pixel(3500, 7000))),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view, &move);
    QTest::mouseRelease(view, Qt::LeftButton, {}, pixel(3500, 7000));
    const TrendLine& line = sim().chart().trendLines().lines()[0];
    ASSERT_FALSE(line.empty());
    QImage image = Chart();
    const QColor orange(255, 130, 0);
    EXPECT_EQ(QColor(At(image, (line.x1 + line.x2) / 2, (line.y1 + line.y2) / 2)), orange);
    // The right button near its end deletes it, from the screen too.
    const double midX = (line.x1 + line.x2) / 2, midY = (line.y1 + line.y2) / 2;
    QTest::mouseClick(view, Qt::RightButton, {}, pixel(line.x2 - 90, line.y2 + 90));
    EXPECT_TRUE(sim().chart().trendLines().lines()[0].empty());
    EXPECT_NE(QColor(At(Chart(), midX, midY)), orange);
    // The date labels switch the marks.
    auto* dayLabel = window.findChild<QLabel*>("dayLabel");
    QTest::mouseDClick(dayLabel, Qt::LeftButton);
    EXPECT_EQ(sim().chart().markMode(), MarkMode::Circle);
    QTest::mouseDClick(window.findChild<QLabel*>("prevDayLabel"), Qt::LeftButton);
    EXPECT_EQ(sim().chart().markMode(), MarkMode::None);

    // A double click fixes the cursor about 10:00 (a pixel is nine five-second rows); → moves it
    // one step.
    const double x = sim().chart().data().geometry.RowX(720);
    QTest::mouseDClick(view, Qt::LeftButton, {}, pixel(x, 3000));
    ASSERT_TRUE(sim().chart().timeCursor().on);
    window.Refresh();
    const auto clock = [&] { return *ParseTimeOfDay(window.findChild<QLabel*>("clockLabel")->text().toStdString()); };
    const int fixed = clock();
    EXPECT_NEAR(fixed, 10 * 3600, 60);
    auto* step = window.findChild<QPushButton*>("playbackButton5");
    ASSERT_NE(step, nullptr);
    EXPECT_TRUE(step->isEnabled());
    QTest::mouseClick(step, Qt::LeftButton);
    window.Refresh();
    EXPECT_EQ(clock(), fixed + 5);
    Shot("chart-cursor");
}

TEST_F(ChartViewTest, AResizeLaysTheWindowOutAgainAndDrawsTheDayAnew) {
    ASSERT_EQ(sim().day().DisplayDay(), Simulation::DisplayOutcome::Loaded);
    window.resize(1600, 1000);
    QApplication::processEvents();
    EXPECT_EQ(window.extraWidth(), (window.centralWidget()->width() - kDesignWidthPx) * kTwipsPerPixel);
    EXPECT_EQ(sim().chart().data().geometry.w(), window.extraWidth());
    EXPECT_EQ(sim().chart().data().geometry.h(), window.extraHeight());
    EXPECT_TRUE(sim().chart().showsDay());
    const QImage image = Chart();
    EXPECT_TRUE(BarShown(image, 58, SeriesSlot::DayStock));  // at its new place
    // Smaller than the design size it does not get.
    window.resize(1000, 600);
    QApplication::processEvents();
    EXPECT_GE(window.width(), kDesignWidthPx);
    EXPECT_GE(window.height(), kDesignHeightPx);

    // During a replay it keeps its size, and the chart its layout.
    sim().replay().SetSimulationChecked(true);
    ASSERT_EQ(sim().day().DisplayDay(), Simulation::DisplayOutcome::Loaded);
    window.Refresh();
    const QSize held = window.size();
    const int w = sim().chart().data().geometry.w();
    window.resize(held + QSize(200, 100));
    QApplication::processEvents();
    EXPECT_EQ(window.size(), held);
    EXPECT_EQ(sim().chart().data().geometry.w(), w);
}

}  // namespace
}  // namespace corvala
