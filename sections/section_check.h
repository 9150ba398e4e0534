#pragma once

#include <functional>
#include <map>
#include <span>
#include <string>

#include "common/file_system.h"
#include "common/text.h"
#include "sections/finding.h"
#include "sections/section_storage.h"

namespace tecris2nx {

/// Where a section's own checks report what they find, and what they may look at. Check mode
/// gives one for each section read.
class SectionChecks {
 public:
  virtual ~SectionChecks() = default;
  /// A finding at a record's value (value 0: the record's first field); for a section without
  /// records, record 0 and `value` the field of the section.
  virtual void Add(const char* code, Severity severity, int record, int value, Text message) = 0;
  /// A finding at the section's marker.
  virtual void AddAtMarker(const char* code, Severity severity, Text message) = 0;
  virtual const FileSystem& Files() const = 0;
  /// Ends with the separator; empty when no pattern data was found.
  virtual const Text& PatternFolder() const = 0;
  /// What one section's checks leave for a later section's.
  virtual std::map<std::string, double, std::less<>>& Facts() = 0;
  /// Only the order of depths is wanted (T401 to T408).
  virtual bool DepthsOnly() const { return false; }
  /// False: findings are only counted, and Add may be given an empty message.
  virtual bool KeepsMessages() const { return true; }
  /// Each record's depth as the checks common to every section read it (NumericValueOfCp932 of
  /// its depth value); empty when they did not.
  virtual std::span<const double> Depths() const { return {}; }
};

/// Record `record`'s depth, value `value` of `table`: as the common checks read it, or read here
/// when they did not.
double RecordDepth(const SectionChecks& checks, const RecordTable& table, int value, int record);

/// Adds one finding at the place its caller knows.
using AddFinding = std::function<void(const char* code, Severity severity, Text message)>;

/// The checks of a value read as a number: not a number (T302), read in part (T301), too small
/// (T305), and for a depth, blank (T303).
void CheckNumberText(TextView cell, bool depth, bool exponentValue, const AddFinding& add);

/// The text in quotes, as findings show values.
Text Quoted(TextView text);

}  // namespace tecris2nx
