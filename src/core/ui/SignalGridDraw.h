#pragma once
// Drawing of the Signal table: the cells the program draws (check marks, colour,
// function names, the export box, the row numbers) and the header row.
#include <QHeaderView>
#include <QStyledItemDelegate>
#include <functional>

namespace mv {

class TSignalGrid;
class SignalStore;
class FnColumnsPort;

class SignalGridDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    SignalGridDelegate(TSignalGrid* grid, const SignalStore& store, const FnColumnsPort& fns);
    void paint(QPainter* p, const QStyleOptionViewItem& opt,
               const QModelIndex& index) const override;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& opt,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;

private:
    TSignalGrid* grid_;
    const SignalStore& store_;
    const FnColumnsPort& fns_;
};

// The header row: columns 7..13 green when marked for the spreadsheet, else yellow.
// A click that is not on a section border is a command, not a selection.
class SignalGridHeader : public QHeaderView {
    Q_OBJECT
public:
    explicit SignalGridHeader(TSignalGrid* grid);
    std::function<void(int col, Qt::KeyboardModifiers)> clicked;

protected:
    void paintSection(QPainter* p, const QRect& rect, int logicalIndex) const override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    bool onBorder(int x) const;
    TSignalGrid* grid_;
    bool resizing_ = false;
};

} // namespace mv
