#pragma once
// What a file reader hands back: the signals it decoded, built off to the side,
// and the lines it has to say about the file. Readers never touch the store; the
// load dispatcher installs their signals into slots in one place.
#include "core/Errors.h"
#include "core/FixedText.h"
#include "core/Log.h"
#include "core/SampleBuffer.h"
#include "core/SignalRecord.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace mv {

// One decoded signal: what a file can say about a signal, and its samples. The slot
// fields that follow from where the file lies (directory, extension, Plot) are set
// when the signal is installed.
struct DecodedSignal {
    double f_sampl = 0.0;
    std::int32_t ID = 0;
    FixedText<63> SigName;
    FixedText<31> Units;
    FixedText<254> Sens_type;
    FixedText<254> Sig_note;
    SampleBuffer Data;
};

// What a reader needs beyond the file itself.
struct ReadOptions {
    // Sampling frequency given to signals whose file carries none ("f process [Hz]").
    double defaultFs = 4000.0;
    // The user's decimal separator, for text formats that follow it.
    char decimalSeparator = '.';
    // Slots left from the target slot up to slot 200: a reader decodes at most this many
    // signals and asks to stop the load when its file holds more.
    int room = kSlotCount;
};

struct ReadResult {
    // In slot order: signal k goes to the target slot + k.
    std::vector<DecodedSignal> decoded;
    // Header lines and warnings, in the order the reader met them.
    std::vector<LogLine> log;
    // A format error (or more channels than slots) that stops the whole load.
    bool stopLoad = false;
    // A text that would not convert to a number: the signals are installed as decoded
    // (zeros after the point of failure) and the load then ends with this error.
    std::optional<ConversionError> failure;

    DecodedSignal& add() { return decoded.emplace_back(); }
    void info(std::string text) { log.push_back({std::move(text), false}); }
    void warn(std::string text) { log.push_back({std::move(text), true}); }
    // A file refused with a warning: no signal, the next file goes to the same slot.
    static ReadResult refused(std::string warning) {
        ReadResult r;
        r.warn(std::move(warning));
        return r;
    }
};

} // namespace mv
