#pragma once
// Copying the display model's texts, colours and lines onto widgets.

#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalBlocker>
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

// A text box shows `text` without signalling an edit; an equal text is left with its cursor.
inline void ShowText(QLineEdit* edit, const std::string& text) {
    if (edit->text() == Q(text)) return;
    const QSignalBlocker block(edit);
    edit->setText(Q(text));
}

// A dialog that the model shows and hides: centred over its parent the first time (`placed`),
// brought to the front when shown.
inline void ShowAsModelSays(QDialog* dialog, bool visible, bool& placed) {
    if (visible == dialog->isVisible()) return;
    if (!visible) {
        dialog->hide();
        return;
    }
    if (!placed && dialog->parentWidget()) {
        dialog->adjustSize();
        dialog->move(dialog->parentWidget()->frameGeometry().center() - QPoint(dialog->width() / 2, dialog->height() / 2));
        placed = true;
    }
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

}  // namespace corvala
