#pragma once

#include <vector>

#include "common/text.h"
#include "run/convert_file.h"
#include "run/front_end.h"

namespace tecris2nx {

/// Messages of the run, shown in message boxes and the message line.
extern const Text kBusyMessage;               ///< message line while the run works
extern const Text kDoneMessage;               ///< message line after a normal end
extern const Text kBadPathMessage;            ///< M1
extern const Text kTrailingSeparatorMessage;  ///< M2
extern const Text kCreateFolderQuestion;      ///< M3
extern const Text kNothingSelectedMessage;    ///< M4

/// The selected names of the file list, blanks trimmed, in list order.
std::vector<Text> CollectSelectedFiles(const RunFrontEnd& ui);

/// The Execute button: checks the folder texts, offers to create missing destination levels and
/// converts every selected file. Never throws; every failure is a message box and a stop.
void ConversionRun(RunFrontEnd& ui, const RunEnvironment& env);

}  // namespace tecris2nx
