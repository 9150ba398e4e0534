#pragma once

namespace tecris2nx::testing {

/// The source tree (examples/, check/finding_codes.txt) as this test program reaches it.
const char* SourceDir();
/// The built tecris2nx that end-to-end tests start.
const char* ProgramPath();

}  // namespace tecris2nx::testing
