#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/text.h"

namespace tecris2nx {

/// Text cells indexed (value number, record number), both 1-based, with a 16-bit record count.
/// Cells are packed into blocks as the CP932 bytes they were read as: a table of tens of thousands
/// of records stays small, and a cell is decoded only when a writer reads it. Cells are stored in
/// reading order, each once; a cell never stored reads as empty. Only each record's start and
/// each cell's size (one byte) are kept: a cell is found by walking its record from the start.
class RecordTable {
  /// Where a cell's bytes begin.
  struct Place {
    std::size_t block = 0;
    std::size_t offset = 0;
  };

 public:
  /// Handle of one cell.
  class CellRef {
   public:
    CellRef(RecordTable& table, std::size_t index) : table_(table), index_(index) {}
    /// Stores a field's CP932 bytes as they are; they are decoded when read. Throws
    /// std::logic_error unless the cell is the one after the last stored (in reading order).
    void AssignCp932(std::string_view bytes) { table_.StoreCp932(index_, bytes); }
    operator Text() const { return table_.Load(index_); }  // NOLINT: reads like the cell's text
    friend bool operator==(const CellRef& cell, TextView text) { return Text(cell) == text; }
    friend void PrintTo(const CellRef& cell, std::ostream* os) { *os << ToUtf8(Text(cell)); }

   private:
    RecordTable& table_;
    std::size_t index_;
  };

  /// The cells of one record, found in one walk and each decoded the first time it is read.
  class Record {
   public:
    /// Value 1 to the table's value count. The text holds until the next ReadRecord.
    TextView operator[](int value) const;
    /// The cell's CP932 bytes, undecoded; they hold as long as the table is not reset.
    std::string_view Cp932(int value) const { return At(value).bytes; }
    /// NumericValue of the cell, read from its bytes where they are a plain decimal.
    double Number(int value) const;

   private:
    friend class RecordTable;
    struct Cell {
      std::string_view bytes;
      bool decoded = false;
      std::uint32_t start = 0;  ///< where the decoded characters begin in chars_
      std::uint32_t length = 0;
    };
    Cell& At(int value) const {
      if (value < 1 || static_cast<std::size_t>(value) > cells_.size()) OutsideRecord(value);
      return cells_[static_cast<std::size_t>(value - 1)];
    }
    [[noreturn]] static void OutsideRecord(int value);

    mutable std::vector<Cell> cells_;
    /// Room for the record's characters, never fewer than its bytes, so that decoding one cell
    /// never moves another; only ever grows, as records differ in length. Sized when the first
    /// cell is decoded: a record never decoded takes no room.
    mutable Text chars_;
    mutable std::size_t used_ = 0;
    mutable bool roomMade_ = false;
    std::size_t bytes_ = 0;  ///< the record's bytes
  };

  /// Empties the table and sizes it for `count` records of `values` values each.
  void Reset(int values, std::int16_t count);
  std::int16_t count() const { return count_; }
  /// Stores the next cell in reading order (record 1's values, then record 2's, ...) as
  /// CellRef::AssignCp932 would, without finding it first. `inRange`: the
  /// exponent rule cannot take the cell out of range (always so for a plain number). Throws when
  /// the table holds all its cells already.
  void AppendCp932(std::string_view bytes, bool plainNumber, bool inRange = false);

  /// True when every cell of the value stored so far is empty or was stored as a plain number:
  /// no number check can find anything in it.
  bool OnlyPlainNumbers(int value) const { return !HasBit(notPlain_, value); }
  /// True when no cell of the value stored so far can leave a range by the exponent rule.
  bool QuietUnderExponentRule(int value) const { return !HasBit(exponentMayLeaveRange_, value); }
  int values() const { return values_; }
  Text Cell(int value, int record) const;
  CellRef Cell(int value, int record);
  /// The cell's CP932 bytes, undecoded, found without walking the rest of its record; they hold
  /// as long as the table is not reset.
  std::string_view Cp932(int value, int record) const;
  /// Points `cells` at the record's cells; a Record used again for every record keeps its room.
  void ReadRecord(int record, Record& cells) const;
  /// The CP932 bytes of the record's values 1 to cells.size() (at most the table's values), in
  /// order: those of the values before the last wanted, without the rest of the record. Cells
  /// never stored are empty.
  void LeadingCells(int record, std::span<std::string_view> cells) const;

