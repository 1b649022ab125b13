#include "ui/manual_window.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QImage>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

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
    FitPictures();
    raise();
    activateWindow();
    return true;
}

void ManualWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    FitPictures();
}

void ManualWindow::FitPictures() {
    QTextDocument* doc = browser_->document();
    const int scrollBar = browser_->verticalScrollBar()->sizeHint().width();
    const qreal room = std::max<qreal>(100, browser_->viewport()->width() - 2 * doc->documentMargin() - scrollBar);
    struct Picture {
        int position, length;
        QTextImageFormat format;
    };
    std::vector<Picture> pictures;
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (fragment.charFormat().isImageFormat())
                pictures.push_back({fragment.position(), fragment.length(), fragment.charFormat().toImageFormat()});
        }
    }
    for (Picture& p : pictures) {
        const QVariant resource = browser_->loadResource(QTextDocument::ImageResource, QUrl(p.format.name()));
        QImage natural = resource.value<QImage>();
        if (natural.isNull()) natural = QImage::fromData(resource.toByteArray());
        if (natural.isNull() || natural.width() <= 0) continue;
        const qreal width = std::min<qreal>(natural.width(), room);
        if (p.format.width() == width) continue;
        p.format.setWidth(width);
        p.format.setHeight(natural.height() * width / natural.width());
        QTextCursor cursor(doc);
        cursor.setPosition(p.position);
        cursor.setPosition(p.position + p.length, QTextCursor::KeepAnchor);
        cursor.setCharFormat(p.format);
    }
}

}  // namespace corvala
