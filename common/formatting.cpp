// Placeholder until this part is built; replaced by its real implementation.
#include "common/formatting.h"
#include "common/error.h"

namespace tecris2nx {
double NumericValue(TextView) { throw ConversionError(U"not built yet"); }
Text NumberText(double) { throw ConversionError(U"not built yet"); }
Text IntegerText(std::int16_t) { throw ConversionError(U"not built yet"); }
Text RightPad4(TextView) { throw ConversionError(U"not built yet"); }
Text FormatDepth(TextView) { throw ConversionError(U"not built yet"); }
Text NumberOrEmpty(TextView) { throw ConversionError(U"not built yet"); }
Text ExponentNumber(TextView) { throw ConversionError(U"not built yet"); }
std::optional<std::int16_t> RoundToInt16(double) { throw ConversionError(U"not built yet"); }
}  // namespace tecris2nx
