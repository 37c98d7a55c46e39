#include "core/ui/SignalGrid.h"

#include "core/ui/FloatListBox.h"
#include "core/ui/FnParamGrid.h"
#include "core/ui/SignalGridDraw.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QTimer>

namespace mv {

TSignalGrid::TSignalGrid(const SignalTableView& ws, FnColumnsPort& fns, Log& log, QWidget* host,
                         QWidget* parent)
    : QTableWidget(kSlotCount, kSigGridCols, parent), ws_(ws), fns_(fns), log_(log),
      host_(host ? host : this) {
    setObjectName("SignalGrid");
    auto* header = new SignalGridHeader(this);
    setHorizontalHeader(header);
    header->clicked = [this](int col, Qt::KeyboardModifiers m) { headerClicked(col, m); };
    QStringList captions;
    for (const auto& c : kSignalGridColumns)
        captions << QString::fromLatin1(c.caption);
    setHorizontalHeaderLabels(captions);
    for (int c = 0; c < kSigGridCols; ++c) {
        setColumnWidth(c, kSignalGridColumns[std::size_t(c)].width);
        horizontalHeaderItem(c)->setToolTip(QString::fromStdString(headerKeyHint(c)));
    }
    fitCaptions();
    header->setProperty(kKeepsToolTips, true);
    header->viewport()->setProperty(kKeepsToolTips, true);
    header->setMinimumSectionSize(8);
    verticalHeader()->hide();
    verticalHeader()->setMinimumSectionSize(10);
    verticalHeader()->setDefaultSectionSize(16);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed);
    setItemDelegate(new SignalGridDelegate(this, ws_.store, fns_));
    setFixedHeight(180);
    buildCells();

    pickList_ = new TFloatListBox(host_);
    connect(pickList_, &TFloatListBox::picked, this, &TSignalGrid::pickListChosen);
    paramGrid_ = new TFnParamGrid(fns_, host_);
    paramGrid_->returnFocus = [this](int newCol) {
        if (newCol >= 0 && newCol < kSigGridCols)
            setCurrentCell(currentRow(), newCol);
        setFocus();
    };
    paramGrid_->showDescription = [this](const QString& t) {
        if (showStatus)
            showStatus(t);
    };

    menu_ = new QMenu(this);
    menu_->setObjectName("SignalGridPopupMenu");
    menu_->addAction("Open signal ...", this, [this] { command([this] { OpenSignal(true); }); })
        ->setObjectName("PopupOpenSignal");
    menu_->addAction("Delete signal", this, [this] { command([this] { DeleteSignal(); }); })
        ->setObjectName("PopupDeleteSignal");
    menu_
        ->addAction("Save signal to actual directory", this,
                    [this] {
                        command([this] {
                            if (saveSlotToActualDir)
                                saveSlotToActualDir(currentSlot());
                        });
                    })
        ->setObjectName("PopupSaveSignalToActualDir");

    connect(this, &QTableWidget::cellClicked, this, &TSignalGrid::cellClickedAt);
    connect(this, &QTableWidget::currentCellChanged, this,
            [this](int row, int col, int prevRow, int) {
                currentChanged(row, col);
                if (prevRow >= 0 && prevRow != row)
                    repaintRow(prevRow);
            });
    SignalGridUpdate(0);
}

void TSignalGrid::buildCells() {
    updating_ = true;
    for (int r = 0; r < kSlotCount; ++r)
        for (int c = 0; c < kSigGridCols; ++c) {
            auto* it = new QTableWidgetItem;
            Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
            // "Y value" opens its editor only through Ctrl+F2 (see edit()).
            if (isEditableColumn(c) || c == scYValue)
                f |= Qt::ItemIsEditable;
            it->setFlags(f);
            setItem(r, c, it);
        }
    updating_ = false;
}

