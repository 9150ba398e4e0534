#pragma once

#include "app/window/window_model.h"
#include "common/file_system.h"

namespace tecris2nx::win32 {

/// The window model's surroundings on this Windows host: the drives of GetLogicalDrives, the
/// process's current folder, the Documents known folder, the system's double-click time, the
/// pattern-data lookup (quick places on the window thread, the walk of the drives on a worker)
/// and the settings file in %LOCALAPPDATA%\tecris2nx.
WindowEnvironment HostWindowEnvironment(FileSystem& fs, PostToWindow post, PostToWindowLater later);

}  // namespace tecris2nx::win32
