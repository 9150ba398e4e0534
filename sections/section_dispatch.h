#pragma once

#include <span>

#include "tecris/field_reader.h"
#include "sections/output_context.h"
#include "sections/section_storage.h"

namespace tecris2nx {

/// One row per section letter: the reader that fills the section's table, then its writers.
struct SectionHandler {
  char32_t letter;
  void (*read)(FieldReader& in, SectionStorage& storage);
  void (*write)(const OutputContext& out, const SectionStorage& storage);  ///< may be null
  /// Frees the section's table once its files are written; null when a later step still reads it.
  void (*release)(SectionStorage& storage);
};

/// The rows in the fixed letter order A to H.
std::span<const SectionHandler> SectionHandlers();

/// The step after section H: the merged L201 file when section G or H had records.
void WriteAfterSections(const OutputContext& out, const SectionStorage& storage);

}  // namespace tecris2nx
