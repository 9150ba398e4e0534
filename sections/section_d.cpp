// Placeholder until this part is built; replaced by its real implementation.
#include "sections/section_d.h"
#include "common/error.h"

namespace tecris2nx {
void ReadSectionD(FieldReader&, RecordTable&) { throw ConversionError(U"not built yet"); }
void WriteX100File(const OutputContext&, const RecordTable&) { throw ConversionError(U"not built yet"); }
void WriteX100AFile(const OutputContext&, const RecordTable&) { throw ConversionError(U"not built yet"); }
}  // namespace tecris2nx
