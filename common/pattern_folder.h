#pragma once

#include <functional>

#include "common/file_system.h"
#include "common/text.h"

namespace tecris2nx {

/// Where the pattern-data lookup looks, in this order (the walk of the drives comes last).
struct PatternLookupEnv {
  Text programFolder;        ///< folder of the running executable
  Text overrideFolder;       ///< TECRIS2NX_PATDAT when set (POSIX hosts), else empty
  bool walkDrives = true;    ///< tests switch the whole-disk walk off
  std::function<void()> yieldToEvents;  ///< lets a window repaint during the walk
};

/// The environment of this process: its executable's folder and TECRIS2NX_PATDAT.
PatternLookupEnv HostPatternLookupEnv(const char* argv0);

/// The pattern-data folder ending with the separator, or empty when none was found.
Text LocatePatternFolder(FileSystem& fs, const PatternLookupEnv& env);

/// Message shown when no pattern-data folder was found.
extern const Text kNoPatternFolderMessage;

}  // namespace tecris2nx