  /// The cells one after another in reading order (record 1's values, then record 2's, ...),
  /// undecoded: a walk over every cell at the cost of reading each cell's size.
  class Cursor {
   public:
    explicit Cursor(const RecordTable& table) : table_(table) {}
    /// The next cell's CP932 bytes; empty for a cell never stored. They hold as long as the
    /// table is not reset.
    std::string_view Next() {
      if (index_ >= table_.stored()) return {};
      return table_.NextCell(index_++, place_);
    }

   private:
    const RecordTable& table_;
    std::size_t index_ = 0;
    Place place_;
  };

 private:
  /// A piece of the packed cells; filled once and never moved.
  struct Block {
    std::unique_ptr<char[]> bytes;
    std::size_t size = 0;
  };
  /// Bytes a block takes cells into. An offset within it fits 16 bits; a longer cell gets a
  /// block of its own.
  static constexpr std::size_t kBlockSize = std::size_t{1} << 16;
  /// The size byte of a cell of this many bytes or more, whose size is kept in longCells_.
  static constexpr std::size_t kLongSize = 0xFF;
  struct LongCell {
    std::size_t index = 0;
    std::size_t size = 0;
  };

  static bool HasBit(std::uint64_t bits, int value) {
    // Beyond 64 values nothing is known of a value.
    return value < 1 || value > 64 || ((bits >> (value - 1)) & 1) != 0;
  }
  std::size_t stored() const { return sizes_.size(); }
  /// The size of stored cell `index`.
  std::size_t SizeOf(std::size_t index) const {
    const std::size_t size = sizes_[index];
    return size != kLongSize ? size : LongSizeOf(index);
  }
  std::size_t LongSizeOf(std::size_t index) const;
  std::size_t IndexOf(int value, int record) const;
  /// Checks that `index` is the next cell in reading order, then appends it.
  void StoreCp932(std::size_t index, std::string_view bytes);
  Text Load(std::size_t index) const;
  /// Where the first cell of the record holding cell `index` begins.
  Place RecordStart(std::size_t index) const;
  /// Stored cell `index`, at `place`, where the cell before it ended; moves `place` past it. A
  /// cell whose bytes would end beyond its block's begins the next block: cells are placed in
  /// order, so a block took no bytes after a cell that did not fit it.
  std::string_view NextCell(std::size_t index, Place& place) const {
    const std::size_t size = SizeOf(index);
    if (size != 0 && place.offset + size > blocks_[place.block].size) {
      ++place.block;
      place.offset = 0;
    }
    const char* const bytes = blocks_[place.block].bytes.get() + place.offset;
    place.offset += size;
    return std::string_view(bytes, size);
  }
  /// The bytes of cell `index`; empty when never stored.
  std::string_view BytesAt(std::size_t index) const;

  int values_ = 0;
  std::int16_t count_ = 0;
  /// Every cell, in blocks that never move once filled: growing one buffer would copy it and
  /// briefly hold it twice.
  std::vector<Block> blocks_;
  /// Each stored cell's size, in reading order; kLongSize for a long cell. Its room is reserved
  /// for every cell at once and filled as cells come.
  std::vector<unsigned char> sizes_;
  std::vector<LongCell> longCells_;  ///< in reading order
  /// Where each record's first cell begins: block number times 65536 plus the offset in it.
  std::vector<std::uint32_t> recordStarts_;
  std::size_t cellCapacity_ = 0;  ///< cells the table holds: values times records
  int value_ = 0;                 ///< the value the next cell is of, 0 to values_ - 1
  /// Bit v - 1: value v holds a cell that is neither empty nor stored as a plain number.
  std::uint64_t notPlain_ = 0;
  /// Bit v - 1: value v holds a cell that the exponent rule may take out of range.
  std::uint64_t exponentMayLeaveRange_ = 0;
};

}  // namespace tecris2nx
