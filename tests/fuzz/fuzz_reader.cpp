// One signal reader fed arbitrary bytes through the load dispatcher, as a user opening
// any file in that load format would. Built once per format (MV_FUZZ_FORMAT names it).
//
// What must hold: a refused file leaves the target slot as it was and says why in a
// log line; every installed signal has a finite positive rate, as many samples as its
// count says, none of them left unwritten; no slot past the filled ones changes.
#include "FuzzSupport.h"
#include "core/LoadFiles.h"
#include "files/Readers.h"

#include <cstddef>
#include <cstdint>

using namespace mv;

namespace {

constexpr LoadFormat kFormat = LoadFormat::MV_FUZZ_FORMAT;

// A signal the load must either replace or leave alone.
SignalRecord sentinel() {
    SignalRecord r;
    r.f_sampl = 123.0;
    r.SigName = "sentinel";
    SampleBuffer b = SampleBuffer::allocate(3);
    b[0] = 1.0f;
    b[1] = 2.0f;
    b[2] = 3.0f;
    r.setData(std::move(b));
    return r;
}

bool isSentinel(const SignalRecord& r) {
    return r.f_sampl == 123.0 && r.SigName == "sentinel" && r.SampleCount == 3 &&
           r.Data.size() == 3 && r.Data[0] == 1.0f && r.Data[1] == 2.0f && r.Data[2] == 3.0f;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    // The name matters to some formats (a PTI signal is named after its file).
    const std::string name = std::string("input") + MV_FUZZ_EXT;
    fuzz::writeScratch(name, input);

    static const ReaderTable readers = [] {
        ReaderTable t;
        files::installReaders(t);
        return t;
    }();
    // One store for the whole run: making 200 slots for each input would cost more
    // than most reads.
    static SignalStore* const shared = new SignalStore;
    SignalStore& store = *shared;
    store.ClearSlot(0);
    // Slot 2 is the target; slot 1 before it must never change.
    store.installSignal(1, sentinel());
    store.installSignal(2, sentinel());
    CaptureLog log;
    LoadContext ctx{log};
    // The last byte picks the user's decimal separator, which the text formats follow.
    ctx.decimalSeparator = (size > 0 && (data[size - 1] & 1)) ? ',' : '.';

    LoadResult r;
    bool threw = false;
    try {
        r = LoadFiles(store, readers, fuzz::scratchDir().string(), {name}, 2, kFormat, ctx);
    } catch (const ConversionError&) {
        // Signals decoded up to the bad number are installed; the load then ends.
        threw = true;
    }
    if (std::getenv("MV_FUZZ_DEBUG")) { // replaying one input: what happened
        std::fprintf(stderr, "filled %d threw %d\n", r.filled, int(threw));
        for (const LogLine& l : log.lines)
            std::fprintf(stderr, "%s %s\n", l.warning ? "W" : "I", l.text.c_str());
        for (int s = 1; s <= 4; ++s)
            std::fprintf(stderr, "slot %d: %d samples at %g '%s'\n", s, store[s].SampleCount,
                         store[s].f_sampl, store[s].SigName.str().c_str());
    }
    MV_FUZZ_CHECK(isSentinel(store[1]));
    int filled = r.filled;
    if (threw) {
        filled = 0;
        while (2 + filled <= kSlotCount && store[2 + filled].occupied() &&
               !(filled == 0 && isSentinel(store[2])))
            ++filled;
    }
    if (filled == 0) {
        MV_FUZZ_CHECK(isSentinel(store[2]));
        // A number that does not convert may also end the load as an error, whose text
        // the user sees instead of a log line.
        MV_FUZZ_CHECK(!log.lines.empty() || threw);
    }
    for (int s = 2; s < 2 + filled; ++s)
        fuzz::checkInstalled(store[s], input);
    for (int s = 2 + filled; s <= kSlotCount; ++s)
        MV_FUZZ_CHECK(s == 2 ? isSentinel(store[s]) : !store[s].occupied());
    return 0;
}
