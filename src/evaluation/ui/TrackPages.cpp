#include "evaluation/ui/TrackPages.h"

#include "core/TextNumbers.h"
#include "core/ui/Caption.h"
#include "widgets/ui/MV_Komp.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

namespace mv {

namespace {

QTableWidget* makeGrid(QWidget* parent, const char* name, int cols, int rows,
                       std::initializer_list<int> widths) {
    auto* g = new QTableWidget(rows, cols, parent);
    g->setObjectName(name);
    g->horizontalHeader()->hide();
    g->verticalHeader()->hide();
    g->verticalHeader()->setDefaultSectionSize(18);
    int c = 0;
    for (const int w : widths)
        g->setColumnWidth(c++, w);
    for (int r = 0; r < rows; ++r)
        for (int k = 0; k < cols; ++k)
            g->setItem(r, k, new QTableWidgetItem);
    g->setFixedHeight(rows * 18 + 4);
    return g;
}

void setFixed(QTableWidget* g, int row, int col, const QString& text) {
    QTableWidgetItem* it = g->item(row, col);
    it->setText(text);
    it->setFlags(it->flags() & ~Qt::ItemIsEditable);
}

QString cell(const QTableWidget* g, int row, int col) {
    const QTableWidgetItem* it = g->item(row, col);
    return it ? it->text().trimmed() : QString();
}

void setCell(QTableWidget* g, int row, int col, const std::string& text) {
    g->item(row, col)->setText(QString::fromStdString(text));
}

TNumberEdit* numberEdit(QWidget* parent, const char* name, double lo, double hi, double inc) {
    auto* e = new TNumberEdit(parent);
    e->setObjectName(name);
    e->set_NumberTyp(ntDouble);
    e->setRange(lo, hi);
    e->set_Increment(inc);
    e->setFixedWidth(80);
    return e;
}

QPushButton* button(QWidget* parent, const char* name, const char* text) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    return b;
}

} // namespace

AlignKmPage::AlignKmPage(QWidget* parent) : QWidget(parent) {
    setObjectName("AlignKmPage");
    auto* lay = new QGridLayout(this);
    lay->setContentsMargins(2, 2, 2, 2);
    lay->setSpacing(2);
    fileGrid = makeGrid(this, "Align_km_FileNameStringGrid", 3, 6, {105, 52, 52});
    fileGrid->setToolTip("Tabulka se jmény souboru pro rovnání traťových km (bez připon)");
    setFixed(fileGrid, 0, 0, "Meas.curve");
    setFixed(fileGrid, 1, 0, "Meas.track_km");
    setFixed(fileGrid, 0, 2, "[mm]");
    setFixed(fileGrid, 1, 2, "[km]");
    for (int n = 1; n <= kUfSensors; ++n)
        fileGrid->item(n + 1, 0)->setText(QString("uf%1 to Curve0 dist [m]").arg(n));
    lay->addWidget(fileGrid, 0, 0, 4, 1);

    mmToCurve = numberEdit(this, "Align_mmToCurve_kmNumberEdit", -100, 100, 0.0001);
    slope = numberEdit(this, "Track_km_Slope_NumberEdit", -100, 100, 0.0001);
    offset = numberEdit(this, "Track_km_ofset_m_NumberEdit", -100000000, 100000000, 1);
    lay->addWidget(captionFor("mm to curve 1/km", mmToCurve, this), 0, 1);
    lay->addWidget(mmToCurve, 0, 2);
    lay->addWidget(captionFor("Track km slope:", slope, this), 1, 1);
    lay->addWidget(slope, 1, 2);
    lay->addWidget(captionFor("Track km offs. [m]", offset, this), 2, 1);
    lay->addWidget(offset, 2, 2);
    signum = new QCheckBox("Change BauCurve signum", this);
    signum->setObjectName("ChangeBauCurveSignumCheckBox");
    lay->addWidget(signum, 3, 1, 1, 2);

    forwardName = new QLineEdit("Vpred", this);
    forwardName->setObjectName("ForwardDirectoryNameEdit");
    backwardName = new QLineEdit("Vzad", this);
    backwardName->setObjectName("BackwardDirectoryNameEdit");
    lay->addWidget(captionFor("Forward name", forwardName, this), 0, 3);
    lay->addWidget(forwardName, 0, 4);
    lay->addWidget(captionFor("Backw.name", backwardName, this), 1, 3);
    lay->addWidget(backwardName, 1, 4);
    trackInfoGrid = makeGrid(this, "TrackInfoStringGrid", 2, 3, {60, 70});
    setFixed(trackInfoGrid, 0, 0, "From km");
    setFixed(trackInfoGrid, 1, 0, "To km");
    setFixed(trackInfoGrid, 2, 0, "Rows");
    for (int r = 0; r < 3; ++r)
        setFixed(trackInfoGrid, r, 1, "");
    lay->addWidget(trackInfoGrid, 2, 3, 2, 2);

    openButton = button(this, "Align_km_OpenFiles_Button", "Open files");
    prevButton = button(this, "AlignPrev_IDButton", "Prev ID");
    nextButton = button(this, "AlignNext_IDButton", "Next ID");
    saveButton = button(this, "SaveAlignedSigs_Button", "Save aligned ");
    lay->addWidget(openButton, 0, 5);
    lay->addWidget(prevButton, 1, 5);
    lay->addWidget(nextButton, 2, 5);
    lay->addWidget(saveButton, 3, 5);
    lay->setColumnStretch(6, 1);

    connect(slope, &TNumberEdit::numberChanged, this, &AlignKmPage::alignmentChanged);
    connect(offset, &TNumberEdit::numberChanged, this, &AlignKmPage::alignmentChanged);
    setTrackInfoFound(false);
}

