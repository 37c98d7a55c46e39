#include "monitors/PolyGrafStore.h"

#include "core/TextNumbers.h"

#include <cmath>
#include <cstdio>

namespace mv {

namespace {

std::string num(double v) {
    char b[40];
    std::snprintf(b, sizeof b, "%.9g", v);
    return b;
}

std::string cellText(const CellValue& v) {
    if (v.isNumber())
        return num(v.number);
    if (v.type == CellType::Text || v.type == CellType::Error) {
        // A leading apostrophe only says "text" to a spreadsheet.
        if (!v.text.empty() && v.text[0] == '\'')
            return v.text.substr(1);
        return v.text;
    }
    if (v.type == CellType::Bool)
        return v.number != 0 ? "1" : "0";
    return {};
}

template <class F>
std::string joinSeries(const TSubGrafPar& p, F f) {
    std::string s;
    for (int i = 0; i < kMaxSeries; ++i) {
        if (i)
            s += '|';
        s += f(p.SerPar[std::size_t(i)]);
    }
    return s;
}

// An integer field in lo..hi; a huge or fractional value never reaches an int unchecked.
std::optional<int> intIn(const std::string& t, double lo, double hi) {
    const auto v = parseWholeFinite(trimBlanks(t));
    if (!v || *v < lo || *v > hi || std::trunc(*v) != *v)
        return std::nullopt;
    return int(*v);
}

int nameIndex(const std::string& t, const char* const* names, int count) {
    const auto s = trimBlanks(t);
    for (int i = 0; i < count; ++i)
        if (s == names[i])
            return i;
    return -1;
}

} // namespace

Block polyGrafBlock(const PolyGrafList& list) {
    Block b(kPolyBlockRows, kPolyBlockCols);
    int row = 0, number = 0;
    for (const auto& pp : list.snapshot()) {
        std::lock_guard lock(pp->mutex);
        const TPolyGraf& p = *pp;
        ++number;
        if (row >= kPolyBlockRows)
            break;
        auto put = [&](int c, std::string s) { b.at(row, c - 1) = CellValue::str(std::move(s)); };
        put(1, std::to_string(number) + "|" + p.name);
        put(2, std::string(kMonTypeNames[p._MonType]) + "|0");
        put(3, std::to_string(p.rect.left) + "|" + std::to_string(p.rect.top) + "|" +
                   std::to_string(p.rect.width) + "|" + std::to_string(p.rect.height) + "|" +
                   (p._JeFloating ? "1" : "0"));
        put(4, p.sXmin + "|" + p.sXmax + "|" + p.sXgrid);
        put(5, std::string(p._PRN.JePrint ? "1" : "0") + "|" + p._PRN.PrinterName + "|" +
                   std::to_string(p._PRN.PaperSize) + "|" + std::to_string(p._PRN.Orientation) +
                   "|" + (p._PRN.ToFile ? "1" : "0"));
        b.at(row, 5) = CellValue::num(p.subGrafCount());
        int no = 0;
        for (const auto& sg : p._SubGrafList) {
            if (row >= kPolyBlockRows)
                break;
            const TSubGrafPar& s = sg->_SubGrafParam;
            put(7, std::to_string(++no) + "|" + s._sName);
            put(8, s._sYLmin + "|" + s._sYLmax + "|" + s._sYLgrid + "|" + s._sYLimitMin + "|" +
                       s._sYLimitMax);
            put(9, s._sYRmin + "|" + s._sYRmax + "|");
            b.at(row, 9) = CellValue::num(s._BGColor);
            put(11, std::to_string(s._TxtHeight) + "|0");
            b.at(row, 11) = CellValue::num(s._RelHeight);
            put(14, joinSeries(s, [](const TSerPar& x) { return std::to_string(x.SigNo); }));
            put(15, joinSeries(s, [](const TSerPar& x) { return std::to_string(x.ColorIdx); }));
            put(16, joinSeries(s, [](const TSerPar& x) { return std::to_string(x.Axis); }));
            put(17, joinSeries(s, [](const TSerPar& x) { return std::to_string(x.LineWidth); }));
            put(18, joinSeries(s, [](const TSerPar& x) { return std::to_string(x.ValDec); }));
            put(19, joinSeries(s, [](const TSerPar& x) {
                    char t[32];
                    std::snprintf(t, sizeof t, "%.2f", double(x.LPFreq));
                    return x.LPFreq > 0 ? std::string(t) : std::string("0");
                }));
            put(20, joinSeries(s, [](const TSerPar& x) {
                    return std::string(kFFTSpectTypeNames[std::min<int>(x.SpectType, 4)]);
                }));
            put(21, joinSeries(s, [](const TSerPar& x) { return std::to_string(x.FFTLines); }));
            put(22, joinSeries(s, [](const TSerPar& x) {
                    return std::string(kFFTWindowNames[std::min<int>(x.WinType, 3)]);
                }));
            put(23, joinSeries(s, [](const TSerPar& x) { return std::to_string(x.Overlay); }));
            put(24, joinSeries(s, [](const TSerPar& x) {
                    return std::string(kFFTAverNames[std::min<int>(x.AverType, 1)]);
                }));
            put(25, joinSeries(s, [](const TSerPar& x) { return std::to_string(x.AverCnt); }));
            put(26, joinSeries(s, [](const TSerPar& x) {
                    return std::string(kFFTWeightNames[std::min<int>(x.FreqWeight, 1)]);
                }));
            ++row;
        }
    }
    return b;
}

namespace {

// Columns 7..26 of one block row into the template.
void readSubGrafRow(const Block& b, int r, TSubGrafPar& t, Log& log) {
    auto text = [&](int c) { return cellText(b.at(r, c - 1)); };
    auto fields = [&](int c) {
        auto f = splitFields(text(c));
        f.resize(std::max<std::size_t>(f.size(), kMaxSeries));
        return f;
    };
    const std::string where = "Polygraph block row " + std::to_string(kPolyBlockRow + r) + ": ";
    const auto f7 = splitFields(text(7));
    if (f7.size() > 1)
        t._sName = capText(f7[1], 32);
    const auto f8 = splitFields(text(8));
    std::string* y8[5] = {&t._sYLmin, &t._sYLmax, &t._sYLgrid, &t._sYLimitMin, &t._sYLimitMax};
    for (std::size_t i = 0; i < 5 && i < f8.size(); ++i)
        *y8[i] = capText(f8[i], 32);
    const auto f9 = splitFields(text(9));
    if (f9.size() > 0)
        t._sYRmin = capText(f9[0], 32);
    if (f9.size() > 1)
        t._sYRmax = capText(f9[1], 32);
    t._BGColor = intIn(text(10), 0, 0xFFFFFF).value_or(0xFFFFFF);
    t._TxtHeight = intIn(splitFields(text(11))[0], 5, 105).value_or(10);
    std::string rel = text(12);
    for (char& ch : rel)
        if (ch == ',')
            ch = '.';
    const auto relV = parseWholeFinite(trimBlanks(rel));
    t._RelHeight = relV && *relV > 0 && *relV <= 1e6 ? float(*relV) : 1.0f;

    const auto sig = fields(14), col = fields(15), axis = fields(16), lw = fields(17),
               dec = fields(18), lp = fields(19), st = fields(20), lines = fields(21),
               win = fields(22), ovl = fields(23), avt = fields(24), avc = fields(25),
               wt = fields(26);
    bool refused = false;
    for (int i = 0; i < kMaxSeries; ++i) {
        TSerPar& s = t.SerPar[std::size_t(i)];
        const auto k = std::size_t(i);
        // Empty fields take the defaults; a value outside its range is refused.
        auto take = [&](const std::string& f, double lo, double hi, int dflt, std::int32_t& out) {
            if (trimBlanks(f).empty()) {
                out = dflt;
                return;
            }
            if (const auto v = intIn(f, lo, hi))
                out = *v;
            else
                refused = true;
        };
        take(sig[k], 0, 200, 0, s.SigNo);
        take(col[k], 0, 15, s.ColorIdx, s.ColorIdx);
        take(axis[k], 0, 1, 0, s.Axis);
        take(lw[k], 1, 8, 1, s.LineWidth);
        take(dec[k], 0, 6, 3, s.ValDec);
        const auto lpv = parseWholeFinite(trimBlanks(lp[k]));
        s.LPFreq = lpv && *lpv >= 0 && *lpv < 1e9 ? float(*lpv) : 0.0f;
        if (const int n = nameIndex(st[k], kFFTSpectTypeNames, 5); n >= 0)
            s.SpectType = std::uint8_t(n);
        std::int32_t l = 1024;
        take(lines[k], 0, 1e9, 1024, l);
        if (validFFTLines(l))
            s.FFTLines = l;
        else
            refused = true;
        if (const int n = nameIndex(win[k], kFFTWindowNames, 4); n >= 0)
            s.WinType = std::uint8_t(n);
        take(ovl[k], 0, s.FFTLines, 0, s.Overlay);
        if (const int n = nameIndex(avt[k], kFFTAverNames, 2); n >= 0)
            s.AverType = std::uint8_t(n);
        take(avc[k], 0, 2147483647.0, 0, s.AverCnt);
        if (const int n = nameIndex(wt[k], kFFTWeightNames, 2); n >= 0)
            s.FreqWeight = std::uint8_t(n);
    }
    if (refused)
        log.warn(where + "a series value out of its range was not taken");
}

} // namespace

int loadPolyGrafBlock(const Block& b, PolyGrafList& list, double fsPlay, Log& log) {
    list.clear();
    int built = 0, total = 0;
    const int rows = std::min(b.rows, kPolyBlockRows);
    if (b.cols < kPolyBlockCols)
        return 0;
    for (int r = 0; r < rows; ++r) {
        const std::string c1 = cellText(b.at(r, 0));
        if (trimBlanks(c1).empty())
            continue;
        PolyGrafDefinition def;
        // Column 1 is "number|name" and the name alone may have 64 characters: capping the
        // whole cell at 64 would cut a long name once a number stands before it on saving.
        for (int c = 0; c < 6; ++c)
            def.texts[std::size_t(c)] = capText(cellText(b.at(r, c)), c == 0 ? 64 + 16 : 64);
        if (trimBlanks(def.texts[5]).empty())
            def.texts[5] = "1";
        auto p = list.create(def, fsPlay);
        list.defaults.def = def;
        int want = intIn(def.texts[5], 1, 1e9).value_or(1);
        // The rows of this polygraph end at the next polygraph's row and at the block end.
        int room = 1;
        while (r + room < rows && trimBlanks(cellText(b.at(r + room, 0))).empty())
            ++room;
        const int limit = std::min({room, kMaxSubGrafs, kMaxSubGrafsAll - total});
        if (want > limit) {
            log.warn("Polygraph \"" + p->name + "\": " + std::to_string(want) +
                     " subgraphs stored, " + std::to_string(limit) + " built");
            want = limit;
        }
        {
            std::lock_guard lock(p->mutex);
            for (int i = 0; i < want; ++i) {
                TSubGrafPar t = list.defaults.tmpl;
                readSubGrafRow(b, r + i, t, log);
                t._No = i + 1;
                if (!p->Add1SubGraf(t, total, fsPlay))
                    break;
                ++total;
            }
            p->ReCalcSubGrafCoef(false);
        }
        if (p->subGrafCount() == 0)
            list.remove(p.get());
        else
            ++built;
        r += std::max(0, want - 1);
    }
    return built;
}

Block readPolyGrafBlock(const SpreadsheetApp& app, const SheetHandle& h) {
    return app.readBlock(
        h, CellRange{{kPolyBlockRow, 1}, {kPolyBlockRow + kPolyBlockRows - 1, kPolyBlockCols}});
}

void savePolyGrafs(SpreadsheetApp& app, const SheetHandle& h, const PolyGrafList& list) {
    app.setScreenUpdating(false);
    app.writeBlock(h, {kPolyBlockRow, 1}, polyGrafBlock(list));
    app.setScreenUpdating(true);
}

} // namespace mv
