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
    return (std::filesystem::path(dir) / std::filesystem::path(name)).string();
}

namespace {
// The slot record of a decoded signal read from `path`: directory, extension, Plot on,
// no save divider, no offset, no processing buffer.
SignalRecord recordOf(DecodedSignal&& d, const std::string& path) {
    const std::filesystem::path p(path);
    SignalRecord r;
    r.f_sampl = d.f_sampl;
    r.ID = d.ID;
    r.SigName = d.SigName;
    r.Units = d.Units;
    r.Sens_type = d.Sens_type;
    r.Sig_note = d.Sig_note;
    r.setData(std::move(d.Data));
    r.FileExt = p.extension().string();
    // The directory keeps its trailing separator, as the actual directory does.
    const std::filesystem::path parent = p.parent_path();
    r.SigDir = parent.empty() ? std::string("./") : (parent / "").string();
    r.Plot = true;
    r.SaveDiv = 0;
    r.TimeOffset = 0.0;
    return r;
}
} // namespace

InstallResult installRead(SignalStore& store, ReadResult&& read, const std::string& path, int slot,
                          Log& log) {
    for (const LogLine& line : read.log)
        log.add(line.text, line.warning);
    InstallResult out;
    out.stopLoad = read.stopLoad;
    for (DecodedSignal& d : read.decoded) {
        const int target = slot + out.filled;
        // No slot beyond 200, whatever a reader hands back: the load stops there.
        if (!SignalStore::validSlot(target)) {
            out.stopLoad = true;
            break;
        }
        store.installSignal(target, recordOf(std::move(d), path));
        ++out.filled;
    }
    if (read.failure)
        throw *read.failure;
    return out;
}

LoadResult LoadFiles(SignalStore& store, const ReaderTable& readers, const std::string& dir,
                     const std::vector<std::string>& names, int firstSlot, LoadFormat format,
                     const LoadContext& ctx) {
    LoadResult result;
    const FormatReader& reader = readers.get(format);
    int slot = firstSlot;
    int done = 0;
    const double total = static_cast<double>(names.size());
    for (const auto& name : names) {
        // A cancel takes effect between files: every slot is as before or complete.
        if (ctx.progress.cancelled()) {
            result.cancelled = true;
            return result;
        }
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
            const ReadOptions opt{ctx.defaultFs, ctx.decimalSeparator, kSlotCount - slot + 1};
            const InstallResult out = installRead(store, reader(path, opt), path, slot, ctx.log);
            result.filled += out.filled;
            slot += out.filled;
            if (out.stopLoad)
                return result;
        }
        ++done;
        ctx.progress.report(done / total, path);
    }
    result.completed = true;
    return result;
}

const char* loadFileExtension(LoadFormat f) {
    switch (f) {
    case LoadFormat::Morvanet:
        return ".mvn";
    case LoadFormat::MatlabV6:
        return ".mat";
    case LoadFormat::Ascii:
        return ".txt";
    case LoadFormat::SingleIeee754:
        return ".dat";
    default:
        return "";
    }
}

} // namespace mv
