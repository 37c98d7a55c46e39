#pragma once
// Texts inside signal files are Windows-1250; in memory they are UTF-8.
// The conversion happens at the file boundary only.
#include <string>
#include <string_view>

namespace mv {

std::string cp1250ToUtf8(std::string_view bytes);
// Characters that Windows-1250 cannot hold become '?'.
std::string utf8ToCp1250(std::string_view utf8);

// Appends one code point as UTF-8; surrogates and values past U+10FFFF become U+FFFD so
// that a damaged file never yields invalid UTF-8.
void appendUtf8(std::string& out, char32_t cp);

} // namespace mv
