#include "wheelset/ui/WheelGrids.h"

#include "core/TextNumbers.h"
#include "wheelset/DeviceFunc.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>

namespace mv {

namespace {

const QColor kGreen(0x00, 0xFF, 0x00);
const QColor kRed(0xFF, 0x00, 0x00);
const QColor kYellow(0xFF, 0xFF, 0x00);

QString qs(const std::string& s) {
    return QString::fromStdString(s);
}
std::string ss(const QTableWidget* t, int r, int c) {
    const QTableWidgetItem* i = t->item(r, c);
    return i ? i->text().toStdString() : std::string();
}

// Draws a toggle cell as the inset box, the red and yellow filter cells, else the text.
template <class Grid>
class LookDelegate final : public QStyledItemDelegate {
public:
    explicit LookDelegate(Grid* g) : QStyledItemDelegate(g), g_(g) {}
    void paint(QPainter* p, const QStyleOptionViewItem& opt,
               const QModelIndex& idx) const override {
        const WheelCellLook l = g_->look(idx.row(), idx.column());
        if (l == WheelCellLook::ToggleOn || l == WheelCellLook::ToggleOff) {
            p->fillRect(opt.rect, opt.palette.base());
            p->fillRect(opt.rect.adjusted(2, 2, -2, -2),
                        l == WheelCellLook::ToggleOn ? kGreen : QColor(Qt::white));
            p->setPen(Qt::gray);
            p->drawRect(opt.rect.adjusted(2, 2, -3, -3));
            return;
        }
        if (l == WheelCellLook::Invalid || l == WheelCellLook::Focused) {
            p->fillRect(opt.rect, l == WheelCellLook::Invalid ? kRed : kYellow);
            p->setPen(Qt::black);
            p->drawText(opt.rect.adjusted(2, 0, -2, 0), Qt::AlignVCenter | Qt::AlignLeft,
                        idx.data().toString());
            return;
        }
        QStyledItemDelegate::paint(p, opt, idx);
    }

private:
    Grid* g_;
};

void setupGrid(QTableWidget* t, const std::initializer_list<std::pair<const char*, int>>& cols) {
    t->setRowCount(33);
    t->setColumnCount(static_cast<int>(cols.size()));
    t->horizontalHeader()->hide();
    t->verticalHeader()->hide();
    t->verticalHeader()->setDefaultSectionSize(17);
    int c = 0;
    for (const auto& [caption, width] : cols) {
        auto* it = new QTableWidgetItem(caption);
        it->setFlags(Qt::ItemIsEnabled);
        it->setBackground(t->palette().button());
        t->setItem(0, c, it);
        t->setColumnWidth(c++, width);
    }
    t->setFixedHeight(101);
}

// Enter or Space on a toggle cell switches it between "1" and empty.
bool toggleAt(QTableWidget* t, int row, int col, int toggleCol, QKeyEvent* e) {
    if (row < 1 || col != toggleCol ||
        (e->key() != Qt::Key_Return && e->key() != Qt::Key_Enter && e->key() != Qt::Key_Space))
        return false;
    QTableWidgetItem* it = t->item(row, col);
    it->setText(it->text() == "1" ? QString() : QString("1"));
    return true;
}

} // namespace

TWheelGrid::TWheelGrid(QWidget* parent) : QTableWidget(parent) {
    setObjectName("WheelGrid");
    setupGrid(this, {{"DevNo", 38},
                     {"Wheel name", 80},
                     {"Zeroing", 45},
                     {"High pass", 60},
                     {"Low pass", 60},
                     {"Proc", 33}});
    for (int r = 1; r < kRows; ++r)
        for (int c = 0; c < ColCount; ++c) {
            auto* it = new QTableWidgetItem(c == DevNo ? QString::number(r) : QString());
            Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
            if (c >= WheelName && c <= LowPass)
                f |= Qt::ItemIsEditable;
            it->setFlags(f);
            setItem(r, c, it);
        }
    setItemDelegate(new LookDelegate<TWheelGrid>(this));
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::AnyKeyPressed |
                    QAbstractItemView::EditKeyPressed);
    connect(this, &QTableWidget::currentCellChanged, this, [this] { viewport()->update(); });
}

