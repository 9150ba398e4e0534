#include "common/formatting.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>

#include "common/error.h"
#include "common/number_scan.h"

namespace tecris2nx {
namespace {

// Reading a value: the lax parse behind NumericValue and ReadNumber.
//
// It reads CP932 bytes as well as decoded text. Everything it can read is ASCII, and a byte of
// 0x80 or above stops it as the character that byte begins would: every character before the
// stop is a single ASCII byte, so both see the same characters up to it. No decoding is needed.

constexpr char32_t kNoChar = 0xFFFFFFFF;

// Enough digits to round any decimal to the nearest double: the halfway points between doubles
// have at most 767 significant digits; one more slot holds the sticky digit for the rest.
constexpr int kMaxDigits = 780;
// Beyond this the value is infinite or zero anyway; clamping keeps the arithmetic in range.
constexpr long long kExponentLimit = 100000;

constexpr double kExactPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                   1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

char32_t CodeOf(char byte) { return static_cast<unsigned char>(byte); }
char32_t CodeOf(char32_t c) { return c; }

bool IsSkipped(char32_t c) { return c == U' ' || c == U'\t' || c == U'\n'; }

bool IsDigit(char32_t c) { return c >= U'0' && c <= U'9'; }

int DigitValue(char32_t c, int radix) {
  int digit = -1;
  if (c >= U'0' && c <= U'9') {
    digit = static_cast<int>(c - U'0');
  } else if (c >= U'A' && c <= U'F') {
    digit = static_cast<int>(c - U'A') + 10;
  } else if (c >= U'a' && c <= U'f') {
    digit = static_cast<int>(c - U'a') + 10;
  }
  return digit < radix ? digit : -1;
}

// Walks the text the way the lax parse sees it: skipped characters are invisible.
template <typename Char>
class NumberCursor {
 public:
  explicit NumberCursor(std::basic_string_view<Char> text) : text_(text) {}

  char32_t Peek() {
    while (pos_ < text_.size() && IsSkipped(CodeOf(text_[pos_]))) ++pos_;
    return pos_ < text_.size() ? CodeOf(text_[pos_]) : kNoChar;
  }
  void Advance() { ++pos_; }
  std::size_t Position() const { return pos_; }

