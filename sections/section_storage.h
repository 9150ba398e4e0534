#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "common/text.h"

namespace tecris2nx {

/// Text cells indexed (value number, record number), both 1-based, with a 16-bit record count.
/// Cells are packed into one buffer: a table of tens of thousands of records stays small.
class RecordTable {
 public:
  /// Assignable handle of one cell.
  class CellRef {
   public:
    CellRef(RecordTable& table, std::size_t index) : table_(table), index_(index) {}
    CellRef& operator=(TextView text) {
      table_.Store(index_, text);
      return *this;
    }
    operator Text() const { return table_.Load(index_); }  // NOLINT: reads like the cell's text
    friend bool operator==(const CellRef& cell, TextView text) { return Text(cell) == text; }
    friend void PrintTo(const CellRef& cell, std::ostream* os) { *os << ToUtf8(Text(cell)); }

   private:
    RecordTable& table_;
    std::size_t index_;
  };

  /// Empties the table and sizes it for `count` records of `values` values each.
  void Reset(int values, std::int16_t count);
  std::int16_t count() const { return count_; }
  int values() const { return values_; }
  Text Cell(int value, int record) const;
  CellRef Cell(int value, int record);

 private:
  std::size_t IndexOf(int value, int record) const;
  void Store(std::size_t index, TextView text);
  Text Load(std::size_t index) const;

  int values_ = 0;
  std::int16_t count_ = 0;
  /// Every cell's characters, one to four bytes each, in blocks that never move once filled:
  /// growing one buffer would copy it and briefly hold it twice.
  std::vector<std::string> blocks_;
  /// Where each cell begins: block number times 65536 plus the offset in the block.
  std::vector<std::uint32_t> starts_;
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
