#include "sections/section_c.h"

#include "common/formatting.h"
#include "sections/section_records.h"

namespace tecris2nx {

void ReadSectionC(FieldReader& in, RecordTable& table) {
  in.ReadField();
  in.ReadField();
  ReadCountedRecords(in, table, 3, ReadCount(in));
}

TextLines X5Lines(const RecordTable& table) {
  TextLines lines;
  lines.reserve(static_cast<std::size_t>(table.count()));
  for (int r = 1; r <= table.count(); ++r) {
    const Text& second = table.Cell(2, r);
    const Text& third = table.Cell(3, r);
    Text fifth;
    if (third.empty() || third.front() != U'*') {
      // Below 50 the third value is not used; the fixed value 30 stands in for it.
      fifth = NumericValue(second) < 50 ? Text(U"30") : NumberText(NumericValue(third));
    }
    Text line = RightPad4(IntegerText(static_cast<std::int16_t>(r)));
    line += U',';
    line += FormatDepth(table.Cell(1, r));
    line += U',';
    line += IsBlankOrEmpty(second) ? Text() : NumberText(NumericValue(second));
    line += U",,";
    line += fifth;
    line += U",,,,,,";
    lines.push_back(std::move(line));
  }
  return lines;
}

void WriteX5File(const OutputContext& out, const RecordTable& table) {
  out.WriteLines(U"X5.txt", X5Lines(table));
}

}  // namespace tecris2nx
