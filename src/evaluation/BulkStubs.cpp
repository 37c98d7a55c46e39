// TEMPORARY weak stand-ins until the test Log part lands on main; removed then.
#include "evaluation/TestLog.h"

#include <filesystem>

namespace mv {

__attribute__((weak)) TestSelection
SelectTestId(const SpreadsheetApp& app, const SpreadsheetState& st, int id, const std::string&) {
    TestSelection sel;
    sel.id = id;
    if (!st.logFound()) {
        sel.messages.push_back({LineLevel::Error, "Can't found Excel Log sheet"});
        return sel;
    }
    const std::string folder = app.workbook(st.LogSheet.workbook).folder();
    sel.testPath = folder + "/";
    int row = 0;
    for (int r = 2000; r >= kLogFirstRow; --r) {
        const CellValue v = app.value2(st.LogSheet, r, st.TestIDCol);
        if (v.isNumber() && v.number == id) {
            row = r;
            break;
        }
    }
    if (row > 0) {
        for (;; --row) {
            const CellValue v = app.value2(st.LogSheet, row, st.TestIDCol);
            if (row < kLogFirstRow || !(v.isNumber() && v.number == id)) {
                sel.messages.push_back(
                    {LineLevel::Error,
                     "Can not found: \"Save Off\" for Test ID: " + std::to_string(id)});
                return sel;
            }
            if (app.text(st.LogSheet, row, st.CategoryCol) == "Save off")
                break;
        }
        const CellValue mark = app.value2(st.LogSheet, row, st.CategoryCol + 1);
        if (mark.isNumber() && mark.number > 0)
            sel.fProcess = 1000000.0 / mark.number;
        for (int l = 0; l < kTestLevels; ++l) {
            sel.levels[static_cast<std::size_t>(l)] =
                app.text(st.LogSheet, row, st.CategoryCol + 2 + l);
            if (!sel.levels[static_cast<std::size_t>(l)].empty())
                sel.testPath += sel.levels[static_cast<std::size_t>(l)] + "/";
        }
    }
    sel.testPath += std::to_string(id) + "/";
    std::error_code ec;
    if (row == 0 || !std::filesystem::is_directory(sel.testPath, ec)) {
        sel.messages.push_back(
            {LineLevel::Error,
             "Test ID " + std::to_string(id) + " - Can't set current directory:  " + sel.testPath});
        sel.testPath = folder;
        return sel;
    }
    sel.valid = true;
    return sel;
}

__attribute__((weak)) RescanResult ExcelTopicsUpdate(SpreadsheetApp& app, SpreadsheetState& st) {
    RescanResult res;
    st.LogSheet = {};
    st.ParamSheet = {};
    st.EvaLogSheet = {};
    for (WorkbookId id : app.workbookIds()) {
        if (auto log = app.findSheet(id, "Log"); log && app.text(*log, 2, 1) == "Ini sheet") {
            st.LogSheet = *log;
            st.LogName = app.workbook(id).fullName();
            for (int c = 1; c <= 13; ++c) {
                const std::string h = app.text(*log, 10, c);
                if (h == "Date")
                    st.DateCol = c;
                else if (h == "Time")
                    st.TimeCol = c;
                else if (h == "Test ID")
                    st.TestIDCol = c;
                else if (h == "Category")
                    st.CategoryCol = c;
                else if (h == "Track")
                    st.TrackCol = c;
            }
        }
        if (auto param = app.findSheet(id, "PARAM")) {
            try {
                const NamedCell c = app.namedCell(*param, "Ident");
                const CellValue v = app.value2(c.sheet, c.row, c.column);
                if (v.type == CellType::Text && !v.text.empty()) {
                    st.ParamSheet = *param;
                    st.EvaLogSheet = app.sheet(id, "EvaLog");
                    st.EvaLogName = app.workbook(id).fullName();
                    st.Ident = v.text;
                    st.FullEvaluation = v.text == "EN14363_BauCurve";
                }
            } catch (const std::exception&) {
                st.ParamSheet = {};
                st.EvaLogSheet = {};
            }
        }
    }
    st.UpdateTopics = false;
    return res;
}

} // namespace mv
