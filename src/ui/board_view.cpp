#include "ui/board_view.h"

#include <QMouseEvent>

#include <QEvent>
#include <QLabel>
#include <QLocale>
#include <algorithm>

#include "chart/geometry.h"

namespace corvala {
namespace {

constexpr const char* kCell = "background-color: black; color: rgb(230,230,230); padding-right: 3px;";
constexpr const char* kHighlight = "background-color: rgb(64,64,0); color: rgb(230,230,230); padding-right: 3px;";

// Level → row: the fifth ask on top, the best ask above the best bid, the fifth bid at the bottom.
int RowOf(int level) { return level < 5 ? 4 - level : level; }

}  // namespace

BoardView::BoardView(QWidget* parent) : QFrame(parent) {
    setObjectName("boardView");
    setStyleSheet("QFrame#boardView { background-color: black; border: 1px solid rgb(80,80,80); }");
    for (int i = 0; i < kBoardLevels; ++i) {
        auto* price = new QLabel(this);
        price->setObjectName(QString("boardPrice%1").arg(i));
        price->setAlignment(Qt::AlignCenter);
        price->setStyleSheet("color: white; font-weight: bold;");
        price->setCursor(Qt::PointingHandCursor);
        price->installEventFilter(this);
        auto* qty = new QLabel(this);
        qty->setObjectName(QString("boardQuantity%1").arg(i));
        qty->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        qty->setStyleSheet(kCell);
        prices_[static_cast<std::size_t>(i)] = price;
        quantities_[static_cast<std::size_t>(i)] = qty;
        auto* bar = new QWidget(this);
        bar->setObjectName(QString("boardQueue%1").arg(i));
        bar->setStyleSheet("background-color: rgb(255,140,0);");
        bar->hide();
        bars_[static_cast<std::size_t>(i)] = bar;
    }
    Place();
}

void BoardView::Place() {
    const int rowHeight = std::max(16, (height() - 2) / kBoardLevels);
    const int sellWidth = (width() - 2 - buyWidth_) / 2;
    const int priceWidth = width() - 2 - buyWidth_ - sellWidth;
    for (int i = 0; i < kBoardLevels; ++i) {
        const int y = 1 + RowOf(i) * rowHeight;
        prices_[static_cast<std::size_t>(i)]->setGeometry(1 + sellWidth, y, priceWidth, rowHeight);
        const int x = i < 5 ? 1 : 1 + sellWidth + priceWidth;
        quantities_[static_cast<std::size_t>(i)]->setGeometry(x, y, i < 5 ? sellWidth : buyWidth_, rowHeight);
    }
    PlaceQueueBars();
}

void BoardView::PlaceQueueBars() {
    for (int i = 0; i < kBoardLevels; ++i) {
        const auto at = static_cast<std::size_t>(i);
        const std::optional<QueueMark>& m = marks_[at];
        QWidget* bar = bars_[at];
        if (!m) {
            bar->hide();
            continue;
        }
        const QRect cell = quantities_[at]->geometry();
        const double share = m->levelQuantity > 0 ? std::clamp(m->ahead / m->levelQuantity, 0.0, 1.0) : 0;
        const int length = std::max(2, static_cast<int>(share * (cell.width() - 4) + 0.5));
        // Drawn from the price column outward, as the queue stands in front of the order.
        const int x = i < 5 ? cell.right() - 1 - length : cell.left() + 2;
        bar->setGeometry(x, cell.bottom() - 2, length, 3);
        bar->setToolTip(QStringLiteral("待ち %1株").arg(QLocale(QLocale::English).toString(static_cast<qlonglong>(m->ahead))));
        bar->show();
        bar->raise();
    }
}

void BoardView::ShowQueue(const std::array<std::optional<QueueMark>, kBoardLevels>& marks) {
    const bool same = std::equal(marks.begin(), marks.end(), marks_.begin(), [](const auto& a, const auto& b) {
        return a.has_value() == b.has_value() && (!a || (a->ahead == b->ahead && a->levelQuantity == b->levelQuantity));
    });
    if (same) return;
    marks_ = marks;
    PlaceQueueBars();
}

void BoardView::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    Place();
}

void BoardView::Show(const BoardCells& cells, double buyQtyWidthTwips) {
    const int buyWidth = static_cast<int>(buyQtyWidthTwips / kTwipsPerPixel + 0.5) + 14;
    if (buyWidth != buyWidth_) {
        buyWidth_ = buyWidth;
        Place();
    }
    for (int i = 0; i < kBoardLevels; ++i) {
        const auto at = static_cast<std::size_t>(i);
        prices_[at]->setText(QString::fromStdString(cells.text[at]));
        quantities_[at]->setText(QString::fromStdString(cells.text[at + kBoardLevels]));
        if (shownHighlight_[at] != cells.highlighted[at]) {
            quantities_[at]->setStyleSheet(cells.highlighted[at] ? kHighlight : kCell);
            shownHighlight_[at] = cells.highlighted[at];
        }
    }
}

bool BoardView::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        for (int i = 0; i < kBoardLevels; ++i) {
            if (watched != prices_[static_cast<std::size_t>(i)]) continue;
            if (mouse->button() == Qt::RightButton)
                emit priceMenuRequested(i, mouse->globalPosition().toPoint());
            else
                emit priceClicked(i);
        }
    }
    return QFrame::eventFilter(watched, event);
}

}  // namespace corvala
