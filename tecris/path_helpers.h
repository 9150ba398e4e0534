#pragma once

#include <cstdint>
#include <vector>

#include "common/file_system.h"
#include "common/text.h"
#include "tecris/path_check.h"

namespace tecris2nx {

/// Characters of the text that are in the separator set (at most 32767).
std::int16_t CountSeparators(TextView text, TextView separators);

/// Cuts the text at every separator: k separators give k + 1 entries (possibly empty).
/// The list is zero-based here (entry 1 of the design is element 0).
std::vector<Text> SplitPath(TextView text, TextView separators);

/// Field 2 of the TECRIS file when it has exactly 11 characters and is safe as a folder name;
/// otherwise the empty text (also for a missing file or one with fewer than two fields).
Text ReadJobName(const FileSystem& fs, const Text& path, PathStyle style = HostPathStyle());

/// True when the 11-character identifier may name a folder: no \ / : * ? " < > |, no control
/// character, not only dots and blanks; on Windows also no trailing dot or blank and no device
/// name.
bool IsSafeJobName(TextView name, PathStyle style);

/// Creates folder & separator & name when nothing exists there yet.
void EnsureJobFolder(FileSystem& fs, const Text& folder, const Text& name, char32_t separator);

}  // namespace tecris2nx
