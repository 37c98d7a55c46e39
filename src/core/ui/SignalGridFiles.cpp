// The Signal table's file commands: the "Open signals" dialog and the file list
// pasted from the file manager.
#include "core/LoadFiles.h"
#include "core/RecentFiles.h"
#include "core/ui/SignalGrid.h"
#include "core/ui/StatusProgress.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QListView>
#include <QTreeView>
#include <optional>

namespace mv {

namespace {

// Between files the window repaints and shows the log lines; input waits.
class KeepPainting final : public Progress {
public:
    void report(double, std::string_view) override {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    bool cancelled() const override { return false; }
};

// "Morvanet|*.mvn" -> "Morvanet (*.mvn)".
QString qtFilter(const std::string& filter) {
    const auto bar = filter.find('|');
    if (bar == std::string::npos)
        return QString::fromStdString(filter);
    return QString::fromStdString(filter.substr(0, bar) + " (" + filter.substr(bar + 1) + ")");
}

QString withSlash(QString dir) {
    if (!dir.endsWith('/'))
        dir += '/';
    return dir;
}

} // namespace

void TSignalGrid::OpenSignal(bool intoCurrentRow) {
    const int format = std::clamp(ws_.settings.LoadFileFormat, 0, kLoadFormatCount - 1);
    const QString filter = qtFilter(loadFormatFilter(format));
    const QString startDir = QDir::currentPath();
    QStringList files;
    if (chooseFiles) {
        files = chooseFiles(startDir, filter);
    } else {
        QFileDialog dlg(host_, "Open signals", startDir, filter);
        dlg.setFileMode(QFileDialog::ExistingFiles);
        dlg.setOption(QFileDialog::DontUseNativeDialog, true);
        if (!lastSelection_.isEmpty()) {
            QStringList quoted;
            for (const auto& n : lastSelection_)
                quoted << '"' + n + '"';
            dlg.selectFile(quoted.join(' '));
        }
        // The first change of folder after start-up gives the dialog room and the
        // detailed view, which suits long lists of signal files.
        connect(&dlg, &QFileDialog::directoryEntered, &dlg, [this, &dlg] {
            if (folderMoved_)
                return;
            folderMoved_ = true;
            dlg.setGeometry(200, 200, 924, 800);
            dlg.setViewMode(QFileDialog::Detail);
        });
        if (dlg.exec() != QDialog::Accepted)
            return;
        files = dlg.selectedFiles();
    }
    if (files.isEmpty())
        return;
    lastSelection_.clear();
    for (const auto& f : files)
        lastSelection_ << QFileInfo(f).fileName();
    openFiles(files, intoCurrentRow ? currentSlot() : ws_.store.FirstFreeSlot(), format);
}

int TSignalGrid::openFiles(const QStringList& files, int slot, int format) {
    if (files.isEmpty())
        return 0;
    format = std::clamp(format, 0, kLoadFormatCount - 1);
    const QString dir = withSlash(QFileInfo(files.first()).absolutePath());
    std::vector<std::string> names;
    QStringList paths;
    for (const auto& f : files) {
        // Files from another folder than the first keep their full path.
        names.push_back(QFileInfo(f).absolutePath() + '/' == dir
                            ? QFileInfo(f).fileName().toStdString()
                            : QFileInfo(f).absoluteFilePath().toStdString());
        paths << QFileInfo(f).absoluteFilePath();
    }
    ws_.actualDir = dir.toStdString();
    if (setActualDir)
        setActualDir(dir);
    if (!SignalStore::validSlot(slot)) {
        log_.warn("Open signal: all 200 signal slots are occupied; close some signals first");
        return 0;
    }
    const LoadResult res =
        loadAndShow(dir.toStdString(), names, slot, static_cast<LoadFormat>(format));
    if (filesOpened)
        filesOpened(paths);
    return res.filled;
}

int TSignalGrid::openFilesByExtension(const QStringList& files) {
    const int chosen = std::clamp(ws_.settings.LoadFileFormat, 0, kLoadFormatCount - 1);
    const auto formatOf = [chosen](const QString& f) {
        const auto byExt = loadFormatOfPath(f.toStdString());
        return byExt ? static_cast<int>(*byExt) : chosen;
    };
    // Neighbours of one format are read together, in the order given.
    int filled = 0;
    for (qsizetype i = 0; i < files.size();) {
        const int format = formatOf(files[i]);
        qsizetype j = i + 1;
        while (j < files.size() && formatOf(files[j]) == format)
            ++j;
        filled += openFiles(files.mid(i, j - i), ws_.store.FirstFreeSlot(), format);
        i = j;
    }
    return filled;
}

void TSignalGrid::openNativeFiles(int slot, const std::vector<std::string>& paths) {
    if (paths.empty() || !SignalStore::validSlot(slot))
        return;
    const QString dir = withSlash(QFileInfo(QString::fromStdString(paths.front())).absolutePath());
    ws_.actualDir = dir.toStdString();
    if (setActualDir)
        setActualDir(dir);
    loadAndShow("", paths, slot, LoadFormat::Morvanet);
}

LoadResult TSignalGrid::loadAndShow(const std::string& dir, const std::vector<std::string>& names,
                                    int slot, LoadFormat format) {
    KeepPainting painting;
    std::optional<StatusProgress::Scope> running;
    if (progress_)
        running.emplace(*progress_);
    LoadContext ctx{log_, ws_.f_process(), ws_.decimalSeparator,
                    progress_ ? static_cast<Progress&>(*progress_) : painting};
    LoadResult res;
    try {
        res = LoadFiles(ws_.store, ws_.readers, dir, names, slot, format, ctx);
    } catch (...) {
        // The slot being read keeps what was converted: show it before the error.
        redraw();
        throw;
    }
    if (res.redraw())
        redraw();
    else
        SignalGridUpdate(0);
    return res;
}

} // namespace mv