void TSignalGrid::SignalGridUpdate(int n) {
    const int from = n == 0 ? 1 : n;
    const int to = n == 0 ? kSlotCount : n;
    if (!SignalStore::validSlot(from) || !SignalStore::validSlot(to))
        return;
    updating_ = true;
    for (int slot = from; slot <= to; ++slot) {
        std::optional<WindowStats> st;
        if (statsOf && ws_.store[slot].occupied() && ws_.store[slot].Plot)
            st = statsOf(slot);
        const RowTexts t = signalRowTexts(ws_.store[slot], IsPath, st, ws_.decimalSeparator);
        for (int c = 0; c < kSigGridCols; ++c)
            if (t[std::size_t(c)]) {
                QTableWidgetItem* it = item(slot - 1, c);
                const QString s = QString::fromStdString(*t[std::size_t(c)]);
                if (it->text() != s)
                    it->setText(s);
            }
    }
    updating_ = false;
    fitNumberColumns(from - 1, to - 1);
    viewport()->update();
}

void TSignalGrid::fitNumberColumns(int fromRow, int toRow) {
    static constexpr int kNumberCols[] = {scFs,  scId,  scYValue, scSamplNo, scSamples,
                                          scMin, scMax, scMean,   scRms,     scOffs};
    const QFontMetrics fm(font());
    for (int c : kNumberCols) {
        int need = 0;
        for (int r = std::max(fromRow, 0); r <= toRow && r < kSlotCount; ++r)
            need = std::max(need, fm.horizontalAdvance(item(r, c)->text()));
        need += 8; // the cell's margins
        if (need > columnWidth(c))
            setColumnWidth(c, need);
    }
}

void TSignalGrid::fitCaptions() {
    // The fixed widths were made for a smaller font; a caption is never cut ("ProcFr").
    const QFontMetrics fm(horizontalHeader()->font());
    for (int c = 0; c < kSigGridCols; ++c) {
        const int need =
            fm.horizontalAdvance(QString::fromLatin1(kSignalGridColumns[std::size_t(c)].caption)) +
            8;
        if (need > columnWidth(c))
            setColumnWidth(c, need);
    }
}

std::array<int, kSigGridCols> TSignalGrid::columnWidths() const {
    std::array<int, kSigGridCols> w{};
    for (int c = 0; c < kSigGridCols; ++c)
        w[std::size_t(c)] = columnWidth(c);
    return w;
}

void TSignalGrid::setColumnWidths(const std::array<int, kSigGridCols>& widths) {
    for (int c = 0; c < kSigGridCols; ++c)
        setColumnWidth(c, widths[std::size_t(c)]);
    fitCaptions();
    fitNumberColumns(0, kSlotCount - 1);
}

void TSignalGrid::setCursorCells(int slot, const QString& value, const QString& samplNo) {
    if (!SignalStore::validSlot(slot))
        return;
    item(slot - 1, scYValue)->setText(value);
    item(slot - 1, scSamplNo)->setText(samplNo);
    fitNumberColumns(slot - 1, slot - 1);
}

void TSignalGrid::selectCell(int slot, int col) {
    if (SignalStore::validSlot(slot) && col >= 0 && col < kSigGridCols)
        setCurrentCell(slot - 1, col);
}

QString TSignalGrid::cellText(int row, int col) const {
    const QTableWidgetItem* it = item(row, col);
    return it ? it->text() : QString();
}

void TSignalGrid::repaintRow(int row) {
    if (row < 0 || row >= kSlotCount)
        return;
    const QRect r = visualRect(model()->index(row, 0));
    viewport()->update(QRect(0, r.top(), viewport()->width(), r.height()));
}

void TSignalGrid::redraw() {
    if (redrawGraphs)
        redrawGraphs();
    else
        SignalGridUpdate(0);
}

void TSignalGrid::draw() {
    if (drawGraphs)
        drawGraphs();
    else if (redrawGraphs)
        redrawGraphs();
}

// ---- mouse -------------------------------------------------------------------

void TSignalGrid::cellClickedAt(int row, int col) {
    toggleCell(row, col);
    repaintRow(row);
}

bool TSignalGrid::toggleCell(int row, int col) {
    SignalRecord& r = rec(row);
    switch (col) {
    case scPlot:
        r.Plot = !r.Plot;
        // The statistics columns follow the Plot flag: a full redraw.
        redraw();
        return true;
    case scColor:
        openPickList(row, col);
        return true;
    case scProcFn:
        r.ProcFn = !r.ProcFn;
        return true;
    case scOvr:
        r.Ovr = !r.Ovr;
        return true;
    default:
        return false;
    }
}

