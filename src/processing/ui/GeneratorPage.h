#pragma once
// The "Generator" tool page: slot, sample count, the component table and the two
// check boxes. The signal is generated again whenever the table or the sample count
// changes while "Instant Gener." is checked, and always on Enter in "Samples".
#include "processing/Generator.h"

#include <QWidget>
#include <functional>

class QCheckBox;
class QPushButton;
class QTableWidget;

namespace mv {

class SettingsBackend;
class TNumberEdit;
class SignalStore;
struct MainSettings;

class GeneratorPage : public QWidget {
    Q_OBJECT
public:
    // The page generates into `store` at f process, read from `settings` at each run.
    GeneratorPage(SignalStore& store, const MainSettings& settings, QWidget* parent = nullptr);

    TNumberEdit* GenerSignalNoNumberEdit = nullptr;
    TNumberEdit* SamplesNumberEdit = nullptr;
    QTableWidget* GeneratorGrid = nullptr;
    QCheckBox* InstantGenerateCheckBox = nullptr;
    QCheckBox* WorkSimulateCheckBox = nullptr;
    // "RainFlow": the application connects it to the rainflow command.
    QPushButton* RainFlowSpeedButton = nullptr;

    // Runs after each generation (RedrawGraphs).
    std::function<void()> redrawGraphs;

    void GenerSpeedButtonClick();
    // What the page would generate now (the seed aside).
    GeneratorParams params() const;

    // "Generator/Gener1".."Gener4", one value per column caption.
    void readSettings(const SettingsBackend& s);
    void writeSettings(SettingsBackend& s) const;

private:
    SignalStore& store_;
    const MainSettings& settings_;
    bool filling_ = false;
};

} // namespace mv
