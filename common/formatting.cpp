#include "common/formatting.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>
#include <system_error>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "common/cp932.h"
#include "common/error.h"

namespace tecris2nx {
namespace {

constexpr char32_t kNoChar = 0xFFFFFFFF;

// Enough digits to round any decimal to the nearest double: the halfway points between doubles
// have at most 767 significant digits; one more slot holds the sticky digit for the rest.
constexpr int kMaxDigits = 780;
// Beyond this the value is infinite or zero anyway; clamping keeps the arithmetic in range.
constexpr long long kExponentLimit = 100000;

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

// Walks the text the way the number parse sees it: skipped characters are invisible.
class NumberCursor {
 public:
  explicit NumberCursor(TextView text) : text_(text) {}

  char32_t Peek() {
    while (pos_ < text_.size() && IsSkipped(text_[pos_])) ++pos_;
    return pos_ < text_.size() ? text_[pos_] : kNoChar;
  }
  void Advance() { ++pos_; }
  std::size_t Position() const { return pos_; }

 private:
  TextView text_;
  std::size_t pos_ = 0;
};

double RadixValue(NumberCursor& cursor, int radix, NumberReading* reading) {
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

// Digits of a value rounded to a number of significant digits, as scientific notation.
struct Digits {
  bool negative = false;
  std::array<char, 17> digits{};  // significant digits, trailing zeros removed
  int count = 0;
  int exponent = 0;  // power of ten of the first digit
};

constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                              1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                              1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// A normal value's digits rounded to `precision` (at most 15) by scaling it to that many whole
// digits: one multiplication or division by an exact power of ten, off by at most a unit in the
// scaled value's last place. False when that may decide the rounding (the scaled value lies too
// near a half), or the power is not exact. Inlined: with the precision known the powers are
// constants, and a call for each number costs more than the scaling.
[[gnu::always_inline]] inline bool QuickDigits(double value, int precision, Digits& digits) {
  const double magnitude = std::fabs(value);
  // The binary exponent of a normal double, as ilogb gives it, read from its bits; times log10(2)
  // (1233 / 4096) it gives the decimal exponent or one beside it.
  const int binary = static_cast<int>(std::bit_cast<std::uint64_t>(magnitude) >> 52) - 1023;
  int exponent = (binary * 1233) >> 12;
  const double lowest = kPowers[precision - 1];
  const double beyond = kPowers[precision];
  double scaled = 0;
  for (int attempt = 0;; ++attempt) {
    const int scale = precision - 1 - exponent;
    if (scale < -22 || scale > 22 || attempt > 2) return false;
    scaled = scale >= 0 ? magnitude * kPowers[scale] : magnitude / kPowers[-scale];
    if (scaled >= beyond) {
      ++exponent;
    } else if (scaled < lowest) {
      --exponent;
    } else {
      break;
    }
  }
  const auto whole = static_cast<std::uint64_t>(scaled);  // below 2^53: exact
  const double rest = scaled - static_cast<double>(whole);
  if (std::fabs(rest - 0.5) < 1e-4 + scaled * 0x1p-52) return false;
  auto n = whole + (rest > 0.5 ? 1 : 0);
  if (n == static_cast<std::uint64_t>(beyond)) {
    n = static_cast<std::uint64_t>(lowest);
    ++exponent;
  }
  digits.negative = std::signbit(value);
  digits.exponent = exponent;
  // n has exactly `precision` digits: written from the last, two at a time (each division waits
  // for the one before), then its trailing zeros cut.
  static constexpr std::array<char, 200> kPairs = [] {
    std::array<char, 200> pairs{};
    for (int i = 0; i < 100; ++i) {
      pairs[static_cast<std::size_t>(2 * i)] = static_cast<char>('0' + i / 10);
      pairs[static_cast<std::size_t>(2 * i + 1)] = static_cast<char>('0' + i % 10);
    }
    return pairs;
  }();
  int at = precision;
  for (; at >= 2; at -= 2) {
    std::memcpy(digits.digits.data() + at - 2, kPairs.data() + 2 * (n % 100), 2);
    n /= 100;
  }
  if (at == 1) digits.digits[0] = static_cast<char>('0' + n);
  int count = precision;
  while (digits.digits[static_cast<std::size_t>(count - 1)] == '0') --count;  // n is not zero
  digits.count = count;
  return true;
}

Digits RoundedDigits(double value, int precision, bool shortestFirst = true) {
  Digits result;
  result.negative = std::signbit(value);
  if (value == 0) {
    result.negative = false;
    result.digits[0] = '0';
    result.count = 1;
    return result;
  }
  if (precision >= 1 && precision <= 15 && std::isnormal(value) &&
      QuickDigits(value, precision, result)) {
    return result;
  }
  std::array<char, 40> buffer{};
  // The shortest text that reads back as the value is much cheaper to make. When it has no more
  // digits than asked for, it is also the value rounded to that many digits: the value lies within
  // half a unit in its last place of it, far less than half a unit of the last digit asked for.
  // A single-precision value widened is seldom short: the caller says so.
  std::to_chars_result converted{buffer.data(), std::errc()};
  int shortest = precision + 1;
  if (shortestFirst) {
    converted = std::to_chars(buffer.data(), buffer.data() + buffer.size(), std::fabs(value),
                              std::chars_format::scientific);
    shortest = 0;
    for (const char* q = buffer.data(); q != converted.ptr && *q != 'e'; ++q) shortest += *q != '.';
  }
  if (shortest > precision || !std::isnormal(value)) {  // subnormals carry fewer digits
    converted = std::to_chars(buffer.data(), buffer.data() + buffer.size(), std::fabs(value),
                              std::chars_format::scientific, precision - 1);
  }
  const char* p = buffer.data();
  for (; p != converted.ptr && *p != 'e'; ++p) {
    if (*p != '.') result.digits[result.count++] = *p;
  }
  std::from_chars(p + 1 + (p[1] == '+' ? 1 : 0), converted.ptr, result.exponent);
  while (result.count > 1 && result.digits[result.count - 1] == '0') --result.count;
  return result;
}

// RoundedDigits(value, 7, false) of a single. Its shortest digits are much cheaper to make, and
// they are those seven rounded whenever the spacing of singles there is finer than a unit of the
// seventh digit: the value lies within half its spacing of them, so within half that unit.
Digits SingleDigits(float value) {
  // One result returned from every path, so that it is made in place: digits stored a few at a
  // time and then copied whole wait for the stores to land.
  Digits result;
  if (!std::isnormal(value)) {
    result = RoundedDigits(value, 7, false);
    return result;
  }
  if (QuickDigits(value, 7, result)) return result;
  std::array<char, 32> buffer{};
  const std::to_chars_result converted =
      std::to_chars(buffer.data(), buffer.data() + buffer.size(), std::fabs(value),
                    std::chars_format::scientific);
  result.negative = std::signbit(value);
  const char* p = buffer.data();
  for (; p != converted.ptr && *p != 'e'; ++p) {
    if (*p != '.' && result.count < 8) result.digits[result.count++] = *p;
  }
  std::from_chars(p + 1 + (p[1] == '+' ? 1 : 0), converted.ptr, result.exponent);
  int binary = 0;
  std::frexp(value, &binary);  // the spacing of singles there is 2^(binary - 24)
  constexpr double kLog2Of10 = 3.321928094887362;
  // A lone 1 may stand for a value just below its power of ten, whose seventh digit lies a place
  // lower. A power of two is never a power of ten, nor close enough to one for rounding to
  // matter.
  if (result.count > 7 || (result.count == 1 && result.digits[0] == '1') ||
      binary - 24 >= (result.exponent - 6) * kLog2Of10) {
    result = RoundedDigits(value, 7, false);
  }
  return result;
}

// The forms below append ASCII only: to code points or to CP932 bytes alike.
template <typename String>
void AppendAscii(String& text, std::string_view ascii) {
  for (const char c : ascii) text += static_cast<typename String::value_type>(c);
}

template <typename String>
void AppendPlainText(String& text, const Digits& d) {
  using Char = typename String::value_type;
  if (d.negative) text += Char('-');
  if (d.exponent < 0) {
    AppendAscii(text, "0.");
    text.append(static_cast<std::size_t>(-d.exponent - 1), Char('0'));
    for (int i = 0; i < d.count; ++i) text += static_cast<Char>(d.digits[i]);
    return;
  }
  for (int i = 0; i <= d.exponent; ++i) {
    text += i < d.count ? static_cast<Char>(d.digits[i]) : Char('0');
  }
  if (d.count > d.exponent + 1) {
    text += Char('.');
    for (int i = d.exponent + 1; i < d.count; ++i) text += static_cast<Char>(d.digits[i]);
  }
}

template <typename String>
void AppendExponentText(String& text, const Digits& d) {
  using Char = typename String::value_type;
  if (d.negative) text += Char('-');
  text += static_cast<Char>(d.digits[0]);
  if (d.count > 1) {
    text += Char('.');
    for (int i = 1; i < d.count; ++i) text += static_cast<Char>(d.digits[i]);
  }
  AppendAscii(text, d.exponent < 0 ? "E-" : "E+");
  const int magnitude = std::abs(d.exponent);
  if (magnitude < 10) text += Char('0');
  char digits[8];
  const char* end = std::to_chars(digits, digits + sizeof(digits), magnitude).ptr;
  AppendAscii(text, std::string_view(digits, static_cast<std::size_t>(end - digits)));
}

void AppendSpecialText(Text& text, double value) {
  text += std::isnan(value) ? U"NAN" : value < 0 ? U"-INF" : U"INF";
}

// The general form is short (17 digits, four zeros after the point, a sign, a point and an
// exponent at most): made in place, then added in one piece.
struct ShortText {
  using value_type = char;
  std::array<char, 48> bytes;
  std::size_t size = 0;
  void operator+=(char c) { bytes[size++] = c; }
  void append(std::size_t count, char c) {
    std::fill_n(bytes.begin() + static_cast<std::ptrdiff_t>(size), count, c);
    size += count;
  }
};

// General form: plain digits, or exponent form below 1E-4 and from 10^upperExponent upward
// (decided on the rounded value, so 999999999999999.9 is 1E+15).
template <typename String>
void AppendGeneralDigits(String& text, const Digits& d, int upperExponent) {
  ShortText made;
  const bool zero = d.count == 1 && d.digits[0] == '0';
  if (!zero && (d.exponent < -4 || d.exponent >= upperExponent)) {
    AppendExponentText(made, d);
  } else {
    AppendPlainText(made, d);
  }
  text.append(made.bytes.begin(), made.bytes.begin() + static_cast<std::ptrdiff_t>(made.size));
}

void AppendGeneralText(Text& text, double value, int precision, int upperExponent) {
  if (!std::isfinite(value)) return AppendSpecialText(text, value);
  AppendGeneralDigits(text, RoundedDigits(value, precision), upperExponent);
}

// NumberText(NumericValue(cell)) straight from the text, for a plain decimal of at most 15
// significant digits written between blanks: such a decimal reads back from its double unchanged,
// so only its zeros need normalising. Nearly every cell of a boring log is one. False, with
// nothing appended, when the cell needs the general route.
template <typename Char>
bool AppendPlainDecimal(std::basic_string<Char>& out, std::basic_string_view<Char> cell) {
  // Only ASCII counts, so CP932 bytes can be read as they are: no byte of a double-byte
  // character is a digit, a sign, a point or a blank.
  const auto isDigit = [](Char c) { return c >= Char('0') && c <= Char('9'); };
  std::size_t i = 0;
  const std::size_t n = cell.size();
  while (i < n && cell[i] == Char(' ')) ++i;
  bool negative = false;
  if (i < n && (cell[i] == Char('-') || cell[i] == Char('+'))) negative = cell[i++] == Char('-');
  const std::size_t intStart = i;
  while (i < n && isDigit(cell[i])) ++i;
  std::size_t intEnd = i;
  std::size_t fracStart = i;
  std::size_t fracEnd = i;
  if (i < n && cell[i] == Char('.')) {
    fracStart = ++i;
    while (i < n && isDigit(cell[i])) ++i;
    fracEnd = i;
  }
  if (intEnd == intStart && fracEnd == fracStart) return false;
  while (i < n && cell[i] == Char(' ')) ++i;
  if (i != n) return false;

  std::size_t intFirst = intStart;
  while (intFirst < intEnd && cell[intFirst] == Char('0')) ++intFirst;
  while (fracEnd > fracStart && cell[fracEnd - 1] == Char('0')) --fracEnd;
  std::size_t significant = (intEnd - intFirst) + (fracEnd - fracStart);
  if (intFirst == intEnd) {
    std::size_t leadingZeros = 0;
    while (fracStart + leadingZeros < fracEnd && cell[fracStart + leadingZeros] == Char('0')) {
      ++leadingZeros;
    }
    if (fracStart == fracEnd) {
      out += Char('0');
      return true;
    }
    if (leadingZeros >= 4) return false;  // below 0.0001: exponent form
    significant -= leadingZeros;
  }
  if (significant > 15) return false;
  // Most cells are their own text already ("12.5", "-0.25"): the part from the sign or first
  // digit kept to the last digit kept is added as it stands.
  const std::size_t intFrom = intFirst < intEnd ? intFirst : intEnd - 1;  // "0" for no whole
  if ((intFirst < intEnd || intEnd > intStart) && (!negative || intFrom == intStart)) {
    const std::size_t from = negative ? intFrom - 1 : intFrom;
    const std::size_t to = fracEnd > fracStart ? fracEnd : intEnd;
    out.append(cell.data() + from, to - from);
    return true;
  }
  // At most 15 digits, three zeros after the point, a sign, a point and a zero: made in place and
  // added in one piece.
  std::array<Char, 40> text;
  Char* w = text.data();
  if (negative) *w++ = Char('-');
  if (intFirst == intEnd) {
    *w++ = Char('0');
  } else {
    w = std::copy(cell.begin() + static_cast<std::ptrdiff_t>(intFirst),
                  cell.begin() + static_cast<std::ptrdiff_t>(intEnd), w);
  }
  if (fracEnd > fracStart) {
    *w++ = Char('.');
    w = std::copy(cell.begin() + static_cast<std::ptrdiff_t>(fracStart),
                  cell.begin() + static_cast<std::ptrdiff_t>(fracEnd), w);
  }
  out.append(text.data(), static_cast<std::size_t>(w - text.data()));
  return true;
}

// Halfway between the largest float and 2^128: a double this large rounds to infinity as a float.
constexpr double kFloatOverflow = 0x1.ffffffp+127;

// pow(10, exponent). The whole powers a single can reach are taken once from pow itself, so a
// product is the same whichever way its exponent was read.
double PowerOfTen(double exponent) {
  constexpr int kReach = 64;
  static const std::array<double, 2 * kReach + 1> powers = [] {
    std::array<double, 2 * kReach + 1> made{};
    for (int k = -kReach; k <= kReach; ++k) made[k + kReach] = std::pow(10.0, k);
    return made;
  }();
  if (exponent >= -kReach && exponent <= kReach && exponent == std::trunc(exponent)) {
    return powers[static_cast<std::size_t>(static_cast<int>(exponent) + kReach)];
  }
  return std::pow(10.0, exponent);
}

// The exponent rule's product, mantissa times ten to the exponent, at single precision; false when
// it lies outside that range.
bool SingleProduct(double mantissa, double exponent, float& product) {
  // Zero times any power of ten is zero, even when the power itself overflows.
  const double value = mantissa == 0 ? 0.0 : PowerOfTen(exponent) * mantissa;
  if (!(std::fabs(value) < kFloatOverflow)) return false;
  product = static_cast<float>(value);
  return true;
}

}  // namespace

namespace {

// Digits and power of ten both exact doubles: one operation rounds correctly. False when they are
// not, and the general conversion is needed.
bool ExactValue(std::uint64_t digits, long long exponent, bool negative, double& value) {
  constexpr std::uint64_t kExactLimit = std::uint64_t{1} << 53;
  if (digits > kExactLimit || exponent < -22 || exponent > 22) return false;
  const double d = static_cast<double>(digits);
  value = exponent < 0 ? d / kPowers[-exponent] : d * kPowers[exponent];
  if (negative) value = -value;
  return true;
}

// NumericValue of a cell that is no more than blanks, a sign, up to 19 digits and a point: nearly
// every cell. False when the cell needs the general route.
template <typename Char>
bool PlainValue(std::basic_string_view<Char> text, double& value) {
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n && text[i] == Char(' ')) ++i;
  bool negative = false;
  if (i < n && (text[i] == Char('-') || text[i] == Char('+'))) negative = text[i++] == Char('-');
  std::uint64_t digits = 0;
  int count = 0;  // digits after the leading zeros
  bool any = false;
  long long exponent = 0;
  bool afterPoint = false;
  for (; i < n; ++i) {
    const auto c = static_cast<char32_t>(text[i]);
    if (IsDigit(c)) {
      any = true;
      if (count == 0 && c == U'0') {
        if (afterPoint) --exponent;
        continue;
      }
      if (++count > 19) return false;
      digits = digits * 10 + static_cast<std::uint64_t>(c - U'0');
      if (afterPoint) --exponent;
    } else if (c == U'.' && !afterPoint) {
      afterPoint = true;
    } else {
      break;
    }
  }
  while (i < n && text[i] == Char(' ')) ++i;
  if (i != n) return false;
  if (!any || count == 0) {
    value = 0;
    return true;
  }
  return ExactValue(digits, exponent, negative, value);
}

}  // namespace

namespace {

// The general parse; `reading`, when given, learns how much of the text was read and whether the
// value fell out of range.
double ParseNumber(TextView text, NumberReading* reading) {
  NumberCursor cursor(text);
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

  // The digits kept, then a sticky digit and the exponent; filled in place, no allocation.
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
    c = cursor.Peek();
    bool exponentNegative = false;
    if (c == U'+' || c == U'-') {
      exponentNegative = c == U'-';
      cursor.Advance();
    }
    long long written = 0;
    for (c = cursor.Peek(); IsDigit(c); c = cursor.Peek()) {
      written = std::min(written * 10 + static_cast<long long>(c - U'0'), kExponentLimit);
      cursor.Advance();
    }
    consumed();
    exponent += exponentNegative ? -written : written;
  }
  if (count == 0) return 0;

