// The settings file parser fed any text, as a settings file edited by hand may hold.
//
// What must hold: whatever it parses, the file it writes reads back to the same values
// (the program's own settings and every raw entry), and writing that again changes
// nothing: a session that opens and saves settings never alters what they mean.
#include "FuzzSupport.h"
#include "core/IniSettings.h"
#include "core/Settings.h"
#include "core/SignalStore.h"

#include <cstddef>
#include <cstdint>

using namespace mv;

namespace {

// Every setting the program reads at start, in its own written form.
std::map<std::string, std::string> programValues(const IniSettings& ini) {
    MemorySettings out;
    MainSettings m;
    readMainAtCreate(ini, m);
    readMainAtActivation(ini, m);
    writeMain(out, m);
    writeWindowPos(out, readWindowPos(ini));
    writeDevFn(out, readDevFn(ini));
    static SignalStore* const store = new SignalStore; // slots are costly to make
    readSlotSettings(ini, *store);
    writeSlotSettings(out, *store);
    return out.values;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const IniSettings first = IniSettings::parse(input);
    const std::string written = first.text();
    const IniSettings second = IniSettings::parse(written);
    MV_FUZZ_CHECK(second.text() == written);
    MV_FUZZ_CHECK(programValues(first) == programValues(second));
    return 0;
}
