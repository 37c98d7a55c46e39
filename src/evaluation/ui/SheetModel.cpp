#include "evaluation/ui/SheetModel.h"

#include "evaluation/workbook/NumberFormat.h"

#include <QBrush>
#include <QColor>
#include <QFont>

namespace mv {

namespace {
// Room to type below and right of the used cells.
constexpr int kSpareRows = 50;
constexpr int kSpareCols = 10;
constexpr int kMinRows = 100;
constexpr int kMinCols = 26;
} // namespace

SheetModel::SheetModel(SpreadsheetApp& app, Log& log, char decimalSeparator, QObject* parent)
    : QAbstractTableModel(parent), app_(app), log_(log), decimalSeparator_(decimalSeparator) {}

bool SheetModel::valid() const {
    return sheet_.isSet() && app_.isOpen(sheet_);
}

void SheetModel::setSheet(const SheetHandle& h) {
    sheet_ = h;
    reload();
}

void SheetModel::reload() {
    beginResetModel();
    rows_ = cols_ = 0;
    if (valid()) {
        const CellRange used = app_.resolve(sheet_).usedRange();
        rows_ = std::min(kMaxRows, std::max(kMinRows, used.last.row + kSpareRows));
        cols_ = std::min(kMaxColumns, std::max(kMinCols, used.last.col + kSpareCols));
    }
    endResetModel();
}

void SheetModel::grow(int rows, int cols) {
    rows = std::min(kMaxRows, rows);
    cols = std::min(kMaxColumns, cols);
    if (rows > rows_) {
        beginInsertRows({}, rows_, rows - 1);
        rows_ = rows;
        endInsertRows();
    }
    if (cols > cols_) {
        beginInsertColumns({}, cols_, cols - 1);
        cols_ = cols;
        endInsertColumns();
    }
}

int SheetModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}
int SheetModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : cols_;
}

QVariant SheetModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || !valid())
        return {};
    const int r = index.row() + 1;
    const int c = index.column() + 1;
    switch (role) {
    case Qt::DisplayRole:
        return QString::fromStdString(app_.text(sheet_, r, c));
    case Qt::EditRole: {
        // The exact value, so that editing a cell never loses digits it did not change.
        const CellValue v = app_.value2(sheet_, r, c);
        if (v.type == CellType::Number)
            return QString::fromStdString(exactNumberText(v.number));
        return QString::fromStdString(formatValue(v, "General"));
    }
    case Qt::FontRole: {
        if (!app_.bold(sheet_, r, c))
            return {};
        QFont f;
        f.setBold(true);
        return f;
    }
    case Qt::TextAlignmentRole:
        if (app_.value2(sheet_, r, c).isNumber())
            return QVariant(Qt::AlignRight | Qt::AlignVCenter);
        return QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    case Qt::BackgroundRole: {
        const Workbook& wb = app_.workbook(sheet_.workbook);
        const long rgb = wb.styles().fillColor(app_.resolve(sheet_).style(r, c));
        if (rgb < 0)
            return {};
        return QBrush(QColor(static_cast<QRgb>(rgb)));
    }
    default:
        return {};
    }
}

bool SheetModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::EditRole || !valid())
        return false;
    const int r = index.row() + 1;
    const int c = index.column() + 1;
    const std::string text = value.toString().toStdString();
    if (text == data(index, Qt::EditRole).toString().toStdString())
        return false; // nothing changed: the workbook stays saved
    try {
        app_.setValue(sheet_, r, c, parseInput(text, decimalSeparator_));
    } catch (const SpreadsheetError& e) {
        log_.warn(e.what());
        return false;
    }
    emit dataChanged(index, index);
    grow(r + kSpareRows, c + kSpareCols);
    emit edited();
    return true;
}

void SheetModel::setBold(const QModelIndexList& cells, bool bold) {
    if (!valid() || cells.isEmpty())
        return;
    try {
        for (const QModelIndex& i : cells)
            app_.setBold(sheet_, i.row() + 1, i.column() + 1, bold);
    } catch (const SpreadsheetError& e) {
        log_.warn(e.what());
    }
    for (const QModelIndex& i : cells)
        emit dataChanged(i, i, {Qt::FontRole});
    emit edited();
}

Qt::ItemFlags SheetModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable;
}

QVariant SheetModel::headerData(int section, Qt::Orientation o, int role) const {
    if (role != Qt::DisplayRole)
        return {};
    if (o == Qt::Horizontal)
        return QString::fromStdString(columnLetters(section + 1));
    return section + 1;
}

} // namespace mv
