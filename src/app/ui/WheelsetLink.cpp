#include "app/ui/WheelsetLink.h"

#include "app/ui/ControlPanel.h"
#include "app/ui/Main.h"
#include "app/ui/MainView.h"
#include "app/ui/ToolPages.h"
#include "core/ui/Caption.h"
#include "core/ui/SignalGrid.h"
#include "core/ui/StatusProgress.h"
#include "evaluation/WheelsetRun.h"
#include "graphs/ui/GraphPair.h"
#include "wheelset/ui/WheelGrids.h"
#include "widgets/ui/MV_Komp.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDate>
#include <QElapsedTimer>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTime>
#include <QVBoxLayout>

namespace mv {

using namespace wheelset;

namespace {
constexpr int kPagesSmall = 149, kPagesLarge = 612, kGridSmall = 101, kGridLarge = 562;

QString elapsedText(const QElapsedTimer& t) {
    return QTime(0, 0).addMSecs(static_cast<int>(t.elapsed())).toString("hh:mm:ss");
}
} // namespace

WheelsetLink::WheelsetLink(TForm1& form, Workspace& ws, MainView& view)
    : QObject(&form), form_(form), ws_(ws), view_(view) {
    ToolPages* pages = form_.controlPanel()->pages;
    buildRawPage(pages->page(ToolPages::RawToQytl));
    buildCalibrPage(pages->page(ToolPages::CalibrQytlCoef));
    // Ctrl + click in a graph while the window grid has the focus picks the sample of the
    // first signal under the mouse.
    connect(view_.graphs(), &GraphPair::columnClicked, this, [this](int column) {
        if (!fromTo_->hasFocus())
            return;
        const TImageSigRec& rec = ws_.graphs.active().rec(1);
        if (column < 0 || static_cast<size_t>(column) >= rec.Pts.size() || rec.SmpCount == 0)
            return;
        const long long k = rec.Pts[static_cast<size_t>(column)].SmpNo;
        form_.runCommand([this, k] { pickSample(k); });
    });
    // Read at the first activation: the window is built by then, the page widgets included.
    form_.addActivationHook({[this](const SettingsBackend& s) {
                                 const DevFnSettings d = readDevFn(s);
                                 ws_.devFn = d;
                                 fnGrid_->setSaveFlags(d.save);
                                 qytlFilter_->setValueText(QString::fromStdString(d.QYTL_filter));
                                 for (int n = 1; n <= kDevFnRows; ++n)
                                     wheelGrid_->setRow(n, d.wheels[static_cast<size_t>(n - 1)]);
                             },
                             [this](SettingsBackend& s) {
                                 ws_.devFn = tables();
                                 writeDevFn(s, ws_.devFn);
                             }});
}

void WheelsetLink::buildRawPage(QWidget* page) {
    auto* lay = new QHBoxLayout(page);
    lay->setContentsMargins(2, 2, 2, 2);
    wheelGrid_ = new TWheelGrid(page);
    wheelGrid_->setDecimalSeparator(ws_.decimalSeparator);
    wheelGrid_->setFixedWidth(320);
    fnGrid_ = new TDeviceFnGrid(page);
    fnGrid_->setFixedWidth(150);
    lay->addWidget(wheelGrid_, 0, Qt::AlignTop);
    lay->addWidget(fnGrid_, 0, Qt::AlignTop);
    auto* side = new QGridLayout;
    qytlFilter_ = new TNumberEdit(page);
    side->addWidget(captionFor("QYTL filter [Hz]", qytlFilter_, page), 0, 0);
    qytlFilter_->setObjectName("QYTL_filter_NumberEdit");
    qytlFilter_->set_NumberTyp(ntDouble);
    qytlFilter_->setRange(0, 65536);
    qytlFilter_->setDecimalSeparator(ws_.decimalSeparator);
    qytlFilter_->setValueText("0");
    side->addWidget(qytlFilter_, 0, 1);
    saveDiv_ = new QSpinBox(page);
    side->addWidget(captionFor("Save divider", saveDiv_, page), 1, 0);
    saveDiv_->setObjectName("ExportSaveDivNumberEdit");
    saveDiv_->setRange(0, 32);
    saveDiv_->setValue(1);
    saveDiv_->setToolTip("Save divider for saving output signals. 0 mean not save.");
    side->addWidget(saveDiv_, 1, 1);
    compute_ = new QPushButton("Compute QYTL", page);
    compute_->setObjectName("ComputeQytlButton");
    side->addWidget(compute_, 2, 0, 1, 2);
    side->setRowStretch(3, 1);
    lay->addLayout(side);
    lay->addStretch(1);

    connect(qytlFilter_, &TNumberEdit::numberChanged, this, [this] {
        if (qytlFilter_->IsOK() && qytlFilter_->DoubleVal() == 0.0)
            form_.log().info("QYTL output filter is off");
    });
    connect(compute_, &QPushButton::clicked, this,
            [this] { form_.runCommand([this] { computeQytl(); }); });
    connect(wheelGrid_, &TWheelGrid::focusChanged, this, &WheelsetLink::enlarge);
    connect(fnGrid_, &TDeviceFnGrid::focusChanged, this, &WheelsetLink::enlarge);
    connect(fnGrid_, &TDeviceFnGrid::hint, this,
            [this](const QString& t) { form_.setStatusText(0, t); });
}

void WheelsetLink::buildCalibrPage(QWidget* page) {
    auto* grid = new QGridLayout(page);
    grid->setContentsMargins(2, 2, 2, 2);
    devNo_ = new QSpinBox(page);
    grid->addWidget(captionFor("DevNo", devNo_, page), 0, 0);
    devNo_->setObjectName("DevNoNumberEdit");
    devNo_->setRange(1, kDeviceCount);
    devNo_->setValue(5);
    devNo_->setToolTip("Cislo device (DevNo), pro ktere se pocitaji kal.konstanty (Obvkle pri "
                       "kalibraci na kal.stravu je DevNo=5)");
    grid->addWidget(devNo_, 0, 1);
    auto* dir = new QGroupBox("Calibr direction", page);
    dir->setObjectName("CalibrDirectionRadioGroup");
    auto* dirLay = new QVBoxLayout(dir);
    forward_ = new QRadioButton("Forward", dir);
    backward_ = new QRadioButton("Backward", dir);
    dirLay->addWidget(forward_);
    dirLay->addWidget(backward_);
    auto* group = new QButtonGroup(dir);
    group->addButton(forward_, 0);
    group->addButton(backward_, 1);
    grid->addWidget(dir, 1, 0, 3, 2);

    load_ = new QPushButton("Load calibration files", page);
    load_->setObjectName("LoadCalibrFilesButton");
    q3_ = new QPushButton("Compute Q3 coef", page);
    q3_->setObjectName("Compute_Q3_koef_Button");
    q3_->setToolTip("Vypocte kal.koef pro 4 polohy 0, 45,90, 135  (Vypovet Q3-koef-FW 3 rovnice "
                    "o 3 neznamych)\nPouze ze smeru FW");
    table_ = new QPushButton("Compute QYTL calibr.coef.", page);
    table_->setObjectName("Compute_QYTL_coef_Button");
    table_->setToolTip("Vypocte kalibr.koef. (360 poloh) pro zvoleny smer otaceni\nZe smeru FW "
                       "resp. BW");
    for (QPushButton* b : {load_, q3_, table_})
        b->setEnabled(false);
    grid->addWidget(load_, 0, 2);
    grid->addWidget(q3_, 1, 2);
    grid->addWidget(table_, 2, 2);

    fromTo_ = new QTableWidget(2, 2, page);
    fromTo_->setObjectName("From_To_Sample_StringGrid");
    fromTo_->horizontalHeader()->hide();
    fromTo_->verticalHeader()->hide();
    fromTo_->setColumnWidth(0, 70);
    fromTo_->setColumnWidth(1, 70);
    fromTo_->setFixedSize(144, 42);
    fromTo_->verticalHeader()->setDefaultSectionSize(20);
    const char* captions[2] = {"From sample", "To sample"};
    for (int c = 0; c < 2; ++c) {
        auto* cap = new QTableWidgetItem(captions[c]);
        cap->setFlags(Qt::ItemIsEnabled);
        fromTo_->setItem(0, c, cap);
        fromTo_->setItem(1, c, new QTableWidgetItem);
    }
    fromTo_->setCurrentCell(1, 0);
    grid->addWidget(fromTo_, 0, 3, 2, 2);
    // A number typed into the window grid goes to the block as a pick would.
    connect(fromTo_, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* it) {
        if (it->row() != 1 || fromTo_->signalsBlocked())
            return;
        bool ok = false;
        const long long k = it->text().toLongLong(&ok);
        if (!ok)
            return;
        const CalibrDirection d = forward_->isChecked()    ? CalibrDirection::Forward
                                  : backward_->isChecked() ? CalibrDirection::Backward
                                                           : CalibrDirection::None;
        form_.runCommand([&] {
            fillFromToSample(ws_.spreadsheet, ws_.sheets, devNo_->value(), d, it->column(), k,
                             form_.log());
        });
    });

