#pragma once
// Texts inside signal files are Windows-1250; in memory they are UTF-8.
// The conversion happens at the file boundary only.
#include <string>
#include <string_view>

namespace mv {

std::string cp1250ToUtf8(std::string_view bytes);
// Characters that Windows-1250 cannot hold become '?'.
std::string utf8ToCp1250(std::string_view utf8);

} // namespace mv
