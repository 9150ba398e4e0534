// Placeholder until this part is built; replaced by its real implementation.
#include "sections/section_b.h"
#include "common/error.h"

namespace tecris2nx {
void ReadSectionB(FieldReader&, RecordTable&) { throw ConversionError(U"not built yet"); }
void WriteX1File(const OutputContext&, const RecordTable&) { throw ConversionError(U"not built yet"); }
void WriteX3File(const OutputContext&, const RecordTable&) { throw ConversionError(U"not built yet"); }
}  // namespace tecris2nx
