#pragma once

#include <QDialog>
#include <vector>

#include "app/window/window_view.h"

class QLabel;
class QTableWidget;

namespace tecris2nx {

/// A file's findings in a window of their own: a table sorted by a click on a heading, text
/// selectable, Ctrl+C and "コピー" copying the chosen rows (all when none is chosen) as
/// tab-separated text.
class FindingsWindow : public QDialog {
  Q_OBJECT

 public:
  explicit FindingsWindow(QWidget* parent);
  /// Shows these findings instead of those shown before.
  void Show(const FindingsTable& table);
  /// What Ctrl+C and "コピー" put on the clipboard now.
  QString CopyText() const;

 private:
  void Fill();
  void Copy();

  FindingsTable table_;
  std::vector<std::size_t> order_;  ///< table_ rows in the order shown
  QTableWidget* table_widget_ = nullptr;
  QLabel* note_ = nullptr;
  int sortColumn_ = -1;
  bool ascending_ = true;
};

}  // namespace tecris2nx
