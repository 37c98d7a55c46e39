#pragma once
// One graph of the main window: an off-screen bitmap drawn by Maluj from the column
// pass of the engine, shown by paintEvent with the crosshair and the zoom rectangle
// painted over it. Mouse gestures become engine calls; the pair coordinates both.
#include "graphs/GraphState.h"

#include <QImage>
#include <QWidget>

namespace mv {

class GraphPair;

class TSigImage : public QWidget {
    Q_OBJECT
public:
    // number: 1 = Image1 (overview), 2 = Image2 (zoomed).
    TSigImage(GraphPair& pair, int number, QWidget* parent);

    int number() const { return number_; }
    SigImageState& state();
    const SigImageState& state() const;
    bool isActive() const;

    // The column pass of this graph (yields to the event loop between signals).
    void PrepocitejX();
    // Draws the whole graph into the bitmap and schedules a repaint.
    void Maluj();
    // Saves the shown window as the previous one, takes the new one, runs the column
    // pass, draws and refreshes the signal table.
    void ZoomTo(double t1, double t2, double yMin, double yMax);
    // The readout label and the table's cursor cells for the cursor where it stands.
    void showReadout();
    void SetAktivni();

    // The bitmap as Maluj left it, and the picture the user sees (bitmap + cursor
    // and zoom rectangle), which is what "Copy graph" puts on the clipboard.
    const QImage& bitmap() const { return bitmap_; }
    QImage composedImage() const;

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void wheelEvent(QWheelEvent*) override;

private:
    void paintOverlays(QPainter& p) const;

    GraphPair& pair_;
    int number_;
    QImage bitmap_;
};

} // namespace mv
