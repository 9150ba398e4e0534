#pragma once

#include "check/checker.h"
#include "common/source_encoding.h"

namespace tecris2nx {

/// Adds the findings about the file as a whole, at its start: read from another encoding (T108),
/// and an identifier other than the one its TECRIS name carries (T109).
void AddFileNotices(FileCheck& check, SourceEncoding encoding, bool countOnly);

/// Adds `finding` as the file's first, or only counts it when the check only counts.
void AddFileFinding(FileCheck& check, Finding finding, bool countOnly);

}  // namespace tecris2nx
