// The track evaluation of one test: zone list, zone signals from a section-list workbook,
// zeroing, sections and transitions with their result rows and counts. Signals are built
// sample by sample in the test; the expected statistics and percentiles come from numpy
// (numpy.quantile, method "linear") over the same float32 samples.
#include "evaluation/Zones.h"

#include "support/TestSupport.h"

#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <memory>

namespace mv {
namespace {

using test::TempDir;
namespace fs = std::filesystem;

constexpr int kM = 1, kC = 1, kS = 3; // measured slot 1, computed slot 2, speed slot 3
constexpr double kFs = 10.0;
constexpr const char* kTrack = "TRK01.xlsx";

// One piece of track: its sample count and section-list radius (0 straight, 1 transition).
struct Piece {
    int samples;
    double radius;
};

// The track of most tests: straight, three curves of zone 4 (radius 600 m) and a
// transition curve into and out of the third.
const std::vector<Piece> kTrackPieces = {{60, 0}, {30, 600}, {30, 0}, {30, 600}, {30, 0},
                                         {30, 1}, {40, 600}, {30, 1}, {60, 0}};

struct Signals {
    std::vector<float> speed, km, drop, uf, curve, q;
};

// Curvature and uf follow the pieces (transitions ramp between their neighbours); km grows
// by 1 m a sample, half a metre off the section bounds.
Signals buildSignals(const std::vector<Piece>& pieces) {
    Signals s;
    const auto curvOf = [](double r) { return (r == 0 || r == 1) ? 0.0 : 1000.0 / r; };
    const auto ufOf = [](double r) { return (r == 0 || r == 1) ? 0.0 : 50.0; };
    int i = 0;
    for (size_t p = 0; p < pieces.size(); ++p) {
        const Piece& pc = pieces[p];
        for (int j = 0; j < pc.samples; ++j, ++i) {
            double c = curvOf(pc.radius), u = ufOf(pc.radius);
            if (pc.radius == 1) {
                const double w = (j + 1.0) / (pc.samples + 1.0);
                const double r0 = p > 0 ? pieces[p - 1].radius : 0;
                const double r1 = p + 1 < pieces.size() ? pieces[p + 1].radius : 0;
                c = curvOf(r0) + (curvOf(r1) - curvOf(r0)) * w;
                u = ufOf(r0) + (ufOf(r1) - ufOf(r0)) * w;
            }
            s.speed.push_back(static_cast<float>(36 + 0.5 * (i % 7)));
            s.km.push_back(static_cast<float>((i + 0.5) / 1000.0));
            s.drop.push_back(1.0F);
            s.uf.push_back(static_cast<float>(u));
            s.curve.push_back(static_cast<float>(c));
            s.q.push_back(static_cast<float>(((i * 37) % 101 - 50) * 1.5 + 0.25 * (i % 4)));
        }
    }
    return s;
}

// Fakes the native reader: a file's name picks its samples; the file itself is empty.
struct FakeFiles {
    std::map<std::string, std::vector<float>> files;
    double fs = kFs;
    ReaderTable table() const {
        ReaderTable t;
        t.set(LoadFormat::Morvanet, [this](const std::string& path, const ReadOptions&) {
            const std::string name = fs::path(path).stem().string();
            const auto it = files.find(name);
            if (it == files.end())
                return ReadResult::refused("unreadable " + path);
            ReadResult r;
            DecodedSignal& d = r.add();
            d.f_sampl = fs;
            d.SigName = name;
            d.Data = SampleBuffer::allocate(it->second.size());
            std::copy(it->second.begin(), it->second.end(), d.Data.data());
            return r;
        });
        return t;
    }
};

void put(SignalStore& st, int slot, const std::string& name, const std::vector<float>& x,
         double fs = kFs) {
    SignalRecord r;
    r.f_sampl = fs;
    r.SigName = name;
    auto b = SampleBuffer::allocate(x.size());
    std::copy(x.begin(), x.end(), b.data());
    r.setData(std::move(b));
    st.installSignal(slot, std::move(r));
}

struct Section {
    double start, end, radius;
};

// The section list as rows 10.. of sheet `sheet` of a new workbook saved at `path`.
void writeSectionList(const fs::path& path, const std::string& sheet,
                      const std::vector<Section>& rows) {
    SpreadsheetApp app;
    const WorkbookId wb = app.newWorkbook(sheet);
    const SheetHandle h = app.sheetAt(wb, 0);
    for (size_t k = 0; k < rows.size(); ++k) {
        const int row = 10 + static_cast<int>(k);
        app.setValue(h, row, 4, CellValue::num(rows[k].start));
        app.setValue(h, row, 5, CellValue::num(rows[k].end));
        app.setValue(h, row, 6, CellValue::num(rows[k].radius));
        app.setValue(h, row, 7, CellValue::num(100.0 + static_cast<double>(k)));
        app.setValue(h, row, 10, CellValue::str("section " + std::to_string(k + 1)));
        for (int j = 0; j < 14; ++j)
            app.setValue(h, row, 15 + j, CellValue::num(j + 0.5));
    }
    app.saveAs(wb, path.string());
}

std::vector<Section> sectionsOf(const std::vector<Piece>& pieces) {
    std::vector<Section> out;
    int at = 0;
    for (const Piece& p : pieces) {
        out.push_back({at / 1000.0, (at + p.samples) / 1000.0, p.radius});
        at += p.samples;
    }
    return out;
}

// A whole test ready to evaluate: the plan, the store, the aux files and the section list.
struct Fixture {
    TempDir tmp;
    EvaPlan plan;
    TestSelection sel;
    FakeFiles files;
    ReaderTable readers;
    SignalStore store;
    IdRecord rec;
    Signals sig;
    double speedFs = kFs;

