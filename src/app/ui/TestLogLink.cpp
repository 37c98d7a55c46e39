#include "app/ui/TestLogLink.h"

#include "app/ui/ControlPanel.h"
#include "app/ui/Main.h"
#include "app/ui/MainView.h"
#include "app/ui/SpreadsheetLink.h"
#include "core/ui/SignalGrid.h"
#include "core/ui/TestDescGrid.h"
#include "widgets/ui/MV_Komp.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <algorithm>

namespace mv {

namespace {
constexpr const char* kTrackSubdirKey = "Align_km/TrackInfoSubdirectory";

QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

QString fileNameOf(const std::string& path) {
    return QFileInfo(qs(path)).fileName();
}
} // namespace

TestLogLink::TestLogLink(TForm1& form, Workspace& ws, MainView& view, SpreadsheetLink& sheets)
    : QObject(&form), form_(form), ws_(ws), view_(view) {
    ControlPanel* panel = form_.controlPanel();
    connect(&sheets, &SpreadsheetLink::rescanned, this,
            [this](const RescanResult& r) { showRescan(r); });
    // Typed, stepped or set by a command: every valid Test ID selects its test.
    connect(panel->testIdEdit, &TNumberEdit::numberChanged, this, [this] {
        const int id = form_.controlPanel()->testIdEdit->IntegerVal();
        form_.runCommand([this, id] { selectTestId(id); });
    });
    connect(panel->testIdEdit, &TNumberEdit::enterPressed, this,
            [this] { form_.runCommand([this] { openTestId(qs(ws_.sheets.TestPath)); }); });
    form_.onCommand(Cmd::IncTestId, [this] { step(+1); });
    form_.onCommand(Cmd::DecTestId, [this] { step(-1); });
    form_.onCommand(Cmd::OpenActualId, [this] { openTestId(qs(ws_.sheets.TestPath)); });
    // Until a Log is found there is nothing to step through.
    form_.action(Cmd::IncTestId)->setEnabled(false);
    form_.action(Cmd::DecTestId)->setEnabled(false);

    form_.addActivationHook(
        {[this](const SettingsBackend& s) {
             storedTrackSubdir_ = qs(s.read(kTrackSubdirKey).value_or(""));
             form_.controlPanel()->trackInfoSubdir->setText(
                 form_.startOptions().trackSubdir.value_or(storedTrackSubdir_));
         },
         [this](SettingsBackend& s) {
             // A subfolder given for the session (the demo's) does not replace the user's own.
             const QString shown = form_.controlPanel()->trackInfoSubdir->text();
             const auto& session = form_.startOptions().trackSubdir;
             s.write(kTrackSubdirKey,
                     (session && shown == *session ? storedTrackSubdir_ : shown).toStdString());
         }});
}

void TestLogLink::step(int delta) {
    TNumberEdit* edit = form_.controlPanel()->testIdEdit;
    edit->setValueText(QString::number(static_cast<long long>(edit->IntegerVal()) + delta));
}

void TestLogLink::showRescan(const RescanResult& r) {
    ControlPanel* panel = form_.controlPanel();
    TNumberEdit* edit = panel->testIdEdit;
    if (r.logLost) {
        edit->setRange(1, 0);
        edit->setValueText("0");
    }
    const bool log = ws_.sheets.logFound();
    form_.action(Cmd::IncTestId)->setEnabled(log);
    form_.action(Cmd::DecTestId)->setEnabled(log);
    if (r.newMaxTestId) {
        const int m = *r.newMaxTestId;
        edit->setRange(1, m);
        for (const char* name : {"FromIDEdit", "ToIDEdit"})
            if (auto* box = form_.findChild<QSpinBox*>(name))
                box->setMaximum(m);
        edit->setValueText(QString::number(m));
    }
    if (log) {
        for (int i = 0; i < kTestLevels; ++i)
            view_.TestDescGrid()->setCaption(i, qs(ws_.sheets.LevelCaptions[size_t(i)]));
        view_.TestDescGrid()->setMark(TTestDescGrid::Mark::Plain);
    }
    panel->logName->setText(fileNameOf(ws_.sheets.LogName));
    if (auto* l = form_.findChild<QLabel*>("EvaLogNameLabel"))
        l->setText(fileNameOf(ws_.sheets.EvaLogName));
    if (auto* l = form_.findChild<QLabel*>("ProcTypeLabel")) {
        l->setText(qs(ws_.sheets.Ident));
        l->setProperty("tag", ws_.sheets.FullEvaluation ? 1 : 0);
    }
}

void TestLogLink::selectTestId(int id) {
    ControlPanel* panel = form_.controlPanel();
    TTestDescGrid* grid = view_.TestDescGrid();
    selection_ =
        SelectTestId(ws_.spreadsheet, ws_.sheets, id, panel->trackInfoSubdir->text().toStdString());
    if (!ws_.sheets.logFound()) {
        writeLines(form_.log(), selection_.messages);
        return;
    }
    for (int i = 0; i < kTestLevels; ++i)
        grid->setPathPart(i, qs(selection_.levels[size_t(i)]));
    panel->testDate->setText(qs(selection_.date));
    panel->testTime->setText(qs(selection_.time));
    panel->trackInfoName->setText(qs(selection_.trackInfo));
    // The selection says "Current directory: ..." once the folder is made current here.
    std::vector<EvalLine> lines;
    for (const auto& l : selection_.messages)
        if (l.text.rfind("Current directory: ", 0) != 0)
            lines.push_back(l);
    writeLines(form_.log(), lines);
    if (selection_.fProcess)
        panel->fProcessEdit->setValueText(qs(formatFloatFull(*selection_.fProcess)));
    ws_.sheets.TestPath = selection_.testPath;
    makeCurrent(selection_.testPath);
    grid->setMark(!selection_.valid                                  ? TTestDescGrid::Mark::Invalid
                  : ws_.sheets.TestPath == ws_.sheets.OpenedTestPath ? TTestDescGrid::Mark::Opened
                                                                     : TTestDescGrid::Mark::Plain);
}

void TestLogLink::makeCurrent(const std::string& path) {
    ControlPanel* panel = form_.controlPanel();
    std::string dir = path;
    if (selection_.valid && QDir::setCurrent(qs(path))) {
        panel->calibrFilePath->setText(qs(path));
        form_.log().info("Current directory: " + path);
    } else {
        if (selection_.valid) {
            // The folder was there when the Log was read, but cannot be entered now.
            const std::string id = std::to_string(selection_.id);
            form_.log().warn("Can't set current directory: " + path);
            form_.log().warn("Test ID " + id + " - Can't set current directory:  " + path);
            selection_.valid = false;
            dir = logFolder(ws_.spreadsheet, ws_.sheets);
            ws_.sheets.TestPath = dir;
        }
        QDir::setCurrent(qs(dir));
        panel->calibrFilePath->setText("Calibr file path not found !");
    }
    ws_.actualDir = dir;
    form_.showActualDir(qs(dir));
}

int TestLogLink::openTestId(const QString& dir) {
    std::vector<EvalLine> lines;
    const std::string path = dir.toStdString();
    // A test that cannot be evaluated has the Log folder as its path: its files are
    // not the test's.
    if (ws_.sheets.logFound() && path == ws_.sheets.TestPath && !selection_.valid &&
        selection_.id != 0) {
        form_.log().warn("Test ID " + std::to_string(selection_.id) +
                         " is not valid: no files opened");
        return 0;
    }
    const int format = std::clamp(ws_.settings.LoadFileFormat, 0, kLoadFormatCount - 1);
    const std::string mask = testFileMask(format);
    const std::vector<std::string> files = TestFiles(path, mask, lines);
    writeLines(form_.log(), lines);
    if (!QFileInfo(dir).isDir())
        return 0;
    ws_.sheets.OpenedTestPath = path;
    if (files.empty())
        return 0;
    QStringList names;
    for (const auto& f : files)
        names << qs(f);
    TSignalGrid* grid = view_.SignalGrid();
    grid->openFiles(names, std::max(1, grid->currentSlot()), format);
    view_.TestDescGrid()->setMark(TTestDescGrid::Mark::Plain);
    return static_cast<int>(files.size());
}

} // namespace mv
