#include "sections/section_storage.h"

#include <algorithm>
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
  blocks_.emplace_back();
  blocks_.back().reserve(kBlockSize);
  recordStarts_.assign(static_cast<std::size_t>(count_), 0);
  storedInOrder_ = 0;
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
  // A cell starts in the first 64 KiB of its block; a longer cell gets a block of its own.
  if (blocks_.back().size() + text.size() * 4 + 1 > kBlockSize) {
    if (blocks_.size() >= kMaxBlocks) {
      throw ConversionError(U"セクションのデータが大きすぎます（4 GiB 以上）。");
    }
    blocks_.emplace_back();
    blocks_.back().reserve(std::max(kBlockSize, text.size() * 4 + 1));
  }
  std::string& packed = blocks_.back();
  const std::size_t start = ((blocks_.size() - 1) << 16) | packed.size();
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
  packed += kCellEnd;
  if (index == storedInOrder_ && elsewhere_.empty()) {
    if (index % static_cast<std::size_t>(values_) == 0) {
      recordStarts_[index / static_cast<std::size_t>(values_)] = static_cast<std::uint32_t>(start);
    }
    ++storedInOrder_;
  } else {
    // Out of order, the cells that follow could not be found by walking a record any more.
    elsewhere_[index] = static_cast<std::uint32_t>(start);
  }
}

Text RecordTable::Load(std::size_t index) const {
  std::uint32_t start = 0;
  if (const auto it = elsewhere_.find(index); it != elsewhere_.end()) {
    start = it->second;
  } else if (index >= storedInOrder_) {
    return Text();  // never stored
  } else {
    // Walk the record's cells up to the one asked for.
    const std::size_t values = static_cast<std::size_t>(values_);
    std::size_t block = recordStarts_[index / values] >> 16;
    std::size_t offset = recordStarts_[index / values] & 0xFFFF;
    for (std::size_t skip = index % values; skip > 0; --skip) {
      offset = blocks_[block].find(kCellEnd, offset) + 1;
      if (offset >= blocks_[block].size()) ++block, offset = 0;
    }
    if (offset >= blocks_[block].size()) ++block, offset = 0;
    start = static_cast<std::uint32_t>((block << 16) | offset);
  }
  const std::string& block = blocks_[start >> 16];
  const std::size_t from = start & 0xFFFF;
  const std::size_t to = block.find(kCellEnd, from);
  const auto* p = reinterpret_cast<const unsigned char*>(block.data()) + from;
  const auto* end = reinterpret_cast<const unsigned char*>(block.data()) + to;
  Text text;
  text.reserve(to - from);
  while (p < end) {
    const unsigned char b = *p++;
    char32_t c = b;
    int more = 0;
    if (b >= 0xF0) {
      c = b & 0x07, more = 3;
    } else if (b >= 0xE0) {
      c = b & 0x0F, more = 2;
    } else if (b >= 0xC0) {
      c = b & 0x1F, more = 1;
    }
    for (; more > 0; --more) c = (c << 6) | (*p++ & 0x3F);
    text += c;
  }
  return text;
}

}  // namespace tecris2nx
