#pragma once
// The control panel at the top of the main window: test selection on the left,
// the common fields and the file-format choices in the middle, the tool pages,
// and the log pane on the right.
#include <QButtonGroup>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QWidget>

namespace mv {

class LogPane;
class TNumberEdit;
class ToolPages;

class ControlPanel final : public QWidget {
    Q_OBJECT
public:
    static constexpr int kHeight = 150;
    explicit ControlPanel(QWidget* parent = nullptr);

    // Left: the test selected from the Log workbook.
    QLabel* logName = nullptr;
    TNumberEdit* testIdEdit = nullptr; // TestIDNumberEdit
    QLabel* testDate = nullptr;
    QLabel* testTime = nullptr;
    QLabel* calibrFilePath = nullptr; // the selected test's folder
    // Place of the test description grid (filled by the Signal table side).
    QWidget* testDescHolder = nullptr;

    // Middle.
    TNumberEdit* fProcessEdit = nullptr; // "f process [Hz]", f_process_NumberEdit
    QLabel* invDeltaTLabel = nullptr;    // "1/DeltaT"
    QSpinBox* excelCopyRows = nullptr;   // "Max count of numbers paste to Excel"
    QSpinBox* rowInXls = nullptr;        // "Row in xls"
    QComboBox* excelOutCombo = nullptr;
    QButtonGroup* loadFormat = nullptr; // ids 0..8
    QButtonGroup* saveFormat = nullptr; // ids 0..3
    QSpinBox* fillSigNo = nullptr;
    QLineEdit* fillValue = nullptr;
    QPushButton* fillButton = nullptr;
    QLineEdit* trackInfoSubdir = nullptr;
    QLabel* trackInfoName = nullptr; // the track-information workbook of the test

    ToolPages* pages = nullptr;
    LogPane* log = nullptr;

    int loadFormatIndex() const { return loadFormat->checkedId(); }
    int saveFormatIndex() const { return saveFormat->checkedId(); }
    void setLoadFormatIndex(int i);
    void setSaveFormatIndex(int i);
    // f process as typed (either decimal separator); false while the text is not a
    // number in 100 .. 1000000.
    bool fProcess(double& value) const;
};

} // namespace mv
