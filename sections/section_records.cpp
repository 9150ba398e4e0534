#include "sections/section_records.h"

#include "common/cp932.h"
#include "common/error.h"
#include "common/formatting.h"

namespace tecris2nx {
namespace {

/// Refuses a number beyond any double: it would be written as a made-up largest value.
void CheckNumberRange(const FieldReader& in, TextView cell, int record, int value) {
  if (!ReadNumber(cell).overflow) return;
  throw ConversionError(U"セクション " + Text(1, in.Section()) + U" の記録 " + DecimalText(record) +
                            U" の値 " + DecimalText(value) + U": 値 \"" + TrimBlanks(cell) +
                            U"\" は数値の範囲を超えています。",
                        ConversionProblem::kNumberRange);
}

/// The next field into a cell as the file's bytes, decoded only when a writer reads the cell. A
/// cell read as a number is checked for its range.
void StoreField(FieldReader& in, RecordTable::CellRef cell, bool number, int record, int value) {
  const std::string_view bytes = in.ReadFieldBytes();
  cell.AssignCp932(bytes);
  if (number && MayLeaveNumberRange(bytes)) CheckNumberRange(in, DecodeCp932(bytes), record, value);
}

bool IsNumber(std::uint32_t numberValues, int value) { return (numberValues >> value & 1U) != 0; }

}  // namespace

void ReadCountedRecords(FieldReader& in, RecordTable& table, int values, std::int16_t count,
                        std::uint32_t numberValues) {
  table.Reset(values, count);
  for (int r = 1; r <= count; ++r) {
    for (int i = 0; i < 3; ++i) in.SkipField();
    for (int v = 1; v <= values; ++v) {
      StoreField(in, table.Cell(v, r), IsNumber(numberValues, v), r, v);
    }
  }
}

void ReadOpenedRecords(FieldReader& in, RecordTable& table, int values, std::int16_t count,
                       bool firstOpeningRead) {
  table.Reset(values, count);
  bool openingRead = firstOpeningRead;
  for (int r = 1; r <= count; ++r) {
    if (!openingRead) in.SkipField();
    openingRead = false;
    in.SkipField();
    in.SkipField();
    for (int v = 1; v <= values; ++v) StoreField(in, table.Cell(v, r), true, r, v);
  }
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

}  // namespace tecris2nx
