#pragma once
// The program's icon: candlesticks over a chart grid, drawn in code so that the window, the
// desktop menu and the package share one picture.

#include <QIcon>
#include <QImage>

namespace corvala {

// The icon drawn at `size` × `size` pixels (transparent corners).
QImage DrawAppIcon(int size);
// The icon of the desktop theme's "corvala" when installed, else the drawn one at common sizes.
QIcon AppIcon();

}  // namespace corvala
