#pragma once

#include <QString>
#include <QTreeWidget>

namespace tecris2nx {

/// A folder tree for one drive: the drive root, the folders down to the current one, and the
/// current folder's sub-folders. Folders only, no files. A click moves to the clicked folder.
/// Paths use "/" as the separator.
class FolderTree : public QTreeWidget {
  Q_OBJECT

 public:
  explicit FolderTree(QWidget* parent = nullptr);

  /// Shows a folder of a drive; false, and nothing changed, when the folder is not a readable
  /// folder at or below the root.
  bool SetLocation(const QString& root, const QString& folder);
  /// Moves to another folder of the same drive; false as for SetLocation.
  bool SetPath(const QString& folder);

  const QString& Path() const { return path_; }
  const QString& Root() const { return root_; }
  /// The path of a shown entry.
  static QString PathOf(const QTreeWidgetItem* item);

 signals:
  /// The current folder changed, by a click or by SetLocation / SetPath.
  void PathChanged();
  /// The current folder was clicked again (a request to read it afresh).
  void Reselected();

 private:
  void Rebuild();
  void OnItemChosen(QTreeWidgetItem* item);

  QString root_;
  QString path_;
};

/// True for a folder that can be entered and listed.
bool IsUsableFolder(const QString& folder);

/// A clean absolute form of a folder path ("/" separators, no trailing separator except a root).
QString CleanFolderPath(const QString& path);

/// The folder joined with a name, without doubling the separator after a root.
QString JoinFolder(const QString& folder, const QString& name);

}  // namespace tecris2nx
