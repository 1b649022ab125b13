#include "ui/main_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QScreen>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QResizeEvent>
#include <QShortcut>
#include <QSignalBlocker>
#include <QTimer>
#include <QToolButton>
#include <QWindowStateChangeEvent>

#include "chart/geometry.h"
#include "ui/busy_notice.h"
#include "ui/chart_view.h"
#include "ui/board_view.h"
#include "ui/queue_column.h"
#include "ui/playback_panel.h"
#include "ui/tape_view.h"
#include "ui/widget_text.h"
#include "ui/order_dialog_widgets.h"
#include "ui/settings_dialogs.h"
#include "ui/screening_window.h"
#include "platform/archive.h"
#include "platform/qt/qt_downloader.h"
#include "ui/splash.h"

namespace corvala {
namespace {

constexpr const char* kNoSoundMessage =
    "音声を再生する機能 (GStreamer のプラグイン) が見つからないため、約定音と逆指音は鳴りません。";

void SetTextKeepingCursor(QLineEdit* edit, const std::string& text) {
    const QString q = Q(text);
    if (edit->text() == q) return;
    const QSignalBlocker block(edit);
    edit->setText(q);
}

}  // namespace

MainWindow::MainWindow(std::string installFolder, std::string configuredDataFolder,
                       Dialogs* dialogs, Scheduler* scheduler, QWidget* parent, Random* random)
    : QMainWindow(parent),
      configuredDataFolder_(std::move(configuredDataFolder)),
      qtDialogs_(this),
      random_(SeededRandom::FromClock()),
      downloader_(std::make_unique<QtDownloader>()),
      archive_(std::make_unique<LhaArchive>()) {
    Dialogs& boxes = dialogs ? *dialogs : static_cast<Dialogs&>(qtDialogs_);
    Scheduler& timers = scheduler ? *scheduler : static_cast<Scheduler&>(scheduler_);
    Random& draws = random ? *random : static_cast<Random&>(random_);
    sim_ = std::make_unique<Simulation>(Ports{boxes, clock_, draws, timers, &sound_, &drives_, &folderPicker_,
                                              downloader_.get(), archive_.get()},
                                        std::move(installFolder));
    sim_->SetChangeListener([this] { ScheduleRefresh(); });
    setWindowTitle(QStringLiteral("Corvala 株式売買練習"));
    BuildControls();
    Connect();
    resize(kDesignWidth, kDesignHeight);
    setMinimumSize(kDesignWidth, kDesignHeight);
    LayOut();
}

MainWindow::~MainWindow() { sim_->SetChangeListener(nullptr); }

bool MainWindow::StartUp(const std::string& appDataFolder) {
    splash_ = ShowSplash(this);
    const bool disclaimer = sim_->LoadSettings(appDataFolder);
    PlaceWindows();
    Refresh();
    if (!disclaimer) return FinishStartUp();
    disclaimer_ = new DisclaimerDialog(*sim_, this);
    disclaimer_->adjustSize();
    disclaimer_->move(frameGeometry().center() - QPoint(disclaimer_->width() / 2, disclaimer_->height() / 2));
    connect(disclaimer_, &QDialog::finished, this, [this] { FinishStartUp(); }, Qt::QueuedConnection);
    // The windows wait with the start-up; the event loop runs on.
    disclaimer_->setWindowModality(Qt::ApplicationModal);
    disclaimer_->show();
    disclaimer_->raise();
    disclaimer_->activateWindow();
    return true;
}

bool MainWindow::FinishStartUp() {
    const bool ok = sim_->StartUp(configuredDataFolder_);
    if (ok && !sound_.canPlay()) sim_->services().SetMessage(kNoSoundMessage);
    if (splash_) splash_->close();
    splash_ = nullptr;
    startedUp_ = ok;
    Refresh();
    emit startUpFinished(ok);
    return ok;
}

namespace {

QPoint FromTwips(const WindowPosition& p) { return {p.left / kTwipsPerPixel, p.top / kTwipsPerPixel}; }
WindowPosition ToTwips(const QPoint& p) { return {p.y() * kTwipsPerPixel, p.x() * kTwipsPerPixel}; }

// A saved corner still on one of the screens (a screen may have gone since).
bool OnAScreen(const QPoint& corner) {
    for (const QScreen* screen : QGuiApplication::screens())
        if (screen->availableGeometry().adjusted(0, 0, -40, -40).contains(corner)) return true;
    return false;
}

}  // namespace

// The windows come up where they were last left in the normal state.
void MainWindow::PlaceWindows() {
    const Settings& s = sim_->settings().saved();
    if (const QPoint corner = FromTwips(s.mainWindow); OnAScreen(corner)) move(corner);
    const std::pair<OrderDialogFrame*, WindowPosition> dialogs[] = {
        {newOrderDialog_, s.newOrderWindow}, {closingDialog_, s.closingWindow}, {correctCancelDialog_, s.correctCancelWindow}};
    for (const auto& [dialog, position] : dialogs)
        if (const QPoint corner = FromTwips(position); OnAScreen(corner)) dialog->SetSavedPosition(corner);
}

void MainWindow::RememberWindowPositions() {
    using Window = SettingsState::Window;
    if (isVisible()) {
        if (windowState() == Qt::WindowNoState) {
            sim_->settings().RememberWindowPosition(Window::Main, ToTwips(pos()));
        } else if (!(windowState() & Qt::WindowMinimized) && normalGeometry().isValid()) {
            // Maximised: the corner the window had, and will have again, in the normal state.
            const QPoint frame = geometry().topLeft() - pos();
            sim_->settings().RememberWindowPosition(Window::Main, ToTwips(normalGeometry().topLeft() - frame));
        }
    }
    const std::pair<OrderDialogFrame*, Window> dialogs[] = {
        {newOrderDialog_, Window::NewOrder}, {closingDialog_, Window::Closing}, {correctCancelDialog_, Window::CorrectCancel}};
    for (const auto& [dialog, window] : dialogs)
        if (const auto corner = dialog->savedPosition()) sim_->settings().RememberWindowPosition(window, ToTwips(*corner));
}

void MainWindow::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    // A maximised window moves too; only the normal state's corner is kept.
    if (windowState() == Qt::WindowNoState && startedUp_)
        sim_->settings().RememberWindowPosition(SettingsState::Window::Main, ToTwips(pos()));
}

