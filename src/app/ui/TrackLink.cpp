#include "app/ui/TrackLink.h"

#include "app/ui/ControlPanel.h"
#include "app/ui/Main.h"
#include "app/ui/MainView.h"
#include "app/ui/TestLogLink.h"
#include "app/ui/ToolPages.h"
#include "core/ui/SignalGrid.h"
#include "evaluation/CopyToSheet.h"
#include "evaluation/CurveProfile.h"
#include "evaluation/ui/TrackPages.h"
#include "graphs/ui/GraphPair.h"
#include "widgets/ui/MV_Komp.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QThread>
#include <QVBoxLayout>
#include <algorithm>

namespace mv {

namespace {

// The clipboard gets every block the copy pastes, as the user would paste it himself.
class ClipboardSink final : public TextSink {
public:
    void setText(const std::string& text) override {
        QApplication::clipboard()->setText(QString::fromStdString(text));
    }
};

template <class Page>
Page* placePage(ToolPages* pages, ToolPages::Page p) {
    QWidget* host = pages->page(p);
    auto* lay = host->layout() ? host->layout() : new QVBoxLayout(host);
    lay->setContentsMargins(0, 0, 0, 0);
    auto* page = new Page(host);
    lay->addWidget(page);
    return page;
}

} // namespace

TrackLink::TrackLink(TForm1& form, Workspace& ws, MainView& view, TestLogLink& testLog)
    : QObject(&form), form_(form), ws_(ws), view_(view), testLog_(testLog) {
    ControlPanel* panel = form_.controlPanel();
    align_ = placePage<AlignKmPage>(panel->pages, ToolPages::AlignKm);
    curve_ = placePage<Curve2xlsPage>(panel->pages, ToolPages::Curve2xls);
    align_->setDecimalSeparator(ws_.decimalSeparator);
    curve_->setDecimalSeparator(ws_.decimalSeparator);

    const auto cmd = [this](auto f) { return [this, f] { form_.runCommand(f); }; };
    connect(align_->openButton, &QPushButton::clicked, this, cmd([this] { openAlignment(0); }));
    connect(align_->prevButton, &QPushButton::clicked, this, cmd([this] { openAlignment(-1); }));
    connect(align_->nextButton, &QPushButton::clicked, this, cmd([this] { openAlignment(+1); }));
    connect(align_->saveButton, &QPushButton::clicked, this, cmd([this] { saveAligned(); }));
    connect(align_, &AlignKmPage::alignmentChanged, this, cmd([this] { realign(); }));
    connect(curve_->openButton, &QPushButton::clicked, this, cmd([this] { openCurve2xls(0); }));
    connect(curve_->prevButton, &QPushButton::clicked, this, cmd([this] { openCurve2xls(-1); }));
    connect(curve_->nextButton, &QPushButton::clicked, this, cmd([this] { openCurve2xls(+1); }));
    connect(curve_->saveButton, &QPushButton::clicked, this, cmd([this] { saveCurve2xls(); }));

    // After the Test ID link has selected the test: the alignment needs its workbook.
    connect(panel->testIdEdit, &TNumberEdit::numberChanged, this, [this] { updateButtons(); });

    GraphPair* graphs = view_.graphs();
    connect(graphs, &GraphPair::copySignalsToExcelRequested, this,
            cmd([this] { copySignalsToExcel(); }));
    connect(graphs, &GraphPair::columnClicked, this,
            [this](int column) { form_.runCommand([this, column] { pasteToExcel(column); }); });
    view_.SignalGrid()->copyStatsToSpreadsheet = [this] {
        form_.runCommand([this] { pasteToExcel(-1); });
    };

    // Read at the first activation: the window is built before any link exists.
    form_.addActivationHook({[this](const SettingsBackend& s) {
                                 align_->setSettings(readAlignSettings(s));
                                 curve_->setSettings(readCurve2xlsSettings(s));
                             },
                             [this](SettingsBackend& s) {
                                 AlignSettings a = align_->settings();
                                 // The subfolder's edit belongs to the test Log's panel.
                                 a.trackInfoSubdir = trackSubdir();
                                 writeAlignSettings(s, a);
                                 writeCurve2xlsSettings(s, curve_->settings());
                             }});
}

std::string TrackLink::trackSubdir() const {
    return form_.controlPanel()->trackInfoSubdir->text().toStdString();
}

AlignIo TrackLink::io() const {
    const int f = std::clamp(ws_.settings.LoadFileFormat, 0, kLoadFormatCount - 1);
    return AlignIo{ws_.readers, static_cast<LoadFormat>(f), ws_.settings.dfltSampl_f,
                   ws_.decimalSeparator};
}

void TrackLink::updateButtons() {
    align_->setTrackInfoFound(!testLog_.selection().trackInfo.empty());
}

void TrackLink::stepTestId(int step) {
    if (step != 0)
        form_.action(step > 0 ? Cmd::IncTestId : Cmd::DecTestId)->trigger();
}

void TrackLink::redraw() {
    view_.graphs()->RedrawGraphs();
}

void TrackLink::openAlignment(int step) {
    stepTestId(step);
    const TestSelection& sel = testLog_.selection();
    AlignOpenRequest req;
    req.testPath = ws_.sheets.TestPath;
    req.trackInfoFile =
        sel.trackInfo.empty()
            ? std::string()
            : joinPath(joinPath(logFolder(ws_.spreadsheet, ws_.sheets), trackSubdir()),
                       sel.trackInfo);
    req.settings = align_->settings();
    const AlignOpenResult r = mv::openAlignment(ws_.store, io(), req);
    writeLines(form_.log(), r.lines);
    if (!r.ok)
        return;
    elements_ = r.elements;
    align_->showTrackInfo(r.summary);
    redraw();
}

void TrackLink::realign() {
    const AlignSettings a = align_->settings();
    if (mv::realign(ws_.store, a.slope, a.offsetM, elements_))
        redraw();
}

void TrackLink::saveAligned() {
    SaveAlignedRequest req;
    req.testPath = ws_.sheets.TestPath;
    req.level2 = testLog_.selection().levels[1];
    req.settings = align_->settings();
    req.format = static_cast<SaveFormat>(
        std::clamp(form_.controlPanel()->saveFormatIndex(), 0, kSaveFormatCount - 1));
    req.backup = ws_.settings.CreateSignalBackUp;
    req.T1 = ws_.graphs.image1._T1;
    req.T2 = ws_.graphs.image1._T2;
    req.header.logWorkbook =
        QFileInfo(QString::fromStdString(ws_.sheets.LogName)).fileName().toStdString();
    const SaveAlignedResult r = mv::saveAligned(ws_.store, req, elements_);
    writeLines(form_.log(), r.lines);
    redraw();
}

void TrackLink::openCurve2xls(int step) {
    stepTestId(step);
    const Curve2xlsResult r =
        mv::openCurve2xls(ws_.store, io(), ws_.sheets.TestPath, curve_->settings());
    writeLines(form_.log(), r.lines);
    if (!r.ok)
        return;
    elements_ = r.elements;
    redraw();
}

void TrackLink::saveCurve2xls() {
    std::vector<EvalLine> lines;
    const TestSelection& sel = testLog_.selection();
    const std::string file = trackInfoFileName(logFolder(ws_.spreadsheet, ws_.sheets),
                                               trackSubdir(), sel.levels[3], lines);
    bool ok = false;
    if (!file.empty()) {
        const Curve2xlsSettings c = curve_->settings();
        const double f = parseUserNumber(c.mmToCurve, ws_.decimalSeparator)
                             .value_or(parseUserNumber(c.mmToCurve, '.').value_or(1.0));
        ok = writeTrackInfoWorkbook({file, ws_.sheets.TestPath, f, ""}, elements_, lines);
    }
    if (!ok)
        QApplication::beep();
    writeLines(form_.log(), lines);
}

void TrackLink::copySignalsToExcel() {
    if (!ws_.sheets.OutputSheet.isSet())
        return;
    const SigImageState& g = ws_.graphs.active();
    ClipboardSink clip;
    const CopyRequest req{g._T1, g._T2, form_.controlPanel()->excelCopyRows->value(),
                          ws_.decimalSeparator};
    if (!copySignalsToSheet(ws_.spreadsheet, ws_.sheets.OutputSheet, ws_.store, req, form_.log(),
                            &clip))
        QApplication::beep();
}

void TrackLink::pasteToExcel(int column) {
    if (!ws_.sheets.OutputSheet.isSet())
        return;
    ControlPanel* panel = form_.controlPanel();
    // The output list flashes grey, so the user sees where the row went.
    QComboBox* combo = panel->excelOutCombo;
    const QString style = combo->styleSheet();
    combo->setStyleSheet("QComboBox { background-color: #808080; }");
    QApplication::processEvents();
    QThread::msleep(50);
    combo->setStyleSheet(style);
    const TSignalGrid* grid = view_.SignalGrid();
    const int next =
        PasteToExcel(ws_.spreadsheet, ws_.sheets.OutputSheet, panel->rowInXls->value(), ws_.store,
                     grid->SelectedCol, ws_.graphs.active(), column, form_.log());
    panel->rowInXls->setValue(next);
}

} // namespace mv
