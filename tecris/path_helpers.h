#pragma once

#include <cstdint>
#include <memory>
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

/// What reading a file's identifier found, and the file again from its first byte.
struct IdentifiedFile {
  /// Field 2 when it has exactly 11 characters and is safe as a folder name; otherwise empty
  /// (also for a file with fewer than two fields).
  Text jobName;
  /// The whole file, its first bytes replayed from memory and the rest from the same open.
  std::unique_ptr<ByteSource> content;
};

/// Reads fields 1 and 2 of an opened TECRIS file. Throws ConversionError only when the source
/// fails to read.
IdentifiedFile ReadJobName(std::unique_ptr<ByteSource> source, PathStyle style);

/// True when the 11-character identifier may name a folder: no \ / : * ? " < > |, no control
/// character, not only dots and blanks; on Windows also no trailing dot or blank and no device
/// name.
bool IsSafeJobName(TextView name, PathStyle style);

/// Creates folder & separator & name when nothing exists there yet.
void EnsureJobFolder(FileSystem& fs, const Text& folder, const Text& name, char32_t separator);

}  // namespace tecris2nx
