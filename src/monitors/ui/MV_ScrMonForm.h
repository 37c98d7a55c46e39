#pragma once
// TScrMonForm, the "Monitors" window: home of the polygraphs that replay signals.
// It is created hidden at start and brought forward with "Swap window".
#include "evaluation/workbook/SpreadsheetApp.h"
#include "monitors/MonitorsEngine.h"
#include "monitors/StripChart.h"

#include <QPushButton>
#include <QRect>
#include <QTimer>
#include <QWidget>
#include <memory>
#include <optional>
#include <vector>

namespace mv {

class PolyGrafForm;

// What the Monitors window needs from the main window: the replay rate ("f process") and
// the lower graph's time window.
class ReplaySource {
public:
    virtual ~ReplaySource() = default;
    virtual double fsPlay() const = 0;
    virtual std::pair<double, double> lowerWindow() const = 0;
    // The Test ID and the test description rows the strip charts print in their headers.
    virtual std::string testId() const { return "0"; }
    virtual std::array<std::array<std::string, 2>, 4> testDescription() const { return {}; }
    // Ctrl+Enter in a series grid: the main window comes forward with the Signal table on
    // that slot's row.
    virtual void focusSignal(int /*slot*/) const {}
};

class TScrMonForm final : public QWidget {
    Q_OBJECT
public:
    // Without an engine the window is an empty shell (tests of the main window).
    explicit TScrMonForm(MonitorsEngine* engine = nullptr, const ReplaySource* source = nullptr,
                         QWidget* parent = nullptr);
    ~TScrMonForm() override;

    QWidget* Panel2 = nullptr;
    QPushButton* PlotSignalsSpeedButton = nullptr;
    QPushButton* SavePolyGraphsButton = nullptr;
    int _OldWidth = 0;
    int _OldHeight = 0;
    static constexpr int kPanelHeight = 85;

    MonitorsEngine* engine() const { return engine_; }
    double fsPlay() const;
    bool arrangeMode() const { return arrange_; }
    void setArrangeMode(bool on);
    Log& log();
    void setLog(Log* log) { log_ = log; }

    // A rescan found (or lost) the EvaLog's PARAM sheet: the polygraphs are rebuilt when
    // the sheet's block differs from the one loaded last.
    void paramSheetScanned(SpreadsheetApp* app, const SheetHandle& param);
    // Builds the polygraphs of a block (replacing all).
    void loadBlock(const Block& b);
    // "Save polygr.".
    void savePolyGrafs();
    // Replays t1..t2 as "Plot signals" replays the lower graph's window; the button stays
    // down until the replay has ended (replaying()).
    void replayWindow(double t1, double t2);
    bool replaying() const { return PlotSignalsSpeedButton->isChecked(); }
    // A polygraph from a definition with one subgraph (the creation drag).
    PolyGrafForm* createPolyGraf(const PolyRect& r);
    void closePolyGraf(PolyGrafForm* f);
    const std::vector<PolyGrafForm*>& polyForms() const { return forms_; }
    StripChartDriver* stripCharts() const { return strip_.get(); }
    // Brings the main window's Signal table forward on the slot's row.
    void focusSignal(int slot) const {
        if (source_)
            source_->focusSignal(slot);
    }
    // Monitors window's client area in screen coordinates (docking).
    PolyRect screenArea() const;

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    void plotSignals(bool down);
    void startReplay(double t1, double t2);
    void poll();
    void clearForms();

    MonitorsEngine* engine_ = nullptr;
    std::unique_ptr<StripChartDriver> strip_;
    const ReplaySource* source_ = nullptr;
    Log* log_ = nullptr;
    CaptureLog fallbackLog_;
    std::vector<PolyGrafForm*> forms_;
    QTimer pollTimer_;
    bool arrange_ = false;
    QPoint dragStart_{-1, -1};
    QRect focusRect_;
    std::uint64_t replayGeneration_ = 0;
    int pollCount_ = 0;
    SpreadsheetApp* app_ = nullptr;
    SheetHandle param_;
    std::optional<Block> loaded_;
};

} // namespace mv
