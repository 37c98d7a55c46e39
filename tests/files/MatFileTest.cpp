#include "files/MatFile.h"

#include "files/FilesTestSupport.h"
#include "files/SaveSlot.h"

#include <gtest/gtest.h>
#include <limits>

namespace mv {
namespace {

using namespace files::mat;
using test::at;
constexpr double kInf = std::numeric_limits<double>::infinity();

std::size_t pad8(std::size_t n) {
    return (n + 7) / 8 * 8;
}

// A MAT-file holding one numeric array, as other programs write it.
std::string matArray(const std::string& name, std::uint8_t cls, std::int32_t d1, std::int32_t d2,
                     std::uint32_t type, const std::string& data,
                     const std::string& text = "MATLAB 5.0 MAT-file") {
    test::Bytes body;
    body.put<std::uint32_t>(miUINT32).put<std::uint32_t>(8).put<std::uint32_t>(cls).zeros(4);
    body.put<std::uint32_t>(miINT32).put<std::uint32_t>(8).put(d1).put(d2);
    if (name.size() <= 4) {
        body.put<std::uint32_t>(miINT8 | (std::uint32_t(name.size()) << 16))
            .text(name)
            .zeros(4 - name.size());
    } else {
        body.put<std::uint32_t>(miINT8).put<std::uint32_t>(std::uint32_t(name.size())).text(name);
        body.zeros(pad8(name.size()) - name.size());
    }
    body.put<std::uint32_t>(type).put<std::uint32_t>(std::uint32_t(data.size())).text(data);
    body.zeros(pad8(data.size()) - data.size());
    test::Bytes f;
    f.text(text).padTo(124, ' ').put<std::uint16_t>(0x0100).text("IM");
    f.put<std::uint32_t>(miMATRIX).put<std::uint32_t>(std::uint32_t(body.s.size())).text(body.s);
    return f.s;
}

template <class T>
std::string valuesOf(std::initializer_list<T> v) {
    test::Bytes b;
    for (T x : v)
        b.put(x);
    return b.s;
}

TEST(MatFile, WrittenLayoutAndReadBack) {
    for (int n : {3, 4}) {
        SCOPED_TRACE(n);
        test::TempDir dir;
        SignalStore store;
        CaptureLog log;
        store[1] = test::makeRecord("Accel", 400, test::ramp(2 * n));
        store[1].SaveDiv = 2;
        store[1].Units = "m/s2";
        store[1].Sens_type = "B&K 4507";
        store[1].Sig_note = "left axle box";
        files::SaveContext ctx{log, {}};
        ASSERT_EQ(files::SaveSlot(store,
                                  {.slot = 1,
                                   .T2 = kInf,
                                   .saveDiv = 2,
                                   .dir = dir.dir(),
                                   .format = SaveFormat::MatlabV6},
                                  ctx),
                  files::SaveStatus::Written);
        EXPECT_EQ(log.lines.at(0).text, "File " + dir.dir() + "Accel.mat created.    ");
        const std::string b = test::readFile(dir / "Accel.mat");
        ASSERT_EQ(b.size(), 1024u + 4 * n + (n % 2 ? 4 : 0));
        EXPECT_EQ(b.substr(0, 2), "MV");
        EXPECT_EQ(at<std::uint32_t>(b, 128), miMATRIX);
        EXPECT_EQ(at<std::uint32_t>(b, 132), b.size() - 136);
        EXPECT_EQ(b.substr(176, 6), std::string("Accel\0", 6));
        // The name element holds "Accel" in 8 bytes, not 64: what follows it moves up by
        // 56 bytes and the padding field takes them up.
        constexpr std::size_t kShift = 64 - 8;
        EXPECT_EQ(b.substr(248 - kShift + 8 + 7 * 16, 5), std::string("Data\0", 5));
        EXPECT_EQ(at<double>(b, 384 - kShift + 56), 200.0);
        EXPECT_EQ(at<std::uint32_t>(b, 968), miMATRIX);
        EXPECT_EQ(at<std::int32_t>(b, 968 + 32), n); // n x 1
        EXPECT_EQ(at<std::uint32_t>(b, 1016), miSINGLE);
        EXPECT_EQ(at<std::uint32_t>(b, 1020), 4u * n);
        EXPECT_EQ(at<float>(b, 1024), 1.0f);
        EXPECT_EQ(at<float>(b, 1028), 3.0f);

        test::Loader l;
        ASSERT_EQ(l.load(dir, {"Accel.mat"}, LoadFormat::MatlabV6).filled, 1);
        const SignalRecord& r = l.store[1];
        EXPECT_EQ(r.SigName, "Accel");
        EXPECT_EQ(r.f_sampl, 200.0);
        EXPECT_EQ(r.ID, 0);
        EXPECT_EQ(r.Units, "m/s2");
        EXPECT_EQ(r.Sens_type, "B&K 4507");
        EXPECT_EQ(r.Sig_note, "left axle box");
        EXPECT_EQ(r.FileExt, ".mat");
        EXPECT_EQ(r.SampleCount, n);
        EXPECT_EQ(l.samples(1).back(), float(2 * n - 1));
        EXPECT_TRUE(l.log.lines.empty());
    }
}

// The array name used to be written as 64 bytes, so other programs showed it followed by
// zero bytes. It now carries its own length; files in the old layout still read.
// Our own files carry the rate; one that makes no time refuses the file.
TEST(MatFile, OwnFileWithoutAUsableRateIsRefused) {
    test::TempDir dir;
    files::writeMat((dir / "z.mat").string(), test::makeRecord("z", 0.0, {1, 2, 3}), {1, 3}, 1, {});
    test::Loader l;
    EXPECT_EQ(l.load(dir, {"z.mat"}, LoadFormat::MatlabV6).filled, 0);
    ASSERT_EQ(l.log.lines.size(), 1u);
    EXPECT_EQ(l.log.lines[0],
              (LogLine{"Matlab file: " + dir.dir() + "z.mat" +
                           " holds a sampling frequency that is not between 1e-6 and 1e9 Hz",
                       true}));
}

TEST(MatFile, NameCarriesItsOwnLengthAndTheOldLayoutStillReads) {
    struct Case {
        std::string name;
        std::uint32_t nameBytes; // as written
    };
    for (const Case& c : {Case{"Accel", 5}, Case{"", 0}, Case{std::string(63, 'q'), 63}}) {
        SCOPED_TRACE(c.name);
        test::TempDir dir;
        SignalRecord rec = test::makeRecord(c.name, 100, {1, 2, 3});
        files::writeMat((dir / "n.mat").string(), rec, {1, 3}, 1, {});
        std::string b = test::readFile(dir / "n.mat");
        EXPECT_EQ(at<std::uint32_t>(b, 168), miINT8);
        EXPECT_EQ(at<std::uint32_t>(b, 172), c.nameBytes);
        EXPECT_EQ(b.size(), 1024u + 16);
        EXPECT_EQ(at<float>(b, 1024), 1.0f);
        test::Loader l;
        ASSERT_EQ(l.load(dir, {"n.mat"}, LoadFormat::MatlabV6).filled, 1);
        EXPECT_EQ(l.store[1].SigName, c.name);
        EXPECT_EQ(l.samples(1), (std::vector<float>{1, 2, 3}));
    }
    // A name of 57..63 characters fills the same 64 bytes the old layout gave every name:
    // with the old byte count in the tag, the file is byte for byte an old one.
    test::TempDir dir;
    const std::string longName(60, 'o');
    files::writeMat((dir / "o.mat").string(), test::makeRecord(longName, 100, {4, 5, 6}), {1, 3}, 1,
                    {});
    test::Bytes old{test::readFile(dir / "o.mat")};
    old.setAt<std::uint32_t>(172, 64);
    test::writeFile(dir / "o.mat", old.s);
    test::Loader l;
    ASSERT_EQ(l.load(dir, {"o.mat"}, LoadFormat::MatlabV6).filled, 1);
    EXPECT_EQ(l.store[1].SigName, longName);
    EXPECT_EQ(l.store[1].f_sampl, 100.0);
    EXPECT_EQ(l.samples(1), (std::vector<float>{4, 5, 6}));
}

TEST(MatFile, TextsTooLongForTheLayoutAreShortened) {
    test::TempDir dir;
    SignalRecord r = test::makeRecord("T", 100, {1, 2, 3});
    r.Units = std::string(31, 'u');
    r.Sens_type = std::string(254, 's');
    r.Sig_note = std::string(254, 'n');
    files::writeMat((dir / "T.mat").string(), r, {1, 3}, 1, {});
    const std::string b = test::readFile(dir / "T.mat");
    ASSERT_EQ(b.size(), 1024u + 16);
    EXPECT_EQ(at<float>(b, 1024), 1.0f);
    test::Loader l;
    l.load(dir, {"T.mat"}, LoadFormat::MatlabV6);
    EXPECT_EQ(l.store[1].Units, std::string(31, 'u'));
    // The note goes first, then the sensor type gives what the 168 bytes cannot hold.
    EXPECT_EQ(l.store[1].Sens_type, std::string(134, 's'));
    EXPECT_TRUE(l.store[1].Sig_note.empty());
    EXPECT_EQ(l.store[1].SampleCount, 3);
}

TEST(MatFile, Vectors) {
    struct Case {
        const char* what;
        std::string bytes;
        int filled;
        std::string name;
        std::vector<float> samples;
        std::string warning; // suffix after "Matlab file: <path>"
    };
    const auto dbl = valuesOf<double>({0.1, 2, 3, -4, 5, 6, 7, 8, 9, 1e10});
    const std::vector<float> dblF = {0.1f, 2, 3, -4, 5, 6, 7, 8, 9, 1e10f};
    const std::vector<Case> cases = {
        {"double column named x", matArray("x", mxDOUBLE, 10, 1, miDOUBLE, dbl), 1, "x", dblF, ""},
        {"name of 8 characters", matArray("abcdefgh", mxDOUBLE, 1, 10, miDOUBLE, dbl), 1,
         "abcdefgh", dblF, ""},
        {"name of 4 characters",
         matArray("abcd", mxSINGLE, 1, 3, miSINGLE, valuesOf<float>({1.5f, 2.5f, 3.5f})),
         1,
         "abcd",
         {1.5f, 2.5f, 3.5f},
         ""},
        {"double stored as int8",
         matArray("v", mxDOUBLE, 1, 5, miINT8, valuesOf<std::int8_t>({-128, -1, 0, 1, 127})),
         1,
         "v",
         {-128, -1, 0, 1, 127},
         ""},
        {"uint16 and uint32 data",
         matArray("u", mxDOUBLE, 3, 1, miUINT32, valuesOf<std::uint32_t>({0, 65536, 4000000000u})),
         1,
         "u",
         {0, 65536, 4e9f},
         ""},
        {"int16 class",
         matArray("i", 10, 1, 4, miINT16, valuesOf<std::int16_t>({-32768, 0, 5, 32767})),
         1,
         "i",
         {-32768, 0, 5, 32767},
         ""},
        {"1x2 has few samples",
         matArray("s", mxDOUBLE, 1, 2, miDOUBLE, valuesOf<double>({1, 2})),
         0,
         "",
         {},
         " has few samples"},
        {"3x3 matrix",
         matArray("m", mxDOUBLE, 3, 3, miDOUBLE, std::string(72, '\0')),
         0,
         "",
         {},
         " is not 2 dimesional"},
        {"char class fills a slot without samples",
         matArray("c", mxCHAR, 1, 3, miUTF8, "abc"),
         1,
         "",
         {},
         ""},
        {"struct not written by us",
         matArray("s", mxSTRUCT, 1, 1, miINT8, std::string(8, '\0')),
         0,
         "",
         {},
         " is not created by Morvanet"},
        {"not a matrix",
         matArray("s", mxDOUBLE, 1, 3, miDOUBLE, std::string(24, '\0')).replace(128, 1, 1, '\x09'),
         0,
         "",
         {},
         " is not Matrix"},
        {"data beyond the file",
         matArray("x", mxDOUBLE, 100, 1, miDOUBLE, dbl),
         0,
         "",
         {},
         " is damaged: a part of it lies outside the file"},
        {"element longer than the file",
         matArray("x", mxDOUBLE, 10, 1, miDOUBLE, dbl).substr(0, 200),
         0,
         "",
         {},
         " is damaged: a part of it lies outside the file"},
        {"three dimensions",
         [] {
             test::Bytes b;
             b.text(matArray("x", mxDOUBLE, 10, 1, miDOUBLE, valuesOf<double>({1, 2, 3})));
             b.setAt<std::uint32_t>(128 + 28, 12);
             return b.s;
         }(),
         0,
         "",
         {},
         " is not 2 dimesional"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempDir dir;
        test::writeFile(dir / "v.mat", c.bytes);
        test::Loader l;
        l.fProcess = 2500;
        l.store[1] = test::makeRecord("old", 1, {1});
        EXPECT_EQ(l.load(dir, {"v.mat"}, LoadFormat::MatlabV6).filled, c.filled);
        if (c.filled == 0) {
            // A rejected file leaves the signal in its slot as it was.
            EXPECT_EQ(l.store[1].SigName, "old");
            EXPECT_EQ(l.samples(1), std::vector<float>{1});
        } else {
            EXPECT_EQ(l.store[1].SigName, c.name);
            EXPECT_EQ(l.samples(1), c.samples);
        }
        if (!c.samples.empty()) {
            EXPECT_EQ(l.store[1].f_sampl, 2500.0);
            EXPECT_TRUE(l.store[1].Units.empty());
        }
        if (c.warning.empty()) {
            EXPECT_TRUE(l.log.lines.empty());
        } else {
            ASSERT_EQ(l.log.lines.size(), 1u);
            EXPECT_EQ(l.log.lines[0],
                      (LogLine{"Matlab file: " + dir.dir() + "v.mat" + c.warning, true}));
        }
    }
}

TEST(MatFile, PackedRealPartOfThreeBytes) {
    test::TempDir dir;
    test::Bytes b;
    b.text(matArray("p", 9, 1, 3, miUINT8 | (3u << 16), ""));
    // Turn the empty real part into a packed one holding 7, 8, 9.
    const std::size_t tag = b.s.size() - 8;
    b.s.resize(tag + 8);
    b.setAt<std::uint32_t>(tag, miUINT8 | (3u << 16));
    b.s[tag + 4] = 7;
    b.s[tag + 5] = 8;
    b.s[tag + 6] = 9;
    b.setAt<std::uint32_t>(132, std::uint32_t(b.s.size() - 136));
    test::writeFile(dir / "p.mat", b.s);
    test::Loader l;
    ASSERT_EQ(l.load(dir, {"p.mat"}, LoadFormat::MatlabV6).filled, 1);
    EXPECT_EQ(l.samples(1), (std::vector<float>{7, 8, 9}));
}

TEST(MatFile, CompressedFileLeavesTheSlotAlone) {
    test::TempDir dir;
    test::Bytes b;
    b.text("MATLAB 5.0").padTo(124, ' ').put<std::uint16_t>(0x0100).text("IM");
    b.put<std::uint32_t>(miCOMPRESSED).put<std::uint32_t>(4).text("zzzz");
    test::writeFile(dir / "z.mat", b.s);
    test::Loader l;
    l.store[1] = test::makeRecord("kept", 1, {1, 2});
    EXPECT_EQ(l.load(dir, {"z.mat"}, LoadFormat::MatlabV6).filled, 0);
    EXPECT_EQ(l.store[1].SigName, "kept");
    EXPECT_EQ(l.store[1].SampleCount, 2);
    ASSERT_EQ(l.log.lines.size(), 1u);
    EXPECT_TRUE(l.log.lines[0].warning);
    EXPECT_NE(l.log.lines[0].text.find("compressed"), std::string::npos);
}

TEST(MatFile, CompressedVectorReadsLikeTheUncompressedOne) {
    test::TempDir dir;
    const std::string plain = matArray("speed_kmh", 6, 1, 5, miDOUBLE,
                                       valuesOf<double>({0.1, -2.5, 1e30, 7.0, 1.0 / 3.0}));
    test::writeFile(dir / "p.mat", plain);
    test::writeFile(dir / "z.mat", test::compressedMat(plain));
    test::Loader l;
    ASSERT_EQ(l.load(dir, {"p.mat", "z.mat"}, LoadFormat::MatlabV6).filled, 2);
    EXPECT_TRUE(l.log.lines.empty()) << l.log.lines.front().text;
    EXPECT_EQ(l.store[2].SigName, "speed_kmh");
    EXPECT_EQ(l.samples(2), l.samples(1));
    EXPECT_EQ(l.samples(2).at(4), static_cast<float>(1.0 / 3.0));
}

// Damaged or hostile compressed files: each is refused with a warning, the slot keeps
// what it held, and nothing is allocated beyond what the compressed bytes can make.
TEST(MatFile, DamagedCompressedFilesAreRefused) {
    const std::string plain =
        matArray("v", 6, 1, 64, miDOUBLE, std::string(64 * 8, '\0'), "MATLAB 5.0 MAT-file");
    const std::string good = test::compressedMat(plain);
    struct Case {
        const char* what;
        std::string bytes;
        const char* suffix;
    };
    std::vector<Case> cases;
    // The stream cut short: its last bytes are missing and the tag says so.
    {
        std::string b = good.substr(0, good.size() - 6);
        test::Bytes t{b};
        t.setAt<std::uint32_t>(132, std::uint32_t(b.size() - 136));
        cases.push_back(
            {"truncated stream", t.s, " is compressed and its compressed data is damaged"});
    }
    // Bytes that are no deflate stream at all.
    {
        test::Bytes t{good};
        for (std::size_t i = 138; i < t.s.size(); ++i)
            t.s[i] = char(0xA5 ^ i);
        cases.push_back({"garbage", t.s, " is compressed and its compressed data is damaged"});
    }
    // The compressed element claims more bytes than the file has.
    {
        test::Bytes t{good};
        t.setAt<std::uint32_t>(132, std::uint32_t(good.size()));
        cases.push_back(
            {"beyond the file", t.s, " is compressed and its compressed data is damaged"});
    }
    // The inner matrix announces 4 GB from a few dozen compressed bytes: refused before
    // any memory is taken for it.
    {
        test::Bytes inner;
        inner.text(plain.substr(0, 128))
            .put<std::uint32_t>(miMATRIX)
            .put<std::uint32_t>(0xFFFFFFF0u);
        inner.text(plain.substr(136));
        cases.push_back({"bomb", test::compressedMat(inner.s),
                         " is compressed and its compressed data is damaged"});
    }
    // Its checksum does not match what it inflates to.
    {
        test::Bytes t{good};
        t.s.back() = char(t.s.back() ^ 0x5A);
        cases.push_back({"checksum", t.s, " is compressed and its compressed data is damaged"});
    }
    // The stream holds more than the inner matrix announces.
    {
        test::Bytes inner{plain};
        inner.setAt<std::uint32_t>(132, std::uint32_t(plain.size() - 136 - 8));
        cases.push_back({"inner too short", test::compressedMat(inner.s),
                         " is compressed and its compressed data is damaged"});
    }
    // The inner element is no matrix.
    {
        test::Bytes inner{plain};
        inner.setAt<std::uint32_t>(128, miDOUBLE);
        cases.push_back({"inner type", test::compressedMat(inner.s), " is not Matrix"});
    }
    // The inner matrix says it is longer than what the stream holds.
    {
        test::Bytes inner{plain};
        inner.setAt<std::uint32_t>(132, std::uint32_t(plain.size() - 136 + 800));
        cases.push_back({"inner too long", test::compressedMat(inner.s),
                         " is compressed and its compressed data is damaged"});
    }
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempDir dir;
        test::writeFile(dir / "z.mat", c.bytes);
        test::Loader l;
        l.store[1] = test::makeRecord("kept", 1, {1, 2});
        EXPECT_EQ(l.load(dir, {"z.mat"}, LoadFormat::MatlabV6).filled, 0);
        EXPECT_EQ(l.store[1].SigName, "kept");
        EXPECT_EQ(l.store[1].SampleCount, 2);
        ASSERT_EQ(l.log.lines.size(), 1u);
        EXPECT_EQ(l.log.lines[0],
                  (LogLine{"Matlab file: " + dir.dir() + "z.mat" + c.suffix, true}));
    }
}

// A version 7.3 file is an HDF5 file behind a 512-byte block; one whose HDF5 part is
// missing is refused with a warning that names the version.
// Only the header's version makes a file HDF5. Bytes at 512 that look like the HDF5
// signature once sent a level-5 file to the library's own level-5 reader, which believed
// its sizes (a 600-byte file took a gigabyte and many seconds).
TEST(MatFile, Level5FileWithHdf5LookingBytesIsReadAsLevel5) {
    test::TempDir dir;
    std::vector<float> v = test::ramp(200);
    files::writeMat((dir / "l5.mat").string(), test::makeRecord("l5", 100, v), {1, 200}, 1, {});
    std::string bytes = test::readFile(dir / "l5.mat");
    ASSERT_GT(bytes.size(), 520u);
    bytes.replace(512, 8, "\x89HDF\r\n\x1a\n", 8);
    test::writeFile(dir / "l5.mat", bytes);
    test::Loader l;
    ASSERT_EQ(l.load(dir, {"l5.mat"}, LoadFormat::MatlabV6).filled, 1);
    EXPECT_EQ(l.store[1].SampleCount, 200);
    EXPECT_TRUE(l.log.lines.empty());
}

TEST(MatFile, BrokenVersion73FileNamesTheVersion) {
    test::TempDir dir;
    test::Bytes b;
    b.text("MATLAB 7.3 MAT-file, Platform: GLNXA64")
        .padTo(124, ' ')
        .put<std::uint16_t>(0x0200)
        .text("IM");
    b.padTo(1024);
    test::writeFile(dir / "h.mat", b.s);
    test::Loader l;
    EXPECT_EQ(l.load(dir, {"h.mat"}, LoadFormat::MatlabV6).filled, 0);
    ASSERT_EQ(l.log.lines.size(), 1u);
    EXPECT_TRUE(l.log.lines[0].warning);
    EXPECT_NE(l.log.lines[0].text.find("version 7.3"), std::string::npos) << l.log.lines[0].text;
}

} // namespace
} // namespace mv
