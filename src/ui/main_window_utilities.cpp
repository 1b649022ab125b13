// The utilities under the account panel: the history folder in the file manager, a picture of
// the window, the user guide, a recorded session played again.

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPixmap>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QUrl>

#include "platform/files.h"
#include "platform/install_folder.h"
#include "platform/text.h"
#include "ui/main_window.h"

#include <QMenu>
#include "ui/manual_window.h"
#include "ui/report_window.h"

namespace corvala {

void MainWindow::ConnectUtilities() {
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    picturesFolder_ = pictures.isEmpty() ? QString::fromStdString(sim_->installFolder()) + "/画像"
                                         : pictures + "/Corvala";
    guideFile_ = QString::fromStdString(DefaultInstallPlaces().guideFile);
    report_ = new ReportWindow(*sim_, this);
    report_->setAttribute(Qt::WA_ShowWithoutActivating);  // the keys stay with the main window
    report_->SetPicturesFolder(picturesFolder_);
    connect(reportButton_, &QPushButton::clicked, this, [this] { report_->ShowReport(); });

    connect(historyButton_, &QPushButton::clicked, this, [this] {
        const std::string folder = sim_->day().HistoryFolderToOpen();
        if (!folder.empty()) OpenInFileManager(folder);
        Refresh();
    });
    connect(pictureButton_, &QPushButton::clicked, this, [this] { SavePicture(); });
    connect(sessionButton_, &QPushButton::clicked, this, [this] {
        const QString folder = QString::fromStdString(JoinPath(JoinPath(sim_->installFolder(), kHistoryFolder), kSessionFolder));
        const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("再現するセッション"), folder,
                                                          QStringLiteral("セッション (*.jsonl)"));
        if (!path.isEmpty()) WatchSession(path);
    });
    connect(manualButton_, &QPushButton::clicked, this, [this] {
        if (!manual_) manual_ = new ManualWindow(this);
        if (!manual_->ShowGuide(guideFile_)) {
            sim_->day().ReportNotOpened("マニュアル " + guideFile_.toStdString());
            Refresh();
        }
    });
}

// xdg-open itself, not QDesktopServices: that says only whether xdg-open started, and xdg-open
// without a method for folders ends with a failure nobody would see. The process has no parent:
// a file manager it runs in the foreground outlives the program.
void MainWindow::OpenInFileManager(const std::string& folder) {
    auto* process = new QProcess;
    const QPointer<MainWindow> self(this);
    const auto failed = [self, folder] {
        if (!self) return;
        self->sim_->day().ReportNotOpened(folder);
        self->Refresh();
    };
    connect(process, &QProcess::finished, process, [process, failed](int code, QProcess::ExitStatus status) {
        if (status != QProcess::NormalExit || code != 0) failed();
        process->deleteLater();
    });
    connect(process, &QProcess::errorOccurred, process, [process, failed](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart) return;
        failed();
        process->deleteLater();
    });
    process->start(QStringLiteral("xdg-open"), {QString::fromStdString(folder)});
}

void MainWindow::SetPicturesFolder(const QString& folder) {
    picturesFolder_ = folder;
    if (report_) report_->SetPicturesFolder(folder);
}

void MainWindow::FollowReport() {
    // Shown over an open question it would hide it (the question is answered first), and the
    // program that is closing shows no report at all.
    if (QApplication::activeModalWidget() || closing_) return;
    const bool kept = sim_->trading().record().kept();
    if (kept && !reportShown_) report_->ShowReport();
    // The next display starts another run: the report of the last one goes with it.
    if (!kept && reportShown_) report_->hide();
    reportShown_ = kept;
}

QString MainWindow::WatchSession(const QString& path) {
    std::string why;
    if (auto file = ReadSession(path.toStdString(), why)) why = sim_->player().Play(std::move(*file), /*restoreAfter=*/true);
    if (!why.empty()) sim_->services().SetMessage("再現できません: " + why);
    Refresh();
    return QString::fromStdString(why);
}

QString MainWindow::SavePicture() {
    // What the user sees now, not a state a pending refresh would change.
    Refresh();
    const QPixmap picture = grab();
    const std::string path = sim_->day().PictureFilePath(picturesFolder_.toStdString());
    const bool saved = QDir().mkpath(picturesFolder_) && picture.save(QString::fromStdString(path), "PNG");
    sim_->day().ReportPictureSaved(path, saved);
    Refresh();
    return saved ? QString::fromStdString(path) : QString();
}

void MainWindow::AlertMenu(std::optional<double> price, std::optional<double> near, QPoint global) {
    const bool decimals = sim_->day().data().decimalPrices;
    const auto yen = [&](double p) { return QString::fromStdString(FormatPrice(p, decimals, /*grouped=*/true)); };
    QMenu menu(this);
    menu.setObjectName("alertMenu");
    if (price) {
        QAction* add = menu.addAction(QStringLiteral("%1円にアラートを設定").arg(yen(*price)));
        add->setEnabled(sim_->alerts().prices().size() < PriceAlerts::kMax);
        connect(add, &QAction::triggered, this, [this, p = *price] { sim_->alerts().Add(p); });
    }
    if (sim_->chart().showsDay()) {
        QAction* typed = menu.addAction(QStringLiteral("価格を入力してアラートを設定..."));
        typed->setEnabled(sim_->alerts().prices().size() < PriceAlerts::kMax);
        connect(typed, &QAction::triggered, this, [this] {
            sim_->services().HoldWhile([this] {
                QInputDialog ask(this);
                ask.setWindowTitle(QStringLiteral("アラート"));
                ask.setLabelText(QStringLiteral("価格（円）"));
                ask.setOkButtonText(QStringLiteral("OK"));
                ask.setCancelButtonText(QStringLiteral("キャンセル"));
                if (ask.exec() != QDialog::Accepted) return;
                const QString text = ask.textValue();
                const std::string refused = sim_->alerts().AddTyped(text.trimmed().toStdString(), sim_->day().data().fineTickMode);
                if (!refused.empty()) QMessageBox::warning(this, QStringLiteral("アラート"), QString::fromStdString(refused));
            });
        });
    }
    if (near)
        connect(menu.addAction(QStringLiteral("アラート %1円を消す").arg(yen(*near))), &QAction::triggered, this,
                [this, p = *near] { sim_->alerts().Remove(p); });
    if (!sim_->alerts().prices().empty())
        connect(menu.addAction(QStringLiteral("アラートをすべて消す")), &QAction::triggered, this,
                [this] { sim_->alerts().Clear(); });
    if (menu.isEmpty()) return;
    menu.exec(global);
    Refresh();
}

}  // namespace corvala
