#pragma once
// The "Align km" and "Curve2xls" tool pages: their grids, edits, check box and buttons.
// The pages only gather what the user typed into the engine's settings structs and show
// what the engine found; the application wires the buttons to the commands.
#include "evaluation/CurveProfile.h"
#include "evaluation/TrackAlign.h"

#include <QWidget>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace mv {

class TNumberEdit;

class AlignKmPage final : public QWidget {
    Q_OBJECT
public:
    explicit AlignKmPage(QWidget* parent = nullptr);

    QTableWidget* fileGrid = nullptr;      // Align_km_FileNameStringGrid, 3 x 6
    TNumberEdit* mmToCurve = nullptr;      // Align_mmToCurve_kmNumberEdit
    TNumberEdit* slope = nullptr;          // Track_km_Slope_NumberEdit
    TNumberEdit* offset = nullptr;         // Track_km_ofset_m_NumberEdit
    QCheckBox* signum = nullptr;           // ChangeBauCurveSignumCheckBox
    QLineEdit* forwardName = nullptr;      // ForwardDirectoryNameEdit
    QLineEdit* backwardName = nullptr;     // BackwardDirectoryNameEdit
    QTableWidget* trackInfoGrid = nullptr; // TrackInfoStringGrid, 2 x 3
    QPushButton* openButton = nullptr;     // Align_km_OpenFiles_Button
    QPushButton* prevButton = nullptr;     // AlignPrev_IDButton
    QPushButton* nextButton = nullptr;     // AlignNext_IDButton
    QPushButton* saveButton = nullptr;     // SaveAlignedSigs_Button

    // The page as settings; the track subfolder is not on the page and stays empty.
    AlignSettings settings() const;
    void setSettings(const AlignSettings& a);
    void showTrackInfo(const TrackInfoSummary& s);
    // The buttons work only while the test's track-information workbook was found.
    void setTrackInfoFound(bool found);

    void setDecimalSeparator(char sep);

signals:
    // Slope or offset changed to a valid number.
    void alignmentChanged();
};

class Curve2xlsPage final : public QWidget {
    Q_OBJECT
public:
    explicit Curve2xlsPage(QWidget* parent = nullptr);

    QTableWidget* fileGrid = nullptr;  // Curve2xlsStringGrid, 2 x 3
    TNumberEdit* mmToCurve = nullptr;  // c2x_mmToCurve_kmNumberEdit
    QPushButton* openButton = nullptr; // OpenCurve2xlsButton
    QPushButton* prevButton = nullptr; // Prev_c2x_IDButton
    QPushButton* nextButton = nullptr; // Next_c2x_IDButton
    QPushButton* saveButton = nullptr; // Save_c2x_Button

    Curve2xlsSettings settings() const;
    void setSettings(const Curve2xlsSettings& c);
    void setDecimalSeparator(char sep);
};

} // namespace mv
