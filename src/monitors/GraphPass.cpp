#include "monitors/GraphPass.h"

#include "monitors/FFTMonitor.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace mv {

namespace {
constexpr std::uint32_t kGridGrey = 0xFF808080u;
constexpr std::uint32_t kDotGrey = 0xFFBEBEBEu;

std::uint32_t colourOf(const TSerPar& s) {
    return kMonColours[std::size_t(s.ColorIdx & 15)].argb();
}

void fillBand(TPolyGraf& p, const TSubGraf& sg, int x0, int x1) {
    const auto& c = sg._ScrSubGrCoef;
    p.image.fill(x0, x1, c._Top - 4, c._Top - 4 + c._HeightPix,
                 bgrToArgb(sg._SubGrafParam._BGColor));
}
} // namespace

std::string valueText(float v, int dec) {
    char b[64];
    std::snprintf(b, sizeof b, "%.*f", std::clamp(dec, 0, 6), double(v));
    return b;
}

// ---------------------------------------------------------------- list

std::shared_ptr<TPolyGraf> PolyGrafList::create(const PolyGrafDefinition& def, double fsPlay) {
    std::lock_guard lock(m_);
    auto p = std::make_shared<TPolyGraf>(def, int(list_.size()), fsPlay);
    list_.push_back(p);
    return p;
}

void PolyGrafList::remove(const TPolyGraf* p) {
    std::lock_guard lock(m_);
    std::erase_if(list_, [p](const auto& q) { return q.get() == p; });
}

void PolyGrafList::clear() {
    std::lock_guard lock(m_);
    list_.clear();
}

std::vector<std::shared_ptr<TPolyGraf>> PolyGrafList::snapshot() const {
    std::lock_guard lock(m_);
    return list_;
}

int PolyGrafList::count() const {
    std::lock_guard lock(m_);
    return int(list_.size());
}

int PolyGrafList::subGrafTotal() const {
    int n = 0;
    for (const auto& p : snapshot()) {
        std::lock_guard lock(p->mutex);
        n += p->subGrafCount();
    }
    return n;
}

// ---------------------------------------------------------------- Scroll and Scope

