#include "files/MatFile.h"

#include "core/Cp1250.h"
#include "files/FileIo.h"
#include "files/NativeFile.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <vector>
#include <zlib.h>

namespace mv::files {

using namespace mat;

namespace {

constexpr std::size_t pad8(std::size_t n) {
    return (n + 7) / 8 * 8;
}

// Appends elements to the header buffer; every field element follows one fixed pattern.
class HeaderBuilder {
public:
    explicit HeaderBuilder(std::array<unsigned char, 1024>& b) : b_(b) {}
    std::size_t pos = 0;
    void u32(std::uint32_t v) {
        storeLE(b_.data() + pos, v);
        pos += 4;
    }
    void i32(std::int32_t v) {
        storeLE(b_.data() + pos, v);
        pos += 4;
    }
    void tag(std::uint32_t type, std::uint32_t bytes) {
        u32(type);
        u32(bytes);
    }
    void bytes(const void* p, std::size_t n, std::size_t room) {
        std::memcpy(b_.data() + pos, p, n);
        pos += room;
    }
    // tag + flags + dims + empty name; the real-part tag and data follow.
    void fieldStart(std::uint32_t byteCount, std::uint8_t cls, std::int32_t d1, std::int32_t d2) {
        tag(miMATRIX, byteCount);
        tag(miUINT32, 8);
        u32(cls);
        u32(0);
        tag(miINT32, 8);
        i32(d1);
        i32(d2);
        tag(miINT8, 0);
    }
    void textField(const std::string& t) {
        const auto L = static_cast<std::uint32_t>(t.size());
        fieldStart(static_cast<std::uint32_t>(48 + pad8(L)), mxCHAR, 1,
                   static_cast<std::int32_t>(L));
        tag(miUTF8, L);
        bytes(t.data(), L, pad8(L));
    }

private:
    std::array<unsigned char, 1024>& b_;
};

// Cuts the texts so that their padded lengths fit the room before the samples.
void fitTexts(std::string& units, std::string& sens, std::string& note) {
    auto total = [&] { return pad8(units.size()) + pad8(sens.size()) + pad8(note.size()); };
    for (std::string* t : {&note, &sens, &units}) {
        while (total() > kTextRoom && !t->empty()) {
            const std::size_t over = total() - kTextRoom;
            t->resize(t->size() > over ? t->size() - over : 0);
        }
    }
}

std::size_t typeSize(std::uint32_t type) {
    switch (type) {
    case miINT8:
    case miUINT8:
        return 1;
    case miINT16:
    case miUINT16:
        return 2;
    case miINT32:
    case miUINT32:
    case miSINGLE:
        return 4;
    case miDOUBLE:
    case miINT64:
    case miUINT64:
        return 8;
    default:
        return 0;
    }
}

template <class T>
void convertTo(const unsigned char* src, float* dst, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i)
        dst[i] = static_cast<float>(loadLE<T>(src + i * sizeof(T)));
}

void convert(std::uint32_t type, const unsigned char* src, float* dst, std::size_t n) {
    switch (type) {
    case miINT8:
        return convertTo<std::int8_t>(src, dst, n);
    case miUINT8:
        return convertTo<std::uint8_t>(src, dst, n);
    case miINT16:
        return convertTo<std::int16_t>(src, dst, n);
    case miUINT16:
        return convertTo<std::uint16_t>(src, dst, n);
    case miINT32:
        return convertTo<std::int32_t>(src, dst, n);
    case miUINT32:
        return convertTo<std::uint32_t>(src, dst, n);
    case miSINGLE:
        return convertTo<float>(src, dst, n);
    case miDOUBLE:
        return convertTo<double>(src, dst, n);
    case miINT64:
        return convertTo<std::int64_t>(src, dst, n);
    case miUINT64:
        return convertTo<std::uint64_t>(src, dst, n);
    default:
        return;
    }
}

// Reads inside the first element only, from the file or from its inflated copy in
// memory; everything is checked against its end.
class Element {
public:
    Element(const FileHandle& f, std::uint64_t base, std::uint64_t length)
        : f_(&f), base_(base), length_(length) {}
    Element(const unsigned char* mem, std::uint64_t length) : mem_(mem), length_(length) {}
    bool has(std::uint64_t off, std::uint64_t n) const {
        return off <= length_ && n <= length_ - off;
    }
    template <class T>
    bool get(std::uint64_t off, T& v) const {
        return read(off, &v, sizeof(T));
    }
    bool read(std::uint64_t off, void* dst, std::size_t n) const {
        if (!has(off, n))
            return false;
        if (mem_) {
            std::memcpy(dst, mem_ + off, n);
            return true;
        }
        return f_->readAt(base_ + off, dst, n);
    }
    std::string text(std::uint64_t off, std::size_t n) const {
        std::string s(n, '\0');
        if (!read(off, s.data(), n))
            return {};
        return s;
    }

private:
    const FileHandle* f_ = nullptr;
    const unsigned char* mem_ = nullptr;
    std::uint64_t base_ = 0;
    std::uint64_t length_;
};

struct Rejection {
    const char* suffix;
};

constexpr Rejection kDamaged{" is damaged: a part of it lies outside the file"};

// Reads n values of the given type from the element into the buffer, in pieces so a
// long vector of doubles never needs a second full-size copy.
bool readValues(const Element& e, std::uint64_t off, std::uint32_t type, float* dst,
                std::size_t n) {
    const std::size_t w = typeSize(type);
    if (type == miSINGLE)
        return e.read(off, dst, n * 4);
    std::vector<unsigned char> buf(std::min<std::size_t>(n, 1 << 17) * w);
    std::size_t done = 0;
    while (done < n) {
        const std::size_t k = std::min(n - done, buf.size() / w);
        if (!e.read(off + done * w, buf.data(), k * w))
            return false;
        convert(type, buf.data(), dst + done, k);
        done += k;
    }
    return true;
}

} // namespace

