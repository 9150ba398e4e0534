#pragma once

#include <vector>

#include "common/file_system.h"
#include "common/text.h"
#include "run/front_end.h"
#include "tecris/path_check.h"
#include "sections/section_storage.h"

namespace tecris2nx {

/// What a run works with besides its front end.
struct RunEnvironment {
  FileSystem& fs;
  Text patternFolder;  ///< ends with the separator
  PathStyle style = HostPathStyle();
  /// Files ConversionRun converts at once; 1 converts them one after another on the calling thread.
  int workers = 1;
};

/// Messages of the run, shown in message boxes and the message line.
extern const Text kBusyMessage;               ///< message line while the run works
extern const Text kDoneMessage;               ///< message line after a normal end
extern const Text kBadPathMessage;            ///< M1
extern const Text kTrailingSeparatorMessage;  ///< M2
extern const Text kCreateFolderQuestion;      ///< M3
extern const Text kNothingSelectedMessage;    ///< M4
extern const Text kBadFileMessage;            ///< M5

/// The selected names of the file list, blanks trimmed, in list order.
std::vector<Text> CollectSelectedFiles(const RunFrontEnd& ui);

/// The Execute button: checks the folder texts, offers to create missing destination levels and
/// converts every selected file. Never throws; every failure is a message box and a stop.
void ConversionRun(RunFrontEnd& ui, const RunEnvironment& env);

/// Converts one TECRIS file whose JobName is known into outputFolder/jobName: makes the job folder,
/// walks the sections A to H and writes their files. Throws ConversionError naming the problem;
/// files written before the failure stay.
FileReport ConvertTecrisFile(const Text& inputPath, const Text& outputFolder, const Text& jobName,
                             const RunEnvironment& env, SectionStorage& storage);

}  // namespace tecris2nx
