// The function-chain text parser: up to four lines of text attached as the steps Fn1..Fn4
// of a short signal, which is then processed.
//
// What must hold: a text that is refused leaves its step at fnNone; an accepted step
// writes a text that attaches again to the same text; processing either refuses with
// the signal untouched or yields a signal with a finite positive rate and as many
// samples as its count says, none left unwritten.
#include "FuzzSupport.h"
#include "core/Log.h"
#include "core/SignalStore.h"
#include "processing/MV_func.h"

#include <cmath>
#include <cstddef>
#include <cstdint>

using namespace mv;

namespace {

// Short signals keep processing at hundreds of runs a second; a chain's faults show on
// a few hundred samples as well as on millions.
constexpr int kSamples = 600;
constexpr double kRate = 1000.0;

struct ChainState {
    SignalStore store;
    FnSlots fnSlots; // built once: the catalogue is costly
};

void fillSlot(ChainState& ws, int slot, double freq) {
    SignalRecord r;
    r.f_sampl = kRate;
    r.SigName = "s" + std::to_string(slot);
    SampleBuffer b = SampleBuffer::allocate(kSamples);
    for (int i = 0; i < kSamples; ++i)
        b[std::size_t(i)] = float(std::sin(freq * i / kRate) * 5.0 + (i % 50 == 0 ? 9.0 : 0.0));
    r.setData(std::move(b));
    ws.store.installSignal(slot, std::move(r));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    static ChainState* const ws = new ChainState;
    for (int s = 1; s <= 4; ++s)
        for (int step = Fn1; step <= Fn4; ++step)
            FnSlotReset(ws->fnSlots, s, step);
    ws->store.ClearSlot(0);
    // Slots 1..3 hold signals (2 and 3 serve as auxiliary signals of a step).
    for (int s = 1; s <= 3; ++s)
        fillSlot(*ws, s, 7.0 * s);
    ProcessContext ctx{ws->store, ws->fnSlots};
    NullLog log;

    std::size_t pos = 0;
    for (int step = Fn1; step <= Fn4 && pos <= input.size(); ++step) {
        std::size_t eol = input.find('\n', pos);
        if (eol == std::string_view::npos)
            eol = input.size();
        const std::string_view text = input.substr(pos, eol - pos);
        pos = eol + 1;
        if (!FnAttach(ctx, 1, step, text, log)) {
            MV_FUZZ_CHECK(ws->fnSlots(1, step).FnTyp == fnNone);
            continue;
        }
        // What an accepted step writes attaches again, to the same text.
        const std::string written = FnSlotText(ws->fnSlots, 1, step);
        if (written.empty())
            continue; // too long for the text column; nothing to read back
        std::string why;
        MV_FUZZ_CHECK(FnAttach(ctx, 4, step, written, log, &why));
        MV_FUZZ_CHECK(FnSlotText(ws->fnSlots, 4, step) == written);
    }

    ws->store[1].ProcFn = true;
    const ProcessResult r = ProcessSignal(ctx, 1, 0.0, kSamples / kRate, false, false, log);
    if (r.status == ProcessStatus::Done) {
        MV_FUZZ_CHECK(SignalStore::validSlot(r.resultSlot));
        fuzz::checkInstalled(ws->store[r.resultSlot], {});
    }
    const SignalRecord& source = ws->store[1];
    MV_FUZZ_CHECK(source.SampleCount == kSamples && source.f_sampl == kRate);
    return 0;
}
