#include "evaluation/workbook/SheetXml.h"

#include "evaluation/workbook/SpreadsheetError.h"
#include "evaluation/workbook/XmlUtil.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <stdexcept>

namespace mv::detail {

namespace {

struct Tag {
    std::string_view name; // local name
    std::string_view attrs;
    bool closing = false;
    bool selfClosing = false;
};

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

class Scanner {
public:
    Scanner(std::string_view text, const std::string& part)
        : p_(text.data()), end_(text.data() + text.size()), begin_(text.data()), part_(part) {}

    bool next(Tag& t) {
        for (;;) {
            if (p_ >= end_)
                return false;
            p_ = static_cast<const char*>(std::memchr(p_, '<', static_cast<size_t>(end_ - p_)));
            if (!p_) {
                p_ = end_;
                return false;
            }
            if (p_ + 1 < end_ && (p_[1] == '!' || p_[1] == '?')) {
                const char* close = p_[1] == '?' ? "?>" : (startsWith("<!--") ? "-->" : "]]>");
                const char* e = find(p_ + 2, close);
                if (!e)
                    fail("unterminated markup");
                p_ = e + std::strlen(close);
                continue;
            }
            const char* q = p_ + 1;
            t.closing = q < end_ && *q == '/';
            if (t.closing)
                ++q;
            const char* n0 = q;
            while (q < end_ && !isSpace(*q) && *q != '>' && *q != '/')
                ++q;
            t.name = localName(std::string_view(n0, static_cast<size_t>(q - n0)));
            const char* a0 = q;
            char quote = 0;
            while (q < end_) {
                if (quote) {
                    if (*q == quote)
                        quote = 0;
                } else if (*q == '"' || *q == '\'') {
                    quote = *q;
                } else if (*q == '>') {
                    break;
                } else if (*q == '<') {
                    fail("'<' inside a tag");
                }
                ++q;
            }
            if (q >= end_)
                fail("unterminated tag");
            t.selfClosing = q > a0 && q[-1] == '/';
            t.attrs = std::string_view(a0, static_cast<size_t>(q - a0) - (t.selfClosing ? 1 : 0));
            p_ = q + 1;
            return true;
        }
    }

    // The character data up to the next tag.
    std::string_view text() const {
        if (p_ >= end_)
            return {p_, 0};
        const char* e =
            static_cast<const char*>(std::memchr(p_, '<', static_cast<size_t>(end_ - p_)));
        if (!e)
            e = end_;
        return {p_, static_cast<size_t>(e - p_)};
    }

    // Skips to the end tag of the element just opened.
    void skipElement(const Tag& open) {
        if (open.selfClosing)
            return;
        int depth = 1;
        Tag t;
        while (next(t)) {
            if (t.closing) {
                if (--depth == 0)
                    return;
            } else if (!t.selfClosing) {
                ++depth;
            }
        }
        fail("element <" + std::string(open.name) + "> is not closed");
    }

    [[noreturn]] void fail(const std::string& why) const {
        throw PackageError("malformed XML in " + part_ + ": " + why + " at offset " +
                           std::to_string(p_ - begin_));
    }

private:
    bool startsWith(const char* s) const {
        const size_t n = std::strlen(s);
        return static_cast<size_t>(end_ - p_) >= n && std::memcmp(p_, s, n) == 0;
    }
    const char* find(const char* from, const char* what) const {
        std::string_view hay(from, static_cast<size_t>(end_ - from));
        auto pos = hay.find(what);
        return pos == std::string_view::npos ? nullptr : from + pos;
    }

