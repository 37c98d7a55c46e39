#include "wheelset/Calibration.h"

#include "files/Readers.h"
#include "processing/Matrix.h"
#include "support/TestSupport.h"
#include "wheelsim/WheelSim.h"

#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>
#include <iostream>

namespace mv::wheelset {
namespace {

using namespace calibr;

struct Fixture {
    SignalStore store;
    ReaderTable readers;
    CaptureLog log;
    Fixture() { files::installReaders(readers); }
    ComputeContext ctx() { return {store, readers, log}; }
};

constexpr double kFs = 1200.0;

// Low-frequency delay of the bridge low-pass, in samples: the lag of a ramp.
double lowPassDelay(double fc) {
    TIirFilter f;
    DesignIirFilter(IirKind::LowPass, 5, fc / kFs, f);
    double y = 0;
    for (int i = 0; i < 4000; ++i)
        y = RunIirSample(f, i);
    return 3999 - y;
}

// The sample at which the wheel of a forward run stands `before` degrees ahead of P1.
long long sampleAtAngle(const wheelsim::WheelRun& run, double angle) {
    for (std::size_t i = 0; i < run.angle.size(); ++i)
        if (run.angle[i] >= angle)
            return static_cast<long long>(i) + 1;
    return 0;
}

// The stand runs, calibrated once for all tests of this file.
class Calibrated : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = std::make_unique<test::TempDir>();
        wheelsim::WheelSimOptions o;
        o.seconds = 90;
        o.startAngle = -30;
        fw_ = wheelsim::simulateWheel(o);
        o.revPerSecond = -1;
        o.startAngle = 30;
        o.seed = 2;
        bw_ = wheelsim::simulateWheel(o);
        std::filesystem::create_directories(dir_->path() / "fw");
        std::filesystem::create_directories(dir_->path() / "bw");
        wheelsim::writeWheelFiles(fw_, (dir_->path() / "fw").string(), "W1");
        wheelsim::writeWheelFiles(bw_, (dir_->path() / "bw").string(), "W1");
        block_ = wheelsim::simulatedBlock(5);
        device_ = std::make_unique<TDeviceFunc>();
        Fixture f;
        auto ctx = f.ctx();
        CalibrRequest req;
        req.device = 5;
        req.wheelName = "W1";
        req.direction = CalibrDirection::Forward;
        req.testPath = (dir_->path() / "fw").string();
        load_ = LoadCalibrFiles(*device_, block_, req, ctx);
        loadSlot3_ = f.store[3].SigName.str();
        at(block_, rowFrom, colFW) = CellValue::num(static_cast<double>(sampleAtAngle(fw_, 340)));
        at(block_, rowTo, colFW) = CellValue::num(static_cast<double>(fw_.angle.size() - 100));
        q3_ = ComputeQ3Coef(*device_, block_, req, ctx);
        tableFW_ = ComputeQytlCoef(*device_, block_, req, ctx);
        req.direction = CalibrDirection::Backward;
        req.testPath = (dir_->path() / "bw").string();
        LoadCalibrFiles(*device_, block_, req, ctx);
        at(block_, rowFrom, colBW) = CellValue::num(1000);
        at(block_, rowTo, colBW) = CellValue::num(static_cast<double>(bw_.angle.size() - 100));
        tableBW_ = ComputeQytlCoef(*device_, block_, req, ctx);
        for (const auto& l : f.log.lines)
            if (l.warning)
                std::cout << "log: " << l.text << "\n";
    }
    static void TearDownTestSuite() {
        dir_.reset();
        device_.reset();
    }

