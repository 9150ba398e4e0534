#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <deque>
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

/// Rising byte offsets. The oldest may be let go; indexes and counts still count them.
class OffsetList {
 public:
  void Push(std::uint64_t offset) { offsets_.push_back(offset); }

  /// Offsets pushed so far, those let go included.
  std::size_t size() const { return dropped_ + offsets_.size(); }

  /// Offset `index` (counted from the first ever pushed); it must not have been let go.
  std::uint64_t At(std::size_t index) const { return offsets_[index - dropped_]; }

  /// How many offsets lie below `offset` (those let go included), and the last of them (0 when
  /// none is held).
  struct Below {
    std::size_t count = 0;
    std::uint64_t last = 0;
  };
  Below BelowOf(std::uint64_t offset) const {
    const auto end = std::lower_bound(offsets_.begin(), offsets_.end(), offset);
    const std::size_t held = static_cast<std::size_t>(end - offsets_.begin());
    return {dropped_ + held, held == 0 ? 0 : *(end - 1)};
  }

  /// Lets go of the offsets before the last one up to `offset`: what is asked for later never
  /// lies before it.
  void DropBefore(std::uint64_t offset) {
    for (; offsets_.size() > 1 && offsets_[1] <= offset; ++dropped_) offsets_.pop_front();
  }

 private:
  std::deque<std::uint64_t> offsets_;
  std::size_t dropped_ = 0;
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
