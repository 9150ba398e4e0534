#include <sys/mman.h>

#include <cstdint>

#include "common/large_runs.h"

namespace tecris2nx {

void LargeRunRelease::operator()(char* run) const { ::munmap(run, kLargeRunBytes); }

LargeRun TakeLargeRun() {
  // A large page must start on a boundary of its size: map twice the size and keep the aligned
  // part.
  void* mapped = ::mmap(nullptr, 2 * kLargeRunBytes, PROT_READ | PROT_WRITE,
                        MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) return nullptr;
  char* const start = static_cast<char*>(mapped);
  const auto address = reinterpret_cast<std::uintptr_t>(start);
  char* const aligned = start + ((kLargeRunBytes - address % kLargeRunBytes) % kLargeRunBytes);
  if (aligned > start) ::munmap(start, static_cast<std::size_t>(aligned - start));
  char* const end = aligned + kLargeRunBytes;
  if (end < start + 2 * kLargeRunBytes) {
    ::munmap(end, static_cast<std::size_t>(start + 2 * kLargeRunBytes - end));
  }
#ifdef MADV_HUGEPAGE
  ::madvise(aligned, kLargeRunBytes, MADV_HUGEPAGE);  // only a wish: small pages work as well
#endif
  return LargeRun(aligned);
}

}  // namespace tecris2nx
