#pragma once

#include "run/field_reader.h"
#include "sections/output_context.h"
#include "sections/section_storage.h"

namespace tecris2nx {

/// Five-value soil layer records.
void ReadSectionB(FieldReader& in, RecordTable& table);

/// "X1.txt": merged layers with soil names and product codes.
void WriteX1File(const OutputContext& out, const RecordTable& table);

/// "X3.txt": layer colours.
void WriteX3File(const OutputContext& out, const RecordTable& table);

}  // namespace tecris2nx
