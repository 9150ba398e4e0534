#pragma once

#include <vector>

#include "log/primitives.h"
#include "report/delivery.h"
#include "report/report_tables.h"

namespace tecris2nx::report {

using boringlog::Page;

/// Every page of the report is A4 landscape, in millimetres.
inline constexpr double kPageWidth = 297;
inline constexpr double kPageHeight = 210;
/// Boreholes drawn side by side on one page.
inline constexpr int kColumnsPerPage = 10;

/// The boreholes placed to scale in an azimuthal equidistant plane around the centre of their
/// extent, each with its identifier, a north arrow, a scale bar and the datum. Only files the
/// conversion takes and that have a position are placed.
Page MapPage(const std::vector<BoreholeEntry>& entries, Datum datum);

/// The logs side by side: a column per borehole the conversion takes (patterns and colours of
/// its layers, N-values as bars on 0 to 50), all on one depth axis, the distance between
/// neighbours written between them; kColumnsPerPage a page. Keeps a reference to `entries`.
class SideBySide {
 public:
  explicit SideBySide(const std::vector<BoreholeEntry>& entries);
  int PageCount() const;
  Page LayOutPage(int page) const;
  /// The depth at the foot of every page's axis.
  double AxisDepth() const { return axisDepth_; }

 private:
  const std::vector<BoreholeEntry>& entries_;
  std::vector<std::size_t> drawn_;  ///< entries with a column
  double axisDepth_ = 0;
};

/// A table over as many pages as its rows take (at least one), its headings on each.
int TablePageCount(const ReportTable& table);
Page TablePage(const ReportTable& table, int page);

/// The report's pages for print, each laid out when asked for: the index, the map, the logs
/// side by side, the statistics and the findings. Keeps references to its arguments.
class ReportDocument {
 public:
  ReportDocument(const std::vector<BoreholeEntry>& entries, const SoilStatistics& soils,
                 const ReportSettings& settings);
  int PageCount() const;
  Page LayOutPage(int page) const;

 private:
  const std::vector<BoreholeEntry>& entries_;
  Datum datum_;
  SideBySide logs_;
  std::vector<ReportTable> before_;  ///< the index, under the report's title
  std::vector<ReportTable> after_;   ///< statistics and findings
};

}  // namespace tecris2nx::report
