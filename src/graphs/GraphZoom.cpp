#include "graphs/GraphZoom.h"

#include "core/Settings.h"
#include "core/SignalStore.h"
#include "core/TimeWindow.h"
#include "graphs/GraphDrawing.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

namespace mv {

void resizeGraph(SigImageState& g, int width, int height) {
    g._R = {40, 2, width - 20, height - 20};
    g._Sirka = std::max(g._R.Right - g._R.Left + 1, 1);
    g._Vyska = std::max(g._R.Bottom - g._R.Top + 1, 1);
}

void zoomTo(SigImageState& g, double t1, double t2, double yMin, double yMax) {
    g._T1Old = g._T1;
    g._T2Old = g._T2;
    g._YMinOld = g._YMin;
    g._YMaxOld = g._YMax;
    g._T1 = t1;
    g._T2 = t2;
    g._YMin = static_cast<float>(yMin);
    g._YMax = static_cast<float>(yMax);
    updateSigNaPix(g);
}

GraphWindow currentWindow(const SigImageState& g) {
    return {g._T1, g._T2, g._YMin, g._YMax};
}
GraphWindow previousWindow(const SigImageState& g) {
    return {g._T1Old, g._T2Old, g._YMinOld, g._YMaxOld};
}

GraphWindow scaledValueWindow(const SigImageState& g, double factor) {
    return {g._T1, g._T2, g._YMin * factor, g._YMax * factor};
}

std::optional<GraphWindow> autoscaleValueWindow(const SignalStore& store, const SigImageState& g) {
    double lo = std::numeric_limits<double>::infinity();
    double hi = -lo;
    for (int i = 1; i <= kSlotCount; ++i) {
        const TImageSigRec& r = g.rec(i);
        if (!store[i].Plot || r.SmpCount <= 0 || !std::isfinite(r.SMin) || !std::isfinite(r.SMax) ||
            r.SMin > r.SMax)
            continue; // an all-NaN window leaves its sentinels, not extremes
        lo = std::min(lo, double(r.SMin));
        hi = std::max(hi, double(r.SMax));
    }
    if (!(lo <= hi))
        return std::nullopt;
    double margin = (hi - lo) * 0.05;
    if (!(margin > 0.0))
        margin = std::max(1.0, std::fabs(lo) * 0.05);
    const double yMin = lo - margin, yMax = hi + margin;
    // The range is kept as float32: it must stay finite and wider than one float step.
    constexpr double kFloatMax = 3.0e38;
    if (!(yMin > -kFloatMax && yMax < kFloatMax) || float(yMin) >= float(yMax))
        return std::nullopt;
    return GraphWindow{g._T1, g._T2, yMin, yMax};
}

std::optional<GraphWindow> rectZoomWindow(const SigImageState& g, PixelPoint a, PixelPoint b) {
    if (a.X == b.X || a.Y == b.Y)
        return std::nullopt;
    auto timeAt = [&](int x) { return g._T1 + double(x - g._R.Left) * g._TnaPix; };
    auto valueAt = [&](int y) {
        return double(g._YMin) + double(g._Vyska - (y - g._R.Top) - 1) * g._SigNaPix;
    };
    const double ta = timeAt(a.X), tb = timeAt(b.X);
    const double va = valueAt(a.Y), vb = valueAt(b.Y);
    return GraphWindow{std::min(ta, tb), std::max(ta, tb), std::min(va, vb), std::max(va, vb)};
}

void startZoomRect(SigImageState& g, int x, int y) {
    x = clampX(g, x);
    g._MalujRect = true;
    g._MouseDownPt = g._LastPt = {x, y};
    g._CursorOrig = {x, y};
}

WheelResult applyWheel(SigImageState& g, bool isImage2, const WheelInput& in) {
    WheelResult r;
    const double boost = in.middleButton ? 10.0 : 1.0;
    if (in.shift) {
        if (isImage2 && g._Sirka > 0) {
            const double f = in.delta * (g._T2 - g._T1) / (double(g._Sirka) * 4800.0) * boost;
            double t1 = g._T1, t2 = g._T2;
            if (in.ctrl || in.rightButton) {
                t1 -= f * (g._Sirka - in.x);
                t2 -= f * (g._Sirka - in.x);
            } else {
                t1 += f * in.x;
                t2 -= f * (g._Sirka - in.x);
            }
            r.kind = WheelResult::Kind::TimeZoom;
            r.window = {t1, t2, g._YMin, g._YMax};
        }
    } else if (g._Vyska > 0) {
        const double f =
            in.delta * (double(g._YMax) - double(g._YMin)) / (double(g._Vyska) * 4800.0) * boost;
        const double yMax = g._YMax - f * in.y;
        double yMin = g._YMin;
        if (in.ctrl || in.rightButton)
            yMin -= f * in.y;
        else
            yMin += f * (g._Vyska - in.y);
        g._YMax = static_cast<float>(yMax);
        g._YMin = static_cast<float>(yMin);
        updateSigNaPix(g);
        r.kind = WheelResult::Kind::ValueOnly;
    }
    if (in.rightButton)
        g._BylZoom = true;
    return r;
}

bool panStep(SigImageState& g, int x, int y, bool shift) {
    if (shift != g._JeShift) {
        g._JeShift = !g._JeShift;
        g._JePosun = false;
        return false;
    }
    if (!g._JePosun) {
        g._PosunOrig = {x, y};
        g.t1orig = g._T1;
        g.t2orig = g._T2;
        g.y1orig = g._YMin;
        g.y2orig = g._YMax;
        g._JePosun = true;
    }
    const int w = g._R.Right - g._R.Left;
    const int h = g._R.Bottom - g._R.Top;
    const double dT = w != 0 ? (x - g._PosunOrig.X) * (g._T2 - g._T1) / w : 0.0;
    const double dY = h != 0 ? (y - g._PosunOrig.Y) * (double(g._YMax) - g._YMin) / h : 0.0;
    const double s = shift ? -1.0 : 1.0;
    if (g.isOverview) {
        g.t1Idle = g._T1;
        g.t2Idle = g._T2;
    } else {
        g.t1Idle = g.t1orig - s * dT;
        g.t2Idle = g.t2orig - dT;
    }
    g.y1Idle = g.y1orig + s * dY;
    g.y2Idle = g.y2orig + dY;
    g._JeIdlePosun = true;
    return true;
}

std::optional<GraphWindow> takeIdlePan(SigImageState& g) {
    if (!g._JeIdlePosun)
        return std::nullopt;
    g._JeIdlePosun = false;
    return GraphWindow{g.t1Idle, g.t2Idle, g.y1Idle, g.y2Idle};
}

int zoomMarkerX(const SigImageState& overview, const TZoomRec& slot) {
    if (!(overview._TnaPix > 0.0))
        return overview._R.Left;
    const double cols = std::clamp(slot.T1 / overview._TnaPix, -1e6, 1e6);
    return overview._R.Left + int(roundHalfEven(cols));
}

bool dragZoomMarker(const SigImageState& overview, int x, TZoomRec& slot) {
    if (!(overview._R.Left < x && x < overview._R.Right))
        return false;
    const double width = slot.T2 - slot.T1;
    slot.T1 = std::fabs(double(x - overview._R.Left) * overview._TnaPix);
    slot.T2 = slot.T1 + width;
    return true;
}

GraphWindow showZoomWindow(const SigImageState& lower, const TZoomRec& slot, bool scrollLock) {
    if (scrollLock)
        return {lower._T1, lower._T2, slot.Ymin, slot.Ymax};
    return {slot.T1, slot.T2, slot.Ymin, slot.Ymax};
}

TZoomRec zoomRecOf(const SigImageState& lower) {
    return {lower._T1, lower._T2, lower._YMin, lower._YMax};
}

namespace {
std::string zoomKey(int i, const char* name) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "Zoom/%.2d/%s", i, name);
    return buf;
}

