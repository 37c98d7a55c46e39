#pragma once
// The window of one polygraph: shows its image, its settings grid, the X and Y number
// edits and the series grids, and hands every edit to the polygraph model under the
// polygraph's lock. In arrange mode (Ctrl held in the Monitors window) the mouse moves,
// resizes, undocks and docks it.
#include "monitors/MonitorsEngine.h"

#include <QLabel>
#include <QTableWidget>
#include <QWidget>
#include <memory>
#include <vector>

namespace mv {

class TNumberEdit;
class TScrMonForm;

class PolyGrafForm final : public QWidget {
    Q_OBJECT
public:
    PolyGrafForm(TScrMonForm& home, std::shared_ptr<TPolyGraf> p);
    ~PolyGrafForm() override;

    TPolyGraf& model() { return *p_; }
    const std::shared_ptr<TPolyGraf>& shared() const { return p_; }
    // Puts the window where the model says (docked in the Monitors window or floating).
    void placeFromModel();
    // Rebuilds the controls after a structural change (subgraphs, type).
    void rebuild();
    // Value cells from the model's texts (the graph thread writes them).
    void refreshValues();
    QTableWidget* paramGrid() const { return paramGrid_; }
    QTableWidget* seriesGrid(int i) const;

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void leaveEvent(QEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    struct SubControls {
        QTableWidget* grid = nullptr;
        TNumberEdit *ymaxL = nullptr, *yminL = nullptr, *ymaxR = nullptr, *yminR = nullptr,
                    *limMax = nullptr, *limMin = nullptr, *ygrid = nullptr;
    };
    double fs() const;
    void applyColour();
    void layoutControls();
    void fillSeriesGrid(int i);
    bool seriesKey(int i, QKeyEvent* k);
    bool paramKey(QKeyEvent* k);
    void yEdited(int i);
    void xEdited();
    void applyModelRect(const PolyRect& r);

    TScrMonForm& home_;
    std::shared_ptr<TPolyGraf> p_;
    QTableWidget* paramGrid_ = nullptr;
    TNumberEdit *xmin_ = nullptr, *xmax_ = nullptr, *xgrid_ = nullptr;
    QLabel* xyLabel_ = nullptr;
    std::vector<SubControls> subs_;
    // Arrange mode drag state.
    int region_ = -1;
    QPoint downGlobal_;
    PolyRect downRect_;
    bool dragging_ = false;
};

} // namespace mv
