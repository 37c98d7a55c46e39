#pragma once
// A text field with a fixed capacity in characters, as the signal record and
// the file headers have them. Held as UTF-8; longer input is cut to the capacity
// on a character boundary, never in the middle of a multi-byte sequence.
#include <cstddef>
#include <string>
#include <string_view>

namespace mv {

// Cuts a UTF-8 text to at most maxChars code points.
std::string cutUtf8(std::string_view text, std::size_t maxChars);

template <std::size_t Capacity>
class FixedText {
public:
    static constexpr std::size_t capacity = Capacity;
    FixedText() = default;
    FixedText(std::string_view s) : text_(cutUtf8(s, Capacity)) {}
    FixedText& operator=(std::string_view s) {
        text_ = cutUtf8(s, Capacity);
        return *this;
    }
    FixedText& operator=(const std::string& s) { return *this = std::string_view(s); }
    FixedText& operator=(const char* s) { return *this = std::string_view(s); }
    const std::string& str() const { return text_; }
    operator const std::string&() const { return text_; }
    bool empty() const { return text_.empty(); }
    void clear() { text_.clear(); }
    bool operator==(const FixedText&) const = default;
    bool operator==(std::string_view s) const { return text_ == s; }

private:
    std::string text_;
};

} // namespace mv