std::optional<double> readStrict(const SettingsBackend& s, const std::string& key) {
    const auto text = s.read(key);
    if (!text)
        return std::nullopt;
    // The same text read against two different defaults agrees only when it parsed.
    const double a = parseFloatStrict(text, "0");
    const double b = parseFloatStrict(text, "1");
    if (a != b)
        return std::nullopt;
    return a;
}
} // namespace

std::array<TZoomRec, kZoomSlots> readZoomSlots(const SettingsBackend& s) {
    std::array<TZoomRec, kZoomSlots> a{};
    for (int i = 1; i <= kZoomSlots; ++i) {
        const TZoomRec d = defaultZoomRec(i);
        TZoomRec& z = a[std::size_t(i - 1)];
        z.T1 = readStrict(s, zoomKey(i, "T1")).value_or(d.T1);
        z.T2 = readStrict(s, zoomKey(i, "T2")).value_or(d.T2);
        z.Ymin = readStrict(s, zoomKey(i, "Ymin")).value_or(d.Ymin);
        z.Ymax = readStrict(s, zoomKey(i, "Ymax")).value_or(d.Ymax);
    }
    return a;
}

void writeZoomSlots(SettingsBackend& s, const std::array<TZoomRec, kZoomSlots>& slots) {
    for (int i = 1; i <= kZoomSlots; ++i) {
        const TZoomRec& z = slots[std::size_t(i - 1)];
        s.write(zoomKey(i, "T1"), formatFloatFull(z.T1));
        s.write(zoomKey(i, "T2"), formatFloatFull(z.T2));
        s.write(zoomKey(i, "Ymin"), formatFloatFull(z.Ymin));
        s.write(zoomKey(i, "Ymax"), formatFloatFull(z.Ymax));
    }
}

