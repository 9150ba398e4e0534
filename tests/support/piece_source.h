#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <utility>

#include "common/file_system.h"

namespace tecris2nx::testing {

/// Hands out bytes a few at a time, as a file read in pieces does at piece boundaries.
class PieceSource : public ByteSource {
 public:
  PieceSource(std::string bytes, std::size_t piece) : bytes_(std::move(bytes)), piece_(piece) {}
  bool ReadMore(std::string& into, std::size_t most) override {
    const std::size_t n = std::min({piece_, most, bytes_.size() - pos_});
    into.append(bytes_, pos_, n);
    pos_ += n;
    return n > 0;
  }

 private:
  std::string bytes_;
  std::size_t piece_;
  std::size_t pos_ = 0;
};

}  // namespace tecris2nx::testing
