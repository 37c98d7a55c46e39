#pragma once
// Rainflow counting in three stages: turning points with a hysteresis, the counting pass
// over a list of turning points with markers for stopped flows, and the classification
// of each half cycle into a matrix of mean classes x range classes.
#include "core/Log.h"

#include <cstdint>
#include <list>
#include <span>
#include <utility>
#include <vector>

namespace mv {

enum class RainflowKind : std::uint8_t { Valley, Peak, Marker };

struct TRainflowNode {
    double Value = 0.0;
    RainflowKind Kind = RainflowKind::Valley;
    bool operator==(const TRainflowNode&) const = default;
};

// The list the counting pass consumes from its head; the order is the order in time.
using RainflowList = std::list<TRainflowNode>;

// The class parameters of the parameter sheet.
struct RainflowParams {
    int nA = 0;    // range classes (matrix columns); class 0 never receives counts
    int nM = 0;    // mean classes (matrix rows)
    double Em = 0; // span of the means, centred on 0
    double Ea = 0; // exclusive upper limit of the top range class
    // The hysteresis of the turning-point search: one mean class wide.
    double hysteresis() const { return Em / nM; }
};

// nM x nA counters, row = mean class, column = range class, indexes from 0.
class CountMatrix {
public:
    CountMatrix() = default;
    CountMatrix(int rows, int cols)
        : rows_(rows), cols_(cols), c_(static_cast<size_t>(rows) * static_cast<size_t>(cols)) {}
    int rows() const { return rows_; }
    int cols() const { return cols_; }
    std::int64_t& at(int i, int j) {
        return c_[static_cast<size_t>(i) * static_cast<size_t>(cols_) + static_cast<size_t>(j)];
    }
    std::int64_t at(int i, int j) const {
        return c_[static_cast<size_t>(i) * static_cast<size_t>(cols_) + static_cast<size_t>(j)];
    }
    void zero() { std::fill(c_.begin(), c_.end(), 0); }
    std::int64_t total() const;

private:
    int rows_ = 0;
    int cols_ = 0;
    std::vector<std::int64_t> c_;
};

using HalfCycle = std::pair<double, double>; // from value a to value b

inline constexpr const char* kWrongParameters = "Wrong parameters RaiFlow";

// Turning points of the window's samples with hysteresis h: the first sample as head,
// the confirmed peaks and valleys, the last sample as tail. An empty window gives an
// empty list.
RainflowList ExtractTurningPoints(std::span<const float> window, double h);

// Classifies the half cycle a -> b and counts it. Outside the classes (also for values
// that are not finite) it logs "Wrong parameters RaiFlow" as an error and counts nothing.
bool CountHalfCycle(double a, double b, const RainflowParams& p, CountMatrix& m, Log& log);

// The counting pass: consumes the list and counts every half cycle into the matrix;
// false, with the rest of the list dropped, when a half cycle is outside the classes.
// `trace`, when given, receives the half cycles in the order they are counted.
bool RainflowCount(RainflowList& list, const RainflowParams& p, CountMatrix& m, Log& log,
                   std::vector<HalfCycle>* trace = nullptr);

// The half cycles of the counting pass alone, without classes (for tests and the
// command line).
std::vector<HalfCycle> RainflowHalfCycles(RainflowList list);

} // namespace mv
