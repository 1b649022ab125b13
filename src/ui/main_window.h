#pragma once
// The main window: binds the controls to the Simulation and copies its display state onto them.

#include <QMainWindow>
#include <QPointer>
#include <array>
#include <memory>
#include <optional>

#include "app/simulation.h"
#include "chart/geometry.h"
#include "platform/drives.h"
#include "platform/qt/qt_ports.h"
#include "platform/system.h"

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QToolButton;

namespace corvala {

class BusyNoticeWindow;
class DisclaimerDialog;
class SettingsDialog;
class ScreeningWindow;
class QtDownloader;
class LhaArchive;
class NewOrderDialog;
class OrderDialogFrame;
class ClosingOrderDialog;
class CorrectCancelDialog;
class BoardView;
class ChartView;
class TapeView;
class PlaybackPanel;
class ManualWindow;
class ReportWindow;

class MainWindow final : public QMainWindow {
    Q_OBJECT
public:
    // The design (minimum) size of the client area, in pixels.
    static constexpr int kDesignWidth = kDesignWidthPx;
    static constexpr int kDesignHeight = kDesignHeightPx;

    // `dialogs`, `scheduler` and `random` may be given by tests; otherwise boxes are real message
    // boxes, the replay runs on precise timers and the draws are seeded from the clock.
    MainWindow(std::string installFolder, std::string configuredDataFolder,
               Dialogs* dialogs = nullptr, Scheduler* scheduler = nullptr,
               QWidget* parent = nullptr, Random* random = nullptr);
    ~MainWindow() override;

    // Start-up after construction: the settings of the install folder (with the hand-over file
    // of `appDataFolder`, "" for none), the disclaimer when due (the rest of the start-up waits
    // for it to close, without blocking), then the stock list and the rest. False when the
    // program has to end at once (error 1013); startUpFinished tells the end of the start-up.
    bool StartUp(const std::string& appDataFolder = {});
    bool startedUp() const { return startedUp_; }

    Simulation& simulation() { return *sim_; }
    // Where 画像保存 writes (default: the desktop's pictures folder + /Corvala) and the guide
    // that マニュアル opens (default: the one installed beside the program).
    void SetPicturesFolder(const QString& folder);
    void SetGuideFile(const QString& file) { guideFile_ = file; }
    // 画像保存: a PNG of the window; its path, or "" when it could not be written.
    QString SavePicture();
    // `folder` in the desktop's file manager (xdg-open); when the desktop cannot open it, the
    // message line says so once xdg-open has answered.
    void OpenInFileManager(const std::string& folder);
    // 再現: the session file at `path` played in the window, the user's account and options
    // kept aside until it ends. "" when it plays, else why not (also on the message line).
    QString WatchSession(const QString& path);
    // Extra space over the design size, in twips.
    int extraWidth() const { return extraWidth_; }
    int extraHeight() const { return extraHeight_; }

public slots:
    void Refresh();

signals:
    // The start-up is through (true) or the program has to end (false).
    void startUpFinished(bool ok);

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildControls();
    void LayOut();
    void Connect();
    void OnDisplayPressed();
    void ScheduleRefresh();
    void ConnectPlayback();
    void ConnectAccountPanel();
    void ConnectOrderDialogs();
    void ConnectUtilities();
    // 成績: opened once when a run is kept, closed by the next display.
    void FollowReport();
    void ShowAccountPanel(const MainDisplay& d);
    bool FinishStartUp();
    // Gives the keyboard back to the order window in use (the last one active, else any open);
    // false when none is open.
    bool ReturnToOrderWindow();
    // The price alerts' menu: set one at `price`, remove `near` (an alert line by the pointer),
    // remove them all.
    void AlertMenu(std::optional<double> price, std::optional<double> near, QPoint global);
    void PlaceWindows();
    void RememberWindowPositions();

    std::string configuredDataFolder_;
    QtDialogs qtDialogs_;
    QtScheduler scheduler_;
    QtSound sound_;
    QtFolderPicker folderPicker_;
    SystemDrives drives_;
    SystemClock clock_;
    SeededRandom random_;
    std::unique_ptr<QtDownloader> downloader_;  // before sim_: a fetch it runs is dropped first
    std::unique_ptr<LhaArchive> archive_;
    std::unique_ptr<Simulation> sim_;
    int extraWidth_ = 0;
    int extraHeight_ = 0;
    bool refreshPending_ = false;
    bool wasMaximised_ = false;
    bool restoringState_ = false;
    bool startedUp_ = false;
    bool closing_ = false;  // the close request is being asked about

