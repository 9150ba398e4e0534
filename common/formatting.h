#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/text.h"

namespace tecris2nx {

/// Leading-number parse: skips blanks, tabs and line feeds anywhere in the number; sign, digits
/// with one point, exponent (E, e, D, d), or &H / &O integers; stops at the first character that
/// cannot continue the number. No number gives 0.
double NumericValue(TextView text);
/// NumericValue of a cell's CP932 bytes, without decoding them: everything a number is made of
/// is ASCII.
double NumericValueOfCp932(std::string_view cp932);

/// What NumericValue makes of a text, for checks that need more than the value.
struct NumberReading {
  double value = 0;
  std::size_t length = 0;  ///< characters up to the last one read as part of the number; 0
                           ///< without a digit
  bool digits = false;     ///< a digit was read
  bool overflow = false;   ///< beyond the range of a double: the value is the largest finite one
  bool underflow = false;  ///< a non-zero number too small for a double: the value is 0
};
NumberReading ReadNumber(TextView text);

/// False when the cell's bytes cannot read as a number beyond a double's range: a quick test
/// that spares nearly every cell the full reading.
bool MayLeaveNumberRange(std::string_view cell);

/// General text of a number: 15 significant digits, "0.5" not ".5", exponent form (1E-05, 1.5E+15)
/// for magnitudes of at least 1E15 and non-zero magnitudes below 0.0001.
Text NumberText(double value);

// The Append forms add the same text to the end of `out`: a line built in a buffer used again
// for every line allocates nothing.
void AppendNumberText(Text& out, double value);

/// Decimal digits with a leading "-" for negatives, no blanks.
Text IntegerText(std::int16_t value);

/// The last four characters of four blanks followed by the text.
Text RightPad4(TextView text);

/// Seven-column fixed point "nnnn.ff" of a field: fraction truncated, integer part cut to four
/// columns.
Text FormatDepth(TextView field);
void AppendFormatDepth(Text& out, TextView field);

/// Empty for an empty or blanks-only cell, otherwise NumberText(NumericValue(cell)).
Text NumberOrEmpty(TextView cell);
void AppendNumberOrEmpty(Text& out, TextView cell);

/// Cell text with exponent letters (E, e, full-width Ｅ, ｅ) evaluated at single precision, 7
/// digits. Throws ConversionError when the product lies outside the single-precision range.
Text ExponentNumber(TextView cell);
void AppendExponentNumber(Text& out, TextView cell);
/// A finite single-precision value's seven significant digits in the general form of NumberText:
/// how the exponent rule writes its product.
void AppendSingleText(Text& out, float value);

/// AppendNumberOrEmpty and AppendFormatDepth straight from a cell's CP932 bytes to the bytes of
/// their text, for the cells that need no decoding: blanks only, or a plain decimal in ASCII.
/// False, with nothing appended, for any other cell: its decoded text takes the usual route.
bool AppendNumberOrEmptyBytes(std::string& out, std::string_view cell);
bool AppendFormatDepthBytes(std::string& out, std::string_view cell);
/// AppendExponentNumber the same way, for a cell of ASCII characters and the full-width letters
/// Ｅ and ｅ. False, with nothing appended, for any other cell and for
/// a product beyond single precision: the decoded text takes the usual route, which says why.
bool AppendExponentNumberBytes(std::string& out, std::string_view cell);
/// RightPad4(IntegerText(value)) appended: the record-number column of the output lines.
void AppendNumberColumnBytes(std::string& out, std::int16_t value);

/// Nearest single-precision value; beyond its range, infinity of the value's sign.
float RoundToSingle(double value);

/// Nearest 16-bit integer, halves to the even neighbour; nothing when the value does not fit.
std::optional<std::int16_t> RoundToInt16(double value);

}  // namespace tecris2nx
