#pragma once

#include <vector>

#include "app/window/window_view.h"
#include "common/file_system.h"
#include "common/text.h"
#include "tecris/path_check.h"

namespace tecris2nx {

/// What Execute does after checking the folder texts, before any file is opened.
struct ExecutePlan {
  enum class Next {
    kStop,         ///< show `stopBox` and end the run
    kAskToCreate,  ///< ask whether to create the missing levels of `levels`, top down
    kConvert,      ///< every level exists: convert
  } next = Next::kStop;
  /// Boxes the path check showed on the way (its drive message), in order, before anything else.
  std::vector<Text> notices;
  MessageRequest stopBox;         ///< for kStop; its title is the text that failed
  bool focusDestination = false;  ///< for kStop: Text1 gets the focus with its text selected
  Text destination;          ///< the destination as the check left it (ending with the separator)
  std::vector<Text> levels;  ///< every level of the destination, top down
};

/// Checks the source text (ending with the separator) and the destination text as typed. Only
/// looks: the file system is asked what exists (and, on Windows, to make a drive current).
ExecutePlan PlanExecute(const Text& source, const Text& typedDestination, FileSystem& fs,
                        PathStyle style);

/// Levels of a checked destination: entries 1..k of its components joined, for k = 2..n+1.
std::vector<Text> DestinationLevels(const Text& destination, char32_t separator);

}  // namespace tecris2nx
