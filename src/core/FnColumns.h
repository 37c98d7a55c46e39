#pragma once
// What the Signal table needs of the processing-function chains: the four
// function columns, the pick list, the parameter grid and the processing
// commands. The processing subsystem implements it; the table only asks.
#include "core/Log.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mv {

inline constexpr int kFnSteps = 4;

// One parameter of a step's function as the parameter grid shows it.
struct FnParamInfo {
    std::string name;
    bool isList = false;
    std::vector<std::string> items; // list parameters: the item names
    int listIndex = 0;              // list parameters: the current item
    std::string text;               // other parameters: the value as text
};

class FnColumnsPort {
public:
    virtual ~FnColumnsPort() = default;
    // Name of the function of (slot, step 0..3); empty for none.
    virtual std::string stepName(int slot, int step) const = 0;
    // Text form of the function with its current values.
    virtual std::string stepText(int slot, int step) const = 0;
    // Makes the text form the function of the step; false (and no function) on failure.
    virtual bool attach(int slot, int step, std::string_view text) = 0;
    // At least one of the four steps holds a function.
    virtual bool hasFunction(int slot) const = 0;
    // Names offered in the pick list, catalogue order, the empty name first.
    virtual std::vector<std::string> pickNames() const = 0;
    // Text form of the named function with its default values; empty for none.
    virtual std::string defaultText(std::string_view name) const = 0;
    // Description of the step's function (status bar).
    virtual std::string description(int slot, int step) const = 0;
    virtual std::vector<FnParamInfo> params(int slot, int step) const = 0;
    // Sets parameter k (1-based) from a value text; on success the step's state is reset.
    virtual bool setParam(int slot, int step, int k, std::string_view text) = 0;
    // Processes every slot with ProcFn set and a function over the window t1..t2;
    // `lowerGraphMean` gives the window mean of a signal in the lower graph.
    virtual void processWindow(double t1, double t2,
                               const std::function<std::optional<double>(int)>& lowerGraphMean,
                               Log& log) = 0;
    // Removes every function of every slot (the table clears the flags itself).
    virtual void deleteAllFunctions() = 0;
};

// Stands in while no processing engine is attached: no functions at all.
class NoFnColumns final : public FnColumnsPort {
public:
    std::string stepName(int, int) const override { return {}; }
    std::string stepText(int, int) const override { return {}; }
    bool attach(int, int, std::string_view text) override { return text.empty(); }
    bool hasFunction(int) const override { return false; }
    std::vector<std::string> pickNames() const override { return {""}; }
    std::string defaultText(std::string_view) const override { return {}; }
    std::string description(int, int) const override { return {}; }
    std::vector<FnParamInfo> params(int, int) const override { return {}; }
    bool setParam(int, int, int, std::string_view) override { return false; }
    void processWindow(double, double, const std::function<std::optional<double>(int)>&,
                       Log&) override {}
    void deleteAllFunctions() override {}
};

} // namespace mv
