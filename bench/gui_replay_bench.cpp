// The window replaying a demo day on its real timers (offscreen or under Xvfb): wall time from
// play to 15:00:00 at speed 30 with the lunch break, the event loop's worst lateness meanwhile
// (how long a pause press could wait), and the timers' accuracy over ten steps at speed 25.
// Prints one JSON object.

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "bench_support.h"
#include "ui/main_window.h"

namespace corvala {
namespace {

struct Figures {
    double playToCloseMs = 0;
    double worstLatenessMs = 0;
    double pauseHandledMs = 0;
    double tenStepsMs = 0;
};

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
    sim.SetDateText("221102");
    sim.SetCodeText("8473");
    sim.SetSimulationChecked(true);
    sim.DisplayDay();
    w.Refresh();
    Until([&] { return sim.waitingForPlay(); }, 10'000);
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
    sim.SetSpeedScroll(1);
    QElapsedTimer wall;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    QElapsedTimer sinceTick;
    double worst = 0;
    bool pausedOnce = false;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        worst = std::max(worst, static_cast<double>(sinceTick.nsecsElapsed()) / 1e6 - 5);
        sinceTick.restart();
        if (sim.waitingForPlay()) sim.PressPlayback(kPlayPause);
        if (!pausedOnce && sim.replay().currentRow >= 1000) {
            // A pause press as the window gets it: queued behind whatever the loop is doing.
            pausedOnce = true;
            QElapsedTimer queued;
            queued.start();
            QTimer::singleShot(0, &w, [&, queued] {
                f.pauseHandledMs = static_cast<double>(queued.nsecsElapsed()) / 1e6;
                sim.PressPlayback(kPlayPause);
                QTimer::singleShot(0, &w, [&] { sim.PressPlayback(kPlayPause); });
            });
        }
    });
    wall.start();
    sinceTick.start();
    probe.start(5);
    sim.PressPlayback(kPlayPause);
    Until([&] { return !sim.replayRunning(); }, 60'000);
    probe.stop();
    f.playToCloseMs = static_cast<double>(wall.nsecsElapsed()) / 1e6;
    f.worstLatenessMs = worst;

    // Ten steps at speed 25 on the precise timers.
    Prepare(w);
    sim.SetSpeedScroll(6);
    std::vector<qint64> stepAt;
    QElapsedTimer clock;
    clock.start();
    sim.SetStepObserver([&](int) { stepAt.push_back(clock.nsecsElapsed()); });
    sim.PressPlayback(kPlayPause);
    Until([&] { return stepAt.size() >= 11; }, 20'000);
    if (stepAt.size() >= 11) f.tenStepsMs = static_cast<double>(stepAt[10] - stepAt[0]) / 1e6;
    sim.SetStepObserver(nullptr);
    sim.RequestClose();
    return f;
}

}  // namespace
}  // namespace corvala

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const corvala::Figures f = corvala::Measure();
    const double expected = 10 * 5 * (corvala::StepDelayForSpeed(25) / 6);
    std::printf("{\"playTo1500Ms\":%.0f,\"worstEventLatenessMs\":%.1f,\"pauseHandledAfterMs\":%.1f,"
                "\"tenStepsAtSpeed25Ms\":%.1f,\"expectedTenStepsMs\":%.0f,\"errorPercent\":%.2f}\n",
                f.playToCloseMs, f.worstLatenessMs, f.pauseHandledMs, f.tenStepsMs, expected,
                (f.tenStepsMs - expected) / expected * 100);
    return 0;
}
