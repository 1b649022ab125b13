#include <QApplication>
#include <QFont>
#include <QMessageBox>

#include "platform/files.h"
#include "platform/install_folder.h"
#include "settings/settings_dialog.h"
#include "ui/app_icon.h"
#include "ui/main_window.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Corvala");
    QApplication::setDesktopFileName("corvala");
    QApplication::setWindowIcon(corvala::AppIcon());
    QFont font("Noto Sans CJK JP");
    font.setPointSize(9);
    QApplication::setFont(font);

    // An installed package fills the user's own install folder at its first start.
    const corvala::InstallFolderChoice install =
        corvala::ChooseInstallFolder(corvala::DefaultInstallPlaces(), corvala::kProgramVersion);
    if (!install.problem.empty())
        QMessageBox::warning(nullptr, QStringLiteral("インストールフォルダ"), QString::fromStdString(install.problem));

    corvala::MainWindow window(install.folder, std::string());
    // A stock list missing after the disclaimer ends the program from inside the event loop.
    QObject::connect(&window, &corvala::MainWindow::startUpFinished, &app, [](bool ok) {
        if (!ok) QCoreApplication::exit(1);
    });
    // The settings place the window before it is shown; a due disclaimer comes up over it.
    if (!window.StartUp(corvala::AppDataFolder())) return 1;
    window.show();
    return app.exec();
}
