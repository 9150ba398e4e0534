#pragma once

#include <cstdint>
#include <vector>

#include "sections/output_context.h"
#include "sections/section_records.h"
#include "sections/section_storage.h"
#include "tecris/field_reader.h"

namespace tecris2nx {

/// What section F keeps until its file is written.
struct SectionFData {
  RecordTable table;
  std::int16_t kind8 = 0;
};

/// Interval records: start, end, a value by the exponent rule.
inline constexpr RecordShape kSectionFShape{.values = 3,
                                            .opened = true,
                                            .depth = 1,
                                            .end = 2,
                                            .endKind = EndKind::kIntervalEnd,
                                            .exponents = {3, 0}};

/// Three-value interval records and the kind flag (1 when the kind field's value is 8). Throws
/// ConversionError for a kind beyond the range of any number: whether it is 8 cannot be told.
void ReadSectionF(FieldReader& in, RecordTable& table, std::int16_t& kind8);

/// The lines of "L204.txt". Throws ConversionError naming the record whose value is out of range.
TextLines L204Lines(const RecordTable& table, std::int16_t kind8, TextLines lines = {});

/// "L204.txt".
void WriteL204File(const OutputContext& out, const RecordTable& table, std::int16_t kind8);

}  // namespace tecris2nx