std::size_t buildMatStructHeader(std::array<unsigned char, 1024>& out, const SignalRecord& rec,
                                 double fsWritten, std::int32_t fileId, std::int64_t n) {
    out.fill(0);
    std::string units = utf8ToCp1250(rec.Units.str());
    std::string sens = utf8ToCp1250(rec.Sens_type.str());
    std::string note = utf8ToCp1250(rec.Sig_note.str());
    fitTexts(units, sens, note);

    const std::uint64_t dataBytes = pad8(static_cast<std::uint64_t>(n) * 4);
    HeaderBuilder h(out);
    h.tag(miMATRIX, static_cast<std::uint32_t>(888 + dataBytes));
    h.tag(miUINT32, 8);
    h.u32(mxSTRUCT);
    h.u32(0);
    h.tag(miINT32, 8);
    h.i32(1);
    h.i32(1);
    // The array name carries its own length (Matlab, Octave and scipy show trailing zero
    // bytes as part of the name); the padding field below takes up what it leaves.
    std::string name = utf8ToCp1250(rec.SigName.str());
    name.resize(std::min<std::size_t>(name.size(), 63));
    h.tag(miINT8, static_cast<std::uint32_t>(name.size()));
    h.bytes(name.data(), name.size(), pad8(name.size()));
    h.u32(miINT32 | (4u << 16)); // field-name length as a small element
    h.u32(16);
    h.tag(miINT8, 128);
    static const char* const kFields[8] = {"f_sampl",   "f_proc",   "ID",      "Units",
                                           "Sens_type", "Sig_note", "Padding", "Data"};
    for (const char* f : kFields)
        h.bytes(f, std::strlen(f), 16);

    h.fieldStart(56, mxDOUBLE, 1, 1);
    h.tag(miDOUBLE, 8);
    h.bytes(&fsWritten, 8, 8);
    const double fProc = 0.0;
    h.fieldStart(56, mxDOUBLE, 1, 1);
    h.tag(miDOUBLE, 8);
    h.bytes(&fProc, 8, 8);
    h.fieldStart(56, mxINT32, 1, 1);
    h.tag(miINT32, 4);
    h.bytes(&fileId, 4, 8);
    h.textField(units);
    h.textField(sens);
    h.textField(note);
    // The padding field ends where the Data field must start so the samples land at 1024.
    const std::size_t P = 784 - h.pos;
    h.textField(std::string(P, ' '));
    h.fieldStart(static_cast<std::uint32_t>(48 + dataBytes), mxSINGLE, static_cast<std::int32_t>(n),
                 1);
    h.tag(miSINGLE, static_cast<std::uint32_t>(n * 4));
    return h.pos;
}

