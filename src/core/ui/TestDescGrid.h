#pragma once
// TestDescGrid: the small 2 x 4 grid in the control panel whose right column shows
// the path parts of the current Test ID (filled from the test Log); only the left
// column is editable.
#include <QTableWidget>

namespace mv {

class TTestDescGrid : public QTableWidget {
    Q_OBJECT
public:
    explicit TTestDescGrid(QWidget* parent = nullptr);
    // Sets the path part of row 0..3 (right column).
    void setPathPart(int row, const QString& text);
    QString pathPart(int row) const;
    // The caption of path level row 0..3 (left column).
    void setCaption(int row, const QString& text);
    QString caption(int row) const;

    // The background tells the state of the selected test: white, yellow when its files
    // are the ones opened last, red when it cannot be evaluated.
    enum class Mark { Plain, Opened, Invalid };
    void setMark(Mark m);
    Mark mark() const { return mark_; }

private:
    Mark mark_ = Mark::Plain;
};

} // namespace mv
