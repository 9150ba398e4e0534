#pragma once

#include <optional>

#include "app/window/window_view.h"

namespace tecris2nx {

/// Where the window opens: the remembered place when enough of it lies on the screen's area,
/// else `start` centred on the area. Either way the size is fitted into the area (never below
/// `minimum` unless the area itself is smaller) and the window moved so that all of it shows:
/// a place remembered on a larger screen must not cut off the buttons on a smaller one.
WindowGeometry FitWindow(const std::optional<WindowGeometry>& remembered,
                         const WindowGeometry& area, const WindowGeometry& minimum,
                         const WindowGeometry& start);

}  // namespace tecris2nx
