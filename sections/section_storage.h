#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/large_runs.h"
#include "common/text.h"

namespace tecris2nx {

/// Text cells indexed (value number, record number), both 1-based, with a 16-bit record count.
/// Cells are packed into blocks as the CP932 bytes they were read as: a table of tens of thousands
/// of records stays small, and a cell is decoded only when a writer reads it. Cells are stored in
/// reading order, each once; a cell never stored reads as empty. Each cell's size is a byte of
/// its own, apart from the bytes: a walk over a record then finds each cell's place by adding
/// sizes it can load all at once, not by reading each place from the cell before it.
class RecordTable {
 public:
  /// Handle of one cell.
  class CellRef {
   public:
    CellRef(RecordTable& table, std::size_t index) : table_(table), index_(index) {}
    /// Stores a field's CP932 bytes as they are; they are decoded when read. Throws
    /// std::logic_error unless the cell is the one after the last stored (in reading order).
    void AssignCp932(std::string_view bytes) { table_.StoreCp932(index_, bytes, false); }
    /// The same for bytes known to be a plain decimal of at most kLongestPlainInRange bytes.
    void AssignPlainNumber(std::string_view bytes) { table_.StoreCp932(index_, bytes, true); }
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
    std::string_view Cp932(int value) const {
      const Cell& cell = At(value);
      return std::string_view(cell.bytes, cell.size);
    }
    /// NumericValue of the cell, read from its bytes where they are a plain decimal.
    double Number(int value) const;

   private:
    friend class RecordTable;
    struct Cell {
      const char* bytes = nullptr;
      std::uint32_t size = 0;
      std::uint32_t walk = 0;   ///< decoded in this walk (walk_); set only once it is decoded
      std::uint32_t start = 0;  ///< where the decoded characters begin in chars_
      std::uint32_t length = 0;
    };
    /// Sizes chars_ for the record's characters, before its first cell is decoded.
    void MakeRoom() const;
    Cell& At(int value) const {
      if (value < 1 || static_cast<std::size_t>(value) > cells_.size()) OutsideRecord(value);
      return cells_[static_cast<std::size_t>(value - 1)];
    }
    [[noreturn]] static void OutsideRecord(int value);

    mutable std::vector<Cell> cells_;
    /// Room for the record's characters, never fewer than its bytes, so that decoding one cell
    /// never moves another; only ever grows, as records differ in length.
    mutable Text chars_;
    mutable std::size_t used_ = 0;
    std::size_t bytes_ = 0;  ///< the record's bytes, counted by the walk
    /// Counts the walks (ReadRecord): a cell is decoded in this one when its walk is this, so a
    /// walk need not clear what the last one decoded.
    mutable std::uint32_t walk_ = 0;
    mutable bool roomMade_ = false;
  };

  /// Empties the table and sizes it for `count` records of `values` values each.
  void Reset(int values, std::int16_t count);
  std::int16_t count() const { return count_; }
  /// Stores the next cell in reading order (record 1's values, then record 2's, ...) as
  /// CellRef::AssignCp932 or AssignPlainNumber would, without finding it first. `quietExponent`:
  /// the exponent rule cannot take the cell out of range (always so for a plain number).
  void AppendCp932(std::string_view bytes, bool plainNumber, bool quietExponent = false) {
    Appender(*this).Append(bytes, plainNumber, quietExponent);
  }

  /// Appends cells as AppendCp932 does, many in a row: it holds the table's place itself, where
  /// the compiler can keep it in registers (the bytes stored could be any of the table's own to
  /// it). The table is brought up to date by Flush and at the end; read nothing of it before.
  class Appender {
   public:
    explicit Appender(RecordTable& table) : table_(table) { Load(); }
    ~Appender() { Flush(); }
    Appender(const Appender&) = delete;
    Appender& operator=(const Appender&) = delete;

