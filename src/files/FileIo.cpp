#include "files/FileIo.h"

#include "core/Cp1250.h"
#include "core/Errors.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <exception>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace mv::files {

namespace {
std::string sysError(const std::string& what, const std::string& path) {
    return what + " " + path + ": " + std::strerror(errno);
}
} // namespace

FileHandle::FileHandle(const std::string& path, Mode mode) : path_(path) {
    int flags = O_RDONLY;
    if (mode == Mode::Create)
        flags = O_WRONLY | O_CREAT | O_TRUNC;
    else if (mode == Mode::Update)
        flags = O_WRONLY;
    fd_ = ::open(path.c_str(), flags | O_CLOEXEC, 0644);
    if (fd_ < 0)
        throw FileError(
            sysError(mode == Mode::Read ? "Cannot open file" : "Cannot write file", path));
}

FileHandle::~FileHandle() {
    if (fd_ >= 0)
        ::close(fd_);
}

void FileHandle::close() {
    if (fd_ < 0)
        return;
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0)
        throw FileError(sysError("Cannot write file", path_));
}

std::uint64_t FileHandle::size() const {
    struct stat st {};
    if (::fstat(fd_, &st) != 0)
        throw FileError(sysError("Cannot read file", path_));
    return static_cast<std::uint64_t>(st.st_size);
}

bool FileHandle::readAt(std::uint64_t offset, void* dst, std::size_t n) const {
    auto* p = static_cast<char*>(dst);
    // Large reads go in pieces the kernel copies in one go.
    constexpr std::size_t kChunk = std::size_t(1) << 30;
    while (n > 0) {
        const ssize_t r = ::pread(fd_, p, std::min(n, kChunk), static_cast<off_t>(offset));
        if (r < 0) {
            if (errno == EINTR)
                continue;
            throw FileError(sysError("Cannot read file", path_));
        }
        if (r == 0)
            return false;
        p += r;
        n -= static_cast<std::size_t>(r);
        offset += static_cast<std::uint64_t>(r);
    }
    return true;
}

bool FileHandle::readLargeAt(std::uint64_t offset, void* dst, std::size_t n) const {
    constexpr std::size_t kSplit = std::size_t(64) << 20;
    if (n < kSplit)
        return readAt(offset, dst, n);
    // The halves meet on a page boundary so no page is first touched by both threads.
    const std::size_t half = (n / 2) & ~std::size_t(4095);
    bool tailOk = false;
    std::exception_ptr tailError;
    std::thread tail([&] {
        try {
            tailOk = readAt(offset + half, static_cast<char*>(dst) + half, n - half);
        } catch (...) {
            tailError = std::current_exception();
        }
    });
    bool headOk = false;
    std::exception_ptr headError;
    try {
        headOk = readAt(offset, dst, half);
    } catch (...) {
        headError = std::current_exception();
    }
    tail.join();
    if (headError)
        std::rethrow_exception(headError);
    if (tailError)
        std::rethrow_exception(tailError);
    return headOk && tailOk;
}

void FileHandle::writeAt(std::uint64_t offset, const void* src, std::size_t n) {
    const auto* p = static_cast<const char*>(src);
    while (n > 0) {
        const ssize_t r = ::pwrite(fd_, p, n, static_cast<off_t>(offset));
        if (r < 0) {
            if (errno == EINTR)
                continue;
            throw FileError(sysError("Cannot write file", path_));
        }
        p += r;
        n -= static_cast<std::size_t>(r);
        offset += static_cast<std::uint64_t>(r);
    }
}

std::optional<FileHandle> openForReading(const std::string& path, ReadResult& read) {
    try {
        return std::optional<FileHandle>(std::in_place, path, FileHandle::Mode::Read);
    } catch (const FileError& e) {
        read.warn(e.what());
        return std::nullopt;
    }
}

std::optional<std::string> readWholeFile(const std::string& path, ReadResult& read) {
    auto f = openForReading(path, read);
    if (!f)
        return std::nullopt;
    std::string bytes = readWholeFile(*f);
    f->close();
    return bytes;
}

std::string readWholeFile(const FileHandle& f) {
    const std::uint64_t n = f.size();
    std::string s;
    s.resize(static_cast<std::size_t>(n));
    if (!f.readAt(0, s.data(), s.size()))
        throw FileError("Cannot read file " + f.path() + ": it became shorter while reading");
    return s;
}

void BufferedWriter::put(const void* p, std::size_t n) {
    const auto* c = static_cast<const char*>(p);
    while (n > 0) {
        if (fill_ == sizeof buf_)
            flush();
        const std::size_t k = std::min(n, sizeof buf_ - fill_);
        std::memcpy(buf_ + fill_, c, k);
        fill_ += k;
        c += k;
        n -= k;
    }
}

void BufferedWriter::flush() {
    if (fill_ == 0)
        return;
    f_.writeAt(pos_, buf_, fill_);
    pos_ += fill_;
    fill_ = 0;
}

std::string dirOf(const std::string& path) {
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    return parent.empty() ? std::string("./") : (parent / "").string();
}

std::string extOf(const std::string& path) {
    return std::filesystem::path(path).extension().string();
}

std::string stemOf(const std::string& path) {
    return std::filesystem::path(path).stem().string();
}

