#include "files/SaveSlot.h"

#include "core/TimeWindow.h"
#include "files/MatFile.h"
#include "files/NativeFile.h"
#include "files/TextFiles.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>

namespace mv::files {

namespace {
constexpr const char* kExt[kSaveFormatCount] = {".mvn", ".mat", ".txt", ".dat"};

bool exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

// Moves a file to a new name that must not exist yet: an existing backup is never
// overwritten, so the older copy survives.
bool moveNoReplace(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // File systems without the no-replace rename: a hard link fails when the name exists.
    if (::link(from.c_str(), to.c_str()) != 0)
        return false;
    return ::unlink(from.c_str()) == 0;
}

bool appendable(SaveFormat f) {
    return f == SaveFormat::Ascii || f == SaveFormat::SingleIeee754;
}

void refuseAppend(SaveFormat f, Log& log) {
    log.warn(std::string(kSaveFormatNames[static_cast<int>(f)]) +
             " is not supported format for append.");
}
} // namespace

const char* saveExtension(SaveFormat f) {
    return kExt[static_cast<int>(f)];
}

std::string backupName(const std::string& path) {
    const auto slash = path.rfind('/');
    const auto dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash) ||
        dot + 1 == path.size())
        return path + "0";
    std::string b = path;
    b.back() = '0';
    return b;
}

std::string fileNameOf(const std::string& sigName) {
    std::string n = sigName;
    for (char& c : n)
        if (c == '/' || c == '\0')
            c = '_';
    return n;
}

SaveStatus SaveSlot(const SignalStore& store, int slot, double T1, double T2, int saveDiv,
                    const std::string& dir, SaveFormat format, bool append, bool backup,
                    const SaveContext& ctx) {
    if (saveDiv <= 0)
        return SaveStatus::NotSaved;
    // Appending a native or MAT file would mean replacing it: the user's file is kept.
    if (append && !appendable(format)) {
        refuseAppend(format, ctx.log);
        return SaveStatus::Refused;
    }
    const SignalRecord& rec = store[slot];
    const std::string path = dir + fileNameOf(rec.SigName) + saveExtension(format);
    if (append && !exists(path)) {
        ctx.log.warn("Can not append. File: " + path + " not found ! ");
        return SaveStatus::NotFound;
    }
    const SampleRange range =
        windowToSamples(T1, T2, rec.f_sampl, static_cast<std::int64_t>(rec.Data.size()));
    if (range.empty()) {
        ctx.log.warn("Signal " + rec.SigName.str() + " has no samples in the window " +
                     std::to_string(T1) + " .. " + std::to_string(T2) + " s. File " + path +
                     " not written");
        return SaveStatus::EmptyWindow;
    }
    if (backup && exists(path)) {
        const std::string b = backupName(path);
        if (!moveNoReplace(path, b)) {
            ctx.log.warn("Can not create next backup file " + b + ". File " + path +
                         " not created");
            return SaveStatus::BackupFailed;
        }
    }
    std::string line;
    switch (format) {
    case SaveFormat::Morvanet:
        writeNative(path, rec, range, saveDiv, ctx.header);
        line = "File " + path + " created.    ";
        break;
    case SaveFormat::MatlabV6:
        writeMat(path, rec, range, saveDiv, ctx.header);
        line = "File " + path + " created.    ";
        break;
    case SaveFormat::Ascii:
        writeAscii(path, rec, range, saveDiv, append);
        line = "Signal appended to file: " + path;
        break;
    case SaveFormat::SingleIeee754:
        writeRaw(path, rec, range, saveDiv, append);
        line = "File " + path + " created.";
        break;
    }
    ctx.log.info(line);
    if (ctx.processEvents)
        ctx.processEvents();
    return SaveStatus::Written;
}

SaveStatus saveSignalToActualDir(const SignalStore& store, int slot, const std::string& actualDir,
                                 double T1, double T2, SaveFormat format, bool backup,
                                 const SaveContext& ctx) {
    const SignalRecord& rec = store[slot];
    if (rec.SaveDiv == 0) {
        ctx.log.warn("First set f_export !  Signal " + rec.SigName.str() + " not saved");
        return SaveStatus::NotSaved;
    }
    return SaveSlot(store, slot, T1, T2, rec.SaveDiv, actualDir, format, false, backup, ctx);
}

int saveSignals(const SignalStore& store, std::string dir, double T1, double T2, SaveFormat format,
                bool append, bool backup, const SaveContext& ctx) {
    if (append && !appendable(format)) {
        refuseAppend(format, ctx.log);
        return 0;
    }
    // A cancelled folder dialog gives no directory: nothing is saved, silently.
    if (dir.empty())
        return 0;
    if (dir.back() != '/')
        dir += '/';
    std::error_code ec;
    if (!std::filesystem::is_directory(dir, ec))
        return 0;
    int written = 0;
    for (int s = 1; s <= kSlotCount; ++s) {
        const SignalRecord& rec = store[s];
        if (!rec.occupied())
            continue;
        if (SaveSlot(store, s, T1, T2, rec.SaveDiv, dir, format, append, backup && !append, ctx) ==
            SaveStatus::Written)
            ++written;
    }
    return written;
}

} // namespace mv::files
