#pragma once
// The header cells of the printed page come from RTF files. The toolkit reads no RTF, so
// the files are turned here into styled text it can lay out: paragraphs of runs with
// bold, italic, underline and a size. Code page 1250 bytes (\'hh) and \u characters
// become UTF-8. Anything else of RTF (fonts, colours, pictures, tables) is skipped.
#include <string>
#include <string_view>
#include <vector>

namespace mv {

struct RichRun {
    std::string text; // UTF-8
    bool bold = false;
    bool italic = false;
    bool underline = false;
    double sizePt = 12.0; // \fs counts half points; RTF's default is 24, i.e. 12 pt
    bool operator==(const RichRun&) const = default;
};

enum class RichAlign { Left, Center, Right };

struct RichParagraph {
    RichAlign align = RichAlign::Left;
    std::vector<RichRun> runs;
    bool operator==(const RichParagraph&) const = default;
};

struct RichDocument {
    std::vector<RichParagraph> paragraphs;
    // All text, paragraphs separated by '\n'.
    std::string plainText() const;
};

// Never fails: text that is not RTF comes out as plain text, unbalanced braces end
// the groups they open at the end of the input.
RichDocument parseRtf(std::string_view rtf);

// A header cell drawn again and again into the same rectangle until its text is used
// up: the lines (by their heights) that each drawing takes. Stops when a line does not
// fit on its own or the cell has no height, so nothing can loop.
struct LineChunk {
    int first = 0; // index of the first line
    int count = 0;
    bool operator==(const LineChunk&) const = default;
};
std::vector<LineChunk> chunkLines(const std::vector<double>& lineHeights, double cellHeight);

} // namespace mv