    hp_ = new QLineEdit("0.05", page);
    grid->addWidget(captionFor("HP [Hz]", hp_, page), 2, 3);
    hp_->setObjectName("HP_f_NumberEdit");
    grid->addWidget(hp_, 2, 4);
    lp_ = new QLineEdit("80.0", page);
    grid->addWidget(captionFor("LP [Hz]", lp_, page), 3, 3);
    lp_->setObjectName("LP_f_NumberEdit");
    lp_->setToolTip("Frekvence dolni propusti pro vypocet QYTL coef.  0 - vypnuto");
    grid->addWidget(lp_, 3, 4);
    grid->setColumnStretch(5, 1);

    connect(group, &QButtonGroup::idClicked, this, [this] { directionChanged(); });
    connect(load_, &QPushButton::clicked, this,
            [this] { form_.runCommand([this] { calibrate(0); }); });
    connect(q3_, &QPushButton::clicked, this,
            [this] { form_.runCommand([this] { calibrate(1); }); });
    connect(table_, &QPushButton::clicked, this,
            [this] { form_.runCommand([this] { calibrate(2); }); });
}

void WheelsetLink::directionChanged() {
    const bool fw = forward_->isChecked();
    load_->setEnabled(true);
    table_->setEnabled(true);
    q3_->setEnabled(fw);
}

