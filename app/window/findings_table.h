#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "app/window/window_view.h"
#include "check/checker.h"
#include "common/text.h"

namespace tecris2nx {

/// A file's findings as the window keeps them until its findings window is asked for: identical
/// findings once with their count, at most a few hundred, messages as UTF-8 (a long run keeps
/// those of every file).
class KeptFindings {
 public:
  KeptFindings(Text fileName, const std::vector<Finding>& findings);

  bool empty() const { return total_ == 0; }
  /// The table the findings window shows.
  FindingsTable Table() const;

 private:
  struct Row {
    std::string code;
    Severity severity;
    char32_t section;
    int record;
    long long line;
    long long column;
    std::string message;
    std::size_t count;
  };
  Text fileName_;
  std::vector<Row> rows_;
  std::size_t total_ = 0;    ///< findings of the file, identical ones counted each
  std::size_t leftOut_ = 0;  ///< findings not kept
};

/// The order in which to show the rows sorted by `column` (numbers by value, blanks first);
/// rows that compare equal keep their order.
std::vector<std::size_t> SortFindingRows(const FindingsTable& table, std::size_t column,
                                         bool ascending);

/// The headings and the given rows (all when `rows` is empty), cells joined by tabs and rows by
/// line feeds, for the clipboard: a spreadsheet takes it as a table.
Text FindingsCopyText(const FindingsTable& table, const std::vector<std::size_t>& rows);

}  // namespace tecris2nx
