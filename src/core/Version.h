#pragma once

namespace mv {
inline constexpr const char* kVersion = "25.12";
inline constexpr const char* kAppTitle = "Signal analyser";
inline constexpr const char* kProgramName = "MVtervik";
// No licence has been granted for this program so far; the line says so rather than
// claiming one.
inline constexpr const char* kLicence = "Licence: proprietary, all rights reserved.";
} // namespace mv
