#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <optional>

#include "app/window/window_view.h"

class QComboBox;
class QLineEdit;

namespace tecris2nx {

/// The system's folder dialog: the folder chosen, or empty when cancelled.
using FolderChooser =
    std::function<QString(QWidget* parent, const QString& title, const QString& start)>;

/// Where 一覧表 goes and in which datum the files' positions are: the folder, typed or chosen with
/// 参照…, and the datum.
class ReportDialog : public QDialog {
  Q_OBJECT

 public:
  ReportDialog(const ReportQuestion& question, FolderChooser chooseFolder, QWidget* parent);

  ReportAnswer Answer() const;

 private:
  void Browse();

  FolderChooser chooseFolder_;
  std::function<Text(const Text&)> browseStart_;
  QLineEdit* folder_ = nullptr;
  QComboBox* datum_ = nullptr;
};

/// Shows the dialog modally; none when it was cancelled.
std::optional<ReportAnswer> AskReportWithDialog(QWidget* parent, const ReportQuestion& question,
                                                FolderChooser chooseFolder);

}  // namespace tecris2nx