    // Runs a wheel test through the calibrated block; returns the store's outputs.
    struct Eval {
        std::vector<float> Q, Y, T, L, swp, ok, err;
    };
    static Eval evaluate(const wheelsim::WheelRun& run, const Block& block) {
        test::TempDir d;
        wheelsim::writeWheelFiles(run, d.path().string(), "W1");
        auto dev = std::make_unique<TDeviceFunc>();
        EXPECT_TRUE(LoadDevFuncParam(*dev, 5, block).ok);
        Fixture f;
        auto ctx = f.ctx();
        ComputeRequest req;
        req.device = 5;
        req.path = d.dir();
        req.wheelName = "W1";
        req.highPass = "0.05";
        req.lowPass = "80";
        for (int r : {fbQ, fbY, fbT, fbL, fbSWP, fbHWP_OK, fbDevFnErr})
            req.save[static_cast<size_t>(r - 1)] = true;
        const ComputeResult c = ComputeQYTL(*dev, req, ctx);
        EXPECT_TRUE(c.ok);
        auto take = [&](int r) {
            const auto& data = f.store[c.slotOf[static_cast<size_t>(r - 1)]].Data;
            return std::vector<float>(data.data(), data.data() + data.size());
        };
        return {take(fbQ),   take(fbY),      take(fbT),       take(fbL),
                take(fbSWP), take(fbHWP_OK), take(fbDevFnErr)};
    }

    struct Errors {
        double rms[4]{};
        double angleMin = 1e9, angleMax = -1e9, angleMean = 0;
        int locked = 0;
    };
    static Errors compare(const wheelsim::WheelRun& run, const Eval& e) {
        Errors out;
        const double tau = lowPassDelay(80);
        const std::vector<double>* truth[4] = {&run.Q, &run.Y, &run.T, &run.L};
        const std::vector<float>* got[4] = {&e.Q, &e.Y, &e.T, &e.L};
        std::size_t n = 0;
        for (std::size_t i = 2000; i < run.angle.size(); ++i) {
            if (e.ok[i] != 8.0f)
                continue;
            ++n;
            for (int o = 0; o < 4; ++o) {
                const double err = (*got[o])[i] - (*truth[o])[i];
                out.rms[o] += err * err;
            }
            // The bridges are low-passed: the angle they stand for is that of tau ago.
            const double a = run.angle[i] - (run.angle[i] - run.angle[i - 1]) * tau;
            const double diff = std::remainder(e.swp[i] - 1.0 - a, 360.0);
            out.angleMin = std::min(out.angleMin, diff);
            out.angleMax = std::max(out.angleMax, diff);
            out.angleMean += diff;
        }
        out.locked = static_cast<int>(n);
        for (double& r : out.rms)
            r = n ? std::sqrt(r / static_cast<double>(n)) : 1e9;
        out.angleMean /= n ? static_cast<double>(n) : 1.0;
        return out;
    }

    static wheelsim::WheelRun running(double revPerSecond, unsigned seed) {
        wheelsim::WheelSimOptions o;
        o.seconds = 20;
        o.revPerSecond = revPerSecond;
        o.stand = false;
        o.seed = seed;
        return wheelsim::simulateWheel(o);
    }

    static inline std::unique_ptr<test::TempDir> dir_;
    static inline wheelsim::WheelRun fw_, bw_;
    static inline Block block_;
    static inline std::unique_ptr<TDeviceFunc> device_;
    static inline CalibrResult load_, q3_, tableFW_, tableBW_;
    static inline std::string loadSlot3_;
};

TEST_F(Calibrated, LoadWritesThePathAndShowsTheBridgeTimesHundred) {
    EXPECT_TRUE(load_.ok);
    EXPECT_EQ(loadSlot3_, "B1f_W1_x_100");
    EXPECT_EQ(at(block_, rowPath, colFW).text, (dir_->path() / "fw").string());
    EXPECT_EQ(at(block_, rowPath, colBW).text, (dir_->path() / "bw").string());
}

