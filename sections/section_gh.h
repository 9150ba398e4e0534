#pragma once

#include <vector>

#include "sections/output_context.h"
#include "sections/section_storage.h"
#include "tecris/field_reader.h"

namespace tecris2nx {

/// Three-value interval records; a lead field of exactly the letter opens record 1.
void ReadSectionGH(FieldReader& in, RecordTable& table, char32_t letter);
void ReadSectionG(FieldReader& in, RecordTable& table);
void ReadSectionH(FieldReader& in, RecordTable& table);

/// The lines of "L201.txt": both lists merged on their single-precision start depths, equal
/// starts paired in one row. Throws ConversionError when the two counts add up beyond 32767.
TextLines L201Lines(const RecordTable& g, const RecordTable& h);

/// "L201.txt": the G and H interval lists merged by start depth.
void WriteL201File(const OutputContext& out, const RecordTable& g, const RecordTable& h);

}  // namespace tecris2nx
