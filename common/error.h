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

}  // namespace tecris2nx
