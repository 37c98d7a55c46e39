#include "core/ui/StatusProgress.h"

#include <QApplication>
#include <QKeyEvent>
#include <QProgressBar>
#include <QStatusBar>
#include <algorithm>
#include <cmath>

namespace mv {

StatusProgress::StatusProgress(QStatusBar* bar) : QObject(bar) {
    bar_ = new QProgressBar(bar);
    bar_->setObjectName("CommandProgress");
    bar_->setRange(0, 1000);
    bar_->setMinimumWidth(260);
    bar_->setTextVisible(true);
    bar_->hide();
    bar->addPermanentWidget(bar_);
}

StatusProgress::~StatusProgress() {
    if (depth_ > 0)
        qApp->removeEventFilter(this);
}

StatusProgress::Scope::Scope(StatusProgress& p) : p_(p) {
    if (p_.depth_++ == 0) {
        p_.cancelled_ = false;
        qApp->installEventFilter(&p_);
    }
}

StatusProgress::Scope::~Scope() {
    if (--p_.depth_ == 0) {
        qApp->removeEventFilter(&p_);
        if (p_.bar_)
            p_.bar_->hide();
    }
}

void StatusProgress::report(double fraction, std::string_view text) {
    if (depth_ == 0) {
        // Outside a command nothing may be cancelled and the input is not held back.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        return;
    }
    if (bar_) {
        const double f = std::isfinite(fraction) ? std::clamp(fraction, 0.0, 1.0) : 0.0;
        bar_->setValue(static_cast<int>(std::lround(f * 1000.0)));
        bar_->setFormat(QString::fromUtf8(text.data(), int(text.size())) +
                        (text.empty() ? "" : "  ") + "%p%  (Esc stops)");
        bar_->show();
    }
    // Everything but the user's input runs, so the window repaints; the event filter
    // holds the input back and takes Esc.
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

bool StatusProgress::eventFilter(QObject* watched, QEvent* e) {
    switch (e->type()) {
    case QEvent::KeyPress:
    case QEvent::ShortcutOverride:
        if (static_cast<QKeyEvent*>(e)->key() == Qt::Key_Escape && e->type() == QEvent::KeyPress)
            cancelled_ = true;
        return true;
    case QEvent::KeyRelease:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::Shortcut:
    case QEvent::Drop:
        return true;
    default:
        return QObject::eventFilter(watched, e);
    }
}

} // namespace mv