void WheelsetLink::enlarge(bool in) {
    // All 32 rows show while either grid has the focus.
    ToolPages* pages = form_.controlPanel()->pages;
    const bool any = in || wheelGrid_->hasFocus() || fnGrid_->hasFocus();
    pages->setFixedHeight(any ? kPagesLarge : kPagesSmall);
    wheelGrid_->setFixedHeight(any ? kGridLarge : kGridSmall);
    fnGrid_->setFixedHeight(any ? kGridLarge : kGridSmall);
}

DevFnSettings WheelsetLink::tables() const {
    DevFnSettings d;
    d.save = fnGrid_->saveFlags();
    d.QYTL_filter = qytlFilter_->text().toStdString();
    for (int n = 1; n <= kDevFnRows; ++n)
        d.wheels[static_cast<size_t>(n - 1)] = wheelGrid_->row(n);
    return d;
}

void WheelsetLink::refreshView() {
    view_.SignalGrid()->SignalGridUpdate(0);
    view_.graphs()->RedrawGraphs();
}

void WheelsetLink::computeQytl() {
    ControlPanel* panel = form_.controlPanel();
    const DevFnSettings d = tables();
    QytlRunRequest req;
    auto* from = form_.findChild<QSpinBox*>("FromIDEdit");
    auto* to = form_.findChild<QSpinBox*>("ToIDEdit");
    req.fromId = from ? from->value() : 0;
    req.toId = to ? to->value() : 0;
    req.currentId = panel->testIdEdit->IntegerVal();
    req.save = d.save;
    req.qytlFilter = d.QYTL_filter;
    req.wheels = d.wheels;
    req.loadFormat = static_cast<LoadFormat>(std::max(0, panel->loadFormatIndex()));
    req.saveFormat = static_cast<SaveFormat>(std::max(0, panel->saveFormatIndex()));
    req.saveDiv = saveDiv_->value();
    if (auto* b = form_.findChild<QCheckBox*>("BackupCheckBox"))
        req.backup = b->isChecked();
    req.trackSubdir = panel->trackInfoSubdir->text().toStdString();
    StatusProgress::Scope scope(form_.progress());
    ComputeContext ctx{ws_.store,        ws_.readers,          form_.log(),
                       form_.progress(), ws_.decimalSeparator, ws_.settings.dfltSampl_f};
    QytlRunHooks hooks;
    hooks.computed = [this](int) { refreshView(); };
    ComputeQytlRun(ws_.spreadsheet, ws_.sheets, ws_.devices, req, ctx, hooks);
    enlarge(false);
    refreshView();
}

void WheelsetLink::calibrate(int command) {
    ControlPanel* panel = form_.controlPanel();
    CalibrRequest req;
    req.device = devNo_->value();
    req.direction = forward_->isChecked()    ? CalibrDirection::Forward
                    : backward_->isChecked() ? CalibrDirection::Backward
                                             : CalibrDirection::None;
    req.testPath = ws_.sheets.TestPath;
    req.highPass = hp_->text().toStdString();
    req.lowPass = lp_->text().toStdString();
    req.format = static_cast<LoadFormat>(std::max(0, panel->loadFormatIndex()));
    req.wheelName = wheelGrid_->row(req.device).WheelName;
    req.timeText = QTime::currentTime().toString("hh:mm:ss").toStdString();
    req.dateText = QDate::currentDate().toString("dd.MM.yyyy").toStdString();
    QElapsedTimer timer;
    timer.start();
    StatusProgress::Scope scope(form_.progress());
    ComputeContext ctx{ws_.store,        ws_.readers,          form_.log(),
                       form_.progress(), ws_.decimalSeparator, ws_.settings.dfltSampl_f};
    const auto cmd = static_cast<CalibrCommand>(command);
    const CalibrRunResult r =
        runCalibrCommand(ws_.spreadsheet, ws_.sheets, ws_.devices[req.device], cmd, req, ctx);
    if (cmd == CalibrCommand::Load && r.sheetFound) {
        const QSignalBlocker block(fromTo_);
        fromTo_->item(1, 0)->setText(QString());
        fromTo_->item(1, 1)->setText(QString());
        fromTo_->setCurrentCell(1, 0);
    }
    if (r.result.ok && cmd == CalibrCommand::Q3)
        q3_->setText("Q3: " + elapsedText(timer));
    if (r.result.ok && cmd == CalibrCommand::Table)
        table_->setText("QYTL time: " + elapsedText(timer));
    refreshView();
}

void WheelsetLink::pickSample(long long sample) {
    const int col = fromTo_->currentColumn() == 1 ? 1 : 0;
    fromTo_->item(1, col)->setText(QString::number(sample)); // writes the block
    if (col == 0)
        fromTo_->setCurrentCell(1, 1);
}

} // namespace mv
