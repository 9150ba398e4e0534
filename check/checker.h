#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/file_system.h"
#include "common/text.h"
#include "tecris/path_check.h"

namespace tecris2nx {

/// error: the file cannot be converted; warning: it converts, but something is lost, skipped or
/// suspicious; info: worth knowing.
enum class Severity { kError, kWarning, kInfo };

/// "error", "warning", "info".
const char* SeverityName(Severity severity);

/// One thing found in a TECRIS file, with its place.
struct Finding {
  std::string code;  ///< stable: "T101"
  Severity severity = Severity::kWarning;
  char32_t section = 0;      ///< section letter; 0 where none applies
  int record = 0;            ///< 1-based; 0 where none applies
  int value = 0;             ///< 1-based value of the record (field of section A); 0 for none
  std::uint64_t offset = 0;  ///< byte offset in the file
  long long line = 0;        ///< 1-based
  long long column = 0;      ///< 1-based, in characters (one per invalid byte)
  Text message;
};

/// Everything found in one file.
struct FileCheck {
  Text path;
  std::vector<Finding> findings;  ///< in file order
  int Count(Severity severity) const;
};

struct CheckSettings {
  Text patternFolder;  ///< ends with the separator; empty when none was found
  PathStyle style = HostPathStyle();
};

/// Reads the file as the conversion does, writing nothing, and reports what it finds.
FileCheck CheckTecrisFile(const FileSystem& fs, const Text& path, const CheckSettings& settings);

/// The findings of a file's bytes (what CheckTecrisFile does once the file is read).
FileCheck CheckTecrisBytes(const FileSystem& fs, const Text& path, std::string bytes,
                           const CheckSettings& settings);

/// Fills each finding's line and column from its offset; the findings must be in offset order.
/// A line ends at LF, CR LF or CR; a column counts characters.
void PlaceFindings(std::string_view bytes, std::vector<Finding>& findings);

}  // namespace tecris2nx
