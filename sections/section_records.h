#pragma once

#include <cstdint>
#include <string>

#include "sections/section_storage.h"
#include "tecris/field_reader.h"

namespace tecris2nx {

// The two record shapes of sections B to H, read after the section's count field.

/// Every value of a record is read as a number (bit v stands for value v).
inline constexpr std::uint32_t kAllNumbers = ~std::uint32_t{0};

/// Sections B, C, D: `count` records of three ignored fields and `values` values. Throws
/// ConversionError for a value of `numberValues` beyond the range of any number.
void ReadCountedRecords(FieldReader& in, RecordTable& table, int values, std::int16_t count,
                        std::uint32_t numberValues = kAllNumbers);

/// Sections E to H: `count` records of an opening field, two ignored fields and `values` values,
/// every value read as a number. When the lead field was the section's letter it already was the
/// first record's opening field.
void ReadOpenedRecords(FieldReader& in, RecordTable& table, int values, std::int16_t count,
                       bool firstOpeningRead);

// Cells onto an output line held as CP932 bytes: a cell that is blank or a plain ASCII decimal
// goes byte to byte, any other through its decoded text (`scratch` holds that text).

/// NumberOrEmpty of the cell.
void AppendNumberCell(std::string& line, const RecordTable::Record& cells, int value,
                      Text& scratch);
/// FormatDepth of the cell.
void AppendDepthCell(std::string& line, const RecordTable::Record& cells, int value, Text& scratch);

}  // namespace tecris2nx
