#include "log/column_placer.h"

#include <limits>

namespace tecris2nx::boringlog {

std::vector<Placed> ColumnPlacer::Place(std::vector<Wanted>& wanted, double step,
                                        double size) const {
  std::stable_sort(wanted.begin(), wanted.end(),
                   [](const Wanted& a, const Wanted& b) { return a.key < b.key; });
  const double ascent = size * 0.8;
  const double descent = size * 0.2;
  const int last = Pages() - 1;
  std::vector<Placed> placed(wanted.size());
  double previous = -std::numeric_limits<double>::infinity();
  for (std::size_t i = 0; i < wanted.size(); ++i) {
    double y = std::max(wanted[i].y, previous + step);
    int page = PageAt(y);
    if (y - starts_[page] < ascent) y = starts_[page] + ascent;
    if (y - starts_[page] > heights_[page] - descent && page < last) {
      ++page;
      y = starts_[page] + ascent;
    }
    previous = y;
    placed[i] = {page, y};
  }
  // Texts pushed past the last page's end move up into the room above them.
  double limit = starts_[last] + heights_[last] - descent;
  for (std::size_t i = placed.size(); i-- > 0 && placed[i].page == last;) {
    if (placed[i].y <= limit) break;
    placed[i].y = std::max(limit, starts_[last] + ascent);
    limit = placed[i].y - step;
  }
  for (Placed& p : placed) p.y = bodyTop_ + p.y - starts_[p.page];
  return placed;
}

}  // namespace tecris2nx::boringlog
