#pragma once

#include <vector>

#include "common/text.h"

namespace tecris2nx {

/// True when the folder lies at or below the root, matched at a folder boundary.
bool IsAtOrBelow(const Text& root, const Text& folder, char32_t separator);

/// The index of the root that holds the path (the longest one); -1 when none does.
int DriveIndexOf(const std::vector<Text>& roots, const Text& path, char32_t separator);

/// The folder followed by the separator, unless it already ends with one (a drive root).
Text WithTrailingSeparator(const Text& folder, char32_t separator);

/// The part of a path after its last separator.
Text FileNameOf(const Text& path, char32_t separator);

/// The folder part of a path (a root keeps its separator); empty when there is none.
Text FolderOf(const Text& path, char32_t separator);

}  // namespace tecris2nx
