#include "report/report_tables.h"

#include <string_view>

#include "report/data_files.h"
#include "report/index_columns.h"

namespace tecris2nx::report {
namespace {

const std::vector<Text> kStatHeadings = {U"試験数", U"打ち止め", U"最小",  U"最大",
                                         U"平均",   U"標準偏差", U"代表値"};

Text OneDecimal(std::optional<double> value) { return value ? FixedText(*value, 1) : U"—"; }

/// The statistics' cells after the first; a class without tests has dashes.
std::vector<Text> StatCells(const NValueStats& s) {
  if (s.Count() == 0) return {U"0", U"0", U"—", U"—", U"—", U"—", U"—"};
  return {DecimalText(s.Count()),        DecimalText(s.Stopped()), NumberText(s.Minimum()),
          NumberText(s.Maximum()),       OneDecimal(s.Mean()),     OneDecimal(s.Deviation()),
          OneDecimal(s.Representative())};
}

void AddStatColumns(ReportTable& table) {
  for (const Text& heading : kStatHeadings) {
    table.headings.push_back(heading);
    table.widths.push_back(22);
    table.numbers.push_back(true);
  }
}

}  // namespace

Text ReportSummary(const std::vector<BoreholeEntry>& entries, const ReportSettings& settings) {
  long long failed = 0;
  long long placed = 0;
  for (const BoreholeEntry& entry : entries) {
    if (!entry.Converts()) ++failed;
    if (OnMap(entry)) ++placed;
  }
  Text summary = U"ファイル " + DecimalText(static_cast<long long>(entries.size())) +
                 U" 件（変換できないもの " + DecimalText(failed) + U" 件、位置図に載るもの " +
                 DecimalText(placed) + U" 件）　測地系: " + Text(DatumName(settings.datum));
  if (!settings.date.empty()) summary += U"　作成日: " + settings.date;
  return summary;
}

ReportTable IndexTable(const std::vector<BoreholeEntry>& entries, Datum datum) {
  ReportTable table;
  table.title = U"一覧";
  table.note = U"緯度・経度の測地系: " +
               Text(datum == Datum::kTokyo ? U"JGD2000（日本測地系から変換）" : DatumName(datum));
  std::size_t latitude = 0;
  for (const IndexColumn& column : IndexColumns()) {
    if (column.width == 0) continue;
    if (std::string_view(column.key) == "latitude") latitude = table.headings.size();
    table.headings.emplace_back(column.heading);
    table.numbers.push_back(column.number);
    table.widths.push_back(column.width);
  }
  table.wide = true;
  for (const BoreholeEntry& entry : entries) {
    ReportTable::Row row;
    for (const IndexColumn& column : IndexColumns()) {
      if (column.width != 0) row.cells.push_back(column.value(entry, datum));
    }
    // The position's note, when there is no position, goes where the position would be.
    if (!entry.position.wgs84 && entry.Converts()) {
      row.cells[latitude] = PositionNote(entry, datum);
    }
    row.failed = !entry.Converts();
    table.rows.push_back(std::move(row));
  }
  return table;
}

ReportTable SoilTable(const SoilStatistics& statistics) {
  ReportTable table;
  table.title = U"土質別の N 値";
  table.note =
      U"打ち止め（50 回）の試験は N = 50。代表値 = 平均 − 標準偏差 / 2"
      U"（標準偏差は n − 1 で割る。試験が 1 つでは求めない）";
  table.headings = {U"土質"};
  table.widths = {50};
  table.numbers = {false};
  AddStatColumns(table);
  for (const SoilStatistics::Row& soil : statistics.Rows()) {
    ReportTable::Row row;
    row.cells.push_back(soil.soilClass.empty() ? U"（土層の外）" : soil.soilClass);
    for (Text& cell : StatCells(soil.stats)) row.cells.push_back(std::move(cell));
    table.rows.push_back(std::move(row));
  }
  return table;
}

ReportTable BoreholeNTable(const std::vector<BoreholeEntry>& entries) {
  ReportTable table;
  table.title = U"孔別の N 値";
  table.headings = {U"識別子", U"ファイル"};
  table.widths = {26, 40};
  table.numbers = {false, false};
  AddStatColumns(table);
  table.headings.push_back(U"支持層上端 (m)");
  table.widths.push_back(26);
  table.numbers.push_back(true);
  for (const BoreholeEntry& entry : entries) {
    if (!entry.Converts()) continue;
    NValueStats stats;
    for (const boringlog::LogPenetration& test : entry.tests) stats.Add(test);
    ReportTable::Row row;
    row.cells = {entry.identifier, entry.fileName};
    for (Text& cell : StatCells(stats)) row.cells.push_back(std::move(cell));
    row.cells.push_back(entry.bearingTop ? FixedText(*entry.bearingTop, 2) : Text());
    table.rows.push_back(std::move(row));
  }
  return table;
}

ReportTable FindingsTable(const std::vector<BoreholeEntry>& entries) {
  ReportTable table;
  table.title = U"チェックの結果";
  table.note = U"各ファイルの最初の " + DecimalText(static_cast<long long>(kListedFindings)) +
               U" 件まで。すべては tecris2nx check で見られます。";
  table.headings = {U"ファイル", U"エラー", U"警告", U"情報", U"行", U"列", U"内容"};
  table.widths = {34, 11, 11, 11, 12, 10, 188};
  table.numbers = {false, true, true, true, true, true, false};
  table.wide = true;
  for (const BoreholeEntry& entry : entries) {
    ReportTable::Row first;
    first.cells = {entry.fileName, DecimalText(entry.findings[0]), DecimalText(entry.findings[1]),
                   DecimalText(entry.findings[2])};
    first.failed = !entry.Converts();
    if (entry.listed.empty()) {
      first.cells.insert(first.cells.end(), {Text(), Text(), entry.failure});
      table.rows.push_back(std::move(first));
      continue;
    }
    for (std::size_t i = 0; i < entry.listed.size(); ++i) {
      ReportTable::Row row;
      row.failed = first.failed;
      row.cells = i == 0 ? first.cells : std::vector<Text>(4);
      const ListedFinding& finding = entry.listed[i];
      row.cells.push_back(DecimalText(finding.line));
      row.cells.push_back(DecimalText(finding.column));
      row.cells.push_back(finding.text);
      table.rows.push_back(std::move(row));
    }
  }
  return table;
}

}  // namespace tecris2nx::report
