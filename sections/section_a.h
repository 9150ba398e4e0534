#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "common/file_system.h"
#include "sections/output_context.h"
#include "sections/section_check.h"
#include "sections/section_records.h"
#include "sections/section_storage.h"
#include "tecris/field_reader.h"

namespace tecris2nx {

/// Slots 1 to 34 of the survey header; slot 0 is never used.
using SectionATableType = std::array<Text, 35>;

/// Codes 2 and 3 (latitude and longitude) as read, before they are cut: a position needs the
/// whole code, and one of the wrong length leaves its slots empty.
struct PositionCodes {
  Text latitude;
  Text longitude;
};

/// What section A keeps until its files are written.
struct SectionAData {
  SectionATableType table;
  Text firstField;
  PositionCodes codes;
};

/// Consumes the 41 fields of the survey header into the 34 slots and the first field; `codes`,
/// when given, gets codes 2 and 3 as read.
void ReadSectionA(SectionATableType& table, FieldReader& in, Text& firstField,
                  PositionCodes* codes = nullptr);

/// Cuts the text into widths.size() pieces of those widths, in characters; a text too short for a
/// width ends in a shorter piece and leaves the pieces after it untouched; extra characters are
/// dropped.
void SplitByWidths(TextView text, std::span<const int> widths, std::array<Text, 3>& pieces);

/// The name of the first "L2.txt" entry in the pattern folder with this code, blanks trimmed;
/// empty when no entry has it, when the file is missing or when no pattern folder is known.
Text LookupL2Name(const FileSystem& fs, const Text& patternFolder, std::int16_t code);

/// Lines of "titl01.txt" (23).
std::vector<Text> Title01Lines(const SectionATableType& table);
/// Lines of "titl02.txt" (41); l2Name is what the lookup gave for slot 21 (used only when filled).
std::vector<Text> Title02Lines(const SectionATableType& table, const Text& firstField,
                               const Text& l2Name);
/// Lines of "titl04.txt" (14).
std::vector<Text> Title04Lines(const SectionATableType& table);

/// The field of the section (1 to 41) that fills a slot; 0 for slot 5, which no field fills.
int SectionAFieldOfSlot(int slot);

/// The L2 code of slot 21: nothing when the slot is blank or its value does not fit 16 bits.
std::optional<std::int16_t> SlotL2Code(const SectionATableType& table);

/// Each slot the title files write as a number that lies beyond the range of any number, in the
/// order the writers meet them (the error each would stop the conversion with).
void EvaluateSectionA(const SectionATableType& table, const ProblemSink& fail);

/// The checks of the header: its number slots, and slot 21's code in "L2.txt".
void CheckSectionA(const SectionATableType& table, SectionChecks& checks);

/// "titl01.txt", "titl02.txt" and "titl04.txt"; looks slot 21 up in the pattern folder's "L2.txt".
void WriteTitleFiles(const OutputContext& out, const SectionATableType& table,
                     const Text& firstField);

}  // namespace tecris2nx
