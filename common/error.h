#pragma once

#include <stdexcept>
#include <string>

#include "common/text.h"

namespace tecris2nx {

/// A file cannot be converted: the message says what, where and why, in the user's language.
class ConversionError : public std::runtime_error {
 public:
  explicit ConversionError(Text message);
  const Text& message() const { return message_; }

 private:
  Text message_;
};

/// A file or folder could not be opened, read or written: the system's problem, not the content's.
class FileSystemError : public ConversionError {
 public:
  using ConversionError::ConversionError;
};

}  // namespace tecris2nx
