#include "app/window/details_list.h"

#include <utility>

namespace tecris2nx {

void DetailsList::AddFile(std::vector<Text> lines, bool failed, KeptFindings findings) {
  int owner = -1;
  if (!findings.empty()) {
    findings_.push_back(std::move(findings));
    owner = static_cast<int>(findings_.size() - 1);
  }
  for (Text& line : lines) lines_.push_back({std::move(line), failed, owner});
}

void DetailsList::AddLines(std::vector<Text> lines) {
  for (Text& line : lines) lines_.push_back({std::move(line), false, -1});
}

void DetailsList::Clear() {
  // The choice outlives the run: the box beside the list stays ticked.
  const bool only = failuresOnly_;
  *this = DetailsList{};
  failuresOnly_ = only;
}

std::vector<DetailLine> DetailsList::TakeNew() {
  std::vector<DetailLine> out;
  for (; given_ < lines_.size(); ++given_) {
    if (!Shown(lines_[given_])) continue;
    shown_.push_back(given_);
    out.push_back(Detail(lines_[given_]));
  }
  return out;
}

std::vector<DetailLine> DetailsList::ShowFailuresOnly(bool only) {
  failuresOnly_ = only;
  shown_.clear();
  given_ = 0;
  return TakeNew();
}

const KeptFindings* DetailsList::FindingsOfShownLine(std::size_t row) const {
  if (row >= shown_.size()) return nullptr;
  const int owner = lines_[shown_[row]].owner;
  return owner < 0 ? nullptr : &findings_[static_cast<std::size_t>(owner)];
}

}  // namespace tecris2nx
