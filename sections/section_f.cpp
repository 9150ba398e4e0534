#include "sections/section_f.h"

#include "common/error.h"
#include "common/formatting.h"
#include "sections/section_records.h"

namespace tecris2nx {
namespace {

/// Empty when either depth is missing; the difference goes through NumberText first so that the
/// double subtraction's last-digit error (2.3 - 1.1) is rounded away before the truncation.
void AppendIntervalLength(Text& out, TextView start, TextView end, Text& scratch) {
  if (IsBlankOrEmpty(start) || IsBlankOrEmpty(end)) return;
  scratch.clear();
  AppendNumberText(scratch, NumericValue(end) - NumericValue(start));
  AppendFormatDepth(out, scratch);
}

void AppendValueText(Text& out, TextView cell, int r) {
  try {
    AppendExponentNumber(out, cell);
  } catch (const ConversionError& e) {
    throw ConversionError(U"セクション F の記録 " + DecimalText(r) + U": " + e.message(),
                          e.problem());
  }
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
  lines.reserve(static_cast<std::size_t>(table.count()));
  // Used again for every record: each keeps its room, so a record allocates nothing.
  RecordTable::Record cells;
  Text value;
  Text scratch;
  Text line;
  for (int r = 1; r <= table.count(); ++r) {
    table.ReadRecord(r, cells);
    value.clear();
    AppendValueText(value, cells[3], r);
    line.clear();
    AppendNumberColumn(line, static_cast<std::int16_t>(r));
    line += U',';
    AppendIntervalLength(line, cells[1], cells[2], scratch);
    line += U',';
    AppendFormatDepth(line, cells[1]);
    line += U',';
    if (kind8 != 0) line += value;
    line += U",,";
    if (kind8 == 0) line += value;
    line += U",,,,,,,,,";
    lines.push_back(line);
  }
  return lines;
}

void WriteL204File(const OutputContext& out, const RecordTable& table, std::int16_t kind8) {
  out.WriteLines(U"L204.txt", L204Lines(table, kind8, out.Lines(U"L204.txt")));
}

}  // namespace tecris2nx
