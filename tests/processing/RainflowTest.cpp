// Rainflow counting: turning points, the counting pass, classes, and the command that
// adds the counts to per-signal sheets of the parameter sheet's workbook.
#include "processing/Rainflow.h"

#include "processing/RainFlowUnit.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>

namespace mv {
namespace {

using K = RainflowKind;

std::vector<TRainflowNode> nodes(const RainflowList& l) {
    return {l.begin(), l.end()};
}

RainflowList points(std::initializer_list<float> samples, double h) {
    const std::vector<float> v(samples);
    return ExtractTurningPoints(v, h);
}

TEST(ExtractTurningPoints, HeadConfirmedExtremesAndTail) {
    struct Case {
        const char* what;
        std::vector<float> samples;
        double h;
        std::vector<TRainflowNode> expect;
    };
    const Case cases[] = {
        {"the valley at 6 is not confirmed: the last sample takes no part",
         {0, 5, 3, 8, 6, 10},
         1,
         {{0, K::Valley}, {5, K::Peak}, {3, K::Valley}, {8, K::Peak}, {10, K::Peak}}},
        {"the pending maximum 5 is dropped",
         {0, 4, 1, 3, 2, 5, 0},
         1,
         {{0, K::Valley}, {4, K::Peak}, {1, K::Valley}, {0, K::Valley}}},
        {"one sample: head and tail alike", {7}, 1, {{7, K::Valley}, {7, K::Peak}}},
        {"never leaves the band: head and tail",
         {2, 2.9f, 1.1f, 2.5f, 1.5f},
         1,
         {{2, K::Valley}, {1.5f, K::Valley}}},
        {"a falling start makes the head a peak; samples equal to the extreme change nothing",
         {5, 3, 1, 1, 4, 4, 0, 2},
         1,
         {{5, K::Peak}, {1, K::Valley}, {4, K::Peak}, {2, K::Valley}}},
        {"steps of exactly h are inside the band (strict comparisons)",
         {0, 1, 0, 1, 3},
         1,
         {{0, K::Valley}, {3, K::Peak}}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(nodes(ExtractTurningPoints(c.samples, c.h)), c.expect) << c.what;
    EXPECT_TRUE(ExtractTurningPoints({}, 1).empty());
}

TEST(RainflowCount, HalfCyclesOfHandMadeSequences) {
    struct Case {
        const char* what;
        std::vector<float> samples;
        double h;
        std::vector<HalfCycle> expect;
    };
    const Case cases[] = {
        {"a marker before the new extreme 8; the flow from 3 meets it",
         {0, 5, 3, 8, 6, 10},
         1,
         {{0, 8}, {5, 3}, {3, 5}, {8, 10}}},
        {"the tail below the start", {0, 4, 1, 3, 2, 5, 0}, 1, {{0, 4}, {4, 1}, {1, 0}}},
        {"one sample: one half cycle of range 0", {7}, 1, {{7, 7}}},
        {"inside the band: first to last sample", {2, 2.5f, 1.5f, 2.2f}, 1, {{2, 2.2}}},
        // A flow that meets a marker after passing a reversal moves the marker to its own
        // extreme: 2 -> 3, never 2 -> 4, which the signal does not make.
        {"a met marker not directly after the extreme",
         {0, 4, 1, 3, 2, 6, 5, 5},
         0.5,
         {{0, 6}, {4, 1}, {1, 4}, {3, 2}, {2, 3}, {6, 5}}},
    };
    for (const auto& c : cases) {
        const auto got = RainflowHalfCycles(ExtractTurningPoints(c.samples, c.h));
        ASSERT_EQ(got.size(), c.expect.size()) << c.what;
        for (size_t k = 0; k < got.size(); ++k) {
            EXPECT_FLOAT_EQ(got[k].first, c.expect[k].first) << c.what << " #" << k;
            EXPECT_FLOAT_EQ(got[k].second, c.expect[k].second) << c.what << " #" << k;
        }
    }
}

TEST(CountHalfCycle, ClassesAndWhatLiesOutside) {
    const RainflowParams p{11, 10, 10.0, 10.0}; // nA, nM, Em, Ea
    struct Case {
        double a, b;
        int row, col; // -1: outside the classes
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const Case cases[] = {
        {2, 4, 8, 3},       // mean 3, range 2
        {4, 2, 8, 3},       // the direction does not matter
        {0, 0, 5, 1},       // range 0 goes to class 1, column C
        {-5.5, -5.5, 0, 1}, // class 0 also takes one band below -Em/2
        {-6.1, -6.1, -1, -1}, {4.9, 4.9, 9, 1},
        {5, 5, -1, -1},     // +Em/2 is past the top mean class
        {-5, 5, -1, -1},    // a range of exactly Ea
        {-4.9, 4.9, 5, 10}, // just below Ea
        {nan, 1, -1, -1},     {0, std::numeric_limits<double>::infinity(), -1, -1},
    };
    for (const auto& c : cases) {
        CountMatrix m(p.nM, p.nA);
        CaptureLog log;
        const bool ok = CountHalfCycle(c.a, c.b, p, m, log);
        EXPECT_EQ(ok, c.row >= 0) << c.a << " -> " << c.b;
        if (ok) {
            EXPECT_EQ(m.at(c.row, c.col), 1) << c.a << " -> " << c.b;
            EXPECT_EQ(m.total(), 1);
            EXPECT_TRUE(log.lines.empty());
        } else {
            EXPECT_EQ(m.total(), 0);
            ASSERT_EQ(log.lines.size(), 1u);
            EXPECT_EQ(log.lines[0], (LogLine{kWrongParameters, true}));
        }
    }
    // One range class only: nothing fits.
    CountMatrix m(1, 1);
    CaptureLog log;
    EXPECT_FALSE(CountHalfCycle(0, 0, {1, 1, 10, 10}, m, log));
}

TEST(RainflowCount, StopsAtTheFirstHalfCycleOutsideTheClasses) {
    auto list = points({0, 4, 1, 3, 2, 12, 0, 0}, 0.5);
    CountMatrix m(10, 11);
    CaptureLog log;
    std::vector<HalfCycle> trace;
    EXPECT_FALSE(RainflowCount(list, {11, 10, 10, 10}, m, log, &trace));
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(log.lines.size(), 1u);
    // 0 -> 12 comes first and does not fit: nothing is counted.
    EXPECT_TRUE(trace.empty());
    EXPECT_EQ(m.total(), 0);
}

// An independent rainflow for comparison: the three-point method of the fatigue
// standards on the sequence of reversals, closed ranges as two half cycles each and the
// residue as half cycles between neighbours. Half cycles as (low, high).
struct ThreePoint {
    std::vector<std::pair<int, int>> closed; // two half cycles per closed range
    std::vector<std::pair<int, int>> residue;
};
ThreePoint threePoint(const std::vector<int>& rev) {
    ThreePoint out;
    auto add = [](auto& to, int a, int b) { to.emplace_back(std::min(a, b), std::max(a, b)); };
    std::vector<int> st;
    for (int v : rev) {
        st.push_back(v);
        while (st.size() >= 3) {
            const size_t n = st.size();
            const int x = std::abs(st[n - 1] - st[n - 2]);
            const int y = std::abs(st[n - 2] - st[n - 3]);
            if (x < y)
                break;
            if (n == 3) {
                add(out.residue, st[0], st[1]);
                st.erase(st.begin());
            } else {
                add(out.closed, st[n - 3], st[n - 2]);
                add(out.closed, st[n - 3], st[n - 2]);
                st.erase(st.begin() + static_cast<long>(n) - 3,
                         st.begin() + static_cast<long>(n) - 1);
            }
        }
    }
    for (size_t k = 1; k < st.size(); ++k)
        add(out.residue, st[k - 1], st[k]);
    return out;
}

TEST(RainflowCount, AgreesWithThreePointRainflowOnRandomSequences) {
    std::mt19937 rng(20261210);
    for (int run = 0; run < 3000; ++run) {
        // Reversals at distinct levels 0..398, so no method's tie rule matters, framed by
        // a start above them all and a last peak above that: every range in between is
        // interior. The tail just below the last peak takes no flow anywhere.
        const int n = 2 + static_cast<int>(rng() % 40);
        std::vector<int> levels(200);
        for (int k = 0; k < 200; ++k)
            levels[static_cast<size_t>(k)] = k * 2;
        std::shuffle(levels.begin(), levels.end(), rng);
        std::vector<int> rev{1000};
        bool up = false;
        for (int v : levels) {
            if (static_cast<int>(rev.size()) == n)
                break;
            if (up ? v > rev.back() : v < rev.back()) {
                rev.push_back(v);
                up = !up;
            }
        }
        if (!up)
            rev.pop_back(); // end on a valley
        rev.push_back(2000);
        rev.push_back(1999);
        std::vector<float> samples(rev.begin(), rev.end());
        samples.push_back(1999); // the last sample is only the tail
        std::vector<std::pair<int, int>> ours;
        for (const auto& [a, b] : RainflowHalfCycles(ExtractTurningPoints(samples, 0.5)))
            ours.emplace_back(static_cast<int>(std::min(a, b)), static_cast<int>(std::max(a, b)));
        auto ref = threePoint(rev);
        std::sort(ours.begin(), ours.end());
        std::sort(ref.closed.begin(), ref.closed.end());
        // Every closed range is two of our half cycles; what stays open is paired by each
        // method's own convention, but there are as many of them.
        ASSERT_TRUE(std::includes(ours.begin(), ours.end(), ref.closed.begin(), ref.closed.end()))
            << "run " << run << " " << ::testing::PrintToString(rev);
        ASSERT_EQ(ours.size(), ref.closed.size() + ref.residue.size()) << "run " << run;
    }
}

} // namespace
} // namespace mv

namespace mv {
namespace {

// A parameter sheet "PARAM" with its named cells in column B and a store of signals.
struct RainflowFixture : ::testing::Test {
    SpreadsheetApp app;
    SignalStore store;
    WorkbookId book = 0;
    SheetHandle param;
    CaptureLog log;

    void SetUp() override {
        book = app.newWorkbook("PARAM");
        param = app.sheet(book, "PARAM");
        name("Ident", 1, CellValue::str("RainFlow"));
        name("PocetAmpli", 2, CellValue::num(11));
        name("PocetPredp", 3, CellValue::num(10));
        name("MaxEDif", 4, CellValue::num(10));
        name("MaxAmpli", 5, CellValue::num(10));
        app.setValue(param, 10, 1, CellValue::str("Run"));
    }
    void name(const char* n, int row, const CellValue& v) {
        app.setValue(param, row, 2, v);
        app.workbook(book).setName(n, app.resolve(param), CellRange{{row, 2}, {row, 2}});
    }
    void signal(int slot, const char* sigName, std::vector<float> samples, bool plot = true,
                double fs = 1.0) {
        SignalRecord& r = store[slot];
        auto b = SampleBuffer::allocate(samples.size());
        std::copy(samples.begin(), samples.end(), b.data());
        r.setData(std::move(b));
        r.f_sampl = fs;
        r.SigName = sigName;
        r.SigDir = "/data/";
        r.FileExt = ".mvn";
        r.Plot = plot;
    }
    RainflowOutcome run(double t1 = 0, double t2 = 1000) {
        return RunRainflow(app, store, {param, t1, t2}, log);
    }
    double num(const SheetHandle& h, int row, int col) { return app.value2(h, row, col).number; }
};

TEST_F(RainflowFixture, CountsIntoSheetsOfTheirOwnAndAddsUpOverRuns) {
    signal(1, "F1", {-4, 1, -1, 3, 1, 0});
    signal(2, "skipped", {0, 1}, false);
    signal(3, "F3", {2, 4});
    const RainflowOutcome o = run(0, 9.5);
    ASSERT_TRUE(o.ran) << ::testing::PrintToString(o.messages);
    EXPECT_TRUE(o.messages.empty());
    ASSERT_EQ(o.results.size(), 2u);
    EXPECT_TRUE(o.results[0].written && o.results[1].written);
    // The run log: row 11, the window with four decimals, the first signal's file.
    EXPECT_EQ(o.logRow, 11);
    EXPECT_EQ(num(param, 11, 1), 1);
    EXPECT_EQ(num(param, 11, 3), 9.5);
    EXPECT_EQ(app.text(param, 11, 3), "9.5000");
    EXPECT_EQ(app.value2(param, 11, 4).text, "/data/F1.mvn");

    const SheetHandle f3 = app.sheet(book, "F3");
    EXPECT_FALSE(app.findSheet(book, "skipped"));
    // 2 -> 4: mean 3, range 2: row 4 + 8, column B + 3 = E.
    EXPECT_EQ(num(f3, 12, 5), 1);
    EXPECT_EQ(num(f3, 2, 10), 1);                         // J2
    EXPECT_EQ(app.value2(f3, 4, 2), CellValue::num(0));   // B4: written, zero
    EXPECT_EQ(app.value2(f3, 13, 12), CellValue::num(0)); // the far corner of 10 x 11
    EXPECT_TRUE(app.value2(f3, 14, 2).isEmpty());
    EXPECT_TRUE(app.value2(f3, 4, 13).isEmpty());
    EXPECT_EQ(app.value2(f3, 1, 1).text, "F3"); // the new sheet's layout ran
    const SheetHandle f1 = app.sheet(book, "F1");
    long long total = 0;
    for (int r = 4; r <= 13; ++r)
        for (int c = 2; c <= 12; ++c)
            total += static_cast<long long>(num(f1, r, c));
    EXPECT_EQ(total, static_cast<long long>(o.results[0].halfCycles.size()));

    // A second run adds the same counts and a second log row.
    const RainflowOutcome o2 = run(0, 9.5);
    ASSERT_TRUE(o2.ran);
    EXPECT_EQ(o2.logRow, 12);
    EXPECT_EQ(num(param, 12, 1), 2);
    EXPECT_EQ(num(f3, 12, 5), 2);
    EXPECT_EQ(num(f3, 2, 10), 2);
    for (int r = 4; r <= 13; ++r)
        for (int c = 2; c <= 12; ++c)
            EXPECT_EQ(num(f1, r, c),
                      2.0 * static_cast<double>(o.results[0].counts.at(r - 4, c - 2)));
    EXPECT_TRUE(app.screenUpdating());
}

TEST_F(RainflowFixture, WrongSheetAndRefusedParametersCountNothing) {
    signal(1, "F1", {2, 4});
    struct Case {
        const char* cell;
        CellValue value;
        const char* message;
    };
    const Case cases[] = {
        {"Ident", CellValue::str("Rainflow "), kRfWrongSheet},
        {"PocetAmpli", CellValue::str("deset"), "V buňce PocetAmpli není číslo !"},
        {"PocetAmpli", CellValue::num(0), "PocetAmpli"},
        {"PocetPredp", CellValue::empty(), "PocetPredp"},
        {"MaxEDif", CellValue::num(-1), "MaxEDif"},
        {"MaxAmpli", CellValue::str("inf"), "MaxAmpli"},
        {"MaxAmpli", CellValue::error("#N/A"), "V buňce MaxAmpli není číslo !"},
        {"PocetAmpli", CellValue::num(1e10), "V buňce PocetAmpli není číslo !"},
        {"PocetAmpli", CellValue::num(5000), "more than 10000000 cells"}, // with 5000 rows
    };
    for (const auto& c : cases) {
        const NamedCell at = app.namedCell(param, c.cell);
        const CellValue old = app.value2(param, at.row, at.column);
        app.setValue(param, at.row, at.column, c.value);
        if (std::string(c.message) == "more than 10000000 cells")
            app.setValue(param, 3, 2, CellValue::num(5000));
        const RainflowOutcome o = run();
        EXPECT_FALSE(o.ran) << c.cell;
        ASSERT_EQ(o.messages.size(), 1u) << c.cell;
        EXPECT_NE(o.messages[0].find(c.message), std::string::npos) << o.messages[0];
        EXPECT_FALSE(app.findSheet(book, "F1")) << c.cell;
        EXPECT_TRUE(app.value2(param, 11, 1).isEmpty()) << c.cell;
        app.setValue(param, at.row, at.column, old);
        app.setValue(param, 3, 2, CellValue::num(10));
    }
    // Without the name at all the stage message of that cell is shown.
    SpreadsheetApp other;
    const WorkbookId b = other.newWorkbook("P");
    const RainflowOutcome o = RunRainflow(other, store, {other.sheet(b, "P"), 0, 1}, log);
    ASSERT_EQ(o.messages.size(), 1u);
    EXPECT_EQ(o.messages[0], kRfWrongSheet);
    // No parameter sheet chosen.
    EXPECT_EQ(RunRainflow(app, store, {SheetHandle{}, 0, 1}, log).messages,
              std::vector<std::string>{kRfNoParamSheet});
}

TEST_F(RainflowFixture, ASignalThatFailsLeavesItsSheetAndTheOthersGoOn) {
    signal(1, "Big", {-5, 5});  // range 10 = Ea: outside the classes
    signal(2, "PARAM", {0, 1}); // named like the parameter sheet
    signal(3, "a/b", {0, 1});   // no sheet can have this name
    signal(4, "Late", {0, 1, 2});
    signal(5, "Ok", {1, 1});
    app.addSheet(book, "Big");
    const SheetHandle big = app.sheet(book, "Big");
    app.setValue(big, 2, 10, CellValue::num(7));
    const RainflowOutcome o2 = run(0, 1);
    ASSERT_TRUE(o2.ran);
    ASSERT_EQ(o2.messages.size(), 1u);
    EXPECT_EQ(o2.messages[0], std::string(kRfBadParams) + "1 Big");
    EXPECT_TRUE(log.contains(kWrongParameters));
    EXPECT_TRUE(log.contains("named like the parameter sheet"));
    EXPECT_TRUE(log.contains("a/b"));
    EXPECT_EQ(num(big, 2, 10), 7); // J2 untouched
    EXPECT_TRUE(app.value2(big, 4, 2).isEmpty());
    EXPECT_EQ(num(app.sheet(book, "Ok"), 2, 10), 1);
    EXPECT_EQ(num(app.sheet(book, "Late"), 2, 10), 1);
    EXPECT_EQ(app.value2(param, 11, 4).text, "/data/Big.mvn");
}

TEST_F(RainflowFixture, AWindowPastTheEndSkipsThatSignal) {
    signal(1, "Short", {0, 1, 2}); // 3 s at 1 Hz
    signal(2, "Long", {0, 1, 2, 3, -1, 0, 1});
    const RainflowOutcome o = run(4, 6);
    ASSERT_TRUE(o.ran);
    EXPECT_TRUE(log.contains("holds no sample of signal 1 Short"));
    EXPECT_FALSE(o.results[0].written);
    ASSERT_TRUE(o.results[1].written);
    ASSERT_EQ(o.results[1].halfCycles.size(), 1u); // samples 5..7: -1 -> 1
    EXPECT_EQ(o.results[1].halfCycles[0], (HalfCycle{-1, 1}));
    EXPECT_FALSE(app.findSheet(book, "Short"));
}

} // namespace
} // namespace mv
