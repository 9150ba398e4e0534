#include "common/cp932.h"

namespace tecris2nx {

bool IsRawByte(char32_t c) { return c >= kRawByteBase + 0x80 && c <= kRawByteBase + 0xFF; }

}  // namespace tecris2nx
