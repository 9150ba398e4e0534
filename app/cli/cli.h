#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "common/file_system.h"
#include "common/pattern_folder.h"

namespace tecris2nx {

/// What the command line works with, so tests can run it in-process.
struct CliEnvironment {
  FileSystem& fs;
  PatternLookupEnv lookup;
};

/// Exit statuses of the command line.
enum CliStatus : int { kCliOk = 0, kCliFailed = 1, kCliUsage = 2 };

/// Runs the command line with its arguments (without the program name); messages in UTF-8.
int RunCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                   CliEnvironment& env);

/// True when the arguments (as RunCommandLine takes them) ask for JSON on the standard output.
bool WritesJson(const std::vector<std::string>& args);

}  // namespace tecris2nx
