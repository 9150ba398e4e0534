// Placeholder until this part is built; replaced by its real implementation.
#include "sections/section_a.h"
#include "common/error.h"

namespace tecris2nx {
void ReadSectionA(SectionATableType&, FieldReader&, Text&) { throw ConversionError(U"not built yet"); }
void WriteTitleFiles(const OutputContext&, const SectionATableType&, const Text&) { throw ConversionError(U"not built yet"); }
}  // namespace tecris2nx
