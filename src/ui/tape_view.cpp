#include "ui/tape_view.h"

#include <algorithm>

#include <QHeaderView>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QResizeEvent>
#include <QScrollBar>

#include "chart/geometry.h"

namespace corvala {
namespace {

constexpr int kColumnTwips[3] = {850, 1070, 1050};

QColor ToQColor(const Rgb& c) { return QColor(c.r, c.g, c.b); }

// Each cell is a coloured text on black: drawn directly, without the style's item machinery,
// which costs more than the rest of a repaint of the list.
class PlainTextDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        painter->setPen(index.data(Qt::ForegroundRole).value<QColor>());
        painter->setFont(option.font);
        const int alignment = index.data(Qt::TextAlignmentRole).toInt();
        painter->drawText(option.rect.adjusted(3, 0, -3, 0), alignment, index.data(Qt::DisplayRole).toString());
    }
};

}  // namespace

void TapeModel::Sync(const std::vector<TapeRow>& rows, int count) {
    const int n = std::clamp(count, 0, static_cast<int>(rows.size()));
    if (rows_ != &rows || n < shown_) {
        beginResetModel();
        rows_ = &rows;
        shown_ = n;
        endResetModel();
        return;
    }
    if (n > shown_) {
        beginInsertRows({}, 0, n - shown_ - 1);
        shown_ = n;
        endInsertRows();
    }
}

int TapeModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : shown_; }
int TapeModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 3; }

QVariant TapeModel::data(const QModelIndex& index, int role) const {
    if (!rows_ || !index.isValid() || index.row() >= shown_) return {};
    const TapeRow& row = (*rows_)[static_cast<std::size_t>(shown_ - 1 - index.row())];
    switch (role) {
        case Qt::DisplayRole:
            return QString::fromStdString(index.column() == 0   ? row.time
                                          : index.column() == 1 ? row.volume
                                                                : row.price);
        case Qt::ForegroundRole:
            return ToQColor(index.column() == 0 ? colours::kTapeSame : row.colour);
        case Qt::TextAlignmentRole:
            return index.column() == 0 ? int(Qt::AlignLeft | Qt::AlignVCenter)
                                       : int(Qt::AlignRight | Qt::AlignVCenter);
        default:
            return {};
    }
}

QVariant TapeModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section > 2) return {};
    if (role == Qt::DisplayRole) {
        static const char* kHeaders[3] = {" 時刻", "出来高 ", "約定値 "};
        return QString::fromUtf8(kHeaders[section]);
    }
    if (role == Qt::TextAlignmentRole)
        return section == 0 ? int(Qt::AlignLeft | Qt::AlignVCenter) : int(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

// The three columns keep their proportions (850 : 1070 : 1050 twips) inside the visible width,
// but the time column is never narrower than a whole "hh:nn:ss": an elided time tells nothing.
void TapeView::resizeEvent(QResizeEvent* event) {
    QTableView::resizeEvent(event);
    const int total = kColumnTwips[0] + kColumnTwips[1] + kColumnTwips[2];
    const int width = viewport()->width();
    const int timeWidth = std::max(width * kColumnTwips[0] / total, fontMetrics().horizontalAdvance("00:00:00") + 10);
    const int rest = width - timeWidth;
    const int volumeWidth = rest * kColumnTwips[1] / (kColumnTwips[1] + kColumnTwips[2]);
    setColumnWidth(0, timeWidth);
    setColumnWidth(1, volumeWidth);
    setColumnWidth(2, rest - volumeWidth);
}

void TapeView::ScrollToRow(int oldestFirst) {
    const int shown = model_->rowCount();
    if (oldestFirst < 0 || oldestFirst >= shown) return;
    scrollTo(model_->index(shown - 1 - oldestFirst, 0), QAbstractItemView::PositionAtTop);
}

TapeView::TapeView(QWidget* parent) : QTableView(parent), model_(new TapeModel(this)) {
    setObjectName("tapeView");
    setModel(model_);
    setItemDelegate(new PlainTextDelegate(this));
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(16);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setHighlightSections(false);
    setShowGrid(false);
    setSelectionMode(QAbstractItemView::NoSelection);
    setFocusPolicy(Qt::NoFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setStyleSheet("QTableView { background-color: black; border: 1px solid rgb(80,80,80); }"
                  " QHeaderView::section { background-color: black; color: rgb(160,160,160);"
                  " border: none; }");
}

}  // namespace corvala
