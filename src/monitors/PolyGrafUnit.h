#pragma once
// The polygraphs: recorder-style displays of replayed signals. A polygraph holds one to
// sixteen subgraphs stacked vertically, each drawing up to eight series. This is the
// model without a window: settings, layout, axis mappings, the pixel image the graph
// thread draws into, and the setters the settings grids and number edits call.
//
// Every polygraph carries its own mutex. The graph thread holds it for a whole column
// pass; the user-interface thread holds it around every setter, a resize and the copy
// of the image to the screen. Nothing here takes it by itself: callers lock.
#include "core/Log.h"
#include "fft/FFTrec.h"
#include "monitors/PixelImage.h"
#include "processing/MV_mkfilter.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mv {

enum TMonType : std::int32_t { mtScroll = 0, mtScope, mtXY, mtFFT };
inline constexpr const char* kMonTypeNames[4] = {"Scroll", "Scope", "XY", "FFT"};

struct MonColour {
    const char* name;
    std::uint8_t r, g, b;
    std::uint32_t argb() const { return 0xFF000000u | (std::uint32_t(r) << 16) | (g << 8) | b; }
};
inline constexpr MonColour kMonColours[16] = {
    {"Black", 0, 0, 0},      {"Maroon", 128, 0, 0},    {"Green", 0, 128, 0},
    {"Olive", 128, 128, 0},  {"Navy", 0, 0, 128},      {"Purple", 128, 0, 128},
    {"Teal", 0, 128, 128},   {"Gray", 128, 128, 128},  {"Silver", 192, 192, 192},
    {"Red", 255, 0, 0},      {"Lime", 0, 255, 0},      {"Yellow", 255, 255, 0},
    {"Blue", 0, 0, 255},     {"Fuchsia", 255, 0, 255}, {"Aqua", 0, 255, 255},
    {"White", 255, 255, 255}};
// The light pen of a colour: each component lifted by 190.
std::uint32_t lightColour(int colourIdx);
// A 0x00BBGGRR colour (as the workbook stores a band colour) as an image pixel.
std::uint32_t bgrToArgb(std::int32_t bgr);

inline constexpr int kMaxSubGrafs = 16;
inline constexpr int kMaxSubGrafsAll = 96;
inline constexpr int kMaxSeries = 8;
inline constexpr int kMaxPlotWidth = 4096;
inline constexpr int kMaxYgridLines = 40;
inline constexpr int kMinPolyWidth = 320;
inline constexpr int kMinPolyHeight = 120;
inline constexpr int kFFTLineCounts[13] = {8,    16,   32,   64,   128,   256,  512,
                                           1024, 2048, 4096, 8192, 16384, 32768};
bool validFFTLines(std::int64_t lines);

struct TSerPar {
    std::int32_t SigNo = 0; // 1..200, 0 = not used
    std::int32_t ColorIdx = 9;
    std::int32_t Axis = 0; // 0 left, 1 right
    std::int32_t LineWidth = 1;
    std::int32_t ValDec = 2;
    float LPFreq = 0.0f;
    std::uint8_t SpectType = 1;
    std::int32_t FFTLines = 1024;
    std::uint8_t WinType = 2;
    std::int32_t Overlay = 0;
    std::uint8_t AverType = 1;
    std::int32_t AverCnt = 0;
    std::uint8_t FreqWeight = 0;
    bool operator==(const TSerPar&) const = default;
};

// The stored settings of a subgraph, and the template new subgraphs start from.
struct TSubGrafPar {
    std::int32_t _No = 0;
    std::string _sName = "SubGraph_";
    std::string _sYLmin = "-10", _sYLmax = "10", _sYLgrid = "2";
    std::string _sYRmin = "-10", _sYRmax = "10";
    std::string _sYLimitMin = "-10", _sYLimitMax = "10";
    std::int32_t _BGColor = 0xFFFFFF; // 0x00BBGGRR, white
    std::int32_t _TxtHeight = 15;
    float _RelHeight = 1.0f;
    std::int32_t _Res1 = 0;
    std::array<TSerPar, kMaxSeries> SerPar = defaultSeries();
    bool operator==(const TSubGrafPar&) const = default;

    static std::array<TSerPar, kMaxSeries> defaultSeries();
};

// The six definition texts a polygraph is created from ("|" between fields).
struct PolyGrafDefinition {
    std::array<std::string, 6> texts = {"1|",     "Scroll|0", "1|1|400|200|0",
                                        "0|10|2", "0||9|1|0", "1"};
};

// The last used settings that new polygraphs and subgraphs start from. One per Monitors
// window; it lives as long as the program.
struct MonitorDefaults {
    PolyGrafDefinition def;
    TSubGrafPar tmpl;
};

