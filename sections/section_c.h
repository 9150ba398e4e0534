#pragma once

#include <vector>

#include "sections/output_context.h"
#include "sections/section_storage.h"
#include "tecris/field_reader.h"

namespace tecris2nx {

/// Three-value records: depth, a number, a number or "*".
void ReadSectionC(FieldReader& in, RecordTable& table);

/// The lines of "X5.txt".
TextLines X5Lines(const RecordTable& table);

void WriteX5File(const OutputContext& out, const RecordTable& table);

}  // namespace tecris2nx
