#pragma once
// What every fuzz target shares: a scratch folder of its own process for the files a
// reader must open by path, and a check that stops the run with a message when a
// property fails (libFuzzer then keeps the input as a crash).
#include "core/SampleBuffer.h"
#include "core/SignalRecord.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <unistd.h>

namespace mv::fuzz {

[[noreturn]] inline void fail(const char* what, const char* file, int line) {
    std::fprintf(stderr, "fuzz property failed: %s (%s:%d)\n", what, file, line);
    std::fflush(stderr);
    std::abort();
}

#define MV_FUZZ_CHECK(cond)                                                                        \
    do {                                                                                           \
        if (!(cond))                                                                               \
            ::mv::fuzz::fail(#cond, __FILE__, __LINE__);                                           \
    } while (0)

// A folder under the temporary directory that belongs to this process alone, so that
// parallel fuzzing jobs never read each other's files. Removed at exit.
inline const std::filesystem::path& scratchDir() {
    static const std::filesystem::path dir = [] {
        const char* tmp = std::getenv("TMPDIR");
        // A name of fixed length: paths end up in messages, and a message of another length
        // is other coverage, which would make a smoke run differ from the last one.
        char name[32];
        std::snprintf(name, sizeof name, "mv-fuzz-%010d", static_cast<int>(::getpid()));
        std::filesystem::path d = std::filesystem::path(tmp && *tmp ? tmp : "/tmp") / name;
        std::filesystem::create_directories(d);
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(scratchDir(), ec);
        });
        return d;
    }();
    return dir;
}

inline std::string writeScratch(const std::string& name, std::string_view bytes) {
    const std::filesystem::path p = scratchDir() / name;
    std::ofstream(p, std::ios::binary | std::ios::trunc).write(bytes.data(), bytes.size());
    return p.string();
}

inline bool contains(std::string_view hay, std::string_view needle) {
    return hay.find(needle) != std::string_view::npos;
}

#ifdef MV_FUZZ_MARK_SAMPLES
// Some sample still holds the mark of a fresh buffer. A file may carry those very bits as a
// stored float, so the caller looks for them in the input before blaming the reader.
inline bool hasUnwrittenSample(const SampleBuffer& b) {
    for (std::size_t i = 0; i < b.size(); ++i)
        if (std::bit_cast<std::uint32_t>(b[i]) == kUnwrittenSampleBits)
            return true;
    return false;
}
inline bool inputHoldsMark(std::string_view input) {
    char le[4], be[4];
    std::memcpy(le, &kUnwrittenSampleBits, 4);
    for (int i = 0; i < 4; ++i)
        be[i] = le[3 - i];
    return contains(input, std::string_view(le, 4)) || contains(input, std::string_view(be, 4));
}
#endif

// What an installed signal must satisfy, whatever the file held.
inline void checkInstalled(const SignalRecord& r, std::string_view input) {
    MV_FUZZ_CHECK(std::isfinite(r.f_sampl) && r.f_sampl > 0.0);
    // A file may hold a header and no samples (an empty text file, a header-only native
    // file): the program loads such a signal, empty, and so may a reader.
    MV_FUZZ_CHECK(r.SampleCount >= 0);
    MV_FUZZ_CHECK(static_cast<std::size_t>(r.SampleCount) == r.Data.size());
#ifdef MV_FUZZ_MARK_SAMPLES
    // Text and integer formats can never produce the mark; binary float formats can copy it.
    MV_FUZZ_CHECK(!hasUnwrittenSample(r.Data) || inputHoldsMark(input));
#else
    (void)input;
#endif
}

} // namespace mv::fuzz
