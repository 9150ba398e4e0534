#include "app/window/details_list.h"

#include <algorithm>
#include <utility>

#include "app/window/folder_paths.h"

namespace tecris2nx {
namespace {

/// The first line of a failed file's lines carries this mark.
const Text kFailedMark = U"× ";

}  // namespace

Text FailureReason(const FileReport& report) {
  if (report.outcome != FileOutcome::kNoJobName) return report.error;
  if (report.error.rfind(kBadFileMessage, 0) == 0) return report.error;
  return kBadFileMessage + U"（" + report.error + U"）";
}

Text WarningLine(const Text& text) { return U"  注意: " + text; }

void DetailsList::AddConverted(const FileReport& report, char32_t separator,
                               const std::vector<Text>& warnings) {
  const Text name = FileNameOf(report.inputPath, separator);
  AddFile(name, ReportLines(name, report, U"ダブルクリックで箇所を表示します"), false,
          KeptFindings(name, report.findings), warnings);
}

void DetailsList::AddFailed(const FileReport& report, char32_t separator,
                            const std::vector<Text>& warnings) {
  const Text name = FileNameOf(report.inputPath, separator);
  Text first = kFailedMark + name + U": " + FailureReason(report);
  std::replace(first.begin(), first.end(), U'\n', U' ');
  std::vector<Text> lines{std::move(first)};
  if (report.outcome == FileOutcome::kFailed && !report.jobName.empty()) {
    Text written = U"  書き出したファイル:";
    if (report.written.empty()) written += U" なし";
    for (const Text& file : report.written) written += U" " + file;
    lines.push_back(written + U"（これより後のセクションは変換していません）");
  }
  if (report.warnings > 0) {
    lines.push_back(U"  警告 " + DecimalText(static_cast<long long>(report.warnings)) +
                    U" 件（ダブルクリックで箇所を表示します）");
  }
  AddFile(name, std::move(lines), true, KeptFindings(name, report.findings), warnings);
}

void DetailsList::AddBatchError(const Text& problem) {
  AddFile(Text(), {kFailedMark + problem}, true, KeptFindings(Text(), {}));
}

void DetailsList::AddFile(const Text& name, std::vector<Text> lines, bool failed,
                          KeptFindings findings, const std::vector<Text>& warnings) {
  int owner = -1;
  if (!findings.empty()) {
    findings_.push_back(std::move(findings));
    owner = static_cast<int>(findings_.size() - 1);
  }
  const std::size_t firstLine = lines_.size();
  for (Text& line : lines) lines_.push_back({std::move(line), failed, owner, name});
  for (const Text& warning : warnings) {
    lines_.push_back({WarningLine(warning), failed, owner, name, false, true});
  }
  if (firstLine < lines_.size()) lines_[firstLine].first = true;
}

void DetailsList::AddLines(std::vector<Text> lines) {
  for (Text& line : lines) lines_.push_back({std::move(line), false, -1, Text()});
}

Text DetailsList::CopyText(const std::vector<int>& rows) const {
  const auto copied = [this](std::size_t shown) {
    const Line& line = lines_[shown_[shown]];
    if (line.first || line.file.empty()) return line.text + U'\n';
    return line.file + U": " + TrimBlanks(line.text) + U'\n';
  };
  Text text;
  if (rows.empty()) {
    for (std::size_t i = 0; i < shown_.size(); ++i) text += copied(i);
  }
  for (int row : rows) {
    if (row >= 0 && static_cast<std::size_t>(row) < shown_.size()) {
      text += copied(static_cast<std::size_t>(row));
    }
  }
  return text;
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
