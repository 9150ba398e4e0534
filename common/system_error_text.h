#pragma once

#include "common/text.h"

namespace tecris2nx {

/// Why a system call failed, in Japanese, from its errno value: the system's own texts follow the
/// process's locale, which is English under the C locale the converter usually runs in. A value
/// without a text of its own gives a line with its number.
Text SystemErrorText(int errorNumber);

/// The same for a Windows error code (GetLastError).
Text WindowsErrorText(unsigned long code);

}  // namespace tecris2nx
