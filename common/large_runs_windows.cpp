#include <new>

#include "common/large_runs.h"

namespace tecris2nx {

// Large pages on Windows need a privilege that users do not hold: the runs are ordinary memory.

void LargeRunRelease::operator()(char* run) const { delete[] run; }

LargeRun TakeLargeRun() { return LargeRun(new (std::nothrow) char[kLargeRunBytes]); }

}  // namespace tecris2nx
