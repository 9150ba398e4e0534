#include "sections/section_storage.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <stdexcept>

#include "common/error.h"

namespace tecris2nx {
namespace {

constexpr char kCellEnd = '\xFF';
constexpr std::size_t kBlockSize = 1 << 16;
constexpr std::size_t kMaxBlocks = 1 << 16;

}  // namespace

void RecordTable::Reset(int values, std::int16_t count) {
  values_ = values;
  count_ = count < 0 ? std::int16_t{0} : count;
  blocks_.clear();
  recordStarts_.assign(static_cast<std::size_t>(count_), 0);
  storedInOrder_ = 0;
  recordsInOrder_ = 0;
  valueInOrder_ = 0;
  elsewhere_.clear();
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

// Each code point as one to four bytes in the way of UTF-8, but for any value up to U+10FFFF
// (the carried raw bytes of a file are lone surrogates and must come back unchanged). A byte that
// never starts or continues a character ends each cell, so no length need be kept.
void RecordTable::Store(std::size_t index, TextView text) {
  const std::size_t most = text.size() * 4 + 1;
  // A cell starts in the first 64 KiB of its block; a longer cell gets a block of its own. Every
  // block holds at least 64 KiB, so a cell that ends within them also fits the block.
  if (blocks_.empty() || blocks_.back().size + most > kBlockSize) {
    if (blocks_.size() >= kMaxBlocks) {
      throw ConversionError(U"セクションのデータが大きすぎます（4 GiB 以上）。");
    }
    Block block;
    block.capacity = std::max(kBlockSize, most);
    block.bytes.reset(new char[block.capacity]);  // no need to clear what will be written
    blocks_.push_back(std::move(block));
  }
  Block& block = blocks_.back();
  const std::size_t start = ((blocks_.size() - 1) << 16) | block.size;
  char* w = block.bytes.get() + block.size;
  for (char32_t c : text) {
    if (c < 0x80) {
      *w++ = static_cast<char>(c);
    } else if (c < 0x800) {
      *w++ = static_cast<char>(0xC0 | (c >> 6));
      *w++ = static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      *w++ = static_cast<char>(0xE0 | (c >> 12));
      *w++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      *w++ = static_cast<char>(0x80 | (c & 0x3F));
    } else {
      *w++ = static_cast<char>(0xF0 | ((c >> 18) & 0x07));
      *w++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      *w++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      *w++ = static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  *w++ = kCellEnd;
  block.size = static_cast<std::size_t>(w - block.bytes.get());
  if (index == storedInOrder_ && elsewhere_.empty()) {
    if (valueInOrder_ == 0) recordStarts_[recordsInOrder_++] = static_cast<std::uint32_t>(start);
    if (++valueInOrder_ == values_) valueInOrder_ = 0;
    ++storedInOrder_;
  } else {
    // Out of order, the cells that follow could not be found by walking a record any more.
    elsewhere_[index] = static_cast<std::uint32_t>(start);
  }
}

namespace {

// Unpacks the bytes of one cell, [p, end), to characters at w; returns past the last one written.
char32_t* Unpack(const unsigned char* p, const unsigned char* end, char32_t* w) {
  while (p < end) {
    const unsigned char b = *p++;
    char32_t c = b;
    if (b >= 0xF0) {
      c = (char32_t{b & 0x07u} << 18) | (char32_t{p[0] & 0x3Fu} << 12) |
          (char32_t{p[1] & 0x3Fu} << 6) | (p[2] & 0x3Fu);
      p += 3;
    } else if (b >= 0xE0) {
      c = (char32_t{b & 0x0Fu} << 12) | (char32_t{p[0] & 0x3Fu} << 6) | (p[1] & 0x3Fu);
      p += 2;
    } else if (b >= 0xC0) {
      c = (char32_t{b & 0x1Fu} << 6) | (p[0] & 0x3Fu);
      p += 1;
    }
    *w++ = c;
  }
  return w;
}

}  // namespace

std::size_t RecordTable::AppendCell(const Block& block, std::size_t offset, Text& out) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(block.bytes.get());
  const auto* end =
      static_cast<const unsigned char*>(std::memchr(bytes + offset, kCellEnd, block.size - offset));
  // Never more characters than bytes: size once, fill through a pointer, cut to what was made.
  const std::size_t base = out.size();
  out.resize(base + static_cast<std::size_t>(end - (bytes + offset)));
  char32_t* w = Unpack(bytes + offset, end, out.data() + base);
  out.resize(static_cast<std::size_t>(w - out.data()));
  return static_cast<std::size_t>(end + 1 - bytes);
}

bool RecordTable::StartOf(std::size_t index, std::uint32_t& start) const {
  if (const auto it = elsewhere_.find(index); it != elsewhere_.end()) {
    start = it->second;
    return true;
  }
  if (index >= storedInOrder_) return false;
  // Walk the record's cells up to the one asked for.
  const std::size_t values = static_cast<std::size_t>(values_);
  std::size_t block = recordStarts_[index / values] >> 16;
  std::size_t offset = recordStarts_[index / values] & 0xFFFF;
  for (std::size_t skip = index % values; skip > 0; --skip) {
    const char* bytes = blocks_[block].bytes.get();
    offset = static_cast<std::size_t>(
                 static_cast<const char*>(std::memchr(bytes + offset, kCellEnd,
                                                      blocks_[block].size - offset)) -
                 bytes) +
             1;
    if (offset >= blocks_[block].size) ++block, offset = 0;
  }
  if (offset >= blocks_[block].size) ++block, offset = 0;
  start = static_cast<std::uint32_t>((block << 16) | offset);
  return true;
}

Text RecordTable::Load(std::size_t index) const {
  Text text;
  std::uint32_t start = 0;
  if (StartOf(index, start)) AppendCell(blocks_[start >> 16], start & 0xFFFF, text);
  return text;
}

void RecordTable::ReadRecord(int record, Record& cells) const {
  const std::size_t first = IndexOf(1, record);
  const std::size_t values = static_cast<std::size_t>(values_);
  cells.ends_.resize(values);
  std::size_t used = 0;
  if (elsewhere_.empty() && first + values <= storedInOrder_) {
    // Stored in reading order: the cells follow one another, going on in the next block where
    // one block ends.
    std::size_t block = recordStarts_[first / values] >> 16;
    std::size_t offset = recordStarts_[first / values] & 0xFFFF;
    for (std::size_t v = 0; v < values; ++v) {
      if (offset >= blocks_[block].size) ++block, offset = 0;
      const auto* bytes = reinterpret_cast<const unsigned char*>(blocks_[block].bytes.get());
      const auto* end = static_cast<const unsigned char*>(
          std::memchr(bytes + offset, kCellEnd, blocks_[block].size - offset));
      // The buffer only grows: a record read after a longer one needs no room of its own.
      const std::size_t most = used + static_cast<std::size_t>(end - (bytes + offset));
      if (most > cells.chars_.size()) cells.chars_.resize(std::max(most, 2 * cells.chars_.size()));
      used = static_cast<std::size_t>(Unpack(bytes + offset, end, cells.chars_.data() + used) -
                                      cells.chars_.data());
      cells.ends_[v] = used;
      offset = static_cast<std::size_t>(end + 1 - bytes);
    }
    return;
  }
  Text cell;
  for (std::size_t v = 0; v < values; ++v) {
    cell.clear();
    std::uint32_t start = 0;
    if (StartOf(first + v, start)) AppendCell(blocks_[start >> 16], start & 0xFFFF, cell);
    if (used + cell.size() > cells.chars_.size()) cells.chars_.resize(used + cell.size());
    std::copy(cell.begin(), cell.end(), cells.chars_.begin() + static_cast<std::ptrdiff_t>(used));
    used += cell.size();
    cells.ends_[v] = used;
  }
}

TextView RecordTable::Record::operator[](int value) const {
  if (value < 1 || static_cast<std::size_t>(value) > ends_.size()) {
    throw std::out_of_range("RecordTable value " + std::to_string(value) +
                            " is outside the record");
  }
  const std::size_t i = static_cast<std::size_t>(value - 1);
  const std::size_t from = i == 0 ? 0 : ends_[i - 1];
  return TextView(chars_.data() + from, ends_[i] - from);
}

}  // namespace tecris2nx
