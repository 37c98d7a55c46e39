#include "core/SignalTable.h"

#include "core/Settings.h"
#include "core/TextNumbers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace mv {

const std::array<SigGridColumn, kSigGridCols> kSignalGridColumns = {{
    {"No.", 20},   {"Plot", 22},        {"Sigal Name", 210},  {"fs [Hz]", 60}, {"ID", 30},
    {"Color", 30}, {"Y units", 44},     {"Y value", 80},      {"SamplNo", 60}, {"Samples", 60},
    {"Min", 80},   {"Max", 80},         {"Mean", 80},         {"RMS", 80},     {"Offs.[s]", 55},
    {"Fn1", 60},   {"Fn2", 60},         {"Fn3", 60},          {"Fn4", 60},     {"ProcFn", 38},
    {"Ovr", 20},   {"f_export Hz", 55}, {"Sensor type", 120}, {"Note", 210},
}};

const std::array<NamedColour, 16> kPickColours = {{
    {"Black", 0x000000},
    {"Maroon", 0x000080},
    {"Green", 0x008000},
    {"Olive", 0x008080},
    {"Navy", 0x800000},
    {"Purple", 0x800080},
    {"Teal", 0x808000},
    {"Gray", 0x808080},
    {"Silver", 0xC0C0C0},
    {"Red", 0x0000FF},
    {"Lime", 0x00FF00},
    {"Yellow", 0x00FFFF},
    {"Blue", 0xFF0000},
    {"Fuchsia", 0xFF00FF},
    {"Aqua", 0xFFFF00},
    {"White", 0xFFFFFF},
}};

std::string headerKeyHint(int col) {
    const std::string edit = "Typing, Space or Enter starts editing; Enter or leaving the cell "
                             "applies, Escape restores.";
    if (isFnColumn(col))
        return "Space or Enter: pick a processing function for this step. Delete: remove the "
               "function. Right arrow: its parameters.";
    if (col >= scSamples && col <= scRms)
        return "Window statistics of the active graph. Space, Enter and Delete do nothing. "
               "Header click: mark the column for copying to Excel.";
    switch (col) {
    case scPlot:
        return "Click, Space or Enter: show or hide the signal in the graphs. Delete does "
               "nothing. Header click: all signals on or off.";
    case scName:
        return edit + " Delete: close this signal. Header click: show the file path.";
    case scFs:
    case scId:
    case scSamplNo:
        return "Read only. Space, Enter and Delete do nothing.";
    case scColor:
        return "Click, Space or Enter: pick the colour from the list. Delete does nothing.";
    case scUnits:
    case scSensType:
    case scNote:
        return edit + " Delete does nothing.";
    case scYValue:
        return "Value at the cursor. Space or Enter: one more decimal place (with Shift: one "
               "fewer). Ctrl+F2: edit the sample value. Delete does nothing.";
    case scOffs:
        return "Time offset in s. " + edit + " Delete does nothing.";
    case scProcFn:
        return "Click, Space or Enter: process this signal with Process Fn or not. Delete does "
               "nothing. Header click: all signals with functions.";
    case scOvr:
        return "Click, Space or Enter: the result overwrites this signal instead of going to a "
               "new slot. Delete does nothing. Header click: all.";
    case scExport:
        return "Space or Enter: save divider on (the preset) or off. Ctrl+Up/Ctrl+Down: change "
               "it. Delete does nothing. Header click: all on or off.";
    default:
        return {};
    }
}

std::array<int, kSigGridCols> readColumnWidths(const SettingsBackend& s) {
    std::array<int, kSigGridCols> w{};
    for (int c = 0; c < kSigGridCols; ++c) {
        char key[32];
        std::snprintf(key, sizeof key, "SignalGrid/Width%02d", c);
        const int dflt = kSignalGridColumns[std::size_t(c)].width;
        const int v = parseIntOr(s.read(key), dflt);
        w[std::size_t(c)] = v >= 8 && v <= 2000 ? v : dflt;
    }
    return w;
}

void writeColumnWidths(SettingsBackend& s, const std::array<int, kSigGridCols>& widths) {
    for (int c = 0; c < kSigGridCols; ++c) {
        char key[32];
        std::snprintf(key, sizeof key, "SignalGrid/Width%02d", c);
        s.write(key, std::to_string(widths[std::size_t(c)]));
    }
}

int pickColourIndex(Colour c) {
    for (std::size_t i = 0; i < kPickColours.size(); ++i)
        if (kPickColours[i].colour == c)
            return static_cast<int>(i);
    return -1;
}

bool isEditableColumn(int col) {
    return col == scName || col == scUnits || col == scOffs || col == scSensType || col == scNote;
}

bool isDrawnColumn(int col) {
    return col == scPlot || col == scColor || (col >= scFn1 && col <= scExport);
}

std::string rowCaption(int row) {
    return row < 10 ? "  " + std::to_string(row) : std::to_string(row);
}

