// Placeholder until this part is built; replaced by its real implementation.
#include "sections/section_f.h"
#include "common/error.h"

namespace tecris2nx {
void ReadSectionF(FieldReader&, RecordTable&, std::int16_t&) { throw ConversionError(U"not built yet"); }
void WriteL204File(const OutputContext&, const RecordTable&, std::int16_t) { throw ConversionError(U"not built yet"); }
}  // namespace tecris2nx
