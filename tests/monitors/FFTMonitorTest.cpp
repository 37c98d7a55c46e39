// The FFT monitor: engines fed from a round, readouts, display columns, the copy text.
#include "monitors/FFTMonitor.h"

#include "monitors/GraphPass.h"

#include <cmath>
#include <gtest/gtest.h>

namespace mv {
namespace {

constexpr double kFs = 10000;

struct FFTPoly {
    TPolyGraf p;
    std::vector<float> staged = std::vector<float>(std::size_t(kRingRows) * 4096, 0.0f);
    std::int64_t t = 0;
    FFTPoly() : p(def(), 0, kFs) {
        MonitorDefaults d;
        p.Add1SubGraf(d.tmpl, 0, kFs);
        p.ReCalcSubGrafCoef(true);
    }
    static PolyGrafDefinition def() {
        PolyGrafDefinition d;
        d.texts[1] = "FFT|0";
        d.texts[2] = "0|0|538|239|0";
        d.texts[3] = "0|5000|500";
        return d;
    }
    TSerPar& ser() { return p._SubGrafList[0]->_SubGrafParam.SerPar[0]; }
    SeriesRun& run() { return p._SubGrafList[0]->run[0]; }
    // `n` samples of amplitude a at f Hz into slot 1, fed in rounds of 100.
    void feed(int n, double a, double f) {
        for (int done = 0; done < n; done += 100) {
            for (int i = 0; i < 100; ++i, ++t)
                staged[std::size_t(i)] = float(a * std::sin(2 * M_PI * f * double(t) / kFs));
            RoundData d;
            d.staged = staged.data();
            d.stride = 4096;
            d.n = 100;
            d.fsPlay = kFs;
            FFT_Process(p, d);
        }
    }
};

TEST(FFTMonitor, OnlineSineReadsItsRmsAndDecibels) {
    FFTPoly m;
    const double df = kFs / 2048; // 1024 lines
    m.feed(20000, 1.0, 100 * df);
    const TFFTrec& e = *m.run().fft;
    ASSERT_TRUE(e.ready());
    EXPECT_EQ(e.config().lines, 1024);
    EXPECT_NEAR(e.Level(), 0.7071, 2e-3);
    EXPECT_EQ(rmsText(e.Level()), "0.707  ");
    EXPECT_EQ(rmsDbText(e.Level()), "90.97  ");
    EXPECT_EQ(rmsDbText(0), "0");
    RoundData d;
    d.valueTick = true;
    FFT_PolyGrafProc(m.p, d);
    EXPECT_EQ(m.run().RMSstr, "0.707  ");
    EXPECT_EQ(m.run().dBstr, "90.97  ");
    // The spectrum peaks at the tone's column (line 100 of 0..1024 shown on 500 columns).
    const auto& cols = m.run().Yarr;
    int best = 0;
    for (int c = 0; c < int(cols.size()); ++c)
        if (cols[std::size_t(c)].hi > cols[std::size_t(best)].hi)
            best = c;
    EXPECT_NEAR(best, 100.0 * 499 / 1024, 2.0);
}

TEST(FFTMonitor, LineCountChangeRestartsWindowChangeKeepsAverages) {
    FFTPoly m;
    m.ser().AverType = faLinear;
    m.feed(20480, 1.0, 1000);
    const int done = m.run().fft->AverDone();
    EXPECT_EQ(done, 10); // 2048-sample frames, no overlap
    m.ser().WinType = fwRectangle;
    m.feed(2048, 1.0, 1000);
    EXPECT_EQ(m.run().fft->AverDone(), 11);
    m.ser().FreqWeight = fwtA; // a new weighting restarts the count
    m.feed(2048, 1.0, 1000);
    EXPECT_EQ(m.run().fft->AverDone(), 1);
    m.ser().FFTLines = 256;
    m.feed(100, 1.0, 1000);
    EXPECT_EQ(m.run().fft->config().lines, 256);
    EXPECT_EQ(m.run().fft->AverDone(), 0);
    // Overlay = N: frames overlap by half.
    m.ser().Overlay = 256;
    m.feed(5120, 1.0, 1000);
    EXPECT_NEAR(m.run().fft->AverDone(), 5120 / 256 - 1, 1);
}

TEST(FFTMonitor, PsdDecibelsReferToTheSquaredPressure) {
    FFTPoly m;
    m.feed(20000, 0.5, 1234);
    TFFTrec& e = *m.run().fft;
    computeDisp(e, 3);
    const std::vector<double> psd(e.Disp().begin(), e.Disp().end());
    computeDisp(e, 4);
    for (std::size_t k = 0; k < psd.size(); k += 97)
        if (psd[k] > 0) {
            EXPECT_NEAR(e.Disp()[k], 10 * std::log10(psd[k] / 4e-10), 1e-9) << k;
        }
    // A zero average shows 1.
    FFTPoly z;
    z.feed(4096, 0.0, 1);
    computeDisp(*z.run().fft, 4);
    EXPECT_EQ(z.run().fft->Disp()[5], 1.0);
}

TEST(FFTMonitor, ColumnsAreBarsWhenFewLinesAndRangesWhenMany) {
    // 5 lines (0..4 Hz at 1 Hz spacing) over 100 columns: bars reaching down to 0.
    const std::vector<double> few = {1, 2, 3, 2, 1};
    std::vector<ColumnPair> cols(100);
    const float slope = 99.0f / 4.0f;
    spectrumColumns(few, 1.0, 0, 4, slope, 100, cols);
    int zeroJoins = 0;
    for (const auto& c : cols)
        zeroJoins += c.lo == 0.0f ? 1 : 0;
    EXPECT_GE(zeroJoins, 3);
    EXPECT_FLOAT_EQ(cols[99].hi, 1);
    EXPECT_FLOAT_EQ(cols[50].hi, 3);
    // 1001 lines over 10 columns: every column holds the range of its lines.
    std::vector<double> many(1001);
    for (std::size_t k = 0; k < many.size(); ++k)
        many[k] = double(k);
    std::vector<ColumnPair> ten(10);
    const bool warn = spectrumColumns(many, 1.0, 0, 1000, 9.0f / 1000, 500, ten);
    EXPECT_TRUE(warn);
    for (int c = 1; c < 10; ++c) {
        const auto& pr = ten[std::size_t(c)];
        EXPECT_NEAR(std::max(pr.lo, pr.hi), c * 100 + 50, 1) << c; // lines up to the column's end
    }
}

TEST(FFTMonitor, CopyTextHasAHeadingAndOneLinePerSpectrumLine) {
    TFFTrec e(FFTConfig{8, 1000.0, fwHanning, faLinear, 0, 0, fwtL});
    std::vector<float> s(64);
    for (std::size_t i = 0; i < s.size(); ++i)
        s[i] = float(std::sin(0.5 * double(i)));
    e.AddSamples(s);
    const std::string ps = spectrumCopyText(e, 1, "Acc", "m/s2");
    EXPECT_EQ(ps.substr(0, ps.find("\r\n")), "f [Hz]\tPS Acc [m/s2]");
    const std::string db = spectrumCopyText(e, 4, "Acc", "m/s2");
    EXPECT_EQ(db.substr(0, db.find("\r\n")), "Acc [m/s2]");
    int lines = 0;
    for (std::size_t at = 0; (at = db.find("\r\n", at)) != std::string::npos; at += 2)
        ++lines;
    EXPECT_EQ(lines, 1 + 9);
    EXPECT_NE(db.find("\r\n62.5000\t"), std::string::npos); // line 1 at fs / 16
}

} // namespace
} // namespace mv