void Scr_TimePolyGrafProc(TPolyGraf& p, const RoundData& d) {
    if (p._JePauseScrMon)
        return;
    auto& pc = p._ScrPGCoef;
    const int W = pc.plotWidth();
    if (W <= 0 || !p.ensureImage())
        return;
    for (auto& sg : p._SubGrafList)
        if (sg->_ScrSubGrCoef._JeClr) {
            sg->_ScrSubGrCoef._JeClr = false;
            fillBand(p, *sg, 0, W);
        }
    const std::int32_t T = std::max(1, pc.TimeNaPixel_us);
    int j = pc.WrLineIndex, c = pc.PocetLines;
    std::int32_t a = pc.TimeRest_us;
    bool any = false;
    const std::int32_t j0 = pc.WrLineIndex, a0 = pc.TimeRest_us, c0 = pc.PocetLines;
    // Columns this round: every series reads the same values from the same state.
    auto advance = [&](std::int32_t& aa, int& jj, int& cc, auto&& onColumn) {
        aa += d.samplePeriod_us;
        // A sample may span several columns (a page or plot wider than the samples).
        while (aa >= T) {
            aa -= T;
            ++cc;
            onColumn(jj);
            if (++jj >= W)
                jj = 0;
        }
    };
    for (auto& sg : p._SubGrafList) {
        for (int s = 0; s < kMaxSeries; ++s) {
            const TSerPar& sp = sg->_SubGrafParam.SerPar[std::size_t(s)];
            if (sp.SigNo < 1 || sp.SigNo > kRingRows)
                continue;
            SeriesRun& run = sg->run[std::size_t(s)];
            if (int(run.Yarr.size()) != W)
                run.Yarr.assign(std::size_t(W), ColumnPair{});
            int jj = j0, cc = c0;
            std::int32_t aa = a0;
            ColumnPair pr = run.Yarr[std::size_t(jj)];
            float lo = pr.lo, hi = pr.hi;
            for (float v : d.row(sp.SigNo)) {
                v = run.filter(v);
                lo = std::min(lo, v);
                hi = std::max(hi, v);
                advance(aa, jj, cc, [&](int col) {
                    run.Yarr[std::size_t(col)] = {lo, hi};
                    std::swap(lo, hi);
                });
            }
            run.Yarr[std::size_t(jj)] = {lo, hi};
            if (d.valueTick && (p._MonType == mtScroll || !p._JeMysNad))
                run.Ystr = valueText(std::abs(hi) > std::abs(lo) ? hi : lo, sp.ValDec);
            j = jj;
            a = aa;
            c = cc;
            any = true;
        }
    }
    if (!any) {
        // No series: the columns still advance, so time and grid keep going.
        for (int i = 0; i < d.n; ++i)
            advance(a, j, c, [](int) {});
    }
    pc.WrLineIndex = j;
    pc.TimeRest_us = a;
    pc.PocetLines = c;
    if (pc.PocetLines > W) {
        // More new columns than the plot holds: only the newest W are drawn.
        pc.PocetLines = W;
        pc.RdLineIndex = j;
    }
    while (pc.PocetLines >= pc.MinLines && pc.PocetLines > 0) {
        int k = pc.PocetLines;
        const int r0 = pc.RdLineIndex;
        if (r0 + k >= W) {
            k = W - r0;
            pc.PocetLines -= k;
            pc.RdLineIndex = 0;
            p._Scroluj = p._MonType == mtScroll;
        } else {
            pc.PocetLines = 0;
            pc.RdLineIndex += k;
        }
        int x0 = r0;
        if (p._Scroluj && p._MonType == mtScroll) {
            p.image.scrollLeft(k);
            x0 = W - k;
        }
        const int x1 = x0 + k;
        for (auto& sg : p._SubGrafList)
            fillBand(p, *sg, x0, x1);
        p._ScrH_gridCounter += k;
        if (p._ScrH_gridCounter > 2)
            p._ScrH_gridCounter = 0;
        for (auto& sg : p._SubGrafList) {
            const auto& sc = sg->_ScrSubGrCoef;
            p.image.hline(x0, x1, sc._YL.Offs, kGridGrey);
            if (p._ScrH_gridCounter == 0)
                for (const auto& g : sc._YgridArr) {
                    p.image.set(x1 - 1, g.row, kDotGrey);
                    if (k >= 2)
                        p.image.set(x1 - 2, g.row, kDotGrey);
                }
        }
        if (p._XGrid > 0 && p._XGridTime_us > 0)
            for (int i = 0; i < k; ++i) {
                p._GridTimeRest_us += pc.TimeNaPixel_us;
                // ">=" and keeping the remainder put the lines exactly one grid apart.
                if (p._GridTimeRest_us >= p._XGridTime_us) {
                    p._GridTimeRest_us -= p._XGridTime_us;
                    p.image.vline(x0 + i, 0, p.image.height - 1, kGridGrey);
                }
            }
        for (auto& sg : p._SubGrafList)
            for (int s = 0; s < kMaxSeries; ++s) {
                const TSerPar& sp = sg->_SubGrafParam.SerPar[std::size_t(s)];
                if (sp.SigNo < 1 || sp.SigNo > kRingRows)
                    continue;
                SeriesRun& run = sg->run[std::size_t(s)];
                const TSlopOfs& ax = sg->axisOf(s);
                const std::uint32_t col = colourOf(sp);
                const int w = sp.LineWidth;
                for (int i = 0; i < k; ++i) {
                    const ColumnPair pr = run.Yarr[std::size_t((r0 + i) % W)];
                    if (pr.lo > 1e19f || pr.hi < -1e19f)
                        continue; // a column that never received a value
                    run.JeYMinWarn = sg->_YLimitMin > std::min(pr.lo, pr.hi);
                    run.JeYMaxWarn = std::max(pr.lo, pr.hi) > sg->_YLimitMax;
                    const int bottom = ax.row(pr.lo) + (w - 1) / 2;
                    const int top = ax.row(pr.hi) - w / 2;
                    p.image.vline(x0 + i, top, bottom, col);
                }
            }
    }
}

// ---------------------------------------------------------------- XY

