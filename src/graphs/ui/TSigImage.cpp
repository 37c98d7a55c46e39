#include "graphs/ui/TSigImage.h"

#include "core/SignalStore.h"
#include "graphs/GraphDrawing.h"
#include "graphs/GraphZoom.h"
#include "graphs/ui/GraphPair.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>
#include <QWheelEvent>
#include <cmath>

namespace mv {

namespace {
const QColor kInactivePlot(240, 240, 240);
const QColor kGrid(210, 210, 210);
const QColor kCursor(0, 0, 255);

QColor fromColour(Colour c) {
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

QPen pixelPen(const QColor& c, Qt::PenStyle style = Qt::SolidLine) {
    QPen p(c, 1, style);
    p.setCosmetic(true);
    return p;
}

// Every other pixel, as the grid's alternate-dot lines.
QPen alternatePen(const QColor& c) {
    QPen p = pixelPen(c, Qt::CustomDashLine);
    p.setDashPattern({1, 1});
    return p;
}

QPolygon rectPolyline(PixelPoint a, PixelPoint b) {
    QPolygon poly;
    poly << QPoint(a.X, a.Y) << QPoint(b.X, a.Y) << QPoint(b.X, b.Y) << QPoint(a.X, b.Y)
         << QPoint(a.X, a.Y);
    return poly;
}
} // namespace

TSigImage::TSigImage(GraphPair& pair, int number, QWidget* parent)
    : QWidget(parent), pair_(pair), number_(number) {
    setMouseTracking(true);
    // Right-button events stay with the graph: the menu opens on release, and not at
    // all after wheel work with the right button held.
    setContextMenuPolicy(Qt::PreventContextMenu);
    setAttribute(Qt::WA_OpaquePaintEvent);
    resizeGraph(state(), width(), height());
}

SigImageState& TSigImage::state() {
    return pair_.graphsState().image(number_);
}
const SigImageState& TSigImage::state() const {
    return pair_.graphsState().image(number_);
}
bool TSigImage::isActive() const {
    return pair_.graphsState().aktivni == number_;
}

void TSigImage::PrepocitejX() {
    pair_.runPass(state());
}

void TSigImage::Maluj() {
    SigImageState& g = state();
    const char sep = pair_.decimalSeparator();
    bitmap_ = QImage(size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    bitmap_.fill(Qt::white);
    QPainter p(&bitmap_);
    const PixelRect& r = g._R;
    p.fillRect(QRect(QPoint(r.Left, r.Top), QPoint(r.Right, r.Bottom)),
               isActive() ? QColor(Qt::white) : kInactivePlot);
    updateSigNaPix(g);

    for (const TracePolyline& t : tracePolylines(pair_.store(), g)) {
        p.setPen(pixelPen(fromColour(t.colour)));
        QPolygon poly;
        poly.reserve(int(t.points.size()));
        for (const PixelPoint& pt : t.points)
            poly << QPoint(pt.X, pt.Y);
        p.drawPolyline(poly);
    }

    // Grid lines combine with the traces (not-XOR): grey on white, visible on any trace.
    const auto values = valueGrid(g, sep);
    const auto times = timeGrid(g, sep);
    p.setCompositionMode(QPainter::RasterOp_NotSourceXorDestination);
    for (const GridLine& l : values) {
        p.setPen(l.kind == GridLineKind::Zero ? pixelPen(Qt::black) : alternatePen(kGrid));
        p.drawLine(r.Left, l.pos, r.Right, l.pos);
    }
    for (const GridLine& l : times) {
        p.setPen(l.kind == GridLineKind::Solid ? pixelPen(kGrid) : alternatePen(kGrid));
        p.drawLine(l.pos, r.Bottom, l.pos, r.Top);
    }
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);

    // Labels are written opaque, so the window edges cover grid labels under them.
    p.setPen(Qt::black);
    p.setBackgroundMode(Qt::OpaqueMode);
    p.setBackground(Qt::white);
    const QFontMetrics fm(p.font());
    for (const GraphLabel& l :
         axisLabels(g, values, times, sep, fm.horizontalAdvance('0'), fm.height()))
        if (!l.text.empty())
            p.drawText(QPoint(l.x, l.y + fm.ascent()), QString::fromStdString(l.text));
    p.setBackgroundMode(Qt::TransparentMode);

    p.setPen(pixelPen(Qt::black));
    p.drawPolyline(rectPolyline({r.Left, r.Top}, {r.Right, r.Bottom}));
    p.end();
    setCursor(isActive() ? Qt::CrossCursor : Qt::ArrowCursor);
    update();
}

void TSigImage::ZoomTo(double t1, double t2, double yMin, double yMax) {
    zoomTo(state(), t1, t2, yMin, yMax);
    PrepocitejX();
    Maluj();
    pair_.refreshTable();
    // The cursor stays where it was; what it reads there changed with the window.
    if (isActive())
        showReadout();
}

void TSigImage::showReadout() {
    const SigImageState& g = state();
    const double t = cursorTime(g, g._CursorOrig.X);
    pair_.showTLabelText(QString::fromStdString(
        tLabelText(t, cursorValue(g, g._CursorOrig.Y), pair_.decimalSeparator())));
    pair_.emitCursorCells(cursorCells(pair_.store(), g, g._CursorOrig.X, t));
}

void TSigImage::SetAktivni() {
    pair_.SetAktivni(number_);
}

void TSigImage::paintOverlays(QPainter& p) const {
    const SigImageState& g = state();
    const PixelRect& r = g._R;
    p.setCompositionMode(QPainter::RasterOp_NotSourceXorDestination);
    p.setPen(pixelPen(kCursor, Qt::DotLine));
    p.drawLine(g._CursorOrig.X, r.Top, g._CursorOrig.X, r.Bottom);
    p.drawLine(r.Left, g._CursorOrig.Y, r.Right, g._CursorOrig.Y);
    // The band while it is dragged; on the overview it stays as the mark of what the
    // lower graph shows.
    const PixelPoint a = g._MouseDownPt, b = g._LastPt;
    if ((g.isOverview || g._MalujRect) && a.X != b.X && a.Y != b.Y)
        p.drawPolyline(rectPolyline(a, b));
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

QImage TSigImage::composedImage() const {
    QImage img = bitmap_.copy();
    QPainter p(&img);
    paintOverlays(p);
    return img;
}

void TSigImage::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (bitmap_.isNull())
        p.fillRect(rect(), Qt::white);
    else
        p.drawImage(0, 0, bitmap_);
    paintOverlays(p);
}

void TSigImage::resizeEvent(QResizeEvent* e) {
    SigImageState& g = state();
    const int oldSirka = g._Sirka;
    resizeGraph(g, width(), height());
    // New columns need a new pass; a height change only a new drawing.
    if (g._Sirka != oldSirka || e->oldSize().width() < 0)
        pair_.scheduleRedraw();
    else
        Maluj();
}

void TSigImage::mousePressEvent(QMouseEvent* e) {
    SetAktivni();
    const QPoint pos = e->position().toPoint();
    if (e->button() == Qt::LeftButton && e->buttons() == Qt::LeftButton &&
        e->modifiers() == Qt::NoModifier) {
        startZoomRect(state(), pos.x(), pos.y());
        update();
    }
}

void TSigImage::mouseMoveEvent(QMouseEvent* e) {
    SigImageState& g = state();
    const bool ctrl = e->modifiers() & Qt::ControlModifier;
    const bool left = e->buttons() & Qt::LeftButton;
    QPoint pos = e->position().toPoint();
    if (!ctrl)
        g._JePosun = false;
    if (ctrl && !left) {
        if (!panStep(g, pos.x(), pos.y(), e->modifiers() & Qt::ShiftModifier))
            return;
        pair_.schedulePan();
    }
    if (pair_.tableEditing())
        return;
    const int x = clampX(g, pos.x());
    const int y = clampY(g, pos.y());
    if (isActive()) {
        g._CursorOrig = {x, y};
        pair_.moveTLabel(this, x);
        update();
    }
    if (e->buttons() == Qt::LeftButton && e->modifiers() == Qt::NoModifier && g._MalujRect) {
        g._LastPt = {x, y};
        update();
        const double dT = std::abs(g._MouseDownPt.X - x) * g._TnaPix;
        const double dY = std::abs(g._MouseDownPt.Y - y) * g._SigNaPix;
        pair_.emitDeltaTexts(dT, dY);
    }
    if (!isActive())
        return;
    showReadout();
}

void TSigImage::mouseReleaseEvent(QMouseEvent* e) {
    SigImageState& g = state();
    if (e->button() == Qt::RightButton) {
        if (isActive() && g._BylZoom)
            g._BylZoom = false;
        else
            pair_.openPopup(this, e->globalPosition().toPoint());
        return;
    }
    if (pair_.tableEditing())
        return;
    const int x = clampX(g, int(e->position().x()));
    if (e->button() == Qt::LeftButton && g._MalujRect) {
        if (const auto w = rectZoomWindow(g, g._MouseDownPt, g._LastPt)) {
            g._ZoomRect = {g._MouseDownPt.X, g._MouseDownPt.Y, g._LastPt.X, g._LastPt.Y};
            g._MalujRect = false;
            update();
            pair_.Image2()->ZoomTo(w->t1, w->t2, w->yMin, w->yMax);
        }
    }
    if (e->button() == Qt::LeftButton && e->modifiers() == Qt::ControlModifier)
        pair_.emitColumnClicked(std::min(x, g._R.Right) - g._R.Left);
}

void TSigImage::wheelEvent(QWheelEvent* e) {
    WheelInput in;
    const QPoint pos = e->position().toPoint();
    in.x = pos.x();
    in.y = pos.y();
    // Some platforms turn a Shift+wheel into a horizontal wheel.
    in.delta = e->angleDelta().y() != 0 ? e->angleDelta().y() : e->angleDelta().x();
    in.shift = e->modifiers() & Qt::ShiftModifier;
    in.ctrl = e->modifiers() & Qt::ControlModifier;
    in.rightButton = e->buttons() & Qt::RightButton;
    in.middleButton = e->buttons() & Qt::MiddleButton;
    const WheelResult r = applyWheel(state(), number_ == 2, in);
    if (r.kind == WheelResult::Kind::TimeZoom)
        ZoomTo(r.window.t1, r.window.t2, r.window.yMin, r.window.yMax);
    else if (r.kind == WheelResult::Kind::ValueOnly)
        Maluj();
    e->accept();
}

} // namespace mv
