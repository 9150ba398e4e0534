#include "sections/section_gh.h"

#include "common/error.h"
#include "common/formatting.h"
#include "sections/section_records.h"

namespace tecris2nx {
namespace {

constexpr int kMaxRows = 32767;

/// Start depths are compared at single precision, so 3.0 and 3.00 (or 1.1 and 1.10) pair up.
std::vector<float> StartKeys(const RecordTable& table) {
  std::vector<float> keys;
  keys.reserve(static_cast<std::size_t>(table.count()));
  RecordTable::Record cells;
  for (int r = 1; r <= table.count(); ++r) {
    table.ReadRecord(r, cells);
    keys.push_back(RoundToSingle(cells.Number(1)));
  }
  return keys;
}

/// The records of one merged row: the G record giving start, end and the G value, or failing that
/// the H record giving start and end; the H record whose value is written. 0 for none.
struct MergedRow {
  int g = 0;
  int h = 0;
  bool compared = false;  ///< the two lists' next start keys were compared to make the row
};

std::vector<MergedRow> Merge(const RecordTable& g, const RecordTable& h) {
  const std::vector<float> gKeys = StartKeys(g);
  const std::vector<float> hKeys = StartKeys(h);
  std::vector<MergedRow> rows;
  rows.reserve(gKeys.size() + hKeys.size());
  int gi = 1;
  int hi = 1;
  while (gi <= g.count() || hi <= h.count()) {
    // Once one list is done the other is taken as it stands: no key is compared with a list that
    // has nothing left, whatever depths the remaining records carry.
    bool takeG = hi > h.count();
    bool takeH = gi > g.count();
    if (!takeG && !takeH) {
      const float gKey = gKeys[static_cast<std::size_t>(gi - 1)];
      const float hKey = hKeys[static_cast<std::size_t>(hi - 1)];
      takeG = !(gKey > hKey);
      takeH = !(gKey < hKey);
    }
    MergedRow row;
    row.compared = gi <= g.count() && hi <= h.count();
    if (takeG) row.g = gi++;
    if (takeH) row.h = hi++;
    rows.push_back(row);
  }
  return rows;
}

}  // namespace

void ReadSectionGH(FieldReader& in, RecordTable& table, char32_t letter) {
  in.ReadField();
  in.ReadField();
  const std::int16_t count = ReadCount(in);
  // Only the exact letter doubles as the first record's opening field; anything else is extra.
  ReadOpenedRecords(in, table, kSectionGHShape, count, in.ReadField() == Text(1, letter));
}

void ReadSectionG(FieldReader& in, RecordTable& table) { ReadSectionGH(in, table, U'G'); }

void ReadSectionH(FieldReader& in, RecordTable& table) { ReadSectionGH(in, table, U'H'); }

void EvaluateL201Count(const RecordTable& g, const RecordTable& h, const ProblemSink& fail) {
  if (g.count() + h.count() <= kMaxRows) return;
  fail(ConversionError(U"セクション G と H の件数の合計が多すぎます（G: " + DecimalText(g.count()) +
                           U" 件、H: " + DecimalText(h.count()) + U" 件、合計は 32767 件まで）。",
                       ConversionProblem::kTooManyRows, ProblemPlace{U'H', 0, 0}));
}

void VisitL201Numbers(const RecordTable& g, const RecordTable& h, bool ofG,
                      const NumberVisit& visit) {
  if (g.count() + h.count() > kMaxRows) return;  // no row is made
  const RecordTable& table = ofG ? g : h;
  if (NothingToVisit(kSectionGHShape, table, 1) && NothingToVisit(kSectionGHShape, table, 2) &&
      NothingToVisit(kSectionGHShape, table, 3)) {
    return;
  }
  const std::vector<MergedRow> rows = Merge(g, h);
  // A start depth is a key once it is compared, whichever record the row then takes.
  std::vector<char> compared(static_cast<std::size_t>(table.count()) + 1, 0);
  int gi = 1;
  int hi = 1;
  for (const MergedRow& row : rows) {
    if (row.compared) compared[static_cast<std::size_t>(ofG ? gi : hi)] = 1;
    gi += row.g != 0 ? 1 : 0;
    hi += row.h != 0 ? 1 : 0;
  }
  RecordTable::Record cells;
  for (const MergedRow& row : rows) {
    const int record = ofG ? row.g : row.h;
    if (record == 0) continue;
    table.ReadRecord(record, cells);
    const bool key = compared[static_cast<std::size_t>(record)] != 0;
    visit(cells, record, 1, key ? NumberUse::kSingleKey : NumberUse::kNumber);
    // The row's depths are its G record's when it has one.
    if (ofG || row.g == 0) visit(cells, record, 2, NumberUse::kNumber);
    visit(cells, record, 3, NumberUse::kNumber);
  }
}

TextLines L201Lines(const RecordTable& g, const RecordTable& h, TextLines lines) {
  EvaluateL201Count(g, h, [](const ConversionError& e) { throw e; });
  const std::vector<MergedRow> rows = Merge(g, h);
  lines.reserve(rows.size());
  // Used again for every row: each keeps its room, so a row allocates nothing.
  RecordTable::Record gCells;
  RecordTable::Record hCells;
  Text length;
  Text scratch;
  std::string line;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const MergedRow& row = rows[i];
    if (row.g != 0) g.ReadRecord(row.g, gCells);
    if (row.h != 0) h.ReadRecord(row.h, hCells);
    const RecordTable::Record& depths = row.g != 0 ? gCells : hCells;
    // An empty end depth counts as 0, giving the negative start depth as the length.
    length.clear();
    AppendNumberText(length, depths.Number(2) - depths.Number(1));
    line.clear();
    AppendNumberColumnBytes(line, static_cast<std::int16_t>(i + 1));
    line += ',';
    AppendDepthOfText(line, length, scratch);
    line += ',';
    AppendDepthCell(line, depths, 1, scratch);
    line += ",,,";
    if (row.g != 0) AppendNumberCell(line, gCells, 3, scratch);
    line += ",,,,";
    if (row.h != 0) AppendNumberCell(line, hCells, 3, scratch);
    line += ",,,,,";
    lines.PushBytes(line);
  }
  return lines;
}

void WriteL201File(const OutputContext& out, const RecordTable& g, const RecordTable& h) {
  out.WriteLines(U"L201.txt", L201Lines(g, h, out.Lines(U"L201.txt")));
}

}  // namespace tecris2nx
