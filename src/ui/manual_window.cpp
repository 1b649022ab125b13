#include "ui/manual_window.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace corvala {

ManualWindow::ManualWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("manualWindow");
    setWindowTitle(QStringLiteral("Corvala マニュアル"));
    browser_ = new QTextBrowser(this);
    browser_->setObjectName("manualBrowser");
    browser_->setOpenLinks(true);
    browser_->setOpenExternalLinks(true);
    browser_->setStyleSheet("QTextBrowser { background: white; color: black; }");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(browser_);
    resize(960, 760);
}

bool ManualWindow::ShowGuide(const QString& guideFile) {
    const QFileInfo info(guideFile);
    if (!info.isFile() || !info.isReadable()) return false;
    browser_->setSearchPaths({info.absolutePath()});
    browser_->setSource(QUrl::fromLocalFile(info.absoluteFilePath()), QTextDocument::MarkdownResource);
    if (browser_->document()->isEmpty()) return false;
    show();
    raise();
    activateWindow();
    return true;
}

}  // namespace corvala
