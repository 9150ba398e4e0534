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

// Each cell is a header, its size in base-128 digits, then its bytes: a cell's end is known without
// looking at its bytes, which may be any value.
void RecordTable::StoreCp932(std::size_t index, std::string_view bytes, bool plainNumber) {
  // Only cells stored in order can be found by walking their record; a cell stored elsewhere
  // would silently read as another.
  if (index != stored_) {
    const std::size_t values = static_cast<std::size_t>(values_);
    throw std::logic_error("RecordTable cell (" + std::to_string(index % values + 1) + ", " +
                           std::to_string(index / values + 1) + ") stored out of order");
  }
  AppendCp932(bytes, plainNumber);
}

std::uint32_t RecordTable::PlaceCell(std::string_view bytes) {
  if (stored_ >= cellCapacity_) {
    throw std::out_of_range("RecordTable is full");
  }
  const std::size_t most = bytes.size() + kMaxHeader;
  // A cell starts in the first 64 KiB of its block; a longer cell gets a block of its own. Every
  // block holds at least 64 KiB, so a cell that ends within them also fits the block.
  if (blocks_.empty() || blocks_.back().size + most > kBlockSize) {
    if (blocks_.size() >= kMaxBlocks) {
      throw ConversionError(U"セクションのデータが大きすぎます（4 GiB 以上）。");
    }
    Block block;
    block.capacity = std::max(kBlockSize, most);
    block.bytes = TakeBlock(block.capacity);
    blocks_.push_back(block);
    lastBlockStart_ = (blocks_.size() - 1) << 16;
  }
  Block& block = blocks_.back();
  const std::size_t start = lastBlockStart_ | block.size;
  char* w = block.bytes + block.size;
  for (std::size_t header = bytes.size();; header >>= 7) {
    if (header < 0x80) {
      *w++ = static_cast<char>(header);
      break;
    }
    *w++ = static_cast<char>(0x80 | (header & 0x7F));
  }
  CopyFewBytes(w, bytes.data(), bytes.size());
  block.size = static_cast<std::size_t>(w - block.bytes) + bytes.size();
  return static_cast<std::uint32_t>(start);
}

char* RecordTable::TakeBlock(std::size_t capacity) {
  // A small table takes blocks one by one; a large one takes them from large runs, which cost
  // the system far fewer page faults to fill.
  constexpr std::size_t kBlocksBeforeRuns = 2;
  if (capacity == kBlockSize && blocks_.size() >= kBlocksBeforeRuns) {
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

std::string_view RecordTable::CellAt(std::size_t block, std::size_t offset,
                                     std::size_t& next) const {
  const char* p = blocks_[block].bytes + offset;
  std::size_t header = 0;
  for (int shift = 0;; shift += 7) {
    const auto b = static_cast<unsigned char>(*p++);
    header |= static_cast<std::size_t>(b & 0x7F) << shift;
    if (b < 0x80) break;
  }
  next = static_cast<std::size_t>(p - blocks_[block].bytes) + header;
  return std::string_view(p, header);
}

bool RecordTable::StartOf(std::size_t index, std::uint32_t& start) const {
  if (index >= stored_) return false;
  // Walk the record's cells up to the one asked for.
  const std::size_t values = static_cast<std::size_t>(values_);
  std::size_t block = recordStarts_[index / values] >> 16;
  std::size_t offset = recordStarts_[index / values] & 0xFFFF;
  for (std::size_t skip = index % values; skip > 0; --skip) {
    CellAt(block, offset, offset);
    if (offset >= blocks_[block].size) ++block, offset = 0;
  }
  if (offset >= blocks_[block].size) ++block, offset = 0;
  start = static_cast<std::uint32_t>((block << 16) | offset);
  return true;
}

std::string_view RecordTable::BytesAt(std::size_t index) const {
  std::uint32_t start = 0;
  if (!StartOf(index, start)) return {};
  std::size_t next = 0;
  return CellAt(start >> 16, start & 0xFFFF, next);
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
  for (std::size_t v = 0; v < stored; ++v, ++cell) {
    const std::string_view bytes = NextCell(block, offset);
    cell->bytes = bytes.data();
    cell->size = static_cast<std::uint32_t>(bytes.size());
  }
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
  for (std::size_t v = 0; v < stored; ++v) cells[v] = NextCell(block, offset);
  for (std::size_t v = stored; v < cells.size(); ++v) cells[v] = {};
}

void RecordTable::Record::OutsideRecord(int value) {
  throw std::out_of_range("RecordTable value " + std::to_string(value) + " is outside the record");
}

void RecordTable::Record::MakeRoom() const {
  std::size_t total = 0;
  for (const Cell& cell : cells_) total += cell.size;
  if (total > chars_.size()) chars_.resize(std::max(total, 2 * chars_.size()));
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
