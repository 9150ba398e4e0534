#pragma once

#include <string>

namespace tecris2nx::testing {

/// The source tree (examples/, check/finding_codes.txt) as this test program reaches it.
const char* SourceDir();
/// The built tecris2nx that end-to-end tests start.
const char* ProgramPath();

/// The source tree and its sample pattern data, as strings.
inline const std::string kSource = SourceDir();
inline const std::string kPatdat = kSource + "/examples/sample-patdat";

}  // namespace tecris2nx::testing
