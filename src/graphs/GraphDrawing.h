#pragma once
// Everything Maluj computes before it touches a pixel: value-to-row mapping, the
// value and time grids with their labels, the trace polylines, and the texts of the
// cursor readouts. The widget only paints what these return.
#include "core/TextNumbers.h" // formatFloatF
#include "graphs/GraphState.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace mv {

class SignalStore;

// Grid spacing for a span shown over `n` grid intervals (n >= 1).
struct GridStep {
    double step = 0.0;
    int decimals = 0;
};
GridStep gridStep(double span, int n);

enum class GridLineKind { Solid, Dotted, Zero };
struct GridLine {
    GridLineKind kind = GridLineKind::Dotted;
    int pos = 0;       // row of a value line, column of a time line (control pixels)
    double value = 0;  // the value or time of the line
    std::string label; // fixed notation with the step's decimals
};

// Recomputes _SigNaPix from the value range and the plot height.
void updateSigNaPix(SigImageState& g);
// Row of value v (control pixels), kept within a range a painter can take.
int valueToRow(const SigImageState& g, double v);

std::vector<GridLine> valueGrid(const SigImageState& g, char decimalSeparator = '.');
std::vector<GridLine> timeGrid(const SigImageState& g, char decimalSeparator = '.');

struct TracePolyline {
    int slot = 0;
    Colour colour = 0; // 0x00BBGGRR
    std::vector<PixelPoint> points;
};
// The polylines of every plotted signal with samples in the window, in slot order.
std::vector<TracePolyline> tracePolylines(const SignalStore& store, const SigImageState& g);

struct GraphLabel {
    int x = 0;
    int y = 0; // top of the text
    std::string text;
};
// The value and time labels, then _T1 and _T2 with 4 decimals over them. The end labels
// win: a grid label whose box would meet one of them keeps its place with an empty text.
// `charWidth` and `textHeight` are the painter's digit width and line height in pixels;
// the _T2 label moves left so that it ends inside the plot.
std::vector<GraphLabel> axisLabels(const SigImageState& g, const std::vector<GridLine>& values,
                                   const std::vector<GridLine>& times, char decimalSeparator = '.',
                                   int charWidth = 6, int textHeight = 12);

// Cursor readout of the graph at pixel (x, y).
double cursorTime(const SigImageState& g, int x);
double cursorValue(const SigImageState& g, int y);
std::string tLabelText(double t, double y, char decimalSeparator = '.');
std::string deltaStatusText(double dT, double dY, char decimalSeparator = '.');
// Empty when dT is not above 0 (the label keeps its text then).
std::string invDeltaText(double dT, char decimalSeparator = '.');

// Columns 7 and 8 of one signal-table row under the cursor.
struct CursorCell {
    enum class State { Untouched, Blank, Value } state = State::Untouched;
    float Val = 0.0f;
    std::int32_t SmpNo = 0;
};
using CursorCells = std::vector<CursorCell>; // index slot - 1
CursorCells cursorCells(const SignalStore& store, const SigImageState& g, int x, double t);

// Texts of the cursor cells (columns 7 and 8) of a signal-table row for a cell with a
// value: the value in the signal's DecPlaces with precision 11, and the sample number.
// The statistics cells are the Signal table's own (signalRowTexts).
std::array<std::string, 2> cursorCellTexts(const SignalRecord& sig, const CursorCell& cell,
                                           char decimalSeparator = '.');

// Left edge of the cursor readout (control pixels) for a label `labelWidth` wide on a
// control `controlWidth` wide: left of the cursor when it fits there, else right of it,
// and always wholly inside the control when the control is wide enough.
int readoutLabelX(int cursorX, int labelWidth, int controlWidth);

// Clamps a mouse position to the plot, as the handlers do.
int clampX(const SigImageState& g, int x);
int clampY(const SigImageState& g, int y);

} // namespace mv
