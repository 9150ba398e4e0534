#include "run/pattern_reads.h"

namespace tecris2nx {

EntryKind PatternReadsOnce::KindOf(const Text& path) const {
  if (!InPatterns(path)) return fs_.KindOf(path);
  if (const auto known = kinds_.find(path); known != kinds_.end()) return known->second;
  const EntryKind kind = fs_.KindOf(path);
  kinds_.emplace(path, kind);
  return kind;
}

std::string PatternReadsOnce::ReadAll(const Text& path) const {
  if (!InPatterns(path)) return fs_.ReadAll(path);
  if (const auto known = bytes_.find(path); known != bytes_.end()) return known->second;
  // A read that fails is not kept: the next one asks again, and says why again.
  return bytes_.emplace(path, fs_.ReadAll(path)).first->second;
}

}  // namespace tecris2nx
