#pragma once

#include <vector>

#include "run/field_reader.h"
#include "sections/output_context.h"
#include "sections/section_storage.h"

namespace tecris2nx {

/// Consumes the 41 fields of the survey header into the 34 slots and the first field.
void ReadSectionA(SectionATableType& table, FieldReader& in, Text& firstField);

/// "titl01.txt", "titl02.txt" and "titl04.txt"; looks slot 21 up in the pattern folder's "L2.txt".
void WriteTitleFiles(const OutputContext& out, const SectionATableType& table, const Text& firstField);

}  // namespace tecris2nx
