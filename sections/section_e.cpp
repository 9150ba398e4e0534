#include "sections/section_e.h"

#include "common/formatting.h"
#include "sections/section_records.h"

namespace tecris2nx {

void ReadSectionE(FieldReader& in, RecordTable& table) {
  in.ReadField();
  in.ReadField();
  const std::int16_t count = ReadCount(in);
  // Only the exact letter doubles as the first record's opening field; anything else is extra.
  ReadOpenedRecords(in, table, kSectionEShape, count, in.ReadField() == U"E");
}

TextLines L209Lines(const RecordTable& table, TextLines lines) {
  lines.reserve(static_cast<std::size_t>(table.count()));
  // Used again for every record: each keeps its room, so a record allocates nothing.
  RecordTable::Record cells;
  std::string line;
  Text scratch;
  for (int r = 1; r <= table.count(); ++r) {
    table.ReadRecord(r, cells);
    line.clear();
    AppendNumberColumnBytes(line, static_cast<std::int16_t>(r));
    line += ",,";
    AppendDepthCell(line, cells, 1, scratch);
    line += ",,";
    AppendNumberCell(line, cells, 4, scratch);
    line += ",,";
    AppendNumberCell(line, cells, 2, scratch);
    line += ',';
    AppendNumberCell(line, cells, 3, scratch);
    line += ",,,,,,,";
    lines.PushBytes(line);
  }
  return lines;
}

void WriteL209File(const OutputContext& out, const RecordTable& table) {
  out.WriteLines(U"L209.txt", L209Lines(table, out.Lines(U"L209.txt")));
}

}  // namespace tecris2nx
