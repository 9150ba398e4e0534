#pragma once

#include <string>
#include <utility>
#include <vector>

#include "common/file_system.h"
#include "common/text.h"

namespace tecris2nx {

/// Output files held back until every writer of a section has succeeded (name, bytes).
using PendingFiles = std::vector<std::pair<Text, std::string>>;

/// Where a section's writers put their files, and what they may read.
struct OutputContext {
  FileSystem& fs;
  Text jobFolder;       ///< no trailing separator
  Text patternFolder;   ///< ends with the separator; may be empty when no pattern data is known
  char32_t separator;
  std::vector<Text>* written = nullptr;  ///< names of the files written, when someone is listening
  PendingFiles* pending = nullptr;       ///< when set, files are collected here instead of written

  /// jobFolder, separator, name.
  Text PathOf(const Text& fileName) const;
  /// Writes the lines as one file, each line ended by CR LF, in CP932.
  void WriteLines(const Text& fileName, const std::vector<Text>& lines) const;
  /// Writes the collected files in order and empties the collection.
  void Commit() const;
};

/// Each line followed by CR LF, encoded as CP932.
std::string EncodeLines(const std::vector<Text>& lines);

/// Joins fields with ",".
Text JoinFields(const std::vector<Text>& fields);

}  // namespace tecris2nx
