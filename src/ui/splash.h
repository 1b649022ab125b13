#pragma once
// The window shown while the program starts: the product's name on black.

#include <QWidget>

namespace corvala {

// A frameless window in the middle of the screen of `over`; the caller closes it.
QWidget* ShowSplash(QWidget* over);

}  // namespace corvala
