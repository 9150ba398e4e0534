#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "common/file_system.h"
#include "common/pattern_folder.h"

namespace tecris2nx {

/// How a run learns that it was asked to end: Ctrl+C, a closed terminal or console, a polite kill.
class Interruption {
 public:
  virtual ~Interruption() = default;
  /// The signal received first (SIGINT 2, SIGTERM 15, SIGHUP 1; Windows' console events are
  /// given the same numbers); 0 while none was.
  virtual int Received() = 0;
  /// From now on an interrupt is left for the run to stop at (no further file is started, those
  /// being written finish); before, it ends the process at once, since nothing is being written.
  virtual void HoldForWriting() = 0;
};

/// What the command line works with, so tests can run it in-process.
struct CliEnvironment {
  FileSystem& fs;
  PatternLookupEnv lookup;
  Interruption* interruption = nullptr;  ///< none in tests that do not interrupt
};

/// Exit statuses of the command line; an interrupted run ends with 128 + the signal's number.
enum CliStatus : int { kCliOk = 0, kCliFailed = 1, kCliUsage = 2, kCliInterrupted = 128 };

/// The line an interrupt that ends the process at once writes on stderr.
extern const char kInterruptedLine[];

/// Installs the host's interrupt handling for this process (once, before any other thread
/// starts) and returns it.
Interruption& HostInterruption();

/// Runs the command line with its arguments (without the program name); messages in UTF-8.
int RunCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                   CliEnvironment& env);

/// True when the arguments (as RunCommandLine takes them) ask for JSON on the standard output.
bool WritesJson(const std::vector<std::string>& args);

}  // namespace tecris2nx
