#pragma once
// The processing-function chains as the Signal table sees them.
#include "core/FnColumns.h"
#include "core/Progress.h"
#include "core/Settings.h"
#include "core/SignalStore.h"
#include "processing/MV_func.h"

namespace mv {

// What the Signal table's function columns reach: the slots, their chains, the settings
// that steer processing (f process, KeepOrigSigName) and the user's decimal separator.
// The references stay valid for the life of the columns; the values are read at each use.
struct ChainsView {
    SignalStore& store;
    FnSlots& fnSlots;
    const MainSettings& settings;
    const char& decimalSeparator;

    ProcessContext processContext() const { return {store, fnSlots, settings.dfltSampl_f}; }
};

class ChainFnColumns final : public FnColumnsPort {
public:
    ChainFnColumns(const ChainsView& view, Log& log) : view_(view), log_(log) {}
    std::string stepName(int slot, int step) const override;
    std::string stepText(int slot, int step) const override;
    bool attach(int slot, int step, std::string_view text) override;
    bool hasFunction(int slot) const override;
    std::vector<std::string> pickNames() const override;
    std::string defaultText(std::string_view name) const override;
    std::string description(int slot, int step) const override;
    std::vector<FnParamInfo> params(int slot, int step) const override;
    bool setParam(int slot, int step, int k, std::string_view text) override;
    void processWindow(double t1, double t2,
                       const std::function<std::optional<double>(int)>& lowerGraphMean,
                       Log& log) override;
    void deleteAllFunctions() override;

    // Where processing a window reports and learns of a cancel (none by default).
    void setProgress(Progress* p) { progress_ = p; }

private:
    ChainsView view_;
    Log& log_;
    Progress* progress_ = nullptr;
};

} // namespace mv