void writeMat(const std::string& path, const SignalRecord& rec, SampleRange range, int step,
              const HeaderInfo& info) {
    range.last = std::min<std::int64_t>(range.last, static_cast<std::int64_t>(rec.Data.size()));
    const std::int64_t n = range.empty() ? 0 : (range.last - range.first) / step + 1;
    std::array<unsigned char, 1024> structure;
    const std::size_t len =
        buildMatStructHeader(structure, rec, rec.f_sampl / step, info.fileId, n);
    const auto text = buildTextHeader(info);

    FileHandle f(path, FileHandle::Mode::Create);
    f.writeAt(0, text.data(), text.size());
    f.writeAt(kTextHeaderSize, structure.data(), len);
    const std::int64_t written = writeSelectedSamples(f, 1024, rec, range, step);
    if (written % 2 != 0) {
        const std::uint32_t zero = 0;
        f.writeAt(1024 + static_cast<std::uint64_t>(written) * 4, &zero, 4);
    }
    f.close();
}

namespace {

constexpr const char* kBadDeflate = " is compressed and its compressed data is damaged";

// The element packed in a miCOMPRESSED element, inflated into memory. The matrix element
// inside names its own length; that length is checked against what deflate can make of
// the compressed bytes (at most 1032 bytes from one) before memory is asked for, the
// buffer's pages are touched only as inflated bytes arrive, and the stream must deliver
// every byte it announced.
struct Inflated {
    std::unique_ptr<unsigned char[]> bytes;
    std::uint64_t length = 0;
};

class Inflater {
public:
    Inflater(const FileHandle& f, std::uint64_t offset, std::uint64_t packed)
        : f_(f), next_(offset), left_(packed),
          in_(static_cast<std::size_t>(std::min<std::uint64_t>(packed, 1 << 20))) {
        ok_ = inflateInit(&z_) == Z_OK;
    }
    ~Inflater() {
        if (ok_)
            inflateEnd(&z_);
    }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;

    // Exactly n inflated bytes into dst; false when the stream is damaged or ends first.
    bool take(unsigned char* dst, std::uint64_t n) {
        while (n > 0) {
            const auto room = static_cast<uInt>(std::min<std::uint64_t>(n, 1u << 30));
            int rc = Z_OK;
            if (!step(dst, room, rc))
                return false;
            const std::uint64_t made = room - z_.avail_out;
            dst += made;
            n -= made;
            if (rc == Z_STREAM_END)
                return n == 0;
        }
        return ok_;
    }

    // True when the stream ends right here, its checksum confirming what it delivered.
    bool ended() {
        for (;;) {
            unsigned char extra = 0;
            int rc = Z_OK;
            if (!step(&extra, 1, rc) || z_.avail_out == 0)
                return false; // damaged, or more bytes than the element announced
            if (rc == Z_STREAM_END)
                return true;
        }
    }

private:
    // One call of inflate into [dst, dst + room), with more compressed bytes read first when
    // it has used up what it had; false when the stream is damaged or cannot go on.
    bool step(unsigned char* dst, uInt room, int& rc) {
        if (!ok_)
            return false;
        if (z_.avail_in == 0 && left_ > 0) {
            const auto k = static_cast<std::size_t>(std::min<std::uint64_t>(left_, in_.size()));
            if (!f_.readAt(next_, in_.data(), k))
                return false;
            next_ += k;
            left_ -= k;
            z_.next_in = in_.data();
            z_.avail_in = static_cast<uInt>(k);
        }
        z_.next_out = dst;
        z_.avail_out = room;
        rc = inflate(&z_, Z_NO_FLUSH);
        // No progress is possible only when the compressed bytes have run out.
        return rc == Z_OK || rc == Z_STREAM_END ||
               (rc == Z_BUF_ERROR && z_.avail_in == 0 && left_ > 0);
    }

    const FileHandle& f_;
    std::uint64_t next_;
    std::uint64_t left_;
    std::vector<unsigned char> in_;
    z_stream z_{};
    bool ok_ = false;
};

// nullptr when the element was inflated, else the suffix of the rejection.
const char* inflateFirstElement(const FileHandle& f, std::uint64_t offset, std::uint64_t packed,
                                Inflated& out) {
    Inflater z(f, offset, packed);
    unsigned char tag[8];
    if (!z.take(tag, sizeof tag))
        return kBadDeflate;
    if (loadLE<std::uint32_t>(tag) != miMATRIX)
        return " is not Matrix";
    const std::uint64_t length = std::uint64_t(loadLE<std::uint32_t>(tag + 4)) + 8;
    constexpr std::uint64_t kMostPerByte = 1032;
    if (length > packed * kMostPerByte + 64)
        return kBadDeflate;
    out.bytes.reset(new (std::nothrow) unsigned char[length]);
    if (!out.bytes)
        return " is too large to be inflated in memory";
    std::memcpy(out.bytes.get(), tag, sizeof tag);
    if (!z.take(out.bytes.get() + sizeof tag, length - sizeof tag) || !z.ended())
        return kBadDeflate;
    out.length = length;
    return nullptr;
}

// Version 0x0200 in the header text block, which is what makes the library read a file
// as HDF5. Any other version is a level-5 file, whatever bytes lie at 512: the library
// would read it with its own level-5 reader, which believes the sizes in the file (a
// 600-byte file made it allocate a gigabyte); ours checks them.
bool isMat73(const char* head) {
    return loadLE<std::uint16_t>(head + 124) == 0x0200;
}

// The HDF5 signature that follows the 512-byte user block of a version 7.3 file.
bool hasHdf5Signature(const FileHandle& f, std::uint64_t size) {
    char sig[8];
    return size >= 520 && f.readAt(512, sig, 8) && std::memcmp(sig, "\x89HDF\r\n\x1a\n", 8) == 0;
}

ReadResult decodeMatrix(const Element& e, const char* head, const std::string& path,
                        const ReadOptions& opt);

} // namespace

