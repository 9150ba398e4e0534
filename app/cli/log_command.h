#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "app/cli/cli.h"

namespace tecris2nx {

/// `tecris2nx log [--format svg] [--scale 100] [--paper a4|a3] [--patdat DIR] -o OUTDIR FILE...`
/// with the arguments after "log": the boring log of each file as OUTDIR/<identifier>.svg.
/// Exit status: 0 every file drawn, 1 one failed, 2 usage.
int RunLogCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                  CliEnvironment& env);

extern const char* const kLogUsage;

}  // namespace tecris2nx
