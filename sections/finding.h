#pragma once

#include <cstdint>
#include <string>

#include "common/text.h"

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

}  // namespace tecris2nx