void MainWindow::Connect() {
    connect(dateEdit_, &QLineEdit::textEdited, this, [this](const QString& t) {
        sim_->day().SetDateText(t.toStdString());
        Refresh();
    });
    connect(codeEdit_, &QLineEdit::textEdited, this, [this](const QString& t) {
        sim_->day().SetCodeText(t.toStdString());
        Refresh();
    });
    connect(seriesCombo_, &QComboBox::activated, this, [this](int index) {
        sim_->day().ChooseSeries(seriesCombo_->itemText(index).toStdString());
        Refresh();
    });
    connect(simulationCheck_, &QCheckBox::toggled, this, [this](bool on) {
        sim_->replay().SetSimulationChecked(on);
        Refresh();
    });
    connect(displayButton_, &QPushButton::clicked, this, &MainWindow::OnDisplayPressed);
    connect(dayOnlyCheck_, &QCheckBox::toggled, this, [this](bool on) {
        sim_->day().SetDayOnly(on);
        Refresh();
    });
    connect(boardOptionCheck_, &QCheckBox::toggled, this, [this](bool on) {
        sim_->trading().SetBoardOption(on);
        Refresh();
    });
    connect(tapeOptionCheck_, &QCheckBox::toggled, this, [this](bool on) {
        sim_->replay().SetTapeOption(on);
        Refresh();
    });
    connect(hideBoardTapeCheck_, &QCheckBox::toggled, this, [this](bool on) {
        sim_->trading().SetHideBoardAndTape(on);
        Refresh();
    });
    connect(board_, &BoardView::priceClicked, this, [this](int level) {
        sim_->orderDialogs().ClickBoardPrice(level);
        Refresh();
        ReturnToOrderWindow();  // the price went into it; so do the next keys
    });
    connect(settingsButton_, &QPushButton::clicked, this, [this] {
        sim_->PressSettings();
        Refresh();
    });
    settingsDialog_ = new SettingsDialog(*sim_, this);
    folderPicker_.SetOwner(settingsDialog_);
    connect(settingsDialog_, &SettingsDialog::changed, this, &MainWindow::Refresh);
    screeningWindow_ = new ScreeningWindow(*sim_, this);
    connect(screeningWindow_, &ScreeningWindow::changed, this, &MainWindow::Refresh);
    connect(quizButton_, &QPushButton::clicked, this, [this](bool on) {
        sim_->quizMode().SetChecked(on);
        Refresh();
    });
    connect(screeningButton_, &QPushButton::clicked, this, [this] {
        sim_->screening().Open();
        Refresh();
    });
    connect(dateEdit_, &QLineEdit::returnPressed, this, &MainWindow::OnDisplayPressed);
    connect(codeEdit_, &QLineEdit::returnPressed, this, &MainWindow::OnDisplayPressed);
    connect(busy_, &BusyNoticeWindow::tapeStopPressed, this, [this] { sim_->day().PressTapeStop(); });
    auto startTimeEdited = [this] {
        sim_->day().SetStartTimeText(startHourEdit_->text().toStdString(),
                               startMinuteEdit_->text().toStdString());
    };
    connect(startHourEdit_, &QLineEdit::textEdited, this, startTimeEdited);
    connect(startMinuteEdit_, &QLineEdit::textEdited, this, startTimeEdited);
    for (int up = 0; up < 2; ++up) {
        connect(dateSpin_[up], &QToolButton::clicked, this, [this, up] {
            sim_->day().SpinDate(up == 0);
            Refresh();
        });
        connect(codeSpin_[up], &QToolButton::clicked, this, [this, up] {
            sim_->day().SpinCode(up == 0);
            Refresh();
        });
    }
    ConnectPlayback();
    ConnectAccountPanel();
    ConnectUtilities();
    ConnectOrderDialogs();
}

