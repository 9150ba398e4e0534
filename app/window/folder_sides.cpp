#include "app/window/folder_sides.h"

#include <algorithm>
#include <utility>

#include "app/window/folder_paths.h"

namespace tecris2nx {

void FolderSides::Place(std::vector<Text> drives, const Text (&wanted)[2], const Text& start) {
  drives_ = std::move(drives);
  for (Side side : {Side::kDestination, Side::kSource}) {
    const Text& remembered = wanted[Index(side)];
    const bool useWanted = !remembered.empty() &&
                           DriveIndexOf(drives_, remembered, separator_) >= 0 && Usable(remembered);
    const Text folder = useWanted ? remembered : start;
    const int index = std::max(0, DriveIndexOf(drives_, folder, separator_));
    const Text& root = drives_[static_cast<std::size_t>(index)];
    view_.SetDrives(side, drives_, index);
    State& state = sides_[Index(side)];
    state.driveIndex = index;
    if (!Open(side, root, folder) && !Open(side, root, root)) {
      state.root = root;
      state.folder = root;
    }
  }
}

bool FolderSides::OpenDrive(Side side, int index) {
  if (index < 0 || index >= static_cast<int>(drives_.size())) return false;
  State& state = sides_[Index(side)];
  const Text& root = drives_[static_cast<std::size_t>(index)];
  const auto known = lastFolderOnDrive_.find(root);
  const Text folder = known == lastFolderOnDrive_.end() ? root : known->second;
  // A folder remembered on the drive may be gone since; the root is the next best place.
  const bool opened = Open(side, root, folder) || (folder != root && Open(side, root, root));
  if (!opened) {
    view_.SelectDrive(side, state.driveIndex);
    return false;
  }
  state.driveIndex = index;
  return true;
}

bool FolderSides::OpenFolder(Side side, const Text& folder) {
  const State& state = sides_[Index(side)];
  if (Open(side, state.root, folder)) return true;
  view_.ShowFolder(side, state.root, state.folder);
  return false;
}

FolderSides::Reopened FolderSides::Reopen(Side side) {
  const State& state = sides_[Index(side)];
  if (Open(side, state.root, state.folder)) return Reopened::kSame;
  return Open(side, state.root, state.root) ? Reopened::kRoot : Reopened::kNeither;
}

bool FolderSides::MoveTo(Side side, const Text& folder) {
  const int index = DriveIndexOf(drives_, folder, separator_);
  if (index < 0) return false;
  if (!Open(side, drives_[static_cast<std::size_t>(index)], folder)) return false;
  sides_[Index(side)].driveIndex = index;
  view_.SelectDrive(side, index);
  return true;
}

void FolderSides::Remember(Side side) {
  const State& state = sides_[Index(side)];
  lastFolderOnDrive_[state.root] = state.folder;
}

bool FolderSides::Open(Side side, const Text& root, const Text& folder) {
  if (!IsAtOrBelow(root, folder, separator_) || !Usable(root) || !Usable(folder)) return false;
  State& state = sides_[Index(side)];
  state.root = root;
  state.folder = folder;
  view_.ShowFolder(side, root, folder);
  return true;
}

}  // namespace tecris2nx
