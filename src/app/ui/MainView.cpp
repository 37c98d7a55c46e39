#include "app/ui/MainView.h"

#include "app/Workspace.h"
#include "app/ui/ControlPanel.h"
#include "app/ui/Main.h"
#include "app/ui/ToolPages.h"
#include "core/RecentFiles.h"
#include "core/ui/SignalGrid.h"
#include "core/ui/StatusProgress.h"
#include "core/ui/TestDescGrid.h"
#include "files/SaveSlot.h"
#include "graphs/GraphZoom.h"
#include "graphs/ui/GraphPair.h"
#include "graphs/ui/TSigImage.h"
#include "processing/FnColumnsAdapter.h"
#include "processing/ui/GeneratorPage.h"
#include "widgets/ui/Splitter.h"

#include <QAction>
#include <QCoreApplication>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QUrl>
#include <QVBoxLayout>
#include <exception>

namespace mv {

MainView::MainView(TForm1& form, Workspace& ws) : QObject(&form), form_(form), ws_(ws) {
    auto chains = std::make_unique<ChainFnColumns>(ws_.chainsView(), form_.log());
    // Long runs let the window repaint; user input waits until the command is done.
    chains->setProgress(&form_.progress());
    fns_ = std::move(chains);
    QWidget* area = form_.mainArea();
    auto* lay = qobject_cast<QVBoxLayout*>(area->layout());
    if (!lay)
        lay = new QVBoxLayout(area);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->setSpacing(0);

    split_ = std::make_unique<TSplitControl>(&form_);
    grid_ =
        new TSignalGrid({ws_.store, ws_.settings, ws_.readers, ws_.actualDir, ws_.decimalSeparator},
                        *fns_, form_.log(), &form_, area);
    grid_->setCommandRunner(
        [this](const std::function<void()>& body) { return form_.runCommand(body); });
    grid_->setProgress(&form_.progress());
    // The graphs, their readout label and the zoom markers share the main area.
    graphs_ = new GraphPair(ws_.graphsView(), area);
    bar1_ = new TSplitterBar(*split_, grid_, true, area);
    bar1_->setObjectName("SplitPanel1");
    bar2_ = new TSplitterBar(*split_, graphs_->Image1(), true, area);
    bar2_->setObjectName("SplitPanel2");
    graphs_->Image1()->setFixedHeight(200);
    graphs_->Image2()->setMinimumHeight(50);
    lay->addWidget(grid_);
    lay->addWidget(bar1_);
    lay->addWidget(graphs_->Image1());
    lay->addWidget(bar2_);
    lay->addWidget(graphs_->Image2(), 1);
    for (TSplitterBar* bar : {bar1_, bar2_})
        connect(bar, &TSplitterBar::resized, graphs_, &GraphPair::RedrawGraphs);

    testDesc_ = new TTestDescGrid(form_.controlPanel()->testDescHolder);
    testDesc_->move(0, 0);

    QWidget* genPage = form_.controlPanel()->pages->page(ToolPages::Generator);
    auto* genLay = genPage->layout() ? genPage->layout() : new QVBoxLayout(genPage);
    genLay->setContentsMargins(0, 0, 0, 0);
    generator_ = new GeneratorPage(ws_.store, ws_.settings, genPage);
    genLay->addWidget(generator_);
    generator_->redrawGraphs = [this] { graphs_->RedrawGraphs(); };

    wireGraphs();
    wireMenus();
    wireSettings();
    wireFiles();
    form_.setFileOpener(
        [this](const QStringList& files, int slot) { return openFiles(files, slot); });
}

MainView::~MainView() = default;

void MainView::wireGraphs() {
    grid_->statsOf = [this](int slot) -> std::optional<WindowStats> {
        const TImageSigRec& r = graphs_->windowStats(slot);
        if (r.SmpCount <= 0)
            return std::nullopt;
        return WindowStats{r.SmpCount, r.SMin, r.SMax, r.SMean, r.SRMS};
    };
    grid_->redrawGraphs = [this] { graphs_->RedrawGraphs(); };
    grid_->drawGraphs = [this] { graphs_->MalujBoth(); };
    grid_->setActualDir = [this](const QString& dir) { form_.showActualDir(dir); };
    grid_->showStatus = [this](const QString& t) { form_.setStatusText(2, t); };
    grid_->saveSlotToActualDir = [this](int slot) {
        const SigImageState& up = ws_.graphs.image1;
        files::SaveContext ctx{form_.log(), {}};
        if (files::saveSignalToActualDir(ws_.store, slot, ws_.actualDir, up._T1, up._T2,
                                         static_cast<SaveFormat>(ws_.settings.SaveFileFormat),
                                         ws_.settings.CreateSignalBackUp,
                                         ctx) == files::SaveStatus::Written)
            ws_.store[slot].Unsaved = false;
    };

    graphs_->setTableRefresh([this] { grid_->SignalGridUpdate(0); });
    graphs_->setTableEditing([this] { return grid_->isEditingCell(); });
    connect(graphs_, &GraphPair::cursorCellsChanged, this, [this](const CursorCells& cells) {
        for (int slot = 1; slot <= int(cells.size()) && slot <= kSlotCount; ++slot) {
            const CursorCell& c = cells[std::size_t(slot - 1)];
            if (c.state == CursorCell::State::Blank)
                grid_->setCursorCells(slot, {}, {});
            else if (c.state == CursorCell::State::Value) {
                const auto t = cursorCellTexts(ws_.store[slot], c, ws_.decimalSeparator);
                grid_->setCursorCells(slot, QString::fromStdString(t[0]),
                                      QString::fromStdString(t[1]));
            }
        }
    });
    connect(graphs_, &GraphPair::deltaTextChanged, this,
            [this](const QString& t) { form_.setStatusText(1, t); });
    connect(graphs_, &GraphPair::invDeltaTextChanged, this,
            [this](const QString& t) { form_.controlPanel()->invDeltaTLabel->setText(t); });
    connect(graphs_, &GraphPair::processFnRequested, this, [this] { ProcessFn(0); });
    connect(graphs_, &GraphPair::saveSignalsToRequested, this,
            [this] { saveSignals(true, false); });
    connect(graphs_, &GraphPair::saveToActualDirRequested, this,
            [this] { saveSignals(false, false); });
    connect(graphs_, &GraphPair::appendSignalsRequested, this, [this] { saveSignals(true, true); });
}

void MainView::wireMenus() {
    form_.onCommand(Cmd::OpenSignal, [this] { grid_->OpenSignal(false); });
    form_.onCommand(Cmd::CloseAllSignals, [this] {
        if (mayDropUnsaved("Close them anyway?"))
            grid_->CloseAllSignals();
    });
    form_.onCommand(Cmd::SaveSignals, [this] { saveSignals(true, false); });
    form_.addCloseCheck([this] { return mayDropUnsaved("Quit anyway?"); });
    form_.onCommand(Cmd::DeleteAllFunctions, [this] { DeleteAllFunctions(); });
    form_.onCommand(Cmd::FillValue, [this] { FillSignal(); });
    form_.onCommand(Cmd::ProcessFnUp, [this] { ProcessFn(1); });
    form_.onCommand(Cmd::ProcessFnDown, [this] { ProcessFn(2); });
    connect(form_.controlPanel()->fillButton, &QPushButton::clicked, this,
            [this] { form_.runCommand([this] { FillSignal(); }); });

    // The window's menu items carry the graph shortcuts; the graphs' own actions give
    // theirs up so that no key has two owners.
    const auto take = [this](Cmd c, QAction* own, void (GraphPair::*slot)()) {
        own->setShortcuts({});
        form_.onCommand(c, [this, slot] { (graphs_->*slot)(); });
    };
    take(Cmd::ZoomAll, graphs_->actZoomAll(), &GraphPair::zoomAll);
    take(Cmd::SwapZoom, graphs_->actSwapZoom(), &GraphPair::swapZoom);
    take(Cmd::SwapActiveGraph, graphs_->actSwapActive(), &GraphPair::swapActive);
    take(Cmd::CopyGraph, graphs_->actCopyGraph(), &GraphPair::copyGraph);
    for (int i = 1; i <= kZoomSlots; ++i) {
        graphs_->actShowZoom(i)->setShortcuts({});
        graphs_->actSetZoom(i)->setShortcuts({});
        form_.onCommand(showZoomCmd(i), [this, i] { graphs_->showZoom(i); });
        form_.onCommand(setZoomCmd(i), [this, i] { graphs_->setZoom(i); });
    }
    form_.onCommand(Cmd::ValueZoomIn, [this] { graphs_->valueZoomIn(); });
    form_.onCommand(Cmd::ValueZoomOut, [this] { graphs_->valueZoomOut(); });
    form_.onCommand(Cmd::AutoscaleValues, [this] {
        if (!graphs_->autoscaleValues())
            form_.log().info("Autoscale values: no plotted signal has samples in the window");
    });
}

void MainView::wireSettings() {
    // Layout, zoom slots, value ranges and the generator table are read at the first
    // activation and written at close.
    TForm1::SettingsHook hook;
    hook.read = [this](const SettingsBackend& s) {
        grid_->setFixedHeight(std::max(50, ws_.windowPos.SignalGridHeight));
        graphs_->Image1()->setFixedHeight(std::max(50, ws_.windowPos.Image1Height));
        ws_.graphs.ZoomArr = readZoomSlots(s);
        readValueRanges(s, ws_.graphs);
        generator_->readSettings(s);
        grid_->setColumnWidths(readColumnWidths(s));
        graphs_->SetAktivni(1);
        graphs_->RedrawGraphs();
    };
    hook.write = [this](SettingsBackend& s) {
        writeZoomSlots(s, ws_.graphs.ZoomArr);
        writeValueRanges(s, ws_.graphs);
        generator_->writeSettings(s);
        writeColumnWidths(s, grid_->columnWidths());
        if (!ws_.settings.ExportDir.empty())
            writeExportDir(s, ws_.settings.ExportDir);
    };
    form_.addActivationHook(std::move(hook));
    // The heights go out with the window position, which is written before the hooks.
    connect(&form_, &TForm1::closing, this, [this] {
        ws_.windowPos.SignalGridHeight = grid_->height();
        ws_.windowPos.Image1Height = graphs_->Image1()->height();
    });
}

void MainView::FillSignal() {
    ControlPanel* p = form_.controlPanel();
    const int slot = p->fillSigNo->value();
    QString text = p->fillValue->text().trimmed();
    text.replace(',', '.');
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok) {
        form_.log().warn("Fill signal: the fill value \"" + p->fillValue->text().toStdString() +
                         "\" is not a number");
        return;
    }
    ws_.settings.FillSigNo = slot;
    ws_.settings.FillSigValue = value;
    if (slot <= 0)
        return;
    const SigImageState& lower = ws_.graphs.image2;
    fillSignal(ws_.store, slot, lower._T1, lower._T2, float(value));
    graphs_->RedrawGraphs();
}

