#pragma once

#include "run/field_reader.h"
#include "sections/output_context.h"
#include "sections/section_storage.h"

namespace tecris2nx {

void ReadSectionG(FieldReader& in, RecordTable& table);
void ReadSectionH(FieldReader& in, RecordTable& table);

/// "L201.txt": the G and H interval lists merged by start depth.
void WriteL201File(const OutputContext& out, const RecordTable& g, const RecordTable& h);

}  // namespace tecris2nx