void Scr_XYPolyGrafProc(TPolyGraf& p, const RoundData& d) {
    if (p._JePauseScrMon)
        return;
    const auto& pc = p._ScrPGCoef;
    const int W = pc.plotWidth();
    if (W <= 0 || !p.ensureImage())
        return;
    for (auto& sg : p._SubGrafList) {
        auto& sc = sg->_ScrSubGrCoef;
        const bool cleared = sc._JeClr;
        if (cleared) {
            fillBand(p, *sg, 0, W);
            if (p._XGrid > 0) {
                double X = (std::trunc(double(p._Xmin) / p._XGrid) + 1) * p._XGrid;
                for (int guard = 0; guard < 10000; ++guard, X += p._XGrid) {
                    const double x = std::round(pc.Xslope * X) + pc.XOffset;
                    if (x >= 0 && x < W)
                        p.image.vline(int(x), 0, p.image.height - 1, kGridGrey);
                    if (x >= W)
                        break;
                }
            }
            for (const auto& g : sc._YgridArr)
                p.image.hline(0, W, g.row, kGridGrey);
            p.image.hline(0, W, sc._YL.Offs, kMonColours[7].argb());
        }
        for (int s = 0; s + 1 < kMaxSeries; s += 2) {
            const TSerPar& xs = sg->_SubGrafParam.SerPar[std::size_t(s)];
            const TSerPar& ys = sg->_SubGrafParam.SerPar[std::size_t(s + 1)];
            if (xs.SigNo < 1 || xs.SigNo > kRingRows || ys.SigNo < 1 || ys.SigNo > kRingRows)
                continue;
            SeriesRun& xr = sg->run[std::size_t(s)];
            SeriesRun& yr = sg->run[std::size_t(s + 1)];
            const auto xv = d.row(xs.SigNo), yv = d.row(ys.SigNo);
            if (xv.empty())
                continue;
            if (d.valueTick) {
                xr.Ystr = valueText(xv[0], xs.ValDec);
                yr.Ystr = valueText(yv[0], ys.ValDec);
            }
            const TSlopOfs& ax = sg->axisOf(s + 1);
            auto point = [&](float x, float y, int& px, int& py) {
                const double fx = std::round(double(pc.Xslope) * x + pc.XOffset);
                px = int(std::clamp(fx, -1e6, 1e6));
                py = ax.row(y);
            };
            if (cleared) {
                int px, py;
                point(xv[0], yv[0], px, py);
                xr.xyX = xr.xyStartX = px;
                xr.xyY = xr.xyStartY = py;
            }
            for (std::size_t i = 0; i < xv.size(); ++i) {
                const float x = xr.filter(xv[i]), y = yr.filter(yv[i]);
                int px, py;
                point(x, y, px, py);
                yr.JeYMinWarn = y < sg->_YLimitMin;
                yr.JeYMaxWarn = y > sg->_YLimitMax;
                if (px != xr.xyX || py != xr.xyY) {
                    const TSerPar& pen = xr.xyCross ? ys : xs;
                    const std::uint32_t col = colourOf(pen);
                    // The line width widens the line sideways and downwards.
                    for (int o = 0; o < pen.LineWidth; ++o)
                        p.image.line(xr.xyX, xr.xyY + o, px, py + o, col);
                    xr.xyX = px;
                    xr.xyY = py;
                    if (px == xr.xyStartX && py == xr.xyStartY)
                        xr.xyCross = !xr.xyCross;
                }
            }
        }
        sc._JeClr = false;
    }
}

// ---------------------------------------------------------------- FFT

