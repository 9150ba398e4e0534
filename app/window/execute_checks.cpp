#include "app/window/execute_checks.h"

#include "app/window/window_model.h"
#include "tecris/path_helpers.h"

namespace tecris2nx {

std::vector<Text> DestinationLevels(const Text& destination, char32_t separator) {
  const Text separators(1, separator);
  const int n = CountSeparators(destination, separators);
  const std::vector<Text> parts = SplitPath(destination, separators);
  std::vector<Text> levels;
  Text level = parts.empty() ? Text() : parts[0];
  for (int k = 1; k <= n && k < static_cast<int>(parts.size()); ++k) {
    level += separator;
    level += parts[static_cast<std::size_t>(k)];
    levels.push_back(level);
  }
  return levels;
}

ExecutePlan PlanExecute(const Text& source, const Text& typedDestination, FileSystem& fs,
                        PathStyle style) {
  ExecutePlan plan;
  PathCheckEnv check;
  check.style = style;
  check.makeDriveCurrent = [&fs](char32_t letter) { return fs.MakeDriveCurrent(letter); };
  check.showInformation = [&plan](const Text& text) { plan.notices.push_back(text); };
  const auto stop = [&plan](const Text& text, const Text& title, bool focus) {
    plan.next = ExecutePlan::Next::kStop;
    plan.stopBox = {text, MessageStyle::kOkExclamation, title, Text()};
    plan.focusDestination = focus;
    return plan;
  };

  Text checkedSource = source;
  if (!CheckPath(checkedSource, check)) return stop(kBadPathMessage, checkedSource, false);
  Text destination = typedDestination;
  if (!CheckPath(destination, check)) return stop(kBadPathMessage, destination, true);
  const char32_t separator = SeparatorOf(style);
  if (!typedDestination.empty() && typedDestination.back() == separator) {
    return stop(kTrailingSeparatorMessage, destination, false);
  }
  plan.destination = destination;
  plan.levels = DestinationLevels(destination, separator);
  plan.next = ExecutePlan::Next::kConvert;
  for (const Text& level : plan.levels) {
    const EntryKind kind = fs.KindOf(level);
    // Said plainly before any question: offering to create it could only fail.
    if (kind == EntryKind::kFile) return stop(kDestinationNotFolderMessage, destination, true);
    if (kind == EntryKind::kNone) {
      plan.next = ExecutePlan::Next::kAskToCreate;
      break;
    }
  }
  return plan;
}

}  // namespace tecris2nx
