#include "files/SaveSlot.h"

#include "files/FilesTestSupport.h"
#include "files/NativeFile.h"
#include "support/RecordingProgress.h"

#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <limits>
#include <sys/resource.h>

namespace mv {
namespace {

namespace fs = std::filesystem;
using files::SaveStatus;
constexpr double kInf = std::numeric_limits<double>::infinity();

struct Saver {
    SignalStore store;
    CaptureLog log;
    files::SaveContext ctx{log, {}};
    SaveStatus save(int slot, double T1, double T2, const test::TempDir& dir, SaveFormat f,
                    bool append = false, bool backup = false) {
        return files::SaveSlot(store,
                               {.slot = slot,
                                .T1 = T1,
                                .T2 = T2,
                                .saveDiv = store[slot].SaveDiv,
                                .dir = dir.dir(),
                                .format = f,
                                .append = append,
                                .backup = backup},
                               ctx);
    }
};

// Samples and header rate of a saved native file.
std::pair<std::vector<float>, double> nativeContent(const fs::path& p) {
    const std::string b = test::readFile(p);
    return {test::floatsOf(b, 1024), test::at<double>(b, 128)};
}

TEST(SaveSlot, WindowAndDividerPickTheSamples) {
    struct Case {
        const char* what;
        double fs;
        int n;
        int saveDiv;
        double T1, T2;
        std::vector<float> expected;
        double headerFs;
    };
    std::vector<float> odd;
    for (int k = 1; k <= 101; k += 2)
        odd.push_back(float(k));
    const std::vector<Case> cases = {
        {"divider 3 to beyond the end", 300, 10, 3, 0, 5, {1, 4, 7, 10}, 100},
        {"both ends included", 100, 200, 1, 0.5, 0.6, test::ramp(11, 51), 100},
        {"divider 2 over one second", 100, 200, 2, 0, 1, odd, 50},
        {"half a sample rounds to even", 10, 20, 1, 0.25, 0.35, {3, 4, 5}, 10},
        {"window before the start", 10, 5, 1, -3, 0.2, {1, 2, 3}, 10},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempDir dir;
        Saver s;
        s.store[1] = test::makeRecord("Speed", c.fs, test::ramp(c.n));
        s.store[1].SaveDiv = c.saveDiv;
        s.store[1].TimeOffset = 123.0; // plays no part in the window
        ASSERT_EQ(s.save(1, c.T1, c.T2, dir, SaveFormat::Morvanet), SaveStatus::Written);
        const auto [samples, fsHeader] = nativeContent(dir / "Speed.mvn");
        EXPECT_EQ(samples, c.expected);
        EXPECT_EQ(fsHeader, c.headerFs);
        ASSERT_EQ(s.log.lines.size(), 1u);
        EXPECT_EQ(s.log.lines[0], (LogLine{"File " + dir.dir() + "Speed.mvn created.    ", false}));
    }
}

TEST(SaveSlot, WindowAfterTheLastSampleWritesNothing) {
    test::TempDir dir;
    Saver s;
    s.store[1] = test::makeRecord("Speed", 100, test::ramp(10));
    s.store[1].SaveDiv = 1;
    for (SaveFormat f : {SaveFormat::Morvanet, SaveFormat::MatlabV6, SaveFormat::Ascii,
                         SaveFormat::SingleIeee754}) {
        EXPECT_EQ(s.save(1, 0.5, 2.0, dir, f), SaveStatus::EmptyWindow);
        EXPECT_EQ(s.save(1, 0.3, 0.1, dir, f), SaveStatus::EmptyWindow);
    }
    EXPECT_TRUE(fs::is_empty(dir.path()));
    EXPECT_EQ(s.log.warnings(), 8);
}

TEST(SaveSlot, BackupMovesTheOldFileOnceAndNeverOverwritesABackup) {
    test::TempDir dir;
    Saver s;
    s.store[1] = test::makeRecord("Speed", 10, {1, 2});
    s.store[1].SaveDiv = 1;
    test::writeFile(dir / "Speed.mvn", "old");
    ASSERT_EQ(s.save(1, 0, kInf, dir, SaveFormat::Morvanet, false, true), SaveStatus::Written);
    EXPECT_EQ(test::readFile(dir / "Speed.mv0"), "old");
    EXPECT_EQ(nativeContent(dir / "Speed.mvn").first, (std::vector<float>{1, 2}));

    s.store[1].Data[0] = 9;
    s.log.lines.clear();
    EXPECT_EQ(s.save(1, 0, kInf, dir, SaveFormat::Morvanet, false, true), SaveStatus::BackupFailed);
    ASSERT_EQ(s.log.lines.size(), 1u);
    EXPECT_EQ(s.log.lines[0], (LogLine{"Can not create next backup file " + dir.dir() +
                                           "Speed.mv0. File " + dir.dir() + "Speed.mvn not created",
                                       true}));
    EXPECT_EQ(test::readFile(dir / "Speed.mv0"), "old");
    EXPECT_EQ(nativeContent(dir / "Speed.mvn").first, (std::vector<float>{1, 2}));

    EXPECT_EQ(files::backupName("/d/x.mat"), "/d/x.ma0");
    EXPECT_EQ(files::backupName("/d/x.txt"), "/d/x.tx0");
    EXPECT_EQ(files::backupName("/d/x.dat"), "/d/x.da0");
}

TEST(SaveSlot, SaveSignalsSkipsSlotsWithoutDivider) {
    test::TempDir dir;
    Saver s;
    s.store[1] = test::makeRecord("A", 10, {1, 2});
    s.store[3] = test::makeRecord("B", 10, {1, 2});
    s.store[5] = test::makeRecord("C", 10, {1, 2});
    s.store[1].SaveDiv = 1;
    s.store[5].SaveDiv = 2;
    EXPECT_EQ(files::saveSignalsTo(s.store, dir.path().string(), 0, kInf, SaveFormat::SingleIeee754,
                                   true, s.ctx),
              2);
    ASSERT_EQ(s.log.lines.size(), 2u);
    EXPECT_EQ(s.log.lines[0], (LogLine{"File " + dir.dir() + "A.dat created.", false}));
    EXPECT_EQ(s.log.lines[1], (LogLine{"File " + dir.dir() + "C.dat created.", false}));
    EXPECT_FALSE(fs::exists(dir / "B.dat"));

    // A missing or unchosen directory cancels silently.
    s.log.lines.clear();
    EXPECT_EQ(files::saveSignals(s.store, dir.dir() + "nope", 0, kInf, SaveFormat::Ascii, false,
                                 false, s.ctx),
              0);
    EXPECT_EQ(files::saveSignalsTo(s.store, "", 0, kInf, SaveFormat::Ascii, false, s.ctx), 0);
    EXPECT_TRUE(s.log.lines.empty());

    // The single-slot command reports a slot without a divider.
    EXPECT_EQ(files::saveSignalToActualDir(s.store, 3, dir.dir(), 0, kInf, SaveFormat::Ascii, false,
                                           s.ctx),
              SaveStatus::NotSaved);
    EXPECT_EQ(s.log.lines.back(), (LogLine{"First set f_export !  Signal B not saved", true}));
}

TEST(SaveSlot, AppendSignals) {
    test::TempDir dir;
    Saver s;
    s.store[1] = test::makeRecord("A", 10, {1, 2});
    s.store[2] = test::makeRecord("B", 10, {3, 4});
    s.store[1].SaveDiv = s.store[2].SaveDiv = 1;
    s.store[1].DecPlaces = 1;
    test::writeFile(dir / "A.txt", " 0.5\r\n");
    EXPECT_EQ(files::appendSignals(s.store, dir.dir(), 0, kInf, SaveFormat::Ascii, s.ctx), 1);
    EXPECT_EQ(test::readFile(dir / "A.txt"), " 0.5\r\n 1.0\r\n 2.0\r\n");
    EXPECT_FALSE(fs::exists(dir / "A.tx0")); // appending never makes a backup
    ASSERT_EQ(s.log.lines.size(), 2u);
    EXPECT_EQ(s.log.lines[0], (LogLine{"Signal appended to file: " + dir.dir() + "A.txt", false}));
    EXPECT_EQ(s.log.lines[1],
              (LogLine{"Can not append. File: " + dir.dir() + "B.txt not found ! ", true}));

    // Raw files: appended after the last whole record.
    std::string raw(10, '\x11');
    test::writeFile(dir / "B.dat", raw);
    ASSERT_EQ(s.save(2, 0, kInf, dir, SaveFormat::SingleIeee754, true), SaveStatus::Written);
    const std::string b = test::readFile(dir / "B.dat");
    ASSERT_EQ(b.size(), 16u);
    EXPECT_EQ(test::floatsOf(b, 8), (std::vector<float>{3, 4}));

    // MAT and native files cannot be appended to: nothing is written.
    for (SaveFormat f : {SaveFormat::MatlabV6, SaveFormat::Morvanet}) {
        s.log.lines.clear();
        test::writeFile(dir / (std::string("A") + files::saveExtension(f)), "keep");
        EXPECT_EQ(files::appendSignals(s.store, dir.dir(), 0, kInf, f, s.ctx), 0);
        ASSERT_EQ(s.log.lines.size(), 1u);
        EXPECT_EQ(s.log.lines[0].text,
                  std::string(kSaveFormatNames[int(f)]) + " is not supported format for append.");
        EXPECT_EQ(test::readFile(dir / (std::string("A") + files::saveExtension(f))), "keep");
    }
}

TEST(SaveSlot, RawAppendOfTenToAHundred) {
    test::TempDir dir;
    Saver s;
    s.store[1] = test::makeRecord("R", 10, test::ramp(100));
    s.store[1].SaveDiv = 1;
    ASSERT_EQ(s.save(1, 0, kInf, dir, SaveFormat::SingleIeee754), SaveStatus::Written);
    s.store[1] = test::makeRecord("R", 10, test::ramp(10, 500));
    s.store[1].SaveDiv = 1;
    ASSERT_EQ(s.save(1, 0, kInf, dir, SaveFormat::SingleIeee754, true), SaveStatus::Written);
    test::Loader l;
    l.load(dir, {"R.dat"}, LoadFormat::SingleIeee754);
    ASSERT_EQ(l.store[1].SampleCount, 110);
    EXPECT_EQ(l.store[1].Data[99], 100.0f);
    EXPECT_EQ(l.store[1].Data[100], 500.0f);
}

TEST(SaveSlot, SignalNameNeverLeavesTheDirectory) {
    test::TempDir dir;
    Saver s;
    s.store[1] = test::makeRecord("../x/y", 10, {1, 2, 3});
    s.store[1].SaveDiv = 1;
    ASSERT_EQ(s.save(1, 0, kInf, dir, SaveFormat::SingleIeee754), SaveStatus::Written);
    EXPECT_TRUE(fs::exists(dir / ".._x_y.dat"));
}

// "Save signal to actual directory" used to glue the file name to a directory without its
// trailing separator ("…/dataSpeed.mvn").
TEST(SaveSlot, ActualDirectoryWithoutTrailingSeparator) {
    test::TempDir dir;
    fs::create_directory(dir / "data");
    Saver s;
    s.store[4] = test::makeRecord("Speed", 10, {1, 2, 3});
    s.store[4].SaveDiv = 1;
    const std::string actual = (dir / "data").string(); // no '/' at the end
    ASSERT_EQ(files::saveSignalToActualDir(s.store, 4, actual, 0, kInf, SaveFormat::Morvanet, false,
                                           s.ctx),
              SaveStatus::Written);
    EXPECT_TRUE(fs::exists(dir / "data" / "Speed.mvn"));
    EXPECT_FALSE(fs::exists(dir / "dataSpeed.mvn"));
    EXPECT_EQ(s.log.lines.back().text, "File " + actual + "/Speed.mvn created.    ");
}

// A save format outside the list used to log an empty "created" line and report success
// with no file written.
TEST(SaveSlot, InvalidFormatWritesNothingAndNeverReportsSuccess) {
    test::TempDir dir;
    Saver s;
    s.store[1] = test::makeRecord("Speed", 10, {1, 2, 3});
    s.store[1].SaveDiv = 1;
    for (int f : {-1, 4, 7}) {
        SCOPED_TRACE(f);
        s.log.lines.clear();
        EXPECT_EQ(s.save(1, 0, kInf, dir, static_cast<SaveFormat>(f)), SaveStatus::Refused);
        EXPECT_EQ(files::saveToActualDir(s.store, dir.dir(), 0, kInf, static_cast<SaveFormat>(f),
                                         false, s.ctx),
                  0);
        ASSERT_EQ(s.log.lines.size(), 2u);
        for (const LogLine& line : s.log.lines) {
            EXPECT_TRUE(line.warning);
            EXPECT_NE(line.text.find("nothing was saved"), std::string::npos) << line.text;
        }
        EXPECT_TRUE(fs::is_empty(dir.path()));
    }
}

// Cancelling stops between two files: the files written are complete, the rest untouched.
TEST(SaveSlot, CancelStopsBetweenFiles) {
    test::TempDir dir;
    Saver s;
    for (int k = 1; k <= 4; ++k) {
        s.store[k] = test::makeRecord("S" + std::to_string(k), 10, test::ramp(5));
        s.store[k].SaveDiv = 1;
    }
    test::RecordingProgress progress(2); // cancels after the second report
    files::SaveContext ctx{s.log, {}, progress};
    EXPECT_EQ(files::saveToActualDir(s.store, dir.dir(), 0, kInf, SaveFormat::Morvanet, false, ctx),
              2);
    EXPECT_EQ(progress.fractions, (std::vector<double>{0.25, 0.5}));
    EXPECT_EQ(nativeContent(dir / "S2.mvn").first, test::ramp(5));
    EXPECT_FALSE(fs::exists(dir / "S3.mvn"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2);
}

// A write that fails half way (here: the file-size limit) used to leave the target
// truncated. A new file replaces the old one only when complete; a failed append is cut
// back to the old length.
TEST(SaveSlot, FailedWriteKeepsTheOldFile) {
    test::TempDir dir;
    Saver s;
    s.store[1] = test::makeRecord("Big", 10, test::ramp(4000)); // 16 kB of samples
    s.store[1].SaveDiv = 1;
    const std::string old(3000, 'o');
    test::writeFile(dir / "Big.mvn", old);
    test::writeFile(dir / "Big.dat", old);

    struct FileSizeLimit {
        rlimit saved{};
        explicit FileSizeLimit(rlim_t bytes) {
            ::getrlimit(RLIMIT_FSIZE, &saved);
            std::signal(SIGXFSZ, SIG_IGN); // a write past the limit fails with EFBIG instead
            rlimit l = saved;
            l.rlim_cur = bytes;
            ::setrlimit(RLIMIT_FSIZE, &l);
        }
        ~FileSizeLimit() {
            ::setrlimit(RLIMIT_FSIZE, &saved);
            std::signal(SIGXFSZ, SIG_DFL);
        }
    };
    {
        FileSizeLimit limit(8000);
        EXPECT_THROW(s.save(1, 0, kInf, dir, SaveFormat::Morvanet), FileError);
        EXPECT_THROW(s.save(1, 0, kInf, dir, SaveFormat::SingleIeee754, true), FileError);
    }
    EXPECT_EQ(test::readFile(dir / "Big.mvn"), old);
    EXPECT_EQ(test::readFile(dir / "Big.dat"), old);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2);
    for (const LogLine& line : s.log.lines)
        EXPECT_EQ(line.text.find("created"), std::string::npos) << line.text;
}

} // namespace
} // namespace mv
