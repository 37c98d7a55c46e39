#include "core/ui/FnParamGrid.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QStyledItemDelegate>

namespace mv {

namespace {

// List parameters draw their current item name; every other cell edits in a line
// edit that turns red while its text is rejected.
class ParamDelegate : public QStyledItemDelegate {
public:
    ParamDelegate(TFnParamGrid* grid, std::function<void(int, const QString&, QLineEdit*)> onEdit)
        : QStyledItemDelegate(grid), onEdit_(std::move(onEdit)) {}
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&,
                          const QModelIndex& index) const override {
        auto* ed = new QLineEdit(parent);
        const int row = index.row();
        connect(ed, &QLineEdit::textEdited, ed,
                [this, row, ed](const QString& t) { onEdit_(row, t, ed); });
        return ed;
    }
    void setModelData(QWidget*, QAbstractItemModel*, const QModelIndex& index) const override {
        // Values are taken while typing; the cell shows the step's value afterwards,
        // so a rejected text does not stay on screen.
        if (auto* grid = qobject_cast<TFnParamGrid*>(parent()))
            grid->refreshRow(index.row());
    }

private:
    std::function<void(int, const QString&, QLineEdit*)> onEdit_;
};

} // namespace

TFnParamGrid::TFnParamGrid(FnColumnsPort& fns, QWidget* mainWindow)
    : QTableWidget(mainWindow), fns_(fns) {
    setObjectName("FnParamGrid");
    setColumnCount(2);
    setColumnWidth(0, 105);
    setColumnWidth(1, 72);
    horizontalHeader()->hide();
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(15);
    verticalHeader()->setMinimumSectionSize(10);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFrameShape(QFrame::Box);
    setFrameShadow(QFrame::Plain);
    QPalette p = palette();
    p.setColor(QPalette::Base, p.color(QPalette::ToolTipBase));
    setPalette(p);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::AllEditTriggers);
    setItemDelegate(new ParamDelegate(this, [this](int row, const QString& t, QLineEdit* ed) {
        onSetEditText(row, t);
        QPalette ep = ed->palette();
        ep.setColor(QPalette::Base, palette().color(QPalette::Base));
        ed->setPalette(ep);
    }));
    // List rows are not typed into; they open ParItemList with Enter.
    connect(this, &QTableWidget::currentCellChanged, this, [this] { itemList_->hide(); });

    itemList_ = new QListWidget(mainWindow);
    itemList_->setObjectName("ParItemList");
    itemList_->setFixedWidth(80);
    itemList_->setFrameShape(QFrame::Box);
    itemList_->setFrameShadow(QFrame::Plain);
    QPalette lp = itemList_->palette();
    lp.setColor(QPalette::Base, QColor(0xF0, 0xF0, 0xF0));
    itemList_->setPalette(lp);
    itemList_->setFocusPolicy(Qt::NoFocus);
    connect(itemList_, &QListWidget::itemClicked, this, [this] { applyListItem(); });
    itemList_->hide();
    hide();
}

bool TFnParamGrid::isListRow(int row) const {
    return row >= 1 && row <= int(params_.size()) && params_[std::size_t(row - 1)].isList;
}

void TFnParamGrid::FnParamGridFill(QPoint pt) {
    if (showDescription)
        showDescription(QString::fromStdString(fns_.description(FSigNo, FFnNo)));
    params_ = fns_.params(FSigNo, FFnNo);
    FFnTyp = QString::fromStdString(fns_.stepName(FSigNo, FFnNo));
    itemList_->hide();
    const int n = int(params_.size());
    if (n == 0) {
        hide();
        return;
    }
    filling_ = true;
    setRowCount(n + 1);
    const auto cell = [this](int r, int c, const QString& t, bool editable) {
        auto* it = new QTableWidgetItem(t);
        Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
        if (editable)
            f |= Qt::ItemIsEditable;
        it->setFlags(f);
        setItem(r, c, it);
    };
    cell(0, 0, QString("Sign. [%1],  func%2").arg(FSigNo).arg(FFnNo + 1), false);
    cell(0, 1, FFnTyp, false);
    item(0, 0)->setBackground(Qt::yellow);
    item(0, 1)->setBackground(Qt::yellow);
    for (int k = 1; k <= n; ++k) {
        const auto& p = params_[std::size_t(k - 1)];
        cell(k, 0, QString::fromStdString(p.name), false);
        item(k, 0)->setBackground(Qt::yellow);
        QString value;
        if (p.isList && p.listIndex >= 0 && p.listIndex < int(p.items.size()))
            value = QString::fromStdString(p.items[std::size_t(p.listIndex)]);
        else if (!p.isList)
            value = QString::fromStdString(p.text);
        cell(k, 1, value, !p.isList);
    }
    filling_ = false;
    const int h = n * 16 + 17;
    setGeometry(pt.x(), pt.y() - h + 15, 105 + 72 + 4, h);
    raise();
    show();
}

