#include "report/delivery.h"

#include <algorithm>

#include "check/file_notices.h"
#include "common/error.h"
#include "run/boring_log_file.h"
#include "tecris/path_check.h"
#include "tecris/path_helpers.h"

namespace tecris2nx::report {
namespace {

void TakeCheck(BoreholeEntry& entry, const FileCheck& check) {
  for (const Severity severity : {Severity::kError, Severity::kWarning, Severity::kInfo}) {
    entry.findings[static_cast<std::size_t>(severity)] = check.Count(severity);
  }
  for (const Finding& finding : check.findings) {
    if (entry.listed.size() == kListedFindings) break;
    entry.listed.push_back({finding.severity, finding.line, finding.column,
                            FromUtf8(finding.code) + U" " + finding.message});
  }
}

}  // namespace

double BoreholeEntry::Deepest() const {
  double deepest = 0;
  for (const boringlog::LogLayer& layer : layers) deepest = std::max(deepest, layer.bottom);
  return deepest;
}

std::optional<double> BoreholeEntry::LargestN() const {
  std::optional<double> largest;
  for (const boringlog::LogPenetration& test : tests) {
    largest = std::max(largest.value_or(DesignN(test)), DesignN(test));
  }
  return largest;
}

BoreholeEntry ReadBoreholeEntry(const FileSystem& fs, const Text& path,
                                const ReportSettings& settings) {
  BoreholeEntry entry;
  entry.fileName = FileNameOf(path);
  try {
    SourceEncoding encoding = SourceEncoding::kCp932;
    IdentifiedFile file = OpenIdentifiedFile(fs, path, settings.encoding, encoding);
    entry.identifier = file.jobName;
    CheckSettings checking{settings.patternFolder, HostPathStyle()};
    checking.encoding = settings.encoding;
    boringlog::CheckedBorehole read = boringlog::ReadCheckedBorehole(
        std::move(file.content), path, {fs, settings.patternFolder}, checking);
    if (read.check) {
      AddFileNotices(*read.check, encoding, false);
      TakeCheck(entry, *read.check);
    }
    boringlog::Borehole& hole = read.hole;
    entry.title = std::move(hole.title);
    entry.latitudeCode = std::move(hole.latitudeCode);
    entry.longitudeCode = std::move(hole.longitudeCode);
    entry.position = ReadPosition(entry.latitudeCode, entry.longitudeCode, settings.datum);
    if (read.problem) throw *read.problem;
    entry.hasLayers = hole.hasLayers;
    entry.layers = std::move(hole.layers);
    // The column draws from the file's code and name; the classified name is the log's alone.
    for (boringlog::LogLayer& layer : entry.layers) Text().swap(layer.soilName);
    entry.colours = std::move(hole.colours);
    entry.tests = std::move(hole.penetrations);
    entry.bearingTop = BearingLayerTop(entry.tests);
  } catch (const ConversionError& e) {
    entry.failure = e.message();
    if (entry.failure.empty()) entry.failure = U"変換できません。";
  }
  return entry;
}

void SoilStatistics::Add(const BoreholeEntry& entry) {
  if (!entry.Converts()) return;
  for (const boringlog::LogPenetration& test : entry.tests) {
    const Text soil(SoilClassAt(entry.layers, test.depth));
    auto row =
        std::find_if(rows_.begin(), rows_.end(), [&](const Row& r) { return r.soilClass == soil; });
    if (row == rows_.end()) row = rows_.insert(rows_.end(), Row{soil, {}});
    row->stats.Add(test);
  }
}

}  // namespace tecris2nx::report
