#pragma once

#include <cstdint>
#include <vector>

#include "sections/output_context.h"
#include "sections/section_check.h"
#include "sections/section_records.h"
#include "sections/section_storage.h"
#include "tecris/field_reader.h"

namespace tecris2nx {

/// One line of "X1.txt": the lower boundary of a soil layer and what lies above it.
struct SoilLayer {
  float depth = 0;  ///< compared in single precision, like the record depths
  Text productCode;
  Text soilName;
};

/// 23-value test records: a number, the depth, a second depth, numbers; values 22 and 23 by the
/// exponent rule.
inline constexpr RecordShape kSectionDShape{
    .values = 23, .depth = 2, .end = 3, .endKind = EndKind::kSecondDepth, .exponents = {22, 23}};

void ReadSectionD(FieldReader& in, RecordTable& table);

/// The values the two files evaluate: every one, the depth as the key of the layer lookup (at
/// single precision), value 19 only beside a value 18 (an angle's sixtieths).
void VisitSectionDNumbers(const RecordTable& table, const NumberVisit& visit);

/// A sample below the deepest soil layer (T404), when section B was read.
void CheckSectionD(const RecordTable& table, SectionChecks& checks);

/// Layers of a decoded "X1.txt" (every character one CP932 has), one per non-empty line: number,
/// depth, code, then the soil name as the rest of the line (so a comma inside the name shifts
/// nothing).
std::vector<SoilLayer> ParseLayerTable(TextView content);

/// The layers of an "X1.txt" as they are looked up: tens of thousands of layers name a few soils,
/// so each distinct soil is kept once and a layer is its depth and the soil's index.
struct LayerTable {
  std::vector<SoilLayer> soils;  ///< distinct (code, name) in order of first use; depth unused
  std::vector<float> depths;
  std::vector<std::uint32_t> soilOf;  ///< per layer, its soil in `soils`
};

/// ParseLayerTable of the file's CP932 bytes into a LayerTable.
LayerTable ParseLayerTableBytes(std::string_view bytes);

/// The layers of the job folder's "X1.txt"; none when it does not exist.
LayerTable ReadLayerTable(const OutputContext& out);

/// Finds a record's layer among many: a binary search instead of a walk over every layer.
class LayerLookup {
 public:
  /// The layers must outlive the lookup.
  explicit LayerLookup(const std::vector<SoilLayer>& layers);
  /// Takes the table's depths and soil indices, which it leaves empty; soils are found in the
  /// table, which must outlive the lookup. Nothing is copied: the lists are large and fresh
  /// memory costs page faults.
  explicit LayerLookup(LayerTable& table);
  /// The first layer, in file order, deeper than the depth cell (its soil, from a table); nullptr
  /// when there is none.
  const SoilLayer* Find(TextView depthCell) const;
  /// The same for the cell's NumericValue.
  const SoilLayer* FindValue(double depth) const;

 private:
  /// Turns each layer's depth into the deepest boundary among the layers up to it.
  void ReachDeepest();
  std::vector<float> reach_;           ///< deepest boundary among the layers up to each one
  std::vector<std::uint32_t> soilOf_;  ///< each layer's, in soils_
  const SoilLayer* soils_ = nullptr;
};

/// "ＵＵ", "ＣＵ", "ＵＣ", "ＣＤ" for the values 1 to 4; empty for anything else.
Text ConditionCode(TextView cell);

/// A whole value followed by digits 3 to 5 of the text of sixtieths / 60; empty without a whole.
Text AngleText(TextView wholeCell, TextView sixtiethsCell);
void AppendAngleText(Text& out, TextView wholeCell, TextView sixtiethsCell);

/// The lines of "X100.txt": 43 fields each, ending in ",".
TextLines X100Lines(const RecordTable& table, const LayerLookup& lookup, TextLines lines = {});
TextLines X100Lines(const RecordTable& table, const std::vector<SoilLayer>& layers);

/// The lines of "X100A.txt": 7 fields each. Throws ConversionError naming record and value when an
/// exponent value lies outside the single-precision range.
TextLines X100ALines(const RecordTable& table, TextLines lines = {});

/// "X100.txt"; reads the job folder's "X1.txt" back for the soil layer of each record.
void WriteX100File(const OutputContext& out, const RecordTable& table);

/// "X100A.txt"; values 22 and 23 through ExponentNumber.
void WriteX100AFile(const OutputContext& out, const RecordTable& table);

}  // namespace tecris2nx
