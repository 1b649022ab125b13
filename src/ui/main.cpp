#include <QApplication>
#include <QFont>

#include "platform/files.h"
#include "ui/main_window.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Corvala");
    QFont font("Noto Sans CJK JP");
    font.setPointSize(9);
    QApplication::setFont(font);

    // The data folder comes from the settings once they exist; until then the install folder's
    // 日中データ is used.
    corvala::MainWindow window(corvala::ExecutableFolder(), std::string());
    if (!window.StartUp()) return 1;
    window.show();
    return app.exec();
}
