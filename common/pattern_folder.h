#pragma once

#include <functional>
#include <vector>

#include "common/file_system.h"
#include "common/text.h"

namespace tecris2nx {

/// Where the pattern-data lookup looks, in this order (the walk of the drives comes last).
struct PatternLookupEnv {
  Text programFolder;   ///< folder of the running executable
  Text overrideFolder;  ///< TECRIS2NX_PATDAT when set, else empty
  /// Per-user, then system-wide folders: on POSIX hosts tried right after the override (a
  /// packaged program's folders belong to the package manager); on Windows after the program's
  /// own folder (an installed program's folder is not writable by users).
  std::vector<Text> dataFolders;
  bool walkDrives = true;  ///< tests switch the whole-disk walk off
  /// Called with every folder the walk enters: a window repaints and shows where it is.
  std::function<void(const Text& folder)> yieldToEvents;
};

/// The per-user pattern-data folder under the XDG data home (HOME/.local/share when
/// XDG_DATA_HOME is unset or relative), then the administrator's /etc/tecris2nx/PATDAT.
std::vector<Text> DataPatternFolders(const char* xdgDataHome, const char* home);

/// The environment of this process: its executable's folder, TECRIS2NX_PATDAT and the data
/// folders (on Windows %LOCALAPPDATA%\tecris2nx\PATDAT and %ProgramData%\tecris2nx\PATDAT).
PatternLookupEnv HostPatternLookupEnv(const char* argv0);

/// The pattern-data folder ending with the separator, or empty when none was found.
Text LocatePatternFolder(FileSystem& fs, const PatternLookupEnv& env);

/// Message shown when no pattern-data folder was found.
extern const Text kNoPatternFolderMessage;

/// How a walk for the pattern-data folder proceeds.
struct PatternWalk {
  char32_t separator = HostSeparator();
  std::function<void(const Text& folder)> yieldToEvents;  ///< called at every folder visited
  /// False for a folder that must be neither tested nor entered; unset: every folder may be.
  std::function<bool(const Text& folder)> mayEnter;
};

/// True when folder/kishitu.txt exists and is not empty.
bool HoldsPatternData(const FileSystem& fs, const Text& folder, char32_t separator);

/// Tests folder/PATDAT for the root and every folder below it, depth first and each folder before
/// its sub-folders, siblings in listing order; the first match with the separator, or empty.
Text SearchPatternFolders(FileSystem& fs, const Text& root, const PatternWalk& walk);

/// The drive walk where there are drive letters: the program's drive, then A to Z (the program's
/// drive again in its turn); the first drive with a match wins.
Text SearchDrives(FileSystem& fs, const Text& programFolder, const PatternWalk& walk);

/// Where there are no drive letters: false for /proc, /sys, /dev, network and pseudo file systems,
/// symbolic links and anything that is not a folder.
std::function<bool(const Text& folder)> LocalFolderFilter();

}  // namespace tecris2nx
