#pragma once

#include <string>
#include <string_view>

#include "common/text.h"

namespace tecris2nx {

// Bytes that are not valid CP932 are carried through unchanged: each one decodes to the
// code point U+DC00 + byte (the "surrogate escape" range, never produced by a real
// character) and encodes back to that same byte. A field copied unchanged to an output
// file therefore keeps its bytes, and nothing vanishes silently.
inline constexpr char32_t kRawByteBase = 0xDC00;
bool IsRawByte(char32_t c);

/// CP932 (Windows-31J: 0x5C is the backslash) bytes to code points; never fails.
Text DecodeCp932(std::string_view bytes);

/// DecodeCp932 written to `out`, which has room for one character per byte; returns past the
/// last character written.
char32_t* DecodeCp932To(std::string_view bytes, char32_t* out);

/// Code points to CP932 bytes; throws ConversionError naming the character when one has no CP932
/// form.
std::string EncodeCp932(TextView text);

/// EncodeCp932 appended to `out`; on a throw `out` may hold part of the text.
void AppendCp932(TextView text, std::string& out);

/// As EncodeCp932, but a character without a CP932 form becomes "?" (the system's best-fit
/// default).
std::string EncodeCp932Lossy(TextView text);

}  // namespace tecris2nx
