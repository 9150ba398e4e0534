#pragma once

#include <vector>

#include "common/windows_api.h"
#include "common/text.h"

namespace tecris2nx::win32 {

/// The sub-folders a folder tree shows: neither hidden nor system folders, sorted by name as
/// Explorer does (case ignored). Empty when the folder cannot be listed.
std::vector<Text> VisibleSubFolders(const Text& folder);

/// A drive list's entry for a root such as "C:\": "C: [label]" for a fixed drive with a label,
/// else "C:". Only fixed drives are asked: a network drive can block the window, a removable
/// one may have to spin up.
Text DriveCaption(const Text& root);

/// The folder joined with a name, without doubling the separator after a root.
Text JoinFolder(const Text& folder, const Text& name);

/// The names from the root down to the folder ("C:\a\b" below "C:\" gives a, b); empty when the
/// folder is the root or not below it.
std::vector<Text> NamesBelow(const Text& root, const Text& folder);

/// The system's folder dialog (IFileOpenDialog picking folders; the older folder browser where
/// it is missing), starting at `start`; empty when cancelled. COM must be set up on the thread.
Text ChooseFolderWithDialog(HWND owner, const Text& title, const Text& start);

}  // namespace tecris2nx::win32
