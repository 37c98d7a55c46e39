#include "monitors/StripChart.h"

#include <cmath>
#include <cstdio>
#include <utility>

namespace mv {

namespace {
constexpr std::uint32_t kBlack = 0x000000;
constexpr std::uint32_t kGrid = 0x808080;

std::uint32_t rgbOf(int colourIdx) {
    const MonColour& c = kMonColours[std::size_t(colourIdx & 15)];
    return (std::uint32_t(c.r) << 16) | (std::uint32_t(c.g) << 8) | c.b;
}
} // namespace

int gridDecimals(double g) {
    if (!(g > 0) || !std::isfinite(g))
        return 0;
    const double u = std::round(std::log10(g));
    return u < 1 ? int(std::abs(u)) + 1 : 0;
}

std::string gridLabel(double c, int decimals) {
    char b[64];
    if (!std::isfinite(c))
        return "?";
    double v = c;
    if (v != 0) {
        const double mag = std::floor(std::log10(std::abs(v)));
        const double scale = std::pow(10.0, mag - 2);
        v = std::round(v / scale) * scale;
    }
    if (std::abs(v) >= 1000) {
        std::snprintf(b, sizeof b, v < 0 ? "%.1e" : "%.2e", v);
        return b;
    }
    std::snprintf(b, sizeof b, "%.*f", std::clamp(decimals, 0, 6), v);
    std::string s = b;
    if (s.size() > 8) {
        std::snprintf(b, sizeof b, v < 0 ? "%.1e" : "%.2e", v);
        s = b;
    }
    return s;
}

std::string stripFileName(const std::string& testId, const std::string& polyName,
                          const std::string& extension) {
    return "~" + testId + "/ID_" + testId + " ID_" + testId + " " + polyName + extension;
}

StripLayout stripLayout(const TPolyGraf& p, int pgW, int pgH, double dpm) {
    auto mm = [dpm](double v) { return int(std::lround(v * dpm)); };
    StripLayout l;
    l.plotLeft = mm(24);
    l.plotTop = mm(17);
    l.plotRight = pgW - mm(1);
    l.plotBottom = pgH - mm(8);
    const int w = std::max(1, l.plotWidth());
    l.timePerPixel_us = std::int32_t(std::clamp(std::round(double(p._Xmax) * 1e6 / w), 1.0, 2e9));
    l.logoLeft = mm(4);
    l.footerY = l.plotBottom + 2;
    const int n = p.subGrafCount();
    const int gap = mm(2);
    const int all = std::max(0, l.plotBottom - l.plotTop - (n - 1) * gap);
    int top = l.plotTop;
    for (const auto& sg : p._SubGrafList) {
        StripBand b;
        b.top = top;
        b.height = int(std::lround(sg->_SubGrafParam._RelHeight * all));
        auto map = [&](float lo, float hi, TSlopOfs& m) {
            m.Slop = float(b.height / (double(lo) - double(hi)));
            m.Offs = std::int32_t(std::clamp(std::round(-double(m.Slop) * hi) + b.top, -1e6, 1e6));
        };
        map(sg->_YMinL, sg->_YMaxL, b.yl);
        map(sg->_YMinR, sg->_YMaxR, b.yr);
        const double g = sg->_YgridL;
        const int d = gridDecimals(g);
        double c = sg->_YgridLines > 0 ? g * std::round((double(sg->_YMaxL) - g) / g) : 0;
        for (int i = 0; i < sg->_YgridLines; ++i, c -= g)
            b.grid.push_back({b.yl.row(c), gridLabel(c, d)});
        l.bands.push_back(std::move(b));
        top += l.bands.back().height + gap;
    }
    return l;
}

StripChartJob::StripChartJob(std::unique_ptr<PrintSurface> surface, const TPolyGraf& p,
                             StripHeader header)
    : s_(std::move(surface)), h_(std::move(header)), nextMark_(p._XGrid) {}

void StripChartJob::preparePage(const TPolyGraf& p) {
    lay_ = stripLayout(p, s_->pageWidth(), s_->pageHeight(), s_->dotsPerMM());
    rest_ = 0;
    const int step = int(std::lround(2 * s_->dotsPerMM()));
    std::vector<StripSeries> now;
    for (int i = 0; i < p.subGrafCount(); ++i) {
        int k = 0;
        for (int s = 0; s < kMaxSeries; ++s) {
            const int sig =
                p._SubGrafList[std::size_t(i)]->_SubGrafParam.SerPar[std::size_t(s)].SigNo;
            if (sig < 1 || sig > kRingRows)
                continue;
            StripSeries ss{i, s, {}, {}, lay_.bands[std::size_t(i)].top + k++ * step};
            if (std::size_t(sig - 1) < h_.sigNames.size()) {
                ss.name = h_.sigNames[std::size_t(sig - 1)];
                ss.units = h_.sigUnits[std::size_t(sig - 1)];
            }
            now.push_back(std::move(ss));
        }
    }
    // A changed set of series starts its columns afresh.
    const bool same = now.size() == series_.size() &&
                      std::equal(now.begin(), now.end(), series_.begin(),
                                 [](auto& a, auto& b) { return a.sub == b.sub && a.ser == b.ser; });
    series_ = std::move(now);
    if (!same) {
        cols_.assign(series_.size(), std::vector<ColumnPair>(std::size_t(std::max(1, ringWidth_))));
        wr_ = rd_ = pending_ = 0;
    }
}

void StripChartJob::header(const TPolyGraf& p) {
    const double dpm = s_->dotsPerMM();
    auto mm = [dpm](double v) { return int(std::lround(v * dpm)); };
    s_->newPage();
    ++page_;
    x_ = lay_.plotLeft;
    const int L = lay_.plotLeft, T = lay_.plotTop;
    s_->text(L, T - mm(4.4), h_.localTime + "  Pg. " + std::to_string(page_), PrintFont::Small,
             kBlack);
    s_->text(L, T - mm(2.2), h_.localDate, PrintFont::Small, kBlack);
    s_->text(lay_.logoLeft, lay_.footerY, "Time [s]", PrintFont::Small, kBlack);
    s_->text(lay_.logoLeft, lay_.footerY + mm(2), "Marker", PrintFont::Small, kBlack);
    s_->text(L, T - mm(8), "ID: " + h_.testId, PrintFont::Middle, kBlack);
    for (int r = 0; r < 4; ++r) {
        const int y = T + int(std::lround((3.5 * r - 14) * dpm));
        s_->text(L + mm(50), y, h_.description[std::size_t(r)][0], PrintFont::Middle, kBlack);
        s_->text(L + mm(70), y, h_.description[std::size_t(r)][1], PrintFont::Middle, kBlack);
    }
    for (const auto& ss : series_) {
        const TSerPar& sp =
            p._SubGrafList[std::size_t(ss.sub)]->_SubGrafParam.SerPar[std::size_t(ss.ser)];
        s_->text(lay_.logoLeft, ss.row, ss.name, PrintFont::Small,
                 s_->colour() ? rgbOf(sp.ColorIdx) : kBlack);
        s_->text(lay_.logoLeft + mm(12), ss.row, ss.units, PrintFont::Small, kBlack);
    }
    for (const auto& b : lay_.bands) {
        for (const auto& g : b.grid) {
            s_->line(L - 10, g.row, lay_.plotRight, g.row, kGrid, true);
            s_->text(L - mm(4.5), g.row - int(std::lround(dpm)), g.label, PrintFont::Small, kBlack);
        }
        s_->line(L, b.top, lay_.plotRight, b.top, kBlack, false);
        s_->line(lay_.plotRight, b.top, lay_.plotRight, b.top + b.height, kBlack, false);
        s_->line(lay_.plotRight, b.top + b.height, L, b.top + b.height, kBlack, false);
        s_->line(L, b.top + b.height, L, b.top, kBlack, false);
    }
}

void StripChartJob::round(const TPolyGraf& p, const RoundData& d) {
    if (finished_ || (p._MonType != mtScroll && p._MonType != mtScope) || p._SubGrafList.empty())
        return;
    const int W = p._ScrPGCoef.plotWidth();
    if (W <= 0)
        return;
    if (W != ringWidth_) {
        ringWidth_ = W;
        series_.clear(); // the next page preparation restarts the columns
        newPage_ = true;
    }
    if (newPage_) {
        preparePage(p);
        header(p);
        newPage_ = false;
    }
    // The screen's column pass on the print state, without the low pass.
    const std::int32_t T = std::max(1, lay_.timePerPixel_us);
    int j = wr_, c = pending_;
    std::int32_t a = rest_;
    for (std::size_t i = 0; i < series_.size(); ++i) {
        const TSerPar& sp = p._SubGrafList[std::size_t(series_[i].sub)]
                                ->_SubGrafParam.SerPar[std::size_t(series_[i].ser)];
        auto& col = cols_[i];
        int jj = wr_, cc = pending_;
        std::int32_t aa = rest_;
        float lo = col[std::size_t(jj)].lo, hi = col[std::size_t(jj)].hi;
        for (float v : d.row(sp.SigNo)) {
            lo = std::min(lo, v);
            hi = std::max(hi, v);
            aa += d.samplePeriod_us;
            while (aa >= T) { // a sample may span several columns of the page
                aa -= T;
                ++cc;
                col[std::size_t(jj)] = {lo, hi};
                std::swap(lo, hi);
                if (++jj >= ringWidth_)
                    jj = 0;
            }
        }
        col[std::size_t(jj)] = {lo, hi};
        j = jj;
        a = aa;
        c = cc;
    }
    wr_ = j;
    rest_ = a;
    pending_ = std::min(c, ringWidth_);
    // Every completed column once, in time order: batches run on across the ring's end
    // and onto new pages within the round.
    while (pending_ > 0 && pending_ >= p._ScrPGCoef.MinLines) {
        if (newPage_) {
            preparePage(p);
            header(p);
            newPage_ = false;
        }
        const int k = std::min({pending_, ringWidth_ - rd_, lay_.plotRight - x_});
        if (k <= 0) {
            newPage_ = true;
            continue;
        }
        drawBatch(p, d, k);
        rd_ = (rd_ + k) % ringWidth_;
        x_ += k;
        pending_ -= k;
        if (x_ >= lay_.plotRight)
            newPage_ = true;
    }
}

void StripChartJob::drawBatch(const TPolyGraf& p, const RoundData& d, int k) {
    const int x0 = x_, r0 = rd_;
    if (p._XGrid <= 0 || d.replayTime >= nextMark_) {
        s_->line(x0, lay_.plotTop, x0, lay_.plotBottom, kGrid, true);
        char b[32];
        std::snprintf(b, sizeof b, "%5.1f", d.replayTime);
        s_->text(x0, lay_.footerY, b, PrintFont::Small, kBlack);
        if (p._XGrid > 0)
            nextMark_ += p._XGrid;
        for (std::size_t i = 0; i < series_.size(); ++i) {
            const TSerPar& sp = p._SubGrafList[std::size_t(series_[i].sub)]
                                    ->_SubGrafParam.SerPar[std::size_t(series_[i].ser)];
            const ColumnPair pr = cols_[i][std::size_t(r0)];
            s_->text(x0 + 5, series_[i].row, valueText(std::max(pr.lo, pr.hi), sp.ValDec),
                     PrintFont::Small, s_->colour() ? rgbOf(sp.ColorIdx) : kBlack);
        }
    }
    for (std::size_t i = 0; i < series_.size(); ++i) {
        const TSerPar& sp = p._SubGrafList[std::size_t(series_[i].sub)]
                                ->_SubGrafParam.SerPar[std::size_t(series_[i].ser)];
        const StripBand& b = lay_.bands[std::size_t(series_[i].sub)];
        const TSlopOfs& ax = sp.Axis == 1 ? b.yr : b.yl;
        const std::uint32_t rgb = s_->colour() ? rgbOf(sp.ColorIdx) : kBlack;
        for (int n = 0; n < k; ++n) {
            const ColumnPair pr = cols_[i][std::size_t((r0 + n) % ringWidth_)];
            if (pr.lo > 1e19f || pr.hi < -1e19f)
                continue;
            s_->line(x0 + n, ax.row(pr.lo) + sp.LineWidth, x0 + n, ax.row(pr.hi) - sp.LineWidth / 2,
                     rgb, false);
        }
    }
}

void StripChartJob::finish() {
    if (finished_)
        return;
    finished_ = true;
    s_->finish();
}

std::string StripChartJob::progress() const {
    const int w = std::max(1, lay_.plotWidth());
    return std::to_string(int(std::lround((x_ - lay_.plotLeft) * 100.0 / w))) + "%  Pg" +
           std::to_string(page_);
}

void StripChartDriver::setHeader(StripHeader h) {
    std::lock_guard lock(m_);
    header_ = std::move(h);
}

std::vector<std::string> StripChartDriver::takeWarnings() {
    std::lock_guard lock(m_);
    return std::exchange(warnings_, {});
}

int StripChartDriver::jobsStarted() const {
    std::lock_guard lock(m_);
    return started_;
}

void StripChartDriver::afterPass(TPolyGraf& p, const RoundData& d) {
    if (d.playing != p.lastPlaying) {
        p.lastPlaying = d.playing;
        if (d.playing && p._PRN.JePrint && !p.printJob) {
            StripHeader h;
            {
                std::lock_guard lock(m_);
                h = header_;
            }
            auto surface = factory_ ? factory_(p, h.testId) : nullptr;
            std::lock_guard lock(m_);
            if (!surface) {
                warnings_.push_back("Strip chart of \"" + p.name + "\": the printer \"" +
                                    p._PRN.PrinterName +
                                    "\" could not be opened; nothing is printed");
            } else {
                p.printJob = std::make_unique<StripChartJob>(std::move(surface), p, std::move(h));
                ++started_;
            }
        } else if (!d.playing && p.printJob) {
            p.printJob->finish();
            p.printJob.reset();
        }
    }
    if (d.playing && p.printJob)
        p.printJob->round(p, d);
}

} // namespace mv
