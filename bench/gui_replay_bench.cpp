// The window replaying a demo day on its real timers (offscreen or under Xvfb): wall time from
// play to 15:00:00 at speed 30 with every chart layer on, with and without the lunch break's
// notice (3.8 s the replay waits out), the event loop's worst lateness meanwhile (how long a pause
// press could wait), the timers' accuracy over ten steps at speed 25, and the chart's paint: a
// whole day at 1600 × 1000, a step's repaint, and a pointer move with its readouts and the window
// repainted; and the screening window listing 10,000 rows. Prints one JSON object.

#include <QApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QPixmap>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "bench_support.h"
#include "chart/layers.h"
#include "ui/chart_view.h"
#include "platform/files.h"
#include "screening/search_data.h"
#include "ui/main_window.h"

namespace corvala {
namespace {

struct Figures {
    double playToCloseMs = 0;
    double lunchNoticeMs = 0;  // the break's notice and flash, which the replay waits out
    double worstLatenessMs = 0;
    double pauseHandledMs = 0;
    double tenStepsMs = 0;
    double fullPaintMs = 0;    // the whole chart of a displayed day at 1600 × 1000
    double stepRepaintMs = 0;  // the kept picture and a step's forming bar
    double pointerMoveMs = 0;  // a pointer move over the chart: readouts shown, window repainted
    double pointerMoveAfterReplayMs = 0;  // the same over a replayed day, its whole tape listed
    double screeningListMs = 0;           // 検　索 until 10,000 rows are listed, window on screen
    double screeningWorstLatenessMs = 0;  // the event loop's worst lateness meanwhile
    int screeningRows = 0;
};

// Pointer moves across the right column: each reads its row, the tape list follows, and what
// changed is repainted (the labels, the board, the list). Milliseconds a move.
double PointerMoves(MainWindow& w) {
    Simulation& sim = w.simulation();
    const ChartGeometry& g = sim.chart().data().geometry;
    w.Refresh();
    QApplication::processEvents();
    constexpr int kMoves = 200;
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < kMoves; ++i) {
        sim.chart().Move(g.RowX(i * 3599 / kMoves), g.BandTop(kLowerRow) + 1000, false);
        w.Refresh();
        QApplication::processEvents();
    }
    return static_cast<double>(t.nsecsElapsed()) / 1e6 / kMoves;
}

// Runs the event loop until `done` holds, checking every millisecond.
void Until(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < timeoutMs) {
        QEventLoop loop;
        QTimer::singleShot(1, Qt::PreciseTimer, &loop, &QEventLoop::quit);
        loop.exec();
    }
}

void Prepare(MainWindow& w) {
    Simulation& sim = w.simulation();
    sim.day().SetDateText("221102");
    sim.day().SetCodeText("8473");
    sim.replay().SetSimulationChecked(true);
    sim.day().DisplayDay();
    w.Refresh();
    Until([&] { return sim.replay().waitingForPlay(); }, 10'000);
}

// The chart of a displayed day in a 1600 × 1000 window: painted whole (what a redraw costs) and
// as a step repaints it (the kept picture, then the forming bar on top).
void MeasurePaint(MainWindow& w, Figures& f) {
    Simulation& sim = w.simulation();
    w.resize(1600, 1000);
    QApplication::processEvents();
    sim.replay().SetSimulationChecked(false);
    sim.day().DisplayDay();
    w.Refresh();
    const ChartPicture& picture = sim.chart().picture();
    const ChartGeometry& g = sim.chart().data().geometry;
    QPixmap canvas((g.w() + 12800) / kTwipsPerPixel + 1, (g.h() + 8700) / kTwipsPerPixel + 1);
    const auto paint = [&](const std::vector<Shape>& shapes) {
        QPainter p(&canvas);
        p.scale(1.0 / kTwipsPerPixel, 1.0 / kTwipsPerPixel);
        p.translate(0, -300);
        ChartView::PaintShapes(p, shapes);
    };
    constexpr int kRounds = 50;
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < kRounds; ++i) {
        canvas.fill(Qt::black);
        paint(picture.base);
    }
    f.fullPaintMs = static_cast<double>(t.nsecsElapsed()) / 1e6 / kRounds;
    // A step: the kept picture copied, the forming bar and line ends of a replay drawn on it.
    const QPixmap kept = canvas;
    ChartPicture live;
    DrawLive(live, sim.chart().data(), sim.day().data(), ChartLayers{}, ReplayView{true, 23, 24 * 60 + 30}, sim.chart().tradeMarkers());
    QPixmap target(canvas.size());
    t.restart();
    for (int i = 0; i < kRounds; ++i) {
        {
            QPainter p(&target);
            p.drawPixmap(0, 0, kept);
        }
        QPainter p(&target);
        p.scale(1.0 / kTwipsPerPixel, 1.0 / kTwipsPerPixel);
        p.translate(0, -300);
        ChartView::PaintShapes(p, live.live);
    }
    f.stepRepaintMs = static_cast<double>(t.nsecsElapsed()) / 1e6 / kRounds;

    f.pointerMoveMs = PointerMoves(w);
}

