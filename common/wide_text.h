#pragma once

#ifdef _WIN32
#include <string>
#include <string_view>

#include "common/text.h"

namespace tecris2nx {

/// Text as the UTF-16 of Windows names and window texts. A carried raw byte (U+DC80..U+DCFF)
/// becomes that lone surrogate unit, which Windows names may hold.
std::wstring ToWide(const Text& text);
/// UTF-16 as Text; lone surrogates are kept as they are, so a name comes back unchanged.
Text FromWide(std::wstring_view wide);

}  // namespace tecris2nx
#endif
