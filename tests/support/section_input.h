#pragma once

#include <vector>

#include "common/cp932.h"
#include "sections/section_storage.h"
#include "tecris/field_reader.h"

namespace tecris2nx::testing {

// Section input as the converter reads it: CP932 bytes. Raw bytes (kRawByteBase + byte) in the
// text become those bytes again.

/// A reader of the text's CP932 bytes.
inline FieldReader ReaderOf(TextView text) { return FieldReader::FromCp932(EncodeCp932(text)); }

/// A table of `values` values per record, filled in reading order from rows of cells, each stored
/// as its CP932 bytes; missing cells are empty.
inline RecordTable TableOf(int values, const std::vector<std::vector<Text>>& records) {
  RecordTable table;
  table.Reset(values, static_cast<std::int16_t>(records.size()));
  for (int r = 1; r <= table.count(); ++r) {
    const std::vector<Text>& cells = records[static_cast<std::size_t>(r - 1)];
    for (int v = 1; v <= values; ++v) {
      const auto i = static_cast<std::size_t>(v - 1);
      table.Cell(v, r).AssignCp932(i < cells.size() ? EncodeCp932(cells[i]) : "");
    }
  }
  return table;
}

}  // namespace tecris2nx::testing
