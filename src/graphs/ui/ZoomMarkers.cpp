#include "graphs/ui/ZoomMarkers.h"

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QWidget>

namespace mv {

namespace {
void setMarkerColour(QLabel* l, bool lime) {
    QPalette pal = l->palette();
    pal.setColor(QPalette::Window, lime ? QColor(0, 255, 0) : pal.color(QPalette::ToolTipBase));
    l->setPalette(pal);
}
} // namespace

ZoomMarkers::ZoomMarkers(QWidget* host, int image1Left) : QObject(host) {
    QFont font("Arial");
    font.setPointSize(7);
    for (int i = 1; i <= 10; ++i) {
        auto* l = new QLabel(QString::number(i), host);
        l->setFont(font);
        l->setAutoFillBackground(true);
        l->setGeometry(image1Left + 10 * i + 5, 0, 8, 9);
        l->setProperty("tag", i);
        l->hide();
        setMarkerColour(l, false);
        l->installEventFilter(this);
        labels_[std::size_t(i - 1)] = l;
    }
}

void ZoomMarkers::highlight(int i, int x) {
    for (QLabel* l : labels_)
        setMarkerColour(l, false);
    QLabel* l = marker(i);
    setMarkerColour(l, true);
    l->move(x, l->y());
    l->raise();
    l->show();
}

void ZoomMarkers::setTop(int top) {
    for (QLabel* l : labels_)
        l->move(l->x(), top);
}

bool ZoomMarkers::eventFilter(QObject* watched, QEvent* event) {
    auto* l = qobject_cast<QLabel*>(watched);
    if (!l)
        return false;
    const int i = l->property("tag").toInt();
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* me = static_cast<QMouseEvent*>(event);
        if (me->button() == Qt::LeftButton)
            grabOffset_ = int(me->position().x());
        return true;
    }
    case QEvent::MouseMove: {
        auto* me = static_cast<QMouseEvent*>(event);
        if (me->buttons() & Qt::LeftButton) {
            const QPoint inHost = l->mapToParent(me->position().toPoint());
            emit dragged(i, inHost.x() - grabOffset_);
        }
        return true;
    }
    case QEvent::MouseButtonRelease: {
        auto* me = static_cast<QMouseEvent*>(event);
        if (me->button() == Qt::LeftButton)
            emit released(i);
        return true;
    }
    default:
        return false;
    }
}

} // namespace mv
