#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "check/checker.h"
#include "common/file_system.h"
#include "common/source_encoding.h"
#include "common/text.h"
#include "tecris/path_check.h"

namespace tecris2nx {

struct FileReport;

/// What a conversion works with besides its front end.
struct RunEnvironment {
  FileSystem& fs;
  Text patternFolder;  ///< ends with the separator
  PathStyle style = HostPathStyle();
  /// Files a batch converts at once; 1 converts them one after another on the calling thread.
  int workers = 1;
  /// Check mode reads along in each file's conversion, in the same pass (FileReport::warnings and
  /// findings); the conversion's output is the same either way.
  bool countWarnings = false;
  /// With countWarnings: the findings themselves too, placed and worded (the window lists them);
  /// off, they are only counted.
  bool keepFindings = true;
  /// How the files' bytes are read: CP932, UTF-8, or whichever fits (the window's way).
  EncodingChoice encoding = EncodingChoice::kAuto;
};

/// How one file's conversion ended.
enum class FileOutcome {
  kConverted,  ///< every section read; the walk may still have stopped at a marker
  kNoJobName,  ///< field 2 is no identifier usable as a job folder name, or no file is there
  kFailed,     ///< stopped by an error; files of the sections before it stay
};

/// What one file's conversion produced, for front ends that report it.
struct FileReport {
  Text inputPath;
  Text jobName;  ///< the identifier read from field 2; empty for kNoJobName
  Text jobFolder;
  std::vector<Text> written;  ///< output file names, in the order they were written
  /// The marker at which the walk stopped before the end of the file (out of order or unknown).
  Text stoppedAtMarker;
  bool stoppedEarly = false;
  FileOutcome outcome = FileOutcome::kConverted;
  /// Why the file was not converted, for the user; empty when it was.
  Text error;
  /// Warnings the check found (RunEnvironment::countWarnings); -1 when not counted.
  int warnings = -1;
  /// What the check found, in file order (RunEnvironment::countWarnings).
  std::vector<Finding> findings;
  /// What the file was written in: other than CP932, it was converted before it was read, and
  /// front ends say so (EncodingNotice) whether or not they show warnings.
  SourceEncoding encoding = SourceEncoding::kCp932;
};

/// Called with the identifier (empty when there is none) as soon as it is read, before anything
/// of the file is written or looked at in the output folder.
using OnJobName = std::function<void(const Text& jobName)>;

/// The message for a file without a usable identifier.
extern const Text kBadFileMessage;

/// Why a file of this kind has no usable identifier, for the user.
Text NoJobNameReason(EntryKind kind);

/// Converts one TECRIS file into outputFolder/<identifier>: opens it once, reads the identifier,
/// makes the job folder, walks the sections A to H and writes their files. Errors come back in
/// the report; only a batch's stop passes through as an exception.
FileReport ConvertFile(const Text& input, const Text& outputFolder, const RunEnvironment& env,
                       const OnJobName& onJobName = {});

/// Converts the inputs, env.workers at once, and hands each report to `finished` in input order,
/// as converting them one after another would; `finished` returns false to stop the batch, and
/// no later file writes anything then. A report whose held-back writes failed says so. Once
/// `mayStart` (when given) returns false, no further file is started and the batch ends at the
/// first file not started: the files before it finish and are written.
void ConvertFilesInOrder(const std::vector<Text>& inputs, const Text& outputFolder,
                         const RunEnvironment& env,
                         const std::function<bool(std::size_t, const FileReport&)>& finished,
                         const std::function<bool()>& mayStart = {});

/// The lines that report a converted file: its outputs, when the walk stopped at a marker, why,
/// and its warnings count with `findingsHint`, which tells where the findings can be seen.
std::vector<Text> ReportLines(const Text& shownName, const FileReport& report,
                              const Text& findingsHint = U"tecris2nx check で箇所を表示します");

/// The problem text for an error nobody foresaw.
Text UnexpectedErrorText(const char* what);

}  // namespace tecris2nx