namespace {
// Plain decimals of at most 15 digits ("-123.4567"): the digits make an integer m that a
// double holds exactly, and m divided (or multiplied) by an exact power of ten is one
// correctly rounded operation, so the result is the one from_chars gives, bit for bit.
// Anything else (exponents, more digits, "inf", a lone ".") is left to from_chars.
bool plainDecimal(const char* b, const char* e, double& out) {
    static constexpr double kPow10[16] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                          1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    const bool negative = b < e && *b == '-';
    const char* p = b + (negative ? 1 : 0);
    std::uint64_t m = 0;
    int digits = 0, decimals = 0;
    while (p < e && *p >= '0' && *p <= '9') {
        m = m * 10 + std::uint64_t(*p++ - '0');
        ++digits;
    }
    if (digits == 0)
        return false;
    if (p < e && *p == '.') {
        ++p;
        while (p < e && *p >= '0' && *p <= '9') {
            m = m * 10 + std::uint64_t(*p++ - '0');
            ++decimals;
        }
        if (decimals == 0)
            return false;
    }
    if (p != e || digits + decimals > 15)
        return false;
    const double v = double(m) / kPow10[decimals];
    out = negative ? -v : v;
    return true;
}
} // namespace

bool parseNumber(std::string_view text, char sep, double& out) {
    std::string_view s = trimBlanks(text);
    if (!s.empty() && s.front() == '+') {
        s.remove_prefix(1);
        // "+-1" is not a number.
        if (!s.empty() && s.front() == '-')
            return false;
    }
    if (s.empty())
        return false;
    const char* b = s.data();
    const char* e = b + s.size();
    // Another separator: the text must not hold a '.', and its separator becomes one. The
    // copy goes to the stack; file readers call this once a line.
    char local[128];
    std::string heap;
    if (sep != '.' && std::memchr(b, sep, s.size())) {
        if (std::memchr(b, '.', s.size()))
            return false;
        char* dst = local;
        if (s.size() > sizeof local) {
            heap.assign(s);
            dst = heap.data();
        }
        for (std::size_t i = 0; i < s.size(); ++i)
            dst[i] = b[i] == sep ? '.' : b[i];
        b = dst;
        e = dst + s.size();
    } else if (sep != '.' && std::memchr(b, '.', s.size())) {
        return false;
    }
    if (plainDecimal(b, e, out))
        return true;
    double v = 0;
    const auto [p, ec] = std::from_chars(b, e, v);
    if (ec != std::errc() || p != e)
        return false;
    out = v;
    return true;
}

double toNumber(std::string_view text, char sep) {
    double v = 0.0;
    if (!parseNumber(text, sep, v))
        throw ConversionError("'" + std::string(text) + "' is not a valid floating point value");
    return v;
}

bool parseIntegerPart(std::string_view text, long long& out) {
    std::string_view s = trimBlanks(text);
    if (!s.empty() && s.front() == '+')
        s.remove_prefix(1);
    const auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && p != s.data();
}

bool LineCursor::next(std::string_view& line) {
    const std::size_t n = text_.size();
    std::size_t i = pos_;
    while (i < n && text_[i] != '\r' && text_[i] != '\n')
        ++i;
    if (i >= n)
        return false; // no line end: the rest is not a line
    line = text_.substr(pos_, i - pos_);
    pos_ = i + ((text_[i] == '\r' && i + 1 < n && text_[i + 1] == '\n') ? 2 : 1);
    ++number_;
    return true;
}

std::size_t countLines(std::string_view text) {
    // A line ends at every LF and at every CR not followed by an LF. Branch-free over
    // blocks, so the compiler counts many bytes a step.
    const auto* t = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    if (n == 0)
        return 0;
    std::size_t count = 0;
    constexpr std::size_t kBlock = std::size_t(1) << 16;
    for (std::size_t start = 0; start + 1 < n; start += kBlock) {
        const std::size_t end = std::min(start + kBlock, n - 1);
        std::uint32_t c = 0;
        for (std::size_t i = start; i < end; ++i)
            c += std::uint32_t(t[i] == '\n') |
                 (std::uint32_t(t[i] == '\r') & std::uint32_t(t[i + 1] != '\n'));
        count += c;
    }
    return count + (t[n - 1] == '\n' || t[n - 1] == '\r');
}

std::string zeroTerminated(std::string_view field) {
    const auto z = field.find('\0');
    return cp1250ToUtf8(field.substr(0, z));
}

} // namespace mv::files

#include <sys/mman.h>

namespace mv::files {
SampleBuffer allocateSamples(std::size_t n) {
    SampleBuffer b = SampleBuffer::allocate(n);
    constexpr std::size_t kHuge = std::size_t(2) << 20;
    if (n * sizeof(float) >= 4 * kHuge) {
        const auto begin = reinterpret_cast<std::uintptr_t>(b.data());
        const auto end = begin + n * sizeof(float);
        const std::uintptr_t a = (begin + kHuge - 1) & ~(kHuge - 1);
        const std::uintptr_t e = end & ~(kHuge - 1);
        // Only a hint: when the kernel declines, the buffer works the same.
        if (e > a)
            (void)::madvise(reinterpret_cast<void*>(a), e - a, MADV_HUGEPAGE);
    }
    return b;
}
} // namespace mv::files
