#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <string_view>
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
  /// Hands the file's bytes to `write` as they are made: "pdf" the pages, laid out and written
  /// one at a time, "png" the one continuous sheet at `dpi`. Throws ConversionError when it
  /// cannot.
  virtual void Render(const boringlog::Borehole& hole, const boringlog::LayoutOptions& options,
                      const std::string& format, int dpi,
                      const std::function<void(std::string_view)>& write) = 0;
};

/// The program beside `tecris2nx` that draws PDF and PNG; `log --format pdf|png` hands its
/// arguments to it when no renderer is given.
extern const char kLogRenderProgram[];

/// PDF and PNG are drawn by the program beside this one, which links the toolkit: this process
/// becomes it, with `args`. Returns only when there is none to become.
void BecomeRenderProgram(const std::vector<std::string>& args, std::ostream& out,
                         std::ostream& err);

int RunLogCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                  CliEnvironment& env, LogRenderer* renderer = nullptr);

extern const char* const kLogUsage;

}  // namespace tecris2nx
