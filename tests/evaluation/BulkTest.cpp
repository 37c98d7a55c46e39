// The EvaLog bulk run on small workbooks and signal files written here: preparation
// messages, computed signals, the per-ID outcomes, the EvaLog rows and parallel workers.
#include "evaluation/Bulk.h"

#include "core/SignalStore.h"
#include "files/NativeFile.h"
#include "files/Readers.h"
#include "processing/MV_func.h"
#include "support/TestSupport.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>

namespace mv {
namespace {

namespace fs = std::filesystem;

constexpr int kProcCol = 2; // Proc_ID at B5 of sheet "EvaLog"
constexpr int kProcRow = 5;

// A computed-table row: columns +0 .. +13 as texts ("" = empty cell).
using CompRow = std::array<std::string, 14>;

struct TestSpec {
    int id;
    std::string category = "Save off";
    std::string speedLevel = "100";
};

class BulkFixture : public ::testing::Test {
protected:
    test::TempDir root;
    SpreadsheetApp app;
    SpreadsheetState st;
    ReaderTable readers;
    WorkbookId logId = 0, evaId = 0;
    SheetHandle param;
    std::string dest;

    void SetUp() override {
        files::installReaders(readers);
        dest = (root / "out").string();
        fs::create_directories(dest);
    }

    void setNamed(const std::string& name, int row, int col, const CellValue& v = {}) {
        app.workbook(evaId).setName(name, app.resolve(param), CellRange{{row, col}, {row, col}});
        if (!v.isEmpty())
            app.setValue(param, row, col, v);
    }

    static CellValue cell(const std::string& text) {
        if (text.empty())
            return {};
        char* end = nullptr;
        const double d = std::strtod(text.c_str(), &end);
        if (end && *end == '\0' && text.find_first_not_of("0123456789.-") == std::string::npos)
            return CellValue::num(d);
        return CellValue::str(text);
    }

    // The Log with one "Save off" row per test (or another category), levels
    // "Cond"/"Dir"/speed, a sample period of 250 us (4000 Hz).
    void makeLog(const std::vector<TestSpec>& tests) {
        logId = app.newWorkbook("Log");
        const SheetHandle log = app.sheet(logId, "Log");
        const SheetHandle ini = app.addSheet(logId, "Ini");
        app.setValue(log, 2, 1, CellValue::str("Ini sheet"));
        app.setValue(log, 2, 2, CellValue::str("Ini"));
        const char* caps[] = {"Condition", "Direction", "Speed", "Track"};
        for (int i = 0; i < 4; ++i)
            app.setValue(ini, 2 + i, 1, CellValue::str(caps[i]));
        const char* heads[] = {"Date", "Time", "Track", "Test ID", "Category", "Mark"};
        for (int c = 0; c < 6; ++c)
            app.setValue(log, 10, c + 1, CellValue::str(heads[c]));
        int row = 11;
        for (const TestSpec& t : tests) {
            app.setValue(log, row, 1, CellValue::num(46000));
            app.setValue(log, row, 2, CellValue::num(0.5));
            app.setValue(log, row, 4, CellValue::num(t.id));
            app.setValue(log, row, 5, CellValue::str(t.category));
            app.setValue(log, row, 6, CellValue::num(250));
            app.setValue(log, row, 7, CellValue::str("Cond"));
            app.setValue(log, row, 8, CellValue::str("Dir"));
            app.setValue(log, row, 9, CellValue::str(t.speedLevel));
            ++row;
        }
        app.saveAs(logId, (root / "Log.xlsx").string());
        st.LogSheet = log;
        st.LogName = (root / "Log.xlsx").string();
        st.DateCol = 1;
        st.TimeCol = 2;
        st.TrackCol = 3;
        st.TestIDCol = 4;
        st.CategoryCol = 5;
        st.MaxTestId = tests.empty() ? 0 : tests.back().id;
    }

