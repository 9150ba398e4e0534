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

/// A file named like a TECRIS file that the listing leaves out, and why.
struct LeftOutFile {
  enum class Why {
    kUnreadable,      ///< the file could not be read (`error` says why)
    kNoIdentifier,    ///< field 2 is no identifier usable as a folder name
    kOtherIdentifier  ///< field 2 is an identifier, but not the one in the file's name
  };
  Text name;
  Why why = Why::kNoIdentifier;
  Text identifier;  ///< field 2, for kOtherIdentifier
  Text error;       ///< for kUnreadable
};

/// The same, handing each name to `accepted` as soon as it is decided; the listing ends early
/// once `goOn` (asked before each file) returns false. `leftOut`, when given, learns each file
/// whose name looks like a TECRIS file's that is not accepted.
void ListTecrisFiles(const FileSystem& fs, const Text& folder,
                     const std::function<void(const Text& name)>& accepted,
                     const std::function<bool()>& goOn,
                     const std::function<void(const LeftOutFile& file)>& leftOut = {});

}  // namespace tecris2nx
