#pragma once
// A line an evaluation step has to say. The log pane knows information and warnings;
// the evaluation also tells errors apart, because the EvaLog marks them bold and the
// command line prints them as "E text".
#include "core/Log.h"

#include <cstdint>
#include <string>
#include <vector>

namespace mv {

enum class LineLevel : std::uint8_t { Info, Warning, Error };

struct EvalLine {
    LineLevel level = LineLevel::Info;
    std::string text;
    bool operator==(const EvalLine&) const = default;
};

inline void writeLines(Log& log, const std::vector<EvalLine>& lines) {
    for (const auto& l : lines)
        log.add(l.text, l.level != LineLevel::Info);
}

} // namespace mv