void MainWindow::ConnectOrderDialogs() {
    newOrderDialog_ = new NewOrderDialog(*sim_, this);
    closingDialog_ = new ClosingOrderDialog(*sim_, this);
    correctCancelDialog_ = new CorrectCancelDialog(*sim_, this);
    for (OrderDialogFrame* dialog : std::initializer_list<OrderDialogFrame*>{newOrderDialog_, closingDialog_, correctCancelDialog_}) {
        connect(dialog, &OrderDialogFrame::changed, this, &MainWindow::Refresh);
        connect(dialog, &OrderDialogFrame::activated, this, [this, dialog] { orderWindowInUse_ = dialog; });
        dialog->SetBoxes(&qtDialogs_);
    }
    const std::array<std::function<void()>, 3> open = {[this] { sim_->orderDialogs().OpenNewOrderDialog(); },
                                                        [this] { sim_->orderDialogs().OpenClosingDialog(); },
                                                        [this] { sim_->orderDialogs().OpenCorrectCancelDialog(); }};
    const char* keys[3] = {"F2", "F3", "F4"};
    for (std::size_t i = 0; i < 3; ++i) {
        auto act = [this, action = open[i]] {
            action();
            Refresh();
        };
        connect(orderButtons_[i], &QPushButton::clicked, this, act);
        auto* shortcut = new QShortcut(QKeySequence(QString::fromLatin1(keys[i])), this);
        shortcut->setAutoRepeat(false);
        connect(shortcut, &QShortcut::activated, this, [this, i, act] {
            if (orderButtons_[i]->isEnabled()) act();
        });
        orderButtons_[i]->setToolTip(orderButtons_[i]->text() + " (" + QString::fromLatin1(keys[i]) + ")");
    }
    // The one-key orders: whichever of F5–F12 the settings give them.
    for (int f = kFirstOneKey; f <= kLastOneKey; ++f) {
        const QString name = QStringLiteral("F%1").arg(f);
        auto* shortcut = new QShortcut(QKeySequence(name), this);
        shortcut->setAutoRepeat(false);
        connect(shortcut, &QShortcut::activated, this, [this, name] {
            if (const std::optional<OneKey> key = sim_->oneKeys().KeyFor(name.toStdString())) {
                sim_->oneKeys().Press(*key);
                Refresh();
            }
        });
    }
    connect(lists_[0], &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        sim_->orderDialogs().OpenCorrectCancelDialog(lists_[0]->row(item));
        Refresh();
    });
    connect(lists_[1], &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        const int row = lists_[1]->row(item);
        lists_[1]->clearSelection();
        sim_->orderDialogs().OpenClosingDialog(row);
        Refresh();
    });
}

