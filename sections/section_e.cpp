#include "sections/section_e.h"

#include "common/formatting.h"

namespace tecris2nx {

void ReadSectionE(FieldReader& in, RecordTable& table) {
  in.ReadField();
  in.ReadField();
  const std::int16_t count = ReadCount(in);
  // Only the exact letter doubles as the first record's opening field; anything else is extra.
  bool openingRead = in.ReadField() == U"E";
  table.Reset(4, count);
  for (int r = 1; r <= count; ++r) {
    if (!openingRead) in.ReadField();
    openingRead = false;
    in.ReadField();
    in.ReadField();
    for (int v = 1; v <= 4; ++v) table.Cell(v, r) = in.ReadField();
  }
}

TextLines L209Lines(const RecordTable& table) {
  TextLines lines;
  lines.reserve(static_cast<std::size_t>(table.count()));
  for (int r = 1; r <= table.count(); ++r) {
    Text line = RightPad4(IntegerText(static_cast<std::int16_t>(r)));
    line += U",,";
    line += FormatDepth(table.Cell(1, r));
    line += U",,";
    line += NumberOrEmpty(table.Cell(4, r));
    line += U",,";
    line += NumberOrEmpty(table.Cell(2, r));
    line += U',';
    line += NumberOrEmpty(table.Cell(3, r));
    line += U",,,,,,,";
    lines.push_back(std::move(line));
  }
  return lines;
}

void WriteL209File(const OutputContext& out, const RecordTable& table) {
  out.WriteLines(U"L209.txt", L209Lines(table));
}

}  // namespace tecris2nx
