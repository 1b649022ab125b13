#include "ui/screening_window.h"

#include <array>

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QPainter>
#include <QSignalBlocker>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

#include "app/simulation.h"
#include "platform/qt/qt_downloader.h"
#include "platform/text.h"
#include "screening/search_download.h"
#include "ui/widget_text.h"

namespace corvala {

namespace {

// Full-width characters take two cells of a half-width one.
QFont ListFont() {
    QFont f(QStringLiteral("Noto Sans Mono CJK JP"));
    f.setStyleHint(QFont::TypeWriter);
    return f;
}

void ShowChecked(QCheckBox* box, bool on) {
    const QSignalBlocker block(box);
    box->setChecked(on);
}

// The list's columns, in half-width character cells of the list's font.
struct Column {
    const char* header;
    int cells;
    Qt::Alignment align;
    const char* tip;
};
constexpr Column kColumns[] = {
    {"ｺｰﾄﾞ", 6, Qt::AlignLeft, nullptr},
    {"企　　業　　名", 22, Qt::AlignLeft, nullptr},
    {"日　付", 12, Qt::AlignLeft, nullptr},
    {"始　値", 8, Qt::AlignRight, "価格帯の参考にして下さい"},
    {"上下率", 11, Qt::AlignRight, "検索条件によらず、すべて±表示とします"},
    {"寄付時間", 9, Qt::AlignHCenter, nullptr},
    {"起点時間", 9, Qt::AlignHCenter, "条件に該当する開始時間です"},
    {"終点時間", 9, Qt::AlignHCenter, "条件に該当する開時間で終了"},
    {"出来高(単元)", 12, Qt::AlignRight, nullptr},
};
constexpr int kCellGap = 2;  // cells between two columns

// The texts of a row by column: the row's own text pads the name by characters, which lines up
// only when every name is as wide, so the list draws each column in its place instead.
std::array<QString, std::size(kColumns)> ColumnTexts(const ScreeningRow& r) {
    return {QString::asprintf("%04d", r.code),
            Q((r.available ? "○" : "×") + r.name),
            Q("20" + r.date.substr(0, 2) + "/" + r.date.substr(2, 2) + "/" + r.date.substr(4, 2)),
            QString::number(r.open),
            Q("±" + Format(r.absChange, "0.0") + "%"),
            Q(r.openTime),
            r.startHidden ? QString() : Q(r.start),
            r.endHidden ? QString() : Q(r.end),
            Q(r.volume)};
}

class ScreeningRowDelegate final : public QStyledItemDelegate {
public:
    ScreeningRowDelegate(const ScreeningDialogModel& model, int cell, QObject* parent)
        : QStyledItemDelegate(parent), model_(model), cell_(cell) {}
    void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QStyleOptionViewItem background = option;
        initStyleOption(&background, index);
        background.text.clear();  // the columns are drawn below
        const QWidget* view = option.widget;
        (view ? view->style() : QApplication::style())->drawControl(QStyle::CE_ItemViewItem, &background, p, view);
        const ScreeningRow* row = model_.RowAt(index.row());
        if (!row) return;
        p->save();
        p->setPen(option.state & QStyle::State_Selected ? option.palette.highlightedText().color()
                                                        : option.palette.text().color());
        const auto texts = ColumnTexts(*row);
        int x = option.rect.left() + 2;
        for (std::size_t i = 0; i < std::size(kColumns); ++i) {
            const QRect box(x, option.rect.top(), kColumns[i].cells * cell_, option.rect.height());
            p->drawText(box, static_cast<int>(kColumns[i].align | Qt::AlignVCenter), texts[i]);
            x += (kColumns[i].cells + kCellGap) * cell_;
        }
        p->restore();
    }

private:
    const ScreeningDialogModel& model_;
    int cell_;
};

QPushButton* Button(const char* text, const char* name, QWidget* parent) {
    auto* b = new QPushButton(QString::fromUtf8(text), parent);
    b->setObjectName(name);
    return b;
}

}  // namespace

// ---- The list ------------------------------------------------------------------------------

void ScreeningListModel::Sync(const ScreeningDialogModel& model) {
    model_ = &model;
    const int rows = static_cast<int>(model.shown().size());
    if (model.listVersion() != version_ || rows < rows_) {
        beginResetModel();
        version_ = model.listVersion();
        rows_ = rows;
        endResetModel();
    } else if (rows > rows_) {
        beginInsertRows({}, rows_, rows - 1);
        rows_ = rows;
        endInsertRows();
    }
}

int ScreeningListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }

QVariant ScreeningListModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !model_) return {};
    const ScreeningRow* row = model_->RowAt(index.row());
    return row ? QVariant(Q(row->text)) : QVariant();
}

// ---- The window ----------------------------------------------------------------------------

