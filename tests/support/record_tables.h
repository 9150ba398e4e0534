#pragma once

#include <vector>

#include "sections/section_storage.h"

namespace tecris2nx::testing {

/// A table of `values` values per record, filled from rows of cells; missing cells stay empty.
inline RecordTable TableOf(int values, const std::vector<std::vector<Text>>& records) {
  RecordTable table;
  table.Reset(values, static_cast<std::int16_t>(records.size()));
  for (int r = 1; r <= table.count(); ++r) {
    const std::vector<Text>& cells = records[static_cast<std::size_t>(r - 1)];
    for (int v = 1; v <= values && v <= static_cast<int>(cells.size()); ++v) {
      table.Cell(v, r) = cells[static_cast<std::size_t>(v - 1)];
    }
  }
  return table;
}

}  // namespace tecris2nx::testing
