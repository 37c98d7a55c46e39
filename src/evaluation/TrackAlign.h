#pragma once
// Track elements of a track-information workbook, the design curvature ("BauCurve")
// drawn along a kilometre signal, and the alignment of a measured track kilometre to it
// ("Align km"): stretch and shift the kilometre until the measured curvature and the
// BauCurve coincide, then write aligned kilometres for the uf sensors.
#include "core/LoadFiles.h"
#include "core/Settings.h"
#include "core/SignalStore.h"
#include "evaluation/EvalLine.h"
#include "evaluation/workbook/SpreadsheetApp.h"
#include "files/FileHeader.h"

#include <array>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace mv {

inline constexpr int kMaxTrackElements = 1000;
inline constexpr int kTrackFirstRow = 10;
inline constexpr float kTransitionMarker = 1000.0F;
inline constexpr float kNoCant = -9999.0F;
inline constexpr const char* kTrackInfoSheet = "Databaze_kolej";
inline constexpr int kUfSensors = 4;

// One row of "Databaze_kolej": straight track has BauCurve 0, a transition curve the
// marker 1000, a curve its curvature in 1/km.
struct TrackElement {
    double Start = 0.0;
    double End = 0.0;
    float BauCurve = 0.0F;
    float Cant = 0.0F;
    bool operator==(const TrackElement&) const = default;
};

// Reads the elements of a "Databaze_kolej" sheet from row 10 down to the first row whose
// columns D and E both hold no value above 0, at most 1000 of them. `changeSignum` turns
// right curves into left ones. A radius of 0 counts as straight and any other text than
// "G", "P" or a number skips its row, each with a warning line.
std::vector<TrackElement> readTrackElements(const SpreadsheetApp& app, const SheetHandle& sheet,
                                            bool changeSignum, std::vector<EvalLine>& lines);

// Opens the workbook file, reads its "Databaze_kolej" sheet and closes it unsaved. Nothing
// (with an error line) when the file is missing or cannot be read.
std::optional<std::vector<TrackElement>>
readTrackInfoFile(const std::string& path, bool changeSignum, std::vector<EvalLine>& lines);

// The design curvature along the kilometre samples K: each sample inside an element takes
// its BauCurve; every run of the transition marker with a sample before and after it
// becomes a straight ramp between its neighbours. Runs that touch either end of the
// signal keep the marker, since there is nothing to ramp from or to.
std::vector<float> drawBauCurve(std::span<const float> K, std::span<const TrackElement> elements);

// Puts the BauCurve along slot `kmSlot` into slot `dest` as the signal `name`: units
// "1/km", plotted, save divider 1, sampled at `fs`.
void BauCurveToSlot(SignalStore& store, int kmSlot, int dest, const std::string& name, double fs,
                    std::span<const TrackElement> elements);

// aligned = slope · (km − km₁) + km₁ + offset [m] / 1000, in double; km₁ is the first sample.
double alignedKm(double km, double km1, double slope, double offsetM);

// From km, To km and Rows of the track-information grid.
struct TrackInfoSummary {
    double fromKm = 0.0;
    double toKm = 0.0;
    int rows = 0;
};
TrackInfoSummary summarise(std::span<const TrackElement> elements);

// The inputs of the "Align km" page, kept in the settings group "Align_km".
struct AlignSettings {
    std::string curveName;   // Meas_Curve
    std::string trackKmName; // Meas_Track_km
    std::string mmToCurve = "1.0";
    bool changeSignum = false;
    std::array<std::string, kUfSensors> ufDist;  // metres, as typed; empty = no sensor
    std::array<std::string, kUfSensors> ufLabel; // part of the output names
    double slope = 1.0;
    double offsetM = 0.0;
    std::string forwardName = "Vpred";
    std::string backwardName = "Vzad";
    std::string trackInfoSubdir;
};
AlignSettings readAlignSettings(const SettingsBackend& s);
void writeAlignSettings(SettingsBackend& s, const AlignSettings& a);

// Where the alignment reads its signals from and reports to.
struct AlignIo {
    const ReaderTable& readers;
    LoadFormat format = LoadFormat::Morvanet;
    double defaultFs = 4000.0;
    char decimalSeparator = '.';
};

// Reads the files `names` (name + the format's extension, from `dir`) into slots 1, 2, …
// of a scratch store, the first signal of each file; they must agree in sample count and
// sampling frequency. False with an error line when one is missing or they differ.
bool loadSignalFiles(SignalStore& scratch, const AlignIo& io, const std::string& dir,
                     const std::vector<std::string>& names, std::vector<EvalLine>& lines);

struct AlignOpenRequest {
    std::string testPath;      // folder of the test's files
    std::string trackInfoFile; // full path of the track-information workbook
    AlignSettings settings;
};

struct AlignOpenResult {
    bool ok = false;
    std::vector<TrackElement> elements;
    TrackInfoSummary summary;
    std::vector<EvalLine> lines;
};

// "Open files": reads the curvature and kilometre files into slots 1 and 2 (the measured
// kilometre kept in slot 2's ProcData), scales the curvature, reads the track elements,
// aligns and draws "Align_BauCurve0" into slot 3. Everything is checked before the store
// is touched: on any failure the slots stay as they were.
AlignOpenResult openAlignment(SignalStore& store, const AlignIo& io, const AlignOpenRequest& req);

// Re-aligns slot 2 from its ProcData with slope and offset and draws slot 3 again; false
// when slot 2 holds no kilometre to align.
bool realign(SignalStore& store, double slope, double offsetM,
             std::span<const TrackElement> elements);

struct SaveAlignedRequest {
    std::string testPath;
    std::string level2; // path level 2 of the test: the running direction
    AlignSettings settings;
    SaveFormat format = SaveFormat::Morvanet;
    bool backup = false;
    double T1 = 0.0;
    double T2 = std::numeric_limits<double>::infinity();
    files::HeaderInfo header;
};

struct SaveAlignedResult {
    bool ok = false;
    int sensors = 0; // uf sensors whose signals were made
    int saved = 0;   // files written
    std::vector<EvalLine> lines;
};

// "Save aligned ": for every uf sensor with a distance, slots 2i+2 (its aligned kilometre)
// and 2i+3 (the BauCurve along it), both saved into the test folder.
SaveAlignedResult saveAligned(SignalStore& store, const SaveAlignedRequest& req,
                              std::span<const TrackElement> elements);

} // namespace mv
