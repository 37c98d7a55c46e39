#pragma once
// All polygraphs as one block of 96 rows x 26 columns in the evaluation workbook's
// PARAM sheet (rows 151..246): a polygraph takes one row per subgraph, its first row
// carrying the polygraph's own columns 1..6.
#include "core/Log.h"
#include "evaluation/workbook/SpreadsheetApp.h"
#include "monitors/GraphPass.h"

namespace mv {

inline constexpr int kPolyBlockRow = 151;
inline constexpr int kPolyBlockRows = 96;
inline constexpr int kPolyBlockCols = 26;

// The block of the polygraphs in list order (geometry as the polygraphs hold it).
Block polyGrafBlock(const PolyGrafList& list);

// Builds the polygraphs of a block into `list` (emptied first). Values that do not parse
// take their defaults; indices out of range keep the template's value; each refusal is a
// log line. Returns the number of polygraphs built.
int loadPolyGrafBlock(const Block& b, PolyGrafList& list, double fsPlay, Log& log);

// The same through the workbook engine: read / write the block of a PARAM sheet.
Block readPolyGrafBlock(const SpreadsheetApp& app, const SheetHandle& h);
void savePolyGrafs(SpreadsheetApp& app, const SheetHandle& h, const PolyGrafList& list);

} // namespace mv
