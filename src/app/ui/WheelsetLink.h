#pragma once
// The wheelset in the main window: the "raw to QYTL" page (wheel table, device function
// table, QYTL filter, save divider, "Compute QYTL" over the ID range) and the "Calibr
// QYTL coef" page (device, direction, the three calibration commands, the window of
// samples, the stand's filter corners), their settings, progress with cancel.
#include "app/Workspace.h"

#include <QObject>
#include <QString>

class QPushButton;
class QSpinBox;
class QRadioButton;
class QTableWidget;
class QLineEdit;

namespace mv {

class TForm1;
class MainView;
class TWheelGrid;
class TDeviceFnGrid;
class TNumberEdit;

class WheelsetLink final : public QObject {
    Q_OBJECT
public:
    WheelsetLink(TForm1& form, Workspace& ws, MainView& view);

    TWheelGrid* wheelGrid() const { return wheelGrid_; }
    TDeviceFnGrid* deviceFnGrid() const { return fnGrid_; }
    TNumberEdit* qytlFilter() const { return qytlFilter_; }
    QSpinBox* saveDivider() const { return saveDiv_; }
    QPushButton* computeButton() const { return compute_; }
    QSpinBox* devNo() const { return devNo_; }
    QRadioButton* forward() const { return forward_; }
    QRadioButton* backward() const { return backward_; }
    QPushButton* loadButton() const { return load_; }
    QPushButton* q3Button() const { return q3_; }
    QPushButton* tableButton() const { return table_; }
    QTableWidget* fromToGrid() const { return fromTo_; }
    QLineEdit* highPass() const { return hp_; }
    QLineEdit* lowPass() const { return lp_; }

    // The commands behind the buttons.
    void computeQytl();
    void calibrate(int command); // CalibrCommand: 0 load, 1 Q3, 2 table
    // A sample number picked for "From sample" or "To sample" (the current column of the
    // window grid, which then moves on to "To sample"); a Ctrl + click in a graph while
    // the grid has the focus picks the sample under the mouse.
    void pickSample(long long sample);

private:
    void buildRawPage(QWidget* page);
    void buildCalibrPage(QWidget* page);
    void enlarge(bool in);
    void directionChanged();
    DevFnSettings tables() const;
    void refreshView();

    TForm1& form_;
    Workspace& ws_;
    MainView& view_;
    TWheelGrid* wheelGrid_ = nullptr;
    TDeviceFnGrid* fnGrid_ = nullptr;
    TNumberEdit* qytlFilter_ = nullptr;
    QSpinBox* saveDiv_ = nullptr;
    QPushButton* compute_ = nullptr;
    QSpinBox* devNo_ = nullptr;
    QRadioButton* forward_ = nullptr;
    QRadioButton* backward_ = nullptr;
    QPushButton* load_ = nullptr;
    QPushButton* q3_ = nullptr;
    QPushButton* table_ = nullptr;
    QTableWidget* fromTo_ = nullptr;
    QLineEdit* hp_ = nullptr;
    QLineEdit* lp_ = nullptr;
};

} // namespace mv
