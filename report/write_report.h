#pragma once

#include <cstddef>
#include <functional>
#include <string_view>
#include <vector>

#include "common/file_system.h"
#include "report/delivery.h"
#include "report/report_pages.h"

namespace tecris2nx::report {

/// The report's files, in the order they are written.
extern const std::vector<TextView> kReportFiles;
/// The PDF beside them, where the front end can draw one.
extern const TextView kReportPdf;

/// Draws the document's pages as a PDF, handing its bytes to `write` as they are made.
using PdfPainter = std::function<void(const ReportDocument& document,
                                      const std::function<void(std::string_view)>& write)>;

struct ReportRun {
  int workers = 1;  ///< files read at once
  /// After each file, in list order, on the calling thread: false stops the report, and nothing
  /// is written.
  std::function<bool(std::size_t index, const BoreholeEntry& entry)> fileDone;
  PdfPainter pdf;  ///< writes "report.pdf" too when set
  /// Asked after each file and between the parts being written (any thread): true stops the
  /// report, and nothing is written.
  std::function<bool()> stopped;
};

struct ReportOutcome {
  std::size_t files = 0;
  std::size_t failed = 0;  ///< files the conversion rejects
  std::size_t placed = 0;  ///< files on the map
  bool stopped = false;    ///< fileDone or stopped said stop: nothing was written
  std::vector<Text> written;
};

/// Reads every file once, as the conversion and the check read it, and writes the report's
/// files into `folder` (made when missing) together: all of them or, on a failure, none.
/// Throws FileSystemError when they cannot be written.
ReportOutcome WriteDeliveryReport(FileSystem& fs, const std::vector<Text>& files,
                                  const Text& folder, const ReportSettings& settings,
                                  const ReportRun& run);

}  // namespace tecris2nx::report