    // The EvaLog: measured names, computed rows, speed name, the user conditions.
    void makeEvaLog(const std::vector<std::string>& measured, const std::vector<CompRow>& comp,
                    const std::string& speed, const std::string& ident = "Calc",
                    const std::array<std::string, 4>& conditions = {}) {
        evaId = app.newWorkbook("PARAM");
        param = app.sheet(evaId, "PARAM");
        const SheetHandle eva = app.addSheet(evaId, "EvaLog");
        setNamed("Ident", 1, 2, CellValue::str(ident));
        setNamed("MeasSigCnt", 2, 2, CellValue::num(double(measured.size())));
        setNamed("CompSigCnt", 3, 2, CellValue::num(double(comp.size())));
        const char* conds[] = {"Dir_Condition", "Dir_Direction", "Dir_Speed", "Dir_Track"};
        for (int i = 0; i < 4; ++i)
            setNamed(conds[i], 4 + i, 2, cell(conditions[static_cast<std::size_t>(i)]));
        setNamed("AuxName_Speed", 8, 2, cell(speed));
        app.setValue(param, 8, 4, CellValue::num(1));
        const char* aux[] = {"AuxName_Track_km", "AuxName_Drop", "AuxName_uf_mm", "AuxName_Curve"};
        for (int i = 0; i < 4; ++i)
            setNamed(aux[i], 9 + i, 2, CellValue::str(std::string("aux") + char('A' + i)));
        setNamed("SectionListFile", 13, 2, CellValue::str("Sections.xlsx"));
        setNamed("MeasSigTable", 20, 2);
        for (std::size_t k = 0; k < measured.size(); ++k) {
            app.setValue(param, 20 + int(k), 2, cell(measured[k]));
            app.setValue(param, 20 + int(k), 4, CellValue::num(1));
        }
        setNamed("CompSigTable", 20, 10);
        for (std::size_t k = 0; k < comp.size(); ++k)
            for (int c = 0; c < 14; ++c)
                app.setValue(param, 20 + int(k), 10 + c,
                             cell(comp[k][static_cast<std::size_t>(c)]));
        setNamed("ZoneListRng", 14, 30);
        for (int z = 0; z < kZoneCount; ++z)
            for (int j = 0; j < 8; ++j)
                app.setValue(param, 14 + z, 31 + j, CellValue::num(j == 7 ? 300 : 1));
        if (ident == "EN14363_BauCurve") {
            for (int z = 1; z <= kZoneSheetCount; ++z) {
                const SheetHandle h = app.addSheet(evaId, "Zone" + std::to_string(z));
                for (std::size_t k = 0; k < comp.size(); ++k)
                    app.setValue(h, 2, 51 + 8 * int(k), cell(comp[k][0]));
            }
        }
        app.workbook(evaId).setName("Proc_ID", app.resolve(eva),
                                    CellRange{{kProcRow, kProcCol}, {kProcRow, kProcCol}});
        app.setValue(eva, kProcRow, kProcCol, CellValue::str("Proc_ID"));
        app.saveAs(evaId, (root / "EvaLog.xlsx").string());
        st.ParamSheet = param;
        st.EvaLogSheet = eva;
        st.EvaLogName = (root / "EvaLog.xlsx").string();
        st.Ident = ident;
        st.FullEvaluation = ident == "EN14363_BauCurve";
    }

    // A native signal file of `name` in the folder of test `id`.
    void writeSignal(int id, const std::string& speedLevel, const std::string& name,
                     const std::vector<float>& v, double fsampl = 4000.0) {
        const fs::path dir = root / "Cond" / "Dir" / speedLevel / std::to_string(id);
        fs::create_directories(dir);
        SignalRecord r;
        r.f_sampl = fsampl;
        r.SigName = name;
        SampleBuffer b = SampleBuffer::allocate(v.size());
        for (std::size_t i = 0; i < v.size(); ++i)
            b[i] = v[i];
        r.setData(std::move(b));
        files::writeNative((dir / (name + ".mvn")).string(), r,
                           SampleRange{1, std::int64_t(v.size())}, 1, {});
    }

    BulkOptions options(int jobs = 1) const {
        BulkOptions o;
        o.destBase = dest;
        o.jobs = jobs;
        return o;
    }

