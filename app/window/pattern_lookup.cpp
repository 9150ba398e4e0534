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

std::vector<Text> PatternPlaces(const PatternLookupEnv& lookup, char32_t separator) {
  const auto join = [separator](const Text& folder, const Text& below) {
    if (folder.empty()) return below;
    return folder.back() == separator ? folder + below : folder + separator + below;
  };
  std::vector<Text> places;
  if (!lookup.overrideFolder.empty()) places.push_back(lookup.overrideFolder);
  Text beside;
  Text installed;
  if (!lookup.programFolder.empty()) {
    beside = join(lookup.programFolder, U"PATDAT");
    const std::size_t cut = lookup.programFolder.find_last_of(separator);
    if (separator == U'/' && cut != Text::npos && cut > 0) {
      installed = join(lookup.programFolder.substr(0, cut), U"share/tecris2nx/PATDAT");
    }
  }
  // The same order as the lookup: on Windows the program's folder comes first.
  if (separator == U'\\' && !beside.empty()) places.push_back(beside);
  for (const Text& folder : lookup.dataFolders) {
    if (!folder.empty()) places.push_back(folder);
  }
  if (separator != U'\\' && !beside.empty()) places.push_back(beside);
  if (!installed.empty()) places.push_back(installed);
  return places;
}

}  // namespace tecris2nx
