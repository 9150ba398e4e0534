#pragma once

#include <cstddef>
#include <functional>
#include <vector>

#include "common/file_system.h"
#include "common/text.h"

namespace tecris2nx {

/// 12 characters: 8 ASCII digits, ".", 3 ASCII digits.
bool IsTecrisFileName(TextView name);

/// The most of a file the listing reads to decide: its first two fields must end within these.
inline constexpr std::size_t kTecrisFilterBytes = 4096;

/// Names of the TECRIS files in a folder (listing order): name accepted by IsTecrisFileName and
/// field 2 of the file, ending within its first kTecrisFilterBytes, equal to the name's 11
/// digits. Unreadable files are skipped.
std::vector<Text> ListTecrisFiles(const FileSystem& fs, const Text& folder);

/// The same, handing each name to `accepted` as soon as it is decided; the listing ends early
/// once `goOn` (asked before each file) returns false.
void ListTecrisFiles(const FileSystem& fs, const Text& folder,
                     const std::function<void(const Text& name)>& accepted,
                     const std::function<bool()>& goOn);

}  // namespace tecris2nx
