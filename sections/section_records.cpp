#include "sections/section_records.h"

#include <array>
#include <cmath>

#include "common/cp932.h"
#include "common/formatting.h"

namespace tecris2nx {

int RecordShape::FieldOf(int record, int value, bool leadOpens) const {
  const int width = 3 + values;
  // Two ignored fields and the count; in E to H the lead field, which may open the first record.
  const int first = opened && !leadOpens ? 5 : 4;
  const int recordStart = first + (record - 1) * width;
  return value == 0 ? recordStart : recordStart + 2 + value;
}

namespace {

/// Stores a field as the table's next cell, telling it when the field is a plain number:
/// evaluating the section then passes over the values that hold nothing else. Inlined into the
/// reading loops: a call for each of a file's millions of fields costs more than its work.
[[gnu::always_inline]] inline void StoreField(RecordTable::Appender& table, std::string_view bytes,
                                              bool plain) {
  plain = plain && bytes.size() <= kLongestPlainInRange;
  table.Append(bytes, plain,
               plain || bytes.empty() || !MayBeNumberProblem(bytes, NumberUse::kExponent));
}

}  // namespace

void ReadCountedRecords(FieldReader& in, RecordTable& table, const RecordShape& shape,
                        std::int16_t count) {
  table.Reset(shape.values, count);
  const long long lineEnds = in.FieldsWithLineEnds();
  RecordTable::Appender cells(table);
  for (int r = 1; r <= count; ++r) {
    // Three ignored fields, then the values.
    in.ReadFields(3 + shape.values,
                  [&cells](int i, std::string_view bytes, bool plain, std::size_t) {
                    if (i >= 3) StoreField(cells, bytes, plain);
                  });
  }
  if (in.FieldsWithLineEnds() == lineEnds) table.NoteFreeOfLineEnds();
}

void ReadOpenedRecords(FieldReader& in, RecordTable& table, const RecordShape& shape,
                       std::int16_t count, bool firstOpeningRead) {
  table.Reset(shape.values, count);
  const long long lineEnds = in.FieldsWithLineEnds();
  RecordTable::Appender cells(table);
  bool openingRead = firstOpeningRead;
  for (int r = 1; r <= count; ++r) {
    if (!openingRead) in.SkipField();
    openingRead = false;
    in.ReadFields(2 + shape.values,
                  [&cells](int i, std::string_view bytes, bool plain, std::size_t) {
                    if (i >= 2) StoreField(cells, bytes, plain);
                  });
  }
  if (in.FieldsWithLineEnds() == lineEnds) table.NoteFreeOfLineEnds();
}

void VisitEveryNumber(const RecordShape& shape, const RecordTable& table,
                      const NumberVisit& visit) {
  RecordTable::Record cells;
  bool any = false;
  for (int v = 1; v <= shape.values; ++v) any = any || !NothingToVisit(shape, table, v);
  if (!any) return;
  for (int r = 1; r <= table.count(); ++r) {
    table.ReadRecord(r, cells);
    for (int v = 1; v <= shape.values; ++v) {
      if (NothingToVisit(shape, table, v)) continue;
      if (shape.IsExponent(v)) {
        visit(cells, r, v, NumberUse::kExponent);
      } else if (shape.IsNumber(v)) {
        visit(cells, r, v, NumberUse::kNumber);
      }
    }
  }
}

namespace {

/// The exponent rule cannot leave single precision: "m E e" in ASCII digits, the letter E or e in
/// either width, with a mantissa of at most 8 digits and an exponent of at most two digits below
/// 30 (10^29 x 10^8 is far below 3.4E+38).
bool SmallExponentValue(std::string_view bytes) {
  std::size_t i = 0;
  const auto digits = [&](std::size_t most, int& value) {
    std::size_t n = 0;
    value = 0;
    for (; i < bytes.size() && bytes[i] >= '0' && bytes[i] <= '9'; ++i, ++n) {
      // Past `most` digits the answer is no: the value is no longer needed, and must not overflow.
      if (n <= most) value = value * 10 + (bytes[i] - '0');
    }
    return n <= most;
  };
  int ignored = 0;
  if (i < bytes.size() && (bytes[i] == '-' || bytes[i] == '+')) ++i;
  if (!digits(8, ignored)) return false;
  if (i < bytes.size() && bytes[i] == '.') {
    ++i;
    if (!digits(8, ignored)) return false;
  }
  if (i < bytes.size() && (bytes[i] == 'E' || bytes[i] == 'e')) {
    ++i;
  } else if (bytes.substr(i, 2) == "\x82\x64" || bytes.substr(i, 2) == "\x82\x85") {
    i += 2;  // Ｅ and ｅ in CP932
  } else {
    return false;
  }
  if (i < bytes.size() && (bytes[i] == '-' || bytes[i] == '+')) ++i;
  int exponent = 0;
  return digits(2, exponent) && exponent < 30 && i == bytes.size();
}

}  // namespace

bool MayBeNumberProblem(std::string_view bytes, NumberUse use) {
  // Only an exponent letter (Ｅ and ｅ begin with 0x82), a radix prefix or more digits than the
  // range holds lead out of it. One look at each byte: this runs over every value evaluated.
  constexpr std::size_t kLongestInSingleRange = kLongestPlainInRange + 1;
  constexpr std::size_t kLongestInRange = 309;
  // 1: an exponent letter or radix prefix; 2: the first byte of Ｅ and ｅ.
  static constexpr std::array<std::uint8_t, 256> kLetters = [] {
    std::array<std::uint8_t, 256> letters{};
    for (const char c : {'E', 'e', 'D', 'd', '&'}) letters[static_cast<unsigned char>(c)] = 1;
    letters[0x82] = 2;
    return letters;
  }();
  const std::uint8_t wanted = use == NumberUse::kExponent ? 3 : 1;
  bool letter = false;
  for (const char c : bytes) {
    if ((kLetters[static_cast<unsigned char>(c)] & wanted) != 0) {
      letter = true;
      break;
    }
  }
  if (use == NumberUse::kExponent && letter) return !SmallExponentValue(bytes);
  if (letter) return true;
  return bytes.size() >= (use == NumberUse::kSingleKey ? kLongestInSingleRange : kLongestInRange);
}

std::optional<ConversionError> NumberProblem(char32_t section, TextView cell, int record, int value,
                                             NumberUse use) {
  // Without an exponent letter the exponent rule reads the value as a plain number.
  if (use == NumberUse::kExponent && cell.find_first_of(U"EeＥｅ") == TextView::npos) {
    use = NumberUse::kNumber;
  }
  const auto where = [&] {
    return U"セクション " + Text(1, section) + U" の記録 " + DecimalText(record) + U" の値 " +
           DecimalText(value) + U": ";
  };
  const ProblemPlace place{section, record, value};
  if (use == NumberUse::kExponent) {
    try {
      ExponentNumber(cell);
    } catch (const ConversionError& e) {
      return ConversionError(where() + e.message(), ConversionProblem::kExponentRange, place);
    }
    return std::nullopt;
  }
  const NumberReading number = ReadNumber(cell);
  // The largest double (or single-precision infinity) in place of the number would be made up.
  const bool beyond =
      number.overflow || (use == NumberUse::kSingleKey && std::isinf(RoundToSingle(number.value)));
  if (!beyond) return std::nullopt;
  return ConversionError(where() + U"値 \"" + TrimBlanks(cell) + U"\" は数値の範囲を超えています。",
                         ConversionProblem::kNumberRange, place);
}

namespace {

/// A cell onto a line of bytes: `fromBytes` when its bytes suffice, else `fromText` on its decoded
/// text.
template <typename FromBytes, typename FromText>
void AppendCell(std::string& line, const RecordTable::Record& cells, int value, Text& scratch,
                FromBytes fromBytes, FromText fromText) {
  if (fromBytes(line, cells.Cp932(value))) return;
  scratch.clear();
  fromText(scratch, cells[value]);
  AppendCp932(scratch, line);
}

}  // namespace

void AppendNumberCell(std::string& line, const RecordTable::Record& cells, int value,
                      Text& scratch) {
  AppendCell(line, cells, value, scratch, AppendNumberOrEmptyBytes, AppendNumberOrEmpty);
}

void AppendDepthCell(std::string& line, const RecordTable::Record& cells, int value,
                     Text& scratch) {
  AppendCell(line, cells, value, scratch, AppendFormatDepthBytes, AppendFormatDepth);
}

void AppendDepthOfText(std::string& line, TextView text, Text& scratch) {
  // A number's text is ASCII: its code points are its bytes.
  std::array<char, 64> bytes;
  if (text.size() <= bytes.size()) {
    std::copy(text.begin(), text.end(), bytes.begin());
    if (AppendFormatDepthBytes(line, std::string_view(bytes.data(), text.size()))) return;
  }
  scratch.clear();
  AppendFormatDepth(scratch, text);
  AppendCp932(scratch, line);
}

}  // namespace tecris2nx
