#include "core/ui/SignalGridDraw.h"

#include "core/FnColumns.h"
#include "core/SignalStore.h"
#include "core/SignalTable.h"
#include "core/ui/FloatListBox.h"
#include "core/ui/SignalGrid.h"

#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>

namespace mv {

namespace {

const QColor kOrange = fromBgr(0x00B4FF);
const QColor kSilver = fromBgr(0xC0C0C0);
const QColor kLightYellow = fromBgr(0x6FFFFF);

void drawCheck(QPainter* p, const QRect& cell, bool on, const QColor& colour) {
    const QRect r = cell.adjusted(2, 2, -2, -2);
    p->fillRect(r, on ? colour : QColor(Qt::white));
    p->setPen(Qt::gray);
    p->drawRect(r.adjusted(0, 0, -1, -1));
    if (!on)
        return;
    p->setPen(QPen(Qt::black, 2));
    const QPointF a(r.left() + r.width() * 0.22, r.top() + r.height() * 0.52);
    const QPointF b(r.left() + r.width() * 0.42, r.top() + r.height() * 0.75);
    const QPointF c(r.left() + r.width() * 0.80, r.top() + r.height() * 0.25);
    p->drawLine(a, b);
    p->drawLine(b, c);
}

} // namespace

SignalGridDelegate::SignalGridDelegate(TSignalGrid* grid, const SignalStore& store,
                                       const FnColumnsPort& fns)
    : QStyledItemDelegate(grid), grid_(grid), store_(store), fns_(fns) {}

void SignalGridDelegate::paint(QPainter* p, const QStyleOptionViewItem& opt,
                               const QModelIndex& index) const {
    const int row = index.row();
    const int col = index.column();
    const SignalRecord& rec = store_[row + 1];
    const QRect r = opt.rect;
    const bool selected = (opt.state & QStyle::State_Selected) && col != scNo;
    p->save();
    switch (col) {
    case scNo:
        p->fillRect(r, row == grid_->currentRow() ? QColor(Qt::yellow) : kSilver);
        p->setPen(Qt::black);
        p->drawText(r.adjusted(2, 0, -2, 0), Qt::AlignVCenter | Qt::AlignLeft,
                    QString::fromStdString(rowCaption(row + 1)));
        break;
    case scPlot:
        drawCheck(p, r, rec.Plot, kOrange);
        break;
    case scColor:
        p->fillRect(r, Qt::white);
        p->fillRect(r.adjusted(2, 2, -2, -2), fromBgr(rec.SigColor));
        break;
    case scProcFn:
        drawCheck(p, r, rec.ProcFn, kOrange);
        break;
    case scOvr:
        drawCheck(p, r, rec.Ovr, QColor(Qt::gray));
        break;
    case scExport: {
        const QRect box = r.adjusted(2, 2, -2, -2);
        p->fillRect(r, Qt::white);
        p->fillRect(box, rec.SaveDiv < 1 ? QColor(Qt::white) : kOrange);
        p->setPen(Qt::black);
        p->drawText(box.adjusted(2, 0, -2, 0), Qt::AlignVCenter | Qt::AlignRight,
                    QString::fromStdString(exportRateText(rec)));
        break;
    }
    default:
        if (isFnColumn(col)) {
            p->fillRect(r, selected ? opt.palette.highlight().color() : QColor(Qt::white));
            p->setPen(selected ? opt.palette.highlightedText().color() : QColor(Qt::black));
            p->drawText(r.adjusted(2, 0, -2, 0), Qt::AlignVCenter | Qt::AlignLeft,
                        QString::fromStdString(fns_.stepName(row + 1, fnStepOfColumn(col))));
            break;
        }
        QStyleOptionViewItem o(opt);
        if (col == scYValue && !selected)
            p->fillRect(r, kLightYellow);
        const bool greyText = !rec.occupied() && (col == scName || col == scUnits ||
                                                  col == scSensType || col == scNote);
        if (greyText)
            o.palette.setColor(QPalette::Text, Qt::gray);
        QStyledItemDelegate::paint(p, o, index);
        break;
    }
    if (isDrawnColumn(col) && (opt.state & QStyle::State_HasFocus)) {
        p->setPen(QPen(Qt::black, 1, Qt::DotLine));
        p->drawRect(r.adjusted(0, 0, -1, -1));
    }
    p->restore();
}

QWidget* SignalGridDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                          const QModelIndex& index) const {
    auto* ed = new QLineEdit(parent);
    ed->setObjectName("SignalGridEditor");
    ed->setFrame(false);
    const int row = index.row();
    const int col = index.column();
    TSignalGrid* grid = grid_;
    connect(ed, &QLineEdit::textEdited, ed,
            [grid, row, col, ed](const QString& t) { grid->editTextChanged(row, col, t, ed); });
    return ed;
}

void SignalGridDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    if (auto* ed = qobject_cast<QLineEdit*>(editor))
        ed->setText(index.data().toString());
}

void SignalGridDelegate::setModelData(QWidget* editor, QAbstractItemModel*,
                                      const QModelIndex& index) const {
    if (auto* ed = qobject_cast<QLineEdit*>(editor))
        grid_->editFinished(index.row(), index.column(), ed->text());
}

SignalGridHeader::SignalGridHeader(TSignalGrid* grid)
    : QHeaderView(Qt::Horizontal, grid), grid_(grid) {
    setSectionsClickable(true);
    setHighlightSections(false);
}

void SignalGridHeader::paintSection(QPainter* p, const QRect& rect, int logicalIndex) const {
    if (logicalIndex >= scYValue && logicalIndex <= scRms) {
        const bool marked = grid_->SelectedCol[std::size_t(logicalIndex - scYValue)];
        p->save();
        p->fillRect(rect, marked ? fromBgr(0x008000) : QColor(Qt::yellow));
        p->setPen(Qt::gray);
        p->drawRect(rect.adjusted(0, 0, -1, -1));
        p->setPen(marked ? Qt::white : Qt::black);
        p->drawText(rect.adjusted(2, 0, -2, 0), Qt::AlignVCenter | Qt::AlignLeft,
                    QString::fromLatin1(kSignalGridColumns[std::size_t(logicalIndex)].caption));
        p->restore();
        return;
    }
    QHeaderView::paintSection(p, rect, logicalIndex);
}

bool SignalGridHeader::onBorder(int x) const {
    const int idx = logicalIndexAt(x);
    if (idx < 0)
        return true;
    const int left = sectionViewportPosition(idx);
    const int right = left + sectionSize(idx);
    return x - left < 4 || right - x < 4;
}

void SignalGridHeader::mousePressEvent(QMouseEvent* e) {
    const int x = e->position().toPoint().x();
    if (e->button() != Qt::LeftButton || onBorder(x)) {
        // Column sizing stays with the header view.
        resizing_ = true;
        QHeaderView::mousePressEvent(e);
        return;
    }
    resizing_ = false;
    if (clicked)
        clicked(logicalIndexAt(x), e->modifiers());
}

void SignalGridHeader::mouseReleaseEvent(QMouseEvent* e) {
    if (resizing_)
        QHeaderView::mouseReleaseEvent(e);
    resizing_ = false;
}

} // namespace mv
