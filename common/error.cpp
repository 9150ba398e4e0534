#include "common/error.h"

namespace tecris2nx {

ConversionError::ConversionError(Text message, ConversionProblem problem)
    : std::runtime_error(ToUtf8(message)), message_(std::move(message)), problem_(problem) {}

}  // namespace tecris2nx
