#pragma once

#include <optional>

#include "app/window/window_view.h"
#include "common/file_system.h"
#include "common/text.h"

namespace tecris2nx {

/// What the window remembers between runs.
struct WindowSettings {
  Text destination;  ///< the destination folder last shown; empty: none
  Text source;       ///< the source folder last shown; empty: none
  /// The pattern-data folder the user chose when none was found; empty: none.
  Text patternFolder;
  std::optional<WindowGeometry> geometry;
  Text reportFolder;  ///< where the last report went; empty: none yet
  Text reportDatum;   ///< its datum's key ("jgd2011", ...); empty: none yet
};

/// Reads the settings file; a missing, unreadable or damaged file (or an empty path) gives none,
/// and a damaged line is skipped on its own.
WindowSettings LoadWindowSettings(const FileSystem& fs, const Text& path);

/// Writes the settings file, making its folder when missing; failures are ignored (remembering is
/// a convenience, never a reason to stop). An empty path writes nothing.
void SaveWindowSettings(FileSystem& fs, const Text& path, const WindowSettings& settings);

/// The settings file's text: one "key=value" line each, UTF-8.
std::string SettingsText(const WindowSettings& settings);
WindowSettings ParseSettings(const std::string& text);

}  // namespace tecris2nx
