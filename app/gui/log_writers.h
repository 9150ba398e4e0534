#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "app/cli/log_command.h"
#include "log/layout.h"
#include "report/write_report.h"

namespace tecris2nx {

/// A PDF of the log's pages, each laid out only when it is drawn, the Japanese font embedded,
/// handed to `write` piece by piece as the pages are drawn: however many pages, about one is held.
/// Its creation date is that of SOURCE_DATE_EPOCH when that is valid, so that it can be made
/// again byte for byte. Throws ConversionError, or what `write` throws.
void WriteLogPdf(const boringlog::PagedLog& log,
                 const std::function<void(std::string_view)>& write);
/// The same for any pages of one size: `layOut(i)` gives page i when it is drawn.
void WritePagesPdf(int count, double width, double height,
                   const std::function<boringlog::Page(int)>& layOut,
                   const std::function<void(std::string_view)>& write);
/// WriteLogPdf's bytes, whole.
std::string LogPdf(const boringlog::PagedLog& log);
/// A PNG of one sheet at `dpi`. Throws ConversionError for a sheet too long for one picture.
std::string LogPng(const boringlog::Page& sheet, int dpi);
/// The tallest PNG drawn, in pixels: a deeper sheet belongs in a PDF.
inline constexpr int kTallestPng = 32767;

/// PDF and PNG for `tecris2nx log`.
class QtLogRenderer : public LogRenderer {
 public:
  void Render(const boringlog::Borehole& hole, const boringlog::LayoutOptions& options,
              const std::string& format, int dpi,
              const std::function<void(std::string_view)>& write) override;
};

/// The report's PDF, drawn as the log's.
report::PdfPainter ReportPdfPainter();

}  // namespace tecris2nx