ScreeningWindow::ScreeningWindow(Simulation& sim, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      sim_(sim),
      downloader_(std::make_unique<QtDownloader>()),
      downloadJob_(std::make_unique<SearchDownload>(*downloader_)) {
    setWindowTitle(QStringLiteral("銘柄選別"));
    setObjectName("screeningWindow");
    setModal(false);
    BuildControls();
    Connect();
}

ScreeningWindow::~ScreeningWindow() = default;

void ScreeningWindow::BuildControls() {
    auto* periodBox = new QGroupBox(QStringLiteral("検索期間"), this);
    monthLabel_ = new QLabel(periodBox);
    monthLabel_->setObjectName("screeningMonth");
    monthLabel_->setAlignment(Qt::AlignCenter);
    monthScroll_ = new QScrollBar(Qt::Horizontal, periodBox);
    monthScroll_->setObjectName("screeningMonthScroll");
    auto* periodLayout = new QVBoxLayout(periodBox);
    periodLayout->addWidget(monthLabel_);
    periodLayout->addWidget(monthScroll_);

    auto* directionBox = new QGroupBox(QStringLiteral("検索条件1"), this);
    directionGroup_ = new QButtonGroup(this);
    auto* directionLayout = new QVBoxLayout(directionBox);
    const char* directionTexts[3] = {"上昇", "下落", "両方"};
    const char* directionNames[3] = {"screeningRise", "screeningFall", "screeningBoth"};
    for (int i = 0; i < 3; ++i) {
        directions_[i] = new QRadioButton(QString::fromUtf8(directionTexts[i]), directionBox);
        directions_[i]->setObjectName(directionNames[i]);
        directionGroup_->addButton(directions_[i], i);
        directionLayout->addWidget(directions_[i]);
    }

    auto* thresholdBox = new QGroupBox(QStringLiteral("検索条件2"), this);
    signLabel_ = new QLabel(thresholdBox);
    signLabel_->setObjectName("screeningSign");
    threshold_ = new QLineEdit(thresholdBox);
    threshold_->setObjectName("screeningThreshold");
    threshold_->setToolTip(QStringLiteral("1以上の数値を入力"));
    threshold_->setMaxLength(3);
    threshold_->setValidator(new QIntValidator(0, 255, threshold_));
    threshold_->setFixedWidth(44);
    threshold_->setAlignment(Qt::AlignRight);
    relationLabel_ = new QLabel(thresholdBox);
    relationLabel_->setObjectName("screeningRelation");
    auto* thresholdLayout = new QHBoxLayout(thresholdBox);
    thresholdLayout->addWidget(signLabel_);
    thresholdLayout->addWidget(threshold_);
    thresholdLayout->addWidget(relationLabel_);
    thresholdLayout->addStretch();

    auto* timeBox = new QGroupBox(QStringLiteral("検索条件3"), this);
    upTo930_ = new QCheckBox(QStringLiteral("9:30までのデータで検索"), timeBox);
    upTo930_->setObjectName("screeningUpTo930");
    upTo930_->setToolTip(QStringLiteral("価格変動が大きい時間帯のみ"));
    auto* timeLayout = new QVBoxLayout(timeBox);
    timeLayout->addWidget(upTo930_);

    hideStart_ = new QCheckBox(QStringLiteral("起点時間を表示しない"), this);
    hideStart_->setObjectName("screeningHideStart");
    hideEnd_ = new QCheckBox(QStringLiteral("終点時間を表示しない"), this);
    hideEnd_->setObjectName("screeningHideEnd");
    nearStart_ = new QCheckBox(QStringLiteral("起点時間周辺からスタートする"), this);
    nearStart_->setObjectName("screeningNearStart");
    search_ = Button("検　索", "screeningSearch", this);
    stop_ = Button("停　止", "screeningStop", this);
    auto* options = new QVBoxLayout;
    options->addWidget(hideStart_);
    options->addWidget(hideEnd_);
    options->addWidget(nearStart_);
    auto* searchButtons = new QVBoxLayout;
    searchButtons->addWidget(search_);
    searchButtons->addWidget(stop_);

    auto* top = new QHBoxLayout;
    top->addWidget(periodBox);
    top->addWidget(directionBox);
    top->addWidget(thresholdBox);
    top->addWidget(timeBox);
    top->addStretch(1);
    top->addLayout(options);
    top->addLayout(searchButtons);

    // The column headers stand over the list's columns, counted in half-width characters.
    list_ = new QListView(this);
    list_->setObjectName("screeningList");
    list_->setFont(ListFont());
    list_->setUniformItemSizes(true);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);  // the hidden tail stays hidden
    list_->setTextElideMode(Qt::ElideNone);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    rows_ = new ScreeningListModel(this);
    list_->setModel(rows_);

    auto* headerStrip = new QWidget(this);
    headerStrip->setFont(ListFont());
    const int cell = QFontMetrics(ListFont()).horizontalAdvance(QLatin1Char('0'));
    list_->setItemDelegate(new ScreeningRowDelegate(sim_.screening().model(), cell, list_));
    sortByCode_ = Button("ソートします", "screeningSortByCode", headerStrip);
    sortByChange_ = Button("ソートします", "screeningSortByChange", headerStrip);
    int x = list_->frameWidth() + 2;
    for (const Column& c : kColumns) {
        auto* label = new QLabel(QString::fromUtf8(c.header), headerStrip);
        if (c.tip) label->setToolTip(QString::fromUtf8(c.tip));
        label->setAlignment(c.align | Qt::AlignVCenter);
        label->setGeometry(x, 28, c.cells * cell + (c.align == Qt::AlignRight ? 0 : 2 * cell), 20);
        const std::string_view header(c.header);
        if (header == "ｺｰﾄﾞ") sortByCode_->setGeometry(x, 0, 14 * cell, 26);
        if (header == "上下率") sortByChange_->setGeometry(x, 0, 14 * cell, 26);
        x += (c.cells + kCellGap) * cell;
    }
    headerStrip->setFixedHeight(50);
    headerStrip->setMinimumWidth(x + 20);
    list_->setMinimumWidth(x + 24);
    list_->setMinimumHeight(320);

    counter_ = new QLabel(this);
    counter_->setObjectName("screeningCounter");
    counter_->setMinimumWidth(80);
    message_ = new QLabel(this);
    message_->setObjectName("screeningMessage");
    message_->setStyleSheet("color: rgb(200,0,0);");
    use_ = Button("選択行をシミュレーションに反映", "screeningUse", this);
    close_ = Button("閉じる", "screeningClose", this);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(counter_);
    bottom->addWidget(message_, 1);
    bottom->addWidget(use_);
    bottom->addWidget(close_);

    downloadMonth_ = new QLineEdit(this);
    downloadMonth_->setObjectName("screeningDownloadMonth");
    downloadMonth_->setToolTip(QStringLiteral("取得する月 (YYYYMM)"));
    downloadMonth_->setMaxLength(6);
    downloadMonth_->setFixedWidth(70);
    download_ = Button("データダウンロード", "screeningDownload", this);
    download_->setToolTip(QStringLiteral("指定した月の検索データを取得します"));
    cancelDownload_ = Button("中止", "screeningCancelDownload", this);
    progress_ = new QProgressBar(this);
    progress_->setObjectName("screeningProgress");
    auto* downloadRow = new QHBoxLayout;
    downloadRow->addWidget(new QLabel(QStringLiteral("取得月"), this));
    downloadRow->addWidget(downloadMonth_);
    downloadRow->addWidget(download_);
    downloadRow->addWidget(cancelDownload_);
    downloadRow->addWidget(progress_, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(headerStrip);
    layout->addWidget(list_, 1);
    layout->addLayout(bottom);
    layout->addLayout(downloadRow);
}

void ScreeningWindow::Connect() {
    connect(monthScroll_, &QScrollBar::valueChanged, this, [this](int v) { Act([&] { sim_.screening().SetMonth(v); }); });
    connect(directionGroup_, &QButtonGroup::idClicked, this,
            [this](int id) { Act([&] { sim_.screening().SetDirection(id); }); });
    connect(threshold_, &QLineEdit::textEdited, this,
            [this](const QString& t) { Act([&] { sim_.screening().SetThreshold(t.toStdString()); }); });
    using Option = ScreeningState::Option;
    const std::pair<QCheckBox*, Option> boxes[] = {{upTo930_, Option::UpTo930},
                                                   {hideStart_, Option::HideStartTime},
                                                   {hideEnd_, Option::HideEndTime},
                                                   {nearStart_, Option::StartNearStart}};
    for (const auto& [box, option] : boxes)
        connect(box, &QCheckBox::toggled, this, [this, option](bool on) {
            Act([&] { sim_.screening().SetOption(option, on); });
        });
    connect(search_, &QPushButton::clicked, this, [this] { Act([&] { sim_.screening().PressSearch(); }); });
    connect(stop_, &QPushButton::clicked, this, [this] { Act([&] { sim_.screening().PressStop(); }); });
    connect(sortByChange_, &QPushButton::clicked, this,
            [this] { Act([&] { sim_.screening().Sort(ScreeningSortKey::Change); }); });
    connect(sortByCode_, &QPushButton::clicked, this,
            [this] { Act([&] { sim_.screening().Sort(ScreeningSortKey::Code); }); });
    // The row under the cursor is the selected one, however it got there (click or arrow keys);
    // a double click or Enter uses it.
    connect(list_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& i) { Act([&] { sim_.screening().SelectRow(i.row()); }); });
    connect(list_, &QListView::activated, this,
            [this](const QModelIndex& i) { Act([&] { sim_.screening().UseRow(i.row()); }); });
    connect(use_, &QPushButton::clicked, this, [this] { Act([&] { sim_.screening().UseSelectedRow(); }); });
    connect(close_, &QPushButton::clicked, this, [this] { Act([&] { sim_.screening().Close(); }); });
    connect(downloadMonth_, &QLineEdit::textEdited, this,
            [this](const QString& t) { sim_.screening().SetDownloadMonth(t.trimmed().toStdString()); });
    connect(download_, &QPushButton::clicked, this, &ScreeningWindow::StartDownload);
    connect(cancelDownload_, &QPushButton::clicked, this, [this] { downloadJob_->Cancel(); });
}

