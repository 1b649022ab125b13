#pragma once
// Copying the display model's texts, colours and lines onto widgets.

#include <QListWidget>
#include <QString>
#include <string>
#include <vector>

#include "replay/display_model.h"

namespace corvala {

inline QString Q(const std::string& s) { return QString::fromStdString(s); }

inline QString ColourCss(const Rgb& fg, const Rgb& bg) {
    return QString("color: rgb(%1,%2,%3); background-color: rgb(%4,%5,%6);")
        .arg(fg.r).arg(fg.g).arg(fg.b).arg(bg.r).arg(bg.g).arg(bg.b);
}

// The list shows `lines`, rewritten only when they changed; the selected row is kept.
inline void ShowLines(QListWidget* list, const std::vector<std::string>& lines) {
    bool same = list->count() == static_cast<int>(lines.size());
    for (int i = 0; same && i < list->count(); ++i)
        same = list->item(i)->text().toStdString() == lines[static_cast<std::size_t>(i)];
    if (same) return;
    const int row = list->currentRow();
    list->clear();
    for (const auto& line : lines) list->addItem(Q(line));
    if (row >= 0 && row < list->count()) list->setCurrentRow(row);
}

}  // namespace corvala
