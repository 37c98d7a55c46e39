#pragma once
// One slot of the signal store: a signal's description and its samples.
#include "core/FixedText.h"
#include "core/SampleBuffer.h"

#include <cstdint>

namespace mv {

inline constexpr int kSlotCount = 200;
inline constexpr int kDefaultDecPlaces = 4;

// Colours are 0x00BBGGRR, as the pick list and the settings keep them.
using Colour = std::uint32_t;

struct SignalRecord {
    double f_sampl = 0.0;
    std::int32_t ID = 0;
    FixedText<63> SigName;
    FixedText<31> Units;
    FixedText<254> Sens_type;
    FixedText<254> Sig_note;
    FixedText<15> FileExt;
    std::int32_t SampleCount = 0;
    std::int32_t SaveDiv = 0;
    // Directory the signal was read from, with a trailing '/'; empty for computed signals.
    FixedText<255> SigDir;
    double TimeOffset = 0.0;
    bool Plot = false;
    bool ProcFn = false;
    bool Ovr = false;
    Colour SigColor = 0;
    std::int32_t DecPlaces = kDefaultDecPlaces;
    SampleBuffer Data;
    // Second buffer of function-chain processing and some computed signals; empty = none.
    SampleBuffer ProcData;
    // The samples were computed or changed here (processing, generator, fill, an edited
    // value) and no save of this slot has written them since; closing asks first.
    bool Unsaved = false;

    bool occupied() const { return SampleCount != 0; }

    // Hands the samples to the record; SampleCount follows the buffer.
    void setData(SampleBuffer samples) {
        Data = std::move(samples);
        SampleCount = static_cast<std::int32_t>(Data.size());
    }

    // Empties the signal: samples, description and save divider. Colour, decimal
    // places, ProcFn and Ovr are settings of the slot and stay.
    void clearSignal() {
        Data.reset();
        ProcData.reset();
        SampleCount = 0;
        SaveDiv = 0;
        f_sampl = 0.0;
        ID = 0;
        TimeOffset = 0.0;
        Plot = false;
        SigName.clear();
        Units.clear();
        Sens_type.clear();
        Sig_note.clear();
        FileExt.clear();
        SigDir.clear();
        Unsaved = false;
    }

    // Copies every descriptive field, not the samples, not the slot settings
    // (colour, decimal places).
    void copyDescriptionFrom(const SignalRecord& o) {
        f_sampl = o.f_sampl;
        ID = o.ID;
        SigName = o.SigName;
        Units = o.Units;
        Sens_type = o.Sens_type;
        Sig_note = o.Sig_note;
        FileExt = o.FileExt;
        SaveDiv = o.SaveDiv;
        SigDir = o.SigDir;
        TimeOffset = o.TimeOffset;
        Plot = o.Plot;
        ProcFn = o.ProcFn;
        Ovr = o.Ovr;
    }

    // Time of sample k (1-based).
    double timeOf(std::int64_t k) const { return TimeOffset + double(k - 1) / f_sampl; }
};

} // namespace mv
