#include "sections/section_gh.h"

#include "common/error.h"
#include "common/formatting.h"
#include "sections/section_records.h"

namespace tecris2nx {
namespace {

constexpr int kMaxRows = 32767;

/// Start depths are compared at single precision, so 3.0 and 3.00 (or 1.1 and 1.10) pair up.
float SingleKey(const Text& cell) { return RoundToSingle(NumericValue(cell)); }

struct MergedRow {
  Text start;
  Text end;
  Text gValue;
  Text hValue;
};

std::vector<MergedRow> Merge(const RecordTable& g, const RecordTable& h) {
  std::vector<MergedRow> rows;
  rows.reserve(static_cast<std::size_t>(g.count()) + static_cast<std::size_t>(h.count()));
  int gi = 1;
  int hi = 1;
  while (gi <= g.count() || hi <= h.count()) {
    // Once one list is done the other is taken as it stands: no key is compared with a list that
    // has nothing left, whatever depths the remaining records carry.
    bool takeG = hi > h.count();
    bool takeH = gi > g.count();
    if (!takeG && !takeH) {
      const float gKey = SingleKey(g.Cell(1, gi));
      const float hKey = SingleKey(h.Cell(1, hi));
      takeG = !(gKey > hKey);
      takeH = !(gKey < hKey);
    }
    MergedRow row;
    if (takeG) {
      row.start = g.Cell(1, gi);
      row.end = g.Cell(2, gi);
      row.gValue = g.Cell(3, gi);
    } else {
      row.start = h.Cell(1, hi);
      row.end = h.Cell(2, hi);
    }
    if (takeH) row.hValue = h.Cell(3, hi);
    if (takeG) ++gi;
    if (takeH) ++hi;
    rows.push_back(std::move(row));
  }
  return rows;
}

}  // namespace

void ReadSectionGH(FieldReader& in, RecordTable& table, char32_t letter) {
  in.ReadField();
  in.ReadField();
  const std::int16_t count = ReadCount(in);
  // Only the exact letter doubles as the first record's opening field; anything else is extra.
  ReadOpenedRecords(in, table, 3, count, in.ReadField() == Text(1, letter));
}

void ReadSectionG(FieldReader& in, RecordTable& table) { ReadSectionGH(in, table, U'G'); }

void ReadSectionH(FieldReader& in, RecordTable& table) { ReadSectionGH(in, table, U'H'); }

TextLines L201Lines(const RecordTable& g, const RecordTable& h) {
  if (g.count() + h.count() > kMaxRows) {
    throw ConversionError(U"セクション G と H の件数の合計が多すぎます（G: " +
                          DecimalText(g.count()) + U" 件、H: " + DecimalText(h.count()) +
                          U" 件、合計は 32767 件まで）。");
  }
  const std::vector<MergedRow> rows = Merge(g, h);
  TextLines lines;
  lines.reserve(rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const MergedRow& row = rows[i];
    // An empty end depth counts as 0, giving the negative start depth as the length.
    const Text length = NumberText(NumericValue(row.end) - NumericValue(row.start));
    Text line = RightPad4(IntegerText(static_cast<std::int16_t>(i + 1)));
    line += U',';
    line += FormatDepth(length);
    line += U',';
    line += FormatDepth(row.start);
    line += U",,,";
    line += NumberOrEmpty(row.gValue);
    line += U",,,,";
    line += NumberOrEmpty(row.hValue);
    line += U",,,,,";
    lines.push_back(std::move(line));
  }
  return lines;
}

void WriteL201File(const OutputContext& out, const RecordTable& g, const RecordTable& h) {
  out.WriteLines(U"L201.txt", L201Lines(g, h));
}

}  // namespace tecris2nx
