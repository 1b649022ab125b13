#include "ui/splash.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QSplashScreen>

#include "settings/settings_dialog.h"

namespace corvala {

QWidget* ShowSplash(QWidget* over) {
    QPixmap picture(420, 180);
    picture.fill(Qt::black);
    {
        QPainter p(&picture);
        p.setPen(QColor(255, 210, 0));
        QFont title = p.font();
        title.setPointSize(26);
        title.setBold(true);
        p.setFont(title);
        p.drawText(QRect(0, 30, 420, 60), Qt::AlignCenter, QStringLiteral("Corvala"));
        QFont sub = p.font();
        sub.setPointSize(12);
        sub.setBold(false);
        p.setFont(sub);
        p.setPen(Qt::white);
        p.drawText(QRect(0, 90, 420, 30), Qt::AlignCenter, QStringLiteral("株式売買練習"));
        p.setPen(QColor(160, 160, 160));
        p.drawText(QRect(0, 135, 420, 30), Qt::AlignCenter,
                   QStringLiteral("Ver%1  起動中…").arg(QString::fromUtf8(kProgramVersion)));
    }
    QScreen* screen = over && over->screen() ? over->screen() : QGuiApplication::primaryScreen();
    auto* splash = new QSplashScreen(screen, picture);
    splash->setObjectName("splash");
    splash->setAttribute(Qt::WA_DeleteOnClose);
    splash->show();
    return splash;
}

}  // namespace corvala
