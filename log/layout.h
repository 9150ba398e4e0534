#pragma once

#include <vector>

#include "log/borehole.h"
#include "log/primitives.h"

namespace tecris2nx::boringlog {

enum class Paper { kA4, kA3 };

struct LayoutOptions {
  int scale = 100;  ///< 1:scale; 50, 100 or 200
  Paper paper = Paper::kA4;
  /// Portrait pages with the title and headings repeated; otherwise one continuous sheet.
  bool paged = false;
};

/// The scales a log is drawn at.
bool IsLogScale(int scale);

/// Millimetres on paper per metre of depth.
inline double MillimetresPerMetre(int scale) { return 1000.0 / scale; }

/// Where the depth axis sits on a page: depth `firstDepth` at `bodyTop` millimetres.
struct DepthWindow {
  double firstDepth = 0;
  double lastDepth = 0;
  double bodyTop = 0;
};

/// The pages of the log, and where each page's depths lie.
struct LogSheets {
  std::vector<Page> pages;
  std::vector<DepthWindow> windows;
};

LogSheets LayoutBoringLog(const Borehole& hole, const LayoutOptions& options);

/// The column headings, left to right.
extern const std::vector<TextView> kColumnHeadings;
/// Ends each page but the last of a paged log.
extern const TextView kContinuedMark;

}  // namespace tecris2nx::boringlog
