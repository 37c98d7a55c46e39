#include "graphs/RichText.h"

#include "core/Cp1250.h"

#include <cctype>
#include <cstdint>
#include <optional>

namespace mv {

std::string RichDocument::plainText() const {
    std::string s;
    for (size_t p = 0; p < paragraphs.size(); ++p) {
        if (p)
            s += '\n';
        for (const auto& r : paragraphs[p].runs)
            s += r.text;
    }
    return s;
}

namespace {

struct State {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    double sizePt = 12.0;
    RichAlign align = RichAlign::Left;
    int ucSkip = 1;    // characters that stand in for a \u character
    bool skip = false; // inside a destination whose text is not shown
};

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

class Parser {
public:
    explicit Parser(std::string_view in) : in_(in) { doc_.paragraphs.emplace_back(); }

    RichDocument run() {
        while (i_ < in_.size()) {
            const char c = in_[i_];
            if (c == '{') {
                ++i_;
                stack_.push_back(st_);
                groupStart_ = true;
                continue;
            }
            if (c == '}') {
                ++i_;
                if (!stack_.empty()) {
                    st_ = stack_.back();
                    stack_.pop_back();
                }
                groupStart_ = false;
                continue;
            }
            if (c == '\\') {
                control();
                groupStart_ = false;
                continue;
            }
            groupStart_ = false;
            ++i_;
            if (c == '\r' || c == '\n')
                continue; // line breaks of the file are not text
            byte(static_cast<unsigned char>(c));
        }
        // A trailing empty paragraph (from the final \par) shows nothing.
        if (doc_.paragraphs.size() > 1 && doc_.paragraphs.back().runs.empty())
            doc_.paragraphs.pop_back();
        return std::move(doc_);
    }

private:
    void control() {
        ++i_; // the backslash
        if (i_ >= in_.size())
            return;
        const char c = in_[i_];
        if (!std::isalpha(static_cast<unsigned char>(c))) {
            ++i_;
            switch (c) {
            case '\'': {
                const int hi = i_ < in_.size() ? hexDigit(in_[i_]) : -1;
                const int lo = i_ + 1 < in_.size() ? hexDigit(in_[i_ + 1]) : -1;
                if (hi >= 0 && lo >= 0) {
                    i_ += 2;
                    if (pendingSkip_ > 0) {
                        --pendingSkip_;
                        return;
                    }
                    byte(static_cast<unsigned char>(hi * 16 + lo), true);
                } else if (hi >= 0) {
                    ++i_; // a broken escape shows nothing of itself
                }
                return;
            }
            case '*':
                // {\*\dest ...}: a destination this reader may not know; skip it.
                st_.skip = true;
                return;
            case '~':
                text("\u00A0");
                return;
            case '_':
                text("\u2011");
                return;
            case '-':
                return; // optional hyphen
            case '\n':
            case '\r':
                paragraph();
                return;
            default: // \\ \{ \} and anything else: the character itself
                byte(static_cast<unsigned char>(c));
                return;
            }
        }
        const size_t start = i_;
        while (i_ < in_.size() && std::isalpha(static_cast<unsigned char>(in_[i_])))
            ++i_;
        const std::string_view word = in_.substr(start, i_ - start);
        std::optional<long> param;
        bool neg = false;
        if (i_ < in_.size() && in_[i_] == '-') {
            neg = true;
            ++i_;
        }
        if (i_ < in_.size() && std::isdigit(static_cast<unsigned char>(in_[i_]))) {
            long v = 0;
            while (i_ < in_.size() && std::isdigit(static_cast<unsigned char>(in_[i_]))) {
                if (v < 100000000)
                    v = v * 10 + (in_[i_] - '0');
                ++i_;
            }
            param = neg ? -v : v;
        }
        if (i_ < in_.size() && in_[i_] == ' ')
            ++i_; // the delimiter belongs to the control word
        word_(word, param);
    }