  // Usual field values: digits and power of ten are both exact doubles, so one operation
  // rounds correctly and the general conversion below is not needed.
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

}  // namespace

double NumericValue(TextView text) {
  if (double value = 0; PlainValue(text, value)) return value;
  return ParseNumber(text, nullptr);
}

double NumericValueOfCp932(std::string_view cp932) {
  // Most cells are short and bare, "12.35": one pass over their bytes, with no more than 18
  // digits to keep the digits exact. Anything else goes the longer way below.
  if (!cp932.empty() && cp932.size() <= 18) {
    std::uint64_t digits = 0;
    long long exponent = 0;
    bool point = false;
    bool bare = true;
    for (const char c : cp932) {
      const auto digit = static_cast<unsigned char>(c - '0');
      if (digit < 10) {
        digits = digits * 10 + digit;
        exponent -= point ? 1 : 0;
      } else if (c == '.' && !point) {
        point = true;
      } else {
        bare = false;
        break;
      }
    }
    if (bare && cp932 != ".") {
      if (digits == 0) return 0;
      if (double value = 0; ExactValue(digits, exponent, false, value)) return value;
    }
  }
  // Bytes of ASCII digits, blanks, sign and point stand for the same characters in CP932.
  if (double value = 0; PlainValue(cp932, value)) return value;
  return ParseNumber(DecodeCp932(cp932), nullptr);
}

NumberReading ReadNumber(TextView text) {
  NumberReading reading;
  // Nearly every cell is a plain decimal read whole.
  if (PlainValue(text, reading.value)) {
    std::size_t end = text.size();
    while (end > 0 && text[end - 1] == U' ') --end;
    reading.length = end;
    reading.digits = std::any_of(text.begin(), text.end(), IsDigit);
    return reading;
  }
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

void AppendNumberText(Text& out, double value) { AppendGeneralText(out, value, 15, 15); }

void AppendNumberTextOfQuotient(Text& out, double value) {
  // Fifteen digits rounded directly give the shortest text whenever it is no longer (see
  // RoundedDigits): trying the shortest first only saves time when it is short.
  if (!std::isfinite(value)) return AppendSpecialText(out, value);
  AppendGeneralDigits(out, RoundedDigits(value, 15, false), 15);
}

Text IntegerText(std::int16_t value) { return DecimalText(value); }

Text RightPad4(TextView text) {
  Text padded;
  AppendRightPad4(padded, text);
  return padded;
}

void AppendRightPad4(Text& out, TextView text) {
  if (text.size() < 4) out.append(4 - text.size(), kBlank);
  out += text.substr(text.size() > 4 ? text.size() - 4 : 0);
}

void AppendNumberColumn(Text& out, std::int16_t value) {
  char digits[8];
  const char* end = std::to_chars(digits, digits + sizeof(digits), value).ptr;
  const std::size_t n = static_cast<std::size_t>(end - digits);
  if (n < 4) out.append(4 - n, kBlank);
  for (const char* p = end - std::min<std::size_t>(n, 4); p != end; ++p) {
    out += static_cast<char32_t>(*p);
  }
}

Text FormatDepth(TextView field) {
  Text depth;
  AppendFormatDepth(depth, field);
  return depth;
}

namespace {

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

}  // namespace

void AppendFormatDepth(Text& out, TextView field) {
  // The number's text goes after what `out` holds, then is replaced by its seven columns.
  const std::size_t base = out.size();
  if (!AppendPlainDecimal(out, field)) {
    const double value = NumericValue(field);
    AppendNumberText(out, value);
    // An exponent form has no usable integer and fraction columns: use the same digits written
    // out.
    if (out.find(U'E', base) != Text::npos) {
      out.resize(base);
      AppendPlainText(out, RoundedDigits(value, 15));
    }
  }
  ToDepthColumns(out, base);
}

namespace {

bool IsDigitByte(char c) { return c >= '0' && c <= '9'; }

/// A bare decimal in ASCII: an optional "-", then at most 16 bytes of digits and at most one
/// point, at least one digit. Its bytes after the sign as bit masks (bit i for byte i), found in
/// one look at all of them: no branch per byte.
struct BareDecimal {
  bool negative = false;
  std::string_view body;  ///< after the sign
  unsigned digits = 0;
  unsigned nonzero = 0;  ///< digits other than 0
  int point = 0;         ///< where the point is in body, or body's size
};

#if defined(__SSE2__)
/// Up to 16 bytes into a vector, zeros after them, read without touching a byte beyond them: in
/// loads of eight or four that may overlap, put together in registers (bytes stored and loaded
/// back whole would wait for the stores). Inlined with the bare decimal's first look.
[[gnu::always_inline]] inline __m128i LoadFewBytes(const char* p, std::size_t n) {
  const auto load = [p](std::size_t at, std::size_t size) {
    std::uint64_t value = 0;
    std::memcpy(&value, p + at, size);
    return value;
  };
  std::uint64_t low = 0;
  std::uint64_t high = 0;
  if (n > 8) {
    low = load(0, 8);
    high = load(n - 8, 8) >> ((16 - n) * 8);
  } else if (n >= 4) {
    low = load(0, 4) | (load(n - 4, 4) << ((n - 4) * 8));
  } else if (n > 0) {
    low = std::uint64_t{static_cast<unsigned char>(p[0])} |
          std::uint64_t{static_cast<unsigned char>(p[n / 2])} << (n / 2 * 8) |
          std::uint64_t{static_cast<unsigned char>(p[n - 1])} << ((n - 1) * 8);
  }
  return _mm_set_epi64x(static_cast<long long>(high), static_cast<long long>(low));
}
#endif

// Inlined: it is the first look at nearly every number cell written, and most of its work is
// undone by its callers' tests when it is a call of its own.
[[gnu::always_inline]] inline bool ReadBareDecimal(std::string_view cell, BareDecimal& bare) {
  bare.negative = !cell.empty() && cell[0] == '-';
  bare.body = cell.substr(bare.negative ? 1 : 0);
  const std::size_t n = bare.body.size();
  if (n == 0 || n > 16) return false;
  const unsigned within = (1U << n) - 1;
  unsigned points = 0;
#if defined(__SSE2__)
  const __m128i v = LoadFewBytes(bare.body.data(), n);
  const auto is = [&v](char c) {
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8(c))));
  };
  const __m128i digit = _mm_and_si128(_mm_cmpgt_epi8(v, _mm_set1_epi8('0' - 1)),
                                      _mm_cmplt_epi8(v, _mm_set1_epi8('9' + 1)));
  bare.digits = static_cast<unsigned>(_mm_movemask_epi8(digit)) & within;
  bare.nonzero = bare.digits & ~is('0');
  points = is('.') & within;
#else
  bare.digits = bare.nonzero = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const unsigned bit = 1U << i;
    const char c = bare.body[i];
    if (c >= '0' && c <= '9') bare.digits |= bit;
    if (c >= '1' && c <= '9') bare.nonzero |= bit;
    if (c == '.') points |= bit;
  }