void MainView::ProcessFn(int graph) {
    const SigImageState& g = graph == 0 ? ws_.graphs.active() : ws_.graphs.image(graph);
    const auto lowerMean = [this](int sig) -> std::optional<double> {
        const TImageSigRec& r = ws_.graphs.image2.rec(sig);
        if (r.SmpCount <= 0)
            return std::nullopt;
        return double(r.SMean);
    };
    StatusProgress::Scope running(form_.progress());
    fns_->processWindow(g._T1, g._T2, lowerMean, form_.log());
    graphs_->RedrawGraphs();
}

void MainView::DeleteAllFunctions() {
    fns_->deleteAllFunctions();
    for (int n = 1; n <= kSlotCount; ++n) {
        ws_.store[n].ProcFn = false;
        ws_.store[n].Ovr = false;
        ws_.store[n].SaveDiv = 0;
    }
    grid_->SignalGridUpdate(0);
}

int MainView::openFiles(const QStringList& files, int slot) {
    if (files.isEmpty() || !SignalStore::validSlot(slot))
        return 0;
    const int format = std::clamp(ws_.settings.LoadFileFormat, 0, kLoadFormatCount - 1);
    // Start files have no command to report to: a file that cannot be converted is
    // logged, and the start-up goes on to its end with what was read (the open path has
    // shown the slot that was being read).
    try {
        return grid_->openFiles(files, slot, format);
    } catch (const std::exception& e) {
        form_.log().warn(e.what());
    }
    return 0;
}

