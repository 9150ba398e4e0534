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
  return RecordLines(table, std::move(lines),
                     [](std::string& line, const RecordTable::Record& cells, int, Text& scratch) {
                       line += ",,";
                       AppendDepthCell(line, cells, 1, scratch);
                       line += ",,";
                       AppendNumberCell(line, cells, 4, scratch);
                       line += ",,";
                       AppendNumberCell(line, cells, 2, scratch);
                       line += ',';
                       AppendNumberCell(line, cells, 3, scratch);
                       line += ",,,,,,,";
                     });
}

void WriteL209File(const OutputContext& out, const RecordTable& table) {
  out.WriteLines(U"L209.txt", L209Lines(table, out.Lines(U"L209.txt")));
}

}  // namespace tecris2nx
