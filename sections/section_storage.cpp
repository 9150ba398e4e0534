#include "sections/section_storage.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "common/cp932.h"
#include "common/error.h"
#include "common/formatting.h"

namespace tecris2nx {
namespace {

constexpr std::size_t kMaxBlocks = 1 << 16;

}  // namespace

void RecordTable::Reset(int values, std::int16_t count) {
  values_ = values;
  count_ = count < 0 ? std::int16_t{0} : count;
  blocks_.clear();
  sizeChunks_.clear();
  longCells_.clear();
  freeOfLineEnds_ = false;
  owned_.clear();
  runs_.clear();
  runUsed_ = 0;
  recordStarts_.assign(static_cast<std::size_t>(count_), 0);
  stored_ = 0;
  cellCapacity_ = recordStarts_.size() * static_cast<std::size_t>(values_);
  lastBlockStart_ = 0;
  records_ = 0;
  value_ = 0;
  // Beyond 64 values no value is known to be plain.
  unplain_ = values_ > 64 ? ~std::uint64_t{0} : 0;
  loudExponent_ = unplain_;
}

std::size_t RecordTable::IndexOf(int value, int record) const {
  // A wrong index is a programming error; it must not read or write outside the table.
  if (value < 1 || value > values_ || record < 1 || record > count_) {
    throw std::out_of_range("RecordTable cell (" + std::to_string(value) + ", " +
                            std::to_string(record) + ") is outside the table");
  }
  return static_cast<std::size_t>(record - 1) * static_cast<std::size_t>(values_) +
         static_cast<std::size_t>(value - 1);
}

Text RecordTable::Cell(int value, int record) const { return Load(IndexOf(value, record)); }

RecordTable::CellRef RecordTable::Cell(int value, int record) {
  return CellRef(*this, IndexOf(value, record));
}

void RecordTable::StoreCp932(std::size_t index, std::string_view bytes, bool plainNumber) {
  // Only cells stored in order can be found by walking their record; a cell stored elsewhere
  // would silently read as another.
  if (index != stored_) {
    const std::size_t values = static_cast<std::size_t>(values_);
    throw std::logic_error("RecordTable cell (" + std::to_string(index % values + 1) + ", " +
                           std::to_string(index / values + 1) + ") stored out of order");
  }
  freeOfLineEnds_ = false;  // stored one by one: not known to be free of line ends
  AppendCp932(bytes, plainNumber);
}

std::uint32_t RecordTable::PlaceCell(std::string_view bytes) {
  if (stored_ >= cellCapacity_) {
    throw std::out_of_range("RecordTable is full");
  }
  const std::size_t size = bytes.size();
  const std::size_t chunk = stored_ / kBlockSize;
  if (chunk == sizeChunks_.size()) {
    sizeChunks_.push_back(reinterpret_cast<unsigned char*>(TakeBlock(ChunkSizes(chunk))));
  }
  sizeChunks_[chunk][stored_ % kBlockSize] = static_cast<unsigned char>(std::min(size, kLongSize));
  if (size >= kLongSize) longCells_.push_back({stored_, size});
  // A cell starts and ends in the first 64 KiB of its block, its start within 16 bits; a longer
  // cell gets a block of its own.
  if (blocks_.empty() || blocks_.back().size + std::max<std::size_t>(size, 1) > kBlockSize) {
    if (blocks_.size() >= kMaxBlocks) {
      throw ConversionError(U"セクションのデータが大きすぎます（4 GiB 以上）。");
    }
    Block block;
    block.capacity = std::max(kBlockSize, size);
    block.bytes = TakeBlock(block.capacity);
    blocks_.push_back(block);
    lastBlockStart_ = (blocks_.size() - 1) << 16;
  }
  Block& block = blocks_.back();
  const std::size_t start = lastBlockStart_ | block.size;
  CopyFewBytes(block.bytes + block.size, bytes.data(), size);
  block.size += size;
  return static_cast<std::uint32_t>(start);
}

std::size_t RecordTable::LongSizeOf(std::size_t index) const {
  const auto cell =
      std::lower_bound(longCells_.begin(), longCells_.end(), index,
                       [](const LongCell& entry, std::size_t i) { return entry.index < i; });
  return cell->size;
}

char* RecordTable::TakeBlock(std::size_t capacity) {
  // A small table takes blocks one by one; a large one takes them from large runs, which cost
  // the system far fewer page faults to fill. A table whose sizes alone fill a block is large.
  constexpr std::size_t kBlocksBeforeRuns = 2;
  if (capacity == kBlockSize &&
      (blocks_.size() >= kBlocksBeforeRuns || cellCapacity_ >= kBlockSize)) {
    if (runs_.empty() || runUsed_ + kBlockSize > kLargeRunBytes) {
      if (LargeRun run = TakeLargeRun()) {
        runs_.push_back(std::move(run));
        runUsed_ = 0;
      }
    }
    if (!runs_.empty() && runUsed_ + kBlockSize <= kLargeRunBytes) {
      char* const bytes = runs_.back().get() + runUsed_;
      runUsed_ += kBlockSize;
      return bytes;
    }
  }
  owned_.emplace_back(new char[capacity]);  // no need to clear what will be written
  return owned_.back().get();
}

std::string_view RecordTable::BytesAt(std::size_t index) const {
  if (index >= stored_) return {};
  // Walk the record's cells up to the one asked for.
  const std::size_t values = static_cast<std::size_t>(values_);
  const std::size_t first = index - index % values;
  std::size_t block = recordStarts_[index / values] >> 16;
  std::size_t offset = recordStarts_[index / values] & 0xFFFF;
  for (std::size_t i = first; i < index; ++i) NextCell(i, block, offset);
  return NextCell(index, block, offset);
}

std::string_view RecordTable::Cp932(int value, int record) const {
  return BytesAt(IndexOf(value, record));
}

Text RecordTable::Load(std::size_t index) const { return DecodeCp932(BytesAt(index)); }

void RecordTable::ReadRecord(int record, Record& cells) const {
  if (record < 1 || record > count_ || values_ < 1) IndexOf(1, record);  // throws
  const std::size_t values = static_cast<std::size_t>(values_);
  const std::size_t first = static_cast<std::size_t>(record - 1) * values;
  if (cells.cells_.size() != values) cells.cells_.resize(values);
  if (++cells.walk_ == 0) {
    for (Record::Cell& cell : cells.cells_) cell.walk = 0;
    cells.walk_ = 1;
  }
  cells.used_ = 0;
  cells.roomMade_ = false;
  std::size_t bytes = 0;  // the record's, for the room of its characters
  // The record's cells follow one another, going on in the next block where one block ends;
  // those not stored yet are empty.
  std::size_t block = 0;
  std::size_t offset = 0;
  if (first < stored_) {
    block = recordStarts_[record - 1] >> 16;
    offset = recordStarts_[record - 1] & 0xFFFF;
  }
  const std::size_t stored = first < stored_ ? std::min(values, stored_ - first) : 0;
  Record::Cell* cell = cells.cells_.data();
  if (stored > 0) {
    // The block in work is kept here, and each place is the last plus a size: to the compiler a
    // cell written could be any block's place, which it would read again for every cell.
    const char* base = blocks_[block].bytes;
    std::size_t filled = blocks_[block].size;
    for (std::size_t index = first; index < first + stored; ++index, ++cell) {
      const std::size_t size = SizeOf(index);
      if (size != 0 && offset + size > filled) {
        ++block;
        offset = 0;
        base = blocks_[block].bytes;
        filled = blocks_[block].size;
      }
      cell->bytes = base + offset;
      cell->size = static_cast<std::uint32_t>(size);
      offset += size;
      bytes += size;
    }
  }
  cells.bytes_ = bytes;
  for (std::size_t v = stored; v < values; ++v, ++cell) {
    cell->bytes = nullptr;
    cell->size = 0;
  }
}

void RecordTable::LeadingCells(int record, std::span<std::string_view> cells) const {
  const std::size_t first = IndexOf(1, record);
  const std::size_t values = std::min(cells.size(), static_cast<std::size_t>(values_));
  const std::size_t stored = first < stored_ ? std::min(values, stored_ - first) : 0;
  std::size_t block = 0;
  std::size_t offset = 0;
  if (stored > 0) {
    block = recordStarts_[first / static_cast<std::size_t>(values_)] >> 16;
    offset = recordStarts_[first / static_cast<std::size_t>(values_)] & 0xFFFF;
  }
  for (std::size_t v = 0; v < stored; ++v) cells[v] = NextCell(first + v, block, offset);
  for (std::size_t v = stored; v < cells.size(); ++v) cells[v] = {};
}

void RecordTable::Record::OutsideRecord(int value) {
  throw std::out_of_range("RecordTable value " + std::to_string(value) + " is outside the record");
}

void RecordTable::Record::MakeRoom() const {
  if (bytes_ > chars_.size()) chars_.resize(std::max(bytes_, 2 * chars_.size()));
  roomMade_ = true;
}

double RecordTable::Record::Number(int value) const {
  const Cell& cell = At(value);
  if (cell.walk == walk_) return NumericValue(TextView(chars_.data() + cell.start, cell.length));
  return NumericValueOfCp932(std::string_view(cell.bytes, cell.size));
}

TextView RecordTable::Record::operator[](int value) const {
  Cell& cell = At(value);
  if (cell.walk != walk_) {
    // Room for every cell of the record at once: decoding one never moves another.
    if (!roomMade_) MakeRoom();
    char32_t* w = chars_.data() + used_;
    cell.start = static_cast<std::uint32_t>(used_);
    cell.length =
        static_cast<std::uint32_t>(DecodeCp932To(std::string_view(cell.bytes, cell.size), w) - w);
    cell.walk = walk_;
    used_ += cell.length;
  }
  return TextView(chars_.data() + cell.start, cell.length);
}

}  // namespace tecris2nx
