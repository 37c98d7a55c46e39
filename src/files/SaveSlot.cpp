#include "files/SaveSlot.h"

#include "core/Errors.h"
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
#include <unistd.h>
#include <vector>

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

void refuseFormat(SaveFormat f, Log& log) {
    log.warn("Save file format " + std::to_string(static_cast<int>(f)) +
             " is not one of Morvanet, Matlab -v6, ASCII, Single IEEE754; nothing was saved");
}

// A name beside the target that no file has yet.
std::string freshTempName(const std::string& path) {
    for (int n = 0;; ++n) {
        std::string t = path + ".saving-" + std::to_string(::getpid()) + "-" + std::to_string(n);
        if (!exists(t))
            return t;
    }
}

// A new file is written under a temporary name and renamed over the target only when it
// is complete: a full disk or a failing device never costs the user the old file.
template <class Write>
void writeReplacing(const std::string& path, Write&& write) {
    const std::string tmp = freshTempName(path);
    try {
        write(tmp);
        if (::rename(tmp.c_str(), path.c_str()) != 0)
            throw FileError("Cannot write file " + path + ": " + std::strerror(errno));
    } catch (...) {
        ::unlink(tmp.c_str());
        throw;
    }
}

// Appending: a failed write cuts the file back to the length it had.
template <class Write>
void appendRestoring(const std::string& path, Write&& write) {
    struct stat st {};
    const bool known = ::stat(path.c_str(), &st) == 0;
    try {
        write(path);
    } catch (...) {
        if (known)
            (void)::truncate(path.c_str(), st.st_size);
        throw;
    }
}
} // namespace

bool validSaveFormat(SaveFormat f) {
    const int i = static_cast<int>(f);
    return i >= 0 && i < kSaveFormatCount;
}

const char* saveExtension(SaveFormat f) {
    return validSaveFormat(f) ? kExt[static_cast<int>(f)] : "";
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

SaveStatus SaveSlot(const SignalStore& store, const SaveRequest& req, const SaveContext& ctx) {
    // A format outside the list writes nothing, so it must not look like a save.
    if (!validSaveFormat(req.format)) {
        refuseFormat(req.format, ctx.log);
        return SaveStatus::Refused;
    }
    const SignalRecord& rec = store[req.slot];
    const int saveDiv = req.saveDiv.value_or(rec.SaveDiv);
    if (saveDiv <= 0)
        return SaveStatus::NotSaved;
    // Appending a native or MAT file would mean replacing it: the user's file is kept.
    if (req.append && !appendable(req.format)) {
        refuseAppend(req.format, ctx.log);
        return SaveStatus::Refused;
    }
    const std::string path =
        (std::filesystem::path(req.dir) / (fileNameOf(rec.SigName) + saveExtension(req.format)))
            .string();
    if (req.append && !exists(path)) {
        ctx.log.warn("Can not append. File: " + path + " not found ! ");
        return SaveStatus::NotFound;
    }
    const SampleRange range =
        windowToSamples(req.T1, req.T2, rec.f_sampl, static_cast<std::int64_t>(rec.Data.size()));
    if (range.empty()) {
        ctx.log.warn("Signal " + rec.SigName.str() + " has no samples in the window " +
                     std::to_string(req.T1) + " .. " + std::to_string(req.T2) + " s. File " + path +
                     " not written");
        return SaveStatus::EmptyWindow;
    }
    if (req.backup && exists(path)) {
        const std::string b = backupName(path);
        if (!moveNoReplace(path, b)) {
            ctx.log.warn("Can not create next backup file " + b + ". File " + path +
                         " not created");
            return SaveStatus::BackupFailed;
        }
    }
    std::string line;
    switch (req.format) {
    case SaveFormat::Morvanet:
        writeReplacing(
            path, [&](const std::string& p) { writeNative(p, rec, range, saveDiv, ctx.header); });
        line = "File " + path + " created.    ";
        break;
    case SaveFormat::MatlabV6:
        writeReplacing(path,
                       [&](const std::string& p) { writeMat(p, rec, range, saveDiv, ctx.header); });
        line = "File " + path + " created.    ";
        break;
    case SaveFormat::Ascii:
    case SaveFormat::SingleIeee754: {
        const auto write = [&](const std::string& p) {
            if (req.format == SaveFormat::Ascii)
                writeAscii(p, rec, range, saveDiv, req.append);
            else
                writeRaw(p, rec, range, saveDiv, req.append);
        };
        if (req.append)
            appendRestoring(path, write);
        else
            writeReplacing(path, write);
        line = req.format == SaveFormat::Ascii ? "Signal appended to file: " + path
                                               : "File " + path + " created.";
        break;
    }
    }
    ctx.log.info(line);
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
    SaveRequest req;
    req.slot = slot;
    req.T1 = T1;
    req.T2 = T2;
    req.dir = actualDir;
    req.format = format;
    req.backup = backup;
    const SaveStatus st = SaveSlot(store, req, ctx);
    ctx.progress.report(1.0, rec.SigName.str());
    return st;
}

int saveSignals(const SignalStore& store, std::string dir, double T1, double T2, SaveFormat format,
                bool append, bool backup, const SaveContext& ctx) {
    if (!validSaveFormat(format)) {
        refuseFormat(format, ctx.log);
        return 0;
    }
    if (append && !appendable(format)) {
        refuseAppend(format, ctx.log);
        return 0;
    }
    // A cancelled folder dialog gives no directory: nothing is saved, silently.
    if (dir.empty())
        return 0;
    std::error_code ec;
    if (!std::filesystem::is_directory(dir, ec))
        return 0;
    std::vector<int> slots;
    for (int s = 1; s <= kSlotCount; ++s)
        if (store[s].occupied() && store[s].SaveDiv > 0)
            slots.push_back(s);
    int written = 0;
    for (std::size_t k = 0; k < slots.size(); ++k) {
        // A cancel takes effect between files: each file is either as before or complete.
        if (ctx.progress.cancelled())
            break;
        SaveRequest req;
        req.slot = slots[k];
        req.T1 = T1;
        req.T2 = T2;
        req.dir = dir;
        req.format = format;
        req.append = append;
        req.backup = backup && !append;
        if (SaveSlot(store, req, ctx) == SaveStatus::Written)
            ++written;
        ctx.progress.report(double(k + 1) / double(slots.size()), store[slots[k]].SigName.str());
    }
    return written;
}

} // namespace mv::files
