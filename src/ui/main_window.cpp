#include "ui/main_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QResizeEvent>
#include <QSignalBlocker>

#include "chart/chart_frame.h"
#include "ui/busy_notice.h"
#include "ui/chart_view.h"

namespace corvala {
namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

QString ColourCss(const Rgb& fg, const Rgb& bg) {
    return QString("color: rgb(%1,%2,%3); background-color: rgb(%4,%5,%6);")
        .arg(fg.r).arg(fg.g).arg(fg.b).arg(bg.r).arg(bg.g).arg(bg.b);
}

void SetTextKeepingCursor(QLineEdit* edit, const std::string& text) {
    const QString q = Q(text);
    if (edit->text() == q) return;
    const QSignalBlocker block(edit);
    edit->setText(q);
}

}  // namespace

MainWindow::MainWindow(std::string installFolder, std::string configuredDataFolder,
                       Dialogs* dialogs, QWidget* parent)
    : QMainWindow(parent),
      configuredDataFolder_(std::move(configuredDataFolder)),
      qtDialogs_(this),
      random_(SeededRandom::FromClock()) {
    Dialogs& boxes = dialogs ? *dialogs : static_cast<Dialogs&>(qtDialogs_);
    sim_ = std::make_unique<Simulation>(Ports{boxes, clock_, random_, scheduler_},
                                        std::move(installFolder));
    sim_->SetChangeListener([this] { Refresh(); });
    setWindowTitle(QStringLiteral("Corvala 株式売買練習"));
    BuildControls();
    Connect();
    resize(kDesignWidth, kDesignHeight);
    setMinimumSize(kDesignWidth, kDesignHeight);
    LayOut();
}

MainWindow::~MainWindow() { sim_->SetChangeListener(nullptr); }

bool MainWindow::StartUp() {
    const bool ok = sim_->StartUp(configuredDataFolder_);
    Refresh();
    return ok;
}

void MainWindow::Connect() {
    connect(dateEdit_, &QLineEdit::textEdited, this, [this](const QString& t) {
        sim_->SetDateText(t.toStdString());
        Refresh();
    });
    connect(codeEdit_, &QLineEdit::textEdited, this, [this](const QString& t) {
        sim_->SetCodeText(t.toStdString());
        Refresh();
    });
    connect(seriesCombo_, &QComboBox::activated, this, [this](int index) {
        sim_->SelectSeries(seriesCombo_->itemText(index).toStdString());
        Refresh();
    });
    connect(simulationCheck_, &QCheckBox::toggled, this, [this](bool on) {
        sim_->SetSimulationChecked(on);
        Refresh();
    });
    connect(displayButton_, &QPushButton::clicked, this, &MainWindow::OnDisplayPressed);
    connect(dateEdit_, &QLineEdit::returnPressed, this, &MainWindow::OnDisplayPressed);
    connect(codeEdit_, &QLineEdit::returnPressed, this, &MainWindow::OnDisplayPressed);
    connect(busy_, &BusyNoticeWindow::tapeStopPressed, this, [this] { sim_->PressTapeStop(); });
}

void MainWindow::OnDisplayPressed() {
    sim_->DisplayDay();
    Refresh();
}

void MainWindow::Refresh() {
    const MainDisplay& d = sim_->display();
    messageLabel_->setText(Q(d.message.text));
    messageLabel_->setStyleSheet(ColourCss(d.message.foreground, d.message.background));
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
    chart_->SetFrame(EmptyChartFrame(extraWidth_, extraHeight_, d.noDataMark));
    busy_->Show(d.busy);
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    LayOut();
    Refresh();
}

}  // namespace corvala
