#include "sections/section_records.h"

namespace tecris2nx {

void ReadCountedRecords(FieldReader& in, RecordTable& table, int values, std::int16_t count) {
  table.Reset(values, count);
  for (int r = 1; r <= count; ++r) {
    for (int i = 0; i < 3; ++i) in.SkipField();
    for (int v = 1; v <= values; ++v) table.Cell(v, r) = in.ReadFieldView();
  }
}

void ReadOpenedRecords(FieldReader& in, RecordTable& table, int values, std::int16_t count,
                       bool firstOpeningRead) {
  table.Reset(values, count);
  bool openingRead = firstOpeningRead;
  for (int r = 1; r <= count; ++r) {
    if (!openingRead) in.SkipField();
    openingRead = false;
    in.SkipField();
    in.SkipField();
    for (int v = 1; v <= values; ++v) table.Cell(v, r) = in.ReadFieldView();
  }
}

}  // namespace tecris2nx