// The Q3 coefficients make Q3_Ph = FQ from the three bridge differences; with the
// simulator's response shapes that is one 3 x 3 system per group.
TEST_F(Calibrated, Q3FitRecoversTheSimulatorsCoefficients) {
    ASSERT_TRUE(q3_.ok);
    EXPECT_EQ(std::fabs(at(block_, rowDirSign, 2).number), 1);
    for (int h = 1; h <= 4; ++h) {
        // D_k under unit load l with the load on bridge h: B(h + k) - B(h - k).
        TMatrix m(3, 3);
        for (int k = 1; k <= 3; ++k)
            for (int l = 0; l < 3; ++l)
                m(l + 1, k) =
                    wheelsim::bridgeResponse(l, -45.0 * k) - wheelsim::bridgeResponse(l, 45.0 * k);
        ASSERT_TRUE(m.Inv());
        // c (for D1, D2, D3) solves sum_k c_k D_k(l) = [l == Q].
        const double c1 = m(1, 1), c2 = m(2, 1), c3 = m(3, 1);
        const int R = q3Row(h);
        EXPECT_NEAR(at(block_, R + 2, 2).number, c1, 0.02 * std::fabs(c1)) << "group " << h;
        EXPECT_NEAR(at(block_, R + 1, 2).number, c2, 0.05 * std::fabs(c1)) << "group " << h;
        EXPECT_NEAR(at(block_, R, 2).number, c3, 0.05 * std::fabs(c1) + 0.05 * std::fabs(c3))
            << "group " << h;
        EXPECT_GT(at(block_, R + 5, 2).number, 0.999);
        EXPECT_GE(at(block_, R + 6, 2).number, 80);
    }
}

TEST_F(Calibrated, TablesOfBothDirectionsAreWrittenAndMarked) {
    ASSERT_TRUE(tableFW_.ok);
    ASSERT_TRUE(tableBW_.ok);
    EXPECT_EQ(at(block_, rowTrackingMarker, colFW).number, 1);
    EXPECT_EQ(at(block_, rowTrackingMarker, colBW).number, 1);
    std::cout << "stand fit mean s: Q " << tableFW_.meanS[0] << " Y " << tableFW_.meanS[1] << " T "
              << tableFW_.meanS[2] << " kN (forward), Q " << tableBW_.meanS[0] << " (backward)\n";
    // The table's coefficients are not unique (eight bridges, four loads): what they
    // must do is give the forces back, which the tests at speed check.
    for (int p : {1, 23, 90, 181, 300}) {
        EXPECT_GT(at(block_, positionRow(p), r2Col(0, coefBaseFW)).number, 0.99);
        EXPECT_GT(at(block_, positionRow(p), countCol(coefBaseFW)).number, 100);
    }
}

TEST_F(Calibrated, ForcesAndAngleAtSpeed) {
    ASSERT_TRUE(tableFW_.ok && tableBW_.ok);
    struct Case {
        double rev;
        double tolFactor;
    };
    for (const Case c :
         {Case{1, 3}, Case{5, 3}, Case{-1, 3}, Case{-2, 3}, Case{-4, 3}, Case{4, 3}}) {
        const wheelsim::WheelRun run = running(c.rev, 7);
        const Errors e = compare(run, evaluate(run, block_));
        std::cout << c.rev << " rev/s: locked " << e.locked << " samples, rms Q " << e.rms[0]
                  << " Y " << e.rms[1] << " T " << e.rms[2] << " kN, L " << e.rms[3]
                  << " mm; angle " << e.angleMin << " .. " << e.angleMax << " deg\n";
        EXPECT_GT(e.locked, static_cast<int>(run.angle.size()) / 2);
        for (int o = 0; o < 3; ++o)
            EXPECT_LT(e.rms[o], c.tolFactor * std::max(tableFW_.maxS[o], tableBW_.maxS[o]))
                << c.rev << " rev/s output " << o;
        EXPECT_GT(e.angleMin, -1.5) << c.rev;
        EXPECT_LT(e.angleMax, 1.5) << c.rev;
    }
}

// A block without the marker keeps the tracking it was made with: the angle lags the
// more, the faster the wheel turns.
TEST_F(Calibrated, UnmarkedBlockKeepsTheOldTrackingDelay) {
    Block old = block_;
    at(old, rowTrackingMarker, colFW) = CellValue::empty();
    const Errors slow = compare(running(1, 3), evaluate(running(1, 3), old));
    const Errors fast = compare(running(5, 3), evaluate(running(5, 3), old));
    std::cout << "unmarked: mean angle error " << slow.angleMean << " deg at 1 rev/s, "
              << fast.angleMean << " deg at 5 rev/s\n";
    EXPECT_LT(fast.angleMean, slow.angleMean - 3.0);
}

