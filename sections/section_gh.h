#pragma once

#include <vector>

#include "sections/output_context.h"
#include "sections/section_records.h"
#include "sections/section_storage.h"
#include "tecris/field_reader.h"

namespace tecris2nx {

/// Interval records of G and H: start, end, a number.
inline constexpr RecordShape kSectionGHShape{.values = 3,
                                             .opened = true,
                                             .depth = 1,
                                             .end = 2,
                                             .endKind = EndKind::kIntervalEnd,
                                             .noOverlap = true};

/// Three-value interval records; a lead field of exactly the letter opens record 1.
void ReadSectionGH(FieldReader& in, RecordTable& table, char32_t letter);
void ReadSectionG(FieldReader& in, RecordTable& table);
void ReadSectionH(FieldReader& in, RecordTable& table);

/// The lines of "L201.txt": both lists merged on their single-precision start depths, equal
/// starts paired in one row. Throws ConversionError when the two counts add up beyond 32767.
TextLines L201Lines(const RecordTable& g, const RecordTable& h, TextLines lines = {});

/// The values of G's records (`ofG`) or H's that the merge evaluates: a start depth compared with
/// the other list's as a single-precision key, a start or end depth the row writes, the value.
void VisitL201Numbers(const RecordTable& g, const RecordTable& h, bool ofG,
                      const NumberVisit& visit);

/// The error of two counts that add up beyond the rows "L201.txt" can number.
void EvaluateL201Count(const RecordTable& g, const RecordTable& h, const ProblemSink& fail);

/// "L201.txt": the G and H interval lists merged by start depth.
void WriteL201File(const OutputContext& out, const RecordTable& g, const RecordTable& h);

}  // namespace tecris2nx
