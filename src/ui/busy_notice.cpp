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
    label_->setText(QString::fromStdString(notice.text));
    label_->setStyleSheet(QString("color: rgb(%1,%2,%3);")
                              .arg(notice.foreground.r)
                              .arg(notice.foreground.g)
                              .arg(notice.foreground.b));
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
