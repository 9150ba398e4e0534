#include "sections/section_f.h"

#include "common/cp932.h"
#include "common/error.h"
#include "common/formatting.h"
#include "sections/section_records.h"

namespace tecris2nx {
namespace {

/// Empty when either depth is missing; the difference goes through NumberText first so that the
/// double subtraction's last-digit error (2.3 - 1.1) is rounded away before the truncation.
void AppendIntervalLength(std::string& out, const RecordTable::Record& cells, Text& scratch) {
  const auto blank = [](std::string_view cell) {
    return cell.find_first_not_of(' ') == std::string_view::npos;
  };
  if (blank(cells.Cp932(1)) || blank(cells.Cp932(2))) return;
  Text length;
  AppendNumberText(length, cells.Number(2) - cells.Number(1));
  AppendDepthOfText(out, length, scratch);
}

void AppendValueText(std::string& out, const RecordTable::Record& cells, int r, Text& scratch) {
  if (AppendExponentNumberBytes(out, cells.Cp932(3))) return;
  scratch.clear();
  try {
    AppendExponentNumber(scratch, cells[3]);
  } catch (const ConversionError& e) {
    throw ConversionError(U"セクション F の記録 " + DecimalText(r) + U": " + e.message(),
                          e.problem());
  }
  AppendCp932(scratch, out);
}

}  // namespace

void ReadSectionF(FieldReader& in, RecordTable& table, std::int16_t& kind8) {
  in.ReadField();
  in.ReadField();
  const std::int16_t count = ReadCount(in);
  const Text lead = in.ReadField();
  kind8 = 0;
  // Only the exact letter doubles as the first record's opening field; anything else is the kind.
  const bool openingRead = lead == U"F";
  if (!openingRead) {
    const NumberReading kind = ReadNumber(lead);
    if (kind.overflow) {
      ThrowAtField(in, U"値 \"" + TrimBlanks(lead) + U"\" は数値の範囲を超えています。",
                   ConversionProblem::kNumberRange);
    }
    if (kind.value == 8) kind8 = 1;
  }
  ReadOpenedRecords(in, table, kSectionFShape, count, openingRead);
}

TextLines L204Lines(const RecordTable& table, std::int16_t kind8, TextLines lines) {
  std::string value;  // used again for every record
  return RecordLines(
      table, std::move(lines),
      [&](std::string& line, const RecordTable::Record& cells, int r, Text& scratch) {
        value.clear();
        AppendValueText(value, cells, r, scratch);
        line += ',';
        AppendIntervalLength(line, cells, scratch);
        line += ',';
        AppendDepthCell(line, cells, 1, scratch);
        line += ',';
        if (kind8 != 0) line += value;
        line += ",,";
        if (kind8 == 0) line += value;
        line += ",,,,,,,,,";
      });
}

void WriteL204File(const OutputContext& out, const RecordTable& table, std::int16_t kind8) {
  out.WriteLines(U"L204.txt", L204Lines(table, kind8, out.Lines(U"L204.txt")));
}

}  // namespace tecris2nx