#endif
  if ((bare.digits | points) != within || bare.digits == 0 || (points & (points - 1)) != 0) {
    return false;
  }
  bare.point = points != 0 ? std::countr_zero(points) : static_cast<int>(n);
  return true;
}

/// The number text of a bare decimal (an optional "-", then "0" or digits without a leading
/// zero, then perhaps a point and digits) of at most 15 digits, not below 0.0001: the cell itself
/// without the zeros that end its fraction (and a point they leave alone), or "0". The most
/// common cell. False for any other cell.
bool BareNumberText(std::string_view cell, std::string_view& text) {
  BareDecimal bare;
  if (!ReadBareDecimal(cell, bare) || bare.point == 0) return false;
  const bool zeroWhole = (bare.nonzero & 1) == 0;
  if (zeroWhole && bare.point > 1) return false;  // a leading zero
  // The fraction's digits other than 0, the last of which ends the text.
  const unsigned fraction = bare.nonzero & ~((2U << bare.point) - 1);
  if (zeroWhole && fraction == 0) {
    text = "0";
    return true;
  }
  if (zeroWhole && std::countr_zero(fraction) - bare.point - 1 >= 4) {
    return false;  // below 0.0001: exponent form
  }
  // The bytes kept: up to the fraction's last digit other than 0, or the whole alone.
  const int kept = fraction != 0 ? 32 - std::countl_zero(fraction) : bare.point;
  if (kept - (fraction != 0 ? 1 : 0) > 15) return false;  // more digits than a double keeps
  const std::size_t sign = bare.negative ? 1 : 0;
  text = cell.substr(0, sign + static_cast<std::size_t>(kept));
  return true;
}

}  // namespace

