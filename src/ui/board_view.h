#pragma once
// The ten-level board beside the clock: five asks over five bids, sell quantities on the left,
// prices in the middle, buy quantities on the right.

#include <QFrame>
#include <array>

#include "market/board.h"

class QLabel;

namespace corvala {

class BoardView final : public QFrame {
    Q_OBJECT
public:
    explicit BoardView(QWidget* parent);
    // The cells as the core shows them; `buyQtyWidthTwips` sizes the buy-quantity column.
    void Show(const BoardCells& cells, double buyQtyWidthTwips);
    QLabel* priceCell(int level) const { return prices_[static_cast<std::size_t>(level)]; }
    QLabel* quantityCell(int level) const { return quantities_[static_cast<std::size_t>(level)]; }

signals:
    void priceClicked(int level);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void Place();
    std::array<QLabel*, kBoardLevels> prices_{};
    std::array<QLabel*, kBoardLevels> quantities_{};
    std::array<bool, kBoardLevels> shownHighlight_{};
    int buyWidth_ = 50;
};

}  // namespace corvala
