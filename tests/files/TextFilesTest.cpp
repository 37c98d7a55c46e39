#include "files/TextFiles.h"

#include "core/Errors.h"
#include "core/TextNumbers.h"
#include "files/FileIo.h"
#include "files/FilesTestSupport.h"
#include "files/SaveSlot.h"

#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <random>

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

// The number conversion as it was before it stopped copying the text for a comma
// separator: the reference the faster one must match bit for bit.
bool formerParseNumber(std::string_view text, char sep, double& out) {
    const std::string_view s = trimBlanks(text);
    std::optional<double> v;
    if (sep == '.') {
        v = parseWholeDouble(s);
    } else {
        if (s.find('.') != std::string_view::npos)
            return false;
        std::string buf(s);
        std::replace(buf.begin(), buf.end(), sep, '.');
        v = parseWholeDouble(buf);
    }
    if (!v)
        return false;
    out = *v;
    return true;
}

std::uint64_t bitsOf(double d) {
    std::uint64_t u;
    std::memcpy(&u, &d, 8);
    return u;
}

TEST(AsciiFile, NumberConversionMatchesTheFormerOneBitForBit) {
    std::vector<std::string> texts = {"",
                                      " ",
                                      "\t",
                                      "+",
                                      "-",
                                      "+-1",
                                      "-+1",
                                      "++1",
                                      "1e",
                                      "1e+",
                                      "e5",
                                      ".",
                                      ",",
                                      "-.",
                                      "+.5",
                                      ".5",
                                      "5.",
                                      "5,",
                                      ",5",
                                      "1,5",
                                      "1.5",
                                      "1,5,6",
                                      "1.5.6",
                                      "1,5e3",
                                      "1.5e3",
                                      "1 5",
                                      " 1.5 ",
                                      "\t-2,25\t",
                                      "1e400",
                                      "-1e400",
                                      "1e-400",
                                      "4.9e-324",
                                      "2.2250738585072011e-308",
                                      "inf",
                                      "-inf",
                                      "+inf",
                                      "infinity",
                                      "nan",
                                      "-nan",
                                      "nan(123)",
                                      "NaN",
                                      "0x1p3",
                                      "0X10",
                                      "00001",
                                      "-0",
                                      "+0,0",
                                      "1d3",
                                      "1E5",
                                      "1e05",
                                      "123456789012345678901234567890",
                                      "0.1000000000000000055511151231257827",
                                      "9007199254740993",
                                      "1.7976931348623157e308",
                                      "1.7976931348623159e308",
                                      std::string(200, '9') + ",5",
                                      "0," + std::string(300, '0') + "1",
                                      std::string(130, '1'),
                                      "3.4028235677973366e38",
                                      "1\r",
                                      "\x00"
                                      "1",
                                      "1\xff"};
    std::mt19937_64 rng(17);
    const char* formats[] = {"%.17g", "%.4f", "%.9e", "%g", "%.0f", "%.20f", "%.3E"};
    std::uniform_int_distribution<int> pick(0, 99);
    for (int i = 0; i < 20000; ++i) {
        double v;
        std::uint64_t u = rng();
        std::memcpy(&v, &u, 8);
        if (pick(rng) < 60)
            v = std::ldexp(double(rng() % 2000000) - 1e6, int(rng() % 80) - 40);
        char buf[512];
        std::snprintf(buf, sizeof buf, formats[rng() % 7], v);
        std::string t = buf;
        switch (pick(rng) % 8) {
        case 0:
            t = " " + t + "\t";
            break;
        case 1:
            t = "+" + t;
            break;
        case 2:
            if (!t.empty())
                t[rng() % t.size()] = "x.,+- e"[rng() % 7];
            break;
        case 3:
            std::replace(t.begin(), t.end(), '.', ',');
            break;
        default:
            break;
        }
        texts.push_back(t);
    }
    // Plain decimals around the 15 digits a double holds exactly, where a short cut must
    // give way to the full conversion.
    for (int i = 0; i < 20000; ++i) {
        const int digits = 1 + int(rng() % 18);
        std::string t;
        for (int k = 0; k < digits; ++k)
            t += char('0' + rng() % 10);
        if (rng() % 4 != 0)
            t.insert(rng() % t.size() + (rng() % 8 == 0 ? 0 : 1), ".");
        if (rng() % 2)
            t.insert(0, "-");
        texts.push_back(t);
    }
    int numbers = 0;
    for (const auto& t : texts)
        for (char sep : {'.', ','}) {
            double a = -1, b = -1;
            const bool okA = formerParseNumber(t, sep, a);
            const bool okB = files::parseNumber(t, sep, b);
            ASSERT_EQ(okA, okB) << "'" << t << "' sep " << sep;
            if (okA) {
                ++numbers;
                ASSERT_EQ(bitsOf(a), bitsOf(b)) << "'" << t << "' sep " << sep;
                ASSERT_EQ(bitsOf(static_cast<float>(a)), bitsOf(static_cast<float>(b)));
            }
        }
    EXPECT_GT(numbers, 30000); // most texts are numbers in one notation or the other
}

