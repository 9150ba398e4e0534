#include "common/number_scan.h"

namespace tecris2nx {
namespace {

template <typename Char>
bool IsDigitChar(Char c) {
  return c >= Char('0') && c <= Char('9');
}

// The size of the exponent letter at `at`, 0 for none.
std::size_t LetterAt(std::string_view bytes, std::size_t at, bool& fullWidth) {
  const char c = bytes[at];
  fullWidth = false;
  if (c == 'E' || c == 'e') return 1;
  if (c == '\x82' && at + 1 < bytes.size() &&
      (bytes[at + 1] == '\x64' || bytes[at + 1] == '\x85')) {
    fullWidth = true;
    return 2;
  }
  return 0;
}

std::size_t LetterAt(TextView text, std::size_t at, bool& fullWidth) {
  const char32_t c = text[at];
  fullWidth = c == U'Ｅ' || c == U'ｅ';
  return c == U'E' || c == U'e' || fullWidth ? 1 : 0;
}

template <typename Char>
NumberScan Scan(std::basic_string_view<Char> text) {
  NumberScan s;
  const std::size_t n = text.size();
  s.size = n;
  std::size_t i = 0;
  while (i < n && text[i] == Char(' ')) ++i;
  s.lead = i;
  if (i < n && (text[i] == Char('-') || text[i] == Char('+'))) {
    s.sign = true;
    s.negative = text[i++] == Char('-');
  }
  s.digitsFrom = i;
  while (i < n && IsDigitChar(text[i])) ++i;
  s.wholeDigits = i - s.digitsFrom;
  if (i < n && text[i] == Char('.')) {
    s.point = true;
    const std::size_t from = ++i;
    while (i < n && IsDigitChar(text[i])) ++i;
    s.fractionDigits = i - from;
  }
  // A sign or a point without digits is no number.
  s.end = s.MantissaDigits() > 0 ? i : s.lead;
  if (s.MantissaDigits() > 0 && i < n) {
    bool fullWidth = false;
    if (const std::size_t letterSize = LetterAt(text, i, fullWidth); letterSize != 0) {
      std::size_t j = i + letterSize;
      bool negative = false;
      if (j < n && (text[j] == Char('-') || text[j] == Char('+')))
        negative = text[j++] == Char('-');
      const std::size_t from = j;
      while (j < n && IsDigitChar(text[j])) ++j;
      s.letter = i;
      s.letterSize = letterSize;
      s.fullWidthLetter = fullWidth;
      s.exponentNegative = negative;
      s.exponentFrom = from;
      s.exponentDigits = j - from;
      s.end = j;
    }
  }
  std::size_t k = s.end;
  while (k < n && text[k] == Char(' ')) ++k;
  s.blanksOnly = k == n;
  return s;
}

}  // namespace

NumberScan ScanNumber(std::string_view cp932) { return Scan(cp932); }

NumberScan ScanNumber(TextView text) { return Scan(text); }

}  // namespace tecris2nx
