#pragma once
// Window arithmetic of the graphs: geometry on resize, ZoomTo, the zoom rectangle,
// value scaling, the mouse wheel, Ctrl-drag panning, the zoom slots with their
// markers, and the persisted slots and value ranges.
#include "graphs/GraphState.h"

#include <array>
#include <optional>

namespace mv {

class SettingsBackend;
class SignalStore;
struct MainSettings;

// Plot geometry for a control of width x height pixels: the plot leaves 40 pixels
// for value labels at the left and 20 for time labels at the bottom.
void resizeGraph(SigImageState& g, int width, int height);

// Keeps the window shown before, then takes the new one (values as float32). The
// caller runs the column pass and redraws.
void zoomTo(SigImageState& g, double t1, double t2, double yMin, double yMax);

// A window that ZoomTo can take: times and values ordered as given.
struct GraphWindow {
    double t1 = 0, t2 = 0, yMin = 0, yMax = 0;
    bool operator==(const GraphWindow&) const = default;
};
GraphWindow currentWindow(const SigImageState& g);
GraphWindow previousWindow(const SigImageState& g);

// Both value limits multiplied by factor (0.5 zooms in, 2 out), the time window kept.
GraphWindow scaledValueWindow(const SigImageState& g, double factor);

// "Autoscale values": the time window kept, the value range fitted to the window
// extremes (column pass SMin/SMax) of every plotted signal with samples in the window,
// with 5 % of the span left free above and below. A flat set of signals gets +-1 around
// its value (+-5 % of it when larger). Nothing when no plotted signal has samples in
// the window or the extremes are not finite.
std::optional<GraphWindow> autoscaleValueWindow(const SignalStore& store, const SigImageState& g);

// The window of the rectangle between two corners (control pixels); nothing when the
// rectangle has no width or no height.
std::optional<GraphWindow> rectZoomWindow(const SigImageState& g, PixelPoint a, PixelPoint b);

// Left button down at (x, y) with nothing else held: start a zoom rectangle there and
// move the cursor. x is clamped to the plot first.
void startZoomRect(SigImageState& g, int x, int y);

// Mouse wheel over a graph. x, y are relative to the control, delta signed (120 a notch).
struct WheelInput {
    int x = 0;
    int y = 0;
    int delta = 0;
    bool shift = false;
    bool ctrl = false;
    bool rightButton = false;
    bool middleButton = false;
};
struct WheelResult {
    enum class Kind { None, TimeZoom, ValueOnly } kind = Kind::None;
    GraphWindow window; // TimeZoom: the window for ZoomTo
};
// ValueOnly changes the graph's value range in place (the caller only redraws);
// TimeZoom leaves the graph alone and returns the window for ZoomTo. Sets _BylZoom
// when the right button is held.
WheelResult applyWheel(SigImageState& g, bool isImage2, const WheelInput& in);

// One pan step of a mouse move with Ctrl held and the left button up, at the raw
// mouse position. Returns false when the move handler must end here (Shift toggled).
bool panStep(SigImageState& g, int x, int y, bool shift);
// The pending pan window, once; the caller ZoomTo's it.
std::optional<GraphWindow> takeIdlePan(SigImageState& g);

// Marker of a zoom slot on the overview: its x relative to the overview's control.
int zoomMarkerX(const SigImageState& overview, const TZoomRec& slot);
// Dragging a marker to x (relative to the overview's control): true and the slot
// moved, keeping its width, when x lies strictly inside the plot.
bool dragZoomMarker(const SigImageState& overview, int x, TZoomRec& slot);
// The window "Show zoom" gives the lower graph; with Scroll Lock only the values change.
GraphWindow showZoomWindow(const SigImageState& lower, const TZoomRec& slot, bool scrollLock);
// "Set zoom": the lower graph's window.
TZoomRec zoomRecOf(const SigImageState& lower);

// Settings: "Zoom/01/T1" .. "Zoom/10/Ymax", unreadable values take the slot defaults.
std::array<TZoomRec, kZoomSlots> readZoomSlots(const SettingsBackend& s);
void writeZoomSlots(SettingsBackend& s, const std::array<TZoomRec, kZoomSlots>& slots);

// A restored value range; absent values keep the graph's own, equal limits give -10 .. 10.
void restoreValueRange(SigImageState& g, std::optional<double> yMin, std::optional<double> yMax);
// "Image1_YMin" .. "Image2_YMax".
void readValueRanges(const SettingsBackend& s, GraphsState& gs);
void writeValueRanges(SettingsBackend& s, const GraphsState& gs);
// The same through the main key's values that MainSettings already reads and writes.
void restoreValueRanges(const MainSettings& m, GraphsState& gs);
void storeValueRanges(const GraphsState& gs, MainSettings& m);
// A time window with _T1 >= _T2 becomes 0 .. 10 s.
void normaliseTimeWindow(SigImageState& g);

} // namespace mv
