#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "check/byte_walker.h"
#include "common/file_system.h"
#include "common/source_encoding.h"
#include "common/text.h"
#include "sections/finding.h"
#include "sections/section_walk.h"
#include "tecris/field_reader.h"
#include "tecris/path_check.h"

namespace tecris2nx {

/// Everything found in one file.
struct FileCheck {
  Text path;
  Text jobName;                   ///< the identifier read from field 2; empty when there is none
  std::vector<Finding> findings;  ///< in file order
  /// Findings left out past the limit of one code per file, by severity.
  std::array<int, 3> leftOut{};
  /// Findings of the severity, those left out included.
  int Count(Severity severity) const;
};

struct CheckSettings {
  Text patternFolder;  ///< ends with the separator; empty when none was found
  PathStyle style = HostPathStyle();
  /// On: only the order of depths is checked (T401 to T408), and every finding is placed at the
  /// file's start: what a picture's notes show, for a fraction of the work.
  bool depthsOnly = false;
  /// On: findings are only counted, by severity (FileCheck::leftOut); none is kept, so no place
  /// or message needs to be made.
  bool countOnly = false;
  /// How the file's bytes are read (the conversion's way: whichever encoding fits).
  EncodingChoice encoding = EncodingChoice::kAuto;
};

/// Findings of one code kept per file; the rest are counted, and one info finding (T900) says how
/// many more there were.
inline constexpr int kFindingsPerCode = 100;

/// Check mode on one file, as a consumer of the walk that reads it (alone, or beside the
/// conversion) and an observer of its reader: it keeps only the places of the sections whose
/// storage the walk keeps, never the file.
class FileChecker : public SectionConsumer, public ReadObserver {
 public:
  FileChecker(const FileSystem& fs, const CheckSettings& settings);
  ~FileChecker() override;

  /// The identifier (field 2) is no usable job-folder name: reports it, reading at most two
  /// fields from `in`.
  void NoJobName(FieldReader& in);
  /// Reads the rest of the file from `in` for the checks of every byte, and gives the findings in
  /// file order. `in` must be observed by this checker from its first byte.
  FileCheck Finish(FieldReader& in, const Text& path);

  void Begin(std::size_t row) override;
  void Problem(const ConversionError& error, std::size_t row) override;
  void Read(const ReadSection& section) override;
  void Stopped(const WalkStop& stop, FieldReader& in) override;
  void Ended(const SectionStore& store) override;
  void Bytes(std::string_view bytes, std::uint64_t offset) override;
  void Field(std::uint64_t start, std::string_view bytes) override;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

/// Opens the file as the conversion does, reads it as the conversion does, writing nothing, and
/// reports what it finds.
FileCheck CheckTecrisFile(const FileSystem& fs, const Text& path, const CheckSettings& settings);

/// The findings of a file's bytes.
FileCheck CheckTecrisBytes(const FileSystem& fs, const Text& path, std::string bytes,
                           const CheckSettings& settings);

}  // namespace tecris2nx
