#include "processing/ui/GeneratorPage.h"

#include "core/Settings.h"
#include "core/SignalStore.h"
#include "widgets/ui/MV_Komp.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <chrono>

namespace mv {

namespace {
std::string genKey(int row, int col) {
    return "Generator/Gener" + std::to_string(row) + "/" + kGenColumnCaptions[std::size_t(col)];
}
} // namespace

GeneratorPage::GeneratorPage(SignalStore& store, const MainSettings& settings, QWidget* parent)
    : QWidget(parent), store_(store), settings_(settings) {
    setObjectName("GeneratorPageContent");
    auto* lay = new QGridLayout(this);
    lay->setContentsMargins(4, 2, 4, 2);
    lay->setVerticalSpacing(2);

    auto* signalNoCaption = new QLabel("Signal No.", this);
    lay->addWidget(signalNoCaption, 0, 0);
    GenerSignalNoNumberEdit = new TNumberEdit(this);
    GenerSignalNoNumberEdit->setObjectName("GenerSignalNoNumberEdit");
    GenerSignalNoNumberEdit->set_NumberTyp(ntInteger);
    GenerSignalNoNumberEdit->setRange(1, 200);
    GenerSignalNoNumberEdit->set_Increment(1);
    GenerSignalNoNumberEdit->setValueText("1");
    GenerSignalNoNumberEdit->setFixedWidth(60);
    GenerSignalNoNumberEdit->setToolTip("Cislo signalu, ktery se bude generovat");
    lay->addWidget(GenerSignalNoNumberEdit, 1, 0);
    signalNoCaption->setBuddy(GenerSignalNoNumberEdit);

    auto* samplesCaption = new QLabel("Samples", this);
    lay->addWidget(samplesCaption, 2, 0);
    SamplesNumberEdit = new TNumberEdit(this);
    SamplesNumberEdit->setObjectName("SamplesNumberEdit");
    SamplesNumberEdit->set_NumberTyp(ntInteger);
    SamplesNumberEdit->setRange(1, 1000000000);
    SamplesNumberEdit->set_Increment(1024);
    SamplesNumberEdit->setValueText("65536");
    SamplesNumberEdit->setFixedWidth(80);
    SamplesNumberEdit->setToolTip("Pocet samplu, ktery se bude generovat");
    lay->addWidget(SamplesNumberEdit, 3, 0);
    samplesCaption->setBuddy(SamplesNumberEdit);

    InstantGenerateCheckBox = new QCheckBox("Instant Gener.", this);
    InstantGenerateCheckBox->setObjectName("InstantGenerateCheckBox");
    InstantGenerateCheckBox->setChecked(true);
    lay->addWidget(InstantGenerateCheckBox, 4, 0);
    WorkSimulateCheckBox = new QCheckBox("Work simulate", this);
    WorkSimulateCheckBox->setObjectName("WorkSimulateCheckBox");
    lay->addWidget(WorkSimulateCheckBox, 5, 0);

    GeneratorGrid = new QTableWidget(kGenComponents, 6, this);
    GeneratorGrid->setObjectName("GeneratorGrid");
    GeneratorGrid->setToolTip("Tabulka parametru generovanych signalu");
    QStringList captions{"No"};
    for (const char* c : kGenColumnCaptions)
        captions << c;
    GeneratorGrid->setHorizontalHeaderLabels(captions);
    GeneratorGrid->verticalHeader()->hide();
    GeneratorGrid->verticalHeader()->setMinimumSectionSize(10);
    GeneratorGrid->verticalHeader()->setDefaultSectionSize(18);
    GeneratorGrid->horizontalHeader()->setFixedHeight(18);
    GeneratorGrid->setColumnWidth(0, 20);
    for (int c = 1; c <= 5; ++c)
        GeneratorGrid->setColumnWidth(c, 70);
    GeneratorGrid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    GeneratorGrid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    filling_ = true;
    for (int r = 0; r < kGenComponents; ++r) {
        auto* no = new QTableWidgetItem;
        no->setFlags(Qt::ItemIsEnabled);
        no->setBackground(palette().button());
        GeneratorGrid->setItem(r, 0, no);
        for (int c = 0; c < 5; ++c)
            GeneratorGrid->setItem(r, c + 1,
                                   new QTableWidgetItem(kGenColumnDefaults[std::size_t(c)]));
    }
    filling_ = false;
    lay->addWidget(GeneratorGrid, 0, 1, 6, 1);
    RainFlowSpeedButton = new QPushButton("RainFlow", this);
    RainFlowSpeedButton->setObjectName("RainFlowSpeedButton");
    RainFlowSpeedButton->setToolTip("Process RainFlow with ploted signals");
    lay->addWidget(RainFlowSpeedButton, 0, 2);
    lay->setColumnStretch(1, 1);

    connect(SamplesNumberEdit, &TNumberEdit::numberChanged, this, [this] {
        if (InstantGenerateCheckBox->isChecked())
            GenerSpeedButtonClick();
    });
    connect(SamplesNumberEdit, &TNumberEdit::enterPressed, this,
            &GeneratorPage::GenerSpeedButtonClick);
    connect(GeneratorGrid, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* it) {
        if (!filling_ && it->column() > 0 && InstantGenerateCheckBox->isChecked())
            GenerSpeedButtonClick();
    });
}

GeneratorParams GeneratorPage::params() const {
    GeneratorParams p;
    p.sigNo = GenerSignalNoNumberEdit->IntegerVal();
    p.samples = SamplesNumberEdit->IntegerVal();
    p.fs = settings_.dfltSampl_f;
    p.workSimulate = WorkSimulateCheckBox->isChecked();
    for (int r = 0; r < kGenComponents; ++r)
        for (int c = 0; c < 5; ++c)
            p.cells[std::size_t(r)][std::size_t(c)] =
                GeneratorGrid->item(r, c + 1)->text().toStdString();
    return p;
}

void GeneratorPage::GenerSpeedButtonClick() {
    GeneratorParams p = params();
    p.seed = std::uint64_t(std::chrono::steady_clock::now().time_since_epoch().count());
    if (!GenerateSignal(store_, p))
        return;
    if (redrawGraphs)
        redrawGraphs();
}

void GeneratorPage::readSettings(const SettingsBackend& s) {
    filling_ = true;
    for (int r = 1; r <= kGenComponents; ++r)
        for (int c = 0; c < 5; ++c) {
            QString text = kGenColumnDefaults[std::size_t(c)];
            if (const auto v = s.read(genKey(r, c)); v && !v->empty())
                text = QString::fromStdString(*v);
            GeneratorGrid->item(r - 1, c + 1)->setText(text);
        }
    filling_ = false;
}

void GeneratorPage::writeSettings(SettingsBackend& s) const {
    for (int r = 1; r <= kGenComponents; ++r)
        for (int c = 0; c < 5; ++c)
            s.write(genKey(r, c), GeneratorGrid->item(r - 1, c + 1)->text().toStdString());
}

} // namespace mv