    /// `readable`: bytes that may be read from the cell's start, when more than its own.
    void Append(std::string_view bytes, bool plainNumber, bool quietExponent,
                std::size_t readable = 0) {
      // Nearly every cell is short and fits the block in work: stored here, without a call. The
      // sizes' room ends with the table's cells: a full table takes the call, which throws.
      const std::size_t size = bytes.size();
      std::uint32_t start = 0;
      if (size >= kLongSize || size_ == sizesEnd_ ||
          end_ - w_ <= static_cast<std::ptrdiff_t>(size)) {
        Flush();
        start = table_.PlaceCell(bytes);
        Load();
        ++size_;  // past the size the table placed
      } else {
        start = static_cast<std::uint32_t>(blockStart_ | (w_ - base_));
        *size_++ = static_cast<unsigned char>(size);
        // Sixteen bytes in one piece where they may be read and written: the bytes past the cell
        // are written over by the next, and copying by size branches on sizes that vary.
        if (size <= 16 && readable >= 16 && end_ - w_ >= 16) {
          std::memcpy(w_, bytes.data(), 16);
        } else {
          CopyFewBytes(w_, bytes.data(), size);
        }
        w_ += size;
      }
      if (value_ == 0) starts_[records_++] = start;
      if (!plainNumber && size != 0) {
        unplain_ |= std::uint64_t{1} << (value_ & 63);
        if (!quietExponent) loudExponent_ |= std::uint64_t{1} << (value_ & 63);
      }
      if (++value_ == values_) value_ = 0;
      ++stored_;
    }
    /// Brings the table up to date.
    void Flush() {
      if (base_ != nullptr) table_.blocks_.back().size = static_cast<std::size_t>(w_ - base_);
      table_.stored_ = stored_;
      table_.records_ = records_;
      table_.value_ = value_;
      table_.unplain_ = unplain_;
      table_.loudExponent_ = loudExponent_;
    }

   private:
    void Load() {
      RecordTable& t = table_;
      base_ = w_ = end_ = nullptr;
      if (!t.blocks_.empty()) {
        base_ = t.blocks_.back().bytes;
        w_ = base_ + t.blocks_.back().size;
        // A cell placed here starts and ends within the block's first 64 KiB.
        end_ = base_ + kBlockSize;
      }
      size_ = sizesEnd_ = nullptr;
      if (const std::size_t chunk = t.stored_ / kBlockSize; chunk < t.sizeChunks_.size()) {
        size_ = t.sizeChunks_[chunk] + t.stored_ % kBlockSize;
        sizesEnd_ = t.sizeChunks_[chunk] + t.ChunkSizes(chunk);
      }
      blockStart_ = t.lastBlockStart_;
      starts_ = t.recordStarts_.data();
      stored_ = t.stored_;
      records_ = t.records_;
      value_ = t.value_;
      values_ = t.values_;
      unplain_ = t.unplain_;
      loudExponent_ = t.loudExponent_;
    }

    RecordTable& table_;
    char* base_ = nullptr;  ///< the last block's bytes
    char* w_ = nullptr;
    char* end_ = nullptr;
    unsigned char* size_ = nullptr;  ///< the next cell's size, in the chunk in work
    unsigned char* sizesEnd_ = nullptr;
    std::size_t blockStart_ = 0;
    std::uint32_t* starts_ = nullptr;
    std::size_t stored_ = 0, records_ = 0;
    int value_ = 0, values_ = 0;
    std::uint64_t unplain_ = 0, loudExponent_ = 0;
  };

  /// True when every cell of the value stored so far is empty or was stored as a plain number:
  /// no number check can find anything in it.
  bool OnlyPlainNumbers(int value) const {
    return value >= 1 && value <= 64 && ((unplain_ >> (value - 1)) & 1) == 0;
  }
  /// True when no cell of the value stored so far can leave a range by the exponent rule.
  bool QuietUnderExponentRule(int value) const {
    return value >= 1 && value <= 64 && ((loudExponent_ >> (value - 1)) & 1) == 0;
  }
  int values() const { return values_; }
  /// True when no cell holds a CR or LF: said by the reader that filled the table, and unknown
  /// (false) otherwise.
  bool FreeOfLineEnds() const { return freeOfLineEnds_; }
  void NoteFreeOfLineEnds() { freeOfLineEnds_ = true; }
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
      if (index_ >= table_.stored_) return {};
      return table_.NextCell(index_++, block_, offset_);
    }

