#pragma once

#include <functional>
#include <map>
#include <vector>

#include "app/window/window_view.h"
#include "common/file_system.h"
#include "common/text.h"

namespace tecris2nx {

/// The window's two folder trees, destination and source: the drives they choose from, the
/// folder each one shows, and the folder last shown on each drive, to go back to. Each change
/// is shown in the view's tree.
class FolderSides {
 public:
  /// `usable`: true when a folder can be shown and listed; unset, when `fs` has it as a folder.
  FolderSides(WindowView& view, char32_t separator, const FileSystem* fs,
              std::function<bool(const Text&)> usable)
      : view_(view), separator_(separator), fs_(fs), usable_(std::move(usable)) {}

  /// What Reopen found.
  enum class Reopened { kSame, kRoot, kNeither };

  /// The drives both sides choose from; empty until Place.
  const std::vector<Text>& Drives() const { return drives_; }
  /// Fills the drive lists and opens each side on its `wanted` folder when that is usable on one
  /// of the drives, else on `start`; a side that can open neither shows its drive's root.
  void Place(std::vector<Text> drives, const Text (&wanted)[2], const Text& start);

  const Text& Folder(Side side) const { return sides_[Index(side)].folder; }
  bool Usable(const Text& folder) const {
    return usable_ ? usable_(folder) : fs_->KindOf(folder) == EntryKind::kFolder;
  }

  /// Opens the drive at `index` on the folder last shown on it, or its root. False when the
  /// drive cannot be used: the drive list goes back to the drive still shown in the tree.
  bool OpenDrive(Side side, int index);
  /// Opens a folder of the side's drive. False when it cannot be: the tree stays where it was.
  bool OpenFolder(Side side, const Text& folder);
  /// Opens the side's folder afresh; gone, its drive's root.
  Reopened Reopen(Side side);
  /// Opens a folder on whichever drive holds it, the drive list following; false when none does
  /// or it cannot be used.
  bool MoveTo(Side side, const Text& folder);
  /// The side's folder is the one to go back to on its drive.
  void Remember(Side side);

 private:
  struct State {
    int driveIndex = 0;
    Text root;
    Text folder;
  };
  static int Index(Side side) { return side == Side::kDestination ? 0 : 1; }
  /// Shows the folder in the side's tree when it is a usable folder on that drive.
  bool Open(Side side, const Text& root, const Text& folder);

  WindowView& view_;
  const char32_t separator_;
  const FileSystem* fs_;
  std::function<bool(const Text&)> usable_;
  std::vector<Text> drives_;
  State sides_[2];
  std::map<Text, Text> lastFolderOnDrive_;
};

}  // namespace tecris2nx
