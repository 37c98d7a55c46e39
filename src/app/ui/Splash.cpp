#include "app/ui/Splash.h"

#include "core/Version.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

namespace mv {

Splash::Splash() : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint) {
    setObjectName("Splash");
    resize(420, 180);
    if (const QScreen* s = QGuiApplication::primaryScreen())
        move(s->geometry().center() - rect().center());
}

void Splash::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), QColor(255, 255, 225));
    p.setPen(QColor(128, 0, 0));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    QFont f = font();
    f.setPointSize(20);
    f.setBold(true);
    p.setFont(f);
    p.drawText(rect().adjusted(0, 20, 0, -60), Qt::AlignCenter, "MVtervik");
    f.setPointSize(10);
    f.setBold(false);
    p.setFont(f);
    p.setPen(Qt::black);
    p.drawText(rect().adjusted(0, 80, 0, -20), Qt::AlignCenter,
               QString("%1 %2").arg(kAppTitle, kVersion));
}

} // namespace mv
