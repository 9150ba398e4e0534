#include "common/error.h"

namespace tecris2nx {

ConversionError::ConversionError(Text message, ConversionProblem problem, ProblemPlace place)
    : std::runtime_error(ToUtf8(message)),
      message_(std::move(message)),
      problem_(problem),
      place_(place) {}

}  // namespace tecris2nx
