// Creating the main window's controls and placing them. The chart takes the window's extra
// space; the controls beside it and below it move with its right and bottom edges.

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QToolButton>

#include "ui/busy_notice.h"
#include "ui/chart_view.h"
#include "ui/main_window.h"
#include "ui/queue_column.h"
#include "ui/board_view.h"
#include "ui/playback_panel.h"
#include "ui/tape_view.h"

namespace corvala {
namespace {

constexpr const char* kWindowCss = R"(
QWidget#central { background-color: black; }
QLabel { color: rgb(230,230,230); }
QLabel[role="caption"] { color: rgb(160,160,160); }
QLabel[role="figure"] { color: white; font-weight: bold; }
QLineEdit { background-color: white; color: black; }
QCheckBox { color: rgb(230,230,230); }
QCheckBox:disabled { color: rgb(120,120,120); }
QListWidget { font-family: "Noto Sans Mono CJK JP", monospace; }
QListWidget, QFrame[role="panel"] { background-color: black; color: rgb(230,230,230);
    border: 1px solid rgb(80,80,80); }
QPushButton { background-color: rgb(192,192,192); color: black; }
QPushButton:disabled { color: rgb(120,120,120); }
QToolButton { background-color: rgb(192,192,192); color: black; border: 1px solid rgb(80,80,80);
    font-size: 7px; padding: 0px; }
QToolButton:disabled { background-color: rgb(110,110,110); color: rgb(70,70,70); }
QLineEdit:disabled { background-color: rgb(150,150,150); color: rgb(40,40,40); }
)";

template <typename T>
T* Named(T* widget, const char* name) {
    widget->setObjectName(name);
    return widget;
}

QLabel* Caption(QWidget* parent, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setProperty("role", "caption");
    return label;
}

QLabel* Figure(QWidget* parent, const char* name, Qt::Alignment align = Qt::AlignRight) {
    auto* label = Named(new QLabel(parent), name);
    label->setProperty("role", "figure");
    label->setAlignment(align | Qt::AlignVCenter);
    return label;
}

// The ▲▼ pair beside a box: objects "<name>Up" and "<name>Down".
void MakeSpinner(QWidget* parent, QToolButton* (&pair)[2], const QString& name, const QString& upTip,
                 const QString& downTip) {
    for (int up = 0; up < 2; ++up) {
        pair[up] = new QToolButton(parent);
        pair[up]->setObjectName(name + (up == 0 ? "Up" : "Down"));
        pair[up]->setText(up == 0 ? QStringLiteral("▲") : QStringLiteral("▼"));
        pair[up]->setToolTip(up == 0 ? upTip : downTip);
    }
}

}  // namespace