   private:
    const RecordTable& table_;
    std::size_t index_ = 0;
    std::size_t block_ = 0;
    std::size_t offset_ = 0;
  };

 private:
  /// A piece of the packed cells; filled once and never moved. Its bytes belong to owned_ or
  /// to one of runs_.
  struct Block {
    char* bytes = nullptr;
    std::size_t size = 0;
    std::size_t capacity = 0;
  };
  /// Room for the next block: one of its own, or a piece of a large run once the table is large.
  char* TakeBlock(std::size_t capacity);
  static constexpr std::size_t kBlockSize = std::size_t{1} << 16;
  /// The size byte of a cell of this many bytes or more, whose size is kept in longCells_.
  static constexpr std::size_t kLongSize = 0xFF;
  struct LongCell {
    std::size_t index = 0;
    std::size_t size = 0;
  };
  /// Puts any cell into the blocks, taking a new block where the last has no room for it (a long
  /// one, one past the last block's room), and its size among the sizes; returns where it begins
  /// (block number times 65536 plus offset). The Appender counts it. Throws when the table holds
  /// all its cells already.
  std::uint32_t PlaceCell(std::string_view bytes);
  /// The sizes chunk `chunk` holds: kBlockSize, fewer in the last.
  std::size_t ChunkSizes(std::size_t chunk) const {
    return std::min(kBlockSize, cellCapacity_ - chunk * kBlockSize);
  }
  /// The size of stored cell `index`.
  std::size_t SizeOf(std::size_t index) const {
    const std::size_t size = sizeChunks_[index / kBlockSize][index % kBlockSize];
    return size != kLongSize ? size : LongSizeOf(index);
  }
  std::size_t LongSizeOf(std::size_t index) const;
  std::size_t IndexOf(int value, int record) const;
  /// Appends a cell: its size among the sizes, its bytes in the blocks.
  void StoreCp932(std::size_t index, std::string_view bytes, bool plainNumber);
  Text Load(std::size_t index) const;
  /// Stored cell `index`, at (block, offset) where the cell before it ended; both are moved past
  /// it. A cell with bytes that would end beyond its block's bytes begins the next block: cells
  /// are placed in order, so a block took no bytes after a cell that did not fit it.
  std::string_view NextCell(std::size_t index, std::size_t& block, std::size_t& offset) const {
    const std::size_t size = SizeOf(index);
    if (size != 0 && offset + size > blocks_[block].size) ++block, offset = 0;
    const char* const p = blocks_[block].bytes + offset;
    offset += size;
    return std::string_view(p, size);
  }
  /// The bytes of cell `index`; empty when never stored.
  std::string_view BytesAt(std::size_t index) const;

  int values_ = 0;
  std::int16_t count_ = 0;
  /// Every cell, in blocks that never move once filled: growing one buffer would copy it and
  /// briefly hold it twice.
  std::vector<Block> blocks_;
  /// Each cell's size in reading order, kBlockSize to a chunk; kLongSize for a long cell.
  std::vector<unsigned char*> sizeChunks_;
  std::vector<LongCell> longCells_;  ///< in reading order
  std::vector<std::unique_ptr<char[]>> owned_;
  std::vector<LargeRun> runs_;
  std::size_t runUsed_ = 0;  ///< bytes of the last run handed out to blocks
  /// Where each record's first cell begins: block number times 65536 plus the offset in it. The
  /// record's further cells follow in order, going on in the next block where one block ends:
  /// readers store cells in that order, so no place is kept per cell.
  std::vector<std::uint32_t> recordStarts_;
  std::size_t stored_ = 0;          ///< cells stored so far
  std::size_t cellCapacity_ = 0;    ///< cells the table holds: values times records
  std::size_t lastBlockStart_ = 0;  ///< the last block's number times 65536
  std::size_t records_ = 0;         ///< records begun so far
  int value_ = 0;                   ///< values of the last record begun, 0 once complete
  /// Bit v - 1: value v holds a cell that is neither empty nor stored as a plain number.
  std::uint64_t unplain_ = 0;
  /// Bit v - 1: value v holds a cell that the exponent rule may take out of range.
  std::uint64_t loudExponent_ = 0;
  bool freeOfLineEnds_ = false;
};

}  // namespace tecris2nx
