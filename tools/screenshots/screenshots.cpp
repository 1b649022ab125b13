// corvala-screenshots OUTDIR: the README's pictures of the main window, taken on the display the
// program runs on (Xvfb in a terminal session): a demo day displayed with every chart layer
// (main-window.png), the settings dialog and the disclaimer (settings.png, disclaimer.png), the
// screening window (screening.png), and the day worked with the mouse (chart-tools.png, and
// chart-tools-large.png at
// 1600 × 1000), a replay at 10:30 with the user's fills on the chart (trading.png) and a bid
// waiting in its queue (queue.png), the three
// order dialogs there (new-order.png, closing-order.png, correct-cancel.png), the same
// replay at 15:00:00 (replay.png) with its report (report.png, report-history.png), the run
// watched again from its session file (session.png), the day again with 値幅を隠す at 10:00
// (hide-range.png), and the
// guide's window (manual.png). The replay runs on virtual time, so the pictures are the
// same every run. scripts/screenshots runs it for the README and the guide.

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTabWidget>
#include <cstdio>
#include <filesystem>
#include <string>

#include "demo_data/demo_data.h"
#include "platform/virtual_scheduler.h"
#include "platform/install_folder.h"
#include "ui/main_window.h"
#include "ui/manual_window.h"
#include "ui/settings_dialogs.h"

