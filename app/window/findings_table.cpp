#include "app/window/findings_table.h"

#include <algorithm>
#include <map>
#include <numeric>
#include <tuple>

namespace tecris2nx {

namespace {

/// Distinct findings kept per file; `tecris2nx check` shows them all.
constexpr std::size_t kKeptRows = 500;

/// Columns whose cells are numbers and sort as such.
constexpr bool kNumeric[] = {true, true, false, false, false, true, false, true};

Text SeverityText(Severity severity) {
  switch (severity) {
    case Severity::kError:
      return U"エラー";
    case Severity::kWarning:
      return U"警告";
    case Severity::kInfo:
      break;
  }
  return U"情報";
}

Text Number(long long n) { return n > 0 ? FromUtf8(std::to_string(n)) : Text(); }

long long NumberOf(const Text& cell) {
  long long n = 0;
  for (char32_t c : cell) {
    if (c < U'0' || c > U'9') break;
    n = n * 10 + (c - U'0');
  }
  return cell.empty() ? -1 : n;
}

/// A cell on one line of the clipboard text.
Text CellText(Text cell) {
  std::replace_if(
      cell.begin(), cell.end(), [](char32_t c) { return c == U'\t' || c == U'\n' || c == U'\r'; },
      U' ');
  return cell;
}

}  // namespace

KeptFindings::KeptFindings(Text fileName, const std::vector<Finding>& findings)
    : fileName_(std::move(fileName)), total_(findings.size()) {
  std::map<std::tuple<long long, long long, std::string, int, char32_t, int, Text>, std::size_t>
      seen;
  for (const Finding& f : findings) {
    const auto key = std::make_tuple(f.line, f.column, f.code, static_cast<int>(f.severity),
                                     f.section, f.record, f.message);
    const auto known = seen.find(key);
    if (known != seen.end()) {
      ++rows_[known->second].count;
      continue;
    }
    if (rows_.size() == kKeptRows) {
      ++leftOut_;
      continue;
    }
    seen.emplace(key, rows_.size());
    rows_.push_back(
        {f.code, f.severity, f.section, f.record, f.line, f.column, ToUtf8(f.message), 1});
  }
  rows_.shrink_to_fit();
}

FindingsTable KeptFindings::Table() const {
  FindingsTable table;
  table.title = fileName_ + U" の指摘 " + FromUtf8(std::to_string(total_)) + U" 件";
  table.fileName = fileName_;
  table.headings = {U"行", U"列", U"重要度", U"コード", U"セクション", U"記録", U"内容", U"件数"};
  for (const Row& r : rows_) {
    table.rows.push_back({Number(r.line), Number(r.column), SeverityText(r.severity),
                          FromUtf8(r.code), r.section ? Text(1, r.section) : Text(),
                          Number(r.record), FromUtf8(r.message),
                          Number(static_cast<long long>(r.count))});
  }
  if (leftOut_ > 0) {
    table.note = U"…ほか " + FromUtf8(std::to_string(leftOut_)) +
                 U" 件（tecris2nx check ですべて表示します）";
  }
  return table;
}

std::vector<std::size_t> SortFindingRows(const FindingsTable& table, std::size_t column,
                                         bool ascending) {
  std::vector<std::size_t> order(table.rows.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  const bool numeric = column < std::size(kNumeric) && kNumeric[column];
  const auto cell = [&](std::size_t row) -> const Text& { return table.rows[row].at(column); };
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    const bool less = numeric ? NumberOf(cell(a)) < NumberOf(cell(b)) : cell(a) < cell(b);
    const bool greater = numeric ? NumberOf(cell(b)) < NumberOf(cell(a)) : cell(b) < cell(a);
    return ascending ? less : greater;
  });
  return order;
}

Text FindingsCopyText(const FindingsTable& table, const std::vector<std::size_t>& rows) {
  const auto line = [](const std::vector<Text>& cells) {
    Text out;
    for (std::size_t i = 0; i < cells.size(); ++i) {
      if (i > 0) out += U'\t';
      out += CellText(cells[i]);
    }
    return out + U'\n';
  };
  // Pasted beside another file's findings, each row still says whose it is.
  const bool named = !table.fileName.empty();
  const auto withFile = [&](const Text& first, const std::vector<Text>& cells) {
    if (!named) return line(cells);
    std::vector<Text> all{first};
    all.insert(all.end(), cells.begin(), cells.end());
    return line(all);
  };
  Text text = withFile(U"ファイル", table.headings);
  if (rows.empty()) {
    for (const auto& row : table.rows) text += withFile(table.fileName, row);
  } else {
    for (std::size_t i : rows) {
      if (i < table.rows.size()) text += withFile(table.fileName, table.rows[i]);
    }
  }
  return text;
}

}  // namespace tecris2nx
