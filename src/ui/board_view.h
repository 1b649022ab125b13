#pragma once
// The ten-level board beside the clock: five asks over five bids, sell quantities on the left,
// prices in the middle, buy quantities on the right.

#include <QFrame>
#include <QPoint>
#include <array>

#include <optional>

#include "market/board.h"
#include "trading/order_tables.h"

class QLabel;

namespace corvala {

class BoardView final : public QFrame {
    Q_OBJECT
public:
    explicit BoardView(QWidget* parent);
    // The cells as the core shows them; `buyQtyWidthTwips` sizes the buy-quantity column.
    void Show(const BoardCells& cells, double buyQtyWidthTwips);
    // A thin bar under the quantity of each level where the user's limit order waits: its length
    // the share of the level's quantity still ahead of the order, the figure in its tool tip.
    void ShowQueue(const std::array<std::optional<QueueMark>, kBoardLevels>& marks);
    QWidget* queueBar(int level) const { return bars_[static_cast<std::size_t>(level)]; }
    QLabel* priceCell(int level) const { return prices_[static_cast<std::size_t>(level)]; }
    QLabel* quantityCell(int level) const { return quantities_[static_cast<std::size_t>(level)]; }

signals:
    void priceClicked(int level);
    // The right button on a price cell: its menu (an alert at that price) at `global`.
    void priceMenuRequested(int level, QPoint global);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void Place();
    void PlaceQueueBars();
    std::array<QLabel*, kBoardLevels> prices_{};
    std::array<QLabel*, kBoardLevels> quantities_{};
    std::array<QWidget*, kBoardLevels> bars_{};
    std::array<std::optional<QueueMark>, kBoardLevels> marks_{};
    std::array<bool, kBoardLevels> shownHighlight_{};
    int buyWidth_ = 50;
};

}  // namespace corvala
