#pragma once
// One sheet of an open workbook as a table model: what the cells show under their
// number formats, bold and fill, and typed values written back to the engine.
#include "core/Log.h"
#include "evaluation/workbook/SpreadsheetApp.h"

#include <QAbstractTableModel>

namespace mv {

class SheetModel : public QAbstractTableModel {
    Q_OBJECT
public:
    SheetModel(SpreadsheetApp& app, Log& log, char decimalSeparator, QObject* parent = nullptr);

    // Shows another sheet (or none, with an unset handle).
    void setSheet(const SheetHandle& h);
    const SheetHandle& sheet() const { return sheet_; }
    // Re-reads the size and every cell, after the engine changed the sheet.
    void reload();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;

    // Sets bold on the cells; tells the views.
    void setBold(const QModelIndexList& cells, bool bold);

signals:
    // A cell value or format changed (the workbook now has unsaved changes).
    void edited();

private:
    bool valid() const;
    void grow(int rows, int cols);

    SpreadsheetApp& app_;
    Log& log_;
    char decimalSeparator_;
    SheetHandle sheet_;
    int rows_ = 0;
    int cols_ = 0;
};

} // namespace mv