    QWidget* central_ = nullptr;
    QLabel* messageLabel_ = nullptr;
    QLabel* dateCaption_ = nullptr;
    QLineEdit* dateEdit_ = nullptr;
    QToolButton* dateSpin_[2] = {};  // up (later), down (earlier)
    QLabel* codeCaption_ = nullptr;
    QLineEdit* codeEdit_ = nullptr;
    QToolButton* codeSpin_[2] = {};
    QLabel* startCaption_ = nullptr;
    QLineEdit* startHourEdit_ = nullptr;
    QLineEdit* startMinuteEdit_ = nullptr;
    QLabel* nameLabel_ = nullptr;
    QLabel* marketLabel_ = nullptr;
    QComboBox* seriesCombo_ = nullptr;
    QCheckBox* simulationCheck_ = nullptr;
    QPushButton* displayButton_ = nullptr;
    QCheckBox* dayOnlyCheck_ = nullptr;
    QPushButton* settingsButton_ = nullptr;
    QPushButton* screeningButton_ = nullptr;
    QPushButton* sessionButton_ = nullptr;
    QPushButton* quizButton_ = nullptr;
    QLabel* dayCaption_ = nullptr;
    QLabel* dayLabel_ = nullptr;
    QLabel* prevDayCaption_ = nullptr;
    QLabel* prevDayLabel_ = nullptr;
    QLabel* clockLabel_ = nullptr;
    QLabel* priceLabel_ = nullptr;
    QLabel* changeLabel_ = nullptr;
    QLabel* percentLabel_ = nullptr;
    QLabel* volumeCaption_ = nullptr;
    QLabel* volumeLabel_ = nullptr;
    QLabel* vwapCaption_ = nullptr;
    QLabel* vwapLabel_ = nullptr;
    BoardView* board_ = nullptr;
    TapeView* tape_ = nullptr;
    QCheckBox* boardOptionCheck_ = nullptr;
    QCheckBox* tapeOptionCheck_ = nullptr;
    QCheckBox* hideBoardTapeCheck_ = nullptr;
    QLabel* tapeCounter_ = nullptr;
    QLabel* listHeaders_[3] = {};
    QLabel* queueHeader_ = nullptr;
    QListWidget* lists_[3] = {};
    // The order buttons and the account panel beside the lists.
    QPushButton* orderButtons_[3] = {};
    QCheckBox* fillSoundCheck_ = nullptr;
    QCheckBox* markerCheck_ = nullptr;
    QLabel* investmentCaption_ = nullptr;
    QLineEdit* investmentEdit_ = nullptr;
    QCheckBox* investmentChangeCheck_ = nullptr;
    QCheckBox* cashOnlyCheck_ = nullptr;
    QPushButton* resetButton_ = nullptr;
    QLabel* buyingPowerCaption_ = nullptr;
    QLabel* buyingPowerLabel_ = nullptr;
    QLabel* runPnlCaption_ = nullptr;
    QLabel* runPnlLabel_ = nullptr;
    QLabel* netPnlCaption_ = nullptr;
    QLabel* netPnlLabel_ = nullptr;
    QLabel* netAfterTaxCaption_ = nullptr;
    QLabel* netAfterTaxLabel_ = nullptr;
    NewOrderDialog* newOrderDialog_ = nullptr;
    ClosingOrderDialog* closingDialog_ = nullptr;
    CorrectCancelDialog* correctCancelDialog_ = nullptr;
    QPointer<OrderDialogFrame> orderWindowInUse_;
    ChartView* chart_ = nullptr;
    // The chart's option boxes under it (ティック … 前日終値) and the two moving-average legends.
    static constexpr int kChartOptions = 7;
    unsigned tapeScrolled_ = 0;  // the display's tape-scroll request last followed
    bool sizeLocked_ = false;    // a replay holds the window at its size
    QCheckBox* chartOptionChecks_[kChartOptions] = {};
    QLabel* averageLegends_[2] = {};
    BusyNoticeWindow* busy_ = nullptr;
    SettingsDialog* settingsDialog_ = nullptr;
    ScreeningWindow* screeningWindow_ = nullptr;
    DisclaimerDialog* disclaimer_ = nullptr;
    QWidget* splash_ = nullptr;
    PlaybackPanel* playback_ = nullptr;
    // The utilities under the account panel.
    QPushButton* historyButton_ = nullptr;
    QPushButton* pictureButton_ = nullptr;
    QPushButton* manualButton_ = nullptr;
    QPushButton* reportButton_ = nullptr;
    ManualWindow* manual_ = nullptr;
    ReportWindow* report_ = nullptr;
    bool reportShown_ = false;
    QString picturesFolder_;
    QString guideFile_;
};

}  // namespace corvala
