// Placeholder until this part is built; replaced by its real implementation.
#include "sections/section_gh.h"
#include "common/error.h"

namespace tecris2nx {
void ReadSectionG(FieldReader&, RecordTable&) { throw ConversionError(U"not built yet"); }
void ReadSectionH(FieldReader&, RecordTable&) { throw ConversionError(U"not built yet"); }
void WriteL201File(const OutputContext&, const RecordTable&, const RecordTable&) { throw ConversionError(U"not built yet"); }
}  // namespace tecris2nx
