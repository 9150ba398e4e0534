#pragma once

#include <atomic>
#include <functional>

#include "common/file_system.h"
#include "common/pattern_folder.h"
#include "common/text.h"

namespace tecris2nx {

/// The quick places for the pattern data (no walk of the drives): the window's first look.
std::function<Text()> QuickPatternLookup(FileSystem& fs, PatternLookupEnv lookup);

/// The whole lookup with the walk, for a worker thread: `visiting` hears each folder entered, and
/// the walk ends early (empty) once `cancel` is set.
std::function<Text(const std::atomic<bool>& cancel,
                   const std::function<void(const Text& folder)>& visiting)>
PatternWalkLookup(FileSystem& fs, PatternLookupEnv lookup);

}  // namespace tecris2nx
