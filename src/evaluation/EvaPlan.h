#pragma once
// What an EvaLog workbook says about a bulk run, read once in its preparation: the
// measured, computed and auxiliary signal tables, the user conditions, the zone list.
// Workers only read it, so any number of them share one plan.
#include "evaluation/EvalLine.h"
#include "evaluation/workbook/SpreadsheetApp.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace mv {

inline constexpr int kMaxMeasured = 128;
inline constexpr int kMaxComputed = 128;
inline constexpr int kZoneCount = 7;      // zone 7 holds the transition curves
inline constexpr int kZoneSheetCount = 6; // sheets "Zone1" .. "Zone6"

struct SigEntry {
    std::string Name; // file name without extension
    std::string Units;
    bool Plot = false;
    int SaveDiv = 0;
    bool Zeroing = false; // uf_mm only
};

enum class CompOp : std::uint8_t { Add, Sub, Mul, Div };

struct CompSigEntry {
    std::string Name;
    std::string Units;
    int Sig1 = 0; // slot
    CompOp Operation = CompOp::Add;
    int Sig2 = 0; // slot, 0 = none
    float Slope1 = 1.0F;
    float Slope2 = 1.0F;
    std::string HighPass, LowPass;                    // cut-off texts; empty = none
    std::string StepMode, StepAverLength, StepLength; // used when all three are filled
    float Offset = 0.0F;
    bool Zeroing = false;
    bool Plot = false;
    int SaveDiv = 0;
    // The chain of the computed signal's slot in its text form, one per step Fn1..Fn4
    // ("" = no function), built from the catalogue's own defaults.
    std::array<std::string, 4> chain;
};

struct ZoneEntry {
    std::string Name; // "Zone" + z
    std::array<float, 8> P{};
};

struct EvaPlan {
    std::string Ident;
    bool full = false;                     // Ident is exactly "EN14363_BauCurve"
    int M = 0;                             // measured signals: slots 1..M
    int C = 0;                             // computed signals: slots M+1..M+C
    int S = 0;                             // speed slot M+C+1, 0 without a speed signal
    std::array<std::string, 4> conditions; // Dir_Condition, Dir_Direction, Dir_Speed, Dir_Track
    std::vector<SigEntry> measured;
    std::vector<CompSigEntry> computed;
    SigEntry speed, trackKm, drop, ufMm, curve;
    std::array<ZoneEntry, kZoneCount> zones;
    std::string sectionListFile; // `SectionListFile`
    std::string logFolder;       // folder of the Log workbook, no trailing "/"
    std::string logName;         // file name of the Log workbook, for saved headers
};

// A cell as its text: a text as it stands, a number in its shortest form ("100", "0.5"),
// anything else empty.
std::string cellText(const CellValue& v);

// The signal tables of the EvaLog's PARAM sheet into `plan`: the counts, the user
// conditions, the speed entry, the measured and computed tables and, for the full
// evaluation (plan.full), the auxiliary entries and the section-list name. False with the
// error lines that end the run.
bool readSignalTables(SpreadsheetApp& app, const SheetHandle& param, EvaPlan& plan,
                      std::vector<EvalLine>& lines);

// The chain texts of a computed entry, built from the catalogue's built-in defaults.
std::string filterChainText(bool highPass, const std::string& f1);
std::string stepAverChainText(int speedSlot, const std::string& mode, const std::string& averLength,
                              const std::string& stepLength);

} // namespace mv
