#include "app/window/folder_paths.h"

#include "common/text.h"

namespace tecris2nx {

namespace {

/// Drive letters and folder names on Windows are the same whatever their case.
bool SameStart(const Text& root, const Text& folder, char32_t separator) {
  if (folder.size() < root.size()) return false;
  if (separator != U'\\') return folder.compare(0, root.size(), root) == 0;
  for (std::size_t i = 0; i < root.size(); ++i) {
    if (FoldedLetter(root[i]) != FoldedLetter(folder[i])) return false;
  }
  return true;
}

}  // namespace

bool IsAtOrBelow(const Text& root, const Text& folder, char32_t separator) {
  if (root.empty() || !SameStart(root, folder, separator)) return false;
  return folder.size() == root.size() || root.back() == separator ||
         folder[root.size()] == separator;
}

int DriveIndexOf(const std::vector<Text>& roots, const Text& path, char32_t separator) {
  int best = -1;
  for (std::size_t i = 0; i < roots.size(); ++i) {
    if (!IsAtOrBelow(roots[i], path, separator)) continue;
    if (best < 0 || roots[i].size() > roots[static_cast<std::size_t>(best)].size()) {
      best = static_cast<int>(i);
    }
  }
  return best;
}

Text WithTrailingSeparator(const Text& folder, char32_t separator) {
  if (!folder.empty() && folder.back() == separator) return folder;
  return folder + separator;
}

Text FileNameOf(const Text& path, char32_t separator) {
  const std::size_t cut = path.find_last_of(separator);
  return cut == Text::npos ? path : path.substr(cut + 1);
}

Text FolderOf(const Text& path, char32_t separator) {
  const std::size_t cut = path.find_last_of(separator);
  if (cut == Text::npos) return Text();
  // "/a" and "C:\a" lie in a root, which keeps its separator.
  if (cut == 0 || (cut == 2 && path.size() > 1 && path[1] == U':')) return path.substr(0, cut + 1);
  return path.substr(0, cut);
}

}  // namespace tecris2nx
