#include "evaluation/EvaPlan.h"

#include "core/SignalRecord.h"
#include "core/TextNumbers.h"
#include "evaluation/workbook/SpreadsheetError.h"
#include "processing/FnTable.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <functional>

namespace mv {

std::string cellText(const CellValue& v) {
    switch (v.type) {
    case CellType::Text:
        return v.text;
    case CellType::Number:
    case CellType::Date: {
        // The shortest text that reads back as the same number: "100", not "100.000000".
        char buf[64];
        const auto r = std::to_chars(buf, buf + sizeof buf, v.number);
        return std::string(buf, r.ptr);
    }
    case CellType::Bool:
        return v.number != 0.0 ? "TRUE" : "FALSE";
    default:
        return "";
    }
}

namespace {

// The text form of a catalogue function whose parameters are the built-in defaults, with
// some of them replaced. A fresh catalogue is used on purpose: the session's catalogue
// remembers the values accepted last, and a bulk run must not depend on what the user
// typed into the Signal table before.
std::string
chainText(TFnTyp type,
          const std::function<std::string(const std::string&, const std::string&)>& value) {
    const TFnTable table = BuildFnTable();
    const TFnDef& d = table[type];
    std::string s = d.Name.str();
    s += "(";
    for (int k = 1; k <= d.ParCount; ++k) {
        s += " ";
        s += d.Par[k].Name.str();
        s += "=";
        s += value(d.Par[k].Name.str(), d.Par[k].DefaultText.str());
        s += k == d.ParCount ? ")" : ";";
    }
    return s;
}

std::string trimmed(const std::string& s) {
    return std::string(trimBlanks(s));
}

// '.' or ',' as the separator, as the chain's own parameters read them.
std::optional<double> numberOf(const std::string& text) {
    std::string t = trimmed(text);
    if (const auto comma = t.find(','); comma != std::string::npos)
        t[comma] = '.';
    return parseWholeFinite(t);
}

// A failure that ends the reading of a table with the message prepared last.
struct TableError {
    std::string message;
};

// Reads one PARAM cell; a failure of the workbook becomes the table's prepared message.
class ParamReader {
public:
    ParamReader(SpreadsheetApp& app, const SheetHandle& param) : app_(app), param_(param) {}

