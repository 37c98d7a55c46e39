#include "wheelset/Qytl.h"

#include "files/Readers.h"
#include "support/RecordingProgress.h"
#include "support/TestSupport.h"
#include "wheelsim/WheelSim.h"

#include <gtest/gtest.h>
#include <iostream>

namespace mv::wheelset {
namespace {

TEST(WheelNames, PrefixSeparatorAndOutputs) {
    const WheelNames w = wheelNames("W11_");
    EXPECT_EQ(w.bridgeFile(1, LoadFormat::Morvanet), "W11_B1.mvn");
    EXPECT_EQ(w.bridgeFile(8, LoadFormat::SingleIeee754), "W11_B8.dat");
    EXPECT_EQ(w.outputName(fbQ), "Q11");
    EXPECT_EQ(w.outputName(fbL), "L11");
    EXPECT_EQ(w.outputName(fbSinMA), "SinMA_W11");
    const WheelNames e = wheelNames("");
    EXPECT_EQ(e.bridgeFile(3, LoadFormat::Morvanet), "B3.mvn");
    EXPECT_EQ(e.outputName(fbQ), "Q");
    EXPECT_EQ(e.outputName(fbSinMA), "SinMA");
}

// A device ready to run: eight bridges, no filters, no tables.
TDeviceFunc& plainDevice(TDeviceFunc& d) {
    Block b = wheelsim::simulatedBlock(5);
    EXPECT_TRUE(LoadDevFuncParam(d, 1, b).ok);
    return d;
}

TEST(RunQytl, BlocksOf40AndAShortLastBlockCoverEverySample) {
    auto d = std::make_unique<TDeviceFunc>();
    plainDevice(*d);
    for (std::size_t N : {100u, 7u, 40u}) {
        std::vector<std::vector<float>> raw(8, std::vector<float>(N));
        for (std::size_t i = 0; i < N; ++i)
            for (int k = 0; k < 8; ++k)
                raw[static_cast<size_t>(k)][i] =
                    static_cast<float>(i * 10 + static_cast<size_t>(k));
        std::vector<const float*> br;
        for (auto& r : raw)
            br.push_back(r.data());
        std::vector<float> b1(N, -1.0f), b8(N, -1.0f), hwpOk(N, -1.0f);
        std::array<float*, kFnBufCount> out{};
        out[0] = b1.data();
        out[7] = b8.data();
        out[fbHWP_OK - 1] = hwpOk.data();
        test::RecordingProgress progress;
        ASSERT_TRUE(runQytl(*d, br, N, out, progress));
        for (std::size_t i = 0; i < N; ++i) {
            EXPECT_EQ(b1[i], raw[0][i]);
            EXPECT_EQ(b8[i], raw[7][i]);
            EXPECT_EQ(hwpOk[i], 0.0f);
        }
        EXPECT_EQ(progress.texts.back(), "100 %");
    }
}

TEST(RunQytl, WithoutQ3CoefficientsTheTrackingNeverLocks) {
    auto d = std::make_unique<TDeviceFunc>();
    plainDevice(*d);
    wheelsim::WheelSimOptions o;
    o.seconds = 4;
    const wheelsim::WheelRun run = wheelsim::simulateWheel(o);
    std::vector<const float*> br;
    for (auto& r : run.bridges)
        br.push_back(r.data());
    const std::size_t N = run.angle.size();
    std::vector<float> ok(N), err(N), hwp(N);
    std::array<float*, kFnBufCount> out{};
    out[fbHWP_OK - 1] = ok.data();
    out[fbDevFnErr - 1] = err.data();
    out[fbHWP - 1] = hwp.data();
    ASSERT_TRUE(runQytl(*d, br, N, out, NullProgress::instance()));
    int crossings = 0;
    for (std::size_t i = 0; i < N; ++i) {
        EXPECT_EQ(ok[i], 0.0f);
        crossings += hwp[i] != 0 ? 1 : 0;
    }
    EXPECT_EQ(err[N - 1], 4.0f);
    EXPECT_NEAR(crossings, 32, 1) << "eight crossings a revolution still step the position";
}

struct Fixture {
    SignalStore store;
    ReaderTable readers;
    CaptureLog log;
    Fixture() { files::installReaders(readers); }
    ComputeContext ctx() { return {store, readers, log}; }
};

TEST(ComputeQYTL, RefusesWhatWouldOverrunOrShiftSlots) {
    test::TempDir dir;
    wheelsim::WheelSimOptions o;
    o.seconds = 1;
    wheelsim::writeWheelFiles(wheelsim::simulateWheel(o), dir.path().string(), "W11");
    auto d = std::make_unique<TDeviceFunc>();
    Fixture f;
    ComputeRequest req;
    req.device = 1;
    req.path = dir.dir();
    req.wheelName = "W11_";
    req.save.fill(true);

    // 32 outputs from slot 170 on would reach the raw bridges.
    for (int s = 1; s < 170; ++s) {
        SignalRecord r;
        r.setData(SampleBuffer::zeros(3));
        f.store.installSignal(s, std::move(r));
    }
    plainDevice(*d);
    auto ctx = f.ctx();
    EXPECT_FALSE(ComputeQYTL(*d, req, ctx).ok);
    EXPECT_TRUE(f.log.contains("no free slot below the raw bridges"));

    for (int s = 170; s <= kSlotCount; ++s)
        EXPECT_FALSE(f.store[s].occupied()) << s;

    f.store.ClearSlot(0);
    req.wheelName = "W12";
    EXPECT_FALSE(ComputeQYTL(*d, req, ctx).ok);
    EXPECT_TRUE(f.log.contains("Can't open all raw bridge files."));
    EXPECT_EQ(f.store.FirstFreeSlot(), 1);

    req.wheelName = "W11";
    req.lowPass = "700";
    EXPECT_FALSE(ComputeQYTL(*d, req, ctx).ok);
    EXPECT_EQ(f.store.FirstFreeSlot(), 1);

    req.lowPass = "";
    req.save.fill(false);
    req.save[fbQ - 1] = req.save[fbSinMA - 1] = true;
    const ComputeResult ok = ComputeQYTL(*d, req, ctx);
    ASSERT_TRUE(ok.ok);
    EXPECT_EQ(f.store[1].SigName.str(), "Q11");
    EXPECT_EQ(f.store[2].SigName.str(), "SinMA_W11");
    EXPECT_EQ(f.store[1].SampleCount, 1200);
    EXPECT_FALSE(f.store[191].occupied());
}

TEST(ComputeQYTL, CancelLeavesTheStoreAsBefore) {
    test::TempDir dir;
    wheelsim::WheelSimOptions o;
    o.seconds = 20;
    wheelsim::writeWheelFiles(wheelsim::simulateWheel(o), dir.path().string(), "W1");
    auto d = std::make_unique<TDeviceFunc>();
    plainDevice(*d);
    Fixture f;
    test::RecordingProgress progress(1);
    ComputeContext ctx{f.store, f.readers, f.log, progress};
    ComputeRequest req;
    req.device = 1;
    req.path = dir.dir();
    req.wheelName = "W1";
    req.save[fbQ - 1] = true;
    const ComputeResult r = ComputeQYTL(*d, req, ctx);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.cancelled);
    EXPECT_EQ(f.store.FirstFreeSlot(), 1);
    EXPECT_FALSE(f.store[191].occupied());
}

// Esc arrives while the window handles the report: a record shorter than the reporting
// interval must still stop there, not run to its end.
TEST(ComputeQYTL, CancelDuringTheFirstReportOfAShortRecord) {
    test::TempDir dir;
    wheelsim::WheelSimOptions o;
    o.seconds = 2;
    wheelsim::writeWheelFiles(wheelsim::simulateWheel(o), dir.path().string(), "W1");
    auto d = std::make_unique<TDeviceFunc>();
    plainDevice(*d);
    Fixture f;
    test::RecordingProgress progress(1);
    ComputeContext ctx{f.store, f.readers, f.log, progress};
    ComputeRequest req;
    req.device = 1;
    req.path = dir.dir();
    req.wheelName = "W1";
    req.save[fbQ - 1] = true;
    const ComputeResult r = ComputeQYTL(*d, req, ctx);
    EXPECT_TRUE(r.cancelled);
    EXPECT_EQ(f.store.FirstFreeSlot(), 1);
}

} // namespace
} // namespace mv::wheelset