void TSignalGrid::headerClicked(int col, Qt::KeyboardModifiers mods) {
    switch (col) {
    case scPlot:
        toggleAllPlot(ws_.store);
        redraw();
        break;
    case scName:
        IsPath = !IsPath;
        SignalGridUpdate(0);
        break;
    case scProcFn:
        toggleAllProcFn(ws_.store, [this](int slot) { return fns_.hasFunction(slot); });
        break;
    case scOvr:
        toggleAllOvr(ws_.store);
        break;
    case scExport:
        toggleAllSaveDiv(ws_.store);
        break;
    default:
        if (col >= scYValue && col <= scRms) {
            if (mods & Qt::ControlModifier) {
                if (copyStatsToSpreadsheet)
                    copyStatsToSpreadsheet();
            } else {
                bool& mark = SelectedCol[std::size_t(col - scYValue)];
                mark = !mark;
            }
            horizontalHeader()->viewport()->update();
        }
        break;
    }
    viewport()->update();
}

void TSignalGrid::contextMenuEvent(QContextMenuEvent* e) {
    const QModelIndex idx = indexAt(viewport()->mapFromGlobal(e->globalPos()));
    if (!idx.isValid() || idx.column() != scName)
        return;
    setCurrentCell(idx.row(), scName);
    menu_->popup(e->globalPos());
}

// ---- selecting -----------------------------------------------------------------

void TSignalGrid::currentChanged(int row, int col) {
    if (row < 0 || col < 0)
        return;
    yValueEditing_ = false;
    if (isFnColumn(col)) {
        showParamGrid(row, col);
        return;
    }
    hideParamGrid();
    if (col == scExport && rec(row).SaveDiv > 0)
        ws_.settings.SaveDivPreset = rec(row).SaveDiv;
}

void TSignalGrid::showParamGrid(int row, int col) {
    paramGrid_->FSigNo = row + 1;
    paramGrid_->FFnNo = fnStepOfColumn(col);
    paramGrid_->FFnCol = col;
    const QRect cell = visualRect(model()->index(row, col));
    const QPoint at = viewport()->mapTo(host_, QPoint(cell.right() + 1 + 4, cell.top() + 2));
    paramGrid_->FnParamGridFill(at);
}

void TSignalGrid::hideParamGrid() {
    paramGrid_->hide();
    paramGrid_->ParItemList()->hide();
}

// ---- pick list -----------------------------------------------------------------

void TSignalGrid::openPickList(int row, int col) {
    int selected = 0;
    if (col == scColor) {
        std::vector<std::pair<QString, unsigned>> items;
        for (const auto& c : kPickColours)
            items.emplace_back(QString::fromLatin1(c.name), c.colour);
        pickList_->setColourItems(items);
        selected = pickColourIndex(rec(row).SigColor);
    } else if (isFnColumn(col)) {
        QStringList names;
        const std::string current = fns_.stepName(row + 1, fnStepOfColumn(col));
        const auto all = fns_.pickNames();
        for (std::size_t i = 0; i < all.size(); ++i) {
            names << QString::fromStdString(all[i]);
            if (all[i] == current)
                selected = int(i);
        }
        pickList_->setNameItems(names);
    } else {
        return;
    }
    pickList_->showAt(this, visualRect(model()->index(row, col)), row, col, selected);
}

void TSignalGrid::pickListChosen(int row, int col, int index) {
    if (row < 0 || row >= kSlotCount)
        return;
    if (col == scColor) {
        if (index >= 0 && index < int(kPickColours.size())) {
            rec(row).SigColor = kPickColours[std::size_t(index)].colour;
            draw();
        }
    } else if (isFnColumn(col)) {
        const auto names = fns_.pickNames();
        if (index < 0 || index >= int(names.size()))
            return;
        const std::string text = fns_.defaultText(names[std::size_t(index)]);
        fns_.attach(row + 1, fnStepOfColumn(col), text);
        if (!text.empty())
            rec(row).ProcFn = true;
        showParamGrid(row, col);
    }
    repaintRow(row);
}

