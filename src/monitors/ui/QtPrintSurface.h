#pragma once
// The strip chart's pages on a printer or in a PDF file. Made and used on the graph
// thread; QPainter on a PDF writer or printer does not need the user-interface thread.
#include "monitors/StripChart.h"

#include <memory>
#include <string>

namespace mv {

// A surface for polygraph p: its printer when one is named and it is not set to print to
// a file, else a PDF file named by stripFileName(..., ".pdf") (its folder is made).
// nullptr when neither can be opened.
std::unique_ptr<PrintSurface> openStripSurface(const TPolyGraf& p, const std::string& testId);

} // namespace mv
