// Placeholder until this part is built; replaced by its real implementation.
#include "run/path_helpers.h"
#include "common/error.h"

namespace tecris2nx {
std::int16_t CountSeparators(TextView, TextView) { throw ConversionError(U"not built yet"); }
std::vector<Text> SplitPath(TextView, TextView) { throw ConversionError(U"not built yet"); }
Text ReadJobName(const FileSystem&, const Text&, PathStyle) { throw ConversionError(U"not built yet"); }
bool IsSafeJobName(TextView, PathStyle) { throw ConversionError(U"not built yet"); }
void EnsureJobFolder(FileSystem&, const Text&, const Text&, char32_t) { throw ConversionError(U"not built yet"); }
}  // namespace tecris2nx
