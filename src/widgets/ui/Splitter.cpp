#include "widgets/ui/Splitter.h"

#include "widgets/NumberValue.h"

#include <QMouseEvent>

namespace mv {

TSplitControl::TSplitControl(QWidget* AForm) : FForm(AForm) {}

TSplitControl::~TSplitControl() {
    delete line_;
}

void TSplitControl::BeginSizing(QWidget* ASplitControl, QWidget* ATargetControl) {
    if (!ASplitControl || !ATargetControl)
        return;
    // The bar keeps the mouse from its press to its release (implicit grab).
    FSplitControl = ASplitControl;
    FSizeTarget = ATargetControl;
    FVertical = ASplitControl->height() < ASplitControl->width();
    // The line starts on the bar itself.
    FSplit = QPoint(0, 0);
    const QPoint targetInForm = ATargetControl->mapTo(FForm, QPoint(0, 0));
    F_max_dim = FVertical ? FForm->height() - targetInForm.y() : FForm->width() - targetInForm.x();
    if (!line_) {
        line_ = new QWidget(FForm);
        line_->setAttribute(Qt::WA_TransparentForMouseEvents);
        line_->setAutoFillBackground(true);
        QPalette p = line_->palette();
        p.setColor(QPalette::Window, Qt::darkGray);
        line_->setPalette(p);
    }
    DrawSizingLine();
    line_->show();
    line_->raise();
}

QRect TSplitControl::sizingLine() const {
    if (!IsSizing())
        return {};
    const QPoint inForm = FSplitControl->mapTo(FForm, FSplit);
    const QPoint target = FSizeTarget->mapTo(FForm, QPoint(0, 0));
    const QPoint bar = FSplitControl->mapTo(FForm, QPoint(0, 0));
    if (FVertical)
        return QRect(bar.x(), sizingLinePos(inForm.y(), target.y()), FSplitControl->width(),
                     FSplitControl->height());
    return QRect(sizingLinePos(inForm.x(), target.x()), bar.y(), FSplitControl->width(),
                 FSplitControl->height());
}

void TSplitControl::DrawSizingLine() {
    if (line_ && IsSizing())
        line_->setGeometry(sizingLine());
}

void TSplitControl::ChangeSizing(int X, int Y) {
    if (!IsSizing())
        return;
    if (FVertical)
        FSplit.setY(Y);
    else
        FSplit.setX(X);
    DrawSizingLine();
}

void TSplitControl::EndSizing() {
    if (!IsSizing())
        return;
    const QPoint inTarget =
        FSplitControl->mapTo(FForm, FSplit) - FSizeTarget->mapTo(FForm, QPoint(0, 0));
    if (line_)
        line_->hide();
    QWidget* target = FSizeTarget;
    FSplitControl = nullptr;
    FSizeTarget = nullptr;
    if (!target)
        return;
    if (FVertical)
        target->setFixedHeight(splitTargetSize(inTarget.y(), F_max_dim));
    else
        target->setFixedWidth(splitTargetSize(inTarget.x(), F_max_dim));
}

TSplitterBar::TSplitterBar(TSplitControl& ctl, QWidget* target, bool horizontalBar, QWidget* parent)
    : QWidget(parent), ctl_(ctl), target_(target) {
    if (horizontalBar) {
        setFixedHeight(5);
        setCursor(Qt::SizeVerCursor);
    } else {
        setFixedWidth(5);
        setCursor(Qt::SizeHorCursor);
    }
}

void TSplitterBar::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton)
        ctl_.BeginSizing(this, target_);
}

void TSplitterBar::mouseMoveEvent(QMouseEvent* e) {
    if (ctl_.IsSizing())
        ctl_.ChangeSizing(e->position().toPoint().x(), e->position().toPoint().y());
}

void TSplitterBar::mouseReleaseEvent(QMouseEvent*) {
    if (ctl_.IsSizing()) {
        ctl_.EndSizing();
        emit resized();
    }
}

} // namespace mv
