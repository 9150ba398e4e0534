#include "app/gui/folder_tree.h"

#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QStyle>
#include <QTimer>

#include "app/gui/drives.h"

namespace tecris2nx {
namespace {

constexpr int kPathRole = Qt::UserRole;

}  // namespace

bool IsUsableFolder(const QString& folder) {
  const QFileInfo info(folder);
  if (!info.isDir() || !info.isReadable()) return false;
#ifndef _WIN32
  if (!info.isExecutable()) return false;  // cannot be entered or listed
#endif
  return true;
}

QString CleanFolderPath(const QString& path) {
  return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

QString JoinFolder(const QString& folder, const QString& name) {
  return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

FolderTree::FolderTree(QWidget* parent) : QTreeWidget(parent) {
  setHeaderHidden(true);
  setColumnCount(1);
  setRootIsDecorated(false);
  setIndentation(12);
  setSelectionMode(QAbstractItemView::SingleSelection);
  const auto choose = [this](QTreeWidgetItem* item) { OnItemChosen(item); };
  connect(this, &QTreeWidget::itemClicked, this, choose);
  connect(this, &QTreeWidget::itemActivated, this, choose);
}

QString FolderTree::PathOf(const QTreeWidgetItem* item) {
  return item ? item->data(0, kPathRole).toString() : QString();
}

bool FolderTree::SetLocation(const QString& root, const QString& folder) {
  const QString cleanRoot = CleanFolderPath(root);
  const QString cleanFolder = CleanFolderPath(folder);
  if (!IsAtOrBelow(cleanRoot, cleanFolder) || !IsUsableFolder(cleanRoot) ||
      !IsUsableFolder(cleanFolder)) {
    return false;
  }
  const bool changed = cleanRoot != root_ || cleanFolder != path_;
  root_ = cleanRoot;
  path_ = cleanFolder;
  Rebuild();
  if (changed) emit PathChanged();
  return true;
}

bool FolderTree::SetPath(const QString& folder) {
  if (root_.isEmpty()) return false;
  return SetLocation(root_, folder);
}

void FolderTree::OnItemChosen(QTreeWidgetItem* item) {
  const QString target = PathOf(item);
  if (target.isEmpty()) return;
  if (target == path_) {
    emit Reselected();
    return;
  }
  // Rebuilding the tree inside the click's own signal would delete the clicked item under Qt's
  // feet, so the move happens once the click has been handled.
  QTimer::singleShot(0, this, [this, target] {
    // An unreadable folder is refused silently: the tree stays where it was.
    if (!SetPath(target)) Rebuild();
  });
}

void FolderTree::Rebuild() {
  clear();
  const QIcon closedIcon = style()->standardIcon(QStyle::SP_DirClosedIcon);
  const QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);

  auto* rootItem = new QTreeWidgetItem(this);
  rootItem->setText(0, QDir::toNativeSeparators(root_));
  rootItem->setIcon(0, style()->standardIcon(QStyle::SP_DriveHDIcon));
  rootItem->setData(0, kPathRole, root_);

  QTreeWidgetItem* current = rootItem;
  QString walked = root_;
  const QString below = QDir(root_).relativeFilePath(path_);
  if (path_ != root_) {
    for (const QString& name : below.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
      walked = JoinFolder(walked, name);
      auto* item = new QTreeWidgetItem(current);
      item->setText(0, name);
      item->setIcon(0, openIcon);
      item->setData(0, kPathRole, walked);
      current->setExpanded(true);
      current = item;
    }
  }

  const QStringList children = QDir(path_).entryList(
      QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase | QDir::LocaleAware);
  for (const QString& name : children) {
    // Qt lists every link as a folder; only one that leads to a folder is one.
    if (!QFileInfo(JoinFolder(path_, name)).isDir()) continue;
    auto* item = new QTreeWidgetItem(current);
    item->setText(0, name);
    item->setIcon(0, closedIcon);
    item->setData(0, kPathRole, JoinFolder(path_, name));
  }
  current->setExpanded(true);
  setCurrentItem(current);
  scrollToItem(current);
}

}  // namespace tecris2nx
