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

/// Every page at once: the continuous sheet, or all pages of a paged log (see PagedLog).
LogSheets LayoutBoringLog(const Borehole& hole, const LayoutOptions& options);

/// A paged log whose pages are laid out one at a time, so that a deep borehole never holds
/// more than one page of primitives. Knowing the pages costs one pass over the borehole;
/// LayOutPage(i) equals page i of LayoutBoringLog. Keeps a pointer to `hole`.
class PagedLog {
 public:
  PagedLog() = default;
  PagedLog(const Borehole& hole, const LayoutOptions& options);
  int PageCount() const { return static_cast<int>(windows_.size()); }
  /// The depths page `page` (from 0) covers; the legend's own page covers none.
  const DepthWindow& Window(int page) const { return windows_[static_cast<std::size_t>(page)]; }
  double PageWidth() const { return width_; }
  double PageHeight() const { return height_; }
  /// Page `page`, from 0 to PageCount() - 1.
  Page LayOutPage(int page) const;
  const LayoutOptions& Options() const { return options_; }

 private:
  const Borehole* hole_ = nullptr;
  LayoutOptions options_;
  std::vector<DepthWindow> windows_;
  int bodyPages_ = 0;  ///< pages with depths; one more holds the legend when it does not fit
  double width_ = 0;
  double height_ = 0;
};

/// The width of a text on paper, in millimetres, at em size `size`.
double TextWidth(TextView text, double size);
/// The text at the largest size down to 1.5 mm that fits `width`, cut with "…" if even that
/// does not. Measured once: a soil name may be a whole file long.
Label Fitted(Point at, Text text, double width, double size, Anchor anchor = Anchor::kStart);

/// The swatch of a layer's colour names (its last hue, darkened by 濃 or 暗, lightened by 淡);
/// not filled when no name is a hue.
Fill ColourSwatch(const std::vector<Text>& names);

/// The column headings, left to right.
extern const std::vector<TextView> kColumnHeadings;
/// Ends each page but the last of a paged log.
extern const TextView kContinuedMark;

}  // namespace tecris2nx::boringlog
