#include "monitors/PolyGrafUnit.h"

#include "core/FixedText.h"
#include "core/TextNumbers.h"
#include "monitors/StripChart.h"

#include <cmath>
#include <cstdio>
#include <limits>

namespace mv {

namespace {

constexpr double kInt32Max = double(std::numeric_limits<std::int32_t>::max());

std::optional<double> number(std::string_view t) {
    const auto v = parseWholeFinite(trimBlanks(t));
    return v;
}

// An integer field; huge or unreadable values give the default.
int intField(const std::vector<std::string>& f, std::size_t i, int dflt, int lo, int hi) {
    if (i >= f.size())
        return dflt;
    const auto v = number(f[i]);
    if (!v || *v < lo || *v > hi)
        return dflt;
    return int(std::lround(*v));
}

std::string shortNumber(double v) {
    char b[40];
    std::snprintf(b, sizeof b, "%.6g", v);
    return b;
}

constexpr std::uint32_t kWhiteArgb = 0xFFFFFFFFu;

} // namespace

std::uint32_t lightColour(int idx) {
    const MonColour& c = kMonColours[std::size_t(idx & 15)];
    auto up = [](int v) { return std::uint32_t(std::min(v + 190, 255)); };
    return 0xFF000000u | (up(c.r) << 16) | (up(c.g) << 8) | up(c.b);
}

std::uint32_t bgrToArgb(std::int32_t bgr) {
    const auto u = std::uint32_t(bgr);
    return 0xFF000000u | ((u & 0xFF) << 16) | (u & 0xFF00) | ((u >> 16) & 0xFF);
}

bool validFFTLines(std::int64_t lines) {
    for (int l : kFFTLineCounts)
        if (l == lines)
            return true;
    return false;
}

std::array<TSerPar, kMaxSeries> TSubGrafPar::defaultSeries() {
    static constexpr int colours[kMaxSeries] = {9, 12, 3, 6, 1, 10, 13, 14};
    std::array<TSerPar, kMaxSeries> s{};
    for (int i = 0; i < kMaxSeries; ++i)
        s[std::size_t(i)].ColorIdx = colours[i];
    s[0].SigNo = 1;
    return s;
}

std::vector<std::string> splitFields(std::string_view text) {
    std::vector<std::string> out;
    std::size_t start = 0;
    for (;;) {
        const std::size_t bar = text.find('|', start);
        out.emplace_back(text.substr(start, bar == std::string_view::npos ? bar : bar - start));
        if (bar == std::string_view::npos)
            return out;
        start = bar + 1;
    }
}

std::string capText(std::string_view text, std::size_t maxChars) {
    return cutUtf8(text, maxChars);
}

int TSlopOfs::row(double v) const {
    const double r = std::round(double(Slop) * v) + Offs;
    // Values far off the axis still give a row, clamped well outside any picture.
    if (!(r > -1e6))
        return -1000000;
    if (r > 1e6)
        return 1000000;
    return int(r);
}

float SeriesRun::filter(float v) {
    return lpOn ? float(RunIirSample(lp, v)) : v;
}

// ---------------------------------------------------------------- polygraph

TPolyGraf::TPolyGraf(const PolyGrafDefinition& def, int count, double fsPlay) {
    applyDefinition(def);
    if (name.empty())
        name = "PolyGraf " + std::to_string(count + 1);
    SetSize(rect, fsPlay);
    SetPolyGrafXLimits(_MonType, false, fsPlay, def);
}

TPolyGraf::~TPolyGraf() = default;

void TPolyGraf::applyDefinition(const PolyGrafDefinition& def) {
    const auto f1 = splitFields(def.texts[0]);
    name = f1.size() > 1 ? capText(f1[1], 64) : std::string();
    const auto f2 = splitFields(def.texts[1]);
    _MonType = mtScroll;
    for (int t = 0; t < 4; ++t)
        if (trimBlanks(f2[0]) == kMonTypeNames[t])
            _MonType = TMonType(t);
    const auto f3 = splitFields(def.texts[2]);
    rect.left = intField(f3, 0, 1, -100000, 100000);
    rect.top = intField(f3, 1, 1, -100000, 100000);
    rect.width = std::max(kMinPolyWidth, intField(f3, 2, 320, 0, kMaxPlotWidth + 38));
    rect.height = std::max(kMinPolyHeight, intField(f3, 3, 120, 0, 8192));
    _JeFloating = f3.size() > 4 && trimBlanks(f3[4]) == "1";
    const auto f5 = splitFields(def.texts[4]);
    _PRN.JePrint = trimBlanks(f5[0]) == "1";
    _PRN.PrinterName = f5.size() > 1 ? capText(f5[1], 34) : std::string();
    _PRN.PaperSize = intField(f5, 2, 9, -1000000, 1000000);
    _PRN.Orientation = intField(f5, 3, 1, -1000000, 1000000);
    _PRN.ToFile = f5.size() > 4 && trimBlanks(f5[4]) == "1";
}

void TPolyGraf::SetSize(const PolyRect& r, double fsPlay) {
    rect = r;
    rect.width = std::clamp(rect.width, kMinPolyWidth, kMaxPlotWidth + 38);
    rect.height = std::clamp(rect.height, kMinPolyHeight, 8192);
    _ScrPGCoef.plotLeft = 30;
    _ScrPGCoef.plotTop = 4;
    _ScrPGCoef.plotRight = rect.width - 8;
    _ScrPGCoef.plotBottom = rect.height - 35;
    image = PixelImage{};
    for (auto& sg : _SubGrafList)
        for (auto& run : sg->run)
            run.Yarr.assign(std::size_t(_ScrPGCoef.plotWidth()), ColumnPair{});
    SetXParam(sXmin, sXmax, sXgrid, fsPlay);
    restartColumns();
}

bool TPolyGraf::ensureImage() {
    const int w = _ScrPGCoef.plotWidth(), h = _ScrPGCoef.plotHeight();
    if (w <= 0 || h <= 0)
        return false;
    if (image.width != w || image.height != h)
        image.resize(w, h, kWhiteArgb);
    return true;
}

void TPolyGraf::restartColumns() {
    _Scroluj = false;
    _ScrPGCoef.WrLineIndex = 0;
    _ScrPGCoef.RdLineIndex = 0;
    _ScrPGCoef.PocetLines = 0;
    _ScrPGCoef.TimeRest_us = 0;
    for (auto& sg : _SubGrafList) {
        sg->_ScrSubGrCoef._JeClr = true;
        for (auto& run : sg->run)
            if (!run.Yarr.empty())
                run.Yarr[0] = ColumnPair{};
    }
}

void TPolyGraf::ReCalcSubGrafCoef(bool SrovnatVysku) {
    const int n = subGrafCount();
    if (n == 0)
        return;
    double sum = 0;
    for (auto& sg : _SubGrafList) {
        float& rel = sg->_SubGrafParam._RelHeight;
        if (SrovnatVysku || !(rel > 0.0f) || !std::isfinite(rel))
            rel = 1.0f;
        sum += rel;
    }
    for (auto& sg : _SubGrafList)
        sg->_SubGrafParam._RelHeight = float(sg->_SubGrafParam._RelHeight / sum);
    const int active = std::max(0, _ScrPGCoef.plotHeight() - 3 * n + 3);
    int y = 4;
    for (auto& sg : _SubGrafList) {
        sg->_ScrSubGrCoef._Top = y;
        sg->_ScrSubGrCoef._HeightPix = int(std::lround(sg->_SubGrafParam._RelHeight * active));
        SetYSlopOffs(*sg);
        y += sg->_ScrSubGrCoef._HeightPix + 3;
    }
}

bool TPolyGraf::SetXParam(std::string_view xminT, std::string_view xmaxT, std::string_view xgridT,
                          double fsPlay, MonitorDefaults* d) {
    const auto xmin = number(xminT), xmax = number(xmaxT), xgrid = number(xgridT);
    if (!xmin || !xmax)
        return false;
    const double w = _ScrPGCoef.plotWidth();
    const double grid = xgrid && *xgrid > 0 ? *xgrid : 0.0;
    if (grid * 1e6 > kInt32Max)
        return false;
    bool valid = false;
    std::int32_t timePerPixel = 0;
    switch (_MonType) {
    case mtScroll:
    case mtScope: {
        if (*xmin != 0 || !(*xmax > 0) || w <= 0 || !(fsPlay > 0) || *xmax / w < 1.0 / fsPlay)
            return false;
        const double t = std::round(*xmax * 1e6 / w);
        if (t > kInt32Max || t < 1)
            return false;
        timePerPixel = std::int32_t(t);
        valid = true;
        break;
    }
    case mtXY:
        valid = *xmin < *xmax;
        break;
    case mtFFT:
        valid = *xmin < *xmax && *xmin >= 0 && *xmax <= fsPlay / 2;
        break;
    }
    if (!valid)
        return false;
    if (timePerPixel > 0) {
        _ScrPGCoef.TimeNaPixel_us = timePerPixel;
        _ScrPGCoef.MinLines = std::clamp(20000 / timePerPixel, 1, 32);
        _ScrPGCoef.TimeRest_us = 0;
    }
    _Xmin = float(*xmin);
    _Xmax = float(*xmax);
    _ScrPGCoef.Xslope = float((w - 1) / (*xmax - *xmin));
    const double off = -std::round(double(_ScrPGCoef.Xslope) * *xmin);
    _ScrPGCoef.XOffset = std::int32_t(std::clamp(off, -kInt32Max, kInt32Max));
    _XGrid = float(grid);
    _GridTimeRest_us = 0;
    _XGridTime_us = grid > 0 ? std::int32_t(std::lround(grid * 1e6)) : 0;
    for (auto& sg : _SubGrafList)
        sg->_ScrSubGrCoef._JeClr = true;
    _ScrPGCoef.PocetLines = 0;
    sXmin = capText(xminT, 20);
    sXmax = capText(xmaxT, 20);
    sXgrid = xgrid ? capText(xgridT, 20) : std::string("0");
    if (d && xgrid)
        d->def.texts[3] = sXmin + "|" + sXmax + "|" + sXgrid;
    return true;
}

void TPolyGraf::SetPolyGrafXLimits(TMonType t, bool reset, double fsPlay,
                                   const PolyGrafDefinition& def) {
    const auto f = splitFields(def.texts[3]);
    auto field = [&](std::size_t i, const char* dflt) {
        return i < f.size() ? f[i] : std::string(dflt);
    };
    std::string a, b, c;
    switch (t) {
    case mtScroll:
    case mtScope:
        a = "0";
        b = reset ? "10" : field(1, "10");
        c = reset ? "1" : field(2, "1");
        break;
    case mtXY:
        a = reset ? "-10" : field(0, "-10");
        b = reset ? "10" : field(1, "10");
        c = reset ? "2" : field(2, "2");
        break;
    case mtFFT:
        a = reset ? "0" : field(0, "0");
        b = reset ? shortNumber(fsPlay / 2) : field(1, "0");
        c = reset ? shortNumber(fsPlay / 20) : field(2, "0");
        break;
    }
    if (!SetXParam(a, b, c, fsPlay) && !reset && t == mtFFT)
        SetXParam("0", shortNumber(fsPlay / 2), shortNumber(fsPlay / 20), fsPlay);
}

void TPolyGraf::SetPolyGrafMonType(TMonType t, double fsPlay, MonitorDefaults* d) {
    const bool reset = (t == mtFFT) != (_MonType == mtFFT);
    _MonType = t;
    for (auto& sg : _SubGrafList)
        SetSubGrafMonType(*sg, t, reset);
    PolyGrafDefinition def;
    def.texts[3] = sXmin + "|" + sXmax + "|" + sXgrid;
    SetPolyGrafXLimits(t, reset, fsPlay, def);
    restartColumns();
    if (d)
        d->def.texts[1] = std::string(kMonTypeNames[t]) + "|0";
}

TSubGraf* TPolyGraf::Add1SubGraf(const TSubGrafPar& tmpl, int allCount, double fsPlay) {
    if (subGrafCount() >= kMaxSubGrafs || allCount >= kMaxSubGrafsAll)
        return nullptr;
    auto sg = std::make_unique<TSubGraf>();
    sg->_SubGrafParam = tmpl;
    TSubGrafPar& p = sg->_SubGrafParam;
    // A template may come from a workbook: every index is put into its range here too.
    p._TxtHeight = std::clamp(p._TxtHeight, 5, 105);
    for (auto& s : p.SerPar) {
        if (s.SigNo < 0 || s.SigNo > 200)
            s.SigNo = 0;
        if (s.ColorIdx < 0 || s.ColorIdx > 15)
            s.ColorIdx = 0;
        s.Axis = s.Axis == 1 ? 1 : 0;
        s.LineWidth = std::clamp(s.LineWidth, 1, 8);
        s.ValDec = std::clamp(s.ValDec, 0, 6);
        if (s.SpectType > 4)
            s.SpectType = 1;
        if (!validFFTLines(s.FFTLines))
            s.FFTLines = 1024;
        if (s.WinType > 3)
            s.WinType = 2;
        if (s.AverType > 1)
            s.AverType = 1;
        if (s.FreqWeight > 1)
            s.FreqWeight = 0;
        s.Overlay = std::clamp(s.Overlay, 0, s.FFTLines);
        s.AverCnt = std::max(0, s.AverCnt);
    }
    for (auto& run : sg->run)
        run.Yarr.assign(std::size_t(_ScrPGCoef.plotWidth()), ColumnPair{});
    SetYRange(*sg, 0, p._sYLmin, p._sYLmax);
    SetYRange(*sg, 1, p._sYRmin, p._sYRmax);
    SetYgridText(*sg, p._sYLgrid);
    const std::string lo = p._sYLimitMin.empty() ? p._sYLmin : p._sYLimitMin;
    const std::string hi = p._sYLimitMax.empty() ? p._sYLmax : p._sYLimitMax;
    if (_MonType == mtFFT)
        SetSubGrafMonType(*sg, mtFFT, true);
    else
        SetYLimits(*sg, lo, hi);
    for (int s = 0; s < kMaxSeries; ++s)
        SetLP_FilterCoef(*sg, s, p.SerPar[std::size_t(s)].LPFreq, fsPlay);
    updateSeriesRows(*sg);
    _SubGrafList.push_back(std::move(sg));
    return _SubGrafList.back().get();
}

bool TPolyGraf::addSubGrafLikeLast(MonitorDefaults& d, int allCount, double fsPlay) {
    if (subGrafCount() >= kMaxSubGrafs || allCount >= kMaxSubGrafsAll)
        return false;
    if (!_SubGrafList.empty())
        d.tmpl = _SubGrafList.back()->_SubGrafParam;
    d.tmpl._BGColor = (subGrafCount() % 2 == 1) ? 0xBEFAFA : 0xFFFFFF; // RGB(250,250,190)
    d.tmpl._RelHeight = 1.0f;
    d.tmpl._No = subGrafCount() + 1;
    if (!Add1SubGraf(d.tmpl, allCount, fsPlay))
        return false;
    ReCalcSubGrafCoef(true);
    return true;
}

bool TPolyGraf::removeLastSubGraf() {
    if (subGrafCount() < 2)
        return false;
    _SubGrafList.pop_back();
    ReCalcSubGrafCoef(true);
    return true;
}

int TPolyGraf::subGrafAt(int y) const {
    for (int i = 0; i < subGrafCount(); ++i) {
        const auto& c = _SubGrafList[std::size_t(i)]->_ScrSubGrCoef;
        if (y >= c._Top - 4 && y < c._Top + c._HeightPix)
            return i;
    }
    return -1;
}

void TPolyGraf::togglePause(int y) {
    _JePauseScrMon = !_JePauseScrMon;
    if (_MonType == mtXY) {
        const int i = subGrafAt(y);
        if (i >= 0)
            _SubGrafList[std::size_t(i)]->_ScrSubGrCoef._JeClr = true;
    }
}

// ---------------------------------------------------------------- subgraph setters

bool SetYRange(TSubGraf& sg, int axis, std::string_view minT, std::string_view maxT,
               MonitorDefaults* d) {
    const auto lo = number(minT), hi = number(maxT);
    if (!lo || !hi || *lo == *hi || std::abs(*lo) > 1e30 || std::abs(*hi) > 1e30)
        return false;
    auto& p = sg._SubGrafParam;
    if (axis == 1) {
        sg._YMinR = float(*lo);
        sg._YMaxR = float(*hi);
        p._sYRmin = capText(minT, 32);
        p._sYRmax = capText(maxT, 32);
        if (d) {
            d->tmpl._sYRmin = p._sYRmin;
            d->tmpl._sYRmax = p._sYRmax;
        }
    } else {
        sg._YMinL = float(*lo);
        sg._YMaxL = float(*hi);
        p._sYLmin = capText(minT, 32);
        p._sYLmax = capText(maxT, 32);
        if (d) {
            d->tmpl._sYLmin = p._sYLmin;
            d->tmpl._sYLmax = p._sYLmax;
        }
    }
    SetYSlopOffs(sg);
    return true;
}

bool SetYLimits(TSubGraf& sg, std::string_view minT, std::string_view maxT, MonitorDefaults* d) {
    const auto lo = number(minT), hi = number(maxT);
    if (!lo || !hi || !(*lo < *hi))
        return false;
    sg._YLimitMin = float(*lo);
    sg._YLimitMax = float(*hi);
    sg._SubGrafParam._sYLimitMin = capText(minT, 32);
    sg._SubGrafParam._sYLimitMax = capText(maxT, 32);
    if (d) {
        d->tmpl._sYLimitMin = sg._SubGrafParam._sYLimitMin;
        d->tmpl._sYLimitMax = sg._SubGrafParam._sYLimitMax;
    }
    SetY_limitMinMax(sg);
    return true;
}

bool SetYgridText(TSubGraf& sg, std::string_view text, MonitorDefaults* d) {
    const auto g = number(text);
    if (!g || *g < 0)
        return false;
    sg._YgridL = float(*g);
    sg._SubGrafParam._sYLgrid = capText(text, 32);
    if (d)
        d->tmpl._sYLgrid = sg._SubGrafParam._sYLgrid;
    SetYgrid(sg);
    sg._ScrSubGrCoef._JeClr = true;
    return true;
}

void SetYSlopOffs(TSubGraf& sg) {
    auto& c = sg._ScrSubGrCoef;
    auto map = [&](float lo, float hi, TSlopOfs& m) {
        m.Slop = float(c._HeightPix / (double(lo) - double(hi)));
        const double off = std::round(-double(m.Slop) * hi) + c._Top - 4;
        m.Offs = std::int32_t(std::clamp(off, -1e6, 1e6));
    };
    map(sg._YMinL, sg._YMaxL, c._YL);
    map(sg._YMinR, sg._YMaxR, c._YR);
    c._JeClr = true;
    SetYgrid(sg);
    SetY_limitMinMax(sg);
}

void SetYgrid(TSubGraf& sg) {
    const double g = sg._YgridL;
    double n = g != 0 ? std::round((double(sg._YMaxL) - sg._YMinL) / g) : 0;
    if (!(n >= 0 && n <= kMaxYgridLines))
        n = 0;
    sg._YgridLines = int(n);
    auto& arr = sg._ScrSubGrCoef._YgridArr;
    arr.assign(std::size_t(n), YGridLine{});
    double c = n > 0 ? g * std::round((double(sg._YMaxL) - g) / g) : 0;
    for (auto& l : arr) {
        l.row = sg._ScrSubGrCoef._YL.row(c);
        c -= g;
    }
}

void SetY_limitMinMax(TSubGraf& sg) {
    auto& c = sg._ScrSubGrCoef;
    c._iYLimitMin = sg._YLimitMin > sg._YMinL ? c._YL.row(sg._YLimitMin) : 0;
    c._iYLimitMax = sg._YLimitMax < sg._YMaxL ? c._YL.row(sg._YLimitMax) : 0;
}

int SetLP_FilterCoef(TSubGraf& sg, int s, double f, double fsPlay) {
    if (s < 0 || s >= kMaxSeries)
        return -1;
    auto& par = sg._SubGrafParam.SerPar[std::size_t(s)];
    auto& run = sg.run[std::size_t(s)];
    if (!(f >= 0.999) || !(fsPlay > 0) || !(f < fsPlay / 2)) {
        par.LPFreq = 0;
        run.lpOn = false;
        return f == 0 ? 0 : -1;
    }
    TIirFilter fl;
    if (!DesignIirFilter(IirKind::LowPass, 5, f / fsPlay, fl).ok) {
        par.LPFreq = 0;
        run.lpOn = false;
        return -1;
    }
    fl.reset();
    run.lp = fl;
    run.lpOn = true;
    par.LPFreq = float(f);
    return 1;
}

int applyLPText(TSubGraf& sg, int s, std::string_view text, double fsPlay, Log& log) {
    const auto v = parseWholeFinite(trimBlanks(text));
    const int r = v ? SetLP_FilterCoef(sg, s, *v, fsPlay) : -1;
    if (r < 0) {
        log.warn("Invalid series low pass frequency: \"" + std::string(text) + "\" Hz");
    } else if (r == 1) {
        char b[64];
        std::snprintf(b, sizeof b, "Low pass frequency: %.1f Hz", *v);
        log.info(b);
    } else {
        log.info("Low pass filter off: ");
    }
    return r;
}

void SetSubGrafMonType(TSubGraf& sg, TMonType t, bool reset) {
    if (t == mtFFT) {
        SetYRange(sg, 0, "0", "100");
        SetYRange(sg, 1, "0", "100");
        SetYLimits(sg, "0", "100");
    } else if (reset) {
        SetYRange(sg, 0, "-10", "10");
        SetYRange(sg, 1, "-10", "10");
        SetYLimits(sg, "-10", "10");
    }
}

bool setSeriesSignal(TSubGraf& sg, int s, std::int64_t sigNo) {
    if (s < 0 || s >= kMaxSeries || sigNo < 0 || sigNo > 200)
        return false;
    sg._SubGrafParam.SerPar[std::size_t(s)].SigNo = std::int32_t(sigNo);
    sg._ScrSubGrCoef._JeClr = true;
    updateSeriesRows(sg);
    return true;
}

void stepSeriesSignal(TSubGraf& sg, int s, int delta) {
    if (s < 0 || s >= kMaxSeries)
        return;
    const int v = sg._SubGrafParam.SerPar[std::size_t(s)].SigNo + delta;
    setSeriesSignal(sg, s, ((v % 201) + 201) % 201);
}

bool setSeriesColour(TSubGraf& sg, int s, std::int64_t idx) {
    if (s < 0 || s >= kMaxSeries || idx < 0 || idx > 15)
        return false;
    sg._SubGrafParam.SerPar[std::size_t(s)].ColorIdx = std::int32_t(idx);
    sg._ScrSubGrCoef._JeClr = true;
    return true;
}

void cycleLineWidth(TSubGraf& sg, int s, bool down) {
    if (s < 0 || s >= kMaxSeries)
        return;
    auto& w = sg._SubGrafParam.SerPar[std::size_t(s)].LineWidth;
    w = down ? (w <= 1 ? 8 : w - 1) : (w >= 8 ? 1 : w + 1);
}

void cycleValDec(TSubGraf& sg, int s, bool down) {
    if (s < 0 || s >= kMaxSeries)
        return;
    auto& d = sg._SubGrafParam.SerPar[std::size_t(s)].ValDec;
    d = down ? (d <= 0 ? 6 : d - 1) : (d >= 6 ? 0 : d + 1);
}

bool setSeriesFFTLines(TSubGraf& sg, int s, std::int64_t lines) {
    if (s < 0 || s >= kMaxSeries || !validFFTLines(lines))
        return false;
    sg._SubGrafParam.SerPar[std::size_t(s)].FFTLines = std::int32_t(lines);
    return true;
}

bool setSeriesOverlay(TSubGraf& sg, int s, std::string_view text) {
    if (s < 0 || s >= kMaxSeries)
        return false;
    auto& p = sg._SubGrafParam.SerPar[std::size_t(s)];
    const auto v = parseWholeFinite(trimBlanks(text));
    // Unreadable is 0; a step beyond the frame would skip samples, so it is refused.
    const double o = v ? std::trunc(*v) : 0.0;
    if (o < 0 || o > p.FFTLines)
        return false;
    p.Overlay = std::int32_t(o);
    return true;
}

bool setSeriesAverCnt(TSubGraf& sg, int s, std::string_view text) {
    if (s < 0 || s >= kMaxSeries)
        return false;
    const auto v = parseWholeFinite(trimBlanks(text));
    if (!v || *v < 0 || *v > kInt32Max)
        return false;
    sg._SubGrafParam.SerPar[std::size_t(s)].AverCnt = std::int32_t(*v);
    return true;
}

void updateSeriesRows(TSubGraf& sg) {
    int last = 0;
    for (int s = 0; s < kMaxSeries; ++s)
        if (sg._SubGrafParam.SerPar[std::size_t(s)].SigNo > 0)
            last = s + 1;
    sg.seriesRows = std::max({2, last + 1, sg.seriesRows});
}

bool addSeriesRow(TSubGraf& sg) {
    if (sg.seriesRows >= kMaxSeries + 1)
        return false;
    ++sg.seriesRows;
    return true;
}

bool removeSeriesRow(TSubGraf& sg) {
    if (sg.seriesRows <= 2)
        return false;
    --sg.seriesRows;
    return true;
}

} // namespace mv
