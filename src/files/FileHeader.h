#pragma once
// The 128-byte text header that opens both the native signal file and our
// MAT-files: who wrote the file and when, the open test Log, and the file ID.
#include <array>
#include <cstdint>
#include <string>

namespace mv::files {

inline constexpr std::size_t kTextHeaderSize = 128;

struct HeaderInfo {
    // The executable's name. Our MAT reader (and the rest of the program family)
    // recognises its own files by the "MV" these names start with.
    std::string program = "MVtervik";
    // Date and time of writing; empty means now.
    std::string dateTime;
    // File name of the open test Log workbook; empty when none is open.
    std::string logWorkbook;
    // Nothing in the program assigns file IDs, so files carry 0.
    std::int32_t fileId = 0;
};

// "dd.mm.yyyy hh:mm:ss" in local time.
std::string currentDateTime();

std::array<char, kTextHeaderSize> buildTextHeader(const HeaderInfo& info);

} // namespace mv::files
