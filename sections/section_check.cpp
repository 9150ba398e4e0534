#include "sections/section_check.h"

#include <algorithm>

#include "common/formatting.h"

namespace tecris2nx {
namespace {

bool HasFullWidthDigit(TextView text) {
  return std::any_of(text.begin(), text.end(), [](char32_t c) { return c >= U'０' && c <= U'９'; });
}

}  // namespace

Text Quoted(TextView text) { return U"\"" + Text(text) + U"\""; }

double RecordDepth(const SectionChecks& checks, const RecordTable& table, int value, int record) {
  const std::span<const double> depths = checks.Depths();
  const auto index = static_cast<std::size_t>(record - 1);
  return index < depths.size() ? depths[index] : NumericValueOfCp932(table.Cp932(value, record));
}

void CheckNumberText(TextView cell, bool depth, bool exponentValue, const AddFinding& add) {
  if (IsBlankOrEmpty(cell)) {
    if (depth) {
      add("T303", Severity::kWarning, U"深度が空です（0 として読まれます）。");
    }
    return;
  }
  const TextView trimmed = TrimmedView(cell);
  // A leading "*" marks a value that is not used.
  if (trimmed.front() == U'*') return;
  if (exponentValue && trimmed.find_first_of(U"Ｅｅ") != TextView::npos) return;
  const NumberReading number = ReadNumber(cell);
  if (!number.digits) {
    add("T302", Severity::kWarning,
        U"値 " + Quoted(trimmed) + U" は数値として読めません（0 として読まれます）" +
            (HasFullWidthDigit(trimmed) ? U"。全角数字は数字として読まれません。" : U"。"));
    return;
  }
  if (!IsBlankOrEmpty(cell.substr(std::min(number.length, cell.size())))) {
    add("T301", Severity::kWarning,
        U"値 " + Quoted(trimmed) + U" は一部だけが数値として読まれます（" +
            NumberText(number.value) + U" として扱われます）。");
  }
  if (number.underflow) {
    add("T305", Severity::kInfo,
        U"値 " + Quoted(trimmed) + U" は小さすぎるため 0 として読まれます。");
  }
}

}  // namespace tecris2nx
