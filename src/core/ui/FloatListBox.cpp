#include "core/ui/FloatListBox.h"

#include <QAbstractItemView>
#include <QKeyEvent>
#include <QPainter>
#include <QStyledItemDelegate>

namespace mv {

namespace {

constexpr int kSwatchRole = Qt::UserRole + 1;

// A colour entry is a swatch from x + 2 to x + 20 with its name at x + 22.
class SwatchDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* p, const QStyleOptionViewItem& opt,
               const QModelIndex& index) const override {
        const QVariant swatch = index.data(kSwatchRole);
        if (!swatch.isValid()) {
            QStyledItemDelegate::paint(p, opt, index);
            return;
        }
        const bool sel = opt.state & QStyle::State_Selected;
        p->fillRect(opt.rect, sel ? opt.palette.highlight() : opt.palette.toolTipBase());
        const QRect r = opt.rect;
        p->fillRect(QRect(r.left() + 2, r.top() + 1, 18, r.height() - 2), fromBgr(swatch.toUInt()));
        p->setPen(sel ? opt.palette.highlightedText().color() : opt.palette.text().color());
        p->drawText(QRect(r.left() + 22, r.top(), r.width() - 22, r.height()),
                    Qt::AlignVCenter | Qt::AlignLeft, index.data().toString());
    }
};

} // namespace

TFloatListBox::TFloatListBox(QWidget* mainWindow) : QListWidget(mainWindow) {
    setObjectName("FloatListBox");
    setItemDelegate(new SwatchDelegate(this));
    setFrameShape(QFrame::Box);
    setFrameShadow(QFrame::Plain);
    QPalette p = palette();
    p.setColor(QPalette::Base, p.color(QPalette::ToolTipBase));
    setPalette(p);
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListWidget::itemClicked, this, [this](QListWidgetItem* it) {
        const int idx = row(it);
        returnToGrid();
        emit picked(FGridRow, FGridCol, idx);
    });
    hide();
}

void TFloatListBox::setColourItems(const std::vector<std::pair<QString, unsigned>>& items) {
    clear();
    for (const auto& [name, colour] : items) {
        auto* it = new QListWidgetItem(name, this);
        it->setData(kSwatchRole, colour);
    }
}

void TFloatListBox::setNameItems(const QStringList& names) {
    clear();
    addItems(names);
}

void TFloatListBox::showAt(QWidget* grid, const QRect& cellInViewport, int row, int col,
                           int selected) {
    FSG = grid;
    FGridRow = row;
    FGridCol = col;
    QWidget* host = parentWidget();
    auto* view = qobject_cast<QAbstractItemView*>(grid);
    QWidget* vp = view ? view->viewport() : grid;
    const QPoint cellTopLeft = vp->mapTo(host, cellInViewport.topLeft());
    const int cellBottom = cellTopLeft.y() + cellInViewport.height();
    // 150 pixels high; its bottom 8 pixels below the cell's, so the cell's row stays in sight.
    QRect r(cellTopLeft.x() + 2, cellBottom - 142, cellInViewport.width() + 81, 150);
    if (r.top() < 0)
        r.moveTop(0);
    setGeometry(r);
    setCurrentRow(selected >= 0 && selected < count() ? selected : 0);
    show();
    raise();
    setFocus();
}

void TFloatListBox::keyPressEvent(QKeyEvent* e) {
    const int n = count();
    switch (e->key()) {
    case Qt::Key_Up:
        if (n > 0)
            setCurrentRow(currentRow() <= 0 ? n - 1 : currentRow() - 1);
        return;
    case Qt::Key_Down:
        if (n > 0)
            setCurrentRow(currentRow() >= n - 1 ? 0 : currentRow() + 1);
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter: {
        const int idx = currentRow();
        returnToGrid();
        if (idx >= 0)
            emit picked(FGridRow, FGridCol, idx);
        return;
    }
    case Qt::Key_Escape:
        returnToGrid();
        return;
    default:
        QListWidget::keyPressEvent(e);
    }
}

void TFloatListBox::focusOutEvent(QFocusEvent* e) {
    QListWidget::focusOutEvent(e);
    hide();
}

void TFloatListBox::returnToGrid() {
    hide();
    if (FSG)
        FSG->setFocus();
}

} // namespace mv
