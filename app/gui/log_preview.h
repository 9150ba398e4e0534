#pragma once

#include <QDialog>
#include <functional>
#include <memory>

#include "log/borehole.h"
#include "log/layout.h"

class QComboBox;
class QLabel;
class QPrinter;
class QPushButton;
class QScrollArea;

namespace tecris2nx {

class LogCanvas;

/// More pages than this are saved as PDF or printed only when the user says so: a deep hole at
/// 1:50 is thousands.
inline constexpr int kManyLogPages = 100;

/// The boring log of one file in a window of its own: scale and paper, zoom, the pages one at a
/// time with page buttons, print, and save as PDF, PNG or SVG.
class LogPreview : public QDialog {
  Q_OBJECT

 public:
  explicit LogPreview(QWidget* parent);
  /// Shows this borehole instead of the one shown before, from its first page.
  void Show(std::shared_ptr<const boringlog::Borehole> hole);
  /// While a log is read: shows `text` instead of the page (opening the preview); an empty
  /// text means the log could not be read (a box says why): the preview closes rather than show
  /// the earlier file's log as if it were the one asked for.
  void SetBusy(const QString& text);
  /// The text shown instead of a page; empty when a page shows.
  QString BusyText() const { return busy_; }
  int PageCount() const { return hole_ ? log_.PageCount() : 0; }
  int CurrentPage() const { return page_; }
  void ShowPage(int page);
  /// Zoom in steps of 25 %, 25 % to 400 %.
  void SetZoom(int percent);
  int Zoom() const { return zoom_; }
  /// The file's bytes in a format ("pdf", "png", "svg") at the chosen scale and paper.
  std::string FileBytes(const QString& format) const;
  /// Writes the file at `path` in the format its extension names, else the one `filter` starts
  /// with ("PNG (*.png)"); says so beside the buttons, or in a box why not.
  bool SaveAs(const QString& path, const QString& filter);
  /// Replaces the box that asks before many pages are drawn (tests).
  void SetConfirm(std::function<bool(const QString& question)> confirm) {
    confirm_ = std::move(confirm);
  }
  /// True when the log has few pages, or the user says to go on with `what` ("印刷") of them all.
  bool ManyPagesConfirmed(const QString& what);
  /// What the line beside the buttons says of the last save.
  QString SavedText() const;
  /// Draws every page on `printer`, one laid out at a time; false when it could not print.
  bool PrintTo(QPrinter& printer) const;

 private:
  void Relayout();
  void Print();
  void Save();
  void Update();

  std::shared_ptr<const boringlog::Borehole> hole_;
  boringlog::PagedLog log_;  ///< what the preview shows and prints
  boringlog::Page shown_;    ///< the page on screen, the only one laid out
  QString busy_;
  int page_ = 0;
  int zoom_ = 100;
  QComboBox* scale_ = nullptr;
  QComboBox* paper_ = nullptr;
  QLabel* zoomLabel_ = nullptr;
  QLabel* pageLabel_ = nullptr;
  QLabel* saved_ = nullptr;
  QPushButton* previous_ = nullptr;
  QPushButton* next_ = nullptr;
  QScrollArea* scroll_ = nullptr;
  LogCanvas* canvas_ = nullptr;
  std::function<bool(const QString& question)> confirm_;
};

}  // namespace tecris2nx
