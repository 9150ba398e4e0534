#pragma once

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "common/file_system.h"
#include "sections/output_context.h"
#include "sections/section_check.h"
#include "sections/section_records.h"
#include "sections/section_storage.h"
#include "tecris/field_reader.h"

namespace tecris2nx {

/// Soil layer records: depth, soil code, soil name, colour letters, one more; only the depth is
/// read as a number.
inline constexpr RecordShape kSectionBShape{.values = 5, .numbers = 1U << 1, .depth = 1};

/// Five-value soil layer records.
void ReadSectionB(FieldReader& in, RecordTable& table);

/// The values the layer files evaluate: the soil code of each layer's first record (is it
/// zero?), the depth of each layer's last record (of soil or of colour layers).
void VisitSectionBNumbers(const RecordTable& table, const NumberVisit& visit);

/// Depths going back up or negative (T401 to T403), colour letters without a code (T502), soil
/// names the vocabulary cannot classify and missing pattern files (T501, T504). Leaves the
/// deepest layer for section D's checks.
void CheckSectionB(const RecordTable& table, SectionChecks& checks);

/// The fact CheckSectionB leaves: the deepest layer boundary, at single precision.
inline constexpr char kDeepestLayerFact[] = "deepest soil layer";

/// One entry of "XKishitu.txt": the product's code for a soil name text.
struct SoilCodeEntry {
  Text productCode;
  Text soilName;
};
using SoilCodeTable = std::vector<SoilCodeEntry>;

/// Entries of six fields each (code, name, four ignored) in the file's CP932 bytes; an entry cut
/// off by the end is dropped.
SoilCodeTable ParseSoilCodeTable(std::string bytes);

/// "XKishitu.txt" of the pattern folder; empty when the folder or the file is missing.
SoilCodeTable LoadSoilCodeTable(const FileSystem& fs, const Text& patternFolder);

/// "kishitu.txt" is in the pattern folder: without it no layer is classified.
bool HasSoilVocabulary(const FileSystem& fs, const Text& patternFolder);

/// The soil name text of a layer: its own name for "9999", else from the code's last digits.
Text SoilNameText(const Text& code, const Text& name);

struct SoilClassification {
  Text productCode;  ///< empty when the table holds no entry for the soil name text
  Text soilName;
};

/// The soil name text and the product code of its first table entry.
SoilClassification ClassifySoilName(const Text& code, const Text& name, const SoilCodeTable& table);

/// A layer as "X1.txt" and "X3.txt" merge them: the last record's depth, the first's texts.
struct MergedSoilLayer {
  Text depth;
  Text code;  ///< a zero code with a real soil name is already kFreeSoilCode
  Text name;
  int lastRecord = 0;          ///< the record the depth is taken from
  std::string_view depthCell;  ///< the depth's CP932 bytes, held as long as the table
};
struct MergedColourLayer {
  Text depth;
  Text colour;
  int lastRecord = 0;
  std::string_view depthCell;
};

using SoilLayerVisit = std::function<void(std::size_t layer, const MergedSoilLayer&)>;
using ColourLayerVisit = std::function<void(std::size_t layer, const MergedColourLayer&)>;
/// Merged layers 1, 2, ... in order, each handed over once complete (the leading records that
/// have neither code nor name, or no colour, make none); the layer holds only during the call.
void ForEachSoilLayer(const RecordTable& table, const SoilLayerVisit& visit);
void ForEachColourLayer(const RecordTable& table, const ColourLayerVisit& visit);
/// Consecutive records of equal trimmed code and name make one layer; entry 0 takes the leading
/// records that have neither and is never written.
std::vector<MergedSoilLayer> MergeSoilLayers(const RecordTable& table);
/// Consecutive records of equal trimmed colour letters make one layer; entry 0 as above.
std::vector<MergedColourLayer> MergeColourLayers(const RecordTable& table);

/// ClassifySoilName of each (code, name) worked out once: surveys name few soils, and a log of
/// thousands of layers would look each one up in the table.
class SoilClassifier {
 public:
  explicit SoilClassifier(const SoilCodeTable& codes) : codes_(codes) {}
  const SoilClassification& Classify(const Text& code, const Text& name);

 private:
  const SoilCodeTable& codes_;
  std::map<std::pair<Text, Text>, SoilClassification> known_;
  std::pair<Text, Text> key_;
};

/// The code and soil name "X1.txt" carries for merged layer `layer` (1 is the surface).
SoilClassification X1LayerSoil(std::size_t layer, const MergedSoilLayer& merged,
                               SoilClassifier& classifier, bool vocabularyPresent);

/// The colour letters "X3.txt" looks up: without a leading "*", at most the first three.
TextView ColourLettersUsed(TextView colour);

/// The lines of "X1.txt": consecutive records of equal trimmed code and name make one layer.
TextLines X1Lines(const RecordTable& table, const SoilCodeTable& codes, bool vocabularyPresent,
                  TextLines lines = {});

/// The lines of "X3.txt": consecutive records of equal trimmed colour letters make one layer.
TextLines X3Lines(const RecordTable& table, TextLines lines = {});

/// "X1.txt": merged layers with soil names and product codes.
void WriteX1File(const OutputContext& out, const RecordTable& table);

/// "X3.txt": layer colours.
void WriteX3File(const OutputContext& out, const RecordTable& table);

}  // namespace tecris2nx