int FFT_Process(TPolyGraf& p, const RoundData& d) {
    if (p._JePauseScrMon)
        return 0;
    int frames = 0;
    for (auto& sg : p._SubGrafList)
        for (int s = 0; s < kMaxSeries; ++s) {
            const TSerPar& sp = sg->_SubGrafParam.SerPar[std::size_t(s)];
            if (sp.SigNo < 1 || sp.SigNo > kRingRows)
                continue;
            auto& engine = sg->run[std::size_t(s)].fft;
            if (!engine)
                engine = std::make_unique<TFFTrec>();
            TFFTrec& e = *engine;
            FFTConfig cfg = e.config();
            if (cfg.lines != sp.FFTLines || !e.ready()) {
                cfg.lines = sp.FFTLines;
                cfg.fs = d.fsPlay;
                cfg.window = FFTWindowType(sp.WinType);
                cfg.weighting = FFTWeighting(sp.FreqWeight);
                cfg.averType = FFTAverType(sp.AverType);
                cfg.averCnt = std::uint32_t(std::max(0, sp.AverCnt));
                if (sp.Overlay > 0)
                    cfg.step = sp.Overlay;
                if (!e.Init(cfg))
                    continue;
            } else {
                const bool restart = cfg.weighting != FFTWeighting(sp.FreqWeight) ||
                                     cfg.averType != FFTAverType(sp.AverType);
                cfg.window = FFTWindowType(sp.WinType);
                cfg.weighting = FFTWeighting(sp.FreqWeight);
                cfg.averType = FFTAverType(sp.AverType);
                if (sp.AverCnt >= 0)
                    cfg.averCnt = std::uint32_t(sp.AverCnt);
                if (sp.Overlay > 0)
                    cfg.step = sp.Overlay;
                if (!(cfg == e.config()))
                    e.Configure(cfg);
                if (restart)
                    e.RestartAveraging();
            }
            frames += e.AddSamples(d.row(sp.SigNo));
        }
    return frames;
}

void FFT_PolyGrafProc(TPolyGraf& p, const RoundData&) {
    const auto& pc = p._ScrPGCoef;
    const int W = pc.plotWidth();
    if (W <= 0 || !p.ensureImage())
        return;
    for (auto& sg : p._SubGrafList) {
        auto& sc = sg->_ScrSubGrCoef;
        fillBand(p, *sg, 0, W);
        for (int s = 0; s < kMaxSeries; ++s) {
            const TSerPar& sp = sg->_SubGrafParam.SerPar[std::size_t(s)];
            SeriesRun& run = sg->run[std::size_t(s)];
            if (sp.SigNo < 1 || sp.SigNo > kRingRows || !run.fft || !run.fft->ready())
                continue;
            computeDisp(*run.fft, sp.SpectType);
            if (int(run.Yarr.size()) != W)
                run.Yarr.assign(std::size_t(W), ColumnPair{});
            const double df = float(run.fft->config().fs / (2.0 * run.fft->config().lines));
            run.JeYMaxWarn = spectrumColumns(run.fft->Disp(), df, p._Xmin, p._Xmax, pc.Xslope,
                                             sg->_YLimitMax, run.Yarr);
            const int mx = std::clamp(p.mouseX, 0, W - 1);
            run.Ystr = valueText(run.Yarr[std::size_t(mx)].hi, sp.ValDec);
            run.PocLinPrum = std::to_string(run.fft->AverDone()) + " ";
            run.RMSstr = rmsText(run.fft->Level());
            run.dBstr = rmsDbText(run.fft->Level());
        }
        p.image.hline(0, W, sc._YL.Offs, kGridGrey);
        for (const auto& g : sc._YgridArr)
            p.image.hline(0, W, g.row, kGridGrey);
        for (int pass = 0; pass < 2; ++pass)
            for (int s = 0; s < kMaxSeries; ++s) {
                const TSerPar& sp = sg->_SubGrafParam.SerPar[std::size_t(s)];
                SeriesRun& run = sg->run[std::size_t(s)];
                if (sp.SigNo < 1 || sp.SigNo > kRingRows || !run.fft || !run.fft->ready())
                    continue;
                const TSlopOfs& ax = sg->axisOf(s);
                const int w = sp.LineWidth;
                for (int c = 0; c < W; ++c) {
                    const ColumnPair pr = run.Yarr[std::size_t(c)];
                    if (pr.lo > 1e19f || pr.hi < -1e19f)
                        continue;
                    if (pass == 0) // the light fill from the zero line
                        p.image.vline(c, ax.Offs, ax.row(pr.lo), lightColour(sp.ColorIdx));
                    else
                        p.image.vline(c, ax.row(pr.hi) - w / 2, ax.row(pr.lo) + (w - 1) / 2,
                                      colourOf(sp));
                }
            }
    }
    if (p._XGrid > 0) {
        float f = float((std::trunc(double(p._Xmin) / p._XGrid) + 1) * p._XGrid);
        for (int guard = 0; guard < 10000; ++guard) {
            const double x = std::round(double(pc.Xslope) * (f - p._Xmin));
            if (x >= W)
                break;
            p.image.vline(int(x), 0, p.image.height - 1, kGridGrey);
            f += p._XGrid;
        }
    }
}

