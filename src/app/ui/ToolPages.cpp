#include "app/ui/ToolPages.h"

#include <QPainter>
#include <QScrollArea>
#include <QStyleOptionTab>

namespace mv {

namespace {
QFont tabFont(bool bold) {
    QFont f("Arial");
    f.setPixelSize(12);
    f.setBold(bold);
    return f;
}
} // namespace

ToolTabBar::ToolTabBar(QWidget* parent) : QTabBar(parent) {
    setFont(tabFont(false));
    setDrawBase(true);
    setExpanding(false);
    // All tabs show when there is room; on a narrow window the arrows reach the rest.
    setUsesScrollButtons(true);
    setElideMode(Qt::ElideNone);
}

QSize ToolTabBar::tabSizeHint(int index) const {
    // Room for the bold caption, so the width does not jump when a tab becomes active.
    const QFontMetrics fm(tabFont(true));
    return {fm.horizontalAdvance(tabText(index)) + 9, fm.height() + 8};
}

QSize ToolTabBar::minimumSizeHint() const {
    // Narrower than all tabs is fine: the scroll arrows take over.
    return {120, QTabBar::minimumSizeHint().height()};
}

void ToolTabBar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    for (int i = 0; i < count(); ++i) {
        const QRect r = tabRect(i);
        const bool active = i == currentIndex();
        QStyleOptionTab opt;
        initStyleOption(&opt, i);
        opt.text.clear();
        style()->drawControl(QStyle::CE_TabBarTabShape, &opt, &p, this);
        if (active)
            p.fillRect(r.adjusted(2, 2, -2, 0), QColor(255, 255, 0));
        p.setFont(tabFont(active));
        p.setPen(Qt::black);
        const QFontMetrics fm(p.font());
        p.drawText(r.left() + 4, r.top() + 4 + fm.ascent(), tabText(i));
    }
}

ToolPages::ToolPages(QWidget* parent) : QTabWidget(parent) {
    setObjectName("PageControl1");
    setTabBar(new ToolTabBar(this));
    for (const QString& c : captions()) {
        auto* area = new QScrollArea(this);
        area->setFrameShape(QFrame::NoFrame);
        area->setWidgetResizable(true);
        auto* w = new QWidget(area);
        w->setObjectName(QString(c).remove(' '));
        area->setWidget(w);
        addTab(area, c);
    }
}

QStringList ToolPages::captions() {
    return {"Bulk ID process",  "Generator", "raw to QYTL",
            "Calibr QYTL coef", "Align km",  "Curve2xls"};
}

QWidget* ToolPages::page(Page p) const {
    auto* area = qobject_cast<QScrollArea*>(widget(p));
    return area ? area->widget() : widget(p);
}

} // namespace mv
