#include "sections/section_c.h"

#include "common/formatting.h"
#include "sections/section_records.h"

namespace tecris2nx {

void ReadSectionC(FieldReader& in, RecordTable& table) {
  in.ReadField();
  in.ReadField();
  ReadCountedRecords(in, table, kSectionCShape, ReadCount(in));
}

namespace {

/// The third value stands in the line: it is not starred and the second reaches 50.
bool ThirdWritten(TextView second, TextView third) {
  return (third.empty() || third.front() != U'*') && !(NumericValue(second) < 50);
}

}  // namespace

void VisitSectionCNumbers(const RecordTable& table, const NumberVisit& visit) {
  RecordTable::Record cells;
  for (int r = 1; r <= table.count(); ++r) {
    table.ReadRecord(r, cells);
    visit(cells, r, 1, NumberUse::kNumber);
    visit(cells, r, 2, NumberUse::kNumber);
    if (ThirdWritten(cells[2], cells[3]) && !IsBlankOrEmpty(cells[3])) {
      visit(cells, r, 3, NumberUse::kNumber);
    }
  }
}

TextLines X5Lines(const RecordTable& table, TextLines lines) {
  lines.reserve(static_cast<std::size_t>(table.count()));
  // Used again for every record: each keeps its room, so a record allocates nothing.
  RecordTable::Record cells;
  Text line;
  for (int r = 1; r <= table.count(); ++r) {
    table.ReadRecord(r, cells);
    const TextView second = cells[2];
    const TextView third = cells[3];
    line.clear();
    AppendNumberColumn(line, static_cast<std::int16_t>(r));
    line += U',';
    AppendFormatDepth(line, cells[1]);
    line += U',';
    AppendNumberOrEmpty(line, second);
    line += U",,";
    if (third.empty() || third.front() != U'*') {
      // Below 50 the third value is not used; the fixed value 30 stands in for it.
      if (!ThirdWritten(second, third)) {
        line += U"30";
      } else if (IsBlankOrEmpty(third)) {
        line += U'0';
      } else {
        AppendNumberOrEmpty(line, third);
      }
    }
    line += U",,,,,,";
    lines.push_back(line);
  }
  return lines;
}

void WriteX5File(const OutputContext& out, const RecordTable& table) {
  out.WriteLines(U"X5.txt", X5Lines(table, out.Lines(U"X5.txt")));
}

}  // namespace tecris2nx
