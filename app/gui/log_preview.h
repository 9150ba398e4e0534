#pragma once

#include <QDialog>
#include <functional>

#include "log/borehole.h"
#include "log/layout.h"

class QComboBox;
class QLabel;
class QPushButton;
class QScrollArea;

namespace tecris2nx {

class LogCanvas;

/// The boring log of one file in a window of its own: scale and paper, zoom, the pages one at a
/// time with page buttons, print, and save as PDF, PNG or SVG.
class LogPreview : public QDialog {
  Q_OBJECT

 public:
  explicit LogPreview(QWidget* parent);
  /// Shows this borehole instead of the one shown before, from its first page.
  void Show(const boringlog::Borehole& hole);
  int PageCount() const { return static_cast<int>(sheets_.pages.size()); }
  int CurrentPage() const { return page_; }
  void ShowPage(int page);
  /// Zoom in steps of 25 %, 25 % to 400 %.
  void SetZoom(int percent);
  int Zoom() const { return zoom_; }
  /// The file's bytes in a format ("pdf", "png", "svg") at the chosen scale and paper.
  std::string FileBytes(const QString& format) const;

 private:
  void Relayout();
  void Print();
  void Save();
  void Update();

  boringlog::Borehole hole_;
  boringlog::LogSheets sheets_;  ///< paged: what the preview shows and prints
  int page_ = 0;
  int zoom_ = 100;
  QComboBox* scale_ = nullptr;
  QComboBox* paper_ = nullptr;
  QLabel* zoomLabel_ = nullptr;
  QLabel* pageLabel_ = nullptr;
  QPushButton* previous_ = nullptr;
  QPushButton* next_ = nullptr;
  QScrollArea* scroll_ = nullptr;
  LogCanvas* canvas_ = nullptr;
};

}  // namespace tecris2nx
