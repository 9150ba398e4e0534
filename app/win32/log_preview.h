#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "common/windows_api.h"
#include "app/win32/window_procedure.h"
#include "common/text.h"
#include "log/borehole.h"
#include "log/layout.h"

namespace tecris2nx {
class GdiplusSession;
}

namespace tecris2nx::win32 {

/// Control identifiers of the boring-log preview; tests find the controls by them.
enum LogPreviewControlId : int {
  kLogCanvas = 301,  ///< the page, scrolled
  kLogPrevious,      ///< 前ページ
  kLogNext,          ///< 次ページ
  kLogPageLine,      ///< "1 / 3 ページ"
  kLogScale,         ///< 縮尺 1:50, 1:100, 1:200
  kLogPaper,         ///< A4, A3
  kLogZoomOut,       ///< 縮小
  kLogZoomIn,        ///< 拡大
  kLogZoomLine,      ///< "100%"
  kLogPrint,         ///< 印刷
  kLogSavePng,       ///< PNG で保存
  kLogSaveSvg,       ///< SVG で保存
  kLogSaved,         ///< "保存しました: 柱状図.png" once a file is saved
};

/// What the preview takes from its surroundings; tests replace each one.
struct LogPreviewSeams {
  /// The save dialog for `extension` ("png", "svg") starting at `suggested`; the path, empty
  /// when cancelled. Unset: the system's dialog.
  std::function<Text(HWND owner, const Text& suggested, const wchar_t* extension)> choosePath;
  /// A box saying why a file could not be written or printed. Unset: MessageBoxW.
  std::function<void(HWND owner, const Text& text)> showError;
  /// Asks the question (yes or no) before many pages are drawn. Unset: MessageBoxW.
  std::function<bool(HWND owner, const Text& question)> confirm;
};

/// More pages than this are saved or printed only when the user says so: a deep hole at 1:50
/// is thousands.
inline constexpr int kManyPages = 100;

/// The zoom steps of the preview, in percent of the paper's own size.
extern const std::vector<int> kLogZoomSteps;

/// One file's boring log in a window of its own beside the main window (owned, not modal):
/// its pages at the scale and paper chosen there, zoomed and scrolled, a page at a time;
/// printed through the system's print dialog, saved as PNG (each page) or SVG (one sheet).
/// Closing it only hides it.
class LogPreviewWindow {
 public:
  explicit LogPreviewWindow(LogPreviewSeams seams = {});
  ~LogPreviewWindow();
  LogPreviewWindow(const LogPreviewWindow&) = delete;
  LogPreviewWindow& operator=(const LogPreviewWindow&) = delete;

  /// Shows the borehole, replacing what the window showed, at its first page.
  void Show(HWND owner, HFONT font, std::shared_ptr<const boringlog::Borehole> hole);
  /// While a log is read: `text` instead of the page (the window opens); empty means the log
  /// could not be read (a box says why): the window closes rather than show the earlier file's
  /// log as if it were the one asked for.
  void SetBusy(HWND owner, HFONT font, const Text& text);
  const Text& BusyText() const { return busy_; }
  HWND Handle() const { return window_; }
  HWND Control(LogPreviewControlId id) const { return GetDlgItem(window_, id); }

  int PageCount() const { return hole_ ? log_.PageCount() : 0; }
  int CurrentPage() const { return page_; }
  int ZoomPercent() const { return kLogZoomSteps[zoom_]; }
  /// The page on screen, the only one laid out.
  const boringlog::Page& ShownPage() const { return shown_; }
  void GoToPage(int page);
  void Zoom(int steps);
  void SetScale(int scale);
  void SetPaper(boringlog::Paper paper);
  /// Writes the pages as PNG ("<name>.png", or "<name>-1.png"... for several) or the
  /// continuous sheet as SVG; false with a box when it could not.
  bool SaveAs(const Text& path, bool png);
  /// The system's print dialog, then the chosen pages on its printer.
  void Print();
  /// True when the message was the window's keyboard handling and is done.
  bool PreTranslate(MSG& message);

 private:
  template <typename Window>
  friend LRESULT CALLBACK ObjectProcedure(HWND window, UINT message, WPARAM w, LPARAM l);
  static LRESULT CALLBACK CanvasProcedure(HWND window, UINT message, WPARAM w, LPARAM l);
  LRESULT Handle(UINT message, WPARAM w, LPARAM l);
  LRESULT HandleCanvas(UINT message, WPARAM w, LPARAM l);
  bool Create(HWND owner);
  /// Creates the window the first time, and takes the main window's font.
  bool Open(HWND owner, HFONT font);
  void ShowAndFocus();
  void Relayout();
  void Layout();
  void UpdateControls();
  void UpdateScrollBars();
  void Scroll(int bar, int code, int amount = 0);
  void PaintCanvas(HDC dc, const RECT& area);
  double PixelsPerMm() const;
  void OnCommand(int id, int code);
  void Save(bool png);
  void ShowError(const Text& text);
  /// True when the log has few pages, or the user says to go on with `what` ("印刷") of them all.
  bool ManyPagesConfirmed(const Text& what);

  LogPreviewSeams seams_;
  std::shared_ptr<const boringlog::Borehole> hole_;
  boringlog::PagedLog log_;
  boringlog::Page shown_;  ///< page `page_`, laid out when it comes on screen
  Text busy_;
  int scale_ = 100;
  boringlog::Paper paper_ = boringlog::Paper::kA4;
  int page_ = 0;
  int zoom_ = 2;  ///< index into kLogZoomSteps
  int scrollX_ = 0;
  int scrollY_ = 0;
  HWND window_ = nullptr;
  HWND canvas_ = nullptr;
  HFONT font_ = nullptr;
  int unit_ = 16;
  std::unique_ptr<GdiplusSession> gdiplus_;
};

}  // namespace tecris2nx::win32
