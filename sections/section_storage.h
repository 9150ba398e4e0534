#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "common/text.h"

namespace tecris2nx {

/// Text cells indexed (value number, record number), both 1-based, with a 16-bit record count.
class RecordTable {
 public:
  /// Empties the table and sizes it for `count` records of `values` values each.
  void Reset(int values, std::int16_t count);
  std::int16_t count() const { return count_; }
  int values() const { return values_; }
  const Text& Cell(int value, int record) const;
  Text& Cell(int value, int record);

 private:
  int values_ = 0;
  std::int16_t count_ = 0;
  std::vector<Text> cells_;
};

/// Slots 1 to 34 of the survey header; slot 0 is never used.
using SectionATableType = std::array<Text, 35>;

/// All section tables of one run. A reader replaces its own table; writers only read.
struct SectionStorage {
  SectionATableType SectionATable;
  Text SectionAFirstField;
  RecordTable SectionBTable;
  RecordTable SectionCTable;
  RecordTable SectionDTable;
  RecordTable SectionETable;
  RecordTable SectionFTable;
  std::int16_t SectionFKind8 = 0;
  RecordTable SectionGTable;
  RecordTable SectionHTable;
};

}  // namespace tecris2nx
