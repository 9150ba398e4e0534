// Placeholder until this part is built; replaced by its real implementation.
#include "run/path_check.h"
#include "common/error.h"

namespace tecris2nx {
const Text kDriveNameMessage;
PathStyle HostPathStyle() { return PathStyle::kPosix; }
char32_t SeparatorOf(PathStyle style) { return style == PathStyle::kWindows ? U'\\' : U'/'; }
bool CheckPath(Text&, const PathCheckEnv&) { throw ConversionError(U"not built yet"); }
std::int16_t AnsiByteLength(TextView) { throw ConversionError(U"not built yet"); }
Text AnsiMid(TextView, int, int) { throw ConversionError(U"not built yet"); }
}  // namespace tecris2nx