// ---- editing -------------------------------------------------------------------

void TSignalGrid::editTextChanged(int row, int col, const QString& text, QLineEdit* editor) {
    if (row < 0 || row >= kSlotCount)
        return;
    bool ok = true;
    if (col == scYValue) {
        // Written when the editor closes; here only the text is checked.
        SignalRecord probe;
        probe.setData(SampleBuffer::zeros(1));
        ok = commitSampleValue(probe, "1", text.toStdString()) == EditOutcome::Accepted;
    } else {
        // Only checked against a scratch record: the slot changes when the editor
        // commits (Enter or leaving the cell), never while typing, so Escape restores.
        SignalRecord probe;
        ok = commitTextEdit(probe, col, text.toStdString(), ws_.decimalSeparator) !=
             EditOutcome::Rejected;
    }
    QPalette p = editor->palette();
    p.setColor(QPalette::Base, ok ? palette().color(QPalette::Base) : fromBgr(0x0000FF));
    editor->setPalette(p);
}

void TSignalGrid::editFinished(int row, int col, const QString& text) {
    if (row < 0 || row >= kSlotCount)
        return;
    if (col == scYValue) {
        yValueEditing_ = false;
        const auto r =
            commitSampleValue(rec(row), cellText(row, scSamplNo).toStdString(), text.toStdString());
        if (r == EditOutcome::Accepted) {
            item(row, scYValue)->setText(text);
            redraw();
        }
        return;
    }
    const auto r = commitTextEdit(rec(row), col, text.toStdString(), ws_.decimalSeparator);
    SignalGridUpdate(row + 1);
    if (col == scOffs && r == EditOutcome::Accepted)
        redraw();
}

bool TSignalGrid::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
    if (index.column() == scYValue && !yValueEditing_)
        return false;
    return QTableWidget::edit(index, trigger, event);
}

// ---- keys ----------------------------------------------------------------------

bool TSignalGrid::event(QEvent* e) {
    // Ctrl+Up / Ctrl+Down on a marked "f_export Hz" cell belong to the save divider,
    // not to the window's shortcut that scales the graph.
    if (e->type() == QEvent::ShortcutOverride) {
        auto* k = static_cast<QKeyEvent*>(e);
        const bool ctrlArrow = (k->key() == Qt::Key_Up || k->key() == Qt::Key_Down) &&
                               (k->modifiers() & Qt::ControlModifier);
        if (ctrlArrow && currentColumn() == scExport && currentRow() >= 0 &&
            rec(currentRow()).SaveDiv > 0) {
            e->accept();
            return true;
        }
        const bool own = (k->modifiers() & Qt::ControlModifier) &&
                         (k->key() == Qt::Key_C || k->key() == Qt::Key_V);
        if (own && !isEditingCell()) {
            e->accept();
            return true;
        }
    }
    return QTableWidget::event(e);
}

