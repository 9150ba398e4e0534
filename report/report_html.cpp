#include "report/report_html.h"

#include "log/svg_writer.h"
#include "report/data_files.h"
#include "report/report_pages.h"
#include "report/report_tables.h"

namespace tecris2nx::report {
namespace {

constexpr char kStyle[] = R"(<style>
@page { size: A4 landscape; margin: 8mm; }
body { font-family: "IPAGothic", "IPAexGothic", "Yu Gothic", "Meiryo", sans-serif;
       font-size: 9pt; margin: 8mm; color: #000; }
h1 { font-size: 16pt; margin: 0 0 2mm; }
h2 { font-size: 12pt; margin: 4mm 0 2mm; break-before: page; }
p.note { margin: 0 0 2mm; color: #333; }
table { border-collapse: collapse; margin-bottom: 4mm; }
table.wide { width: 100%; }
th, td { border: 0.2mm solid #999; padding: 0.4mm 1.2mm; text-align: left; vertical-align: top; }
th { background: #eee; }
td.n { text-align: right; }
tr.failed td { color: #d01010; background: #fff0f0; }
thead { display: table-header-group; }
tr { break-inside: avoid; }
div.picture { break-inside: avoid; break-before: page; }
div.picture svg { display: block; width: auto; height: 178mm; max-width: 100%; }
@media screen { div.picture svg { height: auto; width: 100%; max-width: 297mm; } }
</style>
)";

void Table(const ReportTable& table, const std::function<void(std::string_view)>& write,
           bool newPage) {
  std::string out = newPage ? "<h2>" : "<h2 style=\"break-before: auto\">";
  out += XmlText(table.title) + "</h2>\n";
  if (!table.note.empty()) out += "<p class=\"note\">" + XmlText(table.note) + "</p>\n";
  out += table.wide ? "<table class=\"wide\">\n<thead><tr>" : "<table>\n<thead><tr>";
  for (const Text& heading : table.headings) out += "<th>" + XmlText(heading) + "</th>";
  out += "</tr></thead>\n<tbody>\n";
  write(out);
  for (const ReportTable::Row& row : table.rows) {
    out = row.failed ? "<tr class=\"failed\">" : "<tr>";
    for (std::size_t c = 0; c < row.cells.size(); ++c) {
      const bool number = c < table.numbers.size() && table.numbers[c];
      out += number ? "<td class=\"n\">" : "<td>";
      out += XmlText(row.cells[c]) + "</td>";
    }
    out += "</tr>\n";
    write(out);
  }
  write("</tbody>\n</table>\n");
}

void Picture(const Page& page, const std::function<void(std::string_view)>& write) {
  write("<div class=\"picture\">\n");
  write(boringlog::SvgElement(page));
  write("</div>\n");
}

}  // namespace

void WriteReportHtml(const std::vector<BoreholeEntry>& entries, const SoilStatistics& soils,
                     const ReportSettings& settings,
                     const std::function<void(std::string_view)>& write) {
  const Text summary = ReportSummary(entries, settings);
  write("<!DOCTYPE html>\n<html lang=\"ja\">\n<head>\n<meta charset=\"utf-8\">\n<title>");
  write(XmlText(U"ボーリング一覧表") + "</title>\n");
  write(kStyle);
  write("</head>\n<body>\n<h1>" + XmlText(U"ボーリング一覧表") + "</h1>\n<p class=\"note\">" +
        XmlText(summary) + "</p>\n");
  Table(IndexTable(entries, settings.datum), write, false);
  Picture(MapPage(entries, settings.datum), write);
  const SideBySide logs(entries);
  for (int page = 0; page < logs.PageCount(); ++page) Picture(logs.LayOutPage(page), write);
  if (logs.PageCount() == 0) {
    write("<p class=\"note\">" + XmlText(U"描ける柱状図がありません。") + "</p>\n");
  }
  Table(SoilTable(soils), write, true);
  Table(BoreholeNTable(entries), write, false);
  Table(FindingsTable(entries), write, true);
  write("</body>\n</html>\n");
}

}  // namespace tecris2nx::report
