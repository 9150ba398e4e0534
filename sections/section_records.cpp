#include "sections/section_records.h"

#include "common/cp932.h"
#include "common/formatting.h"

namespace tecris2nx {
namespace {

/// The next field into a cell: as the file's bytes when the reader has them (decoded only when a
/// writer reads the cell), else as text.
void StoreField(FieldReader& in, RecordTable::CellRef cell) {
  if (in.HoldsBytes()) {
    cell.AssignCp932(in.ReadFieldBytes());
  } else {
    cell = in.ReadFieldView();
  }
}

}  // namespace

void ReadCountedRecords(FieldReader& in, RecordTable& table, int values, std::int16_t count) {
  table.Reset(values, count);
  for (int r = 1; r <= count; ++r) {
    for (int i = 0; i < 3; ++i) in.SkipField();
    for (int v = 1; v <= values; ++v) StoreField(in, table.Cell(v, r));
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
    for (int v = 1; v <= values; ++v) StoreField(in, table.Cell(v, r));
  }
}

void AppendNumberCell(std::string& line, const RecordTable::Record& cells, int value,
                      Text& scratch) {
  std::string_view bytes;
  if (cells.Cp932(value, bytes) && AppendNumberOrEmptyBytes(line, bytes)) return;
  scratch.clear();
  AppendNumberOrEmpty(scratch, cells[value]);
  AppendCp932(scratch, line);
}

void AppendDepthCell(std::string& line, const RecordTable::Record& cells, int value,
                     Text& scratch) {
  std::string_view bytes;
  if (cells.Cp932(value, bytes) && AppendFormatDepthBytes(line, bytes)) return;
  scratch.clear();
  AppendFormatDepth(scratch, cells[value]);
  AppendCp932(scratch, line);
}

}  // namespace tecris2nx
