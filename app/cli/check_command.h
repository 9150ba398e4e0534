#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "app/cli/cli.h"

namespace tecris2nx {

/// `tecris2nx check [--json] [--strict] [--patdat DIR] FILE...` with the arguments after "check".
/// Exit status: 0 no errors, 1 an error (with --strict also a warning), 2 usage.
int RunCheckCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                    CliEnvironment& env);

/// Synopsis and options of the check command, for the usage text.
extern const char* const kCheckUsage;

}  // namespace tecris2nx
