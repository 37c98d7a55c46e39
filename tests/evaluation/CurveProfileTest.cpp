// The track profile derived from a measured curvature, and the track-information workbook
// it is saved as.
#include "evaluation/CurveProfile.h"

#include "SyntheticTrack.h"
#include "support/TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace mv {
namespace {

using test::TempDir;
namespace fs = std::filesystem;

TEST(CurveProfileSteps, RadiusThresholdAndTheEightyPercentRule) {
    // 0.08 1/km is a radius above 10000 m: straight.
    EXPECT_EQ(detail::radiusOf(std::vector<float>{0.08F, -0.08F, 0.2F, 0.0F}),
              (std::vector<float>{0, 0, 0, 0})); // the lone 0.2 never tightens: erased
    // A bump from 0.11 to 0.14 tightens to 7143 m, below 80 % of 9091 m: kept; one that
    // peaks at 0.12 (8333 m) is erased; one still open at the last sample stays.
    const std::vector<float> kept = detail::radiusOf(std::vector<float>{0, 0.11F, 0.14F, 0.11F, 0});
    EXPECT_NEAR(kept[2], 1000 / 0.14, 0.01);
    EXPECT_NEAR(kept[1], 1000 / 0.11, 0.01);
    EXPECT_EQ(detail::radiusOf(std::vector<float>{0, 0.11F, 0.12F, 0.11F, 0}),
              (std::vector<float>{0, 0, 0, 0, 0}));
    const std::vector<float> open = detail::radiusOf(std::vector<float>{0, -0.11F, -0.12F});
    EXPECT_NEAR(open[2], -1000 / 0.12, 0.01);
}

TEST(CurveProfileSteps, DerivativeStopsAtStandstillAndOnStraightTrack) {
    const double c = 1.0 / (3.6 * 10.0); // 10 Hz
    // At 36 km/h a sample is 1 m.
    const std::vector<float> R = {0, 0, 5000, 5004, 5004, 0, 0};
    const std::vector<float> v = {36, 36, 36, 36, 0.3F, 36, 36};
    const std::vector<float> D = detail::derivativeOf(R, v, c);
    EXPECT_EQ(D[1], 0.0F);   // straight stays 0, so a later leap can start a transition
    EXPECT_EQ(D[2], -10.0F); // out of straight: negated, limited
    EXPECT_NEAR(D[3], 4.0, 1e-3);
    EXPECT_EQ(D[4], 0.0F); // 0.3 km/h counts as standing
    EXPECT_EQ(D[5], 0.0F); // back to straight
}

struct DesignBound {
    char kind;
    double start, end, radius;
};

// The design as elements along the run, for comparing.
std::vector<DesignBound> designOf(const std::vector<test::DesignElement>& d, double startKm,
                                  bool decreasing) {
    std::vector<DesignBound> out;
    double at = 0;
    for (const auto& e : d) {
        const double a = startKm + (decreasing ? -at : at) / 1000.0;
        at += e.length;
        const double b = startKm + (decreasing ? -at : at) / 1000.0;
        out.push_back({e.kind, std::min(a, b), std::max(a, b), e.radius});
    }
    if (decreasing)
        std::reverse(out.begin(), out.end());
    return out;
}

void expectDesign(const std::vector<TrackElement>& els, const std::vector<DesignBound>& want,
                  double tolKm, double tolRel) {
    ASSERT_EQ(els.size(), want.size());
    for (size_t k = 0; k < els.size(); ++k) {
        const auto& e = els[k];
        const auto& w = want[k];
        EXPECT_NEAR(e.Start, w.start, tolKm) << k;
        EXPECT_NEAR(e.End, w.end, tolKm) << k;
        EXPECT_EQ(e.Cant, kNoCant);
        if (w.kind == 'G')
            EXPECT_EQ(e.BauCurve, 0.0F) << k;
        else if (w.kind == 'P')
            EXPECT_EQ(e.BauCurve, kTransitionMarker) << k;
        else
            EXPECT_NEAR_REL(1000.0 / e.BauCurve, w.radius, tolRel);
    }
}

TEST(CurveProfile, CleanTrackGivesItsDesignBothWays) {
    for (const bool decreasing : {false, true}) {
        SCOPED_TRACE(decreasing ? "decreasing" : "increasing");
        const auto design = test::mixedTrack();
        // The curvature in mm (factor 0.01 back to 1/km). The low-pass smooths over a
        // stretch that grows with speed; at 30 km/h the corners stay within 10 m.
        test::TrackRun run = test::runTrack(design, 25.0, 30.0, 50.0, 0.0, -1, 0, decreasing);
        for (float& c : run.curve)
            c *= 100.0F;
        const TrackProfile p = deriveTrackProfile(run.speed, run.curve, run.km, 50.0, 0.01);
        EXPECT_TRUE(p.lines.empty());
        expectDesign(p.elements, designOf(design, 25.0, decreasing), 0.010, 0.005);
    }
}

TEST(CurveProfile, ShortBlipOnAStraightIsNoCurve) {
    const std::vector<test::DesignElement> design = {
        {500, 'G', 0}, {80, 'P', 0}, {300, 'R', 800}, {80, 'P', 0}, {300, 'G', 0}};
    const test::TrackRun run = test::runTrack(design, 3.0, 30.0, 100.0, 0.0, 200.0, 0.115);
    const TrackProfile p = deriveTrackProfile(run.speed, run.curve, run.km, 100.0, 1.0);
    expectDesign(p.elements, designOf(design, 3.0, false), 0.010, 0.005);
}

class TrackInfoWorkbook : public ::testing::Test {
protected:
    TempDir dir;
    const std::vector<TrackElement> els = {{10.0004, 10.4996, 0.0F, kNoCant},
                                           {10.4996, 10.6, kTransitionMarker, kNoCant},
                                           {10.6, 11.2, -1.25F, kNoCant},
                                           {11.2, 11.5, 1.6666666F, kNoCant}};
};

TEST_F(TrackInfoWorkbook, LayoutRoundTripAndNoSecondSave) {
    std::vector<EvalLine> lines;
    EXPECT_TRUE(trackInfoFileName("/logs", "info", " ", lines).empty());
    EXPECT_EQ(lines.back().level, LineLevel::Error);
    const std::string file = trackInfoFileName(dir.path().string(), "info", "TRA77 x", lines);
    EXPECT_EQ(file, dir.path().string() + "/info/TRA77 x.xlsx");

    lines.clear();
    const TrackInfoWrite w{file, "/data/Vpred/3/", 0.01, "01.02.2024  10:11:12"};
    ASSERT_TRUE(writeTrackInfoWorkbook(w, els, lines));
    EXPECT_EQ(lines.back().text, "Excel track info:  \"" + file + "\"  created.");

    SpreadsheetApp app;
    const SheetHandle h = app.sheet(app.open(file), kTrackInfoSheet);
    EXPECT_EQ(app.workbook(h.workbook).sheetCount(), 1);
    EXPECT_EQ(app.value2(h, 1, 1).text, "01.02.2024  10:11:12");
    EXPECT_EQ(app.value2(h, 1, 4).text, "/data/Vpred/3/");
    EXPECT_EQ(app.value2(h, 2, 1).text, "mm to curve 1/km");
    EXPECT_EQ(app.value2(h, 2, 2).number, 0.01);
    EXPECT_EQ(app.value2(h, 2, 6).text, "G prima\nP prech.\nRP (+)\nRL (-)");
    EXPECT_EQ(app.value2(h, 9, 7).text, "mm");
    EXPECT_EQ(app.value2(h, 10, 4).number, 10.0);
    EXPECT_EQ(app.value2(h, 10, 5).number, 10.5);
    EXPECT_EQ(app.text(h, 10, 5), "10.500");
    EXPECT_EQ(app.value2(h, 10, 6).text, "G");
    EXPECT_EQ(app.value2(h, 11, 6).text, "P");
    EXPECT_EQ(app.value2(h, 12, 6).number, -800.0);
    EXPECT_EQ(app.value2(h, 13, 6).number, 600.0);
    EXPECT_EQ(app.value2(h, 14, 4).type, CellType::Empty);

    // The layout the alignment reads.
    const auto back = readTrackInfoFile(file, false, lines);
    ASSERT_TRUE(back);
    ASSERT_EQ(back->size(), els.size());
    EXPECT_EQ((*back)[2].BauCurve, -1.25F);
    EXPECT_EQ((*back)[1].BauCurve, kTransitionMarker);

    // A second save for the same track changes nothing.
    const std::string before = test::readFile(file);
    lines.clear();
    EXPECT_FALSE(writeTrackInfoWorkbook({file, "/other/", 2.0, ""}, els, lines));
    EXPECT_EQ(lines.back().text, "File \"" + file + "\" exists !");
    EXPECT_EQ(lines.back().level, LineLevel::Error);
    EXPECT_EQ(test::readFile(file), before);
}

} // namespace
} // namespace mv
