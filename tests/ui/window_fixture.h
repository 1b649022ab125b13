#pragma once
// The main window over a small data tree, bound to a virtual scheduler and scripted dialogs, with
// helpers that play the user. With CORVALA_SHOTS set to a folder, Shot() saves the window (or a
// dialog) there as PNG.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QScreen>
#include <QTest>

#include "demo_data/demo_data.h"
#include "platform/cp932.h"
#include "platform/system.h"
#include "platform/virtual_scheduler.h"
#include "test_support.h"
#include "ui/main_window.h"
#include "ui/board_view.h"
#include "ui/speed_gauge_view.h"
#include "ui/tape_view.h"

namespace corvala::test {

class WindowFixture : public ::testing::Test {
protected:
    // `realBoxes`: the program's own message boxes instead of the scripted answers.
    explicit WindowFixture(bool realBoxes = false) {
        test::WriteFile(dir.Sub("銘柄リスト.csv"), EncodeCp932("8473,8473.T,テスト証券\r\n"));
        DayFileBuilder stock;
        for (int r = 0; r < 3600; r += 7) stock.Set(r, 3, std::to_string(1000 + r % 40));
        for (const char* date : {"221101", "221102"}) {
            test::WriteFile(dir.Sub(std::string("日中データ/") + date + "/8473.csv"), stock.Bytes());
            test::WriteFile(dir.Sub(std::string("日中データ/") + date + "/N225.csv"),
                            DayFileBuilder().Bytes());
        }
        WriteSettingsWithoutDisclaimer(dir.path());
        window = std::make_unique<MainWindow>(dir.path(), std::string(), realBoxes ? nullptr : &dialogs, &scheduler,
                                              nullptr, &random);
        EXPECT_TRUE(window->StartUp());
        window->show();
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }

    // A key as the user types it: to whatever has the focus, through the window's shortcuts.
    void Key(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : window.get();
        QTest::keyClick(target, key, mods);
    }

    // Whether `w` becomes the window with the keyboard. (A dialog's QWindow counts as active
    // whenever its parent window is, so qWaitForWindowActive cannot tell them apart.)
    static bool Active(QWidget* w) {
        return QTest::qWaitFor([w] { return QApplication::activeWindow() == w; }, 2000);
    }
    template <typename T>
    T* Find(const char* name) {
        T* w = window->findChild<T*>(name);
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QPushButton* Button(int index) {
        return Find<QPushButton>(QString("playbackButton%1").arg(index).toUtf8().constData());
    }
    QString Clock() { return Find<QLabel>("clockLabel")->text(); }
    Simulation& sim() { return window->simulation(); }

    void Advance(std::int64_t ms) {
        scheduler.Advance(ms);
        window->Refresh();
    }
    void RunUntil(const std::function<bool()>& done) {
        ASSERT_TRUE(scheduler.RunUntil(done, 100'000'000));
        window->Refresh();
    }
    void Shot(const char* name, QWidget* widget = nullptr) {
        const QByteArray folder = qgetenv("CORVALA_SHOTS");
        if (folder.isEmpty()) return;
        (widget ? widget : window.get())->grab().save(QString::fromUtf8(folder) + "/" + name + ".png");
    }
    // A market buy of `qty` shares, confirmed, without the dialog.
    void PlaceMarketBuy(const char* qty) {
        NewOrderForm order;
        order.quantity = qty;
        order.normalMarket = true;
        dialogs.answers = {true};
        ASSERT_EQ(sim().trading().PlaceNewOrder(order).status, EntryOutcome::Status::Stored);
    }
    void PressStart() {
        QTest::mouseClick(Find<QCheckBox>("simulationCheck"), Qt::LeftButton);
        QTest::mouseClick(Find<QPushButton>("displayButton"), Qt::LeftButton);
    }

    test::TempDir dir;
    test::ScriptedDialogs dialogs;
    VirtualScheduler scheduler;
    SeededRandom random{1};  // the same boards and tape every run
    std::unique_ptr<MainWindow> window;
};

}  // namespace corvala::test
