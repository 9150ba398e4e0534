#pragma once

#include <vector>

#include "sections/output_context.h"
#include "sections/section_records.h"
#include "sections/section_storage.h"
#include "tecris/field_reader.h"

namespace tecris2nx {

/// Four-value records: depth and three numbers.
inline constexpr RecordShape kSectionEShape{
    .values = 4, .opened = true, .depth = 1, .ascending = true};

/// A lead field of exactly "E" opens record 1.
void ReadSectionE(FieldReader& in, RecordTable& table);

/// The lines of "L209.txt": 15 fields, the fourth value before the second and third.
TextLines L209Lines(const RecordTable& table, TextLines lines = {});

/// "L209.txt".
void WriteL209File(const OutputContext& out, const RecordTable& table);

}  // namespace tecris2nx
