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

/// A file cannot be converted: the message says what, where and why, in the user's language.
class ConversionError : public std::runtime_error {
 public:
  explicit ConversionError(Text message, ConversionProblem problem = ConversionProblem::kOther);
  const Text& message() const { return message_; }
  ConversionProblem problem() const { return problem_; }

 private:
  Text message_;
  ConversionProblem problem_;
};

/// A file or folder could not be opened, read or written: the system's problem, not the content's.
class FileSystemError : public ConversionError {
 public:
  using ConversionError::ConversionError;
};

}  // namespace tecris2nx
