#include "report/write_report.h"

#include <exception>

#include "common/error.h"
#include "report/data_files.h"
#include "report/report_html.h"
#include "run/ordered_batch.h"
#include "run/repeated_jobs.h"

namespace tecris2nx::report {

const std::vector<TextView> kReportFiles = {U"index.csv", U"boreholes.geojson", U"boreholes.kml",
                                            U"report.html"};
const TextView kReportPdf = U"report.pdf";

namespace {

Text ErrorText(std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const ConversionError& e) {
    return e.message();
  } catch (const std::exception& e) {
    return FromUtf8(e.what());
  }
}

/// Check mode's finding for a file whose identifier an earlier one had, first as there.
void NoteRepeatedIdentifier(BoreholeEntry& entry, const Text& earlier) {
  if (earlier.empty()) return;
  ++entry.findings[static_cast<std::size_t>(Severity::kWarning)];
  entry.listed.insert(entry.listed.begin(),
                      {Severity::kWarning, 0, 0,
                       U"T110 " + RepeatedJobNotice(entry.identifier, ShownName(earlier))});
  if (entry.listed.size() > kListedFindings) entry.listed.pop_back();
}

}  // namespace

ReportOutcome WriteDeliveryReport(FileSystem& fs, const std::vector<Text>& files,
                                  const Text& folder, const ReportSettings& settings,
                                  const ReportRun& run) {
  ReportOutcome outcome;
  outcome.files = files.size();
  std::vector<BoreholeEntry> entries(files.size());
  SoilStatistics soils;
  RepeatedJobs identifiers;
  ConvertInOrder(
      files.size(), run.workers, fs,
      [&](std::size_t i, FileTurn& turn) {
        entries[i] = ReadBoreholeEntry(turn.fs(), files[i], settings);
      },
      [&](std::size_t i, std::exception_ptr error) {
        if (error) {
          entries[i].failure = ErrorText(error);
          if (entries[i].failure.empty()) entries[i].failure = U"読めません。";
        }
        NoteRepeatedIdentifier(entries[i], identifiers.Earlier(files[i], entries[i].identifier));
        soils.Add(entries[i]);
        if (!entries[i].Converts()) ++outcome.failed;
        if (OnMap(entries[i])) ++outcome.placed;
        if (run.fileDone && !run.fileDone(i, entries[i])) outcome.stopped = true;
        return !outcome.stopped;
      });
  if (outcome.stopped) return outcome;

  if (fs.KindOf(folder) == EntryKind::kNone) fs.MakeFolder(folder);
  const std::unique_ptr<FileSet> set = fs.BeginFiles(folder);
  const Datum datum = settings.datum;
  set->Begin(Text(kReportFiles[0]));
  set->Append(IndexCsvHeader());
  for (const BoreholeEntry& entry : entries) set->Append(IndexCsvRow(entry, datum));
  set->Begin(Text(kReportFiles[1]));
  set->Append(GeoJsonHeader(datum));
  bool first = true;
  for (const BoreholeEntry& entry : entries) {
    const std::string feature = GeoJsonFeature(entry, datum, first);
    if (!feature.empty()) first = false;
    set->Append(feature);
  }
  set->Append(GeoJsonFooter());
  set->Begin(Text(kReportFiles[2]));
  set->Append(KmlHeader(datum));
  for (const BoreholeEntry& entry : entries) set->Append(KmlPlacemark(entry, datum));
  set->Append(KmlFooter());
  const auto append = [&](std::string_view bytes) { set->Append(bytes); };
  set->Begin(Text(kReportFiles[3]));
  WriteReportHtml(entries, soils, settings, append);
  if (run.pdf) {
    set->Begin(Text(kReportPdf));
    run.pdf(ReportDocument(entries, soils, settings), append);
  }
  outcome.written = set->names();
  set->Commit();
  return outcome;
}

}  // namespace tecris2nx::report
