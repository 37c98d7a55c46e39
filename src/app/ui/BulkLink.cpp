#include "app/ui/BulkLink.h"

#include "app/ui/ControlPanel.h"
#include "app/ui/Main.h"
#include "app/ui/MainView.h"
#include "app/ui/SpreadsheetLink.h"
#include "app/ui/ToolPages.h"
#include "core/ui/SignalGrid.h"
#include "core/ui/StatusProgress.h"
#include "graphs/ui/GraphPair.h"
#include "widgets/ui/MV_Komp.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <algorithm>

namespace mv {

namespace {

// Escape during a bulk run ends the section step of the test being evaluated, once per
// press: the zone loop asks once per zone, and the press is used up by that answer.
class EscapePerPress final : public Progress {
public:
    explicit EscapePerPress(StatusProgress& p) : p_(p) {}
    void report(double fraction, std::string_view text) override { p_.report(fraction, text); }
    bool cancelled() const override {
        if (!p_.cancelled())
            return false;
        p_.clearCancel();
        return true;
    }

private:
    StatusProgress& p_;
};

} // namespace

BulkLink::BulkLink(TForm1& form, Workspace& ws, MainView& view, SpreadsheetLink& sheets)
    : QObject(&form), form_(form), ws_(ws), view_(view) {
    connect(&sheets, &SpreadsheetLink::rescanned, this, [this] { updateButtons(); });
    range_ = form_.findChild<QPushButton*>("ProcessFrom_To_IDButton");
    one_ = form_.findChild<QPushButton*>("ProcessOneIDButton");
    prev_ = form_.findChild<QPushButton*>("ProcPrevIDButton");
    next_ = form_.findChild<QPushButton*>("ProcNextIDButton");
    save_ = form_.findChild<QCheckBox*>("SaveProcSigCheckBox");
    info_ = form_.findChild<QLabel*>("ProcInfoLabel");
    from_ = form_.findChild<QSpinBox*>("FromIDEdit");
    to_ = form_.findChild<QSpinBox*>("ToIDEdit");
    dest_ = form_.findChild<QLineEdit*>("DestinationBasePathEdit");
    connect(range_, &QPushButton::clicked, this, [this] { run(from_->value(), to_->value()); });
    connect(one_, &QPushButton::clicked, this, [this] { runCurrent(0); });
    connect(prev_, &QPushButton::clicked, this, [this] { runCurrent(-1); });
    connect(next_, &QPushButton::clicked, this, [this] { runCurrent(+1); });
    connect(from_, &QSpinBox::valueChanged, this, [this] { updateButtons(); });
    connect(to_, &QSpinBox::valueChanged, this, [this] { updateButtons(); });
    if (auto* b = form_.findChild<QPushButton*>("SelectDestinationBasePathButton"))
        connect(b, &QPushButton::clicked, this, [this] { chooseDestination(); });
    chooseFolder = [this](const QString& start) {
        return QFileDialog::getExistingDirectory(&form_, "Destination base path", start,
                                                 QFileDialog::ShowDirsOnly);
    };
    updateButtons();
}

void BulkLink::updateButtons() {
    range_->setText(QString("Process ID: %1 to %2").arg(from_->value()).arg(to_->value()));
    const bool ready = ws_.sheets.bulkReady() && !running_;
    for (QPushButton* b : {range_, one_, prev_, next_})
        b->setEnabled(ready);
}

BulkOptions BulkLink::options() const {
    BulkOptions o;
    o.loadFormat =
        static_cast<LoadFormat>(std::clamp(ws_.settings.LoadFileFormat, 0, kLoadFormatCount - 1));
    o.saveFormat =
        static_cast<SaveFormat>(std::clamp(ws_.settings.SaveFileFormat, 0, kSaveFormatCount - 1));
    o.save = save_->isChecked();
    o.destBase = dest_->text().toStdString();
    o.backup = ws_.settings.CreateSignalBackUp;
    o.keepNames = ws_.settings.KeepOrigSigName;
    if (auto* sub = form_.findChild<QLineEdit*>("TrackInfoSubdirectoryEdit"))
        o.trackSubdir = sub->text().toStdString();
    o.jobs = 1; // the window shows each test's signals as it is done
    o.defaultFs = ws_.settings.dfltSampl_f;
    o.decimalSeparator = ws_.decimalSeparator;
    // The upper graph's window while it shows something; otherwise each test's span.
    bool plotted = false;
    for (int n = 1; n <= kSlotCount && !plotted; ++n)
        plotted = ws_.store[n].occupied() && ws_.store[n].Plot;
    if (plotted)
        o.window = std::make_pair(ws_.graphs.image1._T1, ws_.graphs.image1._T2);
    return o;
}

bool BulkLink::run(int from, int to) {
    if (running_)
        return false;
    running_ = true;
    updateButtons();
    const bool ok = form_.runCommand([&] {
        StatusProgress::Scope scope(form_.progress());
        EscapePerPress escape(form_.progress());
        RunBulk(ws_.spreadsheet, ws_.sheets, from, to, options(), ws_.readers, form_.log(), escape,
                IdWorkspace{ws_.store, ws_.fnSlots},
                [this](const IdRecord& rec) { showRecord(rec); });
    });
    running_ = false;
    view_.SignalGrid()->SignalGridUpdate(0);
    view_.graphs()->RedrawGraphs();
    updateButtons();
    return ok;
}

void BulkLink::runCurrent(int step) {
    if (step < 0)
        form_.action(Cmd::DecTestId)->trigger();
    else if (step > 0)
        form_.action(Cmd::IncTestId)->trigger();
    const int id = form_.controlPanel()->testIdEdit->IntegerVal();
    run(id, id);
}

void BulkLink::chooseDestination() {
    const QString dir = chooseFolder(QDir::currentPath());
    if (dir.isEmpty())
        return;
    ws_.settings.DestinationPath = dir.toStdString();
    dest_->setText(dir.endsWith('/') ? dir : dir + '/');
}

void BulkLink::showRecord(const IdRecord& rec) {
    const QString id = QString::number(rec.id);
    switch (rec.outcome) {
    case IdOutcome::Processed:
        info_->setText("ID" + id + " processed.");
        break;
    case IdOutcome::Skipped:
        info_->setText("ID " + id + " skipped");
        break;
    case IdOutcome::Failed:
        info_->setText("ID " + id + " failed");
        break;
    }
    {
        // The run has selected the test already; the edit only shows which one it is.
        TNumberEdit* edit = form_.controlPanel()->testIdEdit;
        const QSignalBlocker quiet(edit);
        edit->setValueText(id);
    }
    view_.SignalGrid()->SignalGridUpdate(0);
    // The first plotted slot at the top of the table, as the user looks for it.
    for (int n = 1; n <= kSlotCount; ++n)
        if (ws_.store[n].occupied() && ws_.store[n].Plot) {
            view_.SignalGrid()->scrollToItem(view_.SignalGrid()->item(n - 1, 0),
                                             QAbstractItemView::PositionAtTop);
            break;
        }
    view_.graphs()->RedrawGraphs();
}

} // namespace mv
