#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <unordered_map>
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

  /// All cells of one record, decoded in one walk: writers read whole records.
  class Record {
   public:
    /// Value 1 to the table's value count.
    TextView operator[](int value) const;

   private:
    friend class RecordTable;
    /// Every cell's characters, one after the other; only ever grows, as records differ in length.
    Text chars_;
    std::vector<std::size_t> ends_;  ///< where each cell ends in chars_
  };

  /// Empties the table and sizes it for `count` records of `values` values each.
  void Reset(int values, std::int16_t count);
  std::int16_t count() const { return count_; }
  int values() const { return values_; }
  Text Cell(int value, int record) const;
  CellRef Cell(int value, int record);
  /// Fills `cells` with the record's cells; a Record used again for every record keeps its room.
  void ReadRecord(int record, Record& cells) const;

 private:
  /// A piece of the packed cells; filled once and never moved.
  struct Block {
    std::unique_ptr<char[]> bytes;
    std::size_t size = 0;
    std::size_t capacity = 0;
  };

  std::size_t IndexOf(int value, int record) const;
  void Store(std::size_t index, TextView text);
  Text Load(std::size_t index) const;
  /// Where the cell begins (block number times 65536 plus offset); false when never stored.
  bool StartOf(std::size_t index, std::uint32_t& start) const;
  /// Appends the cell beginning at `offset` to `out`; returns the offset just past its end mark.
  static std::size_t AppendCell(const Block& block, std::size_t offset, Text& out);

  int values_ = 0;
  std::int16_t count_ = 0;
  /// Every cell's characters, one to four bytes each, in blocks that never move once filled:
  /// growing one buffer would copy it and briefly hold it twice.
  std::vector<Block> blocks_;
  /// Where each record's first cell begins: block number times 65536 plus the offset in it. The
  /// record's further cells follow in order, each ended by a mark, going on in the next block
  /// where one block ends: readers store cells in that order, so no place is kept per cell.
  std::vector<std::uint32_t> recordStarts_;
  std::size_t storedInOrder_ = 0;  ///< cells stored in order so far
  std::size_t recordsInOrder_ = 0;  ///< records begun in order so far
  int valueInOrder_ = 0;            ///< values of the last record begun in order, 0 once complete
  /// Cells stored out of order or stored again, once that has happened (tests, not readers).
  std::unordered_map<std::size_t, std::uint32_t> elsewhere_;
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
