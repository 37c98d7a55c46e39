#pragma once
// SignalGrid: the Signal table, one row per slot of the signal store. Names, units,
// notes and offsets are edited in place; flags, colour, functions and the save
// divider are toggled with mouse and keys; signals are opened, deleted, copied and
// pasted from here. The rules live in core/SignalTable; this class shows and wires.
#include "core/FnColumns.h"
#include "core/LoadFiles.h"
#include "core/Log.h"
#include "core/Settings.h"
#include "core/SignalTable.h"

#include <QTableWidget>
#include <array>
#include <functional>
#include <optional>

class QLineEdit;
class QMenu;

namespace mv {

class StatusProgress;
class TFloatListBox;
class TFnParamGrid;

// Widgets with this property set keep their tooltips where the main window sends hints
// to the help pane instead (the header explains its keys only there).
inline constexpr const char* kKeepsToolTips = "mvKeepsToolTips";

// What the Signal table works on. The references outlive the table; values are read at
// each use (f process, the formats and the actual directory change while it is open).
struct SignalTableView {
    SignalStore& store;
    MainSettings& settings;
    const ReaderTable& readers;
    std::string& actualDir;
    const char& decimalSeparator;
    double f_process() const { return settings.dfltSampl_f; }
};

class TSignalGrid : public QTableWidget {
    Q_OBJECT
public:
    // `host` is the main window: the pick list and the parameter grid float over it.
    TSignalGrid(const SignalTableView& ws, FnColumnsPort& fns, Log& log, QWidget* host,
                QWidget* parent = nullptr);

    // Show SigDir + SigName + FileExt in the name column.
    bool IsPath = false;
    // Columns 7..13 marked for copying to the spreadsheet.
    std::array<bool, 7> SelectedCol{};

    // Rewrites the text cells of slot n, or of every slot for n = 0.
    void SignalGridUpdate(int n = 0);
    // The cursor readout of a slot (columns 7 and 8); empty texts clear them.
    void setCursorCells(int slot, const QString& value, const QString& samplNo);
    bool isEditingCell() const { return state() == QAbstractItemView::EditingState; }
    // Slot of the current row (1..200).
    int currentSlot() const { return currentRow() + 1; }
    void selectCell(int slot, int col);

    // Commands.
    void OpenSignal(bool intoCurrentRow);
    void DeleteSignal();
    void CloseAllSignals();
    void Copy();
    void Paste();
    // The one open path ("Open signal", start files, dropped and recent files): reads the
    // files into slots from `slot` on in load format `format`; their folder becomes the
    // actual directory. Returns the slots filled.
    int openFiles(const QStringList& files, int slot, int format);
    // Files that come without a format choice (dropped, recent): the format their
    // extension names, else the chosen load format; from the first free slot on.
    int openFilesByExtension(const QStringList& files);
    // Loads native files into consecutive slots from `slot` on (the file-manager paste).
    void openNativeFiles(int slot, const std::vector<std::string>& paths);

    // The application's one command path: the table's own commands (context menu, Ctrl+V,
    // Delete) run through it, so an error is logged and shown and the table goes on. By
    // default a command just runs.
    void setCommandRunner(std::function<bool(const std::function<void()>&)> run) {
        runCommand_ = std::move(run);
    }
    // Where loading reports between files and learns of Esc; none: it only repaints.
    void setProgress(StatusProgress* p) { progress_ = p; }

    // The widths of the 24 columns, for the settings.
    std::array<int, kSigGridCols> columnWidths() const;
    void setColumnWidths(const std::array<int, kSigGridCols>& widths);

    TFloatListBox* pickList() const { return pickList_; }
    TFnParamGrid* paramGrid() const { return paramGrid_; }
    QMenu* contextMenu() const { return menu_; }

    // Hooks the main window fills in.
    std::function<std::optional<WindowStats>(int slot)> statsOf; // active graph's window
    std::function<void()> redrawGraphs;                          // RedrawGraphs
    std::function<void()> drawGraphs;                            // draw both graphs
    std::function<void(int slot)> saveSlotToActualDir;
    std::function<void()> copyStatsToSpreadsheet;
    std::function<void(const QString&)> setActualDir;
    std::function<void(const QString&)> showStatus;
    // Told the full paths of the files an open read (the recent-files list).
    std::function<void(const QStringList&)> filesOpened;
    // Only for tests: replaces the open dialog (returns the chosen full paths).
    std::function<QStringList(const QString& dir, const QString& filter)> chooseFiles;

    // Called by the cell editor while typing: commits or turns the editor red.
    void editTextChanged(int row, int col, const QString& text, QLineEdit* editor);
    // Called when the editor closes.
    void editFinished(int row, int col, const QString& text);
    // Whether Ctrl+F2 opened the "Y value" editor.
    bool yValueEditing() const { return yValueEditing_; }

protected:
    void keyPressEvent(QKeyEvent* e) override;
    bool event(QEvent* e) override;
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* e) override;

private:
    friend class SignalGridHeader;
    void buildCells();
    // Widens the number columns that are too narrow for a text they hold.
    void fitNumberColumns(int fromRow, int toRow);
    void fitCaptions();
    void headerClicked(int col, Qt::KeyboardModifiers mods);
    void cellClickedAt(int row, int col);
    // Plot, Color, ProcFn and Ovr answer a click and Space/Enter alike; false for others.
    bool toggleCell(int row, int col);
    void currentChanged(int row, int col);
    void openPickList(int row, int col);
    void pickListChosen(int row, int col, int index);
    void showParamGrid(int row, int col);
    void hideParamGrid();
    void repaintRow(int row);
    void redraw();
    // Loads into slots from `slot` on with the progress shown, then redraws what changed.
    LoadResult loadAndShow(const std::string& dir, const std::vector<std::string>& names, int slot,
                           LoadFormat format);
    void draw();
    QString cellText(int row, int col) const;
    std::optional<CellRect> selectionRect() const;
    SignalRecord& rec(int row) { return ws_.store[row + 1]; }

    SignalTableView ws_;
    FnColumnsPort& fns_;
    Log& log_;
    QWidget* host_;
    TFloatListBox* pickList_;
    TFnParamGrid* paramGrid_;
    QMenu* menu_;
    bool command(const std::function<void()>& body) {
        if (runCommand_)
            return runCommand_(body);
        body();
        return true;
    }
    std::function<bool(const std::function<void()>&)> runCommand_;
    StatusProgress* progress_ = nullptr;
    bool yValueEditing_ = false;
    bool updating_ = false;
    bool folderMoved_ = false;
    QStringList lastSelection_;
};

} // namespace mv
