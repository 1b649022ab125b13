#include "ui/report_window.h"

#include <QApplication>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "account/history.h"
#include "app/fill_band.h"
#include "app/simulation.h"
#include "platform/cp932.h"
#include "platform/files.h"
#include "replay/replay_clock.h"
#include "review/history_reader.h"
#include "review/history_stats.h"
#include "review/report_picture.h"
#include "review/report_text.h"
#include "ui/chart_view.h"

namespace corvala {

namespace {

constexpr int kRowsOfDay = 3600;

QString Q(const std::string& text) { return QString::fromStdString(text); }

// Label and value lines as two aligned columns of a rich-text table.
QString FigureTable(const std::vector<FigureLine>& lines) {
    QString html = "<table cellspacing='2'>";
    for (const FigureLine& l : lines)
        html += "<tr><td>" + Q(l.label).toHtmlEscaped() + "</td><td align='right'>&nbsp;&nbsp;" + Q(l.value).toHtmlEscaped() +
                "</td></tr>";
    return html + "</table>";
}

QString SideTable(const TradeStats& s) {
    QString html = "<table cellspacing='4'><tr><td>売買</td><td align='right'>回数</td><td "
                   "align='right'>勝ち</td><td align='right'>損益</td></tr>";
    for (const auto& [side, f] : s.bySide)
        html += "<tr><td>" + Q(side) + "</td><td align='right'>&nbsp;&nbsp;" + QString::number(f.trades) +
                "</td><td align='right'>&nbsp;&nbsp;" + QString::number(f.wins) + "</td><td align='right'>&nbsp;&nbsp;" +
                Q(Format(f.pnl, "###,##0")) + "</td></tr>";
    return html + "</table>";
}

std::vector<std::string> StepTimes(const std::vector<int>& rows) {
    std::vector<std::string> times;
    for (const int row : rows) times.push_back(RowClockText(row));
    return times;
}

}  // namespace

CurveView::CurveView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(400, 200);
}

void CurveView::SetDrawing(std::function<std::vector<Shape>(int, int)> draw) {
    draw_ = std::move(draw);
    update();
}

void CurveView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    if (!draw_) return;
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(1.0 / kTwipsPerPixel, 1.0 / kTwipsPerPixel);
    ChartView::PaintShapes(p, draw_(width() * kTwipsPerPixel, height() * kTwipsPerPixel));
}

ReportWindow::ReportWindow(Simulation& sim, QWidget* parent) : QDialog(parent), sim_(sim) {
    setObjectName("reportWindow");
    setWindowTitle(QStringLiteral("成績"));
    setStyleSheet("QDialog, QTabWidget > QWidget { background: rgb(0,0,0); } QLabel { color: white; }"
                  "QTabBar::tab { background: rgb(64,64,64); color: white; padding: 4px 18px; }"
                  "QTabBar::tab:selected { background: rgb(192,192,192); color: black; }"
                  "QTreeWidget { background: black; color: white; }"
                  "QHeaderView::section { background: rgb(64,64,64); color: white; }");
    tabs_ = new QTabWidget(this);

    auto* session = new QWidget;
    sessionFigures_ = new QLabel(session);
    sessionFigures_->setObjectName("sessionFigures");
    sessionSides_ = new QLabel(session);
    sessionSides_->setObjectName("sessionSides");
    sessionBand_ = new QLabel(session);
    sessionBand_->setObjectName("sessionBand");
    sessionBand_->setWordWrap(true);
    sessionBand_->setMaximumWidth(320);
    sessionCurve_ = new CurveView(session);
    sessionCurve_->setObjectName("sessionCurve");
    auto* sessionLayout = new QHBoxLayout(session);
    auto* figures = new QVBoxLayout;
    figures->addWidget(sessionFigures_);
    figures->addWidget(sessionSides_);
    figures->addWidget(sessionBand_);
    figures->addStretch();
    sessionLayout->addLayout(figures);
    sessionLayout->addWidget(sessionCurve_, 1);
    tabs_->addTab(session, QStringLiteral("今回"));

    auto* history = new QWidget;
    historyFigures_ = new QLabel(history);
    historyFigures_->setObjectName("historyFigures");
    historyTable_ = new QTreeWidget(history);
    historyTable_->setObjectName("historyTable");
    historyTable_->setHeaderLabels({QStringLiteral("項目"), QStringLiteral("取引回数"), QStringLiteral("勝率"),
                                    QStringLiteral("PF"), QStringLiteral("損益")});
    historyTable_->setRootIsDecorated(true);
    historyTable_->setMinimumWidth(400);
    historyCurve_ = new CurveView(history);
    historyCurve_->setObjectName("historyCurve");
    auto* historyLayout = new QGridLayout(history);
    historyLayout->addWidget(historyFigures_, 0, 0);
    historyLayout->addWidget(historyTable_, 1, 0);
    historyLayout->addWidget(historyCurve_, 0, 1, 2, 1);
    historyLayout->setColumnStretch(1, 1);
    tabs_->addTab(history, QStringLiteral("通算"));

    auto* picture = new QPushButton(QStringLiteral("画像保存"), this);
    picture->setObjectName("reportPictureButton");
    auto* csv = new QPushButton(QStringLiteral("CSV保存"), this);
    csv->setObjectName("reportCsvButton");
    auto* close = new QPushButton(QStringLiteral("閉じる"), this);
    status_ = new QLabel(this);
    status_->setObjectName("reportStatus");
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(picture);
    buttons->addWidget(csv);
    buttons->addWidget(status_, 1);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_);
    layout->addLayout(buttons);
    connect(picture, &QPushButton::clicked, this, [this] { SavePicture(picturesFolder_); });
    connect(csv, &QPushButton::clicked, this,
            [this] { SaveCsv(Q(JoinPath(sim_.installFolder(), kHistoryFolder))); });
    connect(close, &QPushButton::clicked, this, &QDialog::hide);
    resize(980, 560);
}