void restoreValueRange(SigImageState& g, std::optional<double> yMin, std::optional<double> yMax) {
    if (yMin)
        g._YMin = static_cast<float>(*yMin);
    if (yMax)
        g._YMax = static_cast<float>(*yMax);
    if (g._YMin == g._YMax) {
        g._YMin = -10.0f;
        g._YMax = 10.0f;
    }
    updateSigNaPix(g);
}

void readValueRanges(const SettingsBackend& s, GraphsState& gs) {
    restoreValueRange(gs.image1, readStrict(s, "Image1_YMin"), readStrict(s, "Image1_YMax"));
    restoreValueRange(gs.image2, readStrict(s, "Image2_YMin"), readStrict(s, "Image2_YMax"));
}

namespace {
// Shortest text that reads back to the same float32 ("0.1", not "0.10000000149011612").
std::string floatText(float v) {
    char buf[64];
    const auto [p, ec] = std::to_chars(buf, buf + sizeof buf, v);
    return ec == std::errc() ? std::string(buf, p) : std::string("0");
}
} // namespace

void writeValueRanges(SettingsBackend& s, const GraphsState& gs) {
    s.write("Image1_YMin", floatText(gs.image1._YMin));
    s.write("Image1_YMax", floatText(gs.image1._YMax));
    s.write("Image2_YMin", floatText(gs.image2._YMin));
    s.write("Image2_YMax", floatText(gs.image2._YMax));
}

void restoreValueRanges(const MainSettings& m, GraphsState& gs) {
    restoreValueRange(gs.image1, m.Image1_YMin, m.Image1_YMax);
    restoreValueRange(gs.image2, m.Image2_YMin, m.Image2_YMax);
}

void storeValueRanges(const GraphsState& gs, MainSettings& m) {
    m.Image1_YMin = gs.image1._YMin;
    m.Image1_YMax = gs.image1._YMax;
    m.Image2_YMin = gs.image2._YMin;
    m.Image2_YMax = gs.image2._YMax;
}

void normaliseTimeWindow(SigImageState& g) {
    if (!(g._T1 < g._T2)) {
        g._T1 = 0.0;
        g._T2 = 10.0;
    }
}

} // namespace mv
