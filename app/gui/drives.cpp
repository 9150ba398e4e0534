#include "app/gui/drives.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStorageInfo>
#include <algorithm>

#include "app/window/folder_paths.h"

namespace tecris2nx {
namespace {

/// Kernel and runtime file systems that never hold user files.
bool IsPseudoType(const QByteArray& type) {
  static const QSet<QByteArray> kPseudo = {
      "autofs",     "binfmt_misc", "bpf",      "cgroup",   "cgroup2",         "configfs",
      "debugfs",    "devpts",      "devtmpfs", "efivarfs", "fusectl",         "hugetlbfs",
      "mqueue",     "nsfs",        "proc",     "pstore",   "rootfs",          "rpc_pipefs",
      "securityfs", "selinuxfs",   "sysfs",    "tracefs",  "fuse.gvfsd-fuse", "fuse.portal",
      "squashfs",
  };
  return kPseudo.contains(type);
}

/// System trees whose mounts (run-time state, devices, snap images) are no place for data.
bool IsSystemMount(const QString& root) {
  static const char* const kSystemTrees[] = {"/proc",    "/sys",      "/dev",  "/run",
                                             "/var/run", "/var/lock", "/snap", "/boot/efi"};
  for (const char* tree : kSystemTrees) {
    if (IsAtOrBelow(QString::fromLatin1(tree), root)) return true;
  }
  return false;
}

/// Mount tables write blanks, tabs, newlines and backslashes in names as \ and three octal digits.
QString DecodeMountName(const QByteArray& field) {
  QByteArray bytes;
  for (qsizetype i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size()) {
      const QByteArray octal = field.mid(i + 1, 3);
      bool ok = false;
      const int value = octal.toInt(&ok, 8);
      if (ok && octal.size() == 3 && value < 256) {
        bytes += static_cast<char>(value);
        i += 3;
        continue;
      }
    }
    bytes += field[i];
  }
  return QString::fromLocal8Bit(bytes);
}

/// "/" first, the rest by name.
void SortRoots(QStringList& roots) {
  std::sort(roots.begin(), roots.end(), [](const QString& a, const QString& b) {
    if (a == QLatin1String("/") || b == QLatin1String("/"))
      return a == QLatin1String("/") && b != a;
    return a < b;
  });
}

}  // namespace

bool IsAtOrBelow(const QString& root, const QString& folder) {
  return IsAtOrBelow(root.toStdU32String(), folder.toStdU32String(), U'/');
}

QStringList VolumeRootsFromMounts(const QByteArray& mountTable) {
  QStringList roots;
  for (const QByteArray& line : mountTable.split('\n')) {
    const QList<QByteArray> fields = line.simplified().split(' ');
    if (fields.size() < 3) continue;
    const QString root = DecodeMountName(fields[1]);
    if (!root.startsWith(QLatin1Char('/'))) continue;
    if (IsPseudoType(fields[2]) || IsSystemMount(root)) continue;
    if (!roots.contains(root)) roots.append(root);
  }
  // The system root is always offered, even when the table does not show it (chroots).
  if (!roots.contains(QStringLiteral("/"))) roots.append(QStringLiteral("/"));
  SortRoots(roots);
  return roots;
}

QStringList HostDriveRoots() {
  QStringList roots;
#ifdef _WIN32
  // Every drive letter is offered; one without a medium is refused when it is chosen.
  for (const QFileInfo& drive : QDir::drives()) roots.append(drive.absoluteFilePath());
#else
  QFile mounts(QStringLiteral("/proc/self/mounts"));
  QStringList candidates;
  if (mounts.open(QIODevice::ReadOnly)) {
    candidates = VolumeRootsFromMounts(mounts.readAll());
  } else {
    QByteArray table;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
      if (!volume.isValid() || !volume.isReady()) continue;
      table += "none " + volume.rootPath().toLocal8Bit().replace(' ', "\\040") + ' ' +
               volume.fileSystemType() + " ro 0 0\n";
    }
    candidates = VolumeRootsFromMounts(table);
  }
  for (const QString& root : candidates) {
    const QFileInfo info(root);
    if (info.isDir() && info.isReadable() && info.isExecutable()) roots.append(root);
  }
  if (roots.isEmpty()) roots.append(QStringLiteral("/"));
#endif
  return roots;
}

}  // namespace tecris2nx
