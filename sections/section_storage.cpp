#include "sections/section_storage.h"

#include <stdexcept>

namespace tecris2nx {
namespace {

std::size_t IndexOf(int value, int record, int values, int count) {
  // A wrong index is a programming error; it must not read or write outside the table.
  if (value < 1 || value > values || record < 1 || record > count) {
    throw std::out_of_range("RecordTable cell (" + std::to_string(value) + ", " +
                            std::to_string(record) + ") is outside the table");
  }
  return static_cast<std::size_t>(record - 1) * static_cast<std::size_t>(values) +
         static_cast<std::size_t>(value - 1);
}

}  // namespace

void RecordTable::Reset(int values, std::int16_t count) {
  values_ = values;
  count_ = count < 0 ? std::int16_t{0} : count;
  cells_.assign(static_cast<std::size_t>(values_) * static_cast<std::size_t>(count_), Text());
}

const Text& RecordTable::Cell(int value, int record) const {
  return cells_[IndexOf(value, record, values_, count_)];
}

Text& RecordTable::Cell(int value, int record) {
  return cells_[IndexOf(value, record, values_, count_)];
}

}  // namespace tecris2nx
