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

/// The third value is starred. A star is a single byte that no double-byte character begins with.
bool Starred(std::string_view third) { return !third.empty() && third.front() == '*'; }

/// The third value stands in the line: it is not starred and the second reaches 50.
bool ThirdWritten(const RecordTable::Record& cells) {
  return !Starred(cells.Cp932(3)) && !(cells.Number(2) < 50);
}

}  // namespace

void VisitSectionCNumbers(const RecordTable& table, const NumberVisit& visit) {
  if (NothingToVisit(kSectionCShape, table, 1) && NothingToVisit(kSectionCShape, table, 2) &&
      NothingToVisit(kSectionCShape, table, 3)) {
    return;
  }
  RecordTable::Record cells;
  for (int r = 1; r <= table.count(); ++r) {
    table.ReadRecord(r, cells);
    visit(cells, r, 1, NumberUse::kNumber);
    visit(cells, r, 2, NumberUse::kNumber);
    if (ThirdWritten(cells) && !IsBlankOrEmpty(cells[3])) {
      visit(cells, r, 3, NumberUse::kNumber);
    }
  }
}

TextLines X5Lines(const RecordTable& table, TextLines lines) {
  return RecordLines(table, std::move(lines),
                     [](std::string& line, const RecordTable::Record& cells, int, Text& scratch) {
                       const std::string_view third = cells.Cp932(3);
                       line += ',';
                       AppendDepthCell(line, cells, 1, scratch);
                       line += ',';
                       AppendNumberCell(line, cells, 2, scratch);
                       line += ",,";
                       if (!Starred(third)) {
                         // Below 50 the third value is not used; the fixed value 30 stands in for
                         // it.
                         if (!ThirdWritten(cells)) {
                           line += "30";
                         } else if (third.find_first_not_of(' ') == std::string_view::npos) {
                           line += '0';
                         } else {
                           AppendNumberCell(line, cells, 3, scratch);
                         }
                       }
                       line += ",,,,,,";
                     });
}

void WriteX5File(const OutputContext& out, const RecordTable& table) {
  out.WriteLines(U"X5.txt", X5Lines(table, out.Lines(U"X5.txt")));
}

}  // namespace tecris2nx
