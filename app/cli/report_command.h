#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "app/cli/cli.h"
#include "report/write_report.h"

namespace tecris2nx {

/// `tecris2nx report`: the delivery's index, GIS files and HTML page; with `--format pdf` also a
/// PDF, drawn by `pdf` (the render program's painter), or by the render program this process
/// becomes when none is given.
int RunReportCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                     CliEnvironment& env, const report::PdfPainter& pdf = {});

/// What the render program is handed first when it is to draw a report rather than a log.
extern const char kReportRenderArgument[];

extern const char* const kReportUsage;

}  // namespace tecris2nx
