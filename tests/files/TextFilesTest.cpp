#include "files/TextFiles.h"

#include "core/Errors.h"
#include "files/FilesTestSupport.h"
#include "files/SaveSlot.h"

#include <gtest/gtest.h>
#include <limits>

namespace mv {
namespace {

TEST(AsciiFile, Lines) {
    struct Case {
        const char* what;
        std::string text;
        char sep;
        std::vector<float> samples;
    };
    const std::vector<Case> cases = {
        {"text after the last line end is ignored", "1.5\r\n2\r\n3", '.', {1.5f, 2}},
        {"written form with spaces and signs", "   3\r\n-0.25\r\n+4e2\r\n", '.', {3, -0.25f, 400}},
        {"lone LF and lone CR end lines too", "1\n2\r3\r\n", '.', {1, 2, 3}},
        {"comma system reads commas", "1,5\r\n-2,25\r\n", ',', {1.5f, -2.25f}},
        {"a line far longer than 255 characters", std::string(300, ' ') + "7.5\r\n", '.', {7.5f}},
        {"empty file", "", '.', {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempDir dir;
        test::writeFile(dir / "sig.name.txt", c.text);
        test::Loader l;
        l.sep = c.sep;
        l.fProcess = 123.0;
        ASSERT_EQ(l.load(dir, {"sig.name.txt"}, LoadFormat::Ascii).filled, 1);
        EXPECT_EQ(l.samples(1), c.samples);
        EXPECT_EQ(l.store[1].SigName, "sig.name");
        EXPECT_EQ(l.store[1].FileExt, ".txt");
        EXPECT_EQ(l.store[1].f_sampl, 123.0);
    }
}

TEST(AsciiFile, LineThatIsNotANumberEndsTheLoadAndLeavesZeros) {
    for (const auto& [text, sep] : std::vector<std::pair<std::string, char>>{
             {"1\r\n2\r\nabc\r\n4\r\n", '.'},
             {"1\r\n2\r\n1.5\r\n4\r\n", ','}, // our own '.' on a comma system
             {"1\r\n2\r\n\r\n4\r\n", '.'}}) {
        SCOPED_TRACE(text);
        test::TempDir dir;
        test::writeFile(dir / "a.txt", text);
        test::writeFile(dir / "b.txt", "9\r\n");
        test::Loader l;
        l.sep = sep;
        EXPECT_THROW_MSG(l.load(dir, {"a.txt", "b.txt"}, LoadFormat::Ascii), ConversionError,
                         "is not a valid floating point value (line 3 of ");
        EXPECT_EQ(l.samples(1), (std::vector<float>{1, 2, 0, 0}));
        EXPECT_FALSE(l.store[2].occupied()); // the load ended there
    }
}

TEST(AsciiFile, WrittenWithDecimalPlacesAndReadBack) {
    EXPECT_EQ(files::formatAsciiValue(2.6f, 0), "   3");
    EXPECT_EQ(files::formatAsciiValue(-1.0f, 2), "-1.00");
    EXPECT_EQ(files::formatAsciiValue(0.125f, 4), "0.1250");
    EXPECT_EQ(files::formatAsciiValue(1.0f, -3), "   1");

    test::TempDir dir;
    SignalStore store;
    CaptureLog log;
    store[1] = test::makeRecord("w", 10, {1.25f, -2.5f, 1000.0f});
    store[1].DecPlaces = 2;
    files::SaveContext ctx{log, {}};
    files::SaveSlot(
        store, {.slot = 1, .T2 = 1e9, .saveDiv = 1, .dir = dir.dir(), .format = SaveFormat::Ascii},
        ctx);
    EXPECT_EQ(test::readFile(dir / "w.txt"), "1.25\r\n-2.50\r\n1000.00\r\n");
    test::Loader l;
    l.load(dir, {"w.txt"}, LoadFormat::Ascii);
    EXPECT_EQ(l.samples(1), (std::vector<float>{1.25f, -2.5f, 1000.0f}));
}

TEST(RawFile, SizeNotAMultipleOfFour) {
    test::TempDir dir;
    test::Bytes b;
    b.put(1.5f).put(-2.0f).text("xy");
    test::writeFile(dir / "r.dat", b.s);
    test::Loader l;
    ASSERT_EQ(l.load(dir, {"r.dat"}, LoadFormat::SingleIeee754).filled, 1);
    EXPECT_EQ(l.samples(1), (std::vector<float>{1.5f, -2.0f}));
    EXPECT_EQ(l.store[1].SigName, "r");
    EXPECT_EQ(l.store[1].f_sampl, 4000.0);
}

} // namespace
} // namespace mv