// Fields of "a|b|c"; a text without "|" is one field.
std::vector<std::string> splitFields(std::string_view text);
// A text cut to a capacity in characters.
std::string capText(std::string_view text, std::size_t maxChars);

struct TSlopOfs {
    float Slop = 0.0f;
    std::int32_t Offs = 0;
    int row(double v) const;
};

struct ColumnPair {
    float lo = 1e20f, hi = -1e20f;
};

struct YGridLine {
    std::int32_t row = 0;
    std::string label; // up to 8 characters, for the strip chart
};

// What a series carries at run time besides its settings.
struct SeriesRun {
    std::vector<ColumnPair> Yarr; // one pair per plot column
    bool JeYMinWarn = false, JeYMaxWarn = false;
    std::string Ystr, PocLinPrum, RMSstr, dBstr;
    TIirFilter lp;
    bool lpOn = false;
    // The series' FFT engine, made when an FFT pass first meets the series (an engine
    // holds half a megabyte; most series never need one).
    std::unique_ptr<TFFTrec> fft;
    // XY: the pair's current point and its start point (kept on the X series).
    int xyX = 0, xyY = 0, xyStartX = 0, xyStartY = 0;
    bool xyCross = false;
    float filter(float v);
};

struct TSubGrafCoef {
    std::int32_t _Top = 0;
    std::int32_t _HeightPix = 0;
    TSlopOfs _YL, _YR;
    std::int32_t _iYLimitMin = 0, _iYLimitMax = 0;
    std::vector<YGridLine> _YgridArr;
    bool _JeClr = true;
};

class TSubGraf {
public:
    TSubGrafPar _SubGrafParam;
    float _YMinL = -10, _YMaxL = 10, _YMinR = -10, _YMaxR = 10;
    float _YLimitMin = -10, _YLimitMax = 10;
    float _YgridL = 2;
    std::int32_t _YgridLines = 0;
    TSubGrafCoef _ScrSubGrCoef;
    std::array<SeriesRun, kMaxSeries> run;
    // Rows of the series grid (1 + the number of the last used series, at least 2).
    int seriesRows = 2;

    const TSlopOfs& axisOf(int s) const {
        return _SubGrafParam.SerPar[std::size_t(s)].Axis == 1 ? _ScrSubGrCoef._YR
                                                              : _ScrSubGrCoef._YL;
    }
};

// One of a polygraph's geometry, in the Monitors window's client pixels (or the
// screen's, floating).
struct PolyRect {
    int left = 1, top = 1, width = 400, height = 200;
    bool operator==(const PolyRect&) const = default;
};

struct TPolyGrafCoef {
    // Plot rectangle in the window: (30, 4, width - 8, height - 35).
    int plotLeft = 30, plotTop = 4, plotRight = 0, plotBottom = 0;
    std::int32_t TimeNaPixel_us = 20000, TimeRest_us = 0, MinLines = 1;
    std::int32_t WrLineIndex = 0, RdLineIndex = 0, PocetLines = 0;
    float Xslope = 1.0f;
    std::int32_t XOffset = 0;
    int plotWidth() const { return plotRight - plotLeft; }
    int plotHeight() const { return plotBottom - plotTop; }
};

struct TPRNrec {
    bool JePrint = false;
    std::string PrinterName; // up to 34 characters
    std::int32_t PaperSize = 9;
    std::int32_t Orientation = 1;
    bool ToFile = false;
};

class StripChartJob;

class TPolyGraf {
public:
    // CreateIt: a polygraph from the six definition texts (no subgraphs yet).
    // `count` is the number of polygraphs that exist already (for the default name).
    TPolyGraf(const PolyGrafDefinition& def, int count, double fsPlay);
    ~TPolyGraf();
    TPolyGraf(const TPolyGraf&) = delete;
    TPolyGraf& operator=(const TPolyGraf&) = delete;

    std::mutex mutex; // see the file comment
    // Set by the graph thread when the image changed; the window repaints and clears it.
    std::atomic<bool> dirty{false};

    std::string name;
    TMonType _MonType = mtScroll;
    PolyRect rect;
    bool _JeFloating = false;
    bool _JePauseScrMon = false;
    bool _Scroluj = false;
    bool _JeMysNad = false;
    int mouseX = 0; // plot pixels, while _JeMysNad
    std::int32_t _ScrH_gridCounter = 0;
    float _Xmin = 0, _Xmax = 10, _XGrid = 2;
    // The last valid texts of the X edits.
    std::string sXmin = "0", sXmax = "10", sXgrid = "2";
    std::int32_t _XGridTime_us = 0, _GridTimeRest_us = 0;
    TPolyGrafCoef _ScrPGCoef;
    TPRNrec _PRN;
    std::vector<std::unique_ptr<TSubGraf>> _SubGrafList;
    // The plot; row 0 is 4 pixels below the window top. Made by the first pass that draws
    // (ensureImage), not when the layout is set: a workbook may lay out dozens of large
    // polygraphs, and their pixels would take gigabytes before one of them is shown.
    PixelImage image;
    // The strip chart of the running replay (graph thread only), and the playing flag
    // the polygraph saw last.
    std::unique_ptr<StripChartJob> printJob;
    bool lastPlaying = false;

