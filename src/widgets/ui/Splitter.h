#pragma once
// TSplitControl: drags a splitter bar and gives the control in front of it its new
// size when the mouse is released. While dragging, a line follows the mouse over
// the form (an overlay stands in for the inverted line).
#include <QPoint>
#include <QPointer>
#include <QWidget>

namespace mv {

class TSplitControl {
public:
    explicit TSplitControl(QWidget* AForm);
    ~TSplitControl();
    TSplitControl(const TSplitControl&) = delete;
    TSplitControl& operator=(const TSplitControl&) = delete;

    void BeginSizing(QWidget* ASplitControl, QWidget* ATargetControl);
    // Mouse position in the bar's own coordinates.
    void ChangeSizing(int X, int Y);
    void EndSizing();
    bool IsSizing() const { return !FSplitControl.isNull(); }

    // Where the line is drawn now, in form coordinates (for tests).
    QRect sizingLine() const;

private:
    void DrawSizingLine();

    QWidget* FForm;
    QPointer<QWidget> FSplitControl;
    QPointer<QWidget> FSizeTarget;
    bool FVertical = false;
    QPoint FSplit;
    int F_max_dim = 0;
    QWidget* line_ = nullptr;
};

// The bar itself: a thin widget that drives a TSplitControl with its mouse.
class TSplitterBar : public QWidget {
    Q_OBJECT
public:
    TSplitterBar(TSplitControl& ctl, QWidget* target, bool horizontalBar, QWidget* parent);
    void setTarget(QWidget* target) { target_ = target; }

signals:
    void resized();

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    TSplitControl& ctl_;
    QWidget* target_;
};

} // namespace mv
