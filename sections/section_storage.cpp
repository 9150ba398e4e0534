#include "sections/section_storage.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "common/cp932.h"
#include "common/error.h"

namespace tecris2nx {
namespace {

constexpr std::size_t kBlockSize = 1 << 16;
constexpr std::size_t kMaxBlocks = 1 << 16;
constexpr std::size_t kMaxHeader = 10;  ///< base-128 digits of a 64-bit number

// Unpacks the bytes of a cell stored from text, [p, end), to characters at w; returns past the
// last one written.
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

// A cell's characters at w, which has room for one per byte; returns past the last one written.
char32_t* Decode(const char* bytes, std::size_t size, bool cp932, char32_t* w) {
  if (cp932) return DecodeCp932To(std::string_view(bytes, size), w);
  const auto* p = reinterpret_cast<const unsigned char*>(bytes);
  return Unpack(p, p + size, w);
}

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

// Text that did not come from a file's bytes (tests, or a reader given text) is kept as its code
// points, one to four bytes each in the way of UTF-8 but for any value up to U+10FFFF: carried raw
// bytes are lone surrogates and must come back unchanged, and a character may have no CP932 form.
void RecordTable::Store(std::size_t index, TextView text) {
  std::string packed;
  packed.reserve(text.size() * 4);
  for (char32_t c : text) {
    if (c < 0x80) {
      packed += static_cast<char>(c);
    } else if (c < 0x800) {
      packed += static_cast<char>(0xC0 | (c >> 6));
      packed += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      packed += static_cast<char>(0xE0 | (c >> 12));
      packed += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      packed += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      packed += static_cast<char>(0xF0 | ((c >> 18) & 0x07));
      packed += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      packed += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      packed += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  StoreBytes(index, packed, false);
}

void RecordTable::StoreCp932(std::size_t index, std::string_view bytes) {
  StoreBytes(index, bytes, true);
}

// Each cell is a header, its size times two plus one for packed code points in base-128 digits,
// then its bytes: a cell's end is known without looking at its bytes, which may be any value.
void RecordTable::StoreBytes(std::size_t index, std::string_view bytes, bool cp932) {
  const std::size_t most = bytes.size() + kMaxHeader;
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
  for (std::size_t header = bytes.size() * 2 + (cp932 ? 0 : 1);; header >>= 7) {
    if (header < 0x80) {
      *w++ = static_cast<char>(header);
      break;
    }
    *w++ = static_cast<char>(0x80 | (header & 0x7F));
  }
  // Most cells are a few bytes: a plain loop beats a call.
  if (bytes.size() <= 16) {
    for (char b : bytes) *w++ = b;
    w -= bytes.size();
  } else {
    std::memcpy(w, bytes.data(), bytes.size());
  }
  block.size = static_cast<std::size_t>(w - block.bytes.get()) + bytes.size();
  if (index == storedInOrder_ && elsewhere_.empty()) {
    if (valueInOrder_ == 0) recordStarts_[recordsInOrder_++] = static_cast<std::uint32_t>(start);
    if (++valueInOrder_ == values_) valueInOrder_ = 0;
    ++storedInOrder_;
  } else {
    // Out of order, the cells that follow could not be found by walking a record any more.
    elsewhere_[index] = static_cast<std::uint32_t>(start);
  }
}

RecordTable::CellBytes RecordTable::CellAt(std::size_t block, std::size_t offset,
                                           std::size_t& next) const {
  const char* p = blocks_[block].bytes.get() + offset;
  std::size_t header = 0;
  for (int shift = 0;; shift += 7) {
    const auto b = static_cast<unsigned char>(*p++);
    header |= static_cast<std::size_t>(b & 0x7F) << shift;
    if (b < 0x80) break;
  }
  const CellBytes cell{p, header >> 1, (header & 1) == 0};
  next = static_cast<std::size_t>(p - blocks_[block].bytes.get()) + cell.size;
  return cell;
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
    CellAt(block, offset, offset);
    if (offset >= blocks_[block].size) ++block, offset = 0;
  }
  if (offset >= blocks_[block].size) ++block, offset = 0;
  start = static_cast<std::uint32_t>((block << 16) | offset);
  return true;
}

Text RecordTable::Load(std::size_t index) const {
  std::uint32_t start = 0;
  if (!StartOf(index, start)) return Text();
  std::size_t next = 0;
  const CellBytes cell = CellAt(start >> 16, start & 0xFFFF, next);
  Text text(cell.size, U'\0');
  text.resize(static_cast<std::size_t>(Decode(cell.bytes, cell.size, cell.cp932, text.data()) -
                                       text.data()));
  return text;
}

void RecordTable::ReadRecord(int record, Record& cells) const {
  const std::size_t first = IndexOf(1, record);
  const std::size_t values = static_cast<std::size_t>(values_);
  cells.cells_.resize(values);
  std::size_t total = 0;
  if (elsewhere_.empty() && first + values <= storedInOrder_) {
    // Stored in reading order: the cells follow one another, going on in the next block where
    // one block ends.
    std::size_t block = recordStarts_[first / values] >> 16;
    std::size_t offset = recordStarts_[first / values] & 0xFFFF;
    for (Record::Cell& cell : cells.cells_) {
      if (offset >= blocks_[block].size) ++block, offset = 0;
      const CellBytes bytes = CellAt(block, offset, offset);
      cell = {bytes.bytes, bytes.size, bytes.cp932};
      total += bytes.size;
    }
  } else {
    for (std::size_t v = 0; v < values; ++v) {
      cells.cells_[v] = Record::Cell();
      std::uint32_t start = 0;
      if (!StartOf(first + v, start)) continue;
      std::size_t next = 0;
      const CellBytes bytes = CellAt(start >> 16, start & 0xFFFF, next);
      cells.cells_[v] = {bytes.bytes, bytes.size, bytes.cp932};
      total += bytes.size;
    }
  }
  if (total > cells.chars_.size()) cells.chars_.resize(std::max(total, 2 * cells.chars_.size()));
  cells.used_ = 0;
}

RecordTable::Record::Cell& RecordTable::Record::At(int value) const {
  if (value < 1 || static_cast<std::size_t>(value) > cells_.size()) {
    throw std::out_of_range("RecordTable value " + std::to_string(value) +
                            " is outside the record");
  }
  return cells_[static_cast<std::size_t>(value - 1)];
}

bool RecordTable::Record::Cp932(int value, std::string_view& bytes) const {
  const Cell& cell = At(value);
  if (!cell.cp932) return false;
  bytes = std::string_view(cell.bytes, cell.size);
  return true;
}

TextView RecordTable::Record::operator[](int value) const {
  Cell& cell = At(value);
  if (!cell.decoded) {
    char32_t* w = chars_.data() + used_;
    cell.start = used_;
    cell.length = static_cast<std::size_t>(Decode(cell.bytes, cell.size, cell.cp932, w) - w);
    cell.decoded = true;
    used_ += cell.length;
  }
  return TextView(chars_.data() + cell.start, cell.length);
}

}  // namespace tecris2nx
