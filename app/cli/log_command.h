#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "app/cli/cli.h"
#include "log/layout.h"

namespace tecris2nx {

/// `tecris2nx log [--format svg] [--scale 100] [--paper a4|a3] [--patdat DIR] -o OUTDIR FILE...`
/// with the arguments after "log": the boring log of each file as OUTDIR/<identifier>.svg.
/// Exit status: 0 every file drawn, 1 one failed, 2 usage.
/// Writes the formats a program can draw besides SVG; the command line itself links no toolkit.
class LogRenderer {
 public:
  virtual ~LogRenderer() = default;
  /// The file's bytes: "pdf" the pages, laid out one at a time, "png" the one continuous sheet
  /// at `dpi`. Throws ConversionError when it cannot.
  virtual std::string Render(const boringlog::Borehole& hole,
                             const boringlog::LayoutOptions& options, const std::string& format,
                             int dpi) = 0;
};

/// The program beside `tecris2nx` that draws PDF and PNG; `log --format pdf|png` hands its
/// arguments to it when no renderer is given.
extern const char kLogRenderProgram[];

int RunLogCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                  CliEnvironment& env, LogRenderer* renderer = nullptr);

extern const char* const kLogUsage;

}  // namespace tecris2nx