 private:
  std::basic_string_view<Char> text_;
  std::size_t pos_ = 0;
};

template <typename Char>
double RadixValue(NumberCursor<Char>& cursor, int radix, NumberReading* reading) {
  double value = 0;
  for (int digit = DigitValue(cursor.Peek(), radix); digit >= 0;
       digit = DigitValue(cursor.Peek(), radix)) {
    value = value * radix + digit;
    cursor.Advance();
    if (reading) {
      reading->digits = true;
      reading->length = cursor.Position();
    }
  }
  if (value > std::numeric_limits<double>::max()) {
    value = std::numeric_limits<double>::max();
    if (reading) reading->overflow = true;
  }
  return value;
}

// Digits and power of ten both exact doubles: one operation rounds correctly. False when they are
// not, and the general conversion is needed.
bool ExactValue(std::uint64_t digits, long long exponent, bool negative, double& value) {
  constexpr std::uint64_t kExactLimit = std::uint64_t{1} << 53;
  if (digits > kExactLimit || exponent < -22 || exponent > 22) return false;
  const double d = static_cast<double>(digits);
  value = exponent < 0 ? d / kExactPowers[-exponent] : d * kExactPowers[exponent];
  if (negative) value = -value;
  return true;
}

// The signed whole number after an exponent letter, clamped to what can matter.
template <typename Char>
long long ReadExponent(NumberCursor<Char>& cursor) {
  char32_t c = cursor.Peek();
  bool negative = false;
  if (c == U'+' || c == U'-') {
    negative = c == U'-';
    cursor.Advance();
  }
  long long written = 0;
  for (c = cursor.Peek(); IsDigit(c); c = cursor.Peek()) {
    written = std::min(written * 10 + static_cast<long long>(c - U'0'), kExponentLimit);
    cursor.Advance();
  }
  return negative ? -written : written;
}

// `reading`, when given, learns how much of the text was read and whether the value fell out of
// range.
template <typename Char>
double ParseNumber(std::basic_string_view<Char> text, NumberReading* reading) {
  NumberCursor<Char> cursor(text);
  const auto consumed = [&cursor, reading] {
    if (reading) reading->length = cursor.Position();
  };
  char32_t c = cursor.Peek();
  if (c == U'&') {
    cursor.Advance();
    c = cursor.Peek();
    cursor.Advance();
    if (c == U'H' || c == U'h') return RadixValue(cursor, 16, reading);
    if (c == U'O' || c == U'o') return RadixValue(cursor, 8, reading);
    return 0;
  }

  bool negative = false;
  if (c == U'+' || c == U'-') {
    negative = c == U'-';
    cursor.Advance();
  }

  // The digits kept, then a sticky digit and the exponent, for the library's conversion.
  std::array<char, kMaxDigits + 16> buffer;
  int count = 0;
  long long exponent = 0;   // value = digits * 10^exponent
  std::uint64_t small = 0;  // the digits as an integer while there are at most 19
  bool anyDigit = false;
  bool afterPoint = false;
  bool dropped = false;
  for (c = cursor.Peek();; c = cursor.Peek()) {
    if (IsDigit(c)) {
      anyDigit = true;
      if (count == 0 && c == U'0') {
        if (afterPoint) --exponent;
      } else if (count < kMaxDigits) {
        buffer[count++] = static_cast<char>(c);
        if (count <= 19) small = small * 10 + static_cast<std::uint64_t>(c - U'0');
        if (afterPoint) --exponent;
      } else {
        dropped = dropped || c != U'0';
        if (!afterPoint) ++exponent;
      }
    } else if (c == U'.' && !afterPoint) {
      afterPoint = true;
    } else {
      break;
    }
    cursor.Advance();
    if (anyDigit) consumed();
  }
  if (!anyDigit) return 0;
  if (reading) reading->digits = true;

  if (c == U'E' || c == U'e' || c == U'D' || c == U'd') {
    cursor.Advance();
    exponent += ReadExponent(cursor);
    consumed();
  }
  if (count == 0) return 0;

  // Nearly every cell: its value without the general conversion.
  if (double value = 0; count <= 19 && ExactValue(small, exponent, negative, value)) return value;

  if (dropped) {
    // Stands for the nonzero digits beyond those kept, so halfway cases still round correctly.
    buffer[count++] = '1';
    --exponent;
  }
  exponent = std::clamp(exponent, -kExponentLimit, kExponentLimit);
  char* end = buffer.data() + count;
  *end++ = 'e';
  end = std::to_chars(end, buffer.data() + buffer.size(), exponent).ptr;

  double value = 0;
  const auto parsed = std::from_chars(buffer.data(), end, value, std::chars_format::general);
  if (parsed.ec == std::errc::result_out_of_range) {
    // Too large gives the largest finite value, too small gives zero.
    const bool tooLarge = exponent + count > 0;
    value = tooLarge ? std::numeric_limits<double>::max() : 0.0;
    if (reading) (tooLarge ? reading->overflow : reading->underflow) = true;
  }
  return negative && value != 0 ? -value : value;
}

// Writing a double's digits in the general form.

// A value rounded to a number of significant digits.
struct Digits {
  bool negative = false;
  std::array<char, 17> digits{};  // significant digits, trailing zeros removed
  int count = 0;
  int exponent = 0;  // power of ten of the first digit
};

Digits RoundedDigits(double value, int precision) {
  Digits result;
  if (value == 0) {
    result.digits[0] = '0';
    result.count = 1;
    return result;
  }
  result.negative = std::signbit(value);
  std::array<char, 32> buffer{};
  const std::to_chars_result converted =
      std::to_chars(buffer.data(), buffer.data() + buffer.size(), std::fabs(value),
                    std::chars_format::scientific, precision - 1);
  const char* p = buffer.data();
  for (; p != converted.ptr && *p != 'e'; ++p) {
    if (*p != '.') result.digits[static_cast<std::size_t>(result.count++)] = *p;
  }
  std::from_chars(p + 1 + (p[1] == '+' ? 1 : 0), converted.ptr, result.exponent);
  while (result.count > 1 && result.digits[static_cast<std::size_t>(result.count - 1)] == '0') {
    --result.count;
  }
  return result;
}

// The writers below add ASCII only, so one template serves code points and CP932 bytes alike.
template <typename String>
void AppendAscii(String& out, std::string_view ascii) {
  for (const char c : ascii) out += static_cast<typename String::value_type>(c);
}

template <typename String>
void AppendPlainText(String& out, const Digits& d) {
  using Char = typename String::value_type;
  const auto digit = [&d](int i) {
    return static_cast<Char>(d.digits[static_cast<std::size_t>(i)]);
  };
  if (d.negative) out += Char('-');
  if (d.exponent < 0) {
    AppendAscii(out, "0.");
    out.append(static_cast<std::size_t>(-d.exponent - 1), Char('0'));
    for (int i = 0; i < d.count; ++i) out += digit(i);
    return;
  }
  for (int i = 0; i <= d.exponent; ++i) out += i < d.count ? digit(i) : Char('0');
  if (d.count > d.exponent + 1) {
    out += Char('.');
    for (int i = d.exponent + 1; i < d.count; ++i) out += digit(i);
  }
}

template <typename String>
void AppendExponentText(String& out, const Digits& d) {
  using Char = typename String::value_type;
  if (d.negative) out += Char('-');
  out += static_cast<Char>(d.digits[0]);
  if (d.count > 1) {
    out += Char('.');
    for (int i = 1; i < d.count; ++i)
      out += static_cast<Char>(d.digits[static_cast<std::size_t>(i)]);
  }
  AppendAscii(out, d.exponent < 0 ? "E-" : "E+");
  const int magnitude = std::abs(d.exponent);
  if (magnitude < 10) out += Char('0');
  std::array<char, 8> digits{};
  const char* end = std::to_chars(digits.data(), digits.data() + digits.size(), magnitude).ptr;
  AppendAscii(out, std::string_view(digits.data(), static_cast<std::size_t>(end - digits.data())));
}

// Plain digits, or the exponent form below 1E-4 and from 1E+15 upward (decided on the rounded
// value, so 999999999999999.9 is 1E+15).
template <typename String>
void AppendGeneralDigits(String& out, const Digits& d) {
  const bool zero = d.count == 1 && d.digits[0] == '0';
  if (!zero && (d.exponent < -4 || d.exponent >= 15)) {
    AppendExponentText(out, d);
  } else {
    AppendPlainText(out, d);
  }
}

// Cells written from their own text.

template <typename Char>
std::basic_string_view<Char> WithoutBlanks(std::basic_string_view<Char> cell) {
  const std::size_t from = std::min(cell.find_first_not_of(Char(' ')), cell.size());
  const std::size_t to = cell.find_last_not_of(Char(' ')) + 1;  // 0 when all blanks
  return cell.substr(from, std::max(from, to) - from);
}

// NumberText(NumericValue(cell)) straight from the text, for a plain decimal of at most 15
// significant digits between blanks: such a decimal reads back from its double unchanged, so only
// its zeros need normalising. Nearly every number cell is one. False, with nothing appended, when
// the cell needs the value's route. CP932 bytes are read as they are: no byte of a double-byte
// character is a digit, a sign, a point or a blank.
template <typename Char>
bool AppendPlainDecimal(std::basic_string<Char>& out, std::basic_string_view<Char> cell) {
  const NumberScan scan = ScanNumber(cell);
  if (!scan.IsDecimalBetweenBlanks()) return false;
  std::basic_string_view<Char> whole = cell.substr(scan.digitsFrom, scan.wholeDigits);
  std::basic_string_view<Char> fraction =
      scan.point ? cell.substr(scan.PointAt() + 1, scan.fractionDigits) : cell.substr(0, 0);
  whole.remove_prefix(std::min(whole.find_first_not_of(Char('0')), whole.size()));
  fraction = fraction.substr(0, fraction.find_last_not_of(Char('0')) + 1);
  std::size_t significant = whole.size() + fraction.size();
  if (whole.empty()) {
    if (fraction.empty()) {
      out += Char('0');  // a zero has no sign
      return true;
    }
    const std::size_t zeros = fraction.find_first_not_of(Char('0'));
    if (zeros >= 4) return false;  // below 0.0001: the exponent form
    significant -= zeros;
  }
  if (significant > 15) return false;
  if (scan.negative) out += Char('-');
  if (whole.empty()) {
    out += Char('0');
  } else {
    out += whole;
  }
  if (!fraction.empty()) {
    out += Char('.');
    out += fraction;
  }
  return true;
}

// Replaces the number text after `base` by its seven columns "nnnn.ff".
template <typename Char>
void ToDepthColumns(std::basic_string<Char>& out, std::size_t base) {
  const std::basic_string_view<Char> s = std::basic_string_view<Char>(out).substr(base);
  const std::size_t point = std::min(s.find(Char('.')), s.size());
  const std::basic_string_view<Char> whole = s.substr(0, point);
  const std::basic_string_view<Char> fraction = s.substr(std::min(point + 1, s.size()));
  std::array<Char, 7> columns{Char(' '), Char(' '), Char(' '), Char(' '),
                              Char('.'), Char('0'), Char('0')};
  const std::size_t wholeKept = std::min<std::size_t>(whole.size(), 4);
  std::copy(whole.end() - static_cast<std::ptrdiff_t>(wholeKept), whole.end(),
            columns.begin() + static_cast<std::ptrdiff_t>(4 - wholeKept));
  std::copy_n(fraction.begin(), std::min<std::size_t>(fraction.size(), 2), columns.begin() + 5);
  out.resize(base);
  out.append(columns.data(), columns.size());
}

// The exponent rule: mantissa times ten to the exponent, at single precision.

// Halfway between the largest float and 2^128: a double this large rounds to infinity as a float.
constexpr double kFloatOverflow = 0x1.ffffffp+127;

// Ten to the exponent. The whole powers a single's range needs are the nearest doubles, which
// the library's pow does not always give (10^23).
double PowerOfTen(double exponent) {
  if (exponent >= -64 && exponent <= 64 && exponent == std::trunc(exponent)) {
    std::array<char, 8> text{'1', 'e'};
    const char* end =
        std::to_chars(text.data() + 2, text.data() + text.size(), static_cast<int>(exponent)).ptr;
    double power = 0;
    std::from_chars(text.data(), end, power);
    return power;
  }
  return std::pow(10.0, exponent);
}

// Where a cell's exponent letter is and its size: the first E, else the first e, else the first
// Ｅ, else the first ｅ. A letter later in the cell than another kind is still the one used.
std::pair<std::size_t, std::size_t> FindExponentLetter(TextView cell) {
  for (const char32_t letter : {U'E', U'e', U'Ｅ', U'ｅ'}) {
    if (const std::size_t at = cell.find(letter); at != TextView::npos) return {at, 1};
  }
  return {TextView::npos, 0};
}

// The same in CP932 bytes of ASCII and the full-width letters only, where the letters' bytes
// cannot be found anywhere but at the letters.
std::pair<std::size_t, std::size_t> FindExponentLetter(std::string_view cell) {
  for (const std::string_view letter : {"E", "e", "\x82\x64", "\x82\x85"}) {
    if (const std::size_t at = cell.find(letter); at != std::string_view::npos) {
      return {at, letter.size()};
    }
  }
  return {std::string_view::npos, 0};
}

enum class ExponentRule { kWritten, kNoLetter, kBeyondSingle };

// The product's seven digits in the general form, for a cell with its blanks trimmed.
template <typename Char>
ExponentRule AppendExponentProduct(std::basic_string<Char>& out,
                                   std::basic_string_view<Char> trimmed) {
  const auto [at, letterSize] = FindExponentLetter(trimmed);
  if (letterSize == 0) return ExponentRule::kNoLetter;
  const double mantissa = ParseNumber(trimmed.substr(0, at), nullptr);
  const double exponent = ParseNumber(trimmed.substr(at + letterSize), nullptr);
  // Zero times any power of ten is zero, even when the power itself overflows.
  const double value = mantissa == 0 ? 0.0 : PowerOfTen(exponent) * mantissa;
  if (!(std::fabs(value) < kFloatOverflow)) return ExponentRule::kBeyondSingle;
  AppendGeneralDigits(out, RoundedDigits(static_cast<float>(value), 7));
  return ExponentRule::kWritten;
}

// Every character is ASCII or a full-width exponent letter: the bytes then hold the same
// characters at the same places as the text, one byte each but the letters.
bool AsciiOrExponentLetters(std::string_view cell) {
  for (std::size_t i = 0; i < cell.size(); ++i) {
    if (static_cast<unsigned char>(cell[i]) < 0x80) continue;
    if (cell[i] != '\x82' || i + 1 == cell.size() ||
        (cell[i + 1] != '\x64' && cell[i + 1] != '\x85')) {
      return false;
    }
    ++i;
  }
  return true;
}

bool IsAllBlanks(std::string_view cell) {
  return cell.find_first_not_of(' ') == std::string_view::npos;
}

}  // namespace

double NumericValue(TextView text) { return ParseNumber(text, nullptr); }

double NumericValueOfCp932(std::string_view cp932) { return ParseNumber(cp932, nullptr); }

NumberReading ReadNumber(TextView text) {
  NumberReading reading;
  reading.value = ParseNumber(text, &reading);
  return reading;
}

bool MayLeaveNumberRange(std::string_view cell) {
  // Only an exponent or a radix prefix, or more digits than a double's range holds, leads there.
  constexpr std::size_t kLongestInRange = 309;
  if (cell.size() >= kLongestInRange) return true;
  return cell.find_first_of("EeDd&") != std::string_view::npos;
}

Text NumberText(double value) {
  Text text;
  AppendNumberText(text, value);
  return text;
}

void AppendNumberText(Text& out, double value) {
  if (!std::isfinite(value)) {
    out += std::isnan(value) ? U"NAN" : value < 0 ? U"-INF" : U"INF";
    return;
  }
  AppendGeneralDigits(out, RoundedDigits(value, 15));
}

Text IntegerText(std::int16_t value) { return DecimalText(value); }

Text RightPad4(TextView text) {
  Text padded(text.size() < 4 ? 4 - text.size() : 0, kBlank);
  padded += text.substr(text.size() > 4 ? text.size() - 4 : 0);
  return padded;
}

void AppendNumberColumnBytes(std::string& out, std::int16_t value) {
  std::array<char, 12> text{' ', ' ', ' ', ' '};
  const char* end = std::to_chars(text.data() + 4, text.data() + text.size(), value).ptr;
  out.append(end - 4, 4);
}

Text FormatDepth(TextView field) {
  Text depth;
  AppendFormatDepth(depth, field);
  return depth;
}

void AppendFormatDepth(Text& out, TextView field) {
  // The number's text goes after what `out` holds, then is replaced by its seven columns. An
  // exponent form has no whole and fraction columns: its digits are written out plainly.
  const std::size_t base = out.size();
  if (!AppendPlainDecimal(out, field)) AppendPlainText(out, RoundedDigits(NumericValue(field), 15));
  ToDepthColumns(out, base);
}

bool AppendFormatDepthBytes(std::string& out, std::string_view cell) {
  const std::size_t base = out.size();
  if (!AppendPlainDecimal(out, cell)) return false;
  ToDepthColumns(out, base);
  return true;
}

Text NumberOrEmpty(TextView cell) {
  Text text;
  AppendNumberOrEmpty(text, cell);
  return text;
}

void AppendNumberOrEmpty(Text& out, TextView cell) {
  if (IsBlankOrEmpty(cell)) return;
  if (!AppendPlainDecimal(out, cell)) AppendNumberText(out, NumericValue(cell));
}

bool AppendNumberOrEmptyBytes(std::string& out, std::string_view cell) {
  return IsAllBlanks(cell) || AppendPlainDecimal(out, cell);
}

Text ExponentNumber(TextView cell) {
  Text text;
  AppendExponentNumber(text, cell);
  return text;
}

void AppendExponentNumber(Text& out, TextView cell) {
  if (IsBlankOrEmpty(cell)) return;
  const TextView trimmed = WithoutBlanks(cell);
  switch (AppendExponentProduct(out, trimmed)) {
    case ExponentRule::kWritten:
      return;
    case ExponentRule::kNoLetter:
      return AppendNumberOrEmpty(out, cell);
    case ExponentRule::kBeyondSingle:
      throw ConversionError(U"値 \"" + Text(trimmed) + U"\" は単精度の範囲を超えています。",
                            ConversionProblem::kExponentRange);
  }
}

bool AppendExponentNumberBytes(std::string& out, std::string_view cell) {
  if (IsAllBlanks(cell)) return true;
  if (!AsciiOrExponentLetters(cell)) return false;
  switch (AppendExponentProduct(out, WithoutBlanks(cell))) {
    case ExponentRule::kWritten:
      return true;
    case ExponentRule::kNoLetter:
      return AppendPlainDecimal(out, cell);
    case ExponentRule::kBeyondSingle:
      return false;  // the text route says why
  }
  return false;
}

void AppendSingleText(Text& out, float value) { AppendGeneralDigits(out, RoundedDigits(value, 7)); }

float RoundToSingle(double value) {
  constexpr float kLargest = std::numeric_limits<float>::max();
  const double magnitude = std::fabs(value);
  if (!(magnitude > kLargest)) return static_cast<float>(value);
  // Out of range a plain conversion is not defined by the language: round by hand, to the largest
  // single below the halfway point and to infinity from it on.
  const float rounded =
      magnitude < kFloatOverflow ? kLargest : std::numeric_limits<float>::infinity();
  return std::signbit(value) ? -rounded : rounded;
}

std::optional<std::int16_t> RoundToInt16(double value) {
  if (!std::isfinite(value)) return std::nullopt;
  const double floor = std::floor(value);
  const double rest = value - floor;
  double rounded = floor;
  if (rest > 0.5 || (rest == 0.5 && std::fmod(floor, 2.0) != 0)) rounded = floor + 1;
  if (rounded < std::numeric_limits<std::int16_t>::min() ||
      rounded > std::numeric_limits<std::int16_t>::max()) {
    return std::nullopt;
  }
  return static_cast<std::int16_t>(rounded);
}

}  // namespace tecris2nx
