#include "processing/FnColumnsAdapter.h"

namespace mv {

namespace {
bool validStep(int slot, int step) {
    return SignalStore::validSlot(slot) && step >= 0 && step < kFnStepCount;
}
} // namespace

std::string ChainFnColumns::stepName(int slot, int step) const {
    if (!validStep(slot, step))
        return {};
    return view_.fnSlots.FnTable[view_.fnSlots(slot, step).FnTyp].Name.str();
}

std::string ChainFnColumns::stepText(int slot, int step) const {
    if (!validStep(slot, step))
        return {};
    return FnSlotText(view_.fnSlots, slot, step, kFnTextMax, view_.decimalSeparator);
}

bool ChainFnColumns::attach(int slot, int step, std::string_view text) {
    if (!validStep(slot, step))
        return false;
    return FnAttach(view_.processContext(), slot, step, text, log_);
}

bool ChainFnColumns::hasFunction(int slot) const {
    if (!SignalStore::validSlot(slot))
        return false;
    for (int k = 0; k < kFnStepCount; ++k)
        if (view_.fnSlots(slot, k).FnTyp != fnNone)
            return true;
    return false;
}

std::vector<std::string> ChainFnColumns::pickNames() const {
    std::vector<std::string> names;
    for (const TFnTyp t : FnPickList(view_.fnSlots.FnTable))
        names.push_back(view_.fnSlots.FnTable[t].Name.str());
    return names;
}

std::string ChainFnColumns::defaultText(std::string_view name) const {
    const int t = fnTypeByName(view_.fnSlots.FnTable, name);
    if (t <= 0)
        return {};
    const FnText ft = FnPickText(view_.processContext(), static_cast<TFnTyp>(t));
    return ft.ok ? ft.text : std::string();
}

std::string ChainFnColumns::description(int slot, int step) const {
    if (!validStep(slot, step))
        return {};
    return view_.fnSlots.FnTable[view_.fnSlots(slot, step).FnTyp].Description.str();
}

std::vector<FnParamInfo> ChainFnColumns::params(int slot, int step) const {
    std::vector<FnParamInfo> out;
    if (!validStep(slot, step))
        return out;
    const TFnSlot& s = view_.fnSlots(slot, step);
    const TFnDef& d = view_.fnSlots.FnTable[s.FnTyp];
    for (int k = 1; k <= d.ParCount; ++k) {
        const TFnParDef& p = d.Par[std::size_t(k)];
        FnParamInfo info;
        info.name = p.Name.str();
        info.isList = p.Kind == fpList;
        if (info.isList) {
            for (int i = 0; i <= p.HighItem && i < kFnMaxItems; ++i)
                info.items.push_back(p.Items[std::size_t(i)].str());
            info.listIndex = s.ParVal[std::size_t(s.FnTyp)][std::size_t(k)].i;
        } else {
            info.text = FnParamText(view_.fnSlots, slot, step, k, view_.decimalSeparator);
        }
        out.push_back(std::move(info));
    }
    return out;
}

bool ChainFnColumns::setParam(int slot, int step, int k, std::string_view text) {
    if (!validStep(slot, step))
        return false;
    const TFnTyp t = view_.fnSlots(slot, step).FnTyp;
    if (FnSetParam(view_.processContext(), slot, step, t, k, text, log_) != FnParamStatus::Accepted)
        return false;
    FnSlotReset(view_.fnSlots, slot, step);
    return true;
}

void ChainFnColumns::processWindow(double t1, double t2,
                                   const std::function<std::optional<double>(int)>& lowerGraphMean,
                                   Log& log) {
    ProcessOptions opts;
    opts.lowerGraphMean = lowerGraphMean;
    opts.progress = progress_;
    ProcessAllSignals(view_.processContext(), t1, t2, view_.settings.KeepOrigSigName, log, opts);
}

void ChainFnColumns::deleteAllFunctions() {
    DeleteAllFunctions(view_.processContext(), log_);
}

} // namespace mv
