#pragma once

#include <vector>

#include "common/file_system.h"
#include "common/text.h"

namespace tecris2nx {

/// Where a section's writers put their files, and what they may read.
struct OutputContext {
  FileSystem& fs;
  Text jobFolder;       ///< no trailing separator
  Text patternFolder;   ///< ends with the separator; may be empty when no pattern data is known
  char32_t separator;
  std::vector<Text>* written = nullptr;  ///< names of the files written, when someone is listening

  /// jobFolder, separator, name.
  Text PathOf(const Text& fileName) const;
  /// Writes the lines as one file, each line ended by CR LF, in CP932.
  void WriteLines(const Text& fileName, const std::vector<Text>& lines) const;
};

/// Each line followed by CR LF, encoded as CP932.
std::string EncodeLines(const std::vector<Text>& lines);

/// Joins fields with ",".
Text JoinFields(const std::vector<Text>& fields);

}  // namespace tecris2nx