    const char* p_;
    const char* end_;
    const char* begin_;
    const std::string& part_;
};

// Calls f(name, rawValue) for every attribute. One whose name is no XML name (`r"1` of a
// hand-broken `<row r"1="">`) is passed over: kept attributes are written back as read,
// and such a name would make a saved workbook that nothing opens.
template <class F>
void forEachAttr(std::string_view attrs, F f) {
    size_t i = 0;
    while (i < attrs.size()) {
        while (i < attrs.size() && isSpace(attrs[i]))
            ++i;
        const size_t n0 = i;
        while (i < attrs.size() && attrs[i] != '=' && !isSpace(attrs[i]))
            ++i;
        const std::string_view name = attrs.substr(n0, i - n0);
        while (i < attrs.size() && (isSpace(attrs[i]) || attrs[i] == '='))
            ++i;
        if (i >= attrs.size() || (attrs[i] != '"' && attrs[i] != '\''))
            return;
        const char quote = attrs[i++];
        const size_t v0 = i;
        while (i < attrs.size() && attrs[i] != quote)
            ++i;
        if (validXmlName(name))
            f(name, attrs.substr(v0, i - v0));
        ++i;
    }
}

std::string_view attr(std::string_view attrs, std::string_view wanted) {
    std::string_view found;
    bool have = false;
    forEachAttr(attrs, [&](std::string_view n, std::string_view v) {
        if (!have && n == wanted) {
            found = v;
            have = true;
        }
    });
    return found;
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && isSpace(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isSpace(s.back()))
        s.remove_suffix(1);
    return s;
}

std::string textOf(std::string_view raw) {
    // A NUL needs the slow path too: unescape reads it as "_x0000_" reads.
    if (raw.find_first_of(std::string_view("&\r_\0", 4)) == std::string_view::npos)
        return std::string(raw);
    return unescape(raw);
}

// Texts of the <t> elements inside a string item (<si> or <is>), without phonetic runs.
std::string readStringItem(Scanner& sc, const Tag& open) {
    std::string out;
    if (open.selfClosing)
        return out;
    int depth = 1;
    int phonetic = 0;
    Tag t;
    while (sc.next(t)) {
        if (t.closing) {
            if (t.name == "rPh")
                --phonetic;
            if (--depth == 0)
                return out;
            continue;
        }
        if (t.selfClosing)
            continue;
        ++depth;
        if (t.name == "rPh")
            ++phonetic;
        else if (t.name == "t" && phonetic == 0)
            out += textOf(sc.text());
    }
    sc.fail("string item is not closed");
}

} // namespace

SplitSheet splitSheetXml(std::string_view xml, const std::string& part) {
    Scanner sc(xml, part);
    Tag t;
    // Only a <sheetData> right inside the <worksheet> root holds the cells; one anywhere
    // else is kept as it stands, like any element we do not model.
    int depth = 0;
    bool inWorksheet = false;
    while (sc.next(t)) {
        if (t.closing) {
            --depth;
            continue;
        }
        if (depth == 0)
            inWorksheet = t.name == "worksheet";
        if (t.name != "sheetData" || depth != 1 || !inWorksheet) {
            if (!t.selfClosing)
                ++depth;
            continue;
        }
        const size_t open0 = static_cast<size_t>(sc.text().data() - xml.data());
        // Position of the '<' of the start tag: search back from the end of the tag.
        const size_t lt = xml.rfind('<', open0 - 1);
        SplitSheet s;
        size_t after = open0;
        if (!t.selfClosing) {
            // The content ends at the matching end tag; sheetData does not nest.
            Tag e;
            const char* contentStart = sc.text().data();
            const char* contentEnd = nullptr;
            while (sc.next(e)) {
                if (e.closing && e.name == "sheetData") {
                    contentEnd = sc.text().data();
                    break;
                }
            }
            if (!contentEnd)
                sc.fail("<sheetData> is not closed");
            const size_t endTagStart =
                xml.rfind('<', static_cast<size_t>(contentEnd - xml.data()) - 1);
            s.sheetData = std::string_view(
                contentStart, static_cast<size_t>(xml.data() + endTagStart - contentStart));
            after = static_cast<size_t>(contentEnd - xml.data());
        }
        // Keep a prefix the document used on the element.
        const std::string_view qname =
            xml.substr(lt + 1, t.name.data() + t.name.size() - xml.data() - lt - 1);
        s.shell.reserve(lt + 16 + (xml.size() - after));
        s.shell.append(xml.substr(0, lt));
        s.shell += "<";
        s.shell.append(qname);
        s.shell += "/>";
        s.shell.append(xml.substr(after));
        return s;
    }
    throw PackageError("the worksheet " + part +
                       " holds no <sheetData> in its <worksheet> element");
}

void readSheetData(std::string_view content, Sheet& sheet, const std::vector<std::string>& sst,
                   std::size_t styleCount, const std::string& part) {
    Scanner sc(content, part);
    Tag t;
    // The sheet's copy of each shared string, made when a cell first uses it.
    std::vector<const std::string*> sstIn(sst.size(), nullptr);
    int rowNum = 0;
    Row* row = nullptr;
    int col = 0;
    while (sc.next(t)) {
        if (t.closing)
            continue;
        if (t.name == "row") {
            const auto r = attr(t.attrs, "r");
            int n = rowNum + 1;
            if (!r.empty()) {
                auto res = std::from_chars(r.data(), r.data() + r.size(), n);
                if (res.ec != std::errc())
                    sc.fail("row number '" + std::string(r) + "'");
            }
            if (n < 1 || n > kMaxRows)
                sc.fail("row number " + std::to_string(n) + " outside the sheet");
            rowNum = n;
            row = &sheet.rowForReader(rowNum);
            col = 0;
            std::string kept;
            forEachAttr(t.attrs, [&](std::string_view name, std::string_view v) {
                if (name == "r" || name == "spans")
                    return;
                kept += ' ';
                kept.append(name);
                kept += "=\"";
                kept.append(v);
                kept += '"';
            });
            row->attrs = std::move(kept);
            continue;
        }
        if (t.name != "c") {
            sc.skipElement(t);
            continue;
        }
        if (!row) {
            rowNum = 1;
            row = &sheet.rowForReader(rowNum);
        }
        std::string_view type;
        std::uint32_t style = 0;
        int cellRow = rowNum;
        bool haveRef = false;
        forEachAttr(t.attrs, [&](std::string_view name, std::string_view v) {
            if (name == "r") {
                auto pos = parseCellName(v);
                if (!pos)
                    sc.fail("cell reference '" + std::string(v) + "'");
                cellRow = pos->row;
                col = pos->col;
                haveRef = true;
            } else if (name == "s") {
                unsigned s = 0;
                std::from_chars(v.data(), v.data() + v.size(), s);
                style = s < styleCount ? s : 0;
            } else if (name == "t") {
                type = v;
            }
        });
        if (!haveRef)
            ++col;
        if (col < 1 || col > kMaxColumns)
            sc.fail("column outside the sheet");
        std::string_view v;
        bool haveV = false;
        std::string inlineText;
        Formula f;
        bool haveF = false;
        if (!t.selfClosing) {
            Tag e;
            for (;;) {
                if (!sc.next(e))
                    sc.fail("cell is not closed");
                if (e.closing) {
                    if (e.name == "c")
                        break;
                    continue;
                }
                if (e.name == "v") {
                    if (!e.selfClosing) {
                        v = sc.text();
                        haveV = true;
                    }
                } else if (e.name == "f") {
                    haveF = true;
                    f.attrs.clear();
                    forEachAttr(e.attrs, [&](std::string_view n, std::string_view val) {
                        f.attrs += ' ';
                        f.attrs.append(n);
                        f.attrs += "=\"";
                        f.attrs.append(val);
                        f.attrs += '"';
                    });
                    if (!e.selfClosing)
                        f.text = textOf(sc.text());
                } else if (e.name == "is") {
                    inlineText = readStringItem(sc, e);
                } else {
                    sc.skipElement(e);
                }
            }
        }
        Cell cell;
        cell.col = static_cast<std::uint32_t>(col);
        cell.style = style;
        if (type == "s") {
            if (haveV) {
                const auto tv = trim(v);
                size_t idx = 0;
                auto res = std::from_chars(tv.data(), tv.data() + tv.size(), idx);
                if (res.ec != std::errc() || idx >= sst.size())
                    sc.fail("shared string index '" + std::string(tv) + "' of cell " +
                            cellName(cellRow, col) + " does not exist");
                cell.type = CellType::Text;
                if (!sstIn[idx])
                    sstIn[idx] = sheet.intern(sst[idx]);
                cell.text = sstIn[idx];
            }
        } else if (type == "inlineStr") {
            cell.type = CellType::Text;
            cell.text = sheet.intern(inlineText);
        } else if (type == "str" || type == "d") {
            if (haveV) {
                cell.type = CellType::Text;
                cell.text = sheet.intern(textOf(v));
            }
        } else if (type == "b") {
            if (haveV) {
                cell.type = CellType::Bool;
                cell.number = trim(v) == "1" || trim(v) == "true" ? 1.0 : 0.0;
            }
        } else if (type == "e") {
            cell.type = CellType::Error;
            cell.text = sheet.intern(textOf(trim(v)));
        } else if (haveV) {
            const auto tv = trim(v);
            if (!tv.empty()) {
                double d = 0;
                auto res = std::from_chars(tv.data(), tv.data() + tv.size(), d);
                if (res.ec != std::errc() || res.ptr != tv.data() + tv.size())
                    sc.fail("cell " + cellName(cellRow, col) + " holds '" + std::string(tv) +
                            "', which is not a number");
                cell.type = CellType::Number;
                cell.number = d;
            }
        }
        if (cell.type == CellType::Empty && style == 0 && !haveF)
            continue;
        cell.hasFormula = haveF;
        if (haveF)
            sheet.formulas()[{cellRow, col}] = std::move(f);
        Row& target = cellRow == rowNum ? *row : sheet.rowForReader(cellRow);
        if (target.cells.empty() || target.cells.back().col < cell.col)
            target.cells.push_back(std::move(cell));
        else
            sheet.touch(cellRow, col) = std::move(cell);
    }
    sheet.finishReading();
}

std::vector<std::string> readSharedStrings(std::string_view xml, const std::string& part) {
    std::vector<std::string> out;
    Scanner sc(xml, part);
    Tag t;
    while (sc.next(t)) {
        if (!t.closing && t.name == "si")
            out.push_back(readStringItem(sc, t));
    }
    return out;
}

std::uint32_t SharedStringTable::index(const std::string& text) {
    ++uses_;
    auto [it, inserted] =
        map_.try_emplace(std::string_view(text), static_cast<std::uint32_t>(order_.size()));
    if (inserted)
        order_.push_back(&text);
    return it->second;
}

std::string SharedStringTable::xml() const {
    std::string out;
    out += R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
           "\n"
           R"(<sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" count=")";
    out += std::to_string(uses_) + "\" uniqueCount=\"" + std::to_string(order_.size()) + "\">";
    for (const std::string* s : order_) {
        const bool preserve = !s->empty() && (isSpace(s->front()) || isSpace(s->back()));
        out += preserve ? "<si><t xml:space=\"preserve\">" : "<si><t>";
        appendEscaped(out, *s);
        out += "</t></si>";
    }
    out += "</sst>";
    return out;
}

void appendInt(std::string& out, long long v) {
    char buf[24];
    auto res = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, res.ptr);
}

