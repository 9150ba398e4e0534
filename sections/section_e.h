#pragma once

#include "run/field_reader.h"
#include "sections/output_context.h"
#include "sections/section_storage.h"

namespace tecris2nx {

void ReadSectionE(FieldReader& in, RecordTable& table);

/// "L209.txt".
void WriteL209File(const OutputContext& out, const RecordTable& table);

}  // namespace tecris2nx
