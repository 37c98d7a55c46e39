#pragma once
// State of the two graphs that outlives any widget: the window each graph shows,
// the per-signal drawing records of the last column pass, the mouse bookkeeping
// of the cursor, zoom rectangle and panning, and the ten zoom slots. The widgets
// show it; the engine functions of this folder compute it.
#include "core/SignalRecord.h"
#include "core/SignalStore.h"

#include <array>
#include <cstdint>
#include <vector>

namespace mv {

struct TImagePt {
    std::int32_t X = 0;     // pixel column of a drawing entry (entry index k)
    float Y1 = 0.0f;        // entry value; upper end of a min/max segment
    float Y2 = 0.0f;        // lower end of a min/max segment
    float Val = 0.0f;       // cursor readout value of pixel column c
    std::int32_t SmpNo = 0; // cursor readout sample number (1-based) of column c
};

struct TImageSigRec {
    // Sized by the column pass to the plot's columns + 1; entries and per-column
    // readouts share it as described at TImagePt.
    std::vector<TImagePt> Pts;
    std::int32_t PtCount = 0;
    bool JeMinMax = false;
    std::int32_t SmpCount = 0; // 0: not drawn, statistics blank
    float SMin = 0.0f;
    float SMax = 0.0f;
    float SMean = 0.0f;
    double SRMS = 0.0;
};

struct PixelPoint {
    int X = 0;
    int Y = 0;
    bool operator==(const PixelPoint&) const = default;
};

struct PixelRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    bool operator==(const PixelRect&) const = default;
};

// The non-visual part of one TSigImage.
struct SigImageState {
    explicit SigImageState(bool overview = false) : isOverview(overview) {}

    bool isOverview; // Image1: its column pass spans every plotted signal
    std::array<TImageSigRec, kSlotCount> ImageRec{};

    PixelRect _R{40, 2, 40, 2};
    std::int32_t _Sirka = 1;
    std::int32_t _Vyska = 1;
    double _T1 = 0.0, _T2 = 10.0;
    double _T1Old = 0.0, _T2Old = 10.0;
    float _YMin = -12.0f, _YMax = 12.0f;
    float _YMinOld = -12.0f, _YMaxOld = 12.0f;
    double _TnaPix = 10.0;
    double _SigNaPix = 24.0;

    PixelPoint _CursorOrig;
    // Ctrl-drag panning.
    bool _JePosun = false;
    bool _JeIdlePosun = false;
    bool _JeShift = false;
    PixelPoint _PosunOrig;
    double t1orig = 0, t2orig = 0, y1orig = 0, y2orig = 0;
    double t1Idle = 0, t2Idle = 0, y1Idle = 0, y2Idle = 0;
    // Zoom rectangle.
    bool _MalujRect = false;
    PixelPoint _MouseDownPt;
    PixelPoint _LastPt;
    PixelRect _ZoomRect;
    bool _BylZoom = false;

    TImageSigRec& rec(int slot) { return ImageRec[static_cast<std::size_t>(slot - 1)]; }
    const TImageSigRec& rec(int slot) const { return ImageRec[static_cast<std::size_t>(slot - 1)]; }
};

struct TZoomRec {
    double T1 = 0.0;
    double T2 = 0.0;
    double Ymin = 0.0;
    double Ymax = 0.0;
    bool operator==(const TZoomRec&) const = default;
};

inline constexpr int kZoomSlots = 10;

// The unreadable-value defaults of slot i (1..10): T1 = i, T2 = i + 1, values i - 1 .. i + 1.
inline TZoomRec defaultZoomRec(int i) {
    return {double(i), double(i + 1), double(i - 1), double(i + 1)};
}

inline std::array<TZoomRec, kZoomSlots> defaultZoomArr() {
    std::array<TZoomRec, kZoomSlots> a{};
    for (int i = 1; i <= kZoomSlots; ++i)
        a[static_cast<std::size_t>(i - 1)] = defaultZoomRec(i);
    return a;
}

// What the workspace keeps of the graphs: both windows, which one is active and
// the zoom slots. Statistics of the active graph are read from here by the table.
struct GraphsState {
    SigImageState image1{true};
    SigImageState image2{false};
    int aktivni = 1; // 1 = Image1, 2 = Image2
    std::array<TZoomRec, kZoomSlots> ZoomArr = defaultZoomArr();

    SigImageState& image(int n) { return n == 2 ? image2 : image1; }
    const SigImageState& image(int n) const { return n == 2 ? image2 : image1; }
    SigImageState& active() { return image(aktivni); }
    const SigImageState& active() const { return image(aktivni); }
    TZoomRec& zoom(int i) { return ZoomArr[static_cast<std::size_t>(i - 1)]; }
    const TZoomRec& zoom(int i) const { return ZoomArr[static_cast<std::size_t>(i - 1)]; }
};

// What the graphs work on: their own state, the signals they draw and the user's
// decimal separator for the readouts. The references outlive whoever holds the view.
struct GraphsView {
    GraphsState& graphs;
    const SignalStore& store;
    const char& decimalSeparator;
};

} // namespace mv
