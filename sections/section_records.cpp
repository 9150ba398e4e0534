#include "sections/section_records.h"

namespace tecris2nx {

void ReadCountedRecords(FieldReader& in, RecordTable& table, int values, std::int16_t count) {
  table.Reset(values, count);
  for (int r = 1; r <= count; ++r) {
    for (int i = 0; i < 3; ++i) in.ReadField();
    for (int v = 1; v <= values; ++v) table.Cell(v, r) = in.ReadField();
  }
}

void ReadOpenedRecords(FieldReader& in, RecordTable& table, int values, std::int16_t count,
                       bool firstOpeningRead) {
  table.Reset(values, count);
  bool openingRead = firstOpeningRead;
  for (int r = 1; r <= count; ++r) {
    if (!openingRead) in.ReadField();
    openingRead = false;
    in.ReadField();
    in.ReadField();
    for (int v = 1; v <= values; ++v) table.Cell(v, r) = in.ReadField();
  }
}

}  // namespace tecris2nx