void ScreeningWindow::StartDownload() {
    if (downloadJob_->running()) return;
    const std::string month = sim_.screening().model().downloadMonth;  // as it was when the download began
    progress_->setRange(0, 0);  // busy until the size is known
    const bool started = downloadJob_->Start(
        sim_.installFolder(), month,
        [this](std::int64_t received, std::int64_t total) {
            if (total > 0) {
                progress_->setRange(0, 1000);
                progress_->setValue(static_cast<int>(received * 1000 / total));
            }
        },
        [this, month](const DownloadOutcome& outcome) {
            progress_->setRange(0, 1000);
            progress_->setValue(outcome.ok ? 1000 : 0);
            Act([&] { sim_.screening().ShowDownload(outcome.message, outcome.ok ? month : std::string()); });
        });
    if (!started) {
        progress_->setRange(0, 1000);
        progress_->setValue(0);
    }
    Act([&] {
        if (!started) sim_.screening().ShowDownload(downloadJob_->refusal());
    });
}

void ScreeningWindow::Act(const std::function<void()>& action) {
    action();
    Refresh();
    emit changed();
}

void ScreeningWindow::Refresh() {
    const ScreeningDialogModel& m = sim_.screening().model();
    const bool searching = m.searching();
    const bool downloading = downloadJob_->running();
    {
        const QSignalBlocker block(monthScroll_);
        monthScroll_->setRange(0, std::max(0, static_cast<int>(m.months.size()) - 1));
        monthScroll_->setValue(std::max(0, m.monthIndex));
    }
    monthLabel_->setText(m.months.empty() ? QStringLiteral("なし") : Q(m.MonthText()));
    for (int i = 0; i < 3; ++i) {
        const QSignalBlocker block(directions_[i]);
        directions_[i]->setChecked(m.conditions.direction == i);
    }
    signLabel_->setText(Q(m.SignLabel()));
    relationLabel_->setText(Q(m.RelationLabel()));
    ShowText(threshold_, m.thresholdText);
    ShowChecked(upTo930_, m.conditions.upTo930);
    ShowChecked(hideStart_, m.conditions.hideStartTime);
    ShowChecked(hideEnd_, m.conditions.hideEndTime);
    ShowChecked(nearStart_, m.conditions.startNearStart);
    if (!downloadMonth_->hasFocus()) ShowText(downloadMonth_, m.downloadMonth);

    // While the search runs only 停　止 works.
    for (QWidget* w : std::initializer_list<QWidget*>{monthScroll_, directions_[0], directions_[1], directions_[2],
                                                      threshold_, upTo930_, hideStart_, hideEnd_, nearStart_,
                                                      sortByChange_, sortByCode_, close_, list_})
        w->setEnabled(!searching);
    search_->setEnabled(!searching && !downloading);  // a month being downloaded is not searched
    monthScroll_->setEnabled(!searching && m.months.size() > 1);
    stop_->setEnabled(searching);
    // Not while a replay runs: the day of a replay is not changed under it.
    use_->setEnabled(!searching && m.useEnabled && sim_.display().controls.inputsEnabled);
    download_->setEnabled(!searching && !downloading);
    downloadMonth_->setEnabled(!downloading);
    cancelDownload_->setEnabled(downloading);

    rows_->Sync(m);
    if (list_->currentIndex().row() != m.selected) {
        const QSignalBlocker block(list_->selectionModel());
        if (m.selected >= 0) list_->setCurrentIndex(rows_->index(m.selected));
        else list_->clearSelection();
    }
    counter_->setText(Q(m.counterText));
    message_->setText(Q(m.message));

    ShowAsModelSays(this, m.visible, placed_);
}

void ScreeningWindow::closeEvent(QCloseEvent* event) {
    event->ignore();  // hidden by the model, never destroyed
    Act([&] { sim_.screening().Close(); });
}

void ScreeningWindow::reject() { Act([&] { sim_.screening().Close(); }); }

}  // namespace corvala
