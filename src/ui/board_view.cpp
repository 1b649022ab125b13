#include "ui/board_view.h"

#include <QEvent>
#include <QLabel>

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
        for (int i = 0; i < kBoardLevels; ++i)
            if (watched == prices_[static_cast<std::size_t>(i)]) emit priceClicked(i);
    }
    return QFrame::eventFilter(watched, event);
}

}  // namespace corvala
