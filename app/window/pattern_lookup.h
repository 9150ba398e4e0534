#pragma once

#include <atomic>
#include <functional>
#include <vector>

#include "app/window/pattern_search.h"
#include "common/file_system.h"
#include "common/pattern_folder.h"
#include "common/text.h"

namespace tecris2nx {

/// The quick places for the pattern data (no walk of the drives): the window's first look.
std::function<Text()> QuickPatternLookup(FileSystem& fs, PatternLookupEnv lookup);

/// The whole lookup with the walk, for a worker thread: `visiting` hears each folder entered, and
/// the walk ends early (empty) once `cancel` is set.
PatternSearch::Walk PatternWalkLookup(FileSystem& fs, PatternLookupEnv lookup);

/// Where the quick lookup looks for the pattern data, in its order, for telling the user; the
/// variable's folder only when it is set.
std::vector<Text> PatternPlaces(const PatternLookupEnv& lookup, char32_t separator);

}  // namespace tecris2nx
