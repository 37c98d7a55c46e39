#include "core/LoadFiles.h"

#include "support/RecordingProgress.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace mv {
namespace {

// A reader that fills `perFile` slots with a 2-sample signal named after the file.
ReaderTable fakeReaders(int perFile, std::vector<std::string>* seen = nullptr) {
    ReaderTable t;
    t.set(LoadFormat::Morvanet, [=](const std::string& path, const ReadOptions& opt) {
        if (seen)
            seen->push_back(path);
        ReadResult out;
        for (int k = 0; k < perFile && k < opt.room; ++k) {
            DecodedSignal& d = out.add();
            d.Data = SampleBuffer::zeros(2);
            d.SigName = path.substr(path.rfind('/') + 1);
        }
        return out;
    });
    return t;
}

TEST(LoadFiles, FillsConsecutiveSlotsAndStopsBeyondTheStore) {
    test::TempDir dir;
    std::vector<std::string> names{"a.mvn", "b.mvn", "c.mvn", "d.mvn"};
    for (const auto& n : names)
        test::writeFile(dir / n, "x");
    SignalStore store;
    CaptureLog log;
    LoadContext ctx{log};
    std::vector<std::string> seen;
    auto r =
        LoadFiles(store, fakeReaders(1, &seen), dir.dir(), names, 199, LoadFormat::Morvanet, ctx);
    EXPECT_EQ(r.filled, 2);
    EXPECT_FALSE(r.completed); // stopped at the third file: no redraw
    EXPECT_FALSE(r.redraw());
    EXPECT_EQ(seen.size(), 2u);
    EXPECT_EQ(store[200].SigName, "b.mvn");
    EXPECT_TRUE(log.lines.empty());
}

TEST(LoadFiles, ReportsMissingFilesAndGoesOn) {
    test::TempDir dir;
    test::writeFile(dir / "b.mvn", "x");
    SignalStore store;
    CaptureLog log;
    LoadContext ctx{log};
    auto r = LoadFiles(store, fakeReaders(2), dir.dir(), {"a.mvn", "b.mvn"}, 1,
                       LoadFormat::Morvanet, ctx);
    EXPECT_EQ(r.filled, 2);
    EXPECT_TRUE(r.redraw());
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_EQ(log.lines[0].text, "Soubor " + dir.dir() + "a.mvn nebyl nalezen");
    EXPECT_TRUE(log.lines[0].warning);
    EXPECT_EQ(store[1].SigName, "b.mvn");
    EXPECT_EQ(store[2].SigName, "b.mvn");
}

// A cancel takes effect between files: the files read so far are in, whole, the rest
// are not read, and the caller redraws what came in.
TEST(LoadFiles, CancelStopsBetweenFiles) {
    test::TempDir dir;
    std::vector<std::string> names{"a.mvn", "b.mvn", "c.mvn"};
    for (const auto& n : names)
        test::writeFile(dir / n, "x");
    SignalStore store;
    CaptureLog log;
    test::RecordingProgress progress(1);
    LoadContext ctx{log, 4000.0, '.', progress};
    std::vector<std::string> seen;
    const auto r =
        LoadFiles(store, fakeReaders(1, &seen), dir.dir(), names, 1, LoadFormat::Morvanet, ctx);
    EXPECT_EQ(seen.size(), 1u);
    EXPECT_EQ(r.filled, 1);
    EXPECT_TRUE(r.cancelled);
    EXPECT_TRUE(r.redraw());
    EXPECT_EQ(progress.fractions, std::vector<double>{1.0 / 3});
    EXPECT_FALSE(store[2].occupied());
}

// However many signals a reader hands back, none goes past slot 200, the load stops
// there, and the reader's lines reach the log; a file that yields nothing leaves the
// target slot as it was.
TEST(LoadFiles, InstallKeepsTheSlotRules) {
    SignalStore store;
    CaptureLog log;
    ReadResult many;
    for (int k = 0; k < 3; ++k)
        many.add().Data = SampleBuffer::zeros(k + 1);
    many.info("header");
    const InstallResult in = installRead(store, std::move(many), "/d/f.csv", 199, log);
    EXPECT_EQ(in.filled, 2);
    EXPECT_TRUE(in.stopLoad);
    EXPECT_EQ(store[200].SampleCount, 2);
    EXPECT_EQ(store[200].SigDir, "/d/");
    EXPECT_EQ(store[200].FileExt, ".csv");
    EXPECT_TRUE(store[200].Plot);
    EXPECT_EQ(log.lines, (std::vector<LogLine>{{"header", false}}));

    store[200].SigColor = 0x123456;
    store[200].ProcFn = true;
    const InstallResult none =
        installRead(store, ReadResult::refused("no good"), "/d/g.csv", 200, log);
    EXPECT_EQ(none.filled, 0);
    EXPECT_EQ(store[200].SampleCount, 2);
    EXPECT_EQ(store[200].FileExt, ".csv");

    ReadResult one;
    one.add().Data = SampleBuffer::zeros(5);
    one.failure = ConversionError("'x' is not a valid floating point value");
    EXPECT_THROW(installRead(store, std::move(one), "/d/h.txt", 200, log), ConversionError);
    // What was decoded is in; the slot's settings stayed.
    EXPECT_EQ(store[200].SampleCount, 5);
    EXPECT_EQ(store[200].SigColor, 0x123456u);
    EXPECT_TRUE(store[200].ProcFn);
}

TEST(LoadFiles, FormatNamesAndIndices) {
    EXPECT_EQ(loadFormatIndex("Matlab -v6"), 1);
    EXPECT_EQ(loadFormatIndex("8"), 8);
    EXPECT_EQ(loadFormatIndex("9"), -1);
    EXPECT_EQ(loadFormatIndex("matlab"), -1);
    EXPECT_EQ(saveFormatIndex("Single IEEE754"), 3);
    EXPECT_EQ(saveFormatIndex("B&K_WAV"), -1);
    EXPECT_EQ(joinPath("/a/b", "c"), "/a/b/c");
    EXPECT_EQ(joinPath("/a/b/", "/x/c"), "/x/c");
    EXPECT_EQ(joinPath("", "c.mvn"), "c.mvn");
}

} // namespace
} // namespace mv