void MainView::saveSignals(bool chooseDir, bool append) {
    std::string dir = ws_.actualDir;
    if (chooseDir) {
        const QString start = QString::fromStdString(
            ws_.settings.ExportDir.empty() ? ws_.actualDir : ws_.settings.ExportDir);
        const QString chosen =
            chooseFolder ? chooseFolder(start)
                         : QFileDialog::getExistingDirectory(&form_, "Save signals to", start);
        if (chosen.isEmpty())
            return;
        dir = chosen.toStdString() + "/";
        ws_.settings.ExportDir = dir;
    }
    const SigImageState& g = ws_.graphs.active();
    StatusProgress::Scope running(form_.progress());
    files::SaveContext ctx{form_.log(), {}, form_.progress()};
    std::vector<int> meant;
    for (int n = 1; n <= kSlotCount; ++n)
        if (ws_.store[n].occupied() && ws_.store[n].SaveDiv > 0)
            meant.push_back(n);
    const int written = files::saveSignals(
        ws_.store, dir, g._T1, g._T2, static_cast<SaveFormat>(ws_.settings.SaveFileFormat), append,
        append ? false : ws_.settings.CreateSignalBackUp, ctx);
    // Only a save that wrote every signal it was meant to write counts as saving them;
    // after a partial failure closing still asks.
    if (written > 0 && written == int(meant.size()))
        for (int n : meant)
            ws_.store[n].Unsaved = false;
}

