#include "core/Errors.h"
#include "files/FilesTestSupport.h"
#include "files/MatFile.h"
#include "files/NativeFile.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace mv {
namespace {

// ---- B&K BKC -------------------------------------------------------------------------

std::string bkcXml(const std::vector<std::tuple<bool, std::string, std::string>>& signals) {
    std::string x = "<?xml version=\"1.0\"?><Recording><SignalName>no</SignalName>";
    for (const auto& [rec, name, unit] : signals)
        x += "<Signal id=\"1\"><Recorded>" + std::string(rec ? "True" : "False") +
             "</Recorded><Name>" + name + "</Name><PhysicalQuantity>" + unit +
             "</PhysicalQuantity></Signal>";
    return x + "</Recording>";
}

// Channel i, sample j holds i * 100000 + j.
std::string bkcFile(int C, int N, const std::string& xml, int truncateBy = 0) {
    const std::uint16_t H = static_cast<std::uint16_t>(180 + xml.size() + 4);
    test::Bytes b;
    b.zeros(22).put<std::uint16_t>(std::uint16_t(xml.size())).padTo(44);
    b.put<std::uint16_t>(H).padTo(180).text(xml).padTo(H);
    b.zeros(16).put<std::int32_t>(N).zeros(8).put<std::uint8_t>(std::uint8_t(C)).zeros(3);
    b.zeros(20 * std::size_t(C));
    const int full = N / 4096, rest = N % 4096;
    for (int j = 0; j < full; ++j)
        for (int i = 0; i < C; ++i)
            for (int k = 0; k < 4096; ++k)
                b.put(float(i * 100000 + j * 4096 + k));
    for (int i = 0; i < C; ++i)
        for (int k = 0; k < rest; ++k)
            b.put(float(i * 100000 + full * 4096 + k));
    b.s.resize(b.s.size() - std::size_t(truncateBy));
    return b.s;
}

TEST(BkBkc, BlocksAndRemainderPerChannel) {
    test::TempDir dir;
    test::writeFile(
        dir / "r.bkc",
        bkcFile(3, 10000,
                bkcXml({{true, "Mic 1", "Pa"}, {false, "Off", "V"}, {true, "Acc", "m/s^2"}})));
    test::Loader l;
    ASSERT_EQ(l.load(dir, {"r.bkc"}, LoadFormat::BkBkc).filled, 3);
    for (int i = 0; i < 3; ++i) {
        const SignalRecord& r = l.store[1 + i];
        ASSERT_EQ(r.SampleCount, 10000);
        EXPECT_EQ(r.f_sampl, 500.0);
        for (int j : {0, 4095, 4096, 8191, 8192, 9999})
            EXPECT_EQ(r.Data[std::size_t(j)], float(i * 100000 + j)) << i << " " << j;
    }
    EXPECT_EQ(l.store[1].SigName, "Mic 1");
    EXPECT_EQ(l.store[2].SigName, "Acc");
    EXPECT_EQ(l.store[2].Units, "m/s^2");
    EXPECT_TRUE(l.store[3].SigName.empty());
    ASSERT_EQ(l.log.lines.size(), 1u);
    EXPECT_EQ(l.log.lines[0],
              (LogLine{"xml channels count mismatch: " + dir.dir() + "r.bkc", true}));
}

// A header of no samples gives empty signals (and copies nothing out of the file).
TEST(BkBkc, NoSamplesGiveEmptySignals) {
    test::TempDir dir;
    test::writeFile(dir / "e.bkc", bkcFile(2, 0, bkcXml({{true, "a", "b"}, {true, "c", "d"}})));
    test::Loader l;
    ASSERT_EQ(l.load(dir, {"e.bkc"}, LoadFormat::BkBkc).filled, 2);
    EXPECT_EQ(l.store[1].SampleCount, 0);
    EXPECT_EQ(l.store[2].SigName, "c");
    EXPECT_EQ(l.store[2].f_sampl, 500.0);
}

TEST(BkBkc, NoChannelsStopsTheLoadAndShortFilesAreRefused) {
    test::TempDir dir;
    test::writeFile(dir / "none.bkc", bkcFile(0, 10, bkcXml({})));
    test::writeFile(dir / "short.bkc", bkcFile(2, 100, bkcXml({}), 4));
    test::writeFile(dir / "tiny.bkc", "abc");
    test::writeFile(dir / "ok.bkc", bkcFile(1, 5, bkcXml({{true, "a", "b"}})));
    test::Loader l;
    auto r =
        l.load(dir, {"short.bkc", "tiny.bkc", "ok.bkc", "none.bkc", "ok.bkc"}, LoadFormat::BkBkc);
    EXPECT_EQ(r.filled, 1);
    EXPECT_FALSE(r.completed);
    EXPECT_EQ(l.store[1].SigName, "a");
    EXPECT_FALSE(l.store[2].occupied());
    EXPECT_EQ(l.log.lines.back(), (LogLine{"No channels found: " + dir.dir() + "none.bkc", true}));
    EXPECT_EQ(l.log.warnings(), 3);
}

TEST(BkBkc, ChannelsBeyondSlot200StopTheLoad) {
    test::TempDir dir;
    test::writeFile(dir / "r.bkc", bkcFile(3, 5, bkcXml({})));
    test::Loader l;
    auto r = l.load(dir, {"r.bkc", "r.bkc"}, LoadFormat::BkBkc, 199);
    EXPECT_EQ(r.filled, 2);
    EXPECT_FALSE(r.completed);
}

// ---- B&K CSV -------------------------------------------------------------------------

std::string csvFile(const std::vector<std::string>& data, const std::string& names = "L,R") {
    std::vector<std::string> head(13, "");
    head[0] = "Fs 2048.000";
    head[1] = "Channels 2";
    head[2] = "x";
    head[3] = "Samples " + std::to_string(data.size());
    head[8] = names;
    std::string s;
    for (const auto& h : head)
        s += h + "\r\n";
    for (const auto& d : data)
        s += d + "\r\n";
    return s;
}

TEST(BkCsv, HeaderChannelsAndData) {
    test::TempDir dir;
    test::writeFile(dir / "c.csv", csvFile({"1.5,2", "3,4,99", "5"}));
    test::Loader l;
    ASSERT_EQ(l.load(dir, {"c.csv"}, LoadFormat::BkCsv).filled, 2);
    EXPECT_EQ(l.samples(1), (std::vector<float>{1.5f, 3, 5}));
    EXPECT_EQ(l.samples(2), (std::vector<float>{2, 4, 4})); // a short line repeats the last value
    EXPECT_EQ(l.store[1].SigName, "L");
    EXPECT_EQ(l.store[2].SigName, "R");
    EXPECT_EQ(l.store[2].Units, "Pa");
    EXPECT_EQ(l.store[1].f_sampl, 2048.0);
    ASSERT_EQ(l.log.lines.size(), 5u);
    EXPECT_EQ(l.log.lines[0], (LogLine{"bkdk csv header[1]: Fs 2048.000", false}));
    EXPECT_EQ(l.log.lines[4], (LogLine{"bkdk csv header[9]: L,R", false}));
}

TEST(BkCsv, FewerLinesThanTheHeaderSaysAndBadNumbers) {
    test::TempDir dir;
    std::string text = csvFile({"1,2", "3,4"});
    text.replace(text.find("Samples 2"), 9, "Samples 9");
    test::writeFile(dir / "short.csv", text);
    test::writeFile(dir / "bad.csv", csvFile({"1,2", "3,x"}));
    test::Loader l;
    EXPECT_EQ(l.load(dir, {"short.csv"}, LoadFormat::BkCsv).filled, 2);
    EXPECT_EQ(l.samples(2), (std::vector<float>{2, 4}));
    EXPECT_TRUE(l.log.contains("holds 2 of its 9 samples"));
    EXPECT_THROW_MSG(l.load(dir, {"bad.csv"}, LoadFormat::BkCsv, 3), ConversionError, "'x'");
    EXPECT_EQ(l.samples(4), (std::vector<float>{2, 0}));
}

// Channels that run past slot 200 used to be created and left unfilled; now those that
// fit are read in full and the load stops after them, as in the other readers.
TEST(BkCsv, ChannelsBeyondSlot200AreReadInFullAndStopTheLoad) {
    test::TempDir dir;
    std::string text = csvFile({"1.5,2.5,3.5", "4.5,5.5,6.5"}, "A,B,C");
    text.replace(text.find("Channels 2"), 10, "Channels 3");
    test::writeFile(dir / "c.csv", text);
    test::writeFile(dir / "d.csv", text);
    test::Loader l;
    const auto r = l.load(dir, {"c.csv", "d.csv"}, LoadFormat::BkCsv, 199);
    EXPECT_EQ(r.filled, 2);
    EXPECT_FALSE(r.completed);
    EXPECT_EQ(l.samples(199), (std::vector<float>{1.5f, 4.5f}));
    EXPECT_EQ(l.samples(200), (std::vector<float>{2.5f, 5.5f}));
    EXPECT_EQ(l.store[200].SigName, "B");
}

// ---- B&K WAV -------------------------------------------------------------------------

struct Chunk {
    std::string id, data;
};
std::string riff(const std::vector<Chunk>& chunks) {
    test::Bytes b;
    b.text("RIFF").put<std::uint32_t>(0).text("WAVE");
    for (const auto& c : chunks) {
        b.text(c.id).put<std::uint32_t>(std::uint32_t(c.data.size())).text(c.data);
        if (c.data.size() % 2)
            b.zeros(1);
    }
    return b.s;
}
std::string fmt(std::uint16_t tag, std::uint16_t ch, std::uint32_t rate, std::uint16_t bits,
                int size = 16) {
    test::Bytes b;
    b.put(tag)
        .put(ch)
        .put(rate)
        .put<std::uint32_t>(rate * ch * bits / 8)
        .put<std::uint16_t>(std::uint16_t(ch * bits / 8))
        .put(bits);
    return b.s.substr(0, std::size_t(std::min(size, 16))) +
           std::string(size > 16 ? size - 16 : 0, '\0');
}

TEST(BkWav, TwoChannelsOf16BitSamples) {
    test::TempDir dir;
    test::Bytes data;
    for (int i = 0; i < 1000; ++i)
        data.put<std::int16_t>(std::int16_t(i - 500)).put<std::int16_t>(std::int16_t(-i));
    test::writeFile(dir / "rec.waw", riff({{"fmt ", fmt(1, 2, 25600, 16)}, {"data", data.s}}));
    test::Loader l;
    ASSERT_EQ(l.load(dir, {"rec.waw"}, LoadFormat::BkWav).filled, 2);
    for (int k : {1, 2}) {
        EXPECT_EQ(l.store[k].SampleCount, 1000);
        EXPECT_EQ(l.store[k].SigName, "rec." + std::to_string(k));
        EXPECT_EQ(l.store[k].Units, "Pa");
        EXPECT_EQ(l.store[k].f_sampl, 25600.0);
    }
    EXPECT_EQ(l.store[1].Data[0], -500.0f);
    EXPECT_EQ(l.store[2].Data[999], -999.0f);
}

TEST(BkWav, EightBitScaledByFullScaleAndNamedFromBkEx) {
    test::TempDir dir;
    std::string bkdk;
    for (int p = 1; p <= 21; ++p)
        bkdk += (p == 10 ? "2.5" : p == 21 ? "" : "t" + std::to_string(p)) + std::string(1, '\0');
    const std::string bkEx = "[SETUP]\nNoChannels=1\n[Channel 1]\nUnit=m/s^2\nName=Axle\n"
                             "[SETUP STOP]\nignored=1\n";
    // The metadata chunks come first here: they still apply to the samples.
    test::writeFile(dir / "e.waw", riff({{"fmt ", fmt(1, 1, 8000, 8)},
                                         {"bkdk", bkdk},
                                         {"bkEx", bkEx},
                                         {"fact", "abcd"},
                                         {"data", std::string("\x80\x00\xff", 3)}}));
    test::Loader l;
    ASSERT_EQ(l.load(dir, {"e.waw"}, LoadFormat::BkWav).filled, 1);
    EXPECT_EQ(l.samples(1), (std::vector<float>{128 * 2.5f / 128, 0, 255 * 2.5f / 128}));
    EXPECT_EQ(l.store[1].SigName, "Axle");
    EXPECT_EQ(l.store[1].Units, "m/s^2");
    EXPECT_TRUE(l.log.contains("bkdk chunk[10]: 2.5"));
    EXPECT_TRUE(l.log.contains("bkEx chunk[5]: Name=Axle"));
    EXPECT_FALSE(l.log.contains("ignored"));
}

TEST(BkWav, FormatErrorsStopTheLoad) {
    struct Case {
        std::string fmtChunk;
        std::string message;
    };
    const std::vector<Case> cases = {
        {fmt(1, 1, 8000, 16, 20), "Invalit WAV 'fmt ' chunk "},
        {fmt(3, 1, 8000, 16), "File is not PCM file "},
        {fmt(1, 0, 8000, 16), "Invalid channels count (0)"},
        {fmt(1, 33, 8000, 16), "Invalid channels count (33)"},
        {fmt(1, 1, 8000, 24), "Invalid bits count per sampel (24)"},
        {fmt(1, 1, 0, 16), "Invalid sampling rate (0) "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        test::TempDir dir;
        test::writeFile(dir / "bad.waw", riff({{"fmt ", c.fmtChunk}, {"data", "abcd"}}));
        test::writeFile(dir / "ok.waw", riff({{"fmt ", fmt(1, 1, 8000, 8)}, {"data", "abc"}}));
        test::Loader l;
        const auto r = l.load(dir, {"ok.waw", "bad.waw", "ok.waw"}, LoadFormat::BkWav);
        EXPECT_EQ(r.filled, 1);
        EXPECT_FALSE(r.completed);
        ASSERT_EQ(l.log.lines.size(), 1u);
        EXPECT_EQ(l.log.lines[0], (LogLine{c.message + dir.dir() + "bad.waw", true}));
    }
    // Samples without a format are not guessed at.
    test::TempDir dir;
    test::writeFile(dir / "nofmt.waw", riff({{"data", "abcd"}}));
    test::Loader l;
    EXPECT_EQ(l.load(dir, {"nofmt.waw"}, LoadFormat::BkWav).filled, 0);
    EXPECT_EQ(l.log.warnings(), 1);
    // Nor is a file without samples passed over in silence.
    test::writeFile(dir / "nodata.waw", riff({{"fmt ", fmt(1, 1, 8000, 8)}}));
    EXPECT_EQ(l.load(dir, {"nodata.waw"}, LoadFormat::BkWav).filled, 0);
    EXPECT_EQ(l.log.lines.back(),
              (LogLine{"WAV file " + dir.dir() + "nodata.waw has no 'data' chunk", true}));
}

// ---- B&K PTI -------------------------------------------------------------------------

// Channel k, block j, sample i holds (k * 10000 + j * 2048 + i).
std::string ptiFile(const std::string& setup, int C, int blocks) {
    test::Bytes b;
    b.zeros(4).put<std::int32_t>(std::int32_t(setup.size())).zeros(1).text(setup);
    b.padTo(setup.size() + 20);
    for (int j = 0; j < blocks; ++j)
        for (int k = 1; k <= C; ++k) {
            b.zeros(16);
            for (int i = 0; i < 2048; ++i)
                b.put<std::int32_t>(k * 10000 + j * 2048 + i);
        }
    return b.s;
}

TEST(BkPti, ChannelsFromTheSetupText) {
    const std::string setup = "Version=2.00.000\nSampleFrequency=4096,5\nNoChannels=2\n"
                              "[Channel 1]\nSignalName=Left\nUnit=N\nCorrectionFactor=65536\n"
                              "SampleFrequency=1024\n"
                              "[Channel 2]\nSignalName=Right\nUnit=kN\nCorrectionFactor=131072\n"
                              "[Channel 9]\nSignalName=Ghost\nCorrectionFactor=1\n"
                              "[SETUP STOP]\n";
    for (const char sep : {'.', ','}) {
        SCOPED_TRACE(sep);
        test::TempDir dir;
        test::writeFile(dir / "run.pti", ptiFile(setup, 2, 2) + "tail");
        test::Loader l;
        l.sep = sep; // the file's frequency reads the same in either notation
        ASSERT_EQ(l.load(dir, {"run.pti"}, LoadFormat::BkPti).filled, 2);
        EXPECT_EQ(l.store[1].SigName, "run.Left");
        EXPECT_EQ(l.store[2].SigName, "run.Right");
        EXPECT_EQ(l.store[2].Units, "kN");
        EXPECT_EQ(l.store[1].f_sampl, 1024.0);
        EXPECT_EQ(l.store[2].f_sampl, 4096.5);
        ASSERT_EQ(l.store[1].SampleCount, 4096);
        EXPECT_EQ(l.store[1].Data[0], 10000.0f);
        EXPECT_EQ(l.store[1].Data[4095], 10000.0f + 4095);
        EXPECT_EQ(l.store[2].Data[2048], 2.0f * (20000 + 2048));
        EXPECT_EQ(l.log.lines.front(), (LogLine{"pti_Head[1]: Version=2.00.000", false}));
        EXPECT_EQ(l.log.warnings(), 0);
    }
}

TEST(BkPti, WrongVersionOrNoChannelsStopTheLoad) {
    for (const auto& [setup, message] : std::vector<std::pair<std::string, std::string>>{
             {"Version=2.10.000\nNoChannels=1\n[SETUP STOP]\n",
              "Invalid pti Version: Version=2.10.000 "},
             {"Version=2.00.000\nNoChannels=0\n[SETUP STOP]\n", "No channels found: "}}) {
        SCOPED_TRACE(message);
        test::TempDir dir;
        test::writeFile(dir / "p.pti", ptiFile(setup, 1, 1));
        test::Loader l;
        const auto r = l.load(dir, {"p.pti", "p.pti"}, LoadFormat::BkPti);
        EXPECT_EQ(r.filled, 0);
        EXPECT_FALSE(r.completed);
        EXPECT_EQ(l.log.lines.back(), (LogLine{message + dir.dir() + "p.pti", true}));
    }
}

// ---- Interfleet raw ------------------------------------------------------------------

std::string ifFile(int C, const std::vector<std::string>& extraRows = {}) {
    std::string s = "% IWT4 raw\r\n% second comment\r\n";
    for (int row = 0; row < 3; ++row) {
        s += "t\t" + std::to_string(row) + "\tx";
        for (int k = 1; k <= C; ++k)
            s.append("\t").append(std::to_string(row * 10 + k));
        s += "\r\n";
    }
    for (const auto& r : extraRows)
        s += r + "\r\n";
    return s;
}

TEST(Interfleet, NamesByChannelCount) {
    struct Case {
        int C;
        std::vector<std::string> names;
    };
    const std::vector<Case> cases = {
        {7, {"Q", "Y", "MX", "X", "Angle", "RotationFreq", "CPP"}},
        {5, {"IF_1", "IF_2", "IF_3", "IF_4", "IF_5"}},
        {12, {"B1", "B2", "B3", "B4", "B5", "B6", "B7", "B8", "B9", "B10", "B11", "B12"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.C);
        test::TempDir dir;
        test::writeFile(dir / "m.dat", ifFile(c.C));
        test::Loader l;
        ASSERT_EQ(l.load(dir, {"m.dat"}, LoadFormat::InterfleetRaw).filled, c.C);
        for (int k = 1; k <= c.C; ++k) {
            EXPECT_EQ(l.store[k].SigName, c.names[std::size_t(k - 1)]);
            EXPECT_EQ(l.store[k].f_sampl, 1632.625);
            EXPECT_EQ(l.samples(k), (std::vector<float>{float(k), float(10 + k), float(20 + k)}));
        }
    }
}

TEST(Interfleet, BadColumnsRepeatThePreviousValueAndSlotsStopAt200) {
    test::TempDir dir;
    test::writeFile(dir / "m.dat", ifFile(5, {"t\t3\tx\tbad\t\t33", "t\t4\tx"}));
    test::Loader l;
    auto r = l.load(dir, {"m.dat", "m.dat"}, LoadFormat::InterfleetRaw, 197);
    EXPECT_EQ(r.filled, 4);
    EXPECT_FALSE(r.completed);
    EXPECT_EQ(l.samples(197), (std::vector<float>{1, 11, 21, 21, 21}));
    EXPECT_EQ(l.samples(199), (std::vector<float>{3, 13, 23, 33, 33}));
    EXPECT_EQ(l.store[200].SigName, "IF_4");
}

// ---- every reader on damaged files ----------------------------------------------------

// Cut and overwritten versions of a good file of every format: a reader may refuse them
// or read what it can, but never reads outside the file (the sanitizer build checks) nor
// fails with anything other than a conversion error of a text.
TEST(DamagedFiles, NoReaderReadsOutsideTheFile) {
    test::TempDir dir;
    const SignalRecord rec = test::makeRecord("sig", 100, test::ramp(40));
    files::writeNative((dir / "n.mvn").string(), rec, {1, 40}, 1, {});
    files::writeMat((dir / "m.mat").string(), rec, {1, 40}, 1, {});
    test::Bytes wavData;
    for (int i = 0; i < 40; ++i)
        wavData.put<std::int16_t>(std::int16_t(i));
    const std::string pti = ptiFile("Version=2.00.000\nNoChannels=2\n[Channel 1]\n"
                                    "CorrectionFactor=1\n[Channel 2]\nCorrectionFactor=2\n"
                                    "[SETUP STOP]\n",
                                    2, 1);
    const std::vector<std::pair<LoadFormat, std::string>> good = {
        {LoadFormat::Morvanet, test::readFile(dir / "n.mvn")},
        {LoadFormat::MatlabV6, test::readFile(dir / "m.mat")},
        {LoadFormat::MatlabV6, test::compressedMat(test::readFile(dir / "m.mat"))},
        {LoadFormat::BkBkc, bkcFile(2, 4100, bkcXml({{true, "a", "b"}}))},
        {LoadFormat::BkCsv, csvFile({"1,2", "3,4"})},
        {LoadFormat::BkWav,
         riff(
             {{"fmt ", fmt(1, 2, 100, 16)}, {"bkdk", std::string(40, '\0')}, {"data", wavData.s}})},
        {LoadFormat::BkPti, pti},
        {LoadFormat::InterfleetRaw, ifFile(4)},
    };
    int runs = 0;
    for (const auto& [format, bytes] : good) {
        SCOPED_TRACE(kLoadFormatNames[int(format)]);
        std::vector<std::string> variants;
        for (std::size_t n = 0; n < bytes.size(); n += (n < 1100 ? 1 : 997))
            variants.push_back(bytes.substr(0, n));
        for (std::size_t off = 0; off + 4 <= std::min<std::size_t>(bytes.size(), 1100); off += 4)
            for (std::uint32_t v : {0xFFFFFFFFu, 0x7FFFFFF0u, 0x00010001u}) {
                std::string b = bytes;
                std::memcpy(b.data() + off, &v, 4);
                variants.push_back(b);
            }
        test::Loader l;
        for (const auto& v : variants) {
            // Every slot the load may reach holds a signal it must leave alone unless it
            // puts a whole new one in its place.
            for (int s = 150; s <= kSlotCount; ++s) {
                SignalRecord keep = test::makeRecord("keep", 7, {7, 8, 9});
                l.store.installSignal(s, std::move(keep));
            }
            // A new name each time: rewriting one file in place makes some file systems
            // flush it on every close.
            const std::string name = "x" + std::to_string(runs);
            test::writeFile(dir / name, v);
            int filled = -1; // unknown after a conversion error
            try {
                filled = l.load(dir, {name}, format, 150).filled;
            } catch (const ConversionError&) {
            }
            std::filesystem::remove(dir / name);
            ++runs;
            // The slots the file filled come first, each whole; every other slot is as it was.
            int s = 150;
            for (; s <= kSlotCount && l.store[s].SigName != "keep"; ++s) {
                ASSERT_EQ(l.store[s].Data.size(), std::size_t(l.store[s].SampleCount));
                ASSERT_EQ(l.store[s].FileExt, "");
                ASSERT_EQ(l.store[s].SigDir, dir.dir());
            }
            if (filled >= 0) {
                ASSERT_EQ(s - 150, filled) << "variant " << runs;
            }
            for (; s <= kSlotCount; ++s) {
                const SignalRecord& r = l.store[s];
                ASSERT_EQ(r.SigName, "keep") << "slot " << s << ", variant " << runs;
                ASSERT_EQ(r.f_sampl, 7.0);
                ASSERT_EQ(l.samples(s), (std::vector<float>{7, 8, 9})) << "slot " << s;
            }
        }
    }
    EXPECT_GT(runs, 5000);
}

// A rate that makes no time (zero, or none given) used to load signals whose every time
// was infinite; such a file is now refused with a line that says why.
TEST(ForeignRates, AHeaderWithoutAUsableRateRefusesTheFile) {
    std::string csv = csvFile({"1,2"});
    csv.replace(csv.find("Fs 2048.000"), 11, "Fs 0");
    const std::string pti = ptiFile("Version=2.00.000\nNoChannels=1\n[Channel 1]\n"
                                    "CorrectionFactor=1\n[SETUP STOP]\n",
                                    1, 1);
    struct Case {
        LoadFormat format;
        std::string bytes, warning;
    };
    const std::vector<Case> cases = {
        {LoadFormat::BkCsv, csv, "gives no sampling frequency in its first line; it was not read"},
        {LoadFormat::BkPti, pti, "channel 1 has no valid SampleFrequency; it was not read"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.warning);
        test::TempDir dir;
        test::writeFile(dir / "f", c.bytes);
        test::Loader l;
        l.store[1] = test::makeRecord("old", 1, {1});
        EXPECT_EQ(l.load(dir, {"f"}, c.format).filled, 0);
        EXPECT_EQ(l.store[1].SigName, "old");
        ASSERT_FALSE(l.log.lines.empty());
        EXPECT_TRUE(l.log.lines.back().warning);
        EXPECT_NE(l.log.lines.back().text.find(c.warning), std::string::npos)
            << l.log.lines.back().text;
    }
}

} // namespace
} // namespace mv
