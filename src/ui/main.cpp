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

    corvala::MainWindow window(corvala::ExecutableFolder(), std::string());
    // A stock list missing after the disclaimer ends the program from inside the event loop.
    QObject::connect(&window, &corvala::MainWindow::startUpFinished, &app, [](bool ok) {
        if (!ok) QCoreApplication::exit(1);
    });
    // The settings place the window before it is shown; a due disclaimer comes up over it.
    if (!window.StartUp(corvala::AppDataFolder())) return 1;
    window.show();
    return app.exec();
}