namespace corvala {
namespace {

class YesDialogs final : public Dialogs {
public:
    void ShowError(int number, const std::string& text) override {
        std::fprintf(stderr, "corvala-screenshots: %d %s\n", number, text.c_str());
    }
    bool Ask(const std::string&, const std::string&) override { return true; }
    void ShowNotice(const std::string&, const std::string& text) override {
        std::fprintf(stderr, "corvala-screenshots: %s\n", text.c_str());
    }
};

NewOrderForm Order(const char* qty, const char* price, bool sell) {
    NewOrderForm f;
    f.quantity = qty;
    f.price = price;
    f.normalMarket = std::string(price).empty();
    f.sell = sell;
    return f;
}

bool SaveWidget(QWidget* widget, const QString& path) {
    const bool ok = widget->grab().save(path);
    std::printf("%s %s\n", ok ? "wrote" : "could not write", path.toUtf8().constData());
    return ok;
}

// An order dialog as the user sees it, opened over the window.
bool SaveDialog(MainWindow& w, const char* name, const QString& path) {
    w.Refresh();
    QApplication::processEvents();
    auto* dialog = w.findChild<QDialog*>(name);
    return dialog && dialog->isVisible() && SaveWidget(dialog, path);
}

bool Save(MainWindow& w, const QString& path) {
    w.Refresh();
    QApplication::processEvents();
    return SaveWidget(&w, path);
}

int Run(const QString& out) {
    const auto install = std::filesystem::temp_directory_path() / "corvala-screenshots-install";
    std::filesystem::remove_all(install);
    if (!GenerateDemoData(install.string()).ok || !WriteSettingsWithoutDisclaimer(install.string())) return 1;
    YesDialogs dialogs;
    VirtualScheduler scheduler;
    SeededRandom random(1);
    MainWindow w(install.string(), std::string(), &dialogs, &scheduler, nullptr, &random);
    if (!w.StartUp()) return 1;
    w.resize(kDesignWidthPx, kDesignHeightPx);
    w.show();
    Simulation& sim = w.simulation();

    // A displayed day: both days of the stock and of the Nikkei average, every layer.
    sim.day().SetDateText("221104");
    sim.day().SetCodeText("8473");
    if (sim.day().DisplayDay() != Simulation::DisplayOutcome::Loaded) return 1;
    scheduler.RunUntilIdle();
    bool ok = Save(w, out + "/main-window.png");

    // The settings dialog as 設定 opens it, and the disclaimer of the first start.
    sim.PressSettings();
    w.Refresh();
    QApplication::processEvents();
    if (auto* settings = w.findChild<QDialog*>("settingsDialog")) ok = SaveWidget(settings, out + "/settings.png") && ok;
    sim.settings().Cancel();
    w.Refresh();
    // The screening of the demo month: both directions beyond 3 %, the largest moves first.
    sim.screening().Open();
    sim.screening().SetDirection(2);
    sim.screening().SetThreshold("3");
    sim.screening().PressSearch();
    scheduler.RunUntilIdle();
    sim.screening().Sort(ScreeningSortKey::Change);
    sim.screening().SelectRow(0);
    w.Refresh();
    QApplication::processEvents();
    if (auto* screening = w.findChild<QDialog*>("screeningWindow")) ok = SaveWidget(screening, out + "/screening.png") && ok;
    sim.screening().Close();
    w.Refresh();
    {
        sim.settings().SetDisclaimerSuppressed(false);  // as at the first start
        DisclaimerDialog disclaimer(sim, &w);
        disclaimer.show();
        QApplication::processEvents();
        ok = SaveWidget(&disclaimer, out + "/disclaimer.png") && ok;
    }

    // The chart worked with the mouse: two trend lines, the time cursor fixed at 10:30 and the
    // readouts of that moment; once at the design size, once at 1600 × 1000 (chart-tools-large).
    const auto tools = [&](const QString& name) {
        const ChartGeometry& g = sim.chart().data().geometry;
        const auto line = [&](double x1, double y1, double x2, double y2) {
            sim.chart().Press(ChartState::MouseButton::Left, x1, y1);
            sim.chart().Move(x2, y2, true);
            sim.chart().Release(x2, y2);
        };
        const double lower = g.BandTop(kLowerRow);
        line(g.RowX(0), lower + g.plotHeight() * 0.2, g.RowX(2400), lower + g.plotHeight() * 0.55);
        line(g.RowX(600), g.BandTop(kUpperRow) + g.plotHeight() * 0.75, g.RowX(3000), g.BandTop(kUpperRow) + g.plotHeight() * 0.2);
        sim.chart().DoubleClick(g.RowX(1080), lower + 500);
        return Save(w, out + "/" + name + ".png");
    };
    ok = tools("chart-tools") && ok;
    w.resize(1600, 1000);
    QApplication::processEvents();
    ok = tools("chart-tools-large") && ok;
    w.resize(kDesignWidthPx, kDesignHeightPx);
    QApplication::processEvents();
    sim.chart().DoubleClick(0, 0);  // the cursor off again

    // A replay to 10:30 with a long opened before the open, half of it closed, and a short.
    sim.replay().SetSimulationChecked(true);
    if (sim.day().DisplayDay() != Simulation::DisplayOutcome::Loaded) return 1;
    scheduler.RunUntil([&] { return sim.replay().waitingForPlay(); }, 100'000);
    sim.trading().PlaceNewOrder(Order("300", "", false));
    sim.replay().speed().SetSpeedScroll(1);
    sim.replay().PressPlayback(kPlayPause);
    const auto runTo = [&](const char* clock) {
        scheduler.RunUntil([&] { return sim.display().clockText >= clock; }, 100'000'000);
    };
    runTo("09:40:00");
    sim.trading().SetBulkClose(kSideMarginBuy, true);
    sim.trading().PlaceClosingOrder(ClosingOrderForm{Order("", "", false), kSideMarginBuy});
    runTo("10:05:00");
    sim.trading().PlaceNewOrder(Order("200", "", true));
    runTo("10:30:00");
    sim.replay().PressPlayback(kPlayPause);
    scheduler.RunUntil([&] { return sim.replay().clock().paused && !sim.replay().clock().inStep; }, 100'000);
    ok = Save(w, out + "/trading.png") && ok;

    // The order dialogs at that moment: a limit buy at the second bid resting in its queue (the
    // pending list's last column and the bar on the board), a limit buy below the market typed
    // in, the short to be closed, and the resting order to correct or cancel.
    const std::string secondBid = std::to_string(static_cast<int>(sim.trading().market().cells.shown.At(6)));
    sim.trading().PlaceNewOrder(Order("100", secondBid.c_str(), false));
    ok = Save(w, out + "/queue.png") && ok;
    int price = 0;
    for (const char c : sim.display().priceLabel)
        if (c >= '0' && c <= '9') price = price * 10 + (c - '0');
    const std::string below = std::to_string((price - 30) / 10 * 10);
    sim.orderDialogs().OpenNewOrderDialog();
    sim.orderDialogs().SetNewOrderSell(false);
    sim.orderDialogs().EditOrderText(false, OrderField::Quantity, "200");
    sim.orderDialogs().EditOrderText(false, OrderField::Price, below);
    ok = SaveDialog(w, "newOrderDialog", out + "/new-order.png") && ok;
    sim.orderDialogs().CancelNewOrderDialog();
    sim.orderDialogs().OpenClosingDialog(1);
    ok = SaveDialog(w, "closingOrderDialog", out + "/closing-order.png") && ok;
    sim.orderDialogs().CancelClosingDialog();
    sim.orderDialogs().OpenCorrectCancelDialog(0);
    ok = SaveDialog(w, "correctCancelDialog", out + "/correct-cancel.png") && ok;
    sim.orderDialogs().CloseCorrectCancelDialog();
    w.Refresh();
    sim.replay().PressPlayback(kPlayPause);
    scheduler.RunUntil([&] {
        if (sim.replay().waitingForPlay()) sim.replay().PressPlayback(kPlayPause);
        return !sim.replay().running();
    }, 100'000'000);
    ok = Save(w, out + "/replay.png") && ok;
    // 成績: the run kept at the close opened its report; its second tab reads the history.
    if (auto* report = w.findChild<QDialog*>("reportWindow"); report && report->isVisible()) {
        auto* tabs = report->findChild<QTabWidget*>();
        ok = SaveWidget(report, out + "/report.png") && ok;
        tabs->setCurrentIndex(1);
        QApplication::processEvents();
        ok = SaveWidget(report, out + "/report-history.png") && ok;
        report->hide();
    } else {
        std::fprintf(stderr, "corvala-screenshots: the report did not open at the close\n");
        ok = false;
    }
    // 再現: the run just played, watched again from its session file, at 10:05 as it went then.
    if (w.WatchSession(QString::fromStdString(sim.sessions().path())).isEmpty()) {
        runTo("10:05:00");
        ok = Save(w, out + "/session.png") && ok;
        sim.replay().PressPlayback(kStop);  // ■ ends the watching
        scheduler.RunUntil([&] { return !sim.replay().running(); }, 100'000'000);
    } else {
        std::fprintf(stderr, "corvala-screenshots: the session did not play: %s\n", sim.display().message.text.c_str());
        ok = false;
    }
    // 値幅を隠す: the day replayed again with the range hidden, paused at 10:00; the lower panel's
    // scale knows nothing yet of the low the afternoon brings.
    sim.chart().SetHideRange(true);
    if (sim.day().DisplayDay() == Simulation::DisplayOutcome::Loaded) {
        scheduler.RunUntil([&] { return sim.replay().waitingForPlay(); }, 100'000);
        sim.replay().PressPlayback(kPlayPause);
        runTo("10:00:00");
        sim.replay().PressPlayback(kPlayPause);
        scheduler.RunUntil([&] { return sim.replay().clock().paused && !sim.replay().clock().inStep; }, 100'000);
        ok = Save(w, out + "/hide-range.png") && ok;
        sim.replay().PressPlayback(kStop);
        scheduler.RunUntil([&] { return !sim.replay().running(); }, 100'000'000);
    } else {
        std::fprintf(stderr, "corvala-screenshots: the day did not show again for 値幅を隠す\n");
        ok = false;
    }
    sim.chart().SetHideRange(false);
    sim.replay().RequestClose();

    // マニュアル: the guide beside the build's programs, as the button shows it.
    ManualWindow manual;
    if (manual.ShowGuide(QString::fromStdString(DefaultInstallPlaces().guideFile))) {
        QApplication::processEvents();
        ok = SaveWidget(&manual, out + "/manual.png") && ok;
    } else {
        std::fprintf(stderr, "corvala-screenshots: no guide beside the build (%s)\n", DefaultInstallPlaces().guideFile.c_str());
        ok = false;
    }
    std::filesystem::remove_all(install);
    return ok ? 0 : 1;
}

}  // namespace
}  // namespace corvala

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: corvala-screenshots OUTDIR\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("DISPLAY")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QDir().mkpath(QString::fromLocal8Bit(argv[1]));
    return corvala::Run(QString::fromLocal8Bit(argv[1]));
}
