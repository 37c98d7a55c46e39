#include "core/LoadFiles.h"

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

TEST(LoadFiles, FormatNamesAndIndices) {
    EXPECT_EQ(loadFormatIndex("Matlab -v6"), 1);
    EXPECT_EQ(loadFormatIndex("8"), 8);
    EXPECT_EQ(loadFormatIndex("9"), -1);
    EXPECT_EQ(loadFormatIndex("matlab"), -1);
    EXPECT_EQ(saveFormatIndex("Single IEEE754"), 3);
    EXPECT_EQ(saveFormatIndex("B&K_WAV"), -1);
    EXPECT_EQ(joinPath("/a/b", "c"), "/a/b/c");
    EXPECT_EQ(joinPath("/a/b/", "/x/c"), "/x/c");
}

} // namespace
} // namespace mv