void AlignKmPage::setDecimalSeparator(char sep) {
    for (TNumberEdit* e : {mmToCurve, slope, offset})
        e->setDecimalSeparator(sep);
}

AlignSettings AlignKmPage::settings() const {
    AlignSettings a;
    a.curveName = cell(fileGrid, 0, 1).toStdString();
    a.trackKmName = cell(fileGrid, 1, 1).toStdString();
    a.mmToCurve = mmToCurve->text().trimmed().toStdString();
    a.changeSignum = signum->isChecked();
    for (int n = 0; n < kUfSensors; ++n) {
        a.ufDist[static_cast<size_t>(n)] = cell(fileGrid, n + 2, 1).toStdString();
        a.ufLabel[static_cast<size_t>(n)] = cell(fileGrid, n + 2, 2).toStdString();
    }
    a.slope = slope->IsOK() ? slope->DoubleVal() : 1.0;
    a.offsetM = offset->IsOK() ? offset->DoubleVal() : 0.0;
    a.forwardName = forwardName->text().toStdString();
    a.backwardName = backwardName->text().toStdString();
    return a;
}

void AlignKmPage::setSettings(const AlignSettings& a) {
    setCell(fileGrid, 0, 1, a.curveName);
    setCell(fileGrid, 1, 1, a.trackKmName);
    for (int n = 0; n < kUfSensors; ++n) {
        setCell(fileGrid, n + 2, 1, a.ufDist[static_cast<size_t>(n)]);
        setCell(fileGrid, n + 2, 2, a.ufLabel[static_cast<size_t>(n)]);
    }
    mmToCurve->setValueText(QString::fromStdString(a.mmToCurve));
    signum->setChecked(a.changeSignum);
    slope->setValueText(QString::fromStdString(formatFloatFull(a.slope)));
    offset->setValueText(QString::fromStdString(formatFloatFull(a.offsetM)));
    forwardName->setText(QString::fromStdString(a.forwardName));
    backwardName->setText(QString::fromStdString(a.backwardName));
}

void AlignKmPage::showTrackInfo(const TrackInfoSummary& s) {
    trackInfoGrid->item(0, 1)->setText(QString::fromStdString(formatFloatF(s.fromKm, 10, 3)));
    trackInfoGrid->item(1, 1)->setText(QString::fromStdString(formatFloatF(s.toKm, 10, 3)));
    trackInfoGrid->item(2, 1)->setText(QString::number(s.rows));
}

void AlignKmPage::setTrackInfoFound(bool found) {
    for (QPushButton* b : {openButton, prevButton, nextButton, saveButton})
        b->setEnabled(found);
}

Curve2xlsPage::Curve2xlsPage(QWidget* parent) : QWidget(parent) {
    setObjectName("Curve2xlsPage");
    auto* lay = new QGridLayout(this);
    lay->setContentsMargins(2, 2, 2, 2);
    lay->setSpacing(2);
    fileGrid = makeGrid(this, "Curve2xlsStringGrid", 2, 3, {105, 68});
    fileGrid->setToolTip("Jmena souboru pro vypocet BauCurve z namerene Curve (bez pripon)");
    setFixed(fileGrid, 0, 0, "Speed [km/h]");
    setFixed(fileGrid, 1, 0, "Meas.curve [mm]");
    setFixed(fileGrid, 2, 0, "Meas.track_km [km]");
    lay->addWidget(fileGrid, 0, 0, 3, 1);
    mmToCurve = numberEdit(this, "c2x_mmToCurve_kmNumberEdit", -100, 100, 0.0001);
    lay->addWidget(captionFor("mm to curve 1/km", mmToCurve, this), 0, 1);
    lay->addWidget(mmToCurve, 0, 2);
    openButton = button(this, "OpenCurve2xlsButton", "Open files");
    prevButton = button(this, "Prev_c2x_IDButton", "Prev ID");
    nextButton = button(this, "Next_c2x_IDButton", "Next ID");
    saveButton = button(this, "Save_c2x_Button", "Save to Excel");
    lay->addWidget(openButton, 0, 3);
    lay->addWidget(prevButton, 1, 3);
    lay->addWidget(nextButton, 2, 3);
    lay->addWidget(saveButton, 1, 1, 1, 2);
    lay->setColumnStretch(4, 1);
}

void Curve2xlsPage::setDecimalSeparator(char sep) {
    mmToCurve->setDecimalSeparator(sep);
}

Curve2xlsSettings Curve2xlsPage::settings() const {
    Curve2xlsSettings c;
    c.speedName = cell(fileGrid, 0, 1).toStdString();
    c.curveName = cell(fileGrid, 1, 1).toStdString();
    c.trackKmName = cell(fileGrid, 2, 1).toStdString();
    c.mmToCurve = mmToCurve->text().trimmed().toStdString();
    return c;
}

void Curve2xlsPage::setSettings(const Curve2xlsSettings& c) {
    setCell(fileGrid, 0, 1, c.speedName);
    setCell(fileGrid, 1, 1, c.curveName);
    setCell(fileGrid, 2, 1, c.trackKmName);
    mmToCurve->setValueText(QString::fromStdString(c.mmToCurve));
}

} // namespace mv
