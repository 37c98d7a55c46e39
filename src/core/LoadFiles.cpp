#include "core/LoadFiles.h"

#include <charconv>
#include <filesystem>
#include <system_error>

namespace mv {

namespace {
template <std::size_t N>
int indexIn(const std::array<const char*, N>& names, std::string_view s) {
    for (std::size_t i = 0; i < N; ++i)
        if (s == names[i])
            return static_cast<int>(i);
    int v = -1;
    const auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec == std::errc() && p == s.data() + s.size() && v >= 0 && v < static_cast<int>(N))
        return v;
    return -1;
}
} // namespace

int loadFormatIndex(std::string_view s) {
    return indexIn(kLoadFormatNames, s);
}
int saveFormatIndex(std::string_view s) {
    return indexIn(kSaveFormatNames, s);
}

std::string joinPath(std::string_view dir, std::string_view name) {
    if (!name.empty() && name.front() == '/')
        return std::string(name);
    if (dir.empty())
        return std::string(name);
    std::string p(dir);
    if (p.back() != '/')
        p += '/';
    p += name;
    return p;
}

LoadResult LoadFiles(SignalStore& store, const ReaderTable& readers, const std::string& dir,
                     const std::vector<std::string>& names, int firstSlot, LoadFormat format,
                     const LoadContext& ctx, const LoadProgress& progress) {
    LoadResult result;
    const FormatReader& reader = readers.get(format);
    int slot = firstSlot;
    int done = 0;
    for (const auto& name : names) {
        // No room for the next file: stop without a message and without a redraw.
        if (slot < 1 || slot > kSlotCount)
            return result;
        const std::string path = joinPath(dir, name);
        std::error_code ec;
        if (!std::filesystem::is_regular_file(path, ec)) {
            ctx.log.warn("Soubor " + path + " nebyl nalezen");
        } else if (!reader) {
            ctx.log.warn(std::string("Load format \"") +
                         kLoadFormatNames[static_cast<int>(format)] +
                         "\" is not available in this build; " + path + " was not read");
        } else {
            const ReadOutcome out = reader(store, path, slot, ctx);
            result.filled += out.filled;
            slot += out.filled;
            if (out.stopLoad)
                return result;
        }
        ++done;
        if (progress)
            progress(done, static_cast<int>(names.size()));
    }
    result.completed = true;
    return result;
}

} // namespace mv