TEST(CalibrationCommands, RefusalsWriteNothing) {
    test::TempDir dir;
    wheelsim::WheelSimOptions o;
    o.seconds = 3;
    wheelsim::writeWheelFiles(wheelsim::simulateWheel(o), dir.path().string(), "W1");
    Fixture f;
    auto ctx = f.ctx();
    auto dev = std::make_unique<TDeviceFunc>();
    CalibrRequest req;
    req.device = 5;
    req.wheelName = "W1";
    Block b = wheelsim::simulatedBlock(5);
    const Block before = b;

    EXPECT_FALSE(LoadCalibrFiles(*dev, b, req, ctx).ok);
    EXPECT_TRUE(f.log.contains("Select direction of calibration."));
    EXPECT_FALSE(ComputeQytlCoef(*dev, b, req, ctx).ok);

    at(b, rowPath, colFW) = CellValue::str(dir.path().string());
    Block withPath = b;
    EXPECT_FALSE(ComputeQ3Coef(*dev, b, req, ctx).ok);
    EXPECT_TRUE(f.log.contains(
        "First fill in the Excel input data: \"From sample\" and \"To sample on row  1465"));

    at(b, rowFrom, colFW) = CellValue::num(3000);
    at(b, rowTo, colFW) = CellValue::num(2000);
    withPath = b;
    EXPECT_FALSE(ComputeQ3Coef(*dev, b, req, ctx).ok);
    EXPECT_TRUE(f.log.contains("must satisfy 1 <= From <= To"));
    EXPECT_TRUE(b.values == withPath.values);

    // A window too short for four crossings of every group.
    at(b, rowFrom, colFW) = CellValue::num(100);
    at(b, rowTo, colFW) = CellValue::num(900);
    withPath = b;
    EXPECT_FALSE(ComputeQ3Coef(*dev, b, req, ctx).ok);
    EXPECT_TRUE(f.log.contains("Q3 fit singular or under-determined for position group(s)"));
    EXPECT_TRUE(b.values == withPath.values);

    req.direction = CalibrDirection::Forward;
    EXPECT_FALSE(ComputeQytlCoef(*dev, b, req, ctx).ok);
    EXPECT_TRUE(f.log.contains("QYTL fit singular or with too few samples"));
    EXPECT_TRUE(b.values == withPath.values);

    at(b, rowNB, 2) = CellValue::num(10);
    withPath = b;
    EXPECT_FALSE(ComputeQytlCoef(*dev, b, req, ctx).ok);
    EXPECT_TRUE(f.log.contains("the table fit takes eight bridges"));

    at(b, rowNB, 2) = CellValue::num(8);
    at(b, rowFileFQ + 2, 2) = CellValue::str("missing.mvn");
    withPath = b;
    EXPECT_FALSE(ComputeQytlCoef(*dev, b, req, ctx).ok);
    EXPECT_TRUE(f.log.contains("did not give one signal"));
    EXPECT_TRUE(b.values == withPath.values);
    (void)before;
}

TEST(FitStatistics, SingleRowAndFlatTargetLeaveNaN) {
    const FitStats one = fitStatistics({{1.0, 1.0}}, {2.0}, {1.0, 1.0});
    EXPECT_TRUE(std::isnan(one.s));
    const FitStats flat = fitStatistics({{1.0, 1.0}, {2.0, 1.0}}, {3.0, 3.0}, {0.0, 3.0});
    EXPECT_TRUE(std::isnan(flat.r2));
    EXPECT_DOUBLE_EQ(flat.s, 0.0);
    const FitStats line = fitStatistics({{1, 1}, {2, 1}, {3, 1}}, {2, 4, 7}, {2.5, -0.666666});
    EXPECT_NEAR(line.r2, 1 - 0.1666667 / 12.6666667, 1e-5);
}

} // namespace
} // namespace mv::wheelset
