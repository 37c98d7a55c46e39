#include "evaluation/workbook/CellRef.h"

#include <charconv>

namespace mv {

std::optional<int> columnFromLetters(std::string_view letters) {
    if (letters.empty() || letters.size() > 3)
        return std::nullopt;
    int col = 0;
    for (char ch : letters) {
        if (ch >= 'a' && ch <= 'z')
            ch = static_cast<char>(ch - 'a' + 'A');
        if (ch < 'A' || ch > 'Z')
            return std::nullopt;
        col = col * 26 + (ch - 'A' + 1);
    }
    if (col > kMaxColumns)
        return std::nullopt;
    return col;
}

void appendCellName(std::string& out, int row, int col) {
    char letters[4];
    int n = 0;
    while (col > 0 && n < 4) {
        const int rem = (col - 1) % 26;
        letters[n++] = static_cast<char>('A' + rem);
        col = (col - 1) / 26;
    }
    while (n > 0)
        out.push_back(letters[--n]);
    char digits[16];
    auto res = std::to_chars(digits, digits + sizeof digits, row);
    out.append(digits, res.ptr);
}

std::string columnLetters(int col) {
    std::string s;
    appendCellName(s, 0, col);
    while (!s.empty() && s.back() == '0')
        s.pop_back();
    return s;
}

std::string cellName(int row, int col) {
    std::string s;
    appendCellName(s, row, col);
    return s;
}

std::string absoluteCellName(int row, int col) {
    return "$" + columnLetters(col) + "$" + std::to_string(row);
}

std::optional<CellPos> parseCellName(std::string_view text) {
    size_t i = 0;
    if (i < text.size() && text[i] == '$')
        ++i;
    const size_t letters0 = i;
    while (i < text.size() && ((text[i] >= 'A' && text[i] <= 'Z') || (text[i] >= 'a' && text[i] <= 'z')))
        ++i;
    auto col = columnFromLetters(text.substr(letters0, i - letters0));
    if (!col)
        return std::nullopt;
    if (i < text.size() && text[i] == '$')
        ++i;
    if (i >= text.size() || text[i] < '1' || text[i] > '9')
        return std::nullopt;
    int row = 0;
    auto res = std::from_chars(text.data() + i, text.data() + text.size(), row);
    if (res.ec != std::errc() || res.ptr != text.data() + text.size() || row < 1 || row > kMaxRows)
        return std::nullopt;
    return CellPos{row, *col};
}

std::optional<CellRange> parseRange(std::string_view text) {
    const auto colon = text.find(':');
    if (colon == std::string_view::npos) {
        auto p = parseCellName(text);
        if (!p)
            return std::nullopt;
        return CellRange{*p, *p};
    }
    auto a = parseCellName(text.substr(0, colon));
    auto b = parseCellName(text.substr(colon + 1));
    if (!a || !b)
        return std::nullopt;
    CellRange r{{std::min(a->row, b->row), std::min(a->col, b->col)},
                {std::max(a->row, b->row), std::max(a->col, b->col)}};
    return r;
}

std::string rangeName(const CellRange& r) {
    if (r.first == r.last)
        return cellName(r.first.row, r.first.col);
    return cellName(r.first.row, r.first.col) + ":" + cellName(r.last.row, r.last.col);
}

std::optional<SheetReference> parseSheetReference(std::string_view text) {
    SheetReference ref;
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    if (!text.empty() && text.front() == '=')
        text.remove_prefix(1);
    if (!text.empty() && text.front() == '\'') {
        size_t i = 1;
        for (;;) {
            if (i >= text.size())
                return std::nullopt;
            if (text[i] == '\'') {
                if (i + 1 < text.size() && text[i + 1] == '\'') {
                    ref.sheet.push_back('\'');
                    i += 2;
                    continue;
                }
                break;
            }
            ref.sheet.push_back(text[i++]);
        }
        if (i + 1 >= text.size() || text[i + 1] != '!')
            return std::nullopt;
        text.remove_prefix(i + 2);
    } else if (auto bang = text.rfind('!'); bang != std::string_view::npos) {
        ref.sheet = std::string(text.substr(0, bang));
        text.remove_prefix(bang + 1);
    }
    auto range = parseRange(text);
    if (!range)
        return std::nullopt;
    ref.range = *range;
    return ref;
}

std::string quoteSheetName(std::string_view name) {
    bool plain = !name.empty() && !(name.front() >= '0' && name.front() <= '9');
    for (unsigned char ch : name)
        if (!(std::isalnum(ch) || ch == '_' || ch == '.'))
            plain = false;
    if (plain && parseCellName(name))
        plain = false;
    if (plain)
        return std::string(name);
    std::string q = "'";
    for (char ch : name) {
        q.push_back(ch);
        if (ch == '\'')
            q.push_back('\'');
    }
    q.push_back('\'');
    return q;
}

} // namespace mv
