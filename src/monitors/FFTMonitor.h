#pragma once
// The FFT monitor: the display values of an averaged spectrum, its columns in a
// polygraph's plot, the RMS readouts and the text a spectrum is copied as.
#include "fft/FFTrec.h"
#include "monitors/PolyGrafUnit.h"

#include <span>
#include <string>
#include <vector>

namespace mv {

// 2e-5 Pa: the reference pressure of every dB here. A power quantity (PSD) refers to its
// square.
inline constexpr double kRefPressure = 2e-5;

// Disp[k] of lines 0..N from the engine's averages for spectrum type 0..4 ("LS", "PS",
// "LSD", "PSD", "PSD dB" in dB re (20 uPa)^2/Hz; 1 where the average is 0).
void computeDisp(TFFTrec& e, int spectType);

// The column pairs of one spectrum over a plot W columns wide showing xmin..xmax Hz;
// returns the high warning (a shown value above limitMax).
bool spectrumColumns(std::span<const double> disp, double df, float xmin, float xmax, float xslope,
                     float limitMax, std::span<ColumnPair> cols);

// "%.3f  " of the level and "%.2f  " of its dB re 20 uPa ("0" for a level of 0).
std::string rmsText(double level);
std::string rmsDbText(double level);

// The copy of one series' spectrum: heading, then one line per spectrum line 0..N.
std::string spectrumCopyText(TFFTrec& e, int spectType, const std::string& sigName,
                             const std::string& units);

} // namespace mv
