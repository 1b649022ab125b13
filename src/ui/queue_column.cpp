#include "ui/queue_column.h"

#include <QListWidget>
#include <QPainter>

namespace corvala {

void QueueColumnDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QStyledItemDelegate::paint(painter, option, index);
    const QString figure = index.data(Qt::UserRole).toString();
    if (figure.isEmpty()) return;
    painter->save();
    painter->setPen(QColor(255, 140, 0));
    painter->drawText(option.rect.adjusted(0, 0, -6, 0), Qt::AlignRight | Qt::AlignVCenter, figure);
    painter->restore();
}

void ShowQueueColumn(QListWidget* list, const std::vector<std::string>& figures) {
    for (int i = 0; i < list->count(); ++i) {
        const QString figure = i < static_cast<int>(figures.size())
                                   ? QString::fromStdString(figures[static_cast<std::size_t>(i)])
                                   : QString();
        QListWidgetItem* item = list->item(i);
        if (item->data(Qt::UserRole).toString() != figure) item->setData(Qt::UserRole, figure);
    }
}

}  // namespace corvala