bool AppendFormatDepthBytes(std::string& out, std::string_view cell) {
  // A bare decimal of at most 15 digits reads back unchanged: its columns come from its digits,
  // the whole without leading zeros (and its sign unless it is zero), the fraction as written.
  if (BareDecimal bare; ReadBareDecimal(cell, bare)) {
    const auto size = static_cast<int>(bare.body.size());
    const int point = bare.point;
    if (size - (point < size ? 1 : 0) <= 15) {
      std::array<char, 7> columns{' ', ' ', ' ', ' ', '.', '0', '0'};
      const bool zero = bare.nonzero == 0;
      const bool sign = bare.negative && !zero;
      // The whole's last four characters, "0" for none, the sign in front of a non-zero value.
      const unsigned whole = bare.nonzero & ((1U << point) - 1);
      const int digits = whole != 0 ? point - std::countr_zero(whole) : 0;
      if (digits == 0) {
        columns[3] = '0';
        if (sign) columns[2] = '-';
      } else {
        const int kept = std::min(digits, 4);
        std::copy_n(bare.body.data() + point - kept, kept, columns.begin() + 4 - kept);
        if (sign && kept < 4) columns[static_cast<std::size_t>(3 - kept)] = '-';
      }
      if (!zero && point < size) {
        std::copy_n(bare.body.data() + point + 1, std::min(size - point - 1, 2),
                    columns.begin() + 5);
      }
      out.append(columns.data(), columns.size());
      return true;
    }
  }
  const std::size_t base = out.size();
  if (!AppendPlainDecimal(out, cell)) return false;
  ToDepthColumns(out, base);
  return true;
}