namespace {

std::optional<std::int64_t> parseSampleNo(std::string_view text) {
    return parseWholeInt64(text);
}

// Right-aligned in 10 characters, as the statistics columns are written.
std::string padded10(const std::string& s) {
    return s.size() >= 10 ? s : std::string(10 - s.size(), ' ') + s;
}

} // namespace

bool validSigName(std::string_view name) {
    if (name.size() > 63)
        return false;
    for (const char ch : name) {
        const auto c = static_cast<unsigned char>(ch);
        if (c >= 128)
            return false;
        if (std::string_view(" \\/:*?\"<>|").find(ch) != std::string_view::npos)
            return false;
    }
    return true;
}

EditOutcome commitTextEdit(SignalRecord& rec, int col, std::string_view text, char decimalSep) {
    switch (col) {
    case scName:
        if (!validSigName(text))
            return EditOutcome::Rejected;
        rec.SigName = text;
        return EditOutcome::Accepted;
    case scUnits:
        rec.Units = text;
        return EditOutcome::Accepted;
    case scSensType:
        rec.Sens_type = text;
        return EditOutcome::Accepted;
    case scNote:
        rec.Sig_note = text;
        return EditOutcome::Accepted;
    case scOffs: {
        if (trimBlanks(text).empty())
            return EditOutcome::NoChange;
        const auto v = parseUserNumber(text, decimalSep);
        if (!v)
            return EditOutcome::Rejected;
        rec.TimeOffset = *v;
        return EditOutcome::Accepted;
    }
    default:
        return EditOutcome::NotEditable;
    }
}

bool holdsSampleNumber(const SignalRecord& rec, std::string_view samplNoText) {
    const auto k = parseSampleNo(samplNoText);
    return k && *k >= 1 && *k <= rec.SampleCount && rec.Data.size() >= std::size_t(*k);
}

EditOutcome commitSampleValue(SignalRecord& rec, std::string_view samplNoText,
                              std::string_view valueText) {
    if (!holdsSampleNumber(rec, samplNoText))
        return EditOutcome::Rejected;
    const auto v = parseUserNumber(valueText, '.');
    if (!v)
        return EditOutcome::Rejected;
    // Column 8 counts samples from 1.
    rec.Data[static_cast<std::size_t>(*parseSampleNo(samplNoText) - 1)] = static_cast<float>(*v);
    rec.Unsaved = true;
    return EditOutcome::Accepted;
}

int stepDecPlaces(int dp, bool down) {
    dp = std::clamp(dp, 0, 6);
    if (down)
        return dp == 0 ? 6 : dp - 1;
    return dp == 6 ? 0 : dp + 1;
}

void toggleAllPlot(SignalStore& store) {
    bool any = false;
    for (int n = 1; n <= kSlotCount; ++n)
        any = any || (store[n].occupied() && store[n].Plot);
    for (int n = 1; n <= kSlotCount; ++n)
        if (store[n].occupied())
            store[n].Plot = !any;
}

void toggleAllProcFn(SignalStore& store, const std::function<bool(int slot)>& hasFunction) {
    bool any = false;
    for (int n = 1; n <= kSlotCount; ++n)
        any = any || (store[n].occupied() && hasFunction(n) && store[n].ProcFn);
    for (int n = 1; n <= kSlotCount; ++n)
        if (store[n].occupied() && hasFunction(n))
            store[n].ProcFn = !any;
}

void toggleAllOvr(SignalStore& store) {
    bool any = false;
    for (int n = 1; n <= kSlotCount; ++n)
        any = any || (store[n].occupied() && store[n].Ovr);
    for (int n = 1; n <= kSlotCount; ++n)
        if (store[n].occupied())
            store[n].Ovr = !any;
}

void toggleAllSaveDiv(SignalStore& store) {
    bool any = false;
    for (int n = 1; n <= kSlotCount; ++n)
        any = any || (store[n].occupied() && store[n].SaveDiv > 0);
    for (int n = 1; n <= kSlotCount; ++n)
        if (store[n].occupied())
            store[n].SaveDiv = any ? 0 : 1;
}

void toggleSaveDiv(SignalRecord& rec, int preset) {
    rec.SaveDiv = rec.SaveDiv <= 0 ? preset : 0;
}

bool stepSaveDivPreset(SignalRecord& rec, int& preset, bool ctrlDown) {
    if (rec.SaveDiv <= 0)
        return false;
    preset = ctrlDown ? preset + 1 : std::max(1, preset - 1);
    rec.SaveDiv = preset;
    return true;
}

std::string exportRateText(const SignalRecord& rec) {
    if (rec.SaveDiv < 1)
        return {};
    return formatFixed(rec.f_sampl / rec.SaveDiv, 2);
}

