#include "files/NativeFile.h"

#include "files/FilesTestSupport.h"
#include "files/SaveSlot.h"

#include <cmath>
#include <cstring>
#include <gtest/gtest.h>

namespace mv {
namespace {

using test::at;

TEST(NativeFile, HeaderFieldsSitAtTheirOffsets) {
    test::TempDir dir;
    SignalRecord r = test::makeRecord("Rychlost č", 300.0, test::ramp(10));
    r.Units = "km/h";
    r.Sens_type = "tacho";
    r.Sig_note = "note";
    files::HeaderInfo info;
    info.dateTime = "09.12.2026 10:11:12";
    info.fileId = 0;
    const auto path = (dir / "s.mvn").string();
    files::writeNative(path, r, {4, 9}, 2, info);
    const std::string b = test::readFile(path);

    ASSERT_EQ(b.size(), 1024u + 3 * 4); // samples 4, 6, 8
    // Text header: name, space, date-time, space, no Log workbook, a zero byte, spaces.
    const std::string text = "MVtervik 09.12.2026 10:11:12 ";
    EXPECT_EQ(b.substr(0, text.size()), text);
    EXPECT_EQ(b[text.size()], '\0');
    EXPECT_EQ(b.substr(text.size() + 1, 103 - text.size() - 1),
              std::string(103 - text.size() - 1, ' '));
    EXPECT_EQ(b.substr(103, 21), "ID: 0" + std::string(16, ' '));
    EXPECT_EQ(b.substr(124, 4), std::string("\x00\x01IM", 4));
    // Signal header.
    EXPECT_EQ(at<double>(b, 128), 150.0);
    EXPECT_EQ(at<std::int64_t>(b, 136), 0);
    EXPECT_EQ(at<std::int32_t>(b, 144), 0);
    EXPECT_EQ(b.substr(148, 10), "Rychlost \xE8"); // Windows-1250 in the file
    EXPECT_EQ(b[158], '\0');
    EXPECT_EQ(b.substr(212, 5), std::string("km/h\0", 5));
    EXPECT_EQ(b.substr(244, 6), std::string("tacho\0", 6));
    EXPECT_EQ(b.substr(499, 5), std::string("note\0", 5));
    EXPECT_EQ(b.substr(754, 270), std::string(270, '\0'));
    EXPECT_EQ(test::floatsOf(b, 1024), (std::vector<float>{4, 6, 8}));

    test::Loader l;
    l.store[1].TimeOffset = 5.0; // whatever the slot held before
    ASSERT_EQ(l.load(dir, {"s.mvn"}, LoadFormat::Morvanet).filled, 1);
    const SignalRecord& s = l.store[1];
    EXPECT_EQ(s.SigName, "Rychlost č");
    EXPECT_EQ(s.Units, "km/h");
    EXPECT_EQ(s.Sens_type, "tacho");
    EXPECT_EQ(s.Sig_note, "note");
    EXPECT_EQ(s.f_sampl, 150.0);
    EXPECT_EQ(s.SampleCount, 3);
    EXPECT_EQ(s.SigDir, dir.dir());
    EXPECT_EQ(s.FileExt, ".mvn");
    EXPECT_TRUE(s.Plot);
    EXPECT_EQ(s.SaveDiv, 0);
    EXPECT_EQ(s.TimeOffset, 0.0);
    EXPECT_EQ(l.samples(1), (std::vector<float>{4, 6, 8}));
}

TEST(NativeFile, TwoThreadsReadLargeFileExactlyAcrossItsHalves) {
    // Large enough for the reader to split the read between two threads.
    test::TempDir dir;
    const std::size_t n = (std::size_t(70) << 20) / 4 + 3;
    SignalRecord r;
    r.SigName = "big";
    r.f_sampl = 1;
    r.setData(SampleBuffer::allocate(n));
    for (std::size_t i = 0; i < n; ++i)
        r.Data[i] = float(i % 1000003);
    files::writeNative((dir / "big.mvn").string(), r, {1, std::int64_t(n)}, 1, {});
    test::Loader l;
    ASSERT_EQ(l.load(dir, {"big.mvn"}, LoadFormat::Morvanet).filled, 1);
    ASSERT_EQ(l.store[1].Data.size(), n);
    std::size_t wrong = 0;
    for (std::size_t i = 0; i < n; ++i)
        wrong += l.store[1].Data[i] != float(i % 1000003);
    EXPECT_EQ(wrong, 0u);
}

TEST(NativeFile, LongDescriptiveTextStopsBeforeTheVersion) {
    files::HeaderInfo info;
    info.dateTime = "d";
    info.logWorkbook = std::string(200, 'L');
    info.fileId = -123;
    const auto h = files::buildTextHeader(info);
    const std::string s(h.data(), h.size());
    EXPECT_EQ(s.substr(100, 3), "LLL");
    EXPECT_EQ(s.substr(103, 8), "ID: -123");
    EXPECT_EQ(s.substr(111, 13), std::string(13, 'L')); // the text continues under the ID
    EXPECT_EQ(s.substr(124, 4), std::string("\x00\x01IM", 4));
}

std::string nativeFile(const std::string& name64, std::size_t sampleBytes) {
    test::Bytes b;
    b.padTo(128, ' ').put(250.0).zeros(8).put<std::int32_t>(77).text(name64).padTo(1024);
    for (std::size_t i = 0; i < sampleBytes; ++i)
        b.s.push_back(static_cast<char>(i));
    return b.s;
}

TEST(NativeFile, OddSizesAndShortFiles) {
    struct Case {
        const char* what;
        std::string bytes;
        int filled;
        int samples;
        std::string name;
        bool warning;
    };
    const std::vector<Case> cases = {
        {"header only", nativeFile("abc", 0), 1, 0, "abc", false},
        // Not something the program writes: refused (see NotASignalFileIsRefused).
        {"two bytes beyond a whole sample", nativeFile("abc", 10), 0, 0, "", true},
        {"name field without a zero", nativeFile(std::string(64, 'n'), 4), 1, 1,
         std::string(63, 'n'), false},
        {"shorter than its header", std::string(1023, ' '), 0, 0, "", true},
        {"empty file", std::string(), 0, 0, "", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempDir dir;
        test::writeFile(dir / "x.mvn", c.bytes);
        test::Loader l;
        const auto r = l.load(dir, {"x.mvn"}, LoadFormat::Morvanet);
        EXPECT_EQ(r.filled, c.filled);
        EXPECT_EQ(l.store[1].SampleCount, c.samples);
        EXPECT_EQ(l.store[1].SigName, c.name);
        EXPECT_EQ(l.log.warnings() > 0, c.warning);
        if (c.filled == 1) {
            EXPECT_EQ(l.store[1].ID, 77);
            EXPECT_EQ(l.store[1].f_sampl, 250.0);
        }
    }
}

TEST(NativeFile, FourFilesFromSlot199FillTwoAndStop) {
    test::TempDir dir;
    std::vector<std::string> names;
    for (int k = 0; k < 4; ++k) {
        names.push_back("f" + std::to_string(k) + ".mvn");
        test::writeFile(dir / names.back(), nativeFile("f" + std::to_string(k), 8));
    }
    test::Loader l;
    const auto r = l.load(dir, names, LoadFormat::Morvanet, 199);
    EXPECT_EQ(r.filled, 2);
    EXPECT_FALSE(r.redraw());
    EXPECT_EQ(l.store[199].SigName, "f0");
    EXPECT_EQ(l.store[200].SigName, "f1");
    EXPECT_TRUE(l.log.lines.empty());
}

// Any file renamed to .mvn used to become a signal with whatever rate its bytes 128..135
// held. A file is refused, with the slot left as it was, unless its rate is a plausible
// number and its samples part is whole float32 values.
TEST(NativeFile, NotASignalFileIsRefused) {
    const auto withFs = [](double fs, std::size_t sampleBytes = 8) {
        std::string b = nativeFile("abc", sampleBytes);
        std::memcpy(b.data() + 128, &fs, 8);
        return b;
    };
    std::string readme = "# MVtervik\n\nA signal analyser for railway vehicle running tests.\n";
    while (readme.size() < 3000)
        readme += "Load signals, look at them, process them and save them again.\n";
    readme.resize(3000);
    std::string random(4096, '\0');
    std::uint32_t x = 12345;
    for (char& c : random)
        c = static_cast<char>((x = x * 1103515245u + 12345u) >> 24);
    struct Case {
        const char* what;
        std::string bytes;
        bool accepted;
    };
    const std::vector<Case> cases = {
        {"a README renamed", readme, false},
        {"random bytes", random, false},
        {"rate 0", withFs(0.0), false},
        {"rate NaN", withFs(std::nan("")), false},
        {"rate infinite", withFs(INFINITY), false},
        {"rate negative", withFs(-100.0), false},
        {"rate 1e243", withFs(1e243), false},
        {"rate just above 1e9", withFs(1.000001e9), false},
        {"a byte past whole samples", withFs(250.0, 9), false},
        {"rate 1e-6", withFs(1e-6), true},
        {"rate 1e9", withFs(1e9), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempDir dir;
        test::writeFile(dir / "x.mvn", c.bytes);
        test::Loader l;
        l.store[1] = test::makeRecord("old", 5, {1, 2});
        const auto r = l.load(dir, {"x.mvn"}, LoadFormat::Morvanet);
        EXPECT_EQ(r.filled, c.accepted ? 1 : 0);
        if (c.accepted) {
            EXPECT_EQ(l.store[1].SigName, "abc");
            EXPECT_TRUE(l.log.lines.empty());
            continue;
        }
        EXPECT_EQ(l.store[1].SigName, "old");
        EXPECT_EQ(l.store[1].f_sampl, 5.0);
        EXPECT_EQ(l.samples(1), (std::vector<float>{1, 2}));
        ASSERT_EQ(l.log.lines.size(), 1u);
        EXPECT_TRUE(l.log.lines[0].warning);
        EXPECT_NE(l.log.lines[0].text.find(dir.dir() + "x.mvn is not a Morvanet signal file"),
                  std::string::npos)
            << l.log.lines[0].text;
    }
}

} // namespace
} // namespace mv