void appendNumber(std::string& out, double v) {
    char buf[32];
    auto res = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, res.ptr);
}

void collectSharedStrings(const Sheet& sheet, SharedStringTable& sst) {
    for (const auto& [rowNum, row] : sheet.rows())
        for (const Cell& c : row.cells)
            if (c.type == CellType::Text && !c.hasFormula)
                sst.index(c.str());
}

SheetDataWriter::SheetDataWriter(const Sheet& sheet, const SharedStringTable& sst,
                                 std::string openTag)
    : sheet_(sheet), sst_(sst), it_(sheet.rows().begin()), openTag_(std::move(openTag)) {}

bool SheetDataWriter::next(std::string& out, std::size_t minBytes) {
    if (finished_)
        return false;
    const std::size_t start = out.size();
    if (!started_) {
        out += openTag_;
        started_ = true;
    }
    while (it_ != sheet_.rows().end() && out.size() - start < minBytes) {
        appendRow(out, it_->first, it_->second);
        ++it_;
    }
    if (it_ == sheet_.rows().end()) {
        out += "</sheetData>";
        finished_ = true;
    }
    return true;
}

void SheetDataWriter::appendRow(std::string& out, int rowNum, const Row& row) {
    const Sheet& sheet = sheet_;
    if (row.cells.empty() && row.attrs.empty())
        return;
    out += "<row r=\"";
    appendInt(out, rowNum);
    out += '"';
    out += row.attrs;
    if (row.cells.empty()) {
        out += "/>";
        return;
    }
    out += '>';
    for (const Cell& c : row.cells) {
        if (c.type == CellType::Empty && !c.hasFormula && c.style == 0)
            continue;
        out += "<c r=\"";
        appendCellName(out, rowNum, static_cast<int>(c.col));
        out += '"';
        if (c.style != 0) {
            out += " s=\"";
            appendInt(out, c.style);
            out += '"';
        }
        const bool badNumber = c.type == CellType::Number && !std::isfinite(c.number);
        switch (c.type) {
        case CellType::Text:
            out += c.hasFormula ? " t=\"str\"" : " t=\"s\"";
            break;
        case CellType::Bool:
            out += " t=\"b\"";
            break;
        case CellType::Error:
            out += " t=\"e\"";
            break;
        default:
            if (badNumber)
                out += " t=\"e\"";
            break;
        }
        out += '>';
        if (c.hasFormula) {
            if (const Formula* f = sheet.formula(rowNum, static_cast<int>(c.col))) {
                out += "<f";
                out += f->attrs;
                if (f->text.empty()) {
                    out += "/>";
                } else {
                    out += '>';
                    appendEscaped(out, f->text);
                    out += "</f>";
                }
            }
        }
        switch (c.type) {
        case CellType::Number:
        case CellType::Date:
            out += "<v>";
            if (badNumber)
                out += "#NUM!";
            else
                appendNumber(out, c.number);
            out += "</v>";
            break;
        case CellType::Text:
            out += "<v>";
            if (c.hasFormula)
                appendEscaped(out, c.str());
            else
                appendInt(out, sst_.lookup(c.str()));
            out += "</v>";
            break;
        case CellType::Bool:
            out += c.number != 0 ? "<v>1</v>" : "<v>0</v>";
            break;
        case CellType::Error:
            out += "<v>";
            appendEscaped(out, c.str());
            out += "</v>";
            break;
        case CellType::Empty:
            break;
        }
        out += "</c>";
    }
    out += "</row>";
}

} // namespace mv::detail
