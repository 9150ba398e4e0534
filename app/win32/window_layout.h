#pragma once

// Plain arithmetic, no Windows header: the layout is tested on every platform.

namespace tecris2nx::win32 {

/// A control's place in the window's client area, in pixels.
struct LayoutRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

/// What the layout takes from the font and the monitor, in pixels.
struct LayoutMetrics {
  int unit = 16;          ///< height of a line of the window's font
  int editExtra = 8;      ///< an edit's or a drive list's height beyond a line
  int buttonExtra = 12;   ///< a button's height beyond a line
  int fileNameWidth = 0;  ///< List1 showing a whole TECRIS file name and its scroll bar
  int checkBoxWidth = 0;  ///< the failures-only box with its caption
};

/// Where each control of the main window goes.
struct MainLayout {
  LayoutRect frame1, drive1, dir1;
  LayoutRect frame2, drive2, dir2, list1, selectionCount;
  /// Under the tree and the list, across the frame: the files the list leaves out.
  LayoutRect leftOut;
  LayoutRect label1, text1, label2, text2;
  LayoutRect frame3, label3, patternLine;
  LayoutRect details, failuresOnly;
  /// 中止, 実行, 終了: each in a slot of its own, 中止's kept while it is hidden and set apart
  /// from 実行's, so that nothing moves under the pointer when 中止 appears.
  LayoutRect stop, execute, exit;
  /// 柱状図 and 一覧表: left of 中止's slot, so that they stay put too.
  LayoutRect boringLog, report;
  /// The height a drive list is given: its edit part (drive1's and drive2's height) and its
  /// drop-down together, as a combo box counts it.
  int driveListHeight = 0;
};

/// The layout for a client area of this size: from the bottom up the buttons, the details list,
/// the pattern-data line, the message frame and the two text rows; the frames take three
/// quarters of what is left.
MainLayout LayOutMainWindow(int width, int height, const LayoutMetrics& metrics);

/// The smallest client area at which every control keeps a usable size.
LayoutRect MinimumClientSize(const LayoutMetrics& metrics);

}  // namespace tecris2nx::win32
