#pragma once
// Little helpers of the file tests: byte builders for fixtures and a store with
// the readers installed.
#include "core/LoadFiles.h"
#include "files/Readers.h"
#include "support/ByteBuilder.h"
#include "support/TestSupport.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>
#include <zlib.h>

namespace mv::test {

template <class T>
T at(const std::string& bytes, std::size_t off) {
    T v;
    std::memcpy(&v, bytes.data() + off, sizeof(T));
    return v;
}

// One load of files (names relative to dir) in a format, with the real readers.
struct Loader {
    SignalStore store;
    CaptureLog log;
    ReaderTable readers;
    char sep = '.';
    double fProcess = 4000.0;
    Loader() { files::installReaders(readers); }
    LoadResult load(const TempDir& dir, const std::vector<std::string>& names, LoadFormat f,
                    int slot = 1) {
        LoadContext ctx{log, fProcess, sep};
        return LoadFiles(store, readers, dir.dir(), names, slot, f, ctx);
    }
    std::vector<float> samples(int slot) const {
        const auto sp = store[slot].Data.span();
        return {sp.begin(), sp.end()};
    }
};

// A record with samples 1, 2, 3, ... n (or the given values).
inline SignalRecord makeRecord(const std::string& name, double fs, std::vector<float> v) {
    SignalRecord r;
    r.SigName = name;
    r.f_sampl = fs;
    r.setData(SampleBuffer::allocate(v.size()));
    for (std::size_t i = 0; i < v.size(); ++i)
        r.Data[i] = v[i];
    return r;
}
inline std::vector<float> ramp(int n, float start = 1.0f) {
    std::vector<float> v(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        v[static_cast<std::size_t>(i)] = start + static_cast<float>(i);
    return v;
}

inline std::vector<float> floatsOf(const std::string& bytes, std::size_t from) {
    std::vector<float> v((bytes.size() - from) / 4);
    if (!v.empty())
        std::memcpy(v.data(), bytes.data() + from, v.size() * 4);
    return v;
}

// A MAT-file with its first element packed into a miCOMPRESSED element, as Matlab's -v7,
// Octave's -v7 and scipy's do_compression write it (the caller links zlib).
inline std::string compressedMat(const std::string& plain) {
    const std::string element = plain.substr(128);
    uLongf n = compressBound(element.size());
    std::string z(n, '\0');
    if (compress(reinterpret_cast<Bytef*>(z.data()), &n,
                 reinterpret_cast<const Bytef*>(element.data()), element.size()) != Z_OK)
        return {};
    z.resize(n);
    Bytes f;
    f.text(plain.substr(0, 128)).put<std::uint32_t>(15).put<std::uint32_t>(std::uint32_t(z.size()));
    return f.text(z).s;
}

} // namespace mv::test