bool MainView::mayDropUnsaved(const QString& what) {
    QStringList names;
    for (int n = 1; n <= kSlotCount; ++n)
        if (ws_.store[n].occupied() && ws_.store[n].Unsaved)
            names << QString::number(n) + "  " + QString::fromStdString(ws_.store[n].SigName.str());
    if (names.isEmpty())
        return true;
    constexpr int kShown = 12;
    QString list = names.mid(0, kShown).join("\n  ");
    if (names.size() > kShown)
        list += QString("\n  ... and %1 more").arg(names.size() - kShown);
    return form_.confirm(
        QString("These computed signals were never saved:\n  %1\n\n%2").arg(list, what));
}

namespace {
// Signal files dropped on the Signal table or a graph open like "Open signal" does.
class FileDropFilter final : public QObject {
public:
    FileDropFilter(QObject* parent, std::function<void(const QStringList&)> open)
        : QObject(parent), open_(std::move(open)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        switch (e->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* d = static_cast<QDropEvent*>(e);
            if (localFiles(d->mimeData()).isEmpty())
                return false;
            d->acceptProposedAction();
            return true;
        }
        case QEvent::Drop: {
            auto* d = static_cast<QDropEvent*>(e);
            const QStringList files = localFiles(d->mimeData());
            if (files.isEmpty())
                return false;
            d->acceptProposedAction();
            open_(files);
            return true;
        }
        default:
            return QObject::eventFilter(watched, e);
        }
    }

private:
    static QStringList localFiles(const QMimeData* m) {
        QStringList files;
        if (m && m->hasUrls())
            for (const QUrl& u : m->urls())
                if (u.isLocalFile() && QFileInfo(u.toLocalFile()).isFile())
                    files << u.toLocalFile();
        return files;
    }
    std::function<void(const QStringList&)> open_;
};
} // namespace

void MainView::wireFiles() {
    auto* drop = new FileDropFilter(this, [this](const QStringList& files) {
        form_.runCommand([this, files] { grid_->openFilesByExtension(files); });
    });
    for (QWidget* w :
         {static_cast<QWidget*>(grid_->viewport()), static_cast<QWidget*>(graphs_->Image1()),
          static_cast<QWidget*>(graphs_->Image2())}) {
        w->setAcceptDrops(true);
        w->installEventFilter(drop);
    }

    grid_->filesOpened = [this](const QStringList& paths) {
        for (const QString& p : paths)
            addRecentFile(recent_, p.toStdString());
        fillRecentMenu();
    };
    TForm1::SettingsHook hook;
    hook.read = [this](const SettingsBackend& s) {
        // Files opened before the first activation (start files) stay on top.
        const auto opened = recent_;
        recent_ = readRecentFiles(s);
        for (auto it = opened.rbegin(); it != opened.rend(); ++it)
            addRecentFile(recent_, *it);
        fillRecentMenu();
    };
    hook.write = [this](SettingsBackend& s) { writeRecentFiles(s, recent_); };
    form_.addActivationHook(std::move(hook));
    fillRecentMenu();
}

void MainView::fillRecentMenu() {
    QMenu* menu = form_.recentFilesMenu();
    if (!menu)
        return;
    menu->clear();
    for (std::size_t i = 0; i < recent_.size(); ++i) {
        const QString path = QString::fromStdString(recent_[i]);
        const QString text = QString("&%1  %2").arg((i + 1) % 10).arg(path);
        menu->addAction(text, this, [this, path] {
            form_.runCommand([this, path] {
                if (!QFileInfo(path).isFile()) {
                    form_.log().warn("Recent files: " + path.toStdString() +
                                     " is not there any more");
                    return;
                }
                grid_->openFilesByExtension({path});
            });
        });
    }
    menu->setEnabled(!recent_.empty());
}

} // namespace mv
