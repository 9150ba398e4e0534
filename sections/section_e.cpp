// Placeholder until this part is built; replaced by its real implementation.
#include "sections/section_e.h"
#include "common/error.h"

namespace tecris2nx {
void ReadSectionE(FieldReader&, RecordTable&) { throw ConversionError(U"not built yet"); }
void WriteL209File(const OutputContext&, const RecordTable&) { throw ConversionError(U"not built yet"); }
}  // namespace tecris2nx
