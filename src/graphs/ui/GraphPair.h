#pragma once
// The two graphs of the main window and everything that acts on both: the active
// graph, RedrawGraphs, the zoom commands and slots with their markers, value
// scaling, the readout label, the graph context menu and "Copy graph". The main
// window places Image1 and Image2 in its layout, puts the actions into its menus,
// and connects the signals to the status bar, the signal table and the savers.
#include "graphs/GraphDrawing.h"
#include "graphs/GraphZoom.h"

#include <QObject>
#include <array>
#include <functional>

class QAction;
class QLabel;
class QMenu;
class QWidget;

namespace mv {

class TSigImage;
class ZoomMarkers;

class GraphPair : public QObject {
    Q_OBJECT
public:
    // host: the common parent of the graphs, T_Label and the zoom markers (the main
    // window's central widget). Image1 and Image2 are created as children of host.
    GraphPair(const GraphsView& view, QWidget* host);
    ~GraphPair() override;

    GraphsState& graphsState() { return view_.graphs; }
    const SignalStore& store() const { return view_.store; }
    QWidget* host() const { return host_; }
    TSigImage* Image1() const { return image1_; }
    TSigImage* Image2() const { return image2_; }
    TSigImage* image(int n) const { return n == 2 ? image2_ : image1_; }
    TSigImage* AktivniImage() const;
    QLabel* T_Label() const { return tLabel_; }
    ZoomMarkers* markers() const { return markers_; }

    // Statistics of the active graph for one signal-table row; SmpCount 0 = blank.
    const TImageSigRec& windowStats(int slot) const;

    // Hooks the main window sets.
    // Refresh of the statistics cells of all signal-table rows (and its header row).
    void setTableRefresh(std::function<void()> f) { tableRefresh_ = std::move(f); }
    // True while the signal table edits a cell: mouse moves and releases do nothing.
    void setTableEditing(std::function<bool()> f) { tableEditing_ = std::move(f); }
    // Scroll Lock toggled on (and not held). By default the pair follows the key.
    void setScrollLockProbe(std::function<bool()> f) { scrollLock_ = std::move(f); }

    // Menu and shortcut actions. They belong to no widget yet, so their shortcuts are
    // live only once the main window puts them into its menus or calls addActionsTo.
    // A main window that keeps its own menu actions connects their triggered() to the
    // slots below instead, and leaves these out (two actions with one shortcut in a
    // window would make the shortcut ambiguous).
    QAction* actZoomAll() const { return actZoomAll_; }           // "Zoom all", F12
    QAction* actSwapZoom() const { return actSwapZoom_; }         // "Swap Zoom", F11
    QAction* actShowZoom(int i) const { return actShow_[i - 1]; } // "Show zoom1".."Show zoom0"
    QAction* actSetZoom(int i) const { return actSet_[i - 1]; }   // "Set zoom1".."Set zoom0"
    QAction* actSwapActive() const { return actSwapActive_; }     // "Swap active graph"
    QAction* actCopyGraph() const { return actCopyGraph_; }       // "Copy &graph", Ctrl+G
    QMenu* ImagePopupMenu() const { return popup_; }
    // Makes the shortcuts of all actions above live in w's window.
    void addActionsTo(QWidget* w) const;

    // Called by the graphs.
    void runPass(SigImageState& g);
    bool tableEditing() const { return tableEditing_ && tableEditing_(); }
    void refreshTable();
    void moveTLabel(TSigImage* g, int x);
    void showTLabelText(const QString& text);
    void emitCursorCells(const CursorCells& cells) { emit cursorCellsChanged(cells); }
    void emitDeltaTexts(double dT, double dY);
    void emitColumnClicked(int column) { emit columnClicked(column); }
    void schedulePan();
    void scheduleRedraw();
    void openPopup(TSigImage* g, const QPoint& globalPos);
    char decimalSeparator() const;

public slots:
    // PrepocitejX of both graphs, Maluj of both, then the signal-table refresh.
    void RedrawGraphs();
    // Maluj of both without the column pass (Plot flag or colour edits).
    void MalujBoth();
    void SetAktivni(int n);
    void swapActive();
    void zoomAll();
    void swapZoom();
    void showZoom(int i);
    void setZoom(int i);
    void valueZoomIn();  // Ctrl+Up
    void valueZoomOut(); // Ctrl+Down
    // Fits the active graph's values to its plotted signals; false when none has samples.
    bool autoscaleValues();
    void copyGraph();
    void placeMarkers();
    // Applies pending Ctrl-drag windows (the idle step of panning).
    void applyIdlePans();

signals:
    // Text for the second panel of the status bar ("Delta T  ...").
    void deltaTextChanged(const QString& text);
    // Text for the label InvDeltaTLabel ("1/Delta T= ... Hz").
    void invDeltaTextChanged(const QString& text);
    // Columns 7 and 8 of the signal table under the cursor (index slot - 1).
    void cursorCellsChanged(const mv::CursorCells& cells);
    // Ctrl + left click: the plot column, for pasting to Excel or the calibration grid.
    void columnClicked(int column);
    void activeGraphChanged(int number);
    // Context menu entries whose engines live elsewhere.
    void processFnRequested(double t1, double t2);
    void saveSignalsToRequested();
    void saveToActualDirRequested();
    void appendSignalsRequested();
    void copySignalsToExcelRequested();
    void printGraphRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildActions();
    void showMarker(int i);

    GraphsView view_;
    QWidget* host_;
    TSigImage* image1_ = nullptr;
    TSigImage* image2_ = nullptr;
    QLabel* tLabel_ = nullptr;
    TSigImage* tLabelGraph_ = nullptr; // where the readout was placed last, and at which x
    int tLabelX_ = 0;
    ZoomMarkers* markers_ = nullptr;
    QMenu* popup_ = nullptr;
    QAction* actZoomAll_ = nullptr;
    QAction* actSwapZoom_ = nullptr;
    std::array<QAction*, kZoomSlots> actShow_{};
    std::array<QAction*, kZoomSlots> actSet_{};
    QAction* actSwapActive_ = nullptr;
    QAction* actCopyGraph_ = nullptr;
    std::function<void()> tableRefresh_;
    std::function<bool()> tableEditing_;
    std::function<bool()> scrollLock_;
    bool scrollLockOn_ = false;
    bool scrollLockDown_ = false;
    bool panScheduled_ = false;
    bool redrawScheduled_ = false;
    int passDepth_ = 0;
};

} // namespace mv