// ---------------------------------------------------------------- the round

GraphEngine::GraphEngine(const ReplayClock& clock, PolyGrafList& list)
    : clock_(clock), list_(list), staged_(std::size_t(kRingRows) * kMaxRound) {}

int GraphEngine::round(const std::function<void(TPolyGraf&)>& changed) {
    const ReplayRing& ring = clock_.ring();
    // Start at the present; after an overrun every polygraph starts its picture afresh.
    auto skipAhead = [&](bool overrun) {
        if (overrun) {
            ++overruns_;
            for (auto& p : list_.snapshot()) {
                std::lock_guard lock(p->mutex);
                p->restartColumns();
            }
        }
        const std::int64_t now = ring.total();
        consumed_ = now;
        readPos_ = int(now % kRingLen);
        return 0;
    };
    const std::int64_t total = ring.total();
    // So far behind that the clock may lap us before we are done: skip.
    if (consumed_ < 0 || total - consumed_ > kRingLen / 2)
        return skipAhead(consumed_ >= 0);
    int n = int(std::min<std::int64_t>(total - consumed_, kMaxRound));
    if (n < 1)
        return 0;
    n = std::min(n, kRingLen - readPos_);
    for (int slot = 1; slot <= kRingRows; ++slot) {
        const std::atomic<float>* src = ring.row(slot) + readPos_;
        float* dst = staged_.data() + std::size_t(slot - 1) * kMaxRound;
        for (int i = 0; i < n; ++i)
            dst[i] = src[i].load(std::memory_order_relaxed);
    }
    // Did a tick start writing over what we just read? Then it is not drawn.
    if (ring.claimedAfterReads() - consumed_ > kRingLen)
        return skipAhead(true);
    RoundData d;
    d.staged = staged_.data();
    d.stride = kMaxRound;
    d.n = n;
    d.fsPlay = clock_.fsPlay();
    d.samplePeriod_us = std::int32_t(std::clamp(std::round(1e6 / d.fsPlay), 1.0, 1e9));
    const std::uint32_t block = clock_.ticks() / 21;
    d.valueTick = block != lastValueBlock_;
    lastValueBlock_ = block;
    d.playing = clock_.playing();
    d.replayTime = clock_.replayTime();
    for (auto& p : list_.snapshot()) {
        {
            std::lock_guard lock(p->mutex);
            if (!p->_SubGrafList.empty())
                switch (p->_MonType) {
                case mtScroll:
                case mtScope:
                    Scr_TimePolyGrafProc(*p, d);
                    break;
                case mtXY:
                    Scr_XYPolyGrafProc(*p, d);
                    break;
                case mtFFT:
                    FFT_Process(*p, d);
                    if (d.valueTick)
                        FFT_PolyGrafProc(*p, d);
                    break;
                }
            if (afterPass)
                afterPass(*p, d);
        }
        if (changed)
            changed(*p);
    }
    consumed_ += n;
    readPos_ += n;
    if (readPos_ >= kRingLen)
        readPos_ = 0;
    return n;
}

GraphThread::GraphThread(GraphEngine& engine, std::function<void(TPolyGraf&)> changed)
    : engine_(engine), changed_(std::move(changed)) {
    thread_ = std::thread([this] {
        std::unique_lock lock(m_);
        while (!stop_) {
            lock.unlock();
            const int n = engine_.round(changed_);
            lock.lock();
            if (n < 1 &&
                cv_.wait_for(lock, std::chrono::milliseconds(10), [this] { return stop_; }))
                break;
        }
    });
}

GraphThread::~GraphThread() {
    stop();
}

void GraphThread::stop() {
    {
        std::lock_guard lock(m_);
        stop_ = true;
    }
    cv_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

} // namespace mv
