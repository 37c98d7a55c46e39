#pragma once
// The main area of TForm1: the Signal table, the two splitter bars and the two
// graphs, with the commands of the Signal table, the graphs and the processing
// chains put into the window's menus, the Generator page, the test description
// grid, "Fill signal" and the settings these keep.
#include <QObject>
#include <QStringList>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace mv {

class TForm1;
class TSignalGrid;
class TSplitControl;
class TSplitterBar;
class TTestDescGrid;
class GraphPair;
class GeneratorPage;
class FnColumnsPort;
struct Workspace;

class MainView : public QObject {
    Q_OBJECT
public:
    MainView(TForm1& form, Workspace& ws);
    ~MainView() override;

    TSignalGrid* SignalGrid() const { return grid_; }
    GraphPair* graphs() const { return graphs_; }
    GeneratorPage* generator() const { return generator_; }
    TTestDescGrid* TestDescGrid() const { return testDesc_; }
    TSplitterBar* splitBar(int n) const { return n == 2 ? bar2_ : bar1_; }
    FnColumnsPort& functions() { return *fns_; }

    // "Fill signal" (button and Ctrl+F).
    void FillSignal();
    // "Process Fn Up" / "Process Fn Down" / the graph popup: slots 1..200 over the window
    // of graph 1, 2 or the active one (0).
    void ProcessFn(int graph);
    void DeleteAllFunctions();
    // Opens files into slots from `slot` on with the selected load format (start files).
    int openFiles(const QStringList& files, int slot);
    // Only for tests: replaces the folder dialog of "Save signals to ...".
    std::function<QString(const QString& start)> chooseFolder;

private:
    void wireMenus();
    void wireGraphs();
    void wireSettings();
    void saveSignals(bool chooseDir, bool append);
    void wireFiles();
    void fillRecentMenu();
    // Asks before computed signals that were never saved go; `what` names the action.
    bool mayDropUnsaved(const QString& what);

    TForm1& form_;
    Workspace& ws_;
    std::unique_ptr<FnColumnsPort> fns_;
    std::unique_ptr<TSplitControl> split_;
    TSignalGrid* grid_ = nullptr;
    GraphPair* graphs_ = nullptr;
    GeneratorPage* generator_ = nullptr;
    TTestDescGrid* testDesc_ = nullptr;
    TSplitterBar* bar1_ = nullptr;
    TSplitterBar* bar2_ = nullptr;
    std::vector<std::string> recent_;
};

} // namespace mv
