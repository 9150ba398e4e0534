#pragma once

#include <vector>

#include "report/delivery.h"

namespace tecris2nx::report {

/// A table of the report, described once for the HTML page and the PDF's pages.
struct ReportTable {
  Text title;
  Text note;  ///< a line below the title
  std::vector<Text> headings;
  std::vector<double> widths;  ///< millimetres on an A4 landscape page
  std::vector<bool> numbers;   ///< right-aligned
  bool wide = false;           ///< as wide as the page
  struct Row {
    std::vector<Text> cells;
    bool failed = false;  ///< a file the conversion rejects: shown in red
  };
  std::vector<Row> rows;
};

/// The line under the report's title: the files, those rejected and placed, the datum, the date.
Text ReportSummary(const std::vector<BoreholeEntry>& entries, const ReportSettings& settings);

/// The index, failed files among the others in list order.
ReportTable IndexTable(const std::vector<BoreholeEntry>& entries, Datum datum);
/// N-values per soil class across the delivery.
ReportTable SoilTable(const SoilStatistics& statistics);
/// N-values per borehole.
ReportTable BoreholeNTable(const std::vector<BoreholeEntry>& entries);
/// The check's findings per file: counts and the first few with line and column.
ReportTable FindingsTable(const std::vector<BoreholeEntry>& entries);

}  // namespace tecris2nx::report
