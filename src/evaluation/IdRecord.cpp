#include "evaluation/IdRecord.h"

namespace mv {

std::vector<EvalLine> IdRecord::messages() const {
    std::vector<EvalLine> out;
    for (const RecordOp& op : ops) {
        if (op.kind == RecordOp::Kind::Pane)
            out.push_back({op.level, op.text});
        else if (op.kind == RecordOp::Kind::LogLine)
            out.push_back({op.level, "ID " + std::to_string(id) + " " + op.text});
    }
    return out;
}

} // namespace mv