void MainWindow::BuildControls() {
    central_ = Named(new QWidget(this), "central");
    central_->setStyleSheet(kWindowCss);
    setCentralWidget(central_);

    messageLabel_ = Named(new QLabel(central_), "messageLabel");
    chart_ = new ChartView(central_);

    dateCaption_ = Caption(central_, QStringLiteral("日付"));
    dateEdit_ = Named(new QLineEdit(central_), "dateEdit");
    dateEdit_->setMaxLength(6);
    dateEdit_->setToolTip(QStringLiteral("日付を YYMMDD で入力します (例 221101)"));
    MakeSpinner(central_, dateSpin_, "date", QStringLiteral("データのある次の日付"),
                QStringLiteral("前の取引日"));
    codeCaption_ = Caption(central_, QStringLiteral("銘柄"));
    codeEdit_ = Named(new QLineEdit(central_), "codeEdit");
    codeEdit_->setMaxLength(4);
    codeEdit_->setToolTip(QStringLiteral("4桁の銘柄コードを入力します"));
    MakeSpinner(central_, codeSpin_, "code", QStringLiteral("この日のデータがある次の銘柄"),
                QStringLiteral("この日のデータがある前の銘柄"));
    startCaption_ = Caption(central_, QStringLiteral("開始"));
    startHourEdit_ = Named(new QLineEdit(central_), "startHourEdit");
    startHourEdit_->setMaxLength(2);
    startHourEdit_->setToolTip(QStringLiteral("再生を始める時 (9〜14)"));
    startMinuteEdit_ = Named(new QLineEdit(central_), "startMinuteEdit");
    startMinuteEdit_->setMaxLength(2);
    startMinuteEdit_->setToolTip(QStringLiteral("再生を始める分 (5分単位に切り下げ)"));
    for (QLineEdit* edit : {dateEdit_, codeEdit_, startHourEdit_, startMinuteEdit_})
        edit->setAttribute(Qt::WA_InputMethodEnabled, false);
    nameLabel_ = Named(new QLabel(central_), "nameLabel");
    marketLabel_ = Named(new QLabel(central_), "marketLabel");
    seriesCombo_ = Named(new QComboBox(central_), "seriesCombo");
    seriesCombo_->setToolTip(QStringLiteral("上段のチャートに表示する指数・先物"));
    simulationCheck_ = Named(new QCheckBox(QStringLiteral("ｼﾐｭﾚｰｼｮﾝ"), central_), "simulationCheck");
    displayButton_ = Named(new QPushButton(central_), "displayButton");
    dayOnlyCheck_ = Named(new QCheckBox(QStringLiteral("当日表示"), central_), "dayOnlyCheck");
    dayOnlyCheck_->setToolTip(QStringLiteral("チャートを当日だけにします"));
    settingsButton_ = Named(new QPushButton(QStringLiteral("設定"), central_), "settingsButton");
    screeningButton_ = Named(new QPushButton(QStringLiteral("銘柄選別"), central_), "screeningButton");
    screeningButton_->setToolTip(QStringLiteral("条件にあった銘柄を選別表示します"));
    quizButton_ = Named(new QPushButton(QStringLiteral("出 題"), central_), "quizButton");
    quizButton_->setCheckable(true);

    dayCaption_ = Caption(central_, QStringLiteral("当日"));
    dayLabel_ = Named(new QLabel(central_), "dayLabel");
    prevDayCaption_ = Caption(central_, QStringLiteral("前日"));
    prevDayLabel_ = Named(new QLabel(central_), "prevDayLabel");

    clockLabel_ = Figure(central_, "clockLabel", Qt::AlignCenter);
    clockLabel_->setText("--:--:--");
    clockLabel_->setStyleSheet("font-size: 20px; color: rgb(255,255,128);");
    priceLabel_ = Figure(central_, "priceLabel");
    priceLabel_->setStyleSheet("font-size: 18px;");
    changeLabel_ = Figure(central_, "changeLabel");
    percentLabel_ = Figure(central_, "percentLabel");
    volumeCaption_ = Caption(central_, QStringLiteral("出来高"));
    volumeLabel_ = Figure(central_, "volumeLabel");
    vwapCaption_ = Caption(central_, QStringLiteral("VWAP"));
    vwapLabel_ = Figure(central_, "vwapLabel");

    board_ = new BoardView(central_);
    tape_ = new TapeView(central_);
    boardOptionCheck_ = Named(new QCheckBox(QStringLiteral("板"), central_), "boardOptionCheck");
    tapeOptionCheck_ = Named(new QCheckBox(QStringLiteral("歩み値"), central_), "tapeOptionCheck");
    tapeOptionCheck_->setToolTip(QStringLiteral("表示のときに一日の歩み値を推定します"));
    hideBoardTapeCheck_ = Named(new QCheckBox(QStringLiteral("板・歩み値表示なし"), central_), "hideBoardTapeCheck");
    tapeCounter_ = Figure(central_, "tapeCounter");

    const char* headers[3] = {" 時刻 売買   数量   注文単価", "売買   数量   平均単価    損益",
                              " 時刻 売買   数量   約定単価"};
    const char* names[3] = {"pendingList", "holdingList", "executionList"};
    for (int i = 0; i < 3; ++i) {
        listHeaders_[i] = Caption(central_, QString::fromUtf8(headers[i]));
        lists_[i] = Named(new QListWidget(central_), names[i]);
        // The slot number trailing each line stays out of sight.
        lists_[i]->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        lists_[i]->setTextElideMode(Qt::ElideNone);
    }
    // The pending list's last column: the shares still ahead of each resting limit order.
    lists_[0]->setItemDelegate(new QueueColumnDelegate(lists_[0]));
    queueHeader_ = Caption(central_, QStringLiteral("待ち株数"));
    queueHeader_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    queueHeader_->setToolTip(QStringLiteral("指値注文の前に並んでいる株数(この数量が約定すると順番が来ます)"));

    const char* orderCaptions[3] = {"新規注文", "返済注文", "訂正取消"};
    const char* orderNames[3] = {"newOrderButton", "closingOrderButton", "correctCancelButton"};
    for (int i = 0; i < 3; ++i) {
        orderButtons_[i] = Named(new QPushButton(QString::fromUtf8(orderCaptions[i]), central_), orderNames[i]);
        orderButtons_[i]->setEnabled(false);
    }
    fillSoundCheck_ = Named(new QCheckBox(QStringLiteral("約定音"), central_), "fillSoundCheck");
    fillSoundCheck_->setToolTip(QStringLiteral("約定したとき、逆指値が発動したときに音を鳴らします"));
    markerCheck_ = Named(new QCheckBox(QStringLiteral("売買位置"), central_), "markerCheck");
    markerCheck_->setToolTip(QStringLiteral("新規が○、返済が×で表示、買建は赤、売建は青"));
    investmentCaption_ = Caption(central_, QStringLiteral("投資金額"));
    investmentEdit_ = Named(new QLineEdit(central_), "investmentEdit");
    investmentEdit_->setAlignment(Qt::AlignRight);
    investmentEdit_->setMaxLength(11);
    investmentEdit_->setAttribute(Qt::WA_InputMethodEnabled, false);
    investmentChangeCheck_ = Named(new QCheckBox(QStringLiteral("変更"), central_), "investmentChangeCheck");
    investmentChangeCheck_->setToolTip(
        QStringLiteral("チェックすると、投資資金を変更できます。全損益などはリセットされます。"));
    cashOnlyCheck_ = Named(new QCheckBox(QStringLiteral("現物のみ"), central_), "cashOnlyCheck");
    resetButton_ = Named(new QPushButton(QStringLiteral("リセット"), central_), "resetButton");
    resetButton_->setToolTip(QStringLiteral("全損益をリセットします(元の投資金額に戻ります)"));
    historyButton_ = Named(new QPushButton(QStringLiteral("履歴"), central_), "historyButton");
    historyButton_->setToolTip(QStringLiteral("売買履歴のフォルダを開きます"));
    pictureButton_ = Named(new QPushButton(QStringLiteral("画像保存"), central_), "pictureButton");
    pictureButton_->setToolTip(QStringLiteral("この画面を画像(PNG)で保存します"));
    manualButton_ = Named(new QPushButton(QStringLiteral("マニュアル"), central_), "manualButton");
    manualButton_->setToolTip(QStringLiteral("マニュアルを開きます"));
    reportButton_ = Named(new QPushButton(QStringLiteral("成績"), central_), "reportButton");
    reportButton_->setToolTip(QStringLiteral("記録した回の成績と、これまでの通算成績を表示します"));
    sessionButton_ = Named(new QPushButton(QStringLiteral("再現"), central_), "sessionButton");
    sessionButton_->setToolTip(QStringLiteral("売買履歴/セッションに記録した回を選び、その操作どおりにもう一度再生します (■で終了)"));
    buyingPowerCaption_ = Caption(central_, QStringLiteral("新規建余力"));
    buyingPowerLabel_ = Figure(central_, "buyingPowerLabel");
    runPnlCaption_ = Caption(central_, QStringLiteral("今回の損益"));
    runPnlLabel_ = Figure(central_, "runPnlLabel");
    netPnlCaption_ = Caption(central_, QStringLiteral("全損益"));
    netPnlLabel_ = Figure(central_, "netPnlLabel");
    netAfterTaxCaption_ = Caption(central_, QStringLiteral("全損益(税考慮)"));
    netAfterTaxLabel_ = Figure(central_, "netAfterTaxLabel");

    const char* optionNames[kChartOptions] = {"tickCheck",    "barsCheck",    "average1Check", "average2Check",
                                              "cumulativeVolumeCheck", "vwapCheck", "prevCloseCheck"};
    for (int i = 0; i < kChartOptions; ++i)
        chartOptionChecks_[i] = Named(new QCheckBox(central_), optionNames[i]);
    chartOptionChecks_[0]->setText(QStringLiteral("ティック"));
    chartOptionChecks_[4]->setText(QStringLiteral("累積出来高"));
    chartOptionChecks_[5]->setText(QStringLiteral("VWAP"));
    chartOptionChecks_[6]->setText(QStringLiteral("前日終値"));
    averageLegends_[0] = Figure(central_, "average1Legend", Qt::AlignLeft | Qt::AlignVCenter);
    averageLegends_[1] = Figure(central_, "average2Legend", Qt::AlignLeft | Qt::AlignVCenter);
    // The legends in the colours of their lines; VWAP's value is the one beside the board.
    averageLegends_[0]->setStyleSheet("color: rgb(255,0,180);");
    averageLegends_[1]->setStyleSheet("color: rgb(0,210,255);");
    vwapLabel_->setStyleSheet("color: rgb(255,255,0);");

    busy_ = new BusyNoticeWindow(this);
    playback_ = new PlaybackPanel(central_);
}

