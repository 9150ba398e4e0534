#include "sections/section_storage.h"

#include <limits>
#include <stdexcept>

#include "common/error.h"

namespace tecris2nx {

void RecordTable::Reset(int values, std::int16_t count) {
  values_ = values;
  count_ = count < 0 ? std::int16_t{0} : count;
  const std::size_t cells = static_cast<std::size_t>(values_) * static_cast<std::size_t>(count_);
  packed_.clear();
  packed_.shrink_to_fit();
  starts_.assign(cells, 0);
  lengths_.assign(cells, 0);
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
// (the carried raw bytes of a file are lone surrogates and must come back unchanged).
void RecordTable::Store(std::size_t index, TextView text) {
  const std::size_t start = packed_.size();
  for (char32_t c : text) {
    if (c < 0x80) {
      packed_ += static_cast<char>(c);
    } else if (c < 0x800) {
      packed_ += static_cast<char>(0xC0 | (c >> 6));
      packed_ += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      packed_ += static_cast<char>(0xE0 | (c >> 12));
      packed_ += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      packed_ += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      packed_ += static_cast<char>(0xF0 | ((c >> 18) & 0x07));
      packed_ += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      packed_ += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      packed_ += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  if (packed_.size() > std::numeric_limits<std::uint32_t>::max()) {
    throw ConversionError(U"セクションのデータが大きすぎます（4 GiB 以上）。");
  }
  starts_[index] = static_cast<std::uint32_t>(start);
  lengths_[index] = static_cast<std::uint32_t>(packed_.size() - start);
}

Text RecordTable::Load(std::size_t index) const {
  Text text;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(packed_.data()) + starts_[index];
  const unsigned char* end = p + lengths_[index];
  text.reserve(lengths_[index]);
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
    for (; more > 0 && p < end; --more) c = (c << 6) | (*p++ & 0x3F);
    text += c;
  }
  return text;
}

}  // namespace tecris2nx
