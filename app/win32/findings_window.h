#pragma once

#include <cstddef>
#include <vector>

#include "common/windows_api.h"
#include "app/win32/window_procedure.h"
#include "app/window/window_view.h"

namespace tecris2nx::win32 {

/// Puts text on the clipboard as Unicode text, line feeds as CR LF; false when it could not.
bool CopyToClipboard(HWND owner, const Text& text);

/// Control identifiers of the findings window; tests find the controls by them.
enum FindingsControlId : int {
  kFindingsList = 201,  ///< the table (a list view in report mode)
  kFindingsNote,        ///< the table's note under it
  kFindingsCopy,        ///< コピー
};

/// A file's findings in a resizable window of its own beside the main window (owned by it, not
/// modal): a table sortable by a click on a heading, rows selectable, Ctrl+C and "コピー" put
/// the chosen rows (all when none is chosen) on the clipboard as tab-separated text. Closing it
/// only hides it.
class FindingsWindow {
 public:
  FindingsWindow() = default;
  ~FindingsWindow();
  FindingsWindow(const FindingsWindow&) = delete;
  FindingsWindow& operator=(const FindingsWindow&) = delete;

  /// Shows the table, replacing what the window showed; the window is made over `owner` the
  /// first time. `font` (the main window's) stays owned by the caller.
  void Show(HWND owner, HFONT font, const FindingsTable& table);
  HWND Handle() const { return window_; }
  HWND Control(FindingsControlId id) const { return GetDlgItem(window_, id); }
  /// The chosen rows as indexes into the table's rows, in the order shown.
  std::vector<std::size_t> ChosenRows() const;
  /// Puts the chosen rows, or all, on the clipboard; false when the clipboard refused.
  bool Copy();
  /// Sorts by a column; the same column again reverses the order.
  void SortBy(int column);
  /// True when the message was the window's keyboard handling (Tab, Escape) and is done.
  bool PreTranslate(MSG& message);

 private:
  template <typename Window>
  friend LRESULT CALLBACK ObjectProcedure(HWND window, UINT message, WPARAM w, LPARAM l);
  LRESULT Handle(UINT message, WPARAM w, LPARAM l);
  bool Create(HWND owner);
  void Fill(const std::vector<std::size_t>& order);
  void SizeColumns();
  void FitToContent(HWND owner, bool first);
  void Layout();
  int TextWidth(const Text& text, HFONT font) const;

  FindingsTable table_;
  HWND window_ = nullptr;
  HFONT font_ = nullptr;
  int unit_ = 16;
  int sortColumn_ = -1;
  bool ascending_ = true;
  std::vector<int> columnWidths_;
};

}  // namespace tecris2nx::win32
