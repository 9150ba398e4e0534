#pragma once

#include <vector>

#include "common/file_system.h"
#include "common/text.h"

namespace tecris2nx {

/// 12 characters: 8 ASCII digits, ".", 3 ASCII digits.
bool IsTecrisFileName(TextView name);

/// Names of the TECRIS files in a folder (listing order): name accepted by IsTecrisFileName and
/// field 2 of the file equal to the name's 11 digits. Unreadable files are skipped.
std::vector<Text> ListTecrisFiles(const FileSystem& fs, const Text& folder);

}  // namespace tecris2nx