    explicit Fixture(const std::vector<Piece>& pieces = kTrackPieces) {
        sig = buildSignals(pieces);
        plan.full = true;
        plan.M = kM;
        plan.C = kC;
        plan.S = kS;
        plan.computed.resize(1);
        plan.computed[0].Name = "Q";
        plan.trackKm.Name = "km";
        plan.drop.Name = "drop";
        plan.ufMm.Name = "uf";
        plan.curve.Name = "curve";
        for (int z = 0; z < kZoneCount; ++z) {
            ZoneEntry& e = plan.zones[static_cast<size_t>(z)];
            e.Name = "Zone" + std::to_string(z + 1);
            e.P = {0, 0, 0, 0, 30, 100, 10, 200};
        }
        plan.zones[0].P[0] = 10000; // straight below 0.1 1/km
        plan.zones[0].P[5] = 20;    // |uf| of straight track
        plan.zones[2].P[1] = 1500;
        plan.zones[3].P[1] = 800;
        plan.zones[4].P[0] = 250;
        plan.zones[4].P[1] = 400;
        plan.sectionListFile = "Sections.xlsx";
        plan.logFolder = tmp.path().string();
        fs::create_directories(tmp / "track");
        writeSectionList(tmp / "track" / "Sections.xlsx", kTrack, sectionsOf(pieces));

        sel.id = 7;
        sel.valid = true;
        fs::create_directories(tmp / "test");
        sel.testPath = (tmp / "test").string() + "/";
        sel.trackInfo = kTrack;
    }

    TrackOutcome run(Progress& progress = NullProgress::instance()) {
        files.files = {{"km", sig.km}, {"drop", sig.drop}, {"uf", sig.uf}, {"curve", sig.curve}};
        for (const auto& [name, x] : files.files)
            if (!fs::exists(tmp / "test" / (name + ".mvn")))
                test::writeFile(tmp / "test" / (name + ".mvn"), "");
        readers = files.table();
        put(store, 1, "raw", sig.q);
        put(store, 2, "Q", sig.q);
        put(store, kS, "speed", sig.speed, speedFs);
        const TrackIo io{readers, LoadFormat::Morvanet, kFs, '.', "track"};
        return EvaluateTrack(plan, sel, io, store, rec, progress);
    }