std::string nameCellText(const SignalRecord& rec, bool isPath) {
    if (!isPath)
        return rec.SigName.str();
    return rec.SigDir.str() + rec.SigName.str() + rec.FileExt.str();
}

RowTexts signalRowTexts(const SignalRecord& rec, bool isPath,
                        const std::optional<WindowStats>& stats, char decimalSep) {
    RowTexts t;
    t[scName] = nameCellText(rec, isPath);
    t[scFs] = formatFixed(rec.f_sampl, 1);
    t[scId] = std::to_string(rec.ID);
    t[scUnits] = rec.Units.str();
    t[scOffs] = rec.occupied() || rec.TimeOffset != 0.0
                    ? withDecimalSeparator(formatFloatFull(rec.TimeOffset), decimalSep)
                    : std::string();
    t[scSensType] = rec.Sens_type.str();
    t[scNote] = rec.Sig_note.str();
    for (int c = 0; c < kSigGridCols; ++c)
        if (isDrawnColumn(c))
            t[c] = std::string();
    if (stats && rec.occupied() && rec.Plot && stats->SmpCount > 0) {
        const int dp = rec.DecPlaces;
        const auto stat = [&](double v) { return padded10(formatFloatF(v, 10, dp, decimalSep)); };
        t[scSamples] = padded10(std::to_string(stats->SmpCount));
        t[scMin] = stat(stats->SMin);
        t[scMax] = stat(stats->SMax);
        t[scMean] = stat(stats->SMean);
        t[scRms] = stat(stats->SRMS);
    } else {
        for (int c = scYValue; c <= scRms; ++c)
            t[c] = std::string();
    }
    return t;
}

CopyRange copyRangeOf(const CellRect& sel) {
    if (sel.right < sel.left || sel.bottom < sel.top || sel.top < 1)
        return CopyRange::None;
    if (sel.left >= scName && sel.right <= scOffs)
        return CopyRange::Texts;
    if (sel.left >= scFn1 && sel.right <= scFn4)
        return CopyRange::Functions;
    return CopyRange::None;
}

std::string joinCopyText(const std::vector<std::vector<std::string>>& rows) {
    std::string out;
    for (const auto& row : rows) {
        for (std::size_t i = 0; i < row.size(); ++i) {
            if (i > 0)
                out += '\t';
            out += row[i];
        }
        out += "\r\n";
    }
    return out;
}

std::vector<std::vector<std::string>> splitPasteText(std::string_view text) {
    std::vector<std::vector<std::string>> rows;
    while (!text.empty()) {
        std::size_t eol = text.find('\n');
        std::string_view line = text.substr(0, eol);
        text = eol == std::string_view::npos ? std::string_view() : text.substr(eol + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty())
            break;
        std::vector<std::string> fields;
        std::size_t start = 0;
        for (;;) {
            const std::size_t tab = line.find('\t', start);
            fields.emplace_back(line.substr(start, tab - start));
            if (tab == std::string_view::npos)
                break;
            start = tab + 1;
        }
        rows.push_back(std::move(fields));
    }
    return rows;
}

std::vector<std::string> nativeFilesOnly(const std::vector<std::string>& paths) {
    std::vector<std::string> out;
    for (const auto& p : paths) {
        const auto slash = p.find_last_of('/');
        const auto dot = p.find_last_of('.');
        if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
            continue;
        if (p.compare(dot, std::string::npos, ".mvn") == 0)
            out.push_back(p);
    }
    return out;
}

std::string loadFormatFilter(int loadFormatIndex) {
    // B&K WAV recordings carry the ordinary ".wav" extension.
    static const std::array<const char*, 9> filters = {
        "Morvanet|*.mvn",       "Matlab -v6|*.mat", "ASCII|*.*",
        "Single IEEE754|*.dat", "B&K_BKC|*.bkc",    "B&K_CSV|*.csv",
        "B&K_WAV|*.wav",        "B&K_PTI|*.pti",    "IF raw|*.dat"};
    if (loadFormatIndex < 0 || loadFormatIndex >= int(filters.size()))
        loadFormatIndex = 0;
    return filters[std::size_t(loadFormatIndex)];
}

SampleRange fillSignal(SignalStore& store, int slot, double T1, double T2, float value) {
    if (!SignalStore::validSlot(slot))
        return SampleRange{1, 0};
    SignalRecord& rec = store[slot];
    if (!rec.occupied() || !(rec.f_sampl > 0.0))
        return SampleRange{1, 0};
    const auto n = std::min<std::int64_t>(rec.SampleCount, std::int64_t(rec.Data.size()));
    const SampleRange r = windowToSamples(T1, T2, rec.f_sampl, n);
    const SignalStore::WriteGuard changing = store.writeGuard();
    for (std::int64_t k = r.first; k <= r.last; ++k)
        rec.Data[static_cast<std::size_t>(k - 1)] = value;
    if (r.first <= r.last)
        rec.Unsaved = true;
    return r;
}

} // namespace mv
