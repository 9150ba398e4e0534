#pragma once

#include <string>

namespace tecris2nx::cp932_system {

// The system's conversion of single characters, one source file per system. The shared CP932
// code around it handles the single-byte ranges, carried raw bytes and caching.

/// One double-byte character; false when the pair is not a CP932 character.
bool DecodePair(unsigned char lead, unsigned char trail, char32_t& out);

/// The two-byte CP932 form of a character that reads back as that same character; empty when
/// there is none (look-alikes and substitutions are refused).
std::string EncodeChar(char32_t c);

}  // namespace tecris2nx::cp932_system
