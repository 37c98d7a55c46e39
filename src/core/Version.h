#pragma once

namespace mv {
inline constexpr const char* kVersion = "25.12";
inline constexpr const char* kAppTitle = "Signal analyser";
} // namespace mv