WheelRowSettings TWheelGrid::row(int n) const {
    return {ss(this, n, WheelName), ss(this, n, Zeroing), ss(this, n, HighPass),
            ss(this, n, LowPass), ss(this, n, Proc)};
}

void TWheelGrid::setRow(int n, const WheelRowSettings& w) {
    item(n, WheelName)->setText(qs(w.WheelName));
    item(n, Zeroing)->setText(qs(w.Zeroing));
    item(n, HighPass)->setText(qs(w.HP));
    item(n, LowPass)->setText(qs(w.LP));
    item(n, Proc)->setText(w.Proceed == "1" ? QString("1") : QString());
}

WheelCellLook TWheelGrid::look(int r, int c) const {
    if (r < 1)
        return WheelCellLook::Plain;
    if (c == Proc)
        return ss(this, r, c) == "1" ? WheelCellLook::ToggleOn : WheelCellLook::ToggleOff;
    if (c == HighPass || c == LowPass) {
        const std::string t = ss(this, r, c);
        if (!t.empty() && !parseUserNumber(t, sep_) && !parseUserNumber(t, '.'))
            return WheelCellLook::Invalid;
        if (hasFocus() && currentRow() == r && currentColumn() == c)
            return WheelCellLook::Focused;
    }
    return WheelCellLook::Plain;
}

void TWheelGrid::keyPressEvent(QKeyEvent* e) {
    if (state() != EditingState && toggleAt(this, currentRow(), currentColumn(), Proc, e))
        return;
    QTableWidget::keyPressEvent(e);
}
void TWheelGrid::focusInEvent(QFocusEvent* e) {
    QTableWidget::focusInEvent(e);
    emit focusChanged(true);
}
void TWheelGrid::focusOutEvent(QFocusEvent* e) {
    QTableWidget::focusOutEvent(e);
    emit focusChanged(false);
}

TDeviceFnGrid::TDeviceFnGrid(QWidget* parent) : QTableWidget(parent) {
    setObjectName("DeviceFnGrid");
    setupGrid(this, {{"No.", 22}, {"FnBuf name", 75}, {"Save", 35}});
    for (int r = 1; r < kRows; ++r)
        for (int c = 0; c < ColCount; ++c) {
            QString text;
            if (c == No)
                text = QString::number(r);
            else if (c == Name)
                text = wheelset::kFnBufCatalogue[static_cast<size_t>(r - 1)].name;
            auto* it = new QTableWidgetItem(text);
            it->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            setItem(r, c, it);
        }
    setItemDelegate(new LookDelegate<TDeviceFnGrid>(this));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    connect(this, &QTableWidget::currentCellChanged, this, [this](int r) {
        if (r >= 1)
            emit hint(QString::fromStdString(wheelset::fnBufHint(r)));
    });
}

std::array<bool, kDevFnRows> TDeviceFnGrid::saveFlags() const {
    std::array<bool, kDevFnRows> f{};
    for (int r = 1; r < kRows; ++r)
        f[static_cast<size_t>(r - 1)] = ss(this, r, Save) == "1";
    return f;
}

void TDeviceFnGrid::setSaveFlags(const std::array<bool, kDevFnRows>& flags) {
    for (int r = 1; r < kRows; ++r)
        item(r, Save)->setText(flags[static_cast<size_t>(r - 1)] ? QString("1") : QString());
}

WheelCellLook TDeviceFnGrid::look(int r, int c) const {
    if (r < 1 || c != Save)
        return WheelCellLook::Plain;
    return ss(this, r, c) == "1" ? WheelCellLook::ToggleOn : WheelCellLook::ToggleOff;
}

void TDeviceFnGrid::keyPressEvent(QKeyEvent* e) {
    if (toggleAt(this, currentRow(), currentColumn(), Save, e))
        return;
    QTableWidget::keyPressEvent(e);
}
void TDeviceFnGrid::focusInEvent(QFocusEvent* e) {
    QTableWidget::focusInEvent(e);
    emit focusChanged(true);
}
void TDeviceFnGrid::focusOutEvent(QFocusEvent* e) {
    QTableWidget::focusOutEvent(e);
    emit focusChanged(false);
}

} // namespace mv
