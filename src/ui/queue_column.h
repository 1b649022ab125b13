#pragma once
// The pending-order list's last column: the shares still ahead of each resting limit order, drawn
// at the right of its line from the item's data, so that the line itself stays as it is.

#include <QStyledItemDelegate>
#include <string>
#include <vector>

class QListWidget;

namespace corvala {

class QueueColumnDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

// The figures of the list's lines, in their order ("" for none).
void ShowQueueColumn(QListWidget* list, const std::vector<std::string>& figures);

}  // namespace corvala