void MainWindow::LayOut() {
    const QSize client = central_ ? central_->size() : size();
    const int w = std::max(0, client.width() - kDesignWidth);
    const int h = std::max(0, client.height() - kDesignHeight);
    extraWidth_ = w * kTwipsPerPixel;
    extraHeight_ = h * kTwipsPerPixel;

    messageLabel_->setGeometry(0, 0, client.width(), 19);
    // The chart with its price labels runs from (0, 300) to (W + 12800, H + 9000) twips.
    chart_->setGeometry(0, 300 / kTwipsPerPixel, (extraWidth_ + 12800) / kTwipsPerPixel + 1,
                        (extraHeight_ + 8700) / kTwipsPerPixel + 1);
    sim_->chart().SetSize(extraWidth_, extraHeight_);
    // Its option boxes and legends under it.
    const int optionsTop = 602 + h;
    const int optionWidths[kChartOptions] = {70, 62, 76, 84, 90, 58, 80};
    int ox = 50;
    for (int i = 0; i < kChartOptions; ++i) {
        chartOptionChecks_[i]->setGeometry(ox, optionsTop, optionWidths[i], 20);
        ox += optionWidths[i];
        if (i == 2 || i == 3) {
            averageLegends_[i - 2]->setGeometry(ox, optionsTop, 64, 20);
            ox += 70;
        }
    }

    const int x = 866 + w;  // the column beside the chart
    auto spin = [](QToolButton* const* pair, int left, int top) {
        pair[0]->setGeometry(left, top, 14, 11);
        pair[1]->setGeometry(left, top + 11, 14, 11);
    };
    dateCaption_->setGeometry(x, 26, 30, 22);
    dateEdit_->setGeometry(x + 30, 26, 64, 22);
    spin(dateSpin_, x + 95, 26);
    codeCaption_->setGeometry(x + 114, 26, 30, 22);
    codeEdit_->setGeometry(x + 144, 26, 46, 22);
    spin(codeSpin_, x + 191, 26);
    nameLabel_->setGeometry(x + 210, 26, 150, 22);
    marketLabel_->setGeometry(x + 360, 26, 50, 22);

    seriesCombo_->setGeometry(x, 54, 110, 24);
    simulationCheck_->setGeometry(x + 116, 54, 90, 24);
    startCaption_->setGeometry(x + 206, 55, 28, 22);
    startHourEdit_->setGeometry(x + 234, 55, 24, 22);
    startMinuteEdit_->setGeometry(x + 260, 55, 26, 22);
    displayButton_->setGeometry(x + 296, 52, 90, 28);

    dayCaption_->setGeometry(x, 86, 30, 20);
    dayLabel_->setGeometry(x + 30, 86, 170, 20);
    prevDayCaption_->setGeometry(x + 206, 86, 30, 20);
    prevDayLabel_->setGeometry(x + 236, 86, 170, 20);

    clockLabel_->setGeometry(x, 112, 110, 30);
    priceLabel_->setGeometry(x + 112, 112, 100, 30);
    changeLabel_->setGeometry(x + 214, 112, 90, 30);
    percentLabel_->setGeometry(x + 306, 112, 90, 30);

    board_->setGeometry(x, 148, 206, 250);
    volumeCaption_->setGeometry(x, 402, 50, 20);
    volumeLabel_->setGeometry(x + 50, 402, 160, 20);
    vwapCaption_->setGeometry(x, 424, 50, 20);
    vwapLabel_->setGeometry(x + 50, 424, 160, 20);
    playback_->move(x, 452);
    dayOnlyCheck_->setGeometry(x, 546, 90, 22);
    settingsButton_->setGeometry(x + 140, 544, 66, 26);
    boardOptionCheck_->setGeometry(x, 574, 40, 22);
    tapeOptionCheck_->setGeometry(x + 40, 574, 62, 22);
    screeningButton_->setGeometry(x + 110, 572, 96, 26);
    quizButton_->setGeometry(x + 90, 544, 46, 26);
    hideBoardTapeCheck_->setGeometry(x + 210, 578 + h, 150, 22);

    tape_->setGeometry(x + 210, 148, 202, 428 + h);
    tapeCounter_->setGeometry(x + 358, 580 + h, 54, 18);

    // The three lists share the strip under the chart; the order buttons and the account panel
    // stand beside them, under the board.
    const int listTop = 608 + h;
    const int listWidth = (x - 18) / 3;
    for (int i = 0; i < 3; ++i) {
        const int lx = 6 + i * (listWidth + 4);
        listHeaders_[i]->setGeometry(lx, listTop + 16, listWidth, 18);
        lists_[i]->setGeometry(lx, listTop + 34, listWidth, client.height() - listTop - 40);
    }
    queueHeader_->setGeometry(6 + listWidth - 90, listTop + 16, 84, 18);
    for (int i = 0; i < 3; ++i) orderButtons_[i]->setGeometry(x + i * 84, listTop, 80, 28);
    fillSoundCheck_->setGeometry(x + 256, listTop + 2, 70, 24);
    markerCheck_->setGeometry(x + 328, listTop + 2, 84, 24);
    const int row = listTop + 36;
    investmentCaption_->setGeometry(x, row, 60, 24);
    investmentEdit_->setGeometry(x + 60, row, 104, 24);
    investmentChangeCheck_->setGeometry(x + 170, row, 60, 24);
    cashOnlyCheck_->setGeometry(x + 234, row, 90, 24);
    resetButton_->setGeometry(x + 332, row - 1, 80, 26);
    buyingPowerCaption_->setGeometry(x, row + 30, 90, 22);
    buyingPowerLabel_->setGeometry(x + 60, row + 30, 104, 22);
    runPnlCaption_->setGeometry(x + 234, row + 30, 80, 22);
    runPnlLabel_->setGeometry(x + 300, row + 30, 108, 22);
    netPnlCaption_->setGeometry(x, row + 56, 60, 22);
    netPnlLabel_->setGeometry(x + 60, row + 56, 104, 22);
    netAfterTaxCaption_->setGeometry(x + 190, row + 56, 110, 22);
    netAfterTaxLabel_->setGeometry(x + 300, row + 56, 108, 22);
    historyButton_->setGeometry(x, row + 84, 80, 26);
    pictureButton_->setGeometry(x + 84, row + 84, 80, 26);
    manualButton_->setGeometry(x + 168, row + 84, 80, 26);
    reportButton_->setGeometry(x + 252, row + 84, 80, 26);
    sessionButton_->setGeometry(x + 336, row + 84, 76, 26);
}

}  // namespace corvala
