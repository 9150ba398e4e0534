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

namespace {

/// A cell onto a line of bytes: `fromBytes` when the cell is a file's bytes and that suffices, else
/// `fromText` on its decoded text.
template <typename FromBytes, typename FromText>
void AppendCell(std::string& line, const RecordTable::Record& cells, int value, Text& scratch,
                FromBytes fromBytes, FromText fromText) {
  std::string_view bytes;
  if (cells.Cp932(value, bytes) && fromBytes(line, bytes)) return;
  scratch.clear();
  fromText(scratch, cells[value]);
  AppendCp932(scratch, line);
}

}  // namespace

void AppendNumberCell(std::string& line, const RecordTable::Record& cells, int value,
                      Text& scratch) {
  AppendCell(line, cells, value, scratch, AppendNumberOrEmptyBytes, AppendNumberOrEmpty);
}

void AppendDepthCell(std::string& line, const RecordTable::Record& cells, int value,
                     Text& scratch) {
  AppendCell(line, cells, value, scratch, AppendFormatDepthBytes, AppendFormatDepth);
}

}  // namespace tecris2nx
