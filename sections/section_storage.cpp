#include "sections/section_storage.h"

#include <algorithm>
#include <stdexcept>

#include "common/cp932.h"
#include "common/error.h"
#include "common/formatting.h"

namespace tecris2nx {
namespace {

/// A record's start keeps the block number in 16 bits.
constexpr std::size_t kMaxBlocks = 1 << 16;

}  // namespace

void RecordTable::Reset(int values, std::int16_t count) {
  values_ = values;
  count_ = count < 0 ? std::int16_t{0} : count;
  blocks_.clear();
  sizes_.clear();
  longCells_.clear();
  recordStarts_.assign(static_cast<std::size_t>(count_), 0);
  cellCapacity_ = recordStarts_.size() * static_cast<std::size_t>(values_);
  sizes_.reserve(cellCapacity_);  // pages untouched until cells come: no cost to a small section
  value_ = 0;
  // Only 64 values have a bit: in a wider table no value is known to be plain.
  notPlain_ = values_ > 64 ? ~std::uint64_t{0} : 0;
  exponentMayLeaveRange_ = notPlain_;
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

void RecordTable::StoreCp932(std::size_t index, std::string_view bytes) {
  // Only cells stored in order can be found by walking their record; a cell stored elsewhere
  // would silently read as another.
  if (index != stored()) {
    const std::size_t values = static_cast<std::size_t>(values_);
    throw std::logic_error("RecordTable cell (" + std::to_string(index % values + 1) + ", " +
                           std::to_string(index / values + 1) + ") stored out of order");
  }
  AppendCp932(bytes, false);
}

void RecordTable::AppendCp932(std::string_view bytes, bool plainNumber, bool inRange) {
  if (stored() >= cellCapacity_) throw std::out_of_range("RecordTable is full");
  const std::size_t size = bytes.size();
  const std::size_t index = stored();
  // Every cell, an empty one too, starts within its block's first 64 KiB.
  if (blocks_.empty() || blocks_.back().size + std::max<std::size_t>(size, 1) > kBlockSize) {
    if (blocks_.size() >= kMaxBlocks) {
      throw ConversionError(U"セクションのデータが大きすぎます（4 GiB 以上）。");
    }
    // Left uninitialised: every byte is written before it is read.
    blocks_.push_back({std::unique_ptr<char[]>(new char[std::max(kBlockSize, size)]), 0});
  }
  Block& block = blocks_.back();
  if (value_ == 0) {
    recordStarts_[index / static_cast<std::size_t>(values_)] =
        static_cast<std::uint32_t>((blocks_.size() - 1) << 16 | block.size);
  }
  std::copy(bytes.begin(), bytes.end(), block.bytes.get() + block.size);
  block.size += size;
  sizes_.push_back(static_cast<unsigned char>(std::min(size, kLongSize)));
  if (size >= kLongSize) longCells_.push_back({index, size});

  if (!plainNumber && size != 0 && value_ < 64) {
    notPlain_ |= std::uint64_t{1} << value_;
    if (!inRange) exponentMayLeaveRange_ |= std::uint64_t{1} << value_;
  }
  if (++value_ == values_) value_ = 0;
}

std::size_t RecordTable::LongSizeOf(std::size_t index) const {
  const auto cell =
      std::lower_bound(longCells_.begin(), longCells_.end(), index,
                       [](const LongCell& entry, std::size_t i) { return entry.index < i; });
  return cell->size;
}

RecordTable::Place RecordTable::RecordStart(std::size_t index) const {
  const std::uint32_t start = recordStarts_[index / static_cast<std::size_t>(values_)];
  return {start >> 16, start & 0xFFFF};
}

std::string_view RecordTable::BytesAt(std::size_t index) const {
  if (index >= stored()) return {};
  const std::size_t first = index - index % static_cast<std::size_t>(values_);
  Place place = RecordStart(index);
  for (std::size_t i = first; i < index; ++i) NextCell(i, place);
  return NextCell(index, place);
}

std::string_view RecordTable::Cp932(int value, int record) const {
  return BytesAt(IndexOf(value, record));
}

Text RecordTable::Load(std::size_t index) const { return DecodeCp932(BytesAt(index)); }

void RecordTable::ReadRecord(int record, Record& cells) const {
  const std::size_t first = IndexOf(1, record);
  const std::size_t values = static_cast<std::size_t>(values_);
  cells.cells_.resize(values);
  cells.used_ = 0;
  cells.roomMade_ = false;
  cells.bytes_ = 0;
  Place place = RecordStart(first);
  for (std::size_t v = 0; v < values; ++v) {
    Record::Cell& cell = cells.cells_[v];
    cell = {};
    if (first + v < stored()) cell.bytes = NextCell(first + v, place);
    cells.bytes_ += cell.bytes.size();
  }
}

void RecordTable::LeadingCells(int record, std::span<std::string_view> cells) const {
  const std::size_t first = IndexOf(1, record);
  const std::size_t values = std::min(cells.size(), static_cast<std::size_t>(values_));
  Place place = RecordStart(first);
  for (std::size_t v = 0; v < cells.size(); ++v) {
    cells[v] = v < values && first + v < stored() ? NextCell(first + v, place) : std::string_view();
  }
}

void RecordTable::Record::OutsideRecord(int value) {
  throw std::out_of_range("RecordTable value " + std::to_string(value) + " is outside the record");
}

double RecordTable::Record::Number(int value) const {
  const Cell& cell = At(value);
  if (cell.decoded) return NumericValue(TextView(chars_.data() + cell.start, cell.length));
  return NumericValueOfCp932(cell.bytes);
}

TextView RecordTable::Record::operator[](int value) const {
  Cell& cell = At(value);
  if (!cell.decoded) {
    if (!roomMade_) {
      // Room for every cell of the record at once: decoding one never moves another.
      if (bytes_ > chars_.size()) chars_.resize(std::max(bytes_, 2 * chars_.size()));
      roomMade_ = true;
    }
    char32_t* const to = chars_.data() + used_;
    cell.start = static_cast<std::uint32_t>(used_);
    cell.length = static_cast<std::uint32_t>(DecodeCp932To(cell.bytes, to) - to);
    cell.decoded = true;
    used_ += cell.length;
  }
  return TextView(chars_.data() + cell.start, cell.length);
}

}  // namespace tecris2nx
