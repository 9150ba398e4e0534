#include "common/error.h"

namespace tecris2nx {

ConversionError::ConversionError(Text message)
    : std::runtime_error(ToUtf8(message)), message_(std::move(message)) {}

}  // namespace tecris2nx
