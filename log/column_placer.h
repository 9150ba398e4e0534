#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

#include "log/layout.h"

namespace tecris2nx::boringlog {

/// A text a column wants at `y`: millimetres down the log's body, its pages' bodies put end
/// to end. Lines of one item (a name and the file's name, a note's lines) share `key`, where
/// the item wants its first line, so that they stay together.
struct Wanted {
  double key = 0;
  double y = 0;
  std::size_t item = 0;
  int line = 0;
};

/// Where a wanted text went: the page (from 0) and its baseline there.
struct Placed {
  int page = 0;
  double y = 0;
};

/// Places one column's texts over every page of the log: in the order of where they want to
/// be, each at least a line below the one before it, wholly inside a page's body. A text that
/// would reach above a body goes down into it; one pushed past a body's end goes to the top of
/// the next page, or up from the last page's end while there is room above it.
class ColumnPlacer {
 public:
  ColumnPlacer(const std::vector<DepthWindow>& windows, double mm) : mm_(mm) {
    for (const DepthWindow& w : windows) {
      starts_.push_back((w.firstDepth - windows.front().firstDepth) * mm);
      heights_.push_back((w.lastDepth - w.firstDepth) * mm);
      depths_.push_back(w.firstDepth);
    }
    bodyTop_ = windows.front().bodyTop;
  }

  int Pages() const { return static_cast<int>(starts_.size()); }
  /// Millimetres down the log's body of a depth.
  double At(double depth) const { return (depth - depths_.front()) * mm_; }
  /// The page a place belongs to; places above the first page belong to it.
  int PageAt(double y) const {
    const auto after = std::upper_bound(starts_.begin(), starts_.end(), y);
    return after == starts_.begin() ? 0 : static_cast<int>(after - starts_.begin()) - 1;
  }
  /// Calls `part(y0, y1)` for each page holding part of [a, b] (depths), with that part's ends
  /// down the log's body; an interval of no length belongs to one page only.
  template <typename Part>
  void Parts(double a, double b, Part part) const {
    const double lo = At(std::min(a, b));
    const double hi = At(std::max(a, b));
    if (lo == hi) {
      const int page = PageAt(lo);
      const double y = std::clamp(lo, starts_[page], starts_[page] + heights_[page]);
      part(y, y);
      return;
    }
    for (int page = PageAt(lo); page < Pages() && starts_[page] < hi; ++page) {
      const double y0 = std::max(lo, starts_[page]);
      const double y1 = std::min(hi, starts_[page] + heights_[page]);
      if (y1 > y0) part(y0, y1);
    }
  }

  /// Places texts of `size` mm, `step` apart; the result is in the order of `wanted` after it
  /// was sorted (stably, by key).
  std::vector<Placed> Place(std::vector<Wanted>& wanted, double step, double size) const;

 private:
  double mm_;
  double bodyTop_ = 0;
  std::vector<double> starts_;
  std::vector<double> heights_;
  std::vector<double> depths_;
};

}  // namespace tecris2nx::boringlog
