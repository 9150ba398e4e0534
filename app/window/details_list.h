#pragma once

#include <cstddef>
#include <vector>

#include "app/window/findings_table.h"
#include "app/window/window_view.h"
#include "common/text.h"
#include "run/convert_file.h"

namespace tecris2nx {

/// The details list of one run: every line with the file it reports, the findings of those
/// files, and which lines the view shows (all, or only those of files that failed).
class DetailsList {
 public:
  /// Adds a file's lines; `findings` may be empty. The first line carries the file's mark.
  void AddFile(std::vector<Text> lines, bool failed, KeptFindings findings);
  /// Adds the lines of a file the run converted, with its findings.
  void AddConverted(const FileReport& report, char32_t separator);
  /// Adds the lines of a file the run could not convert: what went wrong, what it wrote before,
  /// its warnings.
  void AddFailed(const FileReport& report, char32_t separator);
  /// Adds the line of an error that ended the batch with no file to blame.
  void AddBatchError(const Text& problem);
  /// Adds lines that belong to no file.
  void AddLines(std::vector<Text> lines);
  /// Forgets every line and finding (a new run); showing only failures stays as chosen.
  void Clear();

  /// The lines added since the last call that the view shows; the view appends them.
  std::vector<DetailLine> TakeNew();
  /// Shows only failed lines (true) or all; returns every line the view shows now, which
  /// replace what it showed before.
  std::vector<DetailLine> ShowFailuresOnly(bool only);

  /// The findings of the file that a shown line (0 for the first) reports; null for none.
  const KeptFindings* FindingsOfShownLine(std::size_t row) const;

 private:
  struct Line {
    Text text;
    bool failed;
    int owner;  ///< index in findings_, or -1
  };
  bool Shown(const Line& line) const { return !failuresOnly_ || line.failed; }
  DetailLine Detail(const Line& line) const { return {line.text, line.failed}; }

  std::vector<Line> lines_;
  std::vector<KeptFindings> findings_;
  std::vector<std::size_t> shown_;  ///< indices in lines_ of the lines the view shows
  std::size_t given_ = 0;           ///< lines_ before this one have been offered to the view
  bool failuresOnly_ = false;
};

}  // namespace tecris2nx
