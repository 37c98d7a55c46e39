#include "app/ui/ToolPages.h"

#include <QPainter>
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
    setUsesScrollButtons(false);
    setElideMode(Qt::ElideNone);
}

QSize ToolTabBar::tabSizeHint(int index) const {
    // Room for the bold caption, so the width does not jump when a tab becomes active.
    const QFontMetrics fm(tabFont(true));
    return {fm.horizontalAdvance(tabText(index)) + 9, fm.height() + 8};
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
    const char* captions[kPageCount] = {"Bulk ID process",  "Generator", "raw to QYTL",
                                        "Calibr QYTL coef", "Align km",  "Curve2xls"};
    for (const char* c : captions) {
        auto* w = new QWidget(this);
        w->setObjectName(QString(c).remove(' '));
        addTab(w, c);
    }
}

} // namespace mv