// 検　索 over a generated month (4,000 stocks × 22 days) at 1 %, which lists 10,000 rows: wall
// time to the end of the search with the list filling on screen, and how late a 5 ms timer
// came meanwhile (what a click on 停　止 would wait).
void MeasureScreening(MainWindow& w, Figures& f) {
    Simulation& sim = w.simulation();
    WriteFileAtomically(SearchFilePath(sim.installFolder(), "221298"), bench::GeneratedSearchMonth(4000, 22));
    sim.screening().Open();
    const auto& months = sim.screening().model().months;
    sim.screening().SetMonth(static_cast<int>(std::find(months.begin(), months.end(), "221298") - months.begin()));
    sim.screening().SetDirection(kBoth);
    sim.screening().SetThreshold("1");
    w.Refresh();
    QApplication::processEvents();
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    QElapsedTimer sinceTick;
    double worst = 0;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        worst = std::max(worst, static_cast<double>(sinceTick.nsecsElapsed()) / 1e6 - 5);
        sinceTick.restart();
    });
    QElapsedTimer wall;
    wall.start();
    sinceTick.start();
    probe.start(5);
    sim.screening().PressSearch();
    Until([&] { return !sim.screening().model().searching(); }, 60'000);
    probe.stop();
    f.screeningListMs = static_cast<double>(wall.nsecsElapsed()) / 1e6;
    f.screeningWorstLatenessMs = worst;
    f.screeningRows = static_cast<int>(sim.screening().model().rows().size());
    sim.screening().Close();
}

Figures Measure() {
    Figures f;
    bench::SilentDialogs dialogs;
    MainWindow w(bench::DemoInstall(), std::string(), &dialogs);
    w.StartUp();
    w.show();
    Simulation& sim = w.simulation();

    // Speed 30, play, and play again at the lunch break as soon as it waits.
    Prepare(w);
    sim.replay().speed().SetSpeedScroll(1);
    QElapsedTimer wall;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    QElapsedTimer sinceTick;
    double worst = 0;
    bool pausedOnce = false;
    QElapsedTimer lunch;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        worst = std::max(worst, static_cast<double>(sinceTick.nsecsElapsed()) / 1e6 - 5);
        sinceTick.restart();
        if (sim.display().clockText == kLunchClock && !lunch.isValid()) lunch.start();
        if (sim.replay().waitingForPlay()) {
            if (lunch.isValid() && f.lunchNoticeMs == 0) f.lunchNoticeMs = static_cast<double>(lunch.nsecsElapsed()) / 1e6;
            sim.replay().PressPlayback(kPlayPause);
        }
        // Once, while the replay plays (not while it waits at the lunch break, where the press
        // would be a play).
        if (!pausedOnce && sim.replay().clock().currentRow >= 1000 && !sim.replay().clock().paused && !sim.replay().clock().preOpenPhase) {
            // A pause press as the window gets it: queued behind whatever the loop is doing.
            pausedOnce = true;
            QElapsedTimer queued;
            queued.start();
            QTimer::singleShot(0, &w, [&, queued] {
                f.pauseHandledMs = static_cast<double>(queued.nsecsElapsed()) / 1e6;
                sim.replay().PressPlayback(kPlayPause);
                QTimer::singleShot(0, &w, [&] { sim.replay().PressPlayback(kPlayPause); });
            });
        }
    });
    wall.start();
    sinceTick.start();
    probe.start(5);
    sim.replay().PressPlayback(kPlayPause);
    Until([&] { return !sim.replay().running(); }, 60'000);
    probe.stop();
    if (sim.replay().running())
        std::fprintf(stderr, "the replay did not end: %s, paused %d, waiting for play %d, busy %d\n",
                     sim.display().clockText.c_str(), sim.replay().clock().paused, sim.replay().waitingForPlay(),
                     sim.display().busy.visible);
    f.playToCloseMs = static_cast<double>(wall.nsecsElapsed()) / 1e6;
    f.worstLatenessMs = worst;
    if (!sim.replay().running()) f.pointerMoveAfterReplayMs = PointerMoves(w);

    // Ten steps at speed 25 on the precise timers.
    Prepare(w);
    sim.replay().speed().SetSpeedScroll(6);
    std::vector<qint64> stepAt;
    QElapsedTimer clock;
    clock.start();
    sim.replay().SetStepObserver([&](int) { stepAt.push_back(clock.nsecsElapsed()); });
    sim.replay().PressPlayback(kPlayPause);
    Until([&] { return stepAt.size() >= 11; }, 20'000);
    if (stepAt.size() >= 11) f.tenStepsMs = static_cast<double>(stepAt[10] - stepAt[0]) / 1e6;
    sim.replay().SetStepObserver(nullptr);
    sim.replay().RequestClose();
    MeasurePaint(w, f);
    MeasureScreening(w, f);
    return f;
}

}  // namespace
}  // namespace corvala

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const corvala::Figures f = corvala::Measure();
    const double expected = 10 * 5 * (corvala::StepDelayForSpeed(25) / 6);
    std::printf("{\"playTo1500Ms\":%.0f,\"lunchNoticeMs\":%.0f,\"replayWithoutLunchNoticeMs\":%.0f,"
                "\"worstEventLatenessMs\":%.1f,\"pauseHandledAfterMs\":%.1f,"
                "\"tenStepsAtSpeed25Ms\":%.1f,\"expectedTenStepsMs\":%.0f,\"errorPercent\":%.2f,"
                "\"chartFullPaint1600x1000Ms\":%.2f,\"chartStepRepaintMs\":%.2f,\"pointerMoveMs\":%.2f,\"pointerMoveAfterReplayMs\":%.2f,"
                "\"screeningRows\":%d,\"screeningListMs\":%.0f,\"screeningWorstLatenessMs\":%.1f}\n",
                f.playToCloseMs, f.lunchNoticeMs, f.playToCloseMs - f.lunchNoticeMs, f.worstLatenessMs,
                f.pauseHandledMs, f.tenStepsMs, expected, (f.tenStepsMs - expected) / expected * 100,
                f.fullPaintMs, f.stepRepaintMs, f.pointerMoveMs, f.pointerMoveAfterReplayMs, f.screeningRows,
                f.screeningListMs, f.screeningWorstLatenessMs);
    return 0;
}