bool AppendNumberOrEmptyBytes(std::string& out, std::string_view cell) {
  if (std::string_view text; BareNumberText(cell, text)) {
    out += text;
    return true;
  }
  if (std::all_of(cell.begin(), cell.end(), [](char c) { return c == ' '; })) return true;
  return AppendPlainDecimal(out, cell);
}

void AppendNumberColumnBytes(std::string& out, std::int16_t value) {
  // The last four of blanks and the digits, added in one piece of a fixed size: every line
  // begins with one.
  char text[12] = {' ', ' ', ' ', ' '};
  const char* end = std::to_chars(text + 4, text + sizeof(text), value).ptr;
  out.append(end - 4, 4);
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

Text ExponentNumber(TextView cell) {
  Text text;
  AppendExponentNumber(text, cell);
  return text;
}

void AppendExponentNumber(Text& out, TextView cell) {
  if (IsBlankOrEmpty(cell)) return;
  TextView v = cell;
  while (v.front() == kBlank) v.remove_prefix(1);
  while (v.back() == kBlank) v.remove_suffix(1);
  std::size_t p = TextView::npos;
  for (char32_t letter : {U'E', U'e', U'Ｅ', U'ｅ'}) {
    p = v.find(letter);
    if (p != TextView::npos) break;
  }
  if (p == TextView::npos) {
    if (!AppendPlainDecimal(out, cell)) AppendNumberText(out, NumericValue(cell));
    return;
  }

  float product = 0;
  if (!SingleProduct(NumericValue(v.substr(0, p)), NumericValue(v.substr(p + 1)), product)) {
    throw ConversionError(U"値 \"" + Text(v) + U"\" は単精度の範囲を超えています。",
                          ConversionProblem::kExponentRange);
  }
  // Seven significant digits of the single-precision value, in the general form of a double. Read
  // back as a double those digits are the shortest that give it again, so they are written as
  // they are.
  AppendSingleText(out, product);
}

void AppendSingleText(Text& out, float value) { AppendGeneralDigits(out, SingleDigits(value), 15); }

namespace {

/// The value of "m E e" in ASCII with nothing around it: a mantissa of at most 15 digits, perhaps
/// signed and with a point, the letter E or e, and an exponent of at most three digits, perhaps
/// signed. What the general route reads from such a cell, in one look at its bytes; false for any
/// other cell.
bool PlainExponentValue(std::string_view cell, double& mantissa, double& exponent) {
  const char* p = cell.data();
  const char* const end = p + cell.size();
  if (p == end) return false;
  const bool negative = *p == '-';
  if (negative || *p == '+') ++p;
  std::uint64_t digits = 0;
  int count = 0;
  long long scale = 0;
  bool point = false;
  for (; p != end; ++p) {
    if (IsDigitByte(*p)) {
      digits = digits * 10 + static_cast<std::uint64_t>(*p - '0');
      if (++count > 15) return false;
      if (point) --scale;
    } else if (*p == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  if (count == 0 || p == end || (*p != 'E' && *p != 'e')) return false;
  if (++p == end) return false;
  const bool below = *p == '-';
  if (below || *p == '+') ++p;
  int power = 0;
  int powerDigits = 0;
  for (; p != end && IsDigitByte(*p); ++p) {
    power = power * 10 + (*p - '0');
    if (++powerDigits > 3) return false;
  }
  if (p != end || powerDigits == 0) return false;
  if (digits == 0) {
    mantissa = 0;
  } else if (!ExactValue(digits, scale, negative, mantissa)) {
    return false;
  }
  exponent = below ? -power : power;
  return true;
}

}  // namespace

bool AppendExponentNumberBytes(std::string& out, std::string_view cell) {
  if (double mantissa = 0, exponent = 0; PlainExponentValue(cell, mantissa, exponent)) {
    float product = 0;
    if (!SingleProduct(mantissa, exponent, product))
      return false;  // the text route gives the error
    AppendGeneralDigits(out, SingleDigits(product), 15);
    return true;
  }
  if (AppendNumberOrEmptyBytes(out, cell)) return true;
  // Only bytes that stand for the same characters in CP932 whatever surrounds them, and the two
  // of the full-width letters: then the letters are found among the bytes as among the text. The
  // first of each letter is kept on the way: E, e, Ｅ, ｅ.
  constexpr std::size_t kNone = std::string_view::npos;
  std::array<std::size_t, 4> first = {kNone, kNone, kNone, kNone};
  std::size_t from = 0;
  std::size_t to = cell.size();
  while (from < to && cell[from] == ' ') ++from;
  while (to > from && cell[to - 1] == ' ') --to;
  for (std::size_t i = from; i < to; ++i) {
    const char c = cell[i];
    if ((c >= '0' && c <= '9') || c == '.' || c == '+' || c == '-' || c == ' ') continue;
    std::size_t letter = 0;
    if (c == 'E') {
      letter = 0;
    } else if (c == 'e') {
      letter = 1;
    } else if (c == '\x82' && i + 1 < to && (cell[i + 1] == '\x64' || cell[i + 1] == '\x85')) {
      letter = cell[++i] == '\x64' ? 2 : 3;
    } else {
      return false;
    }
    if (first[letter] == kNone) first[letter] = c == '\x82' ? i - 1 : i;
  }
  const std::string_view v = cell.substr(from, to - from);
  std::size_t p = kNone;
  std::size_t letter = 1;
  for (std::size_t k = 0; k < first.size() && p == kNone; ++k) {
    p = first[k] == kNone ? kNone : first[k] - from;
    letter = k < 2 ? 1 : 2;
  }
  if (p == kNone) return false;
  float product = 0;
  if (!SingleProduct(NumericValueOfCp932(v.substr(0, p)), NumericValueOfCp932(v.substr(p + letter)),
                     product)) {
    return false;  // the text route gives the error
  }
  AppendGeneralDigits(out, SingleDigits(product), 15);
  return true;
}

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
