#include "sections/section_f.h"

#include "common/error.h"
#include "common/formatting.h"
#include "sections/section_records.h"

namespace tecris2nx {
namespace {

/// Empty when either depth is missing; the difference goes through NumberText first so that the
/// double subtraction's last-digit error (2.3 - 1.1) is rounded away before the truncation.
Text IntervalLength(const Text& start, const Text& end) {
  if (IsBlankOrEmpty(start) || IsBlankOrEmpty(end)) return Text();
  return FormatDepth(NumberText(NumericValue(end) - NumericValue(start)));
}

Text ValueText(const RecordTable& table, int r) {
  try {
    return ExponentNumber(table.Cell(3, r));
  } catch (const ConversionError& e) {
    throw ConversionError(U"セクション F の記録 " + DecimalText(r) + U": " + e.message());
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
  if (!openingRead && NumericValue(lead) == 8) kind8 = 1;
  ReadOpenedRecords(in, table, 3, count, openingRead);
}

TextLines L204Lines(const RecordTable& table, std::int16_t kind8) {
  TextLines lines;
  lines.reserve(static_cast<std::size_t>(table.count()));
  for (int r = 1; r <= table.count(); ++r) {
    const Text value = ValueText(table, r);
    Text line = RightPad4(IntegerText(static_cast<std::int16_t>(r)));
    line += U',';
    line += IntervalLength(table.Cell(1, r), table.Cell(2, r));
    line += U',';
    line += FormatDepth(table.Cell(1, r));
    line += U',';
    if (kind8 != 0) line += value;
    line += U",,";
    if (kind8 == 0) line += value;
    line += U",,,,,,,,,";
    lines.push_back(std::move(line));
  }
  return lines;
}

void WriteL204File(const OutputContext& out, const RecordTable& table, std::int16_t kind8) {
  out.WriteLines(U"L204.txt", L204Lines(table, kind8));
}

}  // namespace tecris2nx
