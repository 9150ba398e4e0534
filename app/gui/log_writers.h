#pragma once

#include <string>

#include "app/cli/log_command.h"
#include "log/layout.h"

namespace tecris2nx {

/// A PDF of the log's pages, each laid out only when it is drawn, the Japanese font embedded.
std::string LogPdf(const boringlog::PagedLog& log);
/// A PNG of one sheet at `dpi`. Throws ConversionError for a sheet too long for one picture.
std::string LogPng(const boringlog::Page& sheet, int dpi);
/// The tallest PNG drawn, in pixels: a deeper sheet belongs in a PDF.
inline constexpr int kTallestPng = 32767;

/// PDF and PNG for `tecris2nx log`.
class QtLogRenderer : public LogRenderer {
 public:
  std::string Render(const boringlog::Borehole& hole, const boringlog::LayoutOptions& options,
                     const std::string& format, int dpi) override;
};

}  // namespace tecris2nx
