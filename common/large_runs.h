#pragma once

#include <cstddef>
#include <memory>

namespace tecris2nx {

/// The size of a large run of memory.
inline constexpr std::size_t kLargeRunBytes = std::size_t{2} << 20;

/// Frees a run that TakeLargeRun gave.
struct LargeRunRelease {
  void operator()(char* run) const;
};
using LargeRun = std::unique_ptr<char, LargeRunRelease>;

/// kLargeRunBytes of memory straight from the system, which may back it with large pages: a table
/// of megabytes then costs a few page faults rather than one for every 4 KiB of it. Its bytes are
/// not cleared. Null when the system has no such memory to give.
LargeRun TakeLargeRun();

}  // namespace tecris2nx
