#include "report/write_report.h"

#include <exception>

#include "common/error.h"
#include "report/data_files.h"
#include "report/report_html.h"
#include "run/boring_log_file.h"
#include "run/convert_file.h"
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
    return UnexpectedErrorText(e.what());
  }
}

/// Check mode's finding for a file whose identifier an earlier one had, first as there.
void NoteRepeatedIdentifier(BoreholeEntry& entry, const Text& earlier) {
  if (earlier.empty()) return;
  const Finding finding = RepeatedJobFinding(entry.identifier, earlier);
  ++entry.findings[static_cast<std::size_t>(finding.severity)];
  // At the file's start, as check mode places a finding about the whole file.
  entry.listed.insert(entry.listed.begin(),
                      {finding.severity, 1, 1, FromUtf8(finding.code) + U" " + finding.message});
  if (entry.listed.size() > kListedFindings) entry.listed.pop_back();
}

/// Thrown out of the writing when the run is stopped: the file set is dropped unwritten.
struct Stopped {};

/// Writes the report's files together; `check` throws Stopped to leave the folder as it was.
void WriteFiles(FileSystem& fs, const Text& folder, const std::vector<BoreholeEntry>& entries,
                const SoilStatistics& soils, const ReportSettings& settings, const ReportRun& run,
                const std::function<void()>& check, ReportOutcome& outcome) {
  const std::unique_ptr<FileSet> set = fs.BeginFiles(folder);
  const auto append = [&](std::string_view bytes) {
    check();
    set->Append(bytes);
  };
  const Datum datum = settings.datum;
  set->Begin(Text(kReportFiles[0]));
  append(IndexCsvHeader());
  for (const BoreholeEntry& entry : entries) append(IndexCsvRow(entry, datum));
  set->Begin(Text(kReportFiles[1]));
  append(GeoJsonHeader(datum));
  bool first = true;
  for (const BoreholeEntry& entry : entries) {
    const std::string feature = GeoJsonFeature(entry, datum, first);
    if (!feature.empty()) first = false;
    append(feature);
  }
  append(GeoJsonFooter());
  set->Begin(Text(kReportFiles[2]));
  append(KmlHeader(datum));
  for (const BoreholeEntry& entry : entries) append(KmlPlacemark(entry, datum));
  append(KmlFooter());
  set->Begin(Text(kReportFiles[3]));
  WriteReportHtml(entries, soils, settings, append);
  if (run.pdf) {
    set->Begin(Text(kReportPdf));
    run.pdf(ReportDocument(entries, soils, settings), append);
  }
  check();
  outcome.written = set->names();
  set->Commit();
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
          // The entry may be as it was made: the row still names its file.
          entries[i] = BoreholeEntry{};
          entries[i].fileName = FileNameOf(files[i]);
          entries[i].failure = ErrorText(error);
        }
        NoteRepeatedIdentifier(entries[i], identifiers.Earlier(files[i], entries[i].identifier));
        soils.Add(entries[i]);
        if (!entries[i].Converts()) ++outcome.failed;
        if (OnMap(entries[i])) ++outcome.placed;
        if (run.fileDone && !run.fileDone(i, entries[i])) outcome.stopped = true;
        return !outcome.stopped && !(run.stopped && run.stopped());
      });
  if (outcome.stopped || (run.stopped && run.stopped())) {
    outcome.stopped = true;
    return outcome;
  }
  if (fs.KindOf(folder) == EntryKind::kNone) {
    fs.MakeFolder(folder);
  } else {
    try {
      fs.MakeFolder(folder);  // what killed runs left in it goes now
    } catch (const ConversionError&) {
      // A folder that cannot be cleaned may still take the files; writing says when not.
    }
  }
  const auto check = [&] {
    if (run.stopped && run.stopped()) throw Stopped{};
  };
  try {
    WriteFiles(fs, folder, entries, soils, settings, run, check, outcome);
  } catch (const Stopped&) {
    outcome.stopped = true;
    outcome.written.clear();
  }
  return outcome;
}

}  // namespace tecris2nx::report
