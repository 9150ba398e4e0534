#pragma once

#include <cstddef>
#include <string_view>

#include "common/text.h"

namespace tecris2nx {

/// A cell's text as a number, read once from the left: blanks, a sign, digits with at most one
/// point, then perhaps an exponent letter (E, e, or the full-width Ｅ, ｅ) with a signed whole
/// exponent, then blanks. This is the one place that says what a plain number is; each consumer
/// asks it and adds only its own limits (how many digits it can take exactly).
struct NumberScan {
  static constexpr std::size_t kNone = std::string_view::npos;

  std::size_t size = 0;            ///< the text's length
  std::size_t lead = 0;            ///< blanks before the number
  bool sign = false;               ///< a sign was read
  bool negative = false;           ///< the sign was "-"
  std::size_t digitsFrom = 0;      ///< where the mantissa's digits begin (after the sign)
  std::size_t wholeDigits = 0;     ///< digits before the point
  bool point = false;              ///< a point was read
  std::size_t fractionDigits = 0;  ///< digits after the point
  std::size_t letter = kNone;      ///< where the exponent letter begins; kNone without one
  std::size_t letterSize = 0;      ///< 1, or 2 for a full-width letter in CP932 bytes
  bool fullWidthLetter = false;    ///< the letter was Ｅ or ｅ
  bool exponentNegative = false;
  std::size_t exponentFrom = 0;  ///< where the exponent's digits begin
  std::size_t exponentDigits = 0;
  std::size_t end = 0;      ///< just past the last character read as part of the number
  bool blanksOnly = false;  ///< nothing but blanks follows `end`

  std::size_t MantissaDigits() const { return wholeDigits + fractionDigits; }
  /// Where the point is, or where it would be.
  std::size_t PointAt() const { return digitsFrom + wholeDigits; }
  /// Nothing but blanks, or nothing at all.
  bool IsBlank() const { return blanksOnly && end == lead && lead == size; }
  /// A sign or none, digits with at most one point, nothing else (no blanks, no exponent).
  bool IsPlainDecimal() const {
    return MantissaDigits() > 0 && letter == kNone && lead == 0 && end == size;
  }
  /// A plain decimal with blanks around it, or none.
  bool IsDecimalBetweenBlanks() const {
    return MantissaDigits() > 0 && letter == kNone && blanksOnly;
  }
  /// A plain decimal, then an exponent letter and a signed exponent of at least one digit,
  /// nothing else.
  bool IsPlainExponent() const {
    return MantissaDigits() > 0 && letter != kNone && exponentDigits > 0 && lead == 0 &&
           end == size;
  }
};

/// Scans CP932 bytes: only ASCII blanks, signs, digits and points count (no byte of a
/// double-byte character is one of them), and Ｅ, ｅ as their two bytes.
NumberScan ScanNumber(std::string_view cp932);
/// Scans decoded text.
NumberScan ScanNumber(TextView text);

}  // namespace tecris2nx
