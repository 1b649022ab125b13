#pragma once
// The main window: binds the controls to the Simulation and copies its display state onto them.

#include <QMainWindow>
#include <memory>

#include "platform/qt/qt_ports.h"
#include "platform/system.h"
#include "replay/simulation.h"

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace corvala {

class BusyNoticeWindow;
class ChartView;

class MainWindow final : public QMainWindow {
    Q_OBJECT
public:
    // The design (minimum) size of the client area, in pixels.
    static constexpr int kDesignWidth = 1280;
    static constexpr int kDesignHeight = 780;

    // `dialogs` may be given by tests; otherwise boxes are real message boxes.
    MainWindow(std::string installFolder, std::string configuredDataFolder,
               Dialogs* dialogs = nullptr, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Start-up after construction; false when the program has to end (error 1013 shown).
    bool StartUp();

    Simulation& simulation() { return *sim_; }
    // Extra space over the design size, in twips.
    int extraWidth() const { return extraWidth_; }
    int extraHeight() const { return extraHeight_; }

public slots:
    void Refresh();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void BuildControls();
    void LayOut();
    void Connect();
    void OnDisplayPressed();

    std::string configuredDataFolder_;
    QtDialogs qtDialogs_;
    QtScheduler scheduler_;
    SystemClock clock_;
    SeededRandom random_;
    std::unique_ptr<Simulation> sim_;
    int extraWidth_ = 0;
    int extraHeight_ = 0;

    QWidget* central_ = nullptr;
    QLabel* messageLabel_ = nullptr;
    QLabel* dateCaption_ = nullptr;
    QLineEdit* dateEdit_ = nullptr;
    QLabel* codeCaption_ = nullptr;
    QLineEdit* codeEdit_ = nullptr;
    QLabel* nameLabel_ = nullptr;
    QLabel* marketLabel_ = nullptr;
    QComboBox* seriesCombo_ = nullptr;
    QCheckBox* simulationCheck_ = nullptr;
    QPushButton* displayButton_ = nullptr;
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
    QFrame* boardFrame_ = nullptr;
    QLabel* tapeHeader_ = nullptr;
    QFrame* tapeFrame_ = nullptr;
    QLabel* tapeCounter_ = nullptr;
    QLabel* listHeaders_[3] = {};
    QListWidget* lists_[3] = {};
    ChartView* chart_ = nullptr;
    BusyNoticeWindow* busy_ = nullptr;
};

}  // namespace corvala
