#pragma once

#include <stdexcept>
#include <string>

#include "common/text.h"

namespace tecris2nx {

/// Which rule a file broke, for callers that sort failures (check mode); kOther for the rest.
enum class ConversionProblem {
  kOther,
  kEndInsideSection,
  kCountRange,
  kNumberRange,
  kExponentRange,
  kTooManyRows,
};

/// Where in a file a problem lies, when a record's value is known: section letter, 1-based
/// record and value (for a section without records, record 0 and the field of the section).
struct ProblemPlace {
  char32_t section = 0;
  int record = 0;
  int value = 0;
};

/// A file cannot be converted: the message says what, where and why, in the user's language.
class ConversionError : public std::runtime_error {
 public:
  explicit ConversionError(Text message, ConversionProblem problem = ConversionProblem::kOther,
                           ProblemPlace place = {});
  const Text& message() const { return message_; }
  ConversionProblem problem() const { return problem_; }
  const ProblemPlace& place() const { return place_; }

 private:
  Text message_;
  ConversionProblem problem_;
  ProblemPlace place_;
};

/// A file or folder could not be opened, read or written: the system's problem, not the content's.
class FileSystemError : public ConversionError {
 public:
  using ConversionError::ConversionError;
};

}  // namespace tecris2nx
