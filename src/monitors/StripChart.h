#pragma once
// The strip chart: while a replay runs, a Scroll or Scope polygraph with its print preset
// on prints its subgraphs as a paper strip, page after page, in step with the replay.
// The page layout and the drawing are computed here; a PrintSurface (a PDF writer or a
// printer in the window layer, a recorder in tests) only puts lines and texts on pages.
// Everything runs on the graph thread; the texts of the header are taken on the
// user-interface thread when the replay starts.
#include "monitors/GraphPass.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace mv {

enum class PrintFont { Small, Middle, Large };

class PrintSurface {
public:
    virtual ~PrintSurface() = default;
    // Device pixels of the printable area and per millimetre.
    virtual int pageWidth() const = 0;
    virtual int pageHeight() const = 0;
    virtual double dotsPerMM() const = 0;
    virtual bool colour() const = 0;
    virtual void newPage() = 0; // ends the current page, if any, and starts one
    // x, y: top-left of the text (or its right end when rightAligned).
    virtual void text(int x, int y, const std::string& s, PrintFont f, std::uint32_t rgb) = 0;
    virtual void line(int x0, int y0, int x1, int y1, std::uint32_t rgb, bool dotted) = 0;
    virtual void finish() = 0; // ends the page and the document
};

// A grid label: value c rounded to 3 significant digits with `decimals` decimals; the
// exponent form when the integer part has more than 3 digits; at most 8 characters.
std::string gridLabel(double c, int decimals);
// Decimals of the labels of grid step g.
int gridDecimals(double g);

struct StripSeries {
    int sub = 0, ser = 0;
    std::string name, units; // taken at the start of the job
    int row = 0;             // page row of its label (_PrnYtextu)
};

struct StripBand {
    int top = 0, height = 0;
    TSlopOfs yl, yr;
    std::vector<YGridLine> grid;
};

// The page geometry of one polygraph (Prn_PagePrepare).
struct StripLayout {
    int plotLeft = 0, plotTop = 0, plotRight = 0, plotBottom = 0;
    std::int32_t timePerPixel_us = 0;
    int logoLeft = 0, footerY = 0;
    std::vector<StripBand> bands;
    int plotWidth() const { return plotRight - plotLeft; }
};
StripLayout stripLayout(const TPolyGraf& p, int pgWidth, int pgHeight, double dotsPerMM);

// What the header shows, snapshot on the user-interface thread.
struct StripHeader {
    std::string testId;
    std::array<std::array<std::string, 2>, 4> description; // TestDescGrid rows, columns 0, 1
    std::vector<std::string> sigNames, sigUnits;           // per slot 1..200 (index slot - 1)
    std::string localTime, localDate;
};

// The file of a job printed to file: "~" + Test ID + "/ID_" + Test ID + " ID_" + Test ID
// + " " + polygraph name + extension.
std::string stripFileName(const std::string& testId, const std::string& polyName,
                          const std::string& extension);

class StripChartJob {
public:
    StripChartJob(std::unique_ptr<PrintSurface> surface, const TPolyGraf& p, StripHeader header);
    // One graph-thread round (Prn_TimePolyGrafProc); the caller holds the polygraph's lock.
    void round(const TPolyGraf& p, const RoundData& d);
    void finish();
    int pageNumber() const { return page_; }
    // "NN%  PgN": how far the current page is.
    std::string progress() const;

private:
    void preparePage(const TPolyGraf& p);
    void header(const TPolyGraf& p);
    void drawBatch(const TPolyGraf& p, const RoundData& d, int k);

    std::unique_ptr<PrintSurface> s_;
    StripHeader h_;
    StripLayout lay_;
    std::vector<StripSeries> series_;
    int ringWidth_ = 0;                         // the screen's plot width: the print column ring
    std::vector<std::vector<ColumnPair>> cols_; // per series in series_
    int wr_ = 0, rd_ = 0, pending_ = 0;
    std::int32_t rest_ = 0;
    bool newPage_ = true;
    int page_ = 0;
    int x_ = 0;
    double nextMark_ = 0;
    bool finished_ = false;
};

// The strip charts of all polygraphs: starts a job when a replay begins and ends it when
// the replay stops. Hooked into the graph engine's pass.
class StripChartDriver {
public:
    // Makes the surface of a job; nullptr when the device cannot be opened.
    using SurfaceFactory =
        std::function<std::unique_ptr<PrintSurface>(const TPolyGraf&, const std::string& testId)>;
    explicit StripChartDriver(SurfaceFactory factory) : factory_(std::move(factory)) {}

    // User-interface thread, when "Plot signals" goes down.
    void setHeader(StripHeader h);
    // Graph thread: GraphEngine::afterPass.
    void afterPass(TPolyGraf& p, const RoundData& d);
    // Warnings for the log (a job that could not start), taken by the UI.
    std::vector<std::string> takeWarnings();
    int jobsStarted() const;

private:
    SurfaceFactory factory_;
    mutable std::mutex m_;
    StripHeader header_;
    std::vector<std::string> warnings_;
    int started_ = 0;
};

} // namespace mv
