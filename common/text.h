#pragma once

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

/// UTF-8 for terminals, POSIX file names and exception texts; invalid input becomes U+FFFD.
std::string ToUtf8(TextView text);
Text FromUtf8(std::string_view utf8);

/// Decimal digits of a whole number, with "-" for negatives.
Text DecimalText(long long value);

}  // namespace tecris2nx