ReadResult readMat(const std::string& path, const ReadOptions& opt) {
    ReadResult out;
    auto f = openForReading(path, out);
    if (!f)
        return out;
    const std::string prefix = "Matlab file: " + path;
    // Every rejection leaves the target slot as it was: nothing is installed.
    const auto reject = [&](const char* suffix) { return ReadResult::refused(prefix + suffix); };
    const std::uint64_t size = f->size();
    char head[136];
    if (size < sizeof head || !f->readAt(0, head, sizeof head))
        return reject(" is too short for a MAT-file");
    if (isMat73(head)) {
        if (!hasHdf5Signature(*f, size))
            return reject(" is a MAT-file of version 7.3 (HDF5) that cannot be opened");
        return readMat73(path, size, opt);
    }
    const auto type0 = loadLE<std::uint32_t>(head + 128);
    const std::uint64_t length = std::uint64_t(loadLE<std::uint32_t>(head + 132)) + 8;
    if (length > size - 128)
        return reject(type0 == miCOMPRESSED ? kBadDeflate : kDamaged.suffix);
    if (type0 == miCOMPRESSED) {
        Inflated inflated;
        if (const char* why = inflateFirstElement(*f, 136, length - 8, inflated))
            return reject(why);
        f->close();
        return decodeMatrix(Element(inflated.bytes.get(), inflated.length), head, path, opt);
    }
    if (type0 != miMATRIX)
        return reject(" is not Matrix");
    return decodeMatrix(Element(*f, 128, length), head, path, opt);
}