void TSignalGrid::keyPressEvent(QKeyEvent* e) {
    const int row = currentRow();
    const int col = currentColumn();
    // Keys the cell editor leaves unused arrive here as well; they are the editor's.
    if (row < 0 || col < 0 || isEditingCell()) {
        QTableWidget::keyPressEvent(e);
        return;
    }
    const bool ctrl = e->modifiers() & Qt::ControlModifier;
    const bool shift = e->modifiers() & Qt::ShiftModifier;
    const int key = e->key();
    SignalRecord& r = rec(row);
    bool handled = true;
    if (ctrl && key == Qt::Key_C) {
        Copy();
        // Flash the selection so the user sees what went to the clipboard.
        const auto ranges = selectedRanges();
        clearSelection();
        QTimer::singleShot(50, this, [this, ranges] {
            for (const auto& rg : ranges)
                setRangeSelected(rg, true);
        });
    } else if (ctrl && key == Qt::Key_V) {
        command([this] { Paste(); });
    } else if (ctrl && key == Qt::Key_F2 && col == scYValue) {
        if (holdsSampleNumber(r, cellText(row, scSamplNo).toStdString())) {
            yValueEditing_ = true;
            editItem(item(row, col));
        }
    } else if (ctrl && (key == Qt::Key_Up || key == Qt::Key_Down) && col == scExport &&
               r.SaveDiv > 0) {
        stepSaveDivPreset(r, ws_.settings.SaveDivPreset, key == Qt::Key_Down);
    } else if (!ctrl && (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) &&
               !isEditableColumn(col)) {
        if (!toggleCell(row, col)) {
            switch (col) {
            case scYValue:
                r.DecPlaces = stepDecPlaces(r.DecPlaces, shift);
                SignalGridUpdate(row + 1);
                break;
            case scExport:
                toggleSaveDiv(r, ws_.settings.SaveDivPreset);
                break;
            default:
                if (isFnColumn(col))
                    openPickList(row, col);
                break;
            }
        }
    } else if ((key == Qt::Key_Return || key == Qt::Key_Enter) && isEditableColumn(col)) {
        editItem(item(row, col));
    } else if (key == Qt::Key_Delete && col == scName) {
        command([this] { DeleteSignal(); });
    } else if (key == Qt::Key_Delete && isFnColumn(col)) {
        fns_.attach(row + 1, fnStepOfColumn(col), "");
        hideParamGrid();
    } else if (key == Qt::Key_Right && !shift && isFnColumn(col) && paramGrid_->isVisible()) {
        paramGrid_->setFocus();
        paramGrid_->setCurrentCell(1, 1);
    } else {
        handled = false;
    }
    if (!handled)
        QTableWidget::keyPressEvent(e);
    repaintRow(row);
}

// ---- commands ------------------------------------------------------------------

void TSignalGrid::DeleteSignal() {
    const int slot = currentSlot();
    if (!SignalStore::validSlot(slot))
        return;
    ws_.store.ClearSlot(slot);
    redraw();
    SignalGridUpdate(slot);
}

void TSignalGrid::CloseAllSignals() {
    ws_.store.ClearSlot(0);
    redraw();
    SignalGridUpdate(0);
}

std::optional<CellRect> TSignalGrid::selectionRect() const {
    const auto ranges = selectedRanges();
    if (ranges.isEmpty()) {
        if (currentRow() < 0)
            return std::nullopt;
        // Rows count from 1 here, as the slots do.
        return CellRect{currentColumn(), currentRow() + 1, currentColumn(), currentRow() + 1};
    }
    const auto& rg = ranges.first();
    return CellRect{rg.leftColumn(), rg.topRow() + 1, rg.rightColumn(), rg.bottomRow() + 1};
}

void TSignalGrid::Copy() {
    const auto sel = selectionRect();
    if (!sel)
        return;
    const CopyRange kind = copyRangeOf(*sel);
    if (kind == CopyRange::None)
        return;
    std::vector<std::vector<std::string>> rows;
    for (int slot = sel->top; slot <= sel->bottom; ++slot) {
        std::vector<std::string> fields;
        for (int c = sel->left; c <= sel->right; ++c)
            fields.push_back(kind == CopyRange::Texts ? cellText(slot - 1, c).toStdString()
                                                      : fns_.stepText(slot, fnStepOfColumn(c)));
        rows.push_back(std::move(fields));
    }
    QApplication::clipboard()->setText(QString::fromStdString(joinCopyText(rows)));
}

void TSignalGrid::Paste() {
    const auto sel = selectionRect();
    if (!sel)
        return;
    const QMimeData* mime = QApplication::clipboard()->mimeData();
    if (!mime)
        return;
    if (sel->left == scName && mime->hasUrls()) {
        std::vector<std::string> paths;
        for (const QUrl& u : mime->urls())
            if (u.isLocalFile())
                paths.push_back(u.toLocalFile().toStdString());
        openNativeFiles(sel->top, nativeFilesOnly(paths));
        return;
    }
    if (!mime->hasText())
        return;
    const auto lines = splitPasteText(mime->text().toStdString());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const int slot = sel->top + int(i);
        if (!SignalStore::validSlot(slot))
            break;
        for (std::size_t j = 0; j < lines[i].size(); ++j) {
            const int col = sel->left + int(j);
            if (isFnColumn(col))
                fns_.attach(slot, fnStepOfColumn(col), lines[i][j]);
        }
    }
    viewport()->update();
}

} // namespace mv
