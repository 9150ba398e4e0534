#include "app/gui/report_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/gui/folder_tree.h"
#include "app/window/report_run.h"
#include "common/file_system.h"

namespace tecris2nx {
namespace {

QString ToQString(const Text& text) { return QString::fromStdU32String(text); }

}  // namespace

ReportDialog::ReportDialog(const ReportQuestion& question, FolderChooser chooseFolder,
                           QWidget* parent)
    : QDialog(parent), chooseFolder_(std::move(chooseFolder)), browseStart_(question.browseStart) {
  setObjectName(QStringLiteral("ReportDialog"));
  setWindowTitle(ToQString(question.title));
  folder_ = new QLineEdit(ToQString(question.folder), this);
  folder_->setObjectName(QStringLiteral("ReportFolder"));
  folder_->setMinimumWidth(folder_->fontMetrics().horizontalAdvance(QLatin1Char('x')) * 48);
  auto* browse = new QPushButton(QStringLiteral("参照…"), this);
  browse->setObjectName(QStringLiteral("ReportBrowse"));
  browse->setAutoDefault(false);  // Enter in the folder text makes the report
  connect(browse, &QPushButton::clicked, this, &ReportDialog::Browse);
  datum_ = new QComboBox(this);
  datum_->setObjectName(QStringLiteral("ReportDatum"));
  for (const Text& name : question.datums) datum_->addItem(ToQString(name));
  datum_->setCurrentIndex(question.datum);
  auto* note = new QLabel(ToQString(question.datumNote), this);
  note->setWordWrap(true);
  auto* buttons = new QDialogButtonBox(this);
  QPushButton* make = buttons->addButton(QStringLiteral("作成"), QDialogButtonBox::AcceptRole);
  make->setObjectName(QStringLiteral("ReportMake"));
  make->setDefault(true);
  buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* folderRow = new QHBoxLayout;
  folderRow->addWidget(folder_, 1);
  folderRow->addWidget(browse);
  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("書き出すフォルダ："), folderRow);
  form->addRow(QStringLiteral("測地系："), datum_);
  form->addRow(QString(), note);
  auto* outer = new QVBoxLayout(this);
  outer->addLayout(form);
  outer->addWidget(buttons);
}

ReportAnswer ReportDialog::Answer() const {
  return {folder_->text().toStdU32String(), datum_->currentIndex()};
}

void ReportDialog::Browse() {
  if (!chooseFolder_) return;
  const Text start = browseStart_ ? browseStart_(folder_->text().toStdU32String()) : Text();
  const QString chosen =
      chooseFolder_(this, windowTitle(), QDir::fromNativeSeparators(ToQString(start)));
  if (!chosen.isEmpty()) folder_->setText(QDir::toNativeSeparators(CleanFolderPath(chosen)));
}

std::optional<ReportAnswer> AskReportWithDialog(QWidget* parent, const ReportQuestion& question,
                                                FolderChooser chooseFolder) {
  ReportDialog dialog(question, std::move(chooseFolder), parent);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.Answer();
}

}  // namespace tecris2nx
