#include "ui/busy_notice.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "replay/display_model.h"

namespace corvala {

BusyNoticeWindow::BusyNoticeWindow(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint) {
    setWindowTitle(QStringLiteral("処理中"));
    setObjectName("busyNotice");
    setStyleSheet("background-color: black;");
    label_ = new QLabel(this);
    label_->setObjectName("busyLabel");
    label_->setAlignment(Qt::AlignCenter);
    label_->setWordWrap(true);
    stopButton_ = new QPushButton(QStringLiteral("歩み値停止"), this);
    stopButton_->setObjectName("tapeStopButton");
    stopButton_->setStyleSheet("background-color: rgb(192,192,192); color: black;");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label_);
    layout->addWidget(stopButton_, 0, Qt::AlignHCenter);
    connect(stopButton_, &QPushButton::clicked, this, &BusyNoticeWindow::tapeStopPressed);
    setFixedSize(360, 100);
}

void BusyNoticeWindow::Show(const BusyNotice& notice) {
    const QString text = QString::fromStdString(notice.text);
    if (label_->text() != text) {
        label_->setText(text);
        // The tape can be stopped only while the day is being read; the pre-open requests
        // reuse the window without it.
        stopButton_->setVisible(notice.text == kBusyDefaultText);
    }
    const QString css = QString("color: rgb(%1,%2,%3);")
                            .arg(notice.foreground.r)
                            .arg(notice.foreground.g)
                            .arg(notice.foreground.b);
    if (label_->styleSheet() != css) label_->setStyleSheet(css);
    if (notice.visible && !isVisible()) {
        if (parentWidget()) {
            const QRect owner = parentWidget()->frameGeometry();
            move(owner.center() - QPoint(width() / 2, height() / 2));
        }
        show();
    } else if (!notice.visible && isVisible()) {
        hide();
    }
}

void BusyNoticeWindow::closeEvent(QCloseEvent* event) {
    // The notice goes away when the work is done, not when the user asks.
    event->ignore();
}

}  // namespace corvala
