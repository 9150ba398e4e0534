#pragma once

#include <array>
#include <optional>
#include <vector>

#include "common/file_system.h"
#include "common/source_encoding.h"
#include "log/borehole.h"
#include "report/n_values.h"
#include "report/position.h"

namespace tecris2nx::report {

/// What a report is made with besides its files.
struct ReportSettings {
  Datum datum = Datum::kJgd2011;
  Text patternFolder;  ///< ends with the separator; empty when none was found
  EncodingChoice encoding = EncodingChoice::kAuto;
  Text date;  ///< shown on the report
};

/// A finding as the report lists it.
struct ListedFinding {
  Severity severity = Severity::kWarning;
  long long line = 0;
  long long column = 0;
  Text text;  ///< code and message
};

/// Findings listed per file; the rest are only counted.
inline constexpr std::size_t kListedFindings = 5;

/// One file of the delivery: its row of the index, its place and its simplified column. Holds
/// what a row and a column need, never the file or its picture, so that a large delivery stays
/// small in memory.
struct BoreholeEntry {
  Text fileName;
  Text identifier;
  Text title;  ///< the survey name: line 1 of "titl01.txt"
  Text latitudeCode;
  Text longitudeCode;
  Position position;
  Text failure;  ///< why the conversion rejects the file; empty when it converts
  bool hasLayers = false;
  std::vector<boringlog::LogLayer> layers;
  std::vector<boringlog::LogColour> colours;
  std::vector<boringlog::LogPenetration> tests;
  std::optional<double> bearingTop;
  std::array<int, 3> findings{};  ///< errors, warnings, infos
  std::vector<ListedFinding> listed;
  bool Converts() const { return failure.empty(); }
  double Deepest() const;
  std::optional<double> LargestN() const;
};

/// Reads one file as the conversion reads it, with the whole check beside it.
BoreholeEntry ReadBoreholeEntry(const FileSystem& fs, const Text& path,
                                const ReportSettings& settings);

/// N-value statistics of the soil classes, in the order the classes are first met.
class SoilStatistics {
 public:
  /// Adds the tests of a file the conversion takes.
  void Add(const BoreholeEntry& entry);
  struct Row {
    Text soilClass;  ///< empty for tests outside every layer
    NValueStats stats;
  };
  const std::vector<Row>& Rows() const { return rows_; }

 private:
  std::vector<Row> rows_;
};

}  // namespace tecris2nx::report
