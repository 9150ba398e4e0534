#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace tecris2nx {

/// Mount points worth offering as drives, read from a mount table (/proc/self/mounts): pseudo and
/// system file systems left out, each root once, "/" first and the rest in name order.
QStringList VolumeRootsFromMounts(const QByteArray& mountTable);

/// The drives of this host: readable volume roots (POSIX) or drive roots such as "C:/" (Windows).
QStringList HostDriveRoots();

/// True when the folder lies at or below the root (matched at a folder boundary).
bool IsAtOrBelow(const QString& root, const QString& folder);

}  // namespace tecris2nx