// Line ends counted many bytes a step: every LF, and every CR not followed by an LF, also
// where a CR LF pair straddles the counter's blocks of 64 KiB.
TEST(AsciiFile, LineEndsCountedLikeTheCursorReadsThem) {
    std::mt19937 rng(3);
    std::vector<std::string> texts = {"", "\r", "\n", "\r\n", "\n\r", "\r\r\n\n", "x", "x\r"};
    for (int i = 0; i < 2000; ++i) {
        std::string t(rng() % 40, ' ');
        for (char& c : t)
            c = "\r\n1"[rng() % 3];
        texts.push_back(t);
    }
    for (std::size_t at : {65535u, 65536u, 131071u}) {
        std::string t(140000, '1');
        t[at] = '\r';
        t[at + 1] = '\n';
        texts.push_back(t);
        t[at + 1] = '1';
        texts.push_back(t);
    }
    for (const auto& t : texts) {
        files::LineCursor lines(t);
        std::string_view line;
        std::size_t n = 0;
        while (lines.next(line))
            ++n;
        ASSERT_EQ(files::countLines(t), n) << t.size();
    }
}

// Stretches converted side by side meet at line ends of every kind; the samples and the
// failure (first bad line in file order) are those of one pass, however the text is cut.
TEST(AsciiFile, ThreadedStretchesGiveTheOnePassResult) {
    std::mt19937 rng(5);
    const char* ends[] = {"\r\n", "\n", "\r"};
    for (int trial = 0; trial < 40; ++trial) {
        SCOPED_TRACE(trial);
        std::string text;
        const int n = 1 + trial * 7;
        const int badAt = trial % 3 == 0 ? int(rng() % n) : -1;
        for (int k = 0; k < n; ++k) {
            text += k == badAt ? std::string("1,5x") : std::to_string(k) + ".25";
            text += ends[trial % 4 == 0 ? rng() % 3 : 0];
        }
        if (trial % 5 == 0)
            text += "42"; // no line end: not a line
        ReadOptions opt;
        const auto one = files::decodeAscii(text, "t.txt", opt, 1);
        ASSERT_EQ(one.decoded.size(), 1u);
        const auto& d1 = one.decoded[0].Data;
        ASSERT_EQ(d1.size(), std::size_t(n));
        EXPECT_EQ(one.failure.has_value(), badAt >= 0);
        for (std::size_t parts : {2u, 3u, 5u, 17u}) {
            SCOPED_TRACE(parts);
            const auto many = files::decodeAscii(text, "t.txt", opt, parts);
            ASSERT_EQ(many.decoded.size(), 1u);
            const auto& dk = many.decoded[0].Data;
            ASSERT_EQ(dk.size(), d1.size());
            EXPECT_TRUE(std::equal(d1.span().begin(), d1.span().end(), dk.span().begin()));
            ASSERT_EQ(many.failure.has_value(), one.failure.has_value());
            if (one.failure) {
                EXPECT_STREQ(many.failure->what(), one.failure->what());
            }
        }
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
