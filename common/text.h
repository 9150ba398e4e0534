#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tecris2nx {

/// Text inside the program is a sequence of code points: one full-width character is one element.
using Text = std::u32string;
using TextView = std::u32string_view;

/// The blank of every trim and "blanks only" test: the half-width space (U+0020) and nothing else.
inline constexpr char32_t kBlank = U' ';

Text TrimBlanks(TextView text);
/// TrimBlanks as a view into the same characters.
TextView TrimmedView(TextView text);
Text TrimLeftBlanks(TextView text);
Text TrimRightBlanks(TextView text);
/// True when the text is empty or holds half-width blanks only.
bool IsBlankOrEmpty(TextView text);

/// Full-width forms (U+FF01..U+FF5E, U+3000) to half-width, then ASCII lower case to upper case.
Text ToHalfWidthUpper(TextView text);
/// A lower-case letter, half-width or full-width, as its upper case; any other character as it
/// is: how Windows compares the letters of file names.
char32_t FoldedLetter(char32_t c);

/// UTF-8 for terminals, POSIX file names and exception texts; invalid input becomes U+FFFD.
std::string ToUtf8(TextView text);
/// Appends one Unicode scalar value (not a surrogate, at most U+10FFFF) as UTF-8 to anything
/// that takes bytes by +=.
template <typename Out>
void AppendUtf8(Out& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}
Text FromUtf8(std::string_view utf8);

/// A POSIX file name's bytes as text: UTF-8 decoded, and each byte that is not part of valid UTF-8
/// carried as U+DC00 + byte (as CP932 decoding carries its invalid bytes), so that the name comes
/// back unchanged from NativeNameBytes.
Text FromNativeName(std::string_view bytes);
/// The bytes of a name made by FromNativeName: UTF-8, each carried byte as itself.
std::string NativeNameBytes(TextView name);
/// Text from a file or a file name for a terminal, a message box or a log line: each carried
/// byte, which has no character to show, and each control character (C0, DEL, C1) written as
/// "\xHH", each direction control and line or paragraph separator as "\uHHHH". Texts already
/// shown come back unchanged.
Text ShownText(TextView text);
/// ShownText of a name.
Text ShownName(TextView name);

/// Decimal digits of a whole number, with "-" for negatives.
Text DecimalText(long long value);

}  // namespace tecris2nx