    void word_(std::string_view w, std::optional<long> p) {
        const bool on = !p || *p != 0;
        if (w == "b")
            st_.bold = on;
        else if (w == "i")
            st_.italic = on;
        else if (w == "ul")
            st_.underline = on;
        else if (w == "ulnone")
            st_.underline = false;
        else if (w == "fs" && p && *p > 0 && *p <= 3276)
            st_.sizePt = static_cast<double>(*p) / 2.0;
        else if (w == "plain") {
            st_.bold = st_.italic = st_.underline = false;
            st_.sizePt = 12.0;
        } else if (w == "pard")
            st_.align = RichAlign::Left;
        else if (w == "ql")
            st_.align = RichAlign::Left;
        else if (w == "qc")
            st_.align = RichAlign::Center;
        else if (w == "qr")
            st_.align = RichAlign::Right;
        else if (w == "par")
            paragraph();
        else if (w == "line")
            text("\n");
        else if (w == "tab")
            text("\t");
        else if (w == "uc" && p && *p >= 0 && *p < 10)
            st_.ucSkip = static_cast<int>(*p);
        else if (w == "u" && p) {
            long v = *p;
            if (v < 0)
                v += 65536; // signed 16-bit in the file
            std::string s;
            appendUtf8(s, static_cast<std::uint32_t>(v));
            text(s);
            pendingSkip_ = st_.ucSkip;
        } else if (w == "emdash")
            text("\u2014");
        else if (w == "endash")
            text("\u2013");
        else if (w == "bullet")
            text("\u2022");
        else if (w == "lquote")
            text("\u2018");
        else if (w == "rquote")
            text("\u2019");
        else if (w == "ldblquote")
            text("\u201C");
        else if (w == "rdblquote")
            text("\u201D");
        else if (groupStart_ && isHiddenDestination(w))
            st_.skip = true;
    }

    static bool isHiddenDestination(std::string_view w) {
        static const std::string_view hidden[] = {
            "fonttbl",          "colortbl",  "stylesheet",   "info",      "pict",     "object",
            "header",           "footer",    "footnote",     "listtable", "xmlnstbl", "rsidtbl",
            "generator",        "themedata", "latentstyles", "datastore", "filetbl",  "revtbl",
            "listoverridetable"};
        for (auto h : hidden)
            if (w == h)
                return true;
        return false;
    }

    // One character of the text: a byte of code page 1250 (or plain ASCII).
    void byte(unsigned char b, bool fromHex = false) {
        if (!fromHex && pendingSkip_ > 0) {
            --pendingSkip_;
            return;
        }
        if (b < 0x20 && b != '\t')
            return;
        const char ch = static_cast<char>(b);
        text(b < 0x80 ? std::string(1, ch) : cp1250ToUtf8(std::string_view(&ch, 1)));
    }

    void text(const std::string& s) {
        if (st_.skip || s.empty())
            return;
        RichParagraph& par = doc_.paragraphs.back();
        if (par.runs.empty())
            par.align = st_.align;
        if (!par.runs.empty()) {
            RichRun& last = par.runs.back();
            if (last.bold == st_.bold && last.italic == st_.italic &&
                last.underline == st_.underline && last.sizePt == st_.sizePt) {
                last.text += s;
                return;
            }
        }
        par.runs.push_back({s, st_.bold, st_.italic, st_.underline, st_.sizePt});
    }

    void paragraph() {
        if (st_.skip)
            return;
        doc_.paragraphs.back().align =
            doc_.paragraphs.back().runs.empty() ? st_.align : doc_.paragraphs.back().align;
        doc_.paragraphs.emplace_back();
        doc_.paragraphs.back().align = st_.align;
    }

    std::string_view in_;
    size_t i_ = 0;
    State st_;
    std::vector<State> stack_;
    bool groupStart_ = false;
    int pendingSkip_ = 0;
    RichDocument doc_;
};

} // namespace

RichDocument parseRtf(std::string_view rtf) {
    return Parser(rtf).run();
}

std::vector<LineChunk> chunkLines(const std::vector<double>& lineHeights, double cellHeight) {
    std::vector<LineChunk> chunks;
    if (!(cellHeight > 0))
        return chunks;
    const int n = static_cast<int>(lineHeights.size());
    int k = 0;
    while (k < n) {
        LineChunk c{k, 0};
        double used = 0;
        while (k < n && used + lineHeights[static_cast<size_t>(k)] <= cellHeight) {
            used += lineHeights[static_cast<size_t>(k)];
            ++k;
            ++c.count;
        }
        if (c.count == 0)
            break; // a line taller than the cell: drawing again would not advance
        chunks.push_back(c);
    }
    return chunks;
}

} // namespace mv