    int subGrafCount() const { return int(_SubGrafList.size()); }

    // Add1SubGraf: a subgraph from the template (refused beyond 16 here or when
    // `allCount` already holds 96); the caller runs ReCalcSubGrafCoef.
    TSubGraf* Add1SubGraf(const TSubGrafPar& tmpl, int allCount, double fsPlay);
    // The user's "one more subgraph": the template takes the last subgraph's settings
    // and alternating band colours. False when refused.
    bool addSubGrafLikeLast(MonitorDefaults& d, int allCount, double fsPlay);
    bool removeLastSubGraf();

    // SetSize: window bounds; plot rectangle and column counters follow, the image is
    // dropped until the next pass.
    void SetSize(const PolyRect& r, double fsPlay);
    void ReCalcSubGrafCoef(bool SrovnatVysku);
    // SetXParam from the three X texts; false (settings unchanged) when not valid.
    bool SetXParam(std::string_view xmin, std::string_view xmax, std::string_view xgrid,
                   double fsPlay, MonitorDefaults* d = nullptr);
    void SetPolyGrafMonType(TMonType t, double fsPlay, MonitorDefaults* d = nullptr);
    // SetPolyGrafXLimits: the X texts for type t, reset or from definition text 4.
    void SetPolyGrafXLimits(TMonType t, bool reset, double fsPlay, const PolyGrafDefinition& def);

    // Left click in the left margin: pause / run (XY: the band under y is cleared).
    void togglePause(int y);
    // Index of the subgraph whose band holds window row y, or -1.
    int subGrafAt(int y) const;
    // Clears the image bands on the next pass and restarts the column ring.
    void restartColumns();
    // A white image of the plot's size unless it has one; false when the plot is empty.
    bool ensureImage();

private:
    void applyDefinition(const PolyGrafDefinition& def);
};

// ---- subgraph setters: each returns whether the value was taken ----

// Left (axis 0) or right (axis 1) Y range from two texts; equal or unreadable refused.
bool SetYRange(TSubGraf& sg, int axis, std::string_view minText, std::string_view maxText,
               MonitorDefaults* d = nullptr);
bool SetYLimits(TSubGraf& sg, std::string_view minText, std::string_view maxText,
                MonitorDefaults* d = nullptr);
bool SetYgridText(TSubGraf& sg, std::string_view text, MonitorDefaults* d = nullptr);
// SetYSlopOffs, SetYgrid, SetY_limitMinMax for the current values.
void SetYSlopOffs(TSubGraf& sg);
void SetYgrid(TSubGraf& sg);
void SetY_limitMinMax(TSubGraf& sg);
// SetLP_FilterCoef: 1 filter on, 0 off, -1 invalid.
int SetLP_FilterCoef(TSubGraf& sg, int s, double fHz, double fsPlay);
// The LP cell's Enter: parses, applies and logs the outcome.
int applyLPText(TSubGraf& sg, int s, std::string_view text, double fsPlay, Log& log);
void SetSubGrafMonType(TSubGraf& sg, TMonType t, bool reset);

// Series-grid edits, validated where they enter.
bool setSeriesSignal(TSubGraf& sg, int s, std::int64_t sigNo);     // 0..200
void stepSeriesSignal(TSubGraf& sg, int s, int delta);             // wraps 0 <-> 200
bool setSeriesColour(TSubGraf& sg, int s, std::int64_t idx);       // 0..15
void cycleLineWidth(TSubGraf& sg, int s, bool down);               // 1..8 wrapping
void cycleValDec(TSubGraf& sg, int s, bool down);                  // 0..6 wrapping
bool setSeriesFFTLines(TSubGraf& sg, int s, std::int64_t lines);   // from the list
bool setSeriesOverlay(TSubGraf& sg, int s, std::string_view text); // 0..lines
bool setSeriesAverCnt(TSubGraf& sg, int s, std::string_view text); // 0 .. 2^31-1
void updateSeriesRows(TSubGraf& sg);
// Down on the last row adds a series row (at most 8), Up on the first removes one.
bool addSeriesRow(TSubGraf& sg);
bool removeSeriesRow(TSubGraf& sg);

} // namespace mv
