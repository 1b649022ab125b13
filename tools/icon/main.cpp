// Writes the program's icon as PNG files for the desktop theme: DIR/<size>x<size>/apps/corvala.png.

#include <QDir>
#include <QGuiApplication>
#include <cstdio>

#include "ui/app_icon.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: corvala-icon DIR\n");
        return 1;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(QString::fromLocal8Bit(argv[1])).arg(size);
        if (!QDir().mkpath(folder) || !corvala::DrawAppIcon(size).save(folder + "/corvala.png")) {
            std::fprintf(stderr, "corvala-icon: cannot write %s\n", qPrintable(folder));
            return 1;
        }
    }
    return 0;
}
