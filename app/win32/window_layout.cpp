#include "app/win32/window_layout.h"

#include <algorithm>

namespace tecris2nx::win32 {
namespace {

/// The spacing every part of the layout shares, from the font's line height.
struct Spacing {
  explicit Spacing(const LayoutMetrics& m)
      : u(m.unit),
        margin(u * 2 / 3),
        gap(u / 3),
        pad(u / 2),
        edit(u + m.editExtra),
        button(u + m.buttonExtra),
        buttonWidth(u * 6),
        caption(u),
        labelWidth(u * 8),
        frame3(caption + edit + pad) {}
  int u, margin, gap, pad, edit, button, buttonWidth, caption, labelWidth, frame3;
  /// Between 中止 and 実行: half a button more than between other buttons.
  int StopApart() const { return gap + buttonWidth / 2; }
  /// Everything above the buttons but the frames and the details list, which share the rest.
  int Fixed() const { return margin + gap + 2 * (edit + gap) + frame3 + gap + edit + gap + gap; }
};

constexpr int kMinimumFramesUnits = 12;
constexpr int kMinimumDetailsUnits = 3;
constexpr int kMinimumTreeUnits = 4;

}  // namespace

MainLayout LayOutMainWindow(int width, int height, const LayoutMetrics& metrics) {
  const Spacing s(metrics);
  MainLayout l;
  const int buttonsTop = height - s.margin - s.button;
  const int rest = buttonsTop - s.Fixed();
  const int framesHeight = std::max(rest * 3 / 4, s.u * kMinimumFramesUnits);
  const int detailsHeight = std::max(rest - framesHeight, s.u * kMinimumDetailsUnits);
  const int inner = width - 2 * s.margin;
  l.driveListHeight = s.u * 12;

  int y = s.margin;
  const int frame1Width = (inner - s.gap) * 2 / 5;
  const int frame2Left = s.margin + frame1Width + s.gap;
  const int frame2Width = width - s.margin - frame2Left;
  const int frameTop = y + s.caption + s.gap;
  // The line of left-out files takes the frame's last row, below the tree and the list.
  const int leftOutTop = y + framesHeight - s.pad - s.edit;
  const int frameBottom = leftOutTop - s.gap;
  const int treeTop = frameTop + s.edit + s.gap;

  l.frame1 = {s.margin, y, frame1Width, framesHeight};
  l.drive1 = {s.margin + s.pad, frameTop, frame1Width - 2 * s.pad, s.edit};
  l.dir1 = {s.margin + s.pad, treeTop, frame1Width - 2 * s.pad, frameBottom - treeTop};

  l.frame2 = {frame2Left, y, frame2Width, framesHeight};
  // Tree and file list share the frame 3 : 2, the list never narrower than a whole file name.
  const int listWidth = std::max((frame2Width - 2 * s.pad - s.gap) * 2 / 5, metrics.fileNameWidth);
  const int treeWidth = std::max(frame2Width - 2 * s.pad - s.gap - listWidth, s.u * 2);
  l.drive2 = {frame2Left + s.pad, frameTop, treeWidth, s.edit};
  l.dir2 = {frame2Left + s.pad, treeTop, treeWidth, frameBottom - treeTop};
  const int listLeft = frame2Left + s.pad + treeWidth + s.gap;
  const int listRight = frame2Left + frame2Width - s.pad;
  // The count of selected files under the list, inside the frame.
  const int countTop = frameBottom - s.edit;
  l.list1 = {listLeft, frameTop, listRight - listLeft, countTop - s.gap - frameTop};
  l.selectionCount = {listLeft, countTop, listRight - listLeft, s.edit};
  l.leftOut = {frame2Left + s.pad, leftOutTop, frame2Width - 2 * s.pad, s.edit};
  y += framesHeight + s.gap;

  l.label1 = {s.margin, y, s.labelWidth, s.edit};
  l.text1 = {s.margin + s.labelWidth, y, inner - s.labelWidth, s.edit};
  y += s.edit + s.gap;
  l.label2 = {s.margin, y, s.labelWidth, s.edit};
  l.text2 = {s.margin + s.labelWidth, y, inner - s.labelWidth, s.edit};
  y += s.edit + s.gap;

  l.frame3 = {s.margin, y, inner, s.frame3};
  l.label3 = {s.margin + s.pad, y + s.caption, inner - 2 * s.pad, s.edit};
  y += s.frame3 + s.gap;
  l.patternLine = {s.margin + s.pad, y, inner - 2 * s.pad, s.edit};
  y += s.edit + s.gap;
  l.details = {s.margin, y, inner, detailsHeight};

  l.failuresOnly = {s.margin, buttonsTop, metrics.checkBoxWidth, s.button};
  l.exit = {width - s.margin - s.buttonWidth, buttonsTop, s.buttonWidth, s.button};
  l.execute = {l.exit.x - s.gap - s.buttonWidth, buttonsTop, s.buttonWidth, s.button};
  l.stop = {l.execute.x - s.StopApart() - s.buttonWidth, buttonsTop, s.buttonWidth, s.button};
  l.boringLog = {l.stop.x - s.gap - s.buttonWidth, buttonsTop, s.buttonWidth, s.button};
  l.report = {l.boringLog.x - s.gap - s.buttonWidth, buttonsTop, s.buttonWidth, s.button};
  return l;
}

LayoutRect MinimumClientSize(const LayoutMetrics& metrics) {
  const Spacing s(metrics);
  // Frame 2 is three fifths of the width: it must hold a usable tree beside a whole file name.
  const int frame2 = 2 * s.pad + s.u * kMinimumTreeUnits + s.gap + metrics.fileNameWidth;
  const int fromFrames = (frame2 * 5 + 2) / 3 + s.gap;
  const int fromTexts = s.labelWidth + s.u * 12;
  const int fromButtons =
      metrics.checkBoxWidth + s.gap + 5 * s.buttonWidth + 4 * s.gap + s.StopApart();
  const int width = 2 * s.margin + std::max({fromFrames, fromTexts, fromButtons});
  const int height =
      s.Fixed() + s.u * (kMinimumFramesUnits + kMinimumDetailsUnits) + s.button + s.margin;
  return {0, 0, width, height};
}

}  // namespace tecris2nx::win32
