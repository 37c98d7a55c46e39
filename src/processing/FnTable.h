#pragma once
// The catalogue of processing functions: names, parameters, items, defaults,
// descriptions and flags, in catalogue order.
#include "core/FixedText.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace mv {

enum TFnTyp : std::int32_t {
    fnNone = 0,
    fnAmplitude,
    fnBandPass,
    fnCalc,
    fnDistance,
    fnDrop,
    fnFilter,
    fnFilter0,
    fnGate,
    fnGener,
    fnIncrem_AB,
    fnInvSig,
    fnMath,
    fnMinMax,
    fnMirror,
    fnMovAver,
    fnPeriod,
    fnSpeed,
    fnSPL,
    fnStepAver,
    fnTriStateReg,
    fnWork,
    fnZeroing,
};
inline constexpr int kFnTypeCount = 23;

// The four chain steps of a signal.
enum TFnNo : std::int32_t { Fn1 = 0, Fn2, Fn3, Fn4 };
inline constexpr int kFnStepCount = 4;

enum TFnParTyp : std::int32_t { fpInteger = 0, fpFloat, fpString, fpList, fpSigNo };

inline constexpr int kFnMaxPar = 10;
inline constexpr int kFnMaxItems = 15;
inline constexpr int kFnMaxAux = 7;

struct TFnParDef {
    FixedText<32> Name;
    TFnParTyp Kind = fpInteger;
    std::int32_t HighItem = 0; // fpList: item count - 1
    std::array<FixedText<32>, kFnMaxItems> Items;
    FixedText<32> DefaultText; // replaced by every accepted value
};

struct TFnSlot;
struct FnRunContext;
using TFnRun = void (*)(TFnSlot& slot, const FnRunContext& ctx);

inline constexpr std::uint8_t kFnFlagBlockwise = 1; // informational
inline constexpr std::uint8_t kFnFlagPickList = 2;  // offered in the pick list

struct TFnDef {
    TFnRun Run = nullptr;
    std::int32_t ParCount = 0;
    FixedText<32> Name;
    FixedText<255> Description;
    std::uint8_t Flags = 0;
    std::array<TFnParDef, kFnMaxPar + 1> Par; // 1-based; Par[0] unused
};

using TFnTable = std::array<TFnDef, kFnTypeCount>;

// The catalogue with every default at its first value.
TFnTable BuildFnTable();

// Type whose Name equals `name` exactly, scanning from fnNone upwards; -1 when none does.
int fnTypeByName(const TFnTable& table, std::string_view name);

// The entries of the function pick list: every type with the pick-list flag, in
// catalogue order (the first is fnNone with its empty name).
std::vector<TFnTyp> FnPickList(const TFnTable& table);

} // namespace mv