void MainWindow::ConnectAccountPanel() {
    connect(cashOnlyCheck_, &QCheckBox::clicked, this, [this](bool on) {
        sim_->trading().SetCashOnly(on);
        Refresh();
    });
    connect(investmentChangeCheck_, &QCheckBox::clicked, this, [this](bool on) {
        sim_->trading().SetInvestmentEditing(on);
        Refresh();
        if (on) {
            investmentEdit_->setFocus();
            investmentEdit_->selectAll();
        }
    });
    connect(investmentEdit_, &QLineEdit::textEdited, this,
            [this](const QString& t) { sim_->trading().SetInvestmentText(t.toStdString()); });
    connect(resetButton_, &QPushButton::clicked, this, [this] {
        sim_->trading().PressResetTotals();
        Refresh();
    });
    connect(fillSoundCheck_, &QCheckBox::toggled, this, [this](bool on) { sim_->trading().SetFillSoundOption(on); });
    connect(markerCheck_, &QCheckBox::toggled, this, [this](bool on) {
        sim_->trading().SetTradeMarkerOption(on);
        Refresh();
    });
    // The mouse on the chart.
    using Button = ChartState::MouseButton;
    connect(chart_, &ChartView::leftPressed, this, [this](double x, double y) {
        sim_->chart().Press(Button::Left, x, y);
        Refresh();
    });
    connect(chart_, &ChartView::rightPressed, this, [this](double x, double y) {
        sim_->chart().Press(Button::Right, x, y);
        Refresh();
    });
    // Price alerts: Ctrl+click on the chosen day's stock panel, Ctrl+right-click for their menu,
    // the right button on a price of the board.
    connect(chart_, &ChartView::alertClicked, this, [this](double x, double y) {
        if (const auto price = sim_->chart().PriceAt(x, y)) sim_->alerts().Add(*price);
        Refresh();
    });
    connect(chart_, &ChartView::alertMenuRequested, this, [this](double x, double y, QPoint global) {
        AlertMenu(sim_->chart().PriceAt(x, y), sim_->chart().AlertNear(x, y), global);
    });
    connect(board_, &BoardView::priceMenuRequested, this, [this](int level, QPoint global) {
        if (!sim_->chart().showsDay()) return;  // a board left from another day
        const double price = sim_->trading().market().board.At(level).yen();
        AlertMenu(price > 0 ? std::optional<double>(price) : std::nullopt, std::nullopt, global);
    });
    connect(chart_, &ChartView::moved, this, [this](double x, double y, bool held) {
        sim_->chart().Move(x, y, held);
        ScheduleRefresh();
    });
    connect(chart_, &ChartView::released, this, [this](double x, double y) {
        sim_->chart().Release(x, y);
        Refresh();
    });
    connect(chart_, &ChartView::doubleClicked, this, [this](double x, double y) {
        sim_->chart().DoubleClick(x, y);
        Refresh();
    });
    dayLabel_->installEventFilter(this);
    prevDayLabel_->installEventFilter(this);
    using Option = ChartState::Option;
    const Option options[kChartOptions] = {Option::Tick, Option::Bars, Option::Average1, Option::Average2,
                                           Option::CumulativeVolume, Option::Vwap, Option::PrevClose};
    for (int i = 0; i < kChartOptions; ++i)
        connect(chartOptionChecks_[i], &QCheckBox::toggled, this, [this, option = options[i]](bool on) {
            sim_->chart().SetOption(option, on);
            Refresh();
        });
}

