// Placeholder until this part is built; replaced by its real implementation.
#include "common/pattern_folder.h"
#include "common/error.h"

namespace tecris2nx {
const Text kNoPatternFolderMessage = U" PATDAT の設定がありません.";
PatternLookupEnv HostPatternLookupEnv(const char*) { return {}; }
Text LocatePatternFolder(FileSystem&, const PatternLookupEnv&) { return {}; }
}  // namespace tecris2nx
