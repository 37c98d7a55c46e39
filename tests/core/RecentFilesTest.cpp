// The recent-files list and the load format of a file's extension.
#include "core/RecentFiles.h"

#include "core/Settings.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace mv {
namespace {

TEST(RecentFiles, NewestFirstNoDuplicatesAtMostTenAndPersisted) {
    std::vector<std::string> list;
    for (int i = 1; i <= 12; ++i)
        addRecentFile(list, "/d/f" + std::to_string(i) + ".mvn");
    addRecentFile(list, "/d/f5.mvn"); // opened again: moves to the top, not twice
    addRecentFile(list, "");
    ASSERT_EQ(list.size(), 10u);
    EXPECT_EQ(list[0], "/d/f5.mvn");
    EXPECT_EQ(list[1], "/d/f12.mvn");
    EXPECT_EQ(list[8], "/d/f4.mvn"); // f1, f2 fell off the end
    EXPECT_EQ(list[9], "/d/f3.mvn");
    EXPECT_EQ(std::count(list.begin(), list.end(), "/d/f5.mvn"), 1);

    MemorySettings s;
    writeRecentFiles(s, list);
    EXPECT_EQ(readRecentFiles(s), list);
    writeRecentFiles(s, {"/a.mat"}); // a shorter list leaves no stale entries behind
    EXPECT_EQ(readRecentFiles(s), (std::vector<std::string>{"/a.mat"}));
    s.values["RecentFiles/File02"] = "/a.mat"; // a hand-edited duplicate
    EXPECT_EQ(readRecentFiles(s).size(), 1u);
}

TEST(RecentFiles, FormatOfExtension) {
    struct Case {
        const char* path;
        std::optional<LoadFormat> format;
    };
    for (const Case& c :
         {Case{"/d/Speed.mvn", LoadFormat::Morvanet},
          Case{"C:\\d\\SPEED.MVN", LoadFormat::Morvanet}, Case{"/d/x.mv0", LoadFormat::Morvanet},
          Case{"/d/x.mat", LoadFormat::MatlabV6}, Case{"/d/x.txt", LoadFormat::Ascii},
          Case{"/d/x.CSV", LoadFormat::BkCsv}, Case{"/d/x.wav", LoadFormat::BkWav},
          Case{"/d/x.pti", LoadFormat::BkPti}, Case{"/d/x.bkc", LoadFormat::BkBkc},
          Case{"/d/x.dat", std::nullopt}, Case{"/d.mvn/noext", std::nullopt},
          Case{"", std::nullopt}})
        EXPECT_EQ(loadFormatOfPath(c.path), c.format) << c.path;
}

} // namespace
} // namespace mv