void MainWindow::ShowAccountPanel(const MainDisplay& d) {
    const ControlStates& c = d.controls;
    for (int i = 0; i < 3; ++i) orderButtons_[i]->setEnabled(c.orderButtons[static_cast<std::size_t>(i)]);
    const bool editing = d.investmentEditing && c.inputsEnabled;
    investmentEdit_->setReadOnly(!editing);
    investmentEdit_->setEnabled(editing);  // locked unless the change box is checked
    SetTextKeepingCursor(investmentEdit_, d.investmentText);
    for (QWidget* input : std::initializer_list<QWidget*>{investmentChangeCheck_, cashOnlyCheck_, resetButton_})
        input->setEnabled(c.inputsEnabled);
    {
        const QSignalBlocker a(investmentChangeCheck_), b(cashOnlyCheck_), e(fillSoundCheck_), f(markerCheck_);
        investmentChangeCheck_->setChecked(d.investmentEditing);
        cashOnlyCheck_->setChecked(d.cashOnlyChecked);
        fillSoundCheck_->setChecked(d.fillSoundOption);
        markerCheck_->setChecked(d.tradeMarkerOption);
    }
    buyingPowerCaption_->setText(Q(d.buyingPowerCaption));
    buyingPowerLabel_->setText(Q(d.buyingPowerText));
    runPnlLabel_->setText(Q(d.runPnlText));
    netPnlLabel_->setText(Q(d.netPnlText));
    netPnlLabel_->setToolTip(Q(d.netPnlTooltip));
    netAfterTaxLabel_->setText(Q(d.netPnlAfterTaxText));
    netAfterTaxLabel_->setToolTip(Q(d.netPnlAfterTaxTooltip));
}

void MainWindow::ConnectPlayback() {
    auto then = [this](auto action) {
        return [this, action](auto... args) {
            action(args...);
            Refresh();
        };
    };
    connect(playback_, &PlaybackPanel::playbackPressed, this,
            then([this](int i) { sim_->replay().PressPlayback(i); }));
    connect(playback_, &PlaybackPanel::speedScrolled, this,
            then([this](int v) { sim_->replay().speed().SetSpeedScroll(v); }));
    connect(playback_, &PlaybackPanel::gaugeClicked, this,
            then([this](int x) { sim_->replay().speed().ClickSpeedGauge(x); }));
    connect(playback_, &PlaybackPanel::slowestClicked, this, then([this] { sim_->replay().speed().ClickSlowestLabel(); }));
    connect(playback_, &PlaybackPanel::lowSpeedToggled, this,
            then([this](bool on) { sim_->replay().speed().SetLowSpeed(on); }));

    // Window-wide keys; a text box that uses the key (typing, moving the cursor) keeps it.
    for (int index = 0; index < kPlaybackButtons; ++index) {
        const QKeySequence key = PlaybackPanel::ShortcutKey(index);
        if (key.isEmpty()) continue;
        auto* shortcut = new QShortcut(key, this);
        shortcut->setAutoRepeat(false);
        // While an order window is open the keys are the order's: a key that reaches the main
        // window (after a click on it) takes the user back there and steers nothing.
        connect(shortcut, &QShortcut::activated, this, then([this, index] {
            if (!ReturnToOrderWindow()) sim_->replay().PressPlayback(index);
        }));
    }
}

bool MainWindow::ReturnToOrderWindow() {
    OrderDialogFrame* window = orderWindowInUse_;
    if (!window || !window->isVisible()) {
        window = nullptr;
        for (OrderDialogFrame* open : std::initializer_list<OrderDialogFrame*>{newOrderDialog_, closingDialog_, correctCancelDialog_})
            if (open->isVisible()) window = open;
    }
    if (!window) return false;
    window->raise();
    window->activateWindow();
    return true;
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!startedUp_) {  // the start-up waits for the disclaimer: it is closed first
        event->ignore();
        return;
    }
    RememberWindowPositions();
    closing_ = true;
    const bool leaving = sim_->replay().RequestClose();
    if (leaving) sim_->trading().KeepHistoryAtExit();  // before the settings save the totals
    if (leaving && sim_->SaveSettingsAtExit()) {
        busy_->hide();
        settingsDialog_->hide();
        event->accept();
    } else {
        closing_ = false;
        Refresh();
        event->ignore();
    }
}

void MainWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange) return;
    if (restoringState_) {  // our own undo of a refused change
        restoringState_ = false;
        return;
    }
    const auto* change = static_cast<QWindowStateChangeEvent*>(event);
    const bool sized = windowState() & (Qt::WindowMaximized | Qt::WindowMinimized);
    if (sim_->replay().clock().replayReady && (sized || wasMaximised_)) {
        // The chart keeps the geometry it started the day with.
        const Qt::WindowStates before = change->oldState();
        QTimer::singleShot(0, this, [this, before] {
            restoringState_ = true;
            setWindowState(before);
        });
        sim_->replay().RefuseResize();
        Refresh();
        return;
    }
    wasMaximised_ = windowState() & Qt::WindowMaximized;
}

void MainWindow::ScheduleRefresh() {
    // Many changes a frame (speed 30) become one repaint.
    if (refreshPending_) return;
    refreshPending_ = true;
    QTimer::singleShot(16, this, [this] {
        refreshPending_ = false;
        Refresh();
    });
}

void MainWindow::OnDisplayPressed() {
    sim_->day().DisplayDay();
    Refresh();
}

void MainWindow::Refresh() {
    const MainDisplay& d = sim_->display();
    const ControlStates& c = d.controls;
    playback_->Show(c, d.speed);
    clockLabel_->setText(d.clockText.empty() ? QStringLiteral("--:--:--") : Q(d.clockText));
    for (QWidget* input : std::initializer_list<QWidget*>{dateEdit_, codeEdit_, seriesCombo_,
                                                          startHourEdit_, startMinuteEdit_,
                                                          dateSpin_[0], dateSpin_[1], codeSpin_[0],
                                                          codeSpin_[1]})
        input->setEnabled(c.dayInputsEnabled);
    for (QWidget* input :
         std::initializer_list<QWidget*>{simulationCheck_, dayOnlyCheck_, settingsButton_, screeningButton_})
        input->setEnabled(c.inputsEnabled);
    displayButton_->setEnabled(c.displayButtonEnabled);
    {
        const QSignalBlocker block(quizButton_);
        quizButton_->setChecked(d.quizChecked);
    }
    quizButton_->setEnabled(c.quizEnabled && !sim_->quizMode().busy());
    quizButton_->setToolTip(Q(d.quizTip));
    static const char* const kQuizCss[] = {"background-color: rgb(192,192,192);", "background-color: rgb(255,128,0);",
                                           "background-color: rgb(255,255,0);"};
    const QString quizCss = QString::fromLatin1(kQuizCss[static_cast<int>(d.quizColour)]);
    if (quizButton_->styleSheet() != quizCss) quizButton_->setStyleSheet(quizCss);
    // While a recorded session plays, its button says so (■ ends it).
    const bool watching = sim_->sessions().playing();
    sessionButton_->setText(watching ? QStringLiteral("再現中") : QStringLiteral("再現"));
    const QString sessionCss = watching ? QStringLiteral("background-color: rgb(255,128,0);") : QString();
    if (sessionButton_->styleSheet() != sessionCss) sessionButton_->setStyleSheet(sessionCss);
    SetTextKeepingCursor(startHourEdit_, d.startHour);
    SetTextKeepingCursor(startMinuteEdit_, d.startMinute);
    ShowLines(lists_[0], d.pendingLines);
    ShowQueueColumn(lists_[0], sim_->trading().PendingQueueTexts());
    ShowLines(lists_[1], std::vector<std::string>(d.holdingLines.begin(), d.holdingLines.end()));
    ShowLines(lists_[2], d.executionLines);
    const MarketState& market = sim_->trading().market();
    board_->Show(market.cells, sim_->day().data().buyQtyCellWidth);
    board_->ShowQueue(sim_->trading().BoardQueueMarks());
    board_->setVisible(d.boardOption && !d.hideBoardAndTape);
    tape_->Show(market.tapeRows, sim_->trading().ShownTapeRows());
    if (d.tapeScrollGeneration != tapeScrolled_) {
        tapeScrolled_ = d.tapeScrollGeneration;
        tape_->ScrollToRow(d.tapeScrollRow);
    }
    tape_->setVisible(d.tapeListVisible && !d.hideBoardAndTape);
    {
        const QSignalBlocker a(boardOptionCheck_), b(tapeOptionCheck_), c(hideBoardTapeCheck_);
        boardOptionCheck_->setChecked(d.boardOption);
        tapeOptionCheck_->setChecked(d.tapeOption);
        hideBoardTapeCheck_->setChecked(d.hideBoardAndTape);
    }
    tapeOptionCheck_->setEnabled(c.inputsEnabled);
    boardOptionCheck_->setEnabled(c.chartOptionsEnabled);
    messageLabel_->setText(Q(d.message.text));
    const QString messageCss = ColourCss(d.message.foreground, d.message.background);
    if (messageLabel_->styleSheet() != messageCss) messageLabel_->setStyleSheet(messageCss);
    SetTextKeepingCursor(dateEdit_, d.dateText);
    SetTextKeepingCursor(codeEdit_, d.codeText);
    nameLabel_->setText(Q(d.nameLabel));
    marketLabel_->setText(Q(d.marketLabel));
    {
        const QSignalBlocker block(seriesCombo_);
        QStringList items;
        for (const auto& item : d.seriesItems) items << Q(item);
        QStringList current;
        for (int i = 0; i < seriesCombo_->count(); ++i) current << seriesCombo_->itemText(i);
        if (current != items) {
            seriesCombo_->clear();
            seriesCombo_->addItems(items);
        }
        seriesCombo_->setCurrentText(Q(d.seriesText));
    }
    {
        const QSignalBlocker block(simulationCheck_);
        simulationCheck_->setChecked(d.simulationChecked);
        const QSignalBlocker blockDayOnly(dayOnlyCheck_);
        dayOnlyCheck_->setChecked(d.dayOnlyChecked);
    }
    displayButton_->setText(QString::fromUtf8(d.DisplayButtonCaption()));
    dayLabel_->setText(Q(d.dayLabel));
    prevDayLabel_->setText(Q(d.prevDayLabel));
    priceLabel_->setText(Q(d.priceLabel));
    changeLabel_->setText(Q(d.changeLabel));
    percentLabel_->setText(Q(d.changePercentLabel));
    volumeLabel_->setText(Q(d.volumeLabel));
    vwapLabel_->setText(Q(d.vwapLabel));
    tapeCounter_->setText(Q(d.tapeCounter));
    // During a replay the window keeps its size: the chart's coordinates belong to it.
    const bool lockSize = sim_->replay().clock().replayReady && sim_->replay().clock().simulationMode;
    if (lockSize != sizeLocked_ && !isMaximized()) {
        sizeLocked_ = lockSize;
        if (lockSize) {
            setFixedSize(size());
        } else {
            setMinimumSize(kDesignWidth, kDesignHeight);
            setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        }
    }
    chart_->Show(sim_->chart().picture());
    {
        const ChartOptionBoxes& o = d.chartOptions;
        const bool checked[kChartOptions] = {o.tick, o.bars, o.average1, o.average2, o.cumulativeVolume, o.vwap, o.prevClose};
        for (int i = 0; i < kChartOptions; ++i) {
            const QSignalBlocker block(chartOptionChecks_[i]);
            chartOptionChecks_[i]->setChecked(checked[i]);
            chartOptionChecks_[i]->setEnabled(c.chartOptionsEnabled);
        }
        chartOptionChecks_[1]->setText(Q(d.barsCaption));
        chartOptionChecks_[2]->setText(Q(d.average1Caption));
        chartOptionChecks_[3]->setText(Q(d.average2Caption));
        averageLegends_[0]->setText(Q(d.average1Label));
        averageLegends_[1]->setText(Q(d.average2Label));
    }
    ShowAccountPanel(d);
    newOrderDialog_->Refresh();
    closingDialog_->Refresh();
    correctCancelDialog_->Refresh();
    settingsDialog_->Refresh();
    screeningWindow_->Refresh();
    busy_->Show(d.busy);
    FollowReport();
}

// A double click on a date label switches the chart's marks.
bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonDblClick && (watched == dayLabel_ || watched == prevDayLabel_)) {
        sim_->chart().DoubleClickDateLabel(watched == dayLabel_ ? 0 : 1);
        Refresh();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    LayOut();
    Refresh();
}

}  // namespace corvala