void TFnParamGrid::onSetEditText(int row, const QString& text) {
    if (filling_ || isListRow(row) || row < 1 || row > int(params_.size()))
        return;
    const bool ok = fns_.setParam(FSigNo, FFnNo, row, text.toStdString());
    QPalette p = palette();
    p.setColor(QPalette::Base, ok ? p.color(QPalette::ToolTipBase) : QColor(255, 0, 0));
    setPalette(p);
    if (ok)
        params_ = fns_.params(FSigNo, FFnNo);
}

void TFnParamGrid::refreshRow(int row) {
    if (row < 1 || row > int(params_.size()) || isListRow(row))
        return;
    params_ = fns_.params(FSigNo, FFnNo);
    if (row <= int(params_.size()))
        item(row, 1)->setText(QString::fromStdString(params_[std::size_t(row - 1)].text));
    QPalette p = palette();
    p.setColor(QPalette::Base, p.color(QPalette::ToolTipBase));
    setPalette(p);
}

void TFnParamGrid::showItemList() {
    const int row = currentRow();
    const auto& p = params_[std::size_t(row - 1)];
    itemList_->clear();
    for (const auto& s : p.items)
        itemList_->addItem(QString::fromStdString(s));
    itemList_->setFixedHeight(int(p.items.size()) * 14 + 2);
    itemList_->setCurrentRow(p.listIndex);
    const QPoint at = mapTo(parentWidget(), QPoint(width(), rowViewportPosition(row)));
    itemList_->move(at);
    itemList_->raise();
    itemList_->show();
}

void TFnParamGrid::applyListItem() {
    const int row = currentRow();
    if (!isListRow(row))
        return;
    const auto& p = params_[std::size_t(row - 1)];
    const int idx = itemList_->currentRow();
    if (idx >= 0 && idx < int(p.items.size()) && fns_.setParam(FSigNo, FFnNo, row, p.items[idx]))
        params_ = fns_.params(FSigNo, FFnNo);
    itemList_->hide();
    const auto& q = params_[std::size_t(row - 1)];
    if (q.listIndex >= 0 && q.listIndex < int(q.items.size()))
        item(row, 1)->setText(QString::fromStdString(q.items[std::size_t(q.listIndex)]));
}

void TFnParamGrid::keyPressEvent(QKeyEvent* e) {
    const int row = currentRow();
    const bool editorOpen = state() == QAbstractItemView::EditingState;
    if (itemList_->isVisible()) {
        const int n = itemList_->count();
        int step = 0;
        switch (e->key()) {
        case Qt::Key_Up:
            step = -1;
            break;
        case Qt::Key_Down:
            step = 1;
            break;
        case Qt::Key_PageUp:
            step = -10;
            break;
        case Qt::Key_PageDown:
            step = 10;
            break;
        default:
            break;
        }
        if (step != 0 && n > 0) {
            int r = itemList_->currentRow() + step;
            if (r < 0)
                r = n - 1;
            else if (r >= n)
                r = 0;
            itemList_->setCurrentRow(r);
            return;
        }
    }
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && isListRow(row)) {
        if (itemList_->isVisible())
            applyListItem();
        else
            showItemList();
        return;
    }
    if (e->key() == Qt::Key_Escape || (e->key() == Qt::Key_Left && !editorOpen)) {
        itemList_->hide();
        if (returnFocus)
            returnFocus(-1);
        return;
    }
    if (e->key() == Qt::Key_Right && !editorOpen) {
        itemList_->hide();
        if (returnFocus)
            returnFocus(FFnCol + 1);
        return;
    }
    QTableWidget::keyPressEvent(e);
}

} // namespace mv
