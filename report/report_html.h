#pragma once

#include <functional>
#include <string_view>
#include <vector>

#include "report/delivery.h"

namespace tecris2nx::report {

/// "report.html": one page with everything inline (CSS and SVG, no script, nothing fetched),
/// printing on A4 landscape pages from any browser. Handed to `write` a part at a time: the
/// pictures are laid out one page at a time.
void WriteReportHtml(const std::vector<BoreholeEntry>& entries, const SoilStatistics& soils,
                     const ReportSettings& settings,
                     const std::function<void(std::string_view)>& write);

}  // namespace tecris2nx::report
