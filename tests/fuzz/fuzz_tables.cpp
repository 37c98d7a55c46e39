// The readers of the test Log and the EvaLog tables: the rescan that finds them among
// the open workbooks, the Test ID selection that reads a test's row, and the bulk
// preparation that reads the EvaLog's plan. The workbooks come from grid text
// (GridText.h), so mutations change cells, not zip or XML.
//
// What must hold: no exception but the workbook engine's own SpreadsheetError leaves a
// reader; a selection that is valid has a test folder ending in "/" and, when the Log
// gives one, a finite positive f process; a preparation that yields no plan says why.
#include "FuzzSupport.h"
#include "GridText.h"
#include "evaluation/Bulk.h"
#include "evaluation/TestLog.h"

#include <cmath>
#include <cstddef>
#include <cstdint>

using namespace mv;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    SpreadsheetApp app;
    fuzz::fillApp(app, input);
    SpreadsheetState st;
    ExcelTopicsUpdate(app, st);
    MV_FUZZ_CHECK(!st.UpdateTopics);
    if (!st.logFound())
        MV_FUZZ_CHECK(st.MaxTestId == 0);

    // The first ID, the highest and one beyond it: the paths a user reaches by typing.
    for (const int id : {1, st.MaxTestId, st.MaxTestId + 1}) {
        try {
            const TestSelection sel = SelectTestId(app, st, id, "Track");
            if (sel.valid) {
                MV_FUZZ_CHECK(!sel.testPath.empty() && sel.testPath.back() == '/');
                if (sel.fProcess)
                    MV_FUZZ_CHECK(std::isfinite(*sel.fProcess) && *sel.fProcess > 0);
            } else {
                MV_FUZZ_CHECK(!sel.messages.empty());
            }
        } catch (const SpreadsheetError& e) {
            MV_FUZZ_CHECK(*e.what() != '\0');
        }
    }
    if (st.bulkReady()) {
        try {
            const Preparation p =
                PrepareBulk(app, st, 1, std::max(1, std::min(st.MaxTestId, 3)), {});
            if (!p.plan)
                MV_FUZZ_CHECK(!p.lines.empty());
        } catch (const SpreadsheetError& e) {
            MV_FUZZ_CHECK(*e.what() != '\0');
        }
    }
    return 0;
}
