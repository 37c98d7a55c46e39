// Track elements, the BauCurve drawing, the alignment of the track kilometre and the
// aligned signals of the uf sensors, through real native files in a temporary test folder.
#include "evaluation/TrackAlign.h"

#include "files/Readers.h"
#include "files/SaveSlot.h"
#include "support/TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace mv {
namespace {

using test::TempDir;
namespace fs = std::filesystem;

struct Row {
    double start, end;
    CellValue kind;
};

void writeTrackInfo(const fs::path& path, const std::vector<Row>& rows) {
    SpreadsheetApp app;
    const WorkbookId wb = app.newWorkbook(kTrackInfoSheet);
    const SheetHandle h = app.sheetAt(wb, 0);
    for (size_t k = 0; k < rows.size(); ++k) {
        const int row = 10 + static_cast<int>(k);
        app.setValue(h, row, 4, CellValue::num(rows[k].start));
        app.setValue(h, row, 5, CellValue::num(rows[k].end));
        app.setValue(h, row, 6, rows[k].kind);
    }
    app.saveAs(wb, path.string());
}

const std::vector<Row> kR600 = {{10.0, 10.5, CellValue::str("G")},
                                {10.5, 10.6, CellValue::str("P")},
                                {10.6, 11.2, CellValue::num(600)}};

std::vector<float> ramp(double a, double b, int n) {
    std::vector<float> v;
    for (int i = 0; i < n; ++i)
        v.push_back(static_cast<float>(a + (b - a) * i / (n - 1)));
    return v;
}

// A kilometre every 10 m from 10.000 to 11.200 km.
const std::vector<float> kKm = ramp(10.0, 11.2, 121);

TEST(TrackElements, R600WithRampAndSignumAndOddRows) {
    TempDir dir;
    std::vector<Row> rows = kR600;
    rows.push_back({11.2, 11.3, CellValue::num(0)});       // radius 0: straight, warned
    rows.push_back({11.3, 11.4, CellValue::str("curve")}); // unknown: skipped, warned
    rows.push_back({11.4, 11.5, CellValue::str(" p ")});   // spelled loosely: still P
    rows.push_back({0, 0, CellValue::str("G")});           // ends the list
    rows.push_back({12.0, 12.5, CellValue::str("G")});
    writeTrackInfo(dir / "t.xlsx", rows);

    for (const bool signum : {false, true}) {
        std::vector<EvalLine> lines;
        const auto els = readTrackInfoFile((dir / "t.xlsx").string(), signum, lines);
        ASSERT_TRUE(els);
        ASSERT_EQ(els->size(), 5U);
        EXPECT_EQ((*els)[1].BauCurve, kTransitionMarker);
        EXPECT_EQ((*els)[3].BauCurve, 0.0F);
        EXPECT_EQ((*els)[4].BauCurve, kTransitionMarker);
        ASSERT_EQ(lines.size(), 2U);
        EXPECT_NE(lines[0].text.find("radius 0 in row 13"), std::string::npos);
        EXPECT_NE(lines[1].text.find("unknown element \"curve\" in row 14"), std::string::npos);

        const std::vector<float> d = drawBauCurve(kKm, *els);
        const double c = (signum ? -1.0 : 1.0) * 1000.0 / 600.0;
        EXPECT_EQ(d[0], 0.0F);
        EXPECT_EQ(d[50], 0.0F); // 10.500 belongs to the straight
        // The samples above 10.5 up to 10.6 are the transition, a ramp up to the curve;
        // 10.6 as a float lies just beyond the element's end.
        int L = 0;
        for (const float k : kKm)
            L += (k > 10.5 && k <= 10.6) ? 1 : 0;
        ASSERT_EQ(L, 9);
        for (int j = 1; j <= L; ++j)
            EXPECT_NEAR(d[50 + j], c * j / L, 1e-5) << j;
        EXPECT_NEAR(d[60], c, 1e-5);
        EXPECT_NEAR(d[120], c, 1e-5);
        EXPECT_NEAR(d[120], signum ? -1.6667 : 1.6667, 1e-4);
    }
}

TEST(TrackElements, DecreasingKmAndMarkerRunsAtTheEnds) {
    std::vector<float> km(kKm.rbegin(), kKm.rend());
    const std::vector<TrackElement> els = {
        {10.0, 10.5, 0.0F, 0}, {10.5, 10.6, kTransitionMarker, 0}, {10.6, 11.2, 2.0F, 0}};
    const std::vector<float> d = drawBauCurve(km, els);
    // Running backwards the curve comes first, then the ramp down to the straight.
    EXPECT_EQ(d[0], 2.0F);
    EXPECT_EQ(d[60], 2.0F); // 10.600
    // Walking down, 10.600 as a float is still inside the curve and 10.500 closes the
    // transition: ten samples ramp down.
    EXPECT_NEAR(d[61], 1.8, 1e-6);
    EXPECT_NEAR(d[69], 0.2, 1e-6);
    EXPECT_EQ(d[70], 0.0F); // 10.500 is straight
    EXPECT_EQ(d[120], 0.0F);

    // A transition at the first or the last sample has nothing to ramp from or to.
    const std::vector<TrackElement> ends = {{10.0, 10.045, kTransitionMarker, 0},
                                            {10.045, 11.155, 1.0F, 0},
                                            {11.155, 11.2, kTransitionMarker, 0}};
    const std::vector<float> e = drawBauCurve(kKm, ends);
    EXPECT_EQ(e[0], kTransitionMarker);
    EXPECT_EQ(e[4], kTransitionMarker);
    EXPECT_EQ(e[5], 1.0F);
    EXPECT_EQ(e[115], 1.0F);
    EXPECT_EQ(e[116], kTransitionMarker);
    EXPECT_EQ(e[120], kTransitionMarker);
    // An element the kilometre never reaches marks nothing.
    EXPECT_EQ(drawBauCurve(kKm, std::vector<TrackElement>{{20, 21, 5.0F, 0}}),
              std::vector<float>(kKm.size(), 0.0F));
}

TEST(Alignment, SlopeAndOffset) {
    EXPECT_NEAR(alignedKm(10.0, 10.0, 1.0005, 25.0), 10.025, 1e-12);
    EXPECT_NEAR(alignedKm(12.0, 10.0, 1.0005, 25.0), 12.026, 1e-12);
}

// A test folder with curvature and kilometre files and a track-information workbook.
class AlignFiles : public ::testing::Test {
protected:
    void SetUp() override {
        files::installReaders(readers);
        writeTrackInfo(dir / "TRK01.xlsx", kR600);
    }
    void writeSignal(const std::string& name, const std::vector<float>& x, double fs = 10.0) {
        SignalStore s;
        SignalRecord r;
        r.f_sampl = fs;
        r.SigName = name;
        r.SaveDiv = 1;
        auto b = SampleBuffer::allocate(x.size());
        std::copy(x.begin(), x.end(), b.data());
        r.setData(std::move(b));
        s.installSignal(1, std::move(r));
        CaptureLog log;
        files::SaveRequest req;
        req.slot = 1;
        req.dir = dir.dir();
        ASSERT_EQ(files::SaveSlot(s, req, {log, {}}), files::SaveStatus::Written);
    }
    AlignOpenRequest request() const {
        AlignOpenRequest req;
        req.testPath = dir.dir();
        req.trackInfoFile = (dir / "TRK01.xlsx").string();
        req.settings.curveName = "Curve";
        req.settings.trackKmName = "Km";
        req.settings.mmToCurve = "0,5";
        return req;
    }
    TempDir dir;
    ReaderTable readers;
    SignalStore store;
    AlignIo io{readers, LoadFormat::Morvanet, 4000.0, ','};
};

TEST_F(AlignFiles, OpenAlignsAndSavesTheUfKilometresOfARunBackwards) {
    std::vector<float> km(kKm.rbegin(), kKm.rend());
    writeSignal("Km", km);
    writeSignal("Curve", std::vector<float>(km.size(), 4.0F));
    AlignOpenRequest req = request();
    req.settings.slope = 1.0005;
    req.settings.offsetM = 25.0;
    const AlignOpenResult r = openAlignment(store, io, req);
    ASSERT_TRUE(r.ok) << (r.lines.empty() ? "" : r.lines.back().text);
    EXPECT_EQ(r.summary.rows, 3);
    EXPECT_EQ(r.summary.toKm, 11.2);
    EXPECT_EQ(store[1].Data[0], 2.0F); // scaled by "0,5"
    EXPECT_EQ(store[2].SigName, "Align_Km0");
    EXPECT_EQ(store[3].SigName, "Align_BauCurve0");
    EXPECT_EQ(store[2].ProcData[0], km[0]);
    EXPECT_FLOAT_EQ(store[2].Data[120], static_cast<float>(alignedKm(km[120], km[0], 1.0005, 25)));

    // Back to slope 1 for the save; uf2 has no distance, uf3 a distance of 3 m.
    req.settings.slope = 1.0;
    req.settings.offsetM = 0.0;
    ASSERT_TRUE(realign(store, 1.0, 0.0, r.elements));
    test::writeFile(dir / "old.txt", "");
    store.installSignal(7, SignalRecord{}); // slots of a sensor without distance are cleared
    SaveAlignedRequest sr;
    sr.testPath = dir.dir();
    sr.level2 = "Vzad";
    sr.settings = req.settings;
    sr.settings.ufDist = {"", "", "3", ""};
    sr.settings.ufLabel = {"a", "b", "L3", "d"};
    const SaveAlignedResult s = saveAligned(store, sr, r.elements);
    ASSERT_TRUE(s.ok);
    EXPECT_EQ(s.sensors, 1);
    EXPECT_EQ(s.saved, 2);
    EXPECT_FALSE(store[6].occupied());
    EXPECT_EQ(store[8].SigName, "Align_L3_Track_km");
    EXPECT_EQ(store[9].SigName, "Align_L3_BauCurve");
    // Backwards on a decreasing kilometre: the sensor ahead sits 3 m further up the line.
    for (const size_t i : {size_t{0}, size_t{60}, size_t{120}})
        EXPECT_FLOAT_EQ(store[8].Data[i], static_cast<float>(double(km[i]) + 0.003)) << i;
    EXPECT_TRUE(fs::exists(dir / "Align_L3_Track_km.mvn"));
    EXPECT_TRUE(fs::exists(dir / "Align_L3_BauCurve.mvn"));

    sr.level2 = "Sideways";
    const SaveAlignedResult bad = saveAligned(store, sr, r.elements);
    EXPECT_FALSE(bad.ok);
    EXPECT_EQ(bad.lines.back().text, "Invalid direction name");
}

TEST_F(AlignFiles, RefusalsLeaveTheSlotsAlone) {
    writeSignal("Km", kKm);
    writeSignal("Curve", std::vector<float>(kKm.size() - 1, 1.0F));
    store.installSignal(5, SignalRecord{});
    SignalRecord keep;
    keep.f_sampl = 1;
    keep.SigName = "keep";
    keep.setData(SampleBuffer::zeros(3));
    store.installSignal(5, std::move(keep));

    const auto refused = [&](AlignOpenRequest req, const std::string& why) {
        const AlignOpenResult r = openAlignment(store, io, req);
        EXPECT_FALSE(r.ok) << why;
        ASSERT_FALSE(r.lines.empty()) << why;
        EXPECT_NE(r.lines.back().text.find(why), std::string::npos) << r.lines.back().text;
        EXPECT_EQ(store[5].SigName, "keep");
    };
    refused(request(), "differ in sample count");
    writeSignal("Curve", std::vector<float>(kKm.size(), 1.0F), 20.0);
    refused(request(), "differ in sample count or sampling frequency");
    writeSignal("Curve", std::vector<float>(kKm.size(), 1.0F));
    AlignOpenRequest req = request();
    req.settings.mmToCurve = "x";
    refused(req, "Invalid MeasCurveSlope");
    req = request();
    req.trackInfoFile = (dir / "none.xlsx").string();
    refused(req, "Can not open Excel track info file:  ");
    req = request();
    req.settings.trackKmName = "Missing";
    refused(req, "Can not open");

    // A kilometre that does not move cannot say which way the sensors sit.
    writeSignal("Km", std::vector<float>(kKm.size(), 10.0F));
    const AlignOpenResult r = openAlignment(store, io, request());
    ASSERT_TRUE(r.ok);
    SaveAlignedRequest sr;
    sr.testPath = dir.dir();
    sr.level2 = "Vpred";
    sr.settings.ufDist = {"1", "", "", ""};
    EXPECT_EQ(saveAligned(store, sr, r.elements).lines.back().text, "Strange Track km");
}

TEST(AlignSettingsTest, RoundTripAndDefaults) {
    MemorySettings m;
    AlignSettings d = readAlignSettings(m);
    EXPECT_EQ(d.forwardName, "Vpred");
    EXPECT_EQ(d.backwardName, "Vzad");
    EXPECT_EQ(d.slope, 1.0);
    m.values["Align_km/Track_km_slope"] = "1,5";
    m.values["Align_km/MeasCurveSlope"] = "abc";
    m.values["Align_km/Track_km_ofset"] = "";
    d = readAlignSettings(m);
    EXPECT_EQ(d.slope, 1.0);
    EXPECT_EQ(d.mmToCurve, "1.0");
    EXPECT_EQ(d.offsetM, 0.0);

    AlignSettings a;
    a.curveName = "C";
    a.ufDist[3] = "-2.5";
    a.ufLabel[3] = "R4";
    a.slope = 1.0005;
    a.offsetM = -25;
    a.changeSignum = true;
    a.trackInfoSubdir = "info";
    MemorySettings w;
    writeAlignSettings(w, a);
    EXPECT_EQ(w.values.at("Align_km/Track_km_ofset"), "-25");
    EXPECT_EQ(w.values.at("Align_km/ChangeBauCurveSignum"), "1");
    EXPECT_EQ(w.values.at("Align_km/uf4_to_Curve0_dist"), "-2.5");
    const AlignSettings b = readAlignSettings(w);
    EXPECT_EQ(b.slope, 1.0005);
    EXPECT_EQ(b.ufLabel[3], "R4");
    EXPECT_TRUE(b.changeSignum);
    EXPECT_EQ(b.trackInfoSubdir, "info");
}

} // namespace
} // namespace mv
