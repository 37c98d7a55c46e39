// The settings file parser fed any text, as a settings file edited by hand may hold.
//
// What must hold: whatever it parses, the file it writes reads back to the same values
// (every key, and the program's main settings as it takes them), and writing that again changes
// nothing: a session that opens and saves settings never alters what they mean.
#include "FuzzSupport.h"
#include "core/IniSettings.h"
#include "core/Settings.h"

#include <cstddef>
#include <cstdint>

using namespace mv;

namespace {

// The main settings as the program takes them at start. Every other typed setting is a
// function of read(key) as well, which the harness compares key by key.
std::map<std::string, std::string> mainValues(const IniSettings& ini) {
    MemorySettings out;
    MainSettings m;
    readMainAtCreate(ini, m);
    readMainAtActivation(ini, m);
    writeMain(out, m);
    return out.values;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const IniSettings first = IniSettings::parse(input);
    const std::string written = first.text();
    const IniSettings second = IniSettings::parse(written);
    if (std::getenv("MV_FUZZ_DEBUG")) // replaying one input: both texts
        std::fprintf(stderr, "--- written\n%s--- read back and written\n%s---\n", written.c_str(),
                     second.text().c_str());
    // The same keys with the same values; the text may differ in layout the first time
    // (a key "A/B" of [General] is written as B in [A]), never after that.
    MV_FUZZ_CHECK(first.keys() == second.keys());
    for (const std::string& key : first.keys()) {
        MV_FUZZ_CHECK(first.read(key) == second.read(key));
        MV_FUZZ_CHECK(first.readBytes(key) == second.readBytes(key));
    }
    MV_FUZZ_CHECK(mainValues(first) == mainValues(second));
    MV_FUZZ_CHECK(IniSettings::parse(second.text()).text() == second.text());
    return 0;
}
