#pragma once
// Small pieces every reader and writer of signal files shares: an owned file
// descriptor with bounded reads, the slot preparation that all readers do, the
// user's number conversion, and little-endian access to byte buffers.
#include "core/Log.h"
#include "core/ReadResult.h"
#include "core/TextNumbers.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

namespace mv::files {

static_assert(std::endian::native == std::endian::little,
              "signal files are little-endian and are read in place");

// A file opened for reading or writing; closed when it goes out of scope.
class FileHandle {
public:
    enum class Mode { Read, Create, Update };
    FileHandle() = default;
    // Throws FileError when the file cannot be opened.
    FileHandle(const std::string& path, Mode mode);
    ~FileHandle();
    FileHandle(FileHandle&& o) noexcept : fd_(o.fd_), path_(std::move(o.path_)) { o.fd_ = -1; }
    FileHandle& operator=(FileHandle&&) = delete;
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    std::uint64_t size() const;
    // Reads exactly n bytes at the offset; false when the file ends first.
    bool readAt(std::uint64_t offset, void* dst, std::size_t n) const;
    // The same for a large read into fresh memory: the kernel zeroes every new page it
    // hands out, and two threads do that (and the copy) side by side.
    bool readLargeAt(std::uint64_t offset, void* dst, std::size_t n) const;
    // Writes all n bytes at the offset; throws FileError on failure.
    void writeAt(std::uint64_t offset, const void* src, std::size_t n);
    void close(); // throws FileError when the final close reports an error
    const std::string& path() const { return path_; }

private:
    int fd_ = -1;
    std::string path_;
};

// Opens a file for reading, reporting a failure as a warning of the read instead of
// throwing.
std::optional<FileHandle> openForReading(const std::string& path, ReadResult& read);

// The whole file in memory; throws FileError when it cannot be read.
std::string readWholeFile(const FileHandle& f);
// Opens, reads whole and closes; nothing (after a warning) when it cannot be opened.
std::optional<std::string> readWholeFile(const std::string& path, ReadResult& read);

// Buffers sequential writes into larger blocks.
class BufferedWriter {
public:
    BufferedWriter(FileHandle& f, std::uint64_t startOffset) : f_(f), pos_(startOffset) {}
    ~BufferedWriter() = default;
    void put(const void* p, std::size_t n);
    void put(std::string_view s) { put(s.data(), s.size()); }
    void flush();
    std::uint64_t position() const { return pos_ + fill_; }

private:
    FileHandle& f_;
    std::uint64_t pos_;
    std::size_t fill_ = 0;
    char buf_[1 << 16];
};

// Path pieces: the directory with its trailing '/', the extension with its dot,
// the file name without directory and extension.
std::string dirOf(const std::string& path);
std::string extOf(const std::string& path);
std::string stemOf(const std::string& path);

// The user's number conversion: optional spaces around, optional sign, digits with
// the given decimal separator, optional exponent. The other separator is refused.
bool parseNumber(std::string_view text, char decimalSeparator, double& out);
// The same, throwing ConversionError "'text' is not a valid floating point value".
double toNumber(std::string_view text, char decimalSeparator);
// Leading integer of a text ("2048.000" -> 2048); false when it has no digits.
bool parseIntegerPart(std::string_view text, long long& out);

// Lines of a text file: a line ends at CR LF, at a lone CR or at a lone LF; text
// after the last line end is not a line.
class LineCursor {
public:
    explicit LineCursor(std::string_view text) : text_(text) {}
    bool next(std::string_view& line);
    std::size_t lineNumber() const { return number_; }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
    std::size_t number_ = 0;
};
std::size_t countLines(std::string_view text);

template <class T>
T loadLE(const void* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
template <class T>
void storeLE(void* p, T v) {
    std::memcpy(p, &v, sizeof v);
}

// A bounded view into a byte buffer: reads outside it give false instead of bytes.
struct ByteView {
    const unsigned char* data = nullptr;
    std::size_t size = 0;
    ByteView() = default;
    ByteView(const void* p, std::size_t n) : data(static_cast<const unsigned char*>(p)), size(n) {}
    explicit ByteView(std::string_view s) : ByteView(s.data(), s.size()) {}
    bool has(std::size_t offset, std::size_t n) const {
        return offset <= size && n <= size - offset;
    }
    template <class T>
    bool get(std::size_t offset, T& v) const {
        if (!has(offset, sizeof(T)))
            return false;
        v = loadLE<T>(data + offset);
        return true;
    }
    std::string_view text(std::size_t offset, std::size_t n) const {
        if (offset > size)
            return {};
        return {reinterpret_cast<const char*>(data + offset), std::min(n, size - offset)};
    }
};

// Text of a zero-terminated 8-bit field (up to its first zero byte or its end), in UTF-8.
std::string zeroTerminated(std::string_view field);

} // namespace mv::files

namespace mv::files {
// A buffer of n samples for a reader to fill; large ones ask the kernel for huge
// pages, which makes first touch of a several-hundred-megabyte signal much cheaper.
SampleBuffer allocateSamples(std::size_t n);
} // namespace mv::files
