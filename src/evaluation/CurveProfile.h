#pragma once
// "Curve2xls": a track profile derived from one test run. The measured curvature is
// turned into a radius, the radius into its change per metre travelled, that into a
// marker signal of straights, curves and transition curves, and the marker's runs along
// the measured kilometre into track elements, saved as a new track-information workbook.
#include "evaluation/TrackAlign.h"

#include <span>
#include <string>
#include <vector>

namespace mv {

// The inputs of the "Curve2xls" page, kept in the settings group "Curve2xls".
struct Curve2xlsSettings {
    std::string speedName;   // Speed
    std::string curveName;   // Meas_Curve
    std::string trackKmName; // Meas_Track_km
    std::string mmToCurve = "1.0";
};
Curve2xlsSettings readCurve2xlsSettings(const SettingsBackend& s);
void writeCurve2xlsSettings(SettingsBackend& s, const Curve2xlsSettings& c);

// Every intermediate signal of the derivation, sample for sample.
struct TrackProfile {
    std::vector<float> speed;  // low-pass filtered [km/h]
    std::vector<float> curve;  // scaled to 1/km and filtered
    std::vector<float> radius; // "Radius" [m], 0 on straight track
    std::vector<float> derivR; // "DerivR" [m/m], limited to ±10
    std::vector<float> marker; // 1000 transition, 0 straight, the mean curvature of a curve
    std::vector<TrackElement> elements;
    std::vector<EvalLine> lines;
};

namespace detail {
// Radius of a curvature in 1/km where the radius is below 10000 m, else 0; then every run
// of non-zero radius that ends before the last sample and never comes below 80 % of its
// first value is erased.
std::vector<float> radiusOf(std::span<const float> curve);
// Change of radius per metre, c = metres per sample at 1 km/h.
std::vector<float> derivativeOf(std::span<const float> radius, std::span<const float> speed,
                                double c);
// The marker signal from radius, derivative and curvature.
std::vector<float> markerOf(std::span<const float> radius, std::span<const float> derivR,
                            std::span<const float> curve);
// The marker's runs along the kilometre; the last run is an element too.
std::vector<TrackElement> elementsOf(std::span<const float> marker, std::span<const float> km);
} // namespace detail

// The whole derivation from the raw signals sampled at fs; `factor` scales the measured
// curvature to 1/km. The three signals must have the same length.
TrackProfile deriveTrackProfile(std::span<const float> speed, std::span<const float> curve,
                                std::span<const float> km, double fs, double factor);

struct Curve2xlsResult {
    bool ok = false;
    std::vector<TrackElement> elements;
    std::vector<EvalLine> lines;
};

// "Open files": the three signals of the test into slots 1..3, "Radius", "DerivR" and
// "MeasBauCurve" into slots 4..6. Checked before the store is touched: a missing file,
// signals that differ in length or rate, or a factor that is not a number change nothing.
Curve2xlsResult openCurve2xls(SignalStore& store, const AlignIo& io, const std::string& testPath,
                              const Curve2xlsSettings& settings);

// The file "Save to Excel" writes: Log folder / subfolder / level 4 + ".xlsx"; empty with
// an error line when level 4 is empty.
std::string trackInfoFileName(const std::string& logFolder, const std::string& subdir,
                              const std::string& level4, std::vector<EvalLine>& lines);

struct TrackInfoWrite {
    std::string file;     // full path
    std::string testPath; // D1
    double factor = 1.0;  // B2
    std::string created;  // A1: date, two spaces, time; empty = now
};

// "Save to Excel": writes a new track-information workbook of one sheet "Databaze_kolej".
// An existing file is never touched: false with the "exists !" error line.
bool writeTrackInfoWorkbook(const TrackInfoWrite& w, std::span<const TrackElement> elements,
                            std::vector<EvalLine>& lines);

} // namespace mv