namespace {

ReadResult decodeMatrix(const Element& e, const char* head, const std::string& path,
                        const ReadOptions& opt) {
    ReadResult out;
    const std::string prefix = "Matlab file: " + path;
    const auto reject = [&](const char* suffix) { return ReadResult::refused(prefix + suffix); };

    std::uint8_t cls = 0;
    std::uint32_t dimsBytes = 0;
    std::int32_t d1 = 0, d2 = 0;
    if (!e.get(16, cls) || !e.get(28, dimsBytes))
        return reject(kDamaged.suffix);
    if (dimsBytes != 8)
        return reject(" is not 2 dimesional");
    if (!e.get(32, d1) || !e.get(36, d2))
        return reject(kDamaged.suffix);

    // The array name: packed into its tag (1..4 characters) or an element of its own.
    std::uint32_t nameWord = 0, nameBytes = 0;
    if (!e.get(40, nameWord) || !e.get(44, nameBytes))
        return reject(kDamaged.suffix);
    std::string name;
    std::uint64_t afterName = 0;
    if ((nameWord >> 16) != 0) {
        name = e.text(44, std::min<std::uint32_t>(nameWord >> 16, 4));
        afterName = 48;
    } else {
        name = e.text(48, std::min<std::uint32_t>(nameBytes, 4096));
        afterName = 48 + pad8(nameBytes);
    }
    const std::string sigName =
        cp1250ToUtf8(std::string_view(name).substr(0, std::min<std::size_t>(name.find('\0'), 63)));

    if (cls == mxSTRUCT) {
        if (!(head[0] == 'M' && head[1] == 'V'))
            return reject(" is not created by Morvanet");
        if (std::int64_t(d1) * d2 != 1)
            return reject(" is not structure [1,1]");
        // Files of older versions padded the name to 64 bytes, newer ones write its own
        // length: the field names follow the name element either way.
        std::uint32_t fieldNameLength = 0, fieldNamesBytes = 0;
        if (!e.get(afterName + 4, fieldNameLength) || !e.get(afterName + 12, fieldNamesBytes))
            return reject(kDamaged.suffix);
        if (fieldNameLength == 0 || fieldNamesBytes != 8 * fieldNameLength)
            return reject(" invalid field struct count");
        DecodedSignal r;
        std::uint64_t pos = afterName + 16 + fieldNamesBytes;
        for (int field = 1; field <= 8; ++field) {
            std::uint32_t bytes = 0;
            if (!e.get(pos + 4, bytes) || !e.has(pos, std::uint64_t(bytes) + 8) || bytes < 48)
                return reject(kDamaged.suffix);
            const std::uint64_t dataOff = pos + 56;
            const std::uint64_t dataRoom = bytes + 8 - 56;
            std::int32_t f1 = 0, f2 = 0;
            e.get(pos + 32, f1);
            e.get(pos + 36, f2);
            switch (field) {
            case 1:
                if (dataRoom < 8 || !e.get(dataOff, r.f_sampl))
                    return reject(kDamaged.suffix);
                // Our own files carry a rate the native format would take; anything else
                // (zero, negative, NaN) would make every time on the signal meaningless.
                if (!plausibleNativeFs(r.f_sampl))
                    return reject(" holds a sampling frequency that is not between 1e-6 and "
                                  "1e9 Hz");
                break;
            case 3:
                if (dataRoom < 4 || !e.get(dataOff, r.ID))
                    return reject(kDamaged.suffix);
                break;
            case 4:
            case 5:
            case 6: {
                const std::uint64_t L = std::min<std::uint64_t>(std::max(f2, 0), dataRoom);
                const std::string t =
                    cp1250ToUtf8(e.text(dataOff, std::min<std::uint64_t>(L, 254)));
                if (field == 4)
                    r.Units = t;
                else if (field == 5)
                    r.Sens_type = t;
                else
                    r.Sig_note = t;
                break;
            }
            case 8: {
                if (f1 < 0 || std::uint64_t(f1) * 4 > dataRoom)
                    return reject(kDamaged.suffix);
                r.Data = allocateSamples(static_cast<std::size_t>(f1));
                if (!e.read(dataOff, r.Data.data(), std::size_t(f1) * 4))
                    return reject(kDamaged.suffix);
                break;
            }
            default:
                break;
            }
            pos += std::uint64_t(bytes) + 8;
        }
        r.SigName = sigName;
        out.decoded.push_back(std::move(r));
        return out;
    }

    // Integer classes (8..15) are read like double and single vectors: Matlab, Octave and
    // scipy store int16 or uint8 vectors that way, and their values are plain samples.
    if (cls != mxDOUBLE && !(cls >= mxSINGLE && cls <= mxUINT64)) {
        // Another class fills its slot with no samples; the next file goes one slot on.
        // The empty signal still gets a rate, as every signal in a slot has one.
        out.add().f_sampl = opt.defaultFs;
        return out;
    }
    const std::int64_t count = std::int64_t(d1) * d2;
    if (d1 < 0 || d2 < 0 || count < 2 || std::int64_t(d1) + d2 < count)
        return reject(" is not 2 dimesional");
    if (count > std::numeric_limits<std::int32_t>::max())
        return reject(" holds more samples than a signal can have");

    const std::uint64_t realTag = afterName;
    std::uint32_t realWord = 0, realBytes = 0;
    if (!e.get(realTag, realWord) || !e.get(realTag + 4, realBytes))
        return reject(kDamaged.suffix);
    std::uint32_t realType = realWord;
    std::uint64_t realData = realTag + 8;
    // A real part of at most 4 bytes is packed into its tag; three or four int8 samples fit.
    if ((realWord >> 16) != 0) {
        realType = realWord & 0xFFFF;
        realBytes = realWord >> 16;
        realData = realTag + 4;
    }
    if (count < 3)
        return reject(" has few samples");
    const std::size_t w = typeSize(realType);
    if (w == 0)
        return reject(" has a data type that cannot be read as samples");
    if (std::uint64_t(realBytes) / std::uint64_t(count) != w || !e.has(realData, realBytes))
        return reject(kDamaged.suffix);
    SampleBuffer data = allocateSamples(static_cast<std::size_t>(count));
    if (!readValues(e, realData, realType, data.data(), static_cast<std::size_t>(count)))
        return reject(kDamaged.suffix);
    DecodedSignal& r = out.add();
    r.SigName = sigName;
    r.f_sampl = opt.defaultFs;
    r.Data = std::move(data);
    return out;
}

} // namespace

} // namespace mv::files
