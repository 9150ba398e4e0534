#include "sections/section_records.h"

#include <array>
#include <cmath>

#include "common/cp932.h"
#include "common/formatting.h"
#include "common/number_scan.h"

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
/// evaluating the section then passes over the values that hold nothing else.
void StoreField(RecordTable& table, std::string_view bytes) {
  const bool plain = bytes.size() <= kLongestPlainInRange && ScanNumber(bytes).IsPlainDecimal();
  table.AppendCp932(bytes, plain,
                    plain || bytes.empty() || !MayBeNumberProblem(bytes, NumberUse::kExponent));
}

}  // namespace

void ReadCountedRecords(FieldReader& in, RecordTable& table, const RecordShape& shape,
                        std::int16_t count) {
  table.Reset(shape.values, count);
  for (int r = 1; r <= count; ++r) {
    // Three ignored fields, then the values.
    for (int i = 0; i < 3; ++i) in.SkipField();
    for (int v = 1; v <= shape.values; ++v) StoreField(table, in.ReadFieldBytes());
  }
}

void ReadOpenedRecords(FieldReader& in, RecordTable& table, const RecordShape& shape,
                       std::int16_t count, bool firstOpeningRead) {
  table.Reset(shape.values, count);
  bool openingRead = firstOpeningRead;
  for (int r = 1; r <= count; ++r) {
    // The opening field, two ignored fields, then the values.
    if (!openingRead) in.SkipField();
    openingRead = false;
    for (int i = 0; i < 2; ++i) in.SkipField();
    for (int v = 1; v <= shape.values; ++v) StoreField(table, in.ReadFieldBytes());
  }
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

/// The exponent rule cannot take a plain exponent form out of single precision when its mantissa
/// has at most 8 digits on either side of the point and its exponent is below 30: 10^29 x 10^8
/// is far below 3.4E+38.
bool IsSmallExponent(std::string_view bytes) {
  const NumberScan number = ScanNumber(bytes);
  if (!number.IsPlainExponent() || number.wholeDigits > 8 || number.fractionDigits > 8 ||
      number.exponentDigits > 2) {
    return false;
  }
  int exponent = 0;
  for (const char digit : bytes.substr(number.exponentFrom, number.exponentDigits)) {
    exponent = exponent * 10 + (digit - '0');
  }
  return exponent < 30;
}

}  // namespace

bool MayBeNumberProblem(std::string_view bytes, NumberUse use) {
  if (use == NumberUse::kExponent) {
    if (IsSmallExponent(bytes)) return false;
    // The rule takes an exponent letter anywhere in the cell, Ｅ and ｅ (led by 0x82) too.
    if (bytes.find('\x82') != std::string_view::npos) return true;
  }
  return MayLeaveNumberRange(bytes) ||
         (use == NumberUse::kSingleKey && bytes.size() > kLongestPlainInRange);
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
