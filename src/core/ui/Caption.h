#pragma once
// A caption label that belongs to a control: the control is its buddy, so that what
// explains the control (context help) explains its caption too.
#include <QLabel>

namespace mv {

inline QLabel* captionFor(const QString& text, QWidget* control, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    l->setBuddy(control);
    return l;
}

} // namespace mv