    std::string evaCell(int row, int col) const { return app.text(st.EvaLogSheet, row, col); }
};

std::vector<float> ramp(int n, float a, float b) {
    std::vector<float> v(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        v[static_cast<std::size_t>(i)] = a + b * float(i);
    return v;
}

CompRow row(std::initializer_list<std::pair<int, std::string>> cells, std::string name = "c") {
    CompRow r{};
    r[0] = std::move(name);
    for (const auto& [c, t] : cells)
        r[static_cast<std::size_t>(c)] = t;
    return r;
}

std::vector<std::string> errorTexts(const std::vector<EvalLine>& lines) {
    std::vector<std::string> out;
    for (const auto& l : lines)
        if (l.level == LineLevel::Error)
            out.push_back(l.text);
    return out;
}

// ---- preparation -----------------------------------------------------------------

TEST_F(BulkFixture, ComputedTableRefusalsReportThePreparedMessage) {
    makeLog({{1}});
    struct Case {
        CompRow entry;
        std::string speed;
        std::string message;
    };
    const std::string op = "Comp.signal 1. Arithmetic operation heve not signum";
    const std::vector<Case> cases = {
        {row({}), "", "Comp.signal 1 have not defined input Sig1 No"},
        {row({{2, "x"}}), "", "Comp.signal 1 have invalid Sig1 No x"},
        // A computed signal cannot read itself or a later one, nor a slot past 200.
        {row({{2, "1"}}), "", "Comp.signal 1 have invalid Sig1 No 1"},
        {row({{2, "M250"}}), "", "Comp.signal 1 have invalid Sig1 No M250"},
        {row({{2, "M1"}, {3, "+"}, {4, "2"}}), "", "Comp.sig 1. Invalid Sig2 No \"2"},
        {row({{2, "M1"}, {4, "M2"}}), "", op},
        {row({{2, "M1"}, {3, "%"}, {4, "M2"}}), "", op},
        {row({{2, "M1"}, {5, "abc"}}), "", op},
        {row({{2, "M1"}, {7, "fast"}}), "", op},
        {row({{2, "M1"}, {12, "much"}}), "", op},
        {row({{2, "M1"}, {9, "Mean"}, {10, "2"}, {11, "0.5"}}), "",
         "Step average used in \"Computed signals\", but no Speed signal defined"},
        {row({{2, "M1"}, {9, "Median"}, {10, "2"}, {11, "0.5"}}), "speed", op},
    };
    for (const Case& c : cases) {
        makeEvaLog({"a", "b"}, {c.entry}, c.speed);
        const Preparation p = PrepareBulk(app, st, 1, 1, options());
        EXPECT_FALSE(p.plan);
        EXPECT_EQ(errorTexts(p.lines),
                  (std::vector<std::string>{c.message, "Error in Computed signals param"}))
            << c.message;
        app.close(evaId);
    }
}

TEST_F(BulkFixture, ComputedTableDecodesSlotsAndBuildsChainsFromBuiltInDefaults) {
    makeLog({{1}});
    std::vector<std::string> measured;
    for (int i = 1; i <= 10; ++i)
        measured.push_back("m" + std::to_string(i));
    makeEvaLog(measured,
               {row({{2, "M2"}, {3, "/"}, {4, "M3"}, {5, "2"}, {6, "0.5"}, {7, "0,5"}}),
                row({{2, "M15"}, {8, "20"}, {12, "Zeroing"}}),
                row({{2, "1"}, {3, "*"}, {4, "0"}, {9, "RMS"}, {10, "2"}, {11, "0.5"}}),
                row({{2, "3"}, {12, "1.5"}, {13, "2"}})},
               "speed");
    const Preparation p = PrepareBulk(app, st, 1, 1, options());
    ASSERT_TRUE(p.plan) << (p.lines.empty() ? "" : p.lines[0].text);
    const EvaPlan& plan = *p.plan;
    EXPECT_EQ(plan.S, 15);
    const auto& c = plan.computed;
    ASSERT_EQ(c.size(), 4U);
    EXPECT_EQ(c[0].Sig1, 2);
    EXPECT_EQ(c[0].Sig2, 3);
    EXPECT_EQ(c[0].Operation, CompOp::Div);
    EXPECT_EQ(c[0].chain[0], "Filter( Filter type=Butterworth; Low-High pass=High; Filter "
                             "order=4; f1=0,5; zzz2=0)");
    // The speed slot is readable although it lies past the computed ones.
    EXPECT_EQ(c[1].Sig1, 15);
    EXPECT_TRUE(c[1].Zeroing);
    EXPECT_EQ(c[1].chain[1], "Filter( Filter type=Butterworth; Low-High pass=Low; Filter "
                             "order=4; f1=20; zzz2=0)");
    EXPECT_EQ(c[2].Sig1, 11);
    EXPECT_EQ(c[2].Sig2, 0);
    EXPECT_EQ(c[2].chain[2], "StepAver( Speed SigNo=15; Mean/RMS=RMS; Aver length [m]=2; Step "
                             "length [m]=0.5)");
    // A plain number k' is computed signal k': "3" with M = 10 is slot 13.
    EXPECT_EQ(c[3].Sig1, 13);
    EXPECT_FLOAT_EQ(c[3].Offset, 1.5F);
    EXPECT_EQ(c[3].SaveDiv, 2);
}

TEST_F(BulkFixture, PreparationRefusals) {
    makeLog({{1}});
    makeEvaLog({"a"}, {}, "");
    struct Case {
        int from, to;
        BulkOptions opt;
        std::string message;
    };
    BulkOptions bkc = options();
    bkc.loadFormat = LoadFormat::BkBkc;
    BulkOptions noDest = options();
    noDest.destBase = (root / "missing").string();
    BulkOptions noSave = noDest;
    noSave.save = false;
    const std::vector<Case> cases = {
        {1, 1, bkc, "Unsupported load file format : B&K_BKC"},
        {1, 1, noDest, "Target directory \"" + noDest.destBase + "\" not found"},
        {0, 0, noSave, "Invalid FromID, ToID number"},
    };
    for (const Case& c : cases) {
        const Preparation p = PrepareBulk(app, st, c.from, c.to, c.opt);
        EXPECT_FALSE(p.plan);
        EXPECT_EQ(errorTexts(p.lines), std::vector<std::string>{c.message});
    }
    EXPECT_TRUE(PrepareBulk(app, st, 1, 1, noSave).plan);
}

TEST_F(BulkFixture, TableLimitsAreRefused) {
    makeLog({{1}});
    struct Case {
        int m, c;
        std::string ident;
        bool ok;
    };
    const std::vector<Case> cases = {
        {128, 71, "Calc", true},              // 128 + 71 + speed = 200
        {128, 72, "Calc", false},             // the speed slot would be 201
        {129, 0, "Calc", false},              // more than 128 measured
        {10, 129, "Calc", false},             // more than 128 computed
        {120, 67, "EN14363_BauCurve", false}, // 187 + 14 > 200
        {0, 0, "Calc", false},
    };
    for (const Case& c : cases) {
        std::vector<std::string> m(static_cast<std::size_t>(c.m), "m");
        std::vector<CompRow> comp(static_cast<std::size_t>(c.c), row({{2, "M1"}}));
        makeEvaLog(m, comp, "speed", c.ident);
        const Preparation p = PrepareBulk(app, st, 1, 1, options());
        EXPECT_EQ(bool(p.plan), c.ok)
            << c.m << " + " << c.c << ": " << (p.lines.empty() ? "" : p.lines[0].text);
        if (c.m == 0) {
            EXPECT_EQ(errorTexts(p.lines),
                      std::vector<std::string>{"No measured signals specified"});
        }
        app.close(evaId);
    }
}

TEST_F(BulkFixture, FullEvaluationNeedsItsAuxiliaryNamesButNotDrop) {
    makeLog({{1}});
    makeEvaLog({"a"}, {}, "speed", "EN14363_BauCurve");
    app.setValue(param, 11, 2, CellValue::empty()); // uf_mm
    Preparation p = PrepareBulk(app, st, 1, 1, options());
    EXPECT_EQ(
        errorTexts(p.lines),
        std::vector<std::string>{"Speed, track_km, Drop, uf or Curve file name not defined."});
    // Drop is optional.
    app.setValue(param, 11, 2, CellValue::str("uf"));
    app.setValue(param, 10, 2, CellValue::empty());
    p = PrepareBulk(app, st, 1, 1, options());
    EXPECT_TRUE(p.plan) << (p.lines.empty() ? "" : p.lines[0].text);
}

// ---- one ID ------------------------------------------------------------------------

struct Workspace1 {
    SignalStore store;
    FnSlots fns;
    IdWorkspace ws() { return {store, fns}; }
};

TEST_F(BulkFixture, ComputedSignalsArithmeticChainAndOffset) {
    makeLog({{1}});
    makeEvaLog({"a", "b", "c"},
               {row({{2, "M2"}, {3, "/"}, {4, "M3"}, {5, "2"}, {6, "0.5"}}, "ratio"),
                row({{2, "1"}, {3, "-"}, {4, "M1"}, {12, "10"}, {13, "1"}}, "diff"),
                row({{2, "M1"}, {7, "5"}, {13, "1"}}, "hp"),
                row({{2, "M4"}, {3, "*"}, {4, "M1"}, {5, "3"}}, "prod")},
               "speed");
    const int n = 4000;
    const std::vector<float> a = ramp(n, 1.0F, 0.25F);
    std::vector<float> b = ramp(n, -3.0F, 0.001F);
    std::vector<float> c(static_cast<std::size_t>(n), 0.0F);
    for (int i = 0; i < n; ++i)
        c[static_cast<std::size_t>(i)] = i % 3 == 0 ? 0.0F : float(i % 7) + 0.5F;
    writeSignal(1, "100", "a", a);
    writeSignal(1, "100", "b", b);
    writeSignal(1, "100", "c", c);
    writeSignal(1, "100", "speed", std::vector<float>(static_cast<std::size_t>(n), 80.0F));
    const Preparation p = PrepareBulk(app, st, 1, 1, options());
    ASSERT_TRUE(p.plan);

    Workspace1 w;
    // A filter order accepted earlier in the session must not leak into the bulk chains.
    w.fns.FnTable[fnFilter].Par[3].DefaultText = "1";
    TestSelection sel;
    sel.id = 1;
    sel.valid = true;
    sel.levels = {"Cond", "Dir", "100", ""};
    sel.testPath = (root / "Cond" / "Dir" / "100" / "1").string() + "/";
    sel.fProcess = 4000.0;
    BulkOptions opt = options();
    opt.keepNames = true;
    const IdRecord rec =
        ProcessTestId(*p.plan, sel, opt, readers, w.ws(), NullProgress::instance());
    ASSERT_EQ(rec.outcome, IdOutcome::Processed);
    const SignalStore& s = w.store;
    EXPECT_EQ(s[8].SigName.str(), "speed"); // S = 3 + 4 + 1
    for (int i = 0; i < n; ++i) {
        const std::size_t j = static_cast<std::size_t>(i);
        // Slot 3 keeps 1e-9 where it was 0; slot 4 = 2 b / (0.5 c).
        const float cj = c[j] == 0.0F ? 1e-9F : c[j];
        ASSERT_EQ(s[3].Data[j], cj) << i;
        ASSERT_EQ(s[4].Data[j], float(double(b[j]) * 2.0 / (double(cj) * 0.5))) << i;
        const float diff = float(double(s[4].Data[j]) - double(a[j]));
        ASSERT_EQ(s[5].Data[j], float(double(diff) + 10.0)) << i;
        ASSERT_EQ(s[7].Data[j], float(double(s[4].Data[j]) * 3.0 * double(a[j]))) << i;
    }
    // The high-pass chain ran in place with the built-in filter order 4: the same text
    // applied to a copy of slot 1 in a fresh workspace gives the same samples.
    Workspace1 ref;
    ref.store.installSignal(1, [&] {
        SignalRecord r;
        r.f_sampl = 4000.0;
        r.SigName = "x";
        SampleBuffer buf = SampleBuffer::allocate(a.size());
        for (std::size_t i = 0; i < a.size(); ++i)
            buf[i] = a[i];
        r.setData(std::move(buf));
        return r;
    }());
    CaptureLog log;
    const ProcessContext rctx{ref.store, ref.fns, 4000.0};
    ASSERT_TRUE(FnAttach(rctx, 1, 0, p.plan->computed[2].chain[0], log));
    ProcessSignal(rctx, 1, 0.0, double(n - 1) / 4000.0, true, true, log);
    for (std::size_t i = 0; i < a.size(); ++i)
        ASSERT_EQ(s[6].Data[i], ref.store[1].Data[i]) << i;
    EXPECT_NE(s[6].Data[100], a[100]);

    // Saved: the slots with a save divider, into dest/levels/id/.
    const std::string dir = dest + "/Cond/Dir/100/1/";
    EXPECT_EQ(rec.files, (std::vector<std::string>{dir + "a.mvn", dir + "b.mvn", dir + "c.mvn",
                                                   dir + "diff.mvn", dir + "hp.mvn"}));
    for (const auto& f : rec.files)
        EXPECT_TRUE(fs::exists(f)) << f;
    const auto msgs = rec.messages();
    ASSERT_GE(msgs.size(), 2U);
    EXPECT_EQ(msgs[msgs.size() - 2].text, "Test ID 1 saved " + dir);
    EXPECT_EQ(msgs.back().text, "ID 1 Processed");
}

TEST_F(BulkFixture, RunTimeFailuresEndTheIdWithoutSaving) {
    makeLog({{1}});
    makeEvaLog({"a", "b"}, {row({{2, "M1"}, {3, "+"}, {4, "M2"}})}, "speed");
    writeSignal(1, "100", "a", ramp(100, 0, 1));
    const Preparation p = PrepareBulk(app, st, 1, 1, options());
    ASSERT_TRUE(p.plan);
    TestSelection sel;
    sel.id = 1;
    sel.valid = true;
    sel.testPath = (root / "Cond" / "Dir" / "100" / "1").string() + "/";
    Workspace1 w;
    auto last = [&](const IdRecord& r) { return r.messages().back(); };
    IdRecord r = ProcessTestId(*p.plan, sel, options(), readers, w.ws(), NullProgress::instance());
    EXPECT_EQ(last(r), (EvalLine{LineLevel::Error, "ID 1 Can not open 2 measured files"}));
    writeSignal(1, "100", "b", ramp(50, 0, 1));
    r = ProcessTestId(*p.plan, sel, options(), readers, w.ws(), NullProgress::instance());
    EXPECT_EQ(last(r), (EvalLine{LineLevel::Error, "ID 1 Can not open speed signal: speed"}));
    writeSignal(1, "100", "speed", ramp(100, 0, 1));
    r = ProcessTestId(*p.plan, sel, options(), readers, w.ws(), NullProgress::instance());
    EXPECT_EQ(last(r).level, LineLevel::Error);
    EXPECT_NE(last(r).text.find("shorter than Sig1"), std::string::npos) << last(r).text;
    EXPECT_TRUE(r.files.empty());
    EXPECT_FALSE(fs::exists(dest + "/Cond"));
    EXPECT_EQ(r.outcome, IdOutcome::Failed);
}

TEST_F(BulkFixture, WriterPlacesCountsAndZoneRows) {
    makeLog({{1}});
    makeEvaLog({"a"}, {}, "");
    const SheetHandle z1 = app.addSheet(evaId, "Zone1");
    app.setValue(z1, 2, 1, CellValue::str("heading"));
    CaptureLog pane;
    EvaLogWriter w(app, st, pane);
    IdRecord rec;
    rec.id = 7;
    rec.testPath = "/t/7/";
    const auto rowOf = [](const std::string& tag) {
        return std::vector<CellValue>{CellValue::str("7"), CellValue{}, CellValue::str(tag)};
    };
    rec.zoneRow(1, false, rowOf("s1"));
    rec.zoneRow(1, true, rowOf("t1"));
    rec.zoneRow(1, false, rowOf("s2"));
    rec.zoneRow(1, true, rowOf("t2"));
    rec.zoneRow(2, false, rowOf("no sheet"));
    rec.count(5, 3);
    rec.count(7, 2);
    rec.logLine("Processed");
    w.commit(rec);
    const int logRow = kProcRow + 1;
    EXPECT_EQ(app.text(z1, 3, 3), "s1");
    EXPECT_EQ(app.text(z1, 4, 3), "s2");
    EXPECT_EQ(app.text(z1, 1099, 3), "t1");
    EXPECT_EQ(app.text(z1, 1100, 3), "t2");
    EXPECT_TRUE(app.value2(z1, 3, 2).isEmpty()); // an empty result cell stays empty
    // Counts go into the row the "Processed" line takes, Proc_ID being column 1.
    EXPECT_EQ(app.value2(st.EvaLogSheet, logRow, kProcCol + 4), CellValue::num(3));
    EXPECT_EQ(app.value2(st.EvaLogSheet, logRow, kProcCol + 6), CellValue::num(2));
    EXPECT_EQ(evaCell(logRow, kProcCol + 2), "Processed");
    EXPECT_EQ(w.logRow(), logRow + 1);
    EXPECT_TRUE(pane.contains("Zone2"));

    // A full section block is reported, never written over.
    app.setValue(z1, 1097, 1, CellValue::str("last"));
    IdRecord full;
    full.id = 8;
    full.zoneRow(1, false, rowOf("lost"));
    w.commit(full);
    EXPECT_EQ(app.text(z1, 1098, 3), "");
    EXPECT_EQ(app.text(z1, 1097, 3), "");
    EXPECT_TRUE(pane.contains("ID 8 sheet Zone1 has no free result row"));
}

// The full evaluation without its Curve signal: the ID fails with "Error processing !!!",
// nothing is saved and no "Processed" follows.
TEST_F(BulkFixture, FullEvaluationWithoutCurveFailsTheId) {
    makeLog({{1}});
    makeEvaLog({"a"}, {row({{2, "M1"}, {13, "1"}}, "q")}, "speed", "EN14363_BauCurve");
    for (const char* name : {"a", "speed", "auxA", "auxB", "auxC"})
        writeSignal(1, "100", name, ramp(400, 1.0F, 0.0F));
    CaptureLog pane;
    const BulkResult r = RunBulk(app, st, 1, 1, options(), readers, pane, NullProgress::instance());
    ASSERT_TRUE(r.prepared) << (r.prepLines.empty() ? "" : r.prepLines[0].text);
    ASSERT_EQ(r.records.size(), 1U);
    EXPECT_EQ(r.records[0].outcome, IdOutcome::Failed);
    EXPECT_TRUE(r.records[0].files.empty());
    EXPECT_FALSE(fs::exists(dest + "/Cond"));
    EXPECT_TRUE(pane.contains("Can not open aux signal auxD"));
    EXPECT_EQ(pane.lines[pane.lines.size() - 2].text, "ID 1 Error processing !!!");
    EXPECT_FALSE(pane.contains("Processed"));
    std::string texts;
    for (int row = kProcRow + 1; !evaCell(row, kProcCol).empty(); ++row)
        texts += evaCell(row, kProcCol + 2) + "|";
    EXPECT_NE(texts.find("Error processing !!!|"), std::string::npos) << texts;
}

// ---- whole runs ----------------------------------------------------------------------

TEST_F(BulkFixture, FromAboveToLogsOnlyEndProcessing) {
    makeLog({{1}});
    makeEvaLog({"a"}, {}, "");
    CaptureLog pane;
    const BulkResult r = RunBulk(app, st, 5, 3, options(), readers, pane, NullProgress::instance());
    EXPECT_TRUE(r.prepared);
    EXPECT_TRUE(r.records.empty());
    ASSERT_EQ(pane.lines.size(), 1U);
    EXPECT_EQ(pane.lines[0].text, "END PROCESSING");
    EXPECT_EQ(evaCell(kProcRow + 1, kProcCol), "");
}

TEST_F(BulkFixture, StepAverageWithoutSpeedStopsBeforeTheFirstId) {
    makeLog({{1}});
    makeEvaLog({"a"}, {row({{2, "M1"}, {9, "Mean"}, {10, "2"}, {11, "1"}})}, "");
    CaptureLog pane;
    const BulkResult r = RunBulk(app, st, 1, 1, options(), readers, pane, NullProgress::instance());
    EXPECT_FALSE(r.prepared);
    EXPECT_FALSE(pane.contains("Processing ID"));
    EXPECT_FALSE(pane.contains("END PROCESSING"));
    EXPECT_TRUE(pane.contains("but no Speed signal defined"));
}

// Tests 1..6: 2 is at speed level 120, 3 has no "Save off", 4 misses its second file; the
// others are complete.
class BulkRunFixture : public BulkFixture {
protected:
    void makeCampaign(const std::array<std::string, 4>& conditions = {}) {
        makeLog({{1}, {2, "Save off", "120"}, {3, "Save on"}, {4}, {5}, {6}});
        makeEvaLog({"a", "b"},
                   {row({{2, "M1"}, {3, "+"}, {4, "M2"}, {13, "1"}}, "sum"),
                    row({{2, "1"}, {8, "50"}, {13, "1"}}, "low"),
                    row({{2, "M3"}, {9, "Mean"}, {10, "1"}, {11, "0.5"}, {13, "1"}}, "step")},
                   "v", "Calc", conditions);
        for (int id : {1, 2, 4, 5, 6}) {
            const std::string lvl = id == 2 ? "120" : "100";
            const float s = float(id);
            writeSignal(id, lvl, "a", ramp(3000 + 100 * id, s, 0.01F));
            if (id != 4)
                writeSignal(id, lvl, "b", ramp(3000 + 100 * id, -s, 0.02F));
            writeSignal(id, lvl, "v",
                        std::vector<float>(static_cast<std::size_t>(3000 + 100 * id), 60.0F + s));
        }
    }

    std::vector<std::vector<std::string>> evaRows(bool withDate) const {
        std::vector<std::vector<std::string>> out;
        for (int r = kProcRow + 1;; ++r) {
            if (evaCell(r, kProcCol).empty())
                break;
            std::vector<std::string> cells;
            for (int c = kProcCol; c <= kProcCol + 19; ++c)
                if (withDate || c != kProcCol + 1)
                    cells.push_back(evaCell(r, c));
            cells.push_back(app.bold(st.EvaLogSheet, r, kProcCol + 2) ? "bold" : "");
            out.push_back(cells);
        }
        return out;
    }
};

TEST_F(BulkRunFixture, OutcomesAndEvaLogRows) {
    makeCampaign({"", "", "100", ""});
    CaptureLog pane;
    const BulkResult r = RunBulk(app, st, 1, 4, options(), readers, pane, NullProgress::instance());
    ASSERT_TRUE(r.prepared);
    ASSERT_EQ(r.records.size(), 4U);
    EXPECT_EQ(r.records[0].outcome, IdOutcome::Processed);
    EXPECT_EQ(r.records[1].outcome, IdOutcome::Skipped); // Dir_Speed "100", level "120"
    EXPECT_EQ(r.records[2].outcome, IdOutcome::Failed);  // no "Save off"
    EXPECT_EQ(r.records[3].outcome, IdOutcome::Failed);  // "b" missing
    const auto rows = evaRows(false);
    ASSERT_EQ(rows.size(), 4U);
    EXPECT_EQ(rows[0][0], "1");
    EXPECT_EQ(rows[0][1], "Processed");
    EXPECT_EQ(rows[0][18], (root / "Cond/Dir/100/1").string() + "/");
    EXPECT_EQ(rows[1][1], "User condition skip ");
    EXPECT_EQ(rows[1][19], "");
    // An invalid selection: its own message, bold, nothing opened from the Log folder.
    EXPECT_EQ(rows[2][0], "3");
    EXPECT_EQ(rows[2][1], "Can not found: \"Save Off\" for Test ID: 3");
    EXPECT_EQ(rows[2][19], "bold");
    EXPECT_FALSE(pane.contains("Soubor " + (root / "a.mvn").string()));
    EXPECT_EQ(rows[3][1], "Can not open 2 measured files");
    EXPECT_EQ(rows[3][19], "bold");
    EXPECT_TRUE(r.records[2].files.empty());
    EXPECT_EQ(r.records[0].files.size(), 5U); // a, b, sum, low, step
    EXPECT_FALSE(fs::exists(dest + "/Cond/Dir/120"));
    // The date column holds "dd.mm.yyyy  hh:mm:ss".
    EXPECT_EQ(evaCell(kProcRow + 1, kProcCol + 1).size(), 20U);
    EXPECT_EQ(pane.lines.front().text, "Processing ID: 1 ....");
    EXPECT_EQ(pane.lines.back().text, "END PROCESSING");
    // Plain computation: no auxiliary file is looked for, no zone step runs.
    EXPECT_FALSE(pane.contains("auxA"));
    EXPECT_FALSE(pane.contains("Create aux signals"));
}

TEST_F(BulkRunFixture, LogRowIsFoundBelowALongLog) {
    makeCampaign();
    // An earlier log reaching past any fixed search distance below Proc_ID.
    for (int r = kProcRow + 1; r <= 2600; ++r)
        app.setValue(st.EvaLogSheet, r, kProcCol, CellValue::str("old"));
    app.setValue(st.EvaLogSheet, 2700, kProcCol + 2, CellValue::str("other column"));
    CaptureLog pane;
    RunBulk(app, st, 1, 1, options(), readers, pane, NullProgress::instance());
    EXPECT_EQ(evaCell(2600, kProcCol), "old");
    EXPECT_EQ(evaCell(2601, kProcCol), "1");
    EXPECT_EQ(evaCell(2601, kProcCol + 2), "Processed");
}

// The same campaign with one worker and with three: the same EvaLog rows, pane lines and
// saved samples.
TEST_F(BulkRunFixture, ThreadJobsGiveTheSequentialResult) {
    makeCampaign();
    struct Run {
        std::vector<std::vector<std::string>> rows;
        std::vector<LogLine> pane;
        std::map<std::string, std::vector<float>> files;
    };
    auto run = [&](int jobs) {
        // The EvaLog as saved before any run, and an empty destination.
        app.close(evaId);
        evaId = app.open((root / "EvaLog.xlsx").string());
        st.ParamSheet = app.sheet(evaId, "PARAM");
        st.EvaLogSheet = app.sheet(evaId, "EvaLog");
        fs::remove_all(dest);
        fs::create_directories(dest);
        CaptureLog pane;
        const BulkResult res =
            RunBulk(app, st, 1, 6, options(jobs), readers, pane, NullProgress::instance());
        Run out;
        out.rows = evaRows(false);
        out.pane = pane.lines;
        for (const IdRecord& rec : res.records) {
            for (const std::string& f : rec.files) {
                SignalStore s;
                NullLog quiet;
                const LoadContext lc{quiet};
                LoadFiles(s, readers, "", {f}, 1, LoadFormat::Morvanet, lc);
                out.files[f + " " + s[1].SigName.str()] =
                    std::vector<float>(s[1].Data.data(), s[1].Data.data() + s[1].Data.size());
            }
        }
        return out;
    };
    const Run one = run(1);
    const Run three = run(3);
    EXPECT_EQ(one.rows, three.rows);
    EXPECT_EQ(one.pane, three.pane);
    EXPECT_EQ(one.files, three.files);
    // The step average's held output starts from 0 in every test, not from the last
    // value of the test before.
    for (const auto& [name, samples] : one.files)
        if (name.find("step_StepAver") != std::string::npos) {
            EXPECT_EQ(samples.front(), 0.0F) << name;
        }
    EXPECT_EQ(one.rows.size(), 6U);
    EXPECT_EQ(one.files.size(), 4U * 5U);
}

// A cancel stops the run between IDs: what was committed is a prefix of the IDs in order.
TEST_F(BulkRunFixture, ThreadCancelStopsBetweenIds) {
    makeCampaign();
    class CancelAfterFirst final : public Progress {
    public:
        void report(double, std::string_view) override { cancel_ = true; }
        bool cancelled() const override { return cancel_; }

    private:
        bool cancel_ = false;
    };
    for (int jobs : {1, 3}) {
        CancelAfterFirst progress;
        CaptureLog pane;
        const BulkResult r = RunBulk(app, st, 1, 6, options(jobs), readers, pane, progress);
        ASSERT_FALSE(r.records.empty());
        if (jobs == 1) {
            EXPECT_EQ(r.records.size(), 1U);
        }
        for (std::size_t i = 0; i < r.records.size(); ++i)
            EXPECT_EQ(r.records[i].id, int(i) + 1);
        if (r.records.size() < 6U) {
            EXPECT_TRUE(pane.contains("Processing stopped by the user"));
        }
        EXPECT_EQ(pane.lines.back().text, "END PROCESSING");
    }
}

// The command line: the same campaign with one and with two workers into two EvaLog files;
// the EvaLog given stays as it was.
TEST_F(BulkRunFixture, CliBulkWritesTheEvaLogAndReports) {
    makeCampaign();
    const auto self = fs::read_symlink("/proc/self/exe");
    const std::string cli =
        (self.parent_path().parent_path().parent_path() / "src" / "app" / "mvtervik-cli").string();
    const std::string base = cli + " bulk --log '" + (root / "Log.xlsx").string() + "' --evalog '" +
                             (root / "EvaLog.xlsx").string() + "' --from 1 --to 6";
    const auto before = fs::last_write_time(root / "EvaLog.xlsx");
    std::vector<std::vector<std::string>> rows[2];
    for (int jobs : {1, 2}) {
        const std::string outEva = (root / ("out" + std::to_string(jobs) + ".xlsx")).string();
        const std::string d = dest + std::to_string(jobs);
        fs::create_directories(d);
        const auto r =
            test::runCommand(base + " --dest '" + d + "' --jobs " + std::to_string(jobs) +
                             " --out-evalog '" + outEva + "' --json 2>/dev/null");
        ASSERT_EQ(r.exitCode, 0) << r.out;
        EXPECT_NE(r.out.find("{\"ids\":[{\"id\":1,\"outcome\":\"processed\""), std::string::npos)
            << r.out;
        EXPECT_NE(r.out.find("\"id\":3,\"outcome\":\"failed\""), std::string::npos);
        EXPECT_NE(r.out.find("\"evalog\":\"" + outEva + "\""), std::string::npos);
        EXPECT_TRUE(fs::exists(d + "/Cond/Dir/100/1/sum.mvn"));
        SpreadsheetApp other;
        const WorkbookId id = other.open(outEva);
        const SheetHandle eva = other.sheet(id, "EvaLog");
        for (int row = kProcRow + 1; !other.text(eva, row, kProcCol).empty(); ++row)
            rows[jobs - 1].push_back({other.text(eva, row, kProcCol),
                                      other.text(eva, row, kProcCol + 2),
                                      other.text(eva, row, kProcCol + 19)});
    }
    EXPECT_EQ(rows[0].size(), 6U);
    EXPECT_EQ(rows[0], rows[1]);
    EXPECT_EQ(fs::last_write_time(root / "EvaLog.xlsx"), before);

    const auto lines =
        test::runCommand("(" + base + " --dest '" + dest + "' --jobs 2 2>&1 >/dev/null)");
    EXPECT_EQ(lines.exitCode, 0);
    EXPECT_NE(lines.out.find("I Processing ID: 1 ....\n"), std::string::npos) << lines.out;
    EXPECT_NE(lines.out.find("E ID 3 Can not found"), std::string::npos) << lines.out;
    EXPECT_NE(lines.out.find("I END PROCESSING"), std::string::npos) << lines.out;

    // The destination from the settings file; messages carry their level.
    const std::string ini = (root / "mvtervik.ini").string();
    {
        std::ofstream f(ini);
        f << "[General]\nDestinationPath=" << dest << "S\nKeepOrigSigName=1\n";
    }
    fs::create_directories(dest + "S");
    const auto bySettings =
        test::runCommand("(" + base + " --settings '" + ini + "' --json 2>/dev/null)");
    EXPECT_EQ(bySettings.exitCode, 0) << bySettings.out;
    EXPECT_TRUE(fs::exists(dest + "S/Cond/Dir/100/1/step.mvn"));
    EXPECT_NE(bySettings.out.find("{\"level\":\"error\",\"text\":\"ID 3 Can not found"),
              std::string::npos)
        << bySettings.out;

    EXPECT_EQ(test::runCommand(base + " --dest '" + dest + "' --jobs 0 2>&1").exitCode, 2);
    EXPECT_EQ(test::runCommand(base + " --no-save --dest x 2>&1").exitCode, 2);
    const auto prep = test::runCommand(base + " --dest '" + (root / "none").string() + "' 2>&1");
    EXPECT_EQ(prep.exitCode, 1);
    EXPECT_NE(prep.out.find("E Target directory"), std::string::npos) << prep.out;
}

} // namespace
} // namespace mv
