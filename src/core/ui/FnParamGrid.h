#pragma once
// FnParamGrid: the small grid beside a function cell of the Signal table where the
// parameters of that step's function are edited; list parameters pick their item
// from ParItemList.
#include "core/FnColumns.h"

#include <QListWidget>
#include <QTableWidget>
#include <functional>

namespace mv {

class TFnParamGrid : public QTableWidget {
    Q_OBJECT
public:
    TFnParamGrid(FnColumnsPort& fns, QWidget* mainWindow);

    int FFnCol = 0;
    int FSigNo = 0;
    int FFnNo = 0;
    QString FFnTyp; // the function's name

    // Fills the grid for (FSigNo, FFnNo) and shows it with its left edge at pt.x and
    // its last row level with pt.y (main-window coordinates); hides it for a function
    // without parameters.
    void FnParamGridFill(QPoint pt);
    QListWidget* ParItemList() const { return itemList_; }
    // Shows the stored value of parameter row `row` again (after its editor closed).
    void refreshRow(int row);

    // The grid hands the focus back to the Signal table, optionally moving its column.
    std::function<void(int newCol)> returnFocus;
    std::function<void(const QString&)> showDescription;

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    void onSetEditText(int row, const QString& text);
    void applyListItem();
    void showItemList();
    bool isListRow(int row) const;

    FnColumnsPort& fns_;
    std::vector<FnParamInfo> params_;
    QListWidget* itemList_;
    bool filling_ = false;
};

} // namespace mv
