#include "app/gui/findings_window.h"

#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QTableWidget>
#include <QVBoxLayout>
#include <numeric>
#include <set>

#include "app/window/findings_table.h"

namespace tecris2nx {

namespace {
QString ToQString(const Text& text) { return QString::fromStdU32String(text); }
}  // namespace

FindingsWindow::FindingsWindow(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("Findings"));
  setModal(false);
  setSizeGripEnabled(true);
  table_widget_ = new QTableWidget(this);
  table_widget_->setObjectName(QStringLiteral("FindingsTable"));
  table_widget_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_widget_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_widget_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  table_widget_->setWordWrap(false);
  table_widget_->verticalHeader()->hide();
  table_widget_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
  table_widget_->horizontalHeader()->setStretchLastSection(false);
  table_widget_->horizontalHeader()->setSectionsClickable(true);
  table_widget_->horizontalHeader()->setSortIndicatorShown(true);
  connect(table_widget_->horizontalHeader(), &QHeaderView::sectionClicked, this,
          [this](int column) {
            ascending_ = column == sortColumn_ ? !ascending_ : true;
            sortColumn_ = column;
            order_ = SortFindingRows(table_, static_cast<std::size_t>(column), ascending_);
            table_widget_->horizontalHeader()->setSortIndicator(
                column, ascending_ ? Qt::AscendingOrder : Qt::DescendingOrder);
            Fill();
          });
  note_ = new QLabel(this);
  note_->setObjectName(QStringLiteral("FindingsNote"));
  note_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  auto* copy = new QPushButton(QStringLiteral("コピー"), this);
  copy->setObjectName(QStringLiteral("FindingsCopy"));
  copy->setToolTip(QStringLiteral("選んだ行（選んでいなければすべて）をタブ区切りでコピーします"));
  auto* close = new QPushButton(QStringLiteral("閉じる"), this);
  close->setObjectName(QStringLiteral("FindingsClose"));
  connect(copy, &QPushButton::clicked, this, &FindingsWindow::Copy);
  connect(close, &QPushButton::clicked, this, &QDialog::close);
  // The whole window's: after コピー or 閉じる the focus is on a button, and Ctrl+C must still
  // copy.
  auto* shortcut = new QShortcut(QKeySequence::Copy, this);
  shortcut->setContext(Qt::WindowShortcut);
  connect(shortcut, &QShortcut::activated, this, &FindingsWindow::Copy);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(note_, 1);
  buttons->addWidget(copy);
  buttons->addWidget(close);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(table_widget_, 1);
  layout->addLayout(buttons);
}

void FindingsWindow::Show(const FindingsTable& table) {
  table_ = table;
  order_.resize(table_.rows.size());
  std::iota(order_.begin(), order_.end(), std::size_t{0});
  sortColumn_ = -1;
  setWindowTitle(ToQString(table_.title));
  table_widget_->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
  table_widget_->setColumnCount(static_cast<int>(table_.headings.size()));
  QStringList headings;
  for (const Text& heading : table_.headings) headings.append(ToQString(heading));
  table_widget_->setHorizontalHeaderLabels(headings);
  note_->setText(ToQString(table_.note));
  Fill();
  table_widget_->resizeColumnsToContents();
  // Wide enough for the messages and the title, never wider than the screen.
  const QScreen* screen = parentWidget() ? parentWidget()->screen() : QApplication::primaryScreen();
  const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
  int width = 2 * table_widget_->frameWidth() + 40;
  for (int c = 0; c < table_widget_->columnCount(); ++c) width += table_widget_->columnWidth(c);
  width = std::max(width, fontMetrics().horizontalAdvance(windowTitle()) + 160);
  resize(std::min(width, area.width() * 9 / 10), std::min(420, area.height() * 8 / 10));
  show();
  raise();
  activateWindow();
  table_widget_->setFocus(Qt::OtherFocusReason);
}

void FindingsWindow::Fill() {
  table_widget_->setRowCount(static_cast<int>(order_.size()));
  for (int row = 0; row < static_cast<int>(order_.size()); ++row) {
    const std::vector<Text>& cells = table_.rows[order_[static_cast<std::size_t>(row)]];
    for (int column = 0; column < static_cast<int>(cells.size()); ++column) {
      auto* item = new QTableWidgetItem(ToQString(cells[static_cast<std::size_t>(column)]));
      item->setToolTip(item->text());
      table_widget_->setItem(row, column, item);
    }
  }
}

QString FindingsWindow::CopyText() const {
  std::set<int> rows;
  for (const QModelIndex& index : table_widget_->selectionModel()->selectedIndexes()) {
    rows.insert(index.row());
  }
  std::vector<std::size_t> chosen;
  for (int row : rows) chosen.push_back(order_[static_cast<std::size_t>(row)]);
  return ToQString(FindingsCopyText(table_, chosen));
}

void FindingsWindow::Copy() { QApplication::clipboard()->setText(CopyText()); }

}  // namespace tecris2nx
