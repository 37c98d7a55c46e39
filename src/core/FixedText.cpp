#include "core/FixedText.h"

#include <algorithm>

namespace mv {

std::string cutUtf8(std::string_view text, std::size_t maxChars) {
    std::size_t chars = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        if (chars == maxChars)
            return std::string(text.substr(0, i));
        const unsigned char c = static_cast<unsigned char>(text[i]);
        std::size_t len = 1;
        if (c >= 0xF0)
            len = 4;
        else if (c >= 0xE0)
            len = 3;
        else if (c >= 0xC0)
            len = 2;
        // A truncated sequence at the end counts as what is there.
        i += len;
        ++chars;
    }
    return std::string(text.substr(0, std::min(i, text.size())));
}

} // namespace mv
