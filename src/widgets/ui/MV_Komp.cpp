#include "widgets/ui/MV_Komp.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWheelEvent>

namespace mv {

TNumberEdit::TNumberEdit(QWidget* parent) : QLineEdit(parent) {
    connect(this, &QLineEdit::textChanged, this, &TNumberEdit::Change);
}

void TNumberEdit::Change(const QString& text) {
    const bool ok = v_.change(text.toStdString());
    QPalette p = palette();
    p.setColor(QPalette::Base,
               ok ? QApplication::palette(this).color(QPalette::Base) : QColor(255, 0, 0));
    setPalette(p);
    if (ok)
        emit numberChanged();
}

void TNumberEdit::step(int steps) {
    if (const auto t = v_.stepText(steps, sep_)) {
        const QString text = QString::fromStdString(*t);
        if (text == this->text())
            Change(text); // the text is rewritten even when it stays the same
        else
            setText(text);
    }
}

void TNumberEdit::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Up || e->key() == Qt::Key_Down) {
        const int n = v_.FNumberTyp != ntEnum && (e->modifiers() & Qt::ShiftModifier) ? 10 : 1;
        step(e->key() == Qt::Key_Up ? n : -n);
        e->accept();
        return;
    }
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter)
        emit enterPressed();
    QLineEdit::keyPressEvent(e);
}

void TNumberEdit::wheelEvent(QWheelEvent* e) {
    // Only the focused edit under the mouse takes the wheel; otherwise it scrolls
    // whatever is behind it.
    if (!hasFocus() || !rect().contains(e->position().toPoint())) {
        e->ignore();
        return;
    }
    e->accept();
    if (v_.FNumberTyp != ntInteger && v_.FNumberTyp != ntDouble)
        return;
    // Some platforms turn Shift+wheel into a horizontal wheel.
    const int delta = e->angleDelta().y() != 0 ? e->angleDelta().y() : e->angleDelta().x();
    if (delta == 0)
        return;
    const int n = (e->modifiers() & Qt::ShiftModifier) ? 10 : 1;
    step(delta > 0 ? n : -n);
}

} // namespace mv