    std::vector<const RecordOp*> rows(int zone, bool transition) const {
        std::vector<const RecordOp*> out;
        for (const auto& op : rec.ops)
            if (op.kind == RecordOp::Kind::ZoneRow && op.zone == zone &&
                op.transition == transition)
                out.push_back(&op);
        return out;
    }
    std::map<int, double> counts() const {
        std::map<int, double> out;
        for (const auto& op : rec.ops)
            if (op.kind == RecordOp::Kind::Count)
                out[op.column] = op.value;
        return out;
    }
    int lines(const std::string& fragment, RecordOp::Kind kind, LineLevel level) const {
        int n = 0;
        for (const auto& op : rec.ops)
            if (op.kind == kind && op.level == level && op.text.find(fragment) != std::string::npos)
                ++n;
        return n;
    }
    bool pane(const std::string& text) const {
        for (const auto& op : rec.ops)
            if (op.kind == RecordOp::Kind::Pane && op.text == text)
                return true;
        return false;
    }
    const SignalRecord& slot(int k) const { return store[k]; }
};

double num(const RecordOp& row, int col) {
    const CellValue& v = row.cells.at(static_cast<size_t>(col - 1));
    EXPECT_EQ(v.type, CellType::Number) << "column " << col;
    return v.number;
}

TEST(Percentile, LinearInterpolationAsNumpy) {
    const std::vector<float> x = {-1.5F, 0.5F, 2.0F, 3.0F, 4.0F, 7.25F, 10.0F};
    // numpy.quantile(x, p, method="linear")
    const std::vector<std::pair<double, double>> cases = {
        {0.0015, -1.482},  {0.025, -1.2}, {0.5, 3.0},  {0.975, 9.5875},
        {0.9985, 9.97525}, {0.0, -1.5},   {1.0, 10.0}, {0.3, 1.7}};
    for (const auto& [p, want] : cases)
        EXPECT_NEAR(percentileSorted(x, p), want, 1e-12) << p;
    // One sample: every percentile is that sample, the weight of the next is never taken.
    for (double p : {0.0015, 0.5, 0.9985, 1.0})
        EXPECT_EQ(percentileSorted({51.25F}, p), 51.25);
}

TEST(EvaluateTrack, SectionsTransitionsAndCounts) {
    Fixture f;
    ASSERT_EQ(f.run(), TrackOutcome::Done);

    // Zone 4: three sections; the transition curve into the third is 3.1, out of it 3.2.
    EXPECT_TRUE(f.pane("ID 7 Zone4  SECTION 3.0. First sample: 212, Samples: 39, Length: 40.6 m, "
                       "Mean val.    Speed: 37.5 km/h,   Radius: 600 m,   uf: 50.0 mm"));
    EXPECT_EQ(f.lines("Zone4  TRANSITION 3.1. First sample: 182, Samples: 29", RecordOp::Kind::Pane,
                      LineLevel::Info),
              1);
    EXPECT_EQ(f.lines("Zone4  TRANSITION 3.2. First sample: 252, Samples: 29", RecordOp::Kind::Pane,
                      LineLevel::Info),
              1);
    EXPECT_EQ(f.lines(" TRANSITION ", RecordOp::Kind::Pane, LineLevel::Info), 2);
    ASSERT_EQ(f.rows(4, false).size(), 3U);
    ASSERT_EQ(f.rows(4, true).size(), 2U);
    ASSERT_EQ(f.rows(1, false).size(), 4U);
    EXPECT_TRUE(f.rows(1, true).empty());

    // Radius 1 makes zone 7 samples, never a section of their own.
    const float* zone = f.slot(kS + 7).Data.data();
    EXPECT_EQ(zone[190], 7.0F);
    EXPECT_EQ(f.slot(kS + 7).SigName.str(), "Zone");
    EXPECT_EQ(f.slot(kS + 6).SigName.str(), "SectionNumber");
    EXPECT_EQ(f.slot(kS + 8 + 3).Data[230], 3.0F);       // SectionZ4
    EXPECT_FLOAT_EQ(f.slot(kS + 8 + 3).Data[190], 3.1F); // the transition in
    EXPECT_EQ(f.slot(kS + 6).Data[0], 0.0F);             // the first sample: no section
    EXPECT_EQ(f.slot(kS + 6).Data[100], 3.0F);
    EXPECT_EQ(f.slot(kS + 5).Units.str(), "m");

    const std::map<int, double> want = {{5, 0},  {7, 4},  {8, 0},  {9, 0},  {10, 3},
                                        {11, 0}, {12, 0}, {13, 0}, {14, 0}, {15, 0},
                                        {16, 2}, {17, 0}, {18, 0}};
    EXPECT_EQ(f.counts(), want);

    // The third zone-4 section, column by column.
    const RecordOp& r = *f.rows(4, false)[2];
    ASSERT_EQ(r.cells.size(), 58U);
    EXPECT_EQ(r.cells[0], CellValue::str("7"));
    EXPECT_EQ(num(r, 2), 7);
    EXPECT_NEAR(num(r, 3), 21.2, 1e-12);
    EXPECT_NEAR(num(r, 4), 25.0, 1e-12);
    EXPECT_NEAR(num(r, 5), 3.8, 1e-12);
    EXPECT_EQ(num(r, 6), 36.0); // min and max start from the first sample
    EXPECT_EQ(num(r, 7), 39.0);
    EXPECT_NEAR(num(r, 8), 37.47435897435897, 1e-12);
    EXPECT_NEAR(num(r, 9), 0.2115, 1e-7);
    EXPECT_NEAR(num(r, 10), 0.2495, 1e-7);
    EXPECT_NEAR(num(r, 11), 40.59722222222222, 1e-9);
    for (int c : {12, 13, 14, 15})
        EXPECT_EQ(num(r, c), 50.0);
    for (int c : {16, 17, 18, 19})
        EXPECT_NEAR(num(r, c), 600.0, 1e-3);
    EXPECT_EQ(r.cells[20], CellValue::str(kTrack));
    EXPECT_TRUE(r.cells[21].isEmpty()); // "...xlsx" ends in no digit
    EXPECT_EQ(num(r, 23), 600);
    EXPECT_EQ(num(r, 25), 106);
    EXPECT_EQ(r.cells[26], CellValue::str("section 7"));
    for (int j = 0; j < 14; ++j)
        EXPECT_EQ(num(r, 30 + j), j + 0.5);
    for (int c : {20, 24, 26, 28, 29, 44, 45, 46, 47, 48, 49, 50})
        EXPECT_TRUE(r.cells[static_cast<size_t>(c - 1)].isEmpty()) << c;
    const std::vector<double> q = {
        -71.193,           -70.3, -0.75, 70.96249999999999, 74.75775000000002, -0.6666666666666666,
        43.41178795365762, 75.0};
    for (size_t j = 0; j < q.size(); ++j)
        EXPECT_NEAR(num(r, 51 + static_cast<int>(j)), q[j], 1e-9) << j;

    // The last straight reaches the last sample: it ends one before it.
    const RecordOp& tail = *f.rows(1, false)[3];
    EXPECT_NEAR(num(tail, 3), 28.2, 1e-12);
    EXPECT_NEAR(num(tail, 4), 33.9, 1e-12);
    const std::vector<double> qt = {-73.886625,        -69.575,   1.0,
                                    71.57499999999999, 74.972125, 1.4094827586206897,
                                    44.08139268483339, 75.25};
    for (size_t j = 0; j < qt.size(); ++j)
        EXPECT_NEAR(num(tail, 51 + static_cast<int>(j)), qt[j], 1e-9) << j;
}

TEST(EvaluateTrack, ReverseRunNumbersSectionsInTravelOrder) {
    Fixture f;
    for (auto* v : {&f.sig.speed, &f.sig.km, &f.sig.uf, &f.sig.curve, &f.sig.q})
        std::reverse(v->begin(), v->end());
    ASSERT_EQ(f.run(), TrackOutcome::Done);
    ASSERT_EQ(f.rows(4, false).size(), 3U);
    EXPECT_EQ(num(*f.rows(4, false)[0], 2), 7); // the last listed curve comes first
    EXPECT_EQ(num(*f.rows(4, false)[2], 2), 2);
    EXPECT_EQ(f.lines("Zone4  TRANSITION 1.1", RecordOp::Kind::Pane, LineLevel::Info), 1);
    EXPECT_EQ(f.lines("Zone4  TRANSITION 1.2", RecordOp::Kind::Pane, LineLevel::Info), 1);
    EXPECT_EQ(f.counts().at(16), 2);
}

TEST(EvaluateTrack, DropZeroRejectsAndCountsSectionsOnly) {
    Fixture f;
    f.sig.drop[100] = 0; // inside the second straight
    f.sig.drop[190] = 0; // inside the transition into the third curve
    ASSERT_EQ(f.run(), TrackOutcome::Done);
    EXPECT_EQ(f.counts().at(7), 3);
    EXPECT_EQ(f.counts().at(5), 1); // the transition is rejected but not counted
    EXPECT_EQ(f.counts().at(16), 1);
    EXPECT_EQ(f.lines("Zone4  TRANSITION 3.2", RecordOp::Kind::Pane, LineLevel::Info), 1);
}

// Reports Escape from its n-th poll on.
class EscapeAt final : public Progress {
public:
    explicit EscapeAt(int n) : n_(n) {}
    void report(double, std::string_view) override {}
    bool cancelled() const override { return ++polls_ >= n_; }
    int polls() const { return polls_; }

private:
    int n_;
    mutable int polls_ = 0;
};

TEST(EvaluateTrack, EscapeDuringZoneThreeEndsTheSectionStep) {
    Fixture f;
    EscapeAt esc(3);
    ASSERT_EQ(f.run(esc), TrackOutcome::Done);
    EXPECT_EQ(esc.polls(), 3);
    EXPECT_EQ(f.lines("User abort", RecordOp::Kind::Pane, LineLevel::Error), 1);
    const std::map<int, double> want = {{7, 4}, {8, 0}, {13, 0}, {14, 0}};
    EXPECT_EQ(f.counts(), want);
    EXPECT_TRUE(f.rows(4, false).empty());
    EXPECT_EQ(f.rows(1, false).size(), 4U);
}

TEST(EvaluateTrack, RadiusOnlyBelowTheStraightLimit) {
    Fixture f;
    f.sig.curve[10] = 0.05F;
    f.sig.curve[11] = 0.5F;
    f.sig.curve[12] = -0.5F;
    ASSERT_EQ(f.run(), TrackOutcome::Done);
    EXPECT_EQ(f.slot(kS + 5).Data[10], 0.0F);
    EXPECT_EQ(f.slot(kS + 5).Data[11], 2000.0F);
    EXPECT_EQ(f.slot(kS + 5).Data[12], -2000.0F);
}

TEST(EvaluateTrack, ZeroingOverValidStraightSamples) {
    Fixture f;
    f.plan.computed[0].Zeroing = true;
    f.plan.ufMm.Zeroing = true;
    f.sig.uf.assign(f.sig.uf.size(), 5.0F); // an offset of 5 mm everywhere
    ASSERT_EQ(f.run(), TrackOutcome::Done);
    const float* q = f.slot(kM + 1).Data.data();
    const float* zone = f.slot(kS + 7).Data.data();
    double sum = 0;
    int n = 0;
    for (size_t i = 0; i < f.sig.q.size(); ++i)
        if (zone[i] == 1.0F) {
            sum += q[i];
            ++n;
        }
    EXPECT_NEAR(sum / n, 0.0, 1e-4);
    EXPECT_EQ(f.slot(kS + 3).Data[0], 0.0F);
    EXPECT_EQ(f.slot(1).Data[0], f.sig.q[0]); // the measured slot stays as read

    // No straight sample above 20 km/h: nothing to take a mean of.
    Fixture slow;
    slow.plan.computed[0].Zeroing = true;
    slow.sig.speed.assign(slow.sig.speed.size(), 15.0F);
    ASSERT_EQ(slow.run(), TrackOutcome::Done);
    EXPECT_EQ(slow.lines("Zeroing skipped", RecordOp::Kind::Pane, LineLevel::Warning), 1);
    for (size_t i = 0; i < slow.sig.q.size(); ++i)
        ASSERT_EQ(slow.slot(kM + 1).Data[i], slow.sig.q[i]);
}

struct Degenerate {
    const char* name;
    std::function<void(Fixture&)> setup;
    TrackOutcome outcome;
    const char* line; // expected error line (log line or pane), "" for none
    bool logLine;
};

TEST(EvaluateTrack, MissingAndDegenerateInputs) {
    const std::vector<Degenerate> cases = {
        {"uf missing", [](Fixture& f) { f.plan.ufMm.Name = "nouf"; }, TrackOutcome::Failed,
         "Can not open aux signal nouf", true},
        {"drop missing", [](Fixture& f) { f.plan.drop.Name = "nodrop"; }, TrackOutcome::Done,
         "Can not open aux signal nodrop", true},
        {"drop not named", [](Fixture& f) { f.plan.drop.Name.clear(); }, TrackOutcome::Done, "",
         true},
        {"no section list", [](Fixture& f) { f.plan.sectionListFile = "None.xlsx"; },
         TrackOutcome::ZoneFailed, "Can not open Excel track section info file:  ", false},
        {"no sheet for the track", [](Fixture& f) { f.sel.trackInfo = "TRK02.xlsx"; },
         TrackOutcome::ZoneFailed, "TRK02.xlsx", false},
        {"empty section list",
         [](Fixture& f) { writeSectionList(f.tmp / "track" / "Sections.xlsx", kTrack, {}); },
         TrackOutcome::ZoneFailed, "No track sections", false},
        {"speed without rate", [](Fixture& f) { f.speedFs = 0; }, TrackOutcome::Failed,
         "sampling frequency", true},
        {"short uf", [](Fixture& f) { f.sig.uf.resize(f.sig.uf.size() - 40); }, TrackOutcome::Done,
         "fewer samples than the speed", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f;
        c.setup(f);
        EXPECT_EQ(f.run(), c.outcome);
        int errors = 0;
        for (const auto& op : f.rec.ops)
            if (op.level == LineLevel::Error)
                ++errors;
        if (*c.line) {
            EXPECT_EQ(f.lines(c.line, c.logLine ? RecordOp::Kind::LogLine : RecordOp::Kind::Pane,
                              LineLevel::Error),
                      1);
            EXPECT_EQ(errors, 1);
        } else {
            EXPECT_EQ(errors, 0);
        }
        // Whatever came in, no result cell holds a value that is not finite.
        for (const auto& op : f.rec.ops)
            for (const auto& v : op.cells)
                ASSERT_TRUE(!v.isNumber() || std::isfinite(v.number));
    }
}

TEST(EvaluateTrack, ShortSignalWalksTheCommonLength) {
    Fixture f;
    f.sig.uf.resize(300); // ends inside the last straight
    ASSERT_EQ(f.run(), TrackOutcome::Done);
    const RecordOp& tail = *f.rows(1, false)[3];
    EXPECT_NEAR(num(tail, 4), 29.9, 1e-12); // sample 299 of 300 is the walk's last
    EXPECT_EQ(f.slot(kS + 7).SampleCount, 340);
}

TEST(EvaluateTrack, SingleSampleStretchesOfALongSectionList) {
    Fixture f({{340, 0}});
    // 1001 straight sections of two samples each: the sample that ends one section is
    // left out of the next, so every other sample is a stretch of its own.
    std::vector<Section> rows;
    for (int k = 1; k <= 1001; ++k)
        rows.push_back({(2 * k - 2) / 1000.0, 2 * k / 1000.0, 0});
    writeSectionList(f.tmp / "track" / "Sections.xlsx", kTrack, rows);
    ASSERT_EQ(f.run(), TrackOutcome::Done);
    EXPECT_EQ(f.lines("more than 1000 sections", RecordOp::Kind::Pane, LineLevel::Warning), 1);
    EXPECT_EQ(f.counts().at(7), 169);
    const RecordOp& r = *f.rows(1, false)[2]; // sample 6 alone (index 5), section 3
    EXPECT_EQ(num(r, 2), 3);
    EXPECT_NEAR(num(r, 3), 0.6, 1e-12);
    EXPECT_EQ(num(r, 5), 0.0);
    EXPECT_NEAR(num(r, 11), 1.0694444444444444, 1e-12);
    for (int c = 51; c <= 58; ++c)
        EXPECT_EQ(num(r, c), 51.25) << c;
}

// An EvaLog with a PARAM sheet (zone list, computed table, section-list name) and the six
// zone sheets with the computed names in their row-2 heads.
struct EvaLogBook {
    SpreadsheetApp app;
    WorkbookId wb;
    SheetHandle param;
    EvaPlan plan;
    explicit EvaLogBook(bool sectionListName = true) {
        wb = app.newWorkbook("PARAM");
        param = app.sheetAt(wb, 0);
        Workbook& book = app.workbook(wb);
        const Sheet& ps = app.resolve(param);
        book.setName("ZoneListRng", ps, {{20, 2}, {20, 2}});
        book.setName("CompSigTable", ps, {{40, 3}, {40, 3}});
        if (sectionListName)
            book.setName("SectionListFile", ps, {{5, 2}, {5, 2}});
        app.setValue(param, 5, 2, CellValue::str("Sections.xlsx"));
        for (int z = 0; z < kZoneCount; ++z)
            for (int j = 0; j < 8; ++j)
                app.setValue(param, 20 + z, 3 + j, CellValue::num(10 * z + j));
        app.setValue(param, 40, 3, CellValue::str("Q1"));
        app.setValue(param, 41, 3, CellValue::num(2));
        plan.C = 2;
        for (int z = 1; z <= kZoneSheetCount; ++z) {
            const SheetHandle h = app.addSheet(wb, "Zone" + std::to_string(z));
            app.setValue(h, 2, 51, CellValue::str("Q1"));
            app.setValue(h, 2, 59, CellValue::num(2));
        }
    }
};

TEST(ZoneList, ReadsZonesAndChecksZoneSheets) {
    {
        EvaLogBook b;
        std::vector<EvalLine> lines;
        ASSERT_TRUE(readZoneList(b.app, b.param, b.plan, lines));
        EXPECT_TRUE(lines.empty());
        EXPECT_EQ(b.plan.zones[4].Name, "Zone5");
        EXPECT_EQ(b.plan.zones[4].P[1], 41.0F);
        EXPECT_EQ(b.plan.zones[6].P[7], 67.0F);
        EXPECT_EQ(b.plan.sectionListFile, "Sections.xlsx");
    }
    const std::vector<std::pair<const char*, std::function<void(EvaLogBook&)>>> broken = {
        {"Zone3\" AY2 reads \"Q9\"",
         [](EvaLogBook& b) {
             b.app.setValue(*b.app.findSheet(b.wb, "Zone3"), 2, 51, CellValue::str("Q9"));
         }},
        {"Zone5\" not found",
         [](EvaLogBook& b) { b.app.deleteSheet(*b.app.findSheet(b.wb, "Zone5")); }},
        {"P4 of Zone2",
         [](EvaLogBook& b) { b.app.setValue(b.param, 21, 6, CellValue::str("abc")); }},
        {"Zone6\" BG2 reads \"\"",
         [](EvaLogBook& b) { b.app.setValue(*b.app.findSheet(b.wb, "Zone6"), 2, 59, {}); }}};
    for (const auto& [fragment, breakIt] : broken) {
        SCOPED_TRACE(fragment);
        EvaLogBook b;
        breakIt(b);
        std::vector<EvalLine> lines;
        EXPECT_FALSE(readZoneList(b.app, b.param, b.plan, lines));
        ASSERT_EQ(lines.size(), 1U);
        EXPECT_EQ(lines[0].level, LineLevel::Error);
        EXPECT_NE(lines[0].text.find(fragment), std::string::npos) << lines[0].text;
    }
    EvaLogBook noName(false);
    std::vector<EvalLine> lines;
    EXPECT_FALSE(readZoneList(noName.app, noName.param, noName.plan, lines));
    ASSERT_EQ(lines.size(), 1U);
    EXPECT_NE(lines[0].text.find("SectionListFile"), std::string::npos) << lines[0].text;
}

} // namespace
} // namespace mv
