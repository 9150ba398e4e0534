#include "app/window/pattern_lookup.h"

#include <utility>

namespace tecris2nx {

std::function<Text()> QuickPatternLookup(FileSystem& fs, PatternLookupEnv lookup) {
  lookup.walkDrives = false;
  return [&fs, lookup] { return LocatePatternFolder(fs, lookup); };
}

PatternSearch::Walk PatternWalkLookup(FileSystem& fs, PatternLookupEnv lookup) {
  return [&fs, lookup](const std::atomic<bool>& cancel,
                       const std::function<void(const Text&)>& visiting) {
    struct Cancelled {};
    PatternLookupEnv walk = lookup;
    // Checked at every folder: a cancelled walk ends at once.
    walk.yieldToEvents = [&cancel, &visiting](const Text& folder) {
      if (cancel) throw Cancelled();
      if (visiting) visiting(folder);
    };
    try {
      return LocatePatternFolder(fs, walk);
    } catch (const Cancelled&) {
      return Text();
    }
  };
}

}  // namespace tecris2nx
