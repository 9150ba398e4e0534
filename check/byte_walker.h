#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "common/text.h"
#include "sections/finding.h"

namespace tecris2nx {

/// A byte's place in a file: its offset, and the line and column (from 1) it lies at.
struct Place {
  std::uint64_t offset = 0;
  long long line = 1;
  long long column = 1;
};

/// Rising byte offsets, about one byte each: the distance from the one before, in base-128
/// digits, with every 16th offset kept whole so that finding one reads at most 15. The oldest may
/// be let go, a block at a time; indexes and counts still count them.
class OffsetList {
 public:
  void Push(std::uint64_t offset) {
    const std::uint64_t distance = offset - last_;
    last_ = offset;
    if (inBlock_ != 0 && distance < 0x80) {
      bytes_.push_back(static_cast<unsigned char>(distance));
      Counted();
      return;
    }
    PushRare(offset, distance);
  }

  /// Counts offsets that are never asked for, up to `count` in all: a list only counted, never
  /// pushed to.
  void CountTo(std::size_t count) { count_ = std::max(count_, count); }

  /// Offsets pushed so far, those let go included.
  std::size_t size() const { return count_; }

  /// Offset `index` (counted from the first ever pushed); it must not have been let go.
  std::uint64_t At(std::size_t index) const {
    const std::size_t local = index - dropped_;
    const Checkpoint& checkpoint = checkpoints_[local / kBlock];
    std::uint64_t offset = checkpoint.offset;
    std::size_t at = checkpoint.byte;
    for (std::size_t k = local % kBlock; k > 0; --k) offset += Next(at);
    return offset;
  }

  /// How many offsets lie below `offset` (those let go included), and the last of them (0 when
  /// none is held).
  struct Below {
    std::size_t count = 0;
    std::uint64_t last = 0;
  };
  Below BelowOf(std::uint64_t offset) const {
    const auto block = std::partition_point(
        checkpoints_.begin(), checkpoints_.end(),
        [offset](const Checkpoint& checkpoint) { return checkpoint.offset < offset; });
    if (block == checkpoints_.begin()) return {dropped_, 0};
    const std::size_t first = static_cast<std::size_t>(block - checkpoints_.begin() - 1);
    Below below{dropped_ + first * kBlock + 1, checkpoints_[first].offset};
    std::size_t at = checkpoints_[first].byte;
    for (; below.count < count_ && (below.count - dropped_) % kBlock != 0; ++below.count) {
      const std::uint64_t next = below.last + Next(at);
      if (next >= offset) break;
      below.last = next;
    }
    return below;
  }

  /// Lets go of whole blocks that lie before the last offset up to `offset`, once they are most of
  /// what is held: what is asked for later never lies before it.
  void DropBefore(std::uint64_t offset) {
    std::size_t blocks = 0;
    while (blocks + 1 < checkpoints_.size() && checkpoints_[blocks + 1].offset <= offset) ++blocks;
    if (blocks == 0 || 2 * blocks < checkpoints_.size()) return;
    const std::size_t byte = checkpoints_[blocks].byte;
    bytes_.erase(bytes_.begin(), bytes_.begin() + static_cast<std::ptrdiff_t>(byte));
    checkpoints_.erase(checkpoints_.begin(),
                       checkpoints_.begin() + static_cast<std::ptrdiff_t>(blocks));
    for (Checkpoint& checkpoint : checkpoints_) checkpoint.byte -= byte;
    dropped_ += blocks * kBlock;
  }

 private:
  // Short blocks: places are looked up for every finding.
  static constexpr std::size_t kBlock = 16;
  struct Checkpoint {
    std::size_t byte;
    std::uint64_t offset;
  };
  void Counted() {
    ++count_;
    if (++inBlock_ == kBlock) inBlock_ = 0;
  }
  // Kept out of Push, so that the usual case stays small enough to be inlined where it is used.
  [[gnu::noinline]] void PushRare(std::uint64_t offset, std::uint64_t distance) {
    if (inBlock_ == 0) {
      checkpoints_.push_back({bytes_.size(), offset});
    } else {
      for (; distance >= 0x80; distance >>= 7) {
        bytes_.push_back(static_cast<unsigned char>(0x80 | (distance & 0x7F)));
      }
      bytes_.push_back(static_cast<unsigned char>(distance));
    }
    Counted();
  }
  std::uint64_t Next(std::size_t& at) const {
    std::uint64_t n = 0;
    for (int shift = 0;; shift += 7) {
      const unsigned char b = bytes_[at++];
      n |= static_cast<std::uint64_t>(b & 0x7F) << shift;
      if (b < 0x80) return n;
    }
  }

  std::vector<unsigned char> bytes_;
  std::vector<Checkpoint> checkpoints_;
  std::uint64_t last_ = 0;
  std::size_t count_ = 0;
  std::size_t inBlock_ = 0;  ///< offsets in the last block
  std::size_t dropped_ = 0;  ///< always whole blocks
};

/// Follows line and column over the file's bytes, handed over in pieces, and checks each byte's
/// encoding (T601, T602) on the way. It keeps where lines begin and which bytes take no column of
/// their own (the second byte of a character, the LF of a CR LF), so that the place of any offset
/// it has passed is found later: fields are then kept by their offsets alone.
class ByteWalker {
 public:
  using Add =
      std::function<void(const char* code, Severity severity, const Place& place, Text message)>;
  explicit ByteWalker(Add add) : add_(std::move(add)) {}

  void Feed(std::string_view bytes);

  /// The end of the file: a lead byte left over stands alone.
  void Finish();

  /// The place of the next byte; a CR just passed ends its line (no LF follows a field start).
  Place Here() const { return cr_ ? Place{pos_, line_ + 1, 1} : Place{pos_, line_, column_}; }

  /// The place of a byte passed already (or the next one), as Here() was when it came next.
  Place PlaceOf(std::uint64_t offset) const;

  /// Places before `offset` will not be asked for again.
  void ForgetBefore(std::uint64_t offset);

  /// No place is asked for from here on: the rest of the file is only checked.
  void StopRecording() { recording_ = false; }

 private:
  /// One ASCII byte: a line end starts the next line, any other byte takes a column.
  void Ascii(unsigned char b);

  /// One character (or invalid byte) that is not ASCII, at bytes[i]; the bytes it takes.
  std::size_t Unit(std::string_view bytes, std::size_t i);

  /// Reports the run of invalid bytes just passed, if any.
  void FlushBad();

  Add add_;
  std::uint64_t pos_ = 0;
  long long line_ = 1;
  long long column_ = 1;
  bool cr_ = false;  ///< the last byte was a CR: whether an LF follows is not known yet
  int carry_ = -1;   ///< a lead byte whose follower has not come yet
  std::size_t badLength_ = 0;
  std::string badBytes_;
  Place badPlace_;
  OffsetList lineStarts_;  ///< the first byte of every line but the first
  OffsetList narrow_;      ///< bytes that take no column
  bool recording_ = true;
};

/// Fills each finding's line and column from its offset, as check mode places them while it
/// reads; the findings must be in offset order. A line ends at LF, CR LF or CR; a column counts
/// characters (one per invalid byte).
void PlaceFindings(std::string_view bytes, std::vector<Finding>& findings);

}  // namespace tecris2nx
