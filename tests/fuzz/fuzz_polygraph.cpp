// The polygraph block of the PARAM sheet (96 rows x 26 columns), filled from grid text
// (GridText.h): the cells a user may have edited by hand in the evaluation workbook.
//
// What must hold: no more polygraphs than the block has rows; the block written from the
// polygraphs that were built reads back to the same polygraphs, so a session that loads
// and saves the block keeps it.
#include "FuzzSupport.h"
#include "GridText.h"
#include "monitors/GraphPass.h"
#include "monitors/PolyGrafStore.h"

#include <cstddef>
#include <cstdint>

using namespace mv;

namespace {

bool sameBlock(const Block& a, const Block& b) {
    if (a.rows != b.rows || a.cols != b.cols)
        return false;
    for (std::size_t i = 0; i < a.values.size(); ++i) {
        const CellValue &x = a.values[i], &y = b.values[i];
        if (x.type != y.type || x.text != y.text ||
            !(x.number == y.number || (x.number != x.number && y.number != y.number)))
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    Block block(kPolyBlockRows, kPolyBlockCols);
    fuzz::readGrid(
        input, kPolyBlockRows, kPolyBlockCols, [](const std::string&) {}, [](const std::string&) {},
        [](const std::string&, int, int) {},
        [&](int r, int c, const CellValue& v, bool) { block.at(r - 1, c - 1) = v; });

    constexpr double kFsPlay = 1000.0;
    NullLog log;
    PolyGrafList list;
    const int built = loadPolyGrafBlock(block, list, kFsPlay, log);
    MV_FUZZ_CHECK(built >= 0 && built <= kPolyBlockRows && built == list.count());
    MV_FUZZ_CHECK(list.subGrafTotal() <= kPolyBlockRows);

    const Block saved = polyGrafBlock(list);
    PolyGrafList again;
    MV_FUZZ_CHECK(loadPolyGrafBlock(saved, again, kFsPlay, log) == built);
    const Block savedAgain = polyGrafBlock(again);
    if (std::getenv("MV_FUZZ_DEBUG")) // replaying one input: the cells that differ
        for (int r = 0; r < saved.rows; ++r)
            for (int c = 0; c < saved.cols; ++c) {
                const CellValue &x = saved.at(r, c), &y = savedAgain.at(r, c);
                if (x.type != y.type || x.text != y.text || x.number != y.number)
                    std::fprintf(stderr, "row %d col %d: '%s' %g -> '%s' %g\n", r + 1, c + 1,
                                 x.text.c_str(), x.number, y.text.c_str(), y.number);
            }
    MV_FUZZ_CHECK(sameBlock(savedAgain, saved));
    return 0;
}
