#include "app/ui/ControlPanel.h"

#include "app/ui/ToolPages.h"
#include "core/HelpTexts.h"
#include "core/LoadFiles.h"
#include "core/Settings.h"
#include "core/ui/LogPane.h"
#include "widgets/ui/MV_Komp.h"

#include <QDoubleValidator>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QVBoxLayout>
#include <utility>

namespace mv {

namespace {
QLabel* caption(const char* text, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    return l;
}

QGroupBox* formatGroup(const char* title, const char* const* names, int count, int columns,
                       QButtonGroup*& group, QWidget* parent) {
    auto* box = new QGroupBox(title, parent);
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(4, 2, 4, 2);
    grid->setSpacing(0);
    group = new QButtonGroup(box);
    const int rows = (count + columns - 1) / columns;
    for (int i = 0; i < count; ++i) {
        // "B&K" is a caption, not a mnemonic.
        auto* b = new QRadioButton(QString(names[i]).replace('&', "&&"), box);
        // A format name is never cut ("Mor" for "Morvanet"): others give way first.
        b->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Fixed);
        group->addButton(b, i);
        grid->addWidget(b, i % rows, i / rows);
    }
    return box;
}
} // namespace

ControlPanel::ControlPanel(QWidget* parent) : QWidget(parent) {
    setObjectName("ControlPanel");
    setFixedHeight(kHeight);
    QFont small = font();
    small.setPointSize(8);
    setFont(small);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(1, 1, 1, 1);
    row->setSpacing(4);

    // Left: the test.
    auto* left = new QWidget(this);
    left->setFixedWidth(330);
    auto* lg = new QGridLayout(left);
    lg->setContentsMargins(0, 0, 0, 0);
    lg->setVerticalSpacing(1);
    lg->addWidget(caption("Log:", left), 0, 0);
    logName = new QLabel(left);
    logName->setObjectName("LogNameLabel");
    lg->addWidget(logName, 0, 1, 1, 3);
    lg->addWidget(caption("Test ID:", left), 1, 0);
    testIdEdit = new TNumberEdit(left);
    testIdEdit->setObjectName("TestIDNumberEdit");
    testIdEdit->set_NumberTyp(ntInteger);
    // Any Test ID until a Log gives the highest one.
    testIdEdit->setRange(1, 65536);
    testIdEdit->set_Increment(1);
    testIdEdit->setFixedWidth(60);
    lg->addWidget(testIdEdit, 2, 0);
    testDescHolder = new QWidget(left);
    testDescHolder->setObjectName("TestDescHolder");
    testDescHolder->setFixedSize(228, 77);
    lg->addWidget(testDescHolder, 1, 1, 4, 3);
    lg->addWidget(caption("Test date", left), 5, 0);
    testDate = new QLabel(left);
    testDate->setObjectName("TestDateLabel");
    lg->addWidget(testDate, 5, 1);
    lg->addWidget(caption("Test time", left), 5, 2);
    testTime = new QLabel(left);
    testTime->setObjectName("TestTimeLabel");
    lg->addWidget(testTime, 5, 3);
    calibrFilePath = new QLabel(left);
    calibrFilePath->setObjectName("CalibrFilePathLabel");
    lg->addWidget(calibrFilePath, 6, 0, 1, 4);
    lg->setRowStretch(4, 1);
    row->addWidget(left);

    // Middle: common fields and formats.
    auto* mid = new QWidget(this);
    auto* mg = new QGridLayout(mid);
    mg->setContentsMargins(0, 0, 0, 0);
    mg->setVerticalSpacing(1);
    mg->addWidget(caption("f process [Hz]", mid), 0, 0);
    fProcessEdit = new TNumberEdit(mid);
    fProcessEdit->setObjectName("f_process_NumberEdit");
    fProcessEdit->set_NumberTyp(ntDouble);
    fProcessEdit->setRange(100.0, 1000000.0);
    fProcessEdit->set_Increment(100.0);
    fProcessEdit->setFixedWidth(70);
    mg->addWidget(fProcessEdit, 0, 1);
    invDeltaTLabel = new QLabel("1/DeltaT", mid);
    invDeltaTLabel->setObjectName("InvDeltaTLabel");
    mg->addWidget(invDeltaTLabel, 1, 0, 1, 2);
    mg->addWidget(caption("Excel copy rows:", mid), 2, 0);
    excelCopyRows = new QSpinBox(mid);
    excelCopyRows->setObjectName("ExcelCopyRowsEdit");
    excelCopyRows->setRange(1, 1000000);
    excelCopyRows->setValue(1000);
    mg->addWidget(excelCopyRows, 2, 1);
    mg->addWidget(caption("Row in xls", mid), 3, 0);
    rowInXls = new QSpinBox(mid);
    rowInXls->setObjectName("RowInXlsEdit");
    rowInXls->setRange(1, 1048576);
    rowInXls->setValue(4);
    mg->addWidget(rowInXls, 3, 1);
    mg->addWidget(caption("Excel output WS", mid), 4, 0);
    excelOutCombo = new QComboBox(mid);
    excelOutCombo->setObjectName("ExcelOutComboBox");
    excelOutCombo->setEnabled(false);
    excelOutCombo->setMinimumWidth(130);
    mg->addWidget(excelOutCombo, 4, 1);
    mg->addWidget(caption("Track info subdir.", mid), 5, 0);
    trackInfoSubdir = new QLineEdit(mid);
    trackInfoSubdir->setObjectName("TrackInfoSubdirectoryEdit");
    mg->addWidget(trackInfoSubdir, 5, 1);
    trackInfoName = new QLabel(mid);
    trackInfoName->setObjectName("TrackInfoNameLabel");
    mg->addWidget(trackInfoName, 6, 0, 1, 2);

    QGroupBox* loadBox = formatGroup("Load file format", kLoadFormatNames.data(), kLoadFormatCount,
                                     3, loadFormat, mid);
    loadBox->setObjectName("LoadFileFormatRadioGroup");
    loadBox->setToolTip(
        QString::fromUtf8(loadFormatHint().data(), qsizetype(loadFormatHint().size())));
    mg->addWidget(loadBox, 0, 2, 4, 1);
    QGroupBox* saveBox = formatGroup("Save file format", kSaveFormatNames.data(), kSaveFormatCount,
                                     2, saveFormat, mid);
    saveBox->setObjectName("SaveFileFormatRadioGroup");
    saveBox->setToolTip(
        QString::fromUtf8(saveFormatHint().data(), qsizetype(saveFormatHint().size())));
    mg->addWidget(saveBox, 4, 2, 2, 1);
    loadFormat->button(0)->setChecked(true);
    saveFormat->button(0)->setChecked(true);

    mg->addWidget(caption("Sig no. to fill", mid), 0, 3);
    fillSigNo = new QSpinBox(mid);
    fillSigNo->setObjectName("FillSigNoEdit");
    fillSigNo->setRange(0, 200);
    mg->addWidget(fillSigNo, 1, 3);
    fillValue = new QLineEdit("0", mid);
    fillValue->setObjectName("FillValueEdit");
    fillValue->setFixedWidth(70);
    mg->addWidget(fillValue, 2, 3);
    fillButton = new QPushButton("Fill signal", mid);
    fillButton->setObjectName("FillSignalButton");
    mg->addWidget(fillButton, 3, 3);
    row->addWidget(mid);

    pages = new ToolPages(this);
    // 495 pixels when the window has room; on a small screen the pages give way first
    // (they scroll), the fields and format choices beside them never do.
    pages->setFixedHeight(149);
    pages->setMinimumWidth(260);
    pages->setMaximumWidth(495);
    pages->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    row->addWidget(pages, 2);

    log = new LogPane(this);
    log->setMinimumWidth(100);
    row->addWidget(log, 3);

    // Each caption belongs to the control beside it (context help explains both alike).
    const std::pair<const char*, QWidget*> captions[] = {
        {"Log:", logName},
        {"Test ID:", testIdEdit},
        {"Test date", testDate},
        {"Test time", testTime},
        {"f process [Hz]", fProcessEdit},
        {"Excel copy rows:", excelCopyRows},
        {"Row in xls", rowInXls},
        {"Excel output WS", excelOutCombo},
        {"Track info subdir.", trackInfoSubdir},
        {"Sig no. to fill", fillSigNo},
    };
    for (QLabel* l : findChildren<QLabel*>())
        for (const auto& [text, control] : captions)
            if (l->objectName().isEmpty() && l->text() == text)
                l->setBuddy(control);
}

void ControlPanel::setLoadFormatIndex(int i) {
    if (auto* b = loadFormat->button(i))
        b->setChecked(true);
}

void ControlPanel::setSaveFormatIndex(int i) {
    if (auto* b = saveFormat->button(i))
        b->setChecked(true);
}

bool ControlPanel::fProcess(double& value) const {
    if (!fProcessEdit->IsOK())
        return false;
    value = fProcessEdit->DoubleVal();
    return true;
}

} // namespace mv