    NamedCell named(const std::string& name) {
        try {
            return app_.namedCell(param_, name);
        } catch (const SpreadsheetError& e) {
            throw TableError{"Can not read the EvaLog cell " + name + ": " + e.what()};
        }
    }
    CellValue value(const NamedCell& c) { return app_.value2(c.sheet, c.row, c.column); }
    std::string text(const NamedCell& c) { return trimmed(cellText(value(c))); }
    bool bold(const NamedCell& c) { return app_.bold(c.sheet, c.row, c.column); }

private:
    SpreadsheetApp& app_;
    SheetHandle param_;
};

// An integer cell; empty reads as 0 (as an empty cell converts), a text that is no whole
// number fails.
bool intOf(const CellValue& v, int& out) {
    if (v.isEmpty()) {
        out = 0;
        return true;
    }
    if (v.isNumber()) {
        if (!std::isfinite(v.number) || std::abs(v.number) > 2e9 ||
            v.number != std::floor(v.number))
            return false;
        out = static_cast<int>(v.number);
        return true;
    }
    if (v.type == CellType::Text) {
        const auto i = parseWholeInt32(trimBlanks(v.text));
        if (!i)
            return false;
        out = *i;
        return true;
    }
    return false;
}

// A number cell; empty gives `empty`, a decimal comma is accepted in a text.
bool floatOf(const CellValue& v, float empty, float& out) {
    double d = 0.0;
    if (v.isEmpty()) {
        out = empty;
        return true;
    }
    if (v.isNumber()) {
        d = v.number;
    } else if (v.type == CellType::Text) {
        const std::string t = trimmed(v.text);
        if (t.empty()) {
            out = empty;
            return true;
        }
        const auto p = numberOf(t);
        if (!p)
            return false;
        d = *p;
    } else {
        return false;
    }
    const float f = static_cast<float>(d);
    if (!std::isfinite(f))
        return false;
    out = f;
    return true;
}

bool isNumberText(const std::string& t) {
    return numberOf(t).has_value();
}

// A signal entry of a named cell: name, bold = Plot, units one column right, SaveDiv two
// columns right.
SigEntry auxEntry(ParamReader& r, const std::string& cellName) {
    const NamedCell c = r.named(cellName);
    SigEntry e;
    e.Name = r.text(c);
    e.Plot = r.bold(c);
    e.Units = r.text(c.offset(0, 1));
    if (!intOf(r.value(c.offset(0, 2)), e.SaveDiv))
        throw TableError{"Invalid SaveDiv of " + cellName};
    return e;
}

// "M" + n is slot n; a plain number k' is computed signal k', slot M + k'.
std::optional<int> decodeSlot(const std::string& text, int M) {
    if (text.empty())
        return std::nullopt;
    if (text[0] == 'M' || text[0] == 'm') {
        const auto n = parseWholeInt32(trimBlanks(std::string_view(text).substr(1)));
        if (!n || *n < 1)
            return std::nullopt;
        return *n;
    }
    const auto k = parseWholeInt32(text);
    if (!k || *k < 1 || *k > kSlotCount)
        return std::nullopt;
    return M + *k;
}

// A computed entry may read the measured signals, the computed signals before it and the
// speed slot; anything else is either not computed yet or outside the store.
bool readableBy(int slot, int k, const EvaPlan& plan) {
    if (slot >= 1 && slot < plan.M + k)
        return true;
    return plan.S > 0 && slot == plan.S;
}

void readComputed(ParamReader& r, EvaPlan& plan) {
    const NamedCell top = r.named("CompSigTable");
    std::string prepared = "Error in Computed signals param";
    try {
        for (int k = 1; k <= plan.C; ++k) {
            const NamedCell c = top.offset(k - 1, 0);
            const auto col = [&](int i) { return c.offset(0, i); };
            CompSigEntry e;
            e.Name = r.text(c);
            e.Plot = r.bold(c);
            e.Units = r.text(col(1));
            const std::string ks = std::to_string(k);

            prepared = "Comp.signal " + ks + " have not defined input Sig1 No";
            const std::string sig1 = r.text(col(2));
            if (sig1.empty())
                throw TableError{prepared};
            prepared = "Comp.signal " + ks + " have invalid Sig1 No " + sig1;
            const auto s1 = decodeSlot(sig1, plan.M);
            if (!s1 || !readableBy(*s1, k, plan))
                throw TableError{prepared};
            e.Sig1 = *s1;

            const std::string sig2 = r.text(col(4));
            if (!sig2.empty() && sig2 != "0") {
                prepared = "Comp.sig " + ks + ". Invalid Sig2 No \"" + sig2;
                const auto s2 = decodeSlot(sig2, plan.M);
                if (!s2 || !readableBy(*s2, k, plan))
                    throw TableError{prepared};
                e.Sig2 = *s2;
            }

            prepared = "Comp.signal " + ks + ". Arithmetic operation heve not signum";
            const std::string op = r.text(col(3));
            if (op.empty()) {
                if (e.Sig2 > 0)
                    throw TableError{prepared};
            } else if (op == "+") {
                e.Operation = CompOp::Add;
            } else if (op == "-") {
                e.Operation = CompOp::Sub;
            } else if (op == "*") {
                e.Operation = CompOp::Mul;
            } else if (op == "/") {
                e.Operation = CompOp::Div;
            } else {
                // An unknown sign would silently leave the operation as it was.
                throw TableError{prepared};
            }

            // The columns after the operation report the operation's message.
            if (!floatOf(r.value(col(5)), 1.0F, e.Slope1) ||
                !floatOf(r.value(col(6)), 1.0F, e.Slope2))
                throw TableError{prepared};
            e.HighPass = r.text(col(7));
            e.LowPass = r.text(col(8));
            e.StepMode = r.text(col(9));
            e.StepAverLength = r.text(col(10));
            e.StepLength = r.text(col(11));
            const CellValue off = r.value(col(12));
            if (off.type == CellType::Text && trimmed(off.text) == "Zeroing") {
                e.Zeroing = true;
                e.Offset = 0.0F;
            } else if (!floatOf(off, 0.0F, e.Offset)) {
                throw TableError{prepared};
            }
            if (!intOf(r.value(col(13)), e.SaveDiv))
                throw TableError{prepared};

            if (!e.HighPass.empty()) {
                if (!isNumberText(e.HighPass))
                    throw TableError{prepared};
                e.chain[0] = filterChainText(true, e.HighPass);
            }
            if (!e.LowPass.empty()) {
                if (!isNumberText(e.LowPass))
                    throw TableError{prepared};
                e.chain[1] = filterChainText(false, e.LowPass);
            }
            if (!e.StepMode.empty() && !e.StepAverLength.empty() && !e.StepLength.empty()) {
                if (plan.S < 1)
                    throw TableError{
                        "Step average used in \"Computed signals\", but no Speed signal defined"};
                if ((e.StepMode != "Mean" && e.StepMode != "RMS") ||
                    !isNumberText(e.StepAverLength) || !isNumberText(e.StepLength))
                    throw TableError{prepared};
                e.chain[2] = stepAverChainText(plan.S, e.StepMode, e.StepAverLength, e.StepLength);
            }
            plan.computed.push_back(std::move(e));
        }
    } catch (const SpreadsheetError&) {
        throw TableError{prepared};
    }
}

} // namespace

std::string filterChainText(bool highPass, const std::string& f1) {
    return chainText(fnFilter, [&](const std::string& name, const std::string& def) {
        if (name == "Low-High pass")
            return std::string(highPass ? "High" : "Low");
        if (name == "f1")
            return f1;
        return def;
    });
}

std::string stepAverChainText(int speedSlot, const std::string& mode, const std::string& averLength,
                              const std::string& stepLength) {
    return chainText(fnStepAver, [&](const std::string& name, const std::string& def) {
        if (name == "Speed SigNo")
            return std::to_string(speedSlot);
        if (name == "Mean/RMS")
            return mode;
        if (name == "Aver length [m]")
            return averLength;
        if (name == "Step length [m]")
            return stepLength;
        return def;
    });
}

bool readSignalTables(SpreadsheetApp& app, const SheetHandle& param, EvaPlan& plan,
                      std::vector<EvalLine>& lines) {
    const auto fail = [&](const std::string& text) {
        lines.push_back({LineLevel::Error, text});
        return false;
    };
    ParamReader r(app, param);
    try {
        try {
            int m = 0, c = 0;
            if (!intOf(r.value(r.named("MeasSigCnt")), m) || m < 0)
                return fail("Invalid MeasSigCnt in the EvaLog");
            if (!intOf(r.value(r.named("CompSigCnt")), c) || c < 0)
                return fail("Invalid CompSigCnt in the EvaLog");
            if (m == 0)
                return fail("No measured signals specified");
            if (m > kMaxMeasured)
                return fail("Too many measured signals: " + std::to_string(m) + " (at most " +
                            std::to_string(kMaxMeasured) + ")");
            if (c > kMaxComputed)
                return fail("Too many computed signals: " + std::to_string(c) + " (at most " +
                            std::to_string(kMaxComputed) + ")");
            plan.M = m;
            plan.C = c;

            static const char* const kConditions[4] = {"Dir_Condition", "Dir_Direction",
                                                       "Dir_Speed", "Dir_Track"};
            for (int i = 0; i < 4; ++i)
                plan.conditions[static_cast<std::size_t>(i)] =
                    cellText(r.value(r.named(kConditions[i]))).substr(0, 255);

            plan.speed = auxEntry(r, "AuxName_Speed");
            plan.S = plan.speed.Name.empty() ? 0 : plan.M + plan.C + 1;
            // The full evaluation also needs Track_km .. Curve and the nine result slots.
            const int used = plan.M + plan.C + (plan.full ? 14 : (plan.S > 0 ? 1 : 0));
            if (used > kSlotCount)
                return fail(std::to_string(plan.M) + " measured and " + std::to_string(plan.C) +
                            " computed signals need " + std::to_string(used) +
                            " signal slots, more than " + std::to_string(kSlotCount));
        } catch (const SpreadsheetError& e) {
            return fail(std::string("Can not read the EvaLog: ") + e.what());
        }

        try {
            const NamedCell top = r.named("MeasSigTable");
            for (int k = 1; k <= plan.M; ++k) {
                const NamedCell c = top.offset(k - 1, 0);
                SigEntry e;
                e.Name = r.text(c);
                e.Plot = r.bold(c);
                e.Units = r.text(c.offset(0, 1));
                if (!intOf(r.value(c.offset(0, 2)), e.SaveDiv))
                    return fail("Error in Measured signals param");
                plan.measured.push_back(std::move(e));
            }
        } catch (const SpreadsheetError&) {
            return fail("Error in Measured signals param");
        } catch (const TableError&) {
            return fail("Error in Measured signals param");
        }

        try {
            readComputed(r, plan);
        } catch (const TableError& e) {
            lines.push_back({LineLevel::Error, e.message});
            return fail("Error in Computed signals param");
        }

        if (plan.full) {
            try {
                plan.trackKm = auxEntry(r, "AuxName_Track_km");
                plan.drop = auxEntry(r, "AuxName_Drop");
                plan.ufMm = auxEntry(r, "AuxName_uf_mm");
                const NamedCell uf = r.named("AuxName_uf_mm");
                plan.ufMm.Zeroing = r.text(uf.offset(0, 3)) == "Zeroing";
                plan.curve = auxEntry(r, "AuxName_Curve");
            } catch (const SpreadsheetError& e) {
                return fail(std::string("Can not read the EvaLog: ") + e.what());
            }
            // Drop is optional: without it every sample counts as valid.
            if (plan.speed.Name.empty() || plan.trackKm.Name.empty() || plan.ufMm.Name.empty() ||
                plan.curve.Name.empty())
                return fail("Speed, track_km, Drop, uf or Curve file name not defined.");
            try {
                plan.sectionListFile = r.text(r.named("SectionListFile"));
            } catch (const SpreadsheetError& e) {
                return fail(std::string("Can not read the EvaLog: ") + e.what());
            }
        }
    } catch (const TableError& e) {
        return fail(e.message);
    }
    return true;
}

} // namespace mv
