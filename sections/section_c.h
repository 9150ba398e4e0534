#pragma once

#include <vector>

#include "sections/output_context.h"
#include "sections/section_records.h"
#include "sections/section_storage.h"
#include "tecris/field_reader.h"

namespace tecris2nx {

/// Three-value records: depth, a number, a number or "*".
inline constexpr RecordShape kSectionCShape{.values = 3, .depth = 1};

void ReadSectionC(FieldReader& in, RecordTable& table);

/// The values "X5.txt" evaluates: depth and second value always, the third only where the second
/// is 50 or more and the third neither blank nor starred.
void VisitSectionCNumbers(const RecordTable& table, const NumberVisit& visit);

/// The lines of "X5.txt".
TextLines X5Lines(const RecordTable& table, TextLines lines = {});

void WriteX5File(const OutputContext& out, const RecordTable& table);

}  // namespace tecris2nx