void ReportWindow::ShowReport() {
    const bool kept = sim_.trading().record().kept();
    shown_ = kept ? sim_.trading().record() : SessionRecord{};
    // The same orders under the other two ways resting limits may fill, played from the run's
    // session file (a second or two each, on virtual time).
    banded_ = false;
    sessionBand_->clear();
    if (kept && !sim_.sessions().path().empty()) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const FillBand band = ComputeFillBand(sim_.sessions().path(), sim_.installFolder());
        QApplication::restoreOverrideCursor();
        sessionBand_->setText(QString::fromStdString(FillBandText(band)));
        if (band.played() && !band.zeroWidth()) {
            band_ = {band.runs[0].equity, band.runs[2].equity};
            banded_ = true;
        }
    }
    shownStem_ = sim_.day().SaveFileStem();
    FillSession();
    FillHistory();
    status_->clear();
    tabs_->setTabEnabled(0, kept);
    tabs_->setCurrentIndex(kept ? 0 : 1);
    findChild<QPushButton*>("reportCsvButton")->setEnabled(kept);
    show();
    raise();
}

void ReportWindow::FillSession() {
    const TradeStats stats = shown_.Stats();
    sessionFigures_->setText(FigureTable(StatsFigureLines(stats)));
    sessionSides_->setText(SideTable(stats));
    sessionCurve_->SetDrawing([this](int w, int h) {
        return DrawSessionCurves(shown_.prices(), kRowsOfDay, shown_, w, h, banded_ ? &band_ : nullptr);
    });
}

void ReportWindow::FillHistory() {
    const std::string path = JoinPath(JoinPath(sim_.installFolder(), kHistoryFolder), kRealizedFile);
    const HistoryStats s = ComputeHistoryStats(ReadRealizedHistory(ReadWholeFile(path, 256u * 1024 * 1024).value_or("")));
    std::vector<FigureLine> lines = {{"記録した回数", std::to_string(s.runs)}};
    for (const FigureLine& l : StatsFigureLines(s.overall)) lines.push_back(l);
    if (s.skippedLines > 0) lines.push_back({"読み飛ばした行", std::to_string(s.skippedLines)});
    historyFigures_->setText(FigureTable(lines));

    historyTable_->clear();
    const auto row = [](QTreeWidgetItem* parent, const std::string& label, const TradeStats& t) {
        auto* item = new QTreeWidgetItem(parent, {Q(label), QString::number(t.trades),
                                                  t.trades ? Q(Format(t.winRate * 100, "0.0") + "%") : "-",
                                                  t.profitFactor ? Q(Format(*t.profitFactor, "0.00")) : "-",
                                                  Q(Format(t.netPnl, "###,##0"))});
        for (int c = 1; c < 5; ++c) item->setTextAlignment(c, Qt::AlignRight);
    };
    auto* days = new QTreeWidgetItem(historyTable_, {QStringLiteral("日別")});
    for (const DayResult& d : s.byDay) {
        auto* item = new QTreeWidgetItem(days, {Q(d.date), QString::number(d.runs) + QStringLiteral("回"), "", "",
                                                Q(Format(d.pnl, "###,##0"))});
        item->setTextAlignment(4, Qt::AlignRight);
    }
    auto* codes = new QTreeWidgetItem(historyTable_, {QStringLiteral("銘柄別")});
    for (const auto& [code, t] : s.byCode) row(codes, code, t);
    auto* weekdays = new QTreeWidgetItem(historyTable_, {QStringLiteral("曜日別")});
    for (const char* day : {"月", "火", "水", "木", "金", "土", "日"})
        if (s.byWeekday.count(day)) row(weekdays, day, s.byWeekday.at(day));
    historyTable_->expandAll();
    for (int c = 0; c < 5; ++c) historyTable_->resizeColumnToContents(c);
    const std::vector<double> cumulative = s.cumulative;
    historyCurve_->SetDrawing([cumulative](int w, int h) { return DrawCumulativeCurve(cumulative, w, h); });
}

QString ReportWindow::FilePath(const QString& folder, const char* extension) const {
    std::string stem = shownStem_;
    stem.replace(0, std::string("corvala").size(), "成績");
    return Q(UniqueFilePath(folder.toStdString(), stem, extension));
}

QString ReportWindow::SavePicture(const QString& folder) {
    const QString path = FilePath(folder, ".png");
    const bool saved = QDir().mkpath(folder) && grab().save(path, "PNG");
    status_->setText(saved ? QStringLiteral("画像を保存しました。") + path : QStringLiteral("画像を保存できませんでした。") + path);
    return saved ? path : QString();
}

QString ReportWindow::SaveCsv(const QString& folder) {
    const QString path = FilePath(folder, ".csv");
    const std::string text = SessionReportCsv(shown_.Stats(), StepTimes(shown_.EquityRows()), shown_.EquityCurve());
    const bool saved = QDir().mkpath(folder) && WriteFileAtomically(path.toStdString(), EncodeCp932(text));
    status_->setText(saved ? QStringLiteral("CSVを保存しました。") + path : QStringLiteral("CSVを保存できませんでした。") + path);
    return saved ? path : QString();
}

}  // namespace corvala
