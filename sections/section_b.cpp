#include "sections/section_b.h"

#include <cstdint>
#include <utility>

#include "common/error.h"
#include "common/formatting.h"
#include "sections/section_records.h"
#include "sections/soil_vocabulary.h"

namespace tecris2nx {
namespace {

constexpr int kSectionBValues = 5;
constexpr int kSoilCodeEntryFields = 6;
constexpr std::size_t kColourLettersUsed = 3;
constexpr std::size_t kColourCodeWidth = 6;

}  // namespace

std::vector<MergedSoilLayer> MergeSoilLayers(const RecordTable& table) {
  std::vector<MergedSoilLayer> layers(1);
  RecordTable::Record cells;
  Text previousCode;
  Text previousName;
  for (int r = 1; r <= table.count(); ++r) {
    table.ReadRecord(r, cells);
    const TextView code = TrimmedView(cells[2]);
    const TextView name = TrimmedView(cells[3]);
    if (code == previousCode && name == previousName) {
      layers.back().depth = cells[1];
      layers.back().lastRecord = r;
    } else {
      MergedSoilLayer layer{Text(cells[1]), Text(cells[2]), Text(cells[3]), r};
      // A zero code with a real soil name means "use the name".
      if (NumericValue(layer.code) == 0 && !name.empty() && name != kTopsoilName) {
        layer.code = kFreeSoilCode;
      }
      layers.push_back(std::move(layer));
    }
    previousCode = code;
    previousName = name;
  }
  return layers;
}

std::vector<MergedColourLayer> MergeColourLayers(const RecordTable& table) {
  std::vector<MergedColourLayer> layers(1);
  RecordTable::Record cells;
  Text previous;
  for (int r = 1; r <= table.count(); ++r) {
    table.ReadRecord(r, cells);
    const TextView colour = TrimmedView(cells[4]);
    if (colour == previous) {
      layers.back().depth = cells[1];
      layers.back().lastRecord = r;
    } else {
      layers.push_back({Text(cells[1]), Text(cells[4]), r});
      previous = colour;
    }
  }
  return layers;
}

TextView ColourLettersUsed(TextView colour) {
  // A leading "*" marks the colour but is not a colour letter.
  if (!colour.empty() && colour.front() == U'*') colour.remove_prefix(1);
  return colour.substr(0, kColourLettersUsed);
}

SoilClassification X1LayerSoil(std::size_t layer, const MergedSoilLayer& merged,
                               const SoilCodeTable& codes, bool vocabularyPresent) {
  SoilClassification soil;
  if (vocabularyPresent) soil = ClassifySoilName(merged.code, merged.name, codes);
  // Below the surface a zero code is a layer without a soil of its own.
  if (layer != 1 && NumericValue(merged.code) == 0) {
    soil.productCode = kFreeSoilCode;
    soil.soilName.clear();
  }
  return soil;
}

void ReadSectionB(FieldReader& in, RecordTable& table) {
  in.ReadField();
  in.ReadField();
  // Only the depth is written as a number; code, name and colour are texts.
  ReadCountedRecords(in, table, kSectionBValues, ReadCount(in), 1U << 1);
}

SoilCodeTable ParseSoilCodeTable(std::string bytes) {
  FieldReader in = FieldReader::FromCp932(std::move(bytes));
  SoilCodeTable table;
  while (!in.AtEnd()) {
    SoilCodeEntry entry;
    try {
      entry.productCode = in.ReadField();
      entry.soilName = in.ReadField();
      for (int i = 2; i < kSoilCodeEntryFields; ++i) in.ReadField();
    } catch (const ConversionError&) {
      break;  // the file ends inside this entry: it is incomplete and left out
    }
    table.push_back(std::move(entry));
  }
  return table;
}

SoilCodeTable LoadSoilCodeTable(const FileSystem& fs, const Text& patternFolder) {
  if (patternFolder.empty()) return {};
  const Text path = patternFolder + U"XKishitu.txt";
  if (fs.KindOf(path) != EntryKind::kFile) return {};
  return ParseSoilCodeTable(fs.ReadAll(path));
}

bool HasSoilVocabulary(const FileSystem& fs, const Text& patternFolder) {
  return !patternFolder.empty() && fs.KindOf(patternFolder + U"kishitu.txt") == EntryKind::kFile;
}

Text SoilNameText(const Text& code, const Text& name) {
  if (code == kFreeSoilCode) return name;

  const TextView whole(code);
  const TextView tail = whole.size() > 3 ? whole.substr(whole.size() - 3) : whole;
  const double value = NumericValue(tail);
  for (const SpecialSoilValue& special : SpecialSoilValues()) {
    if (value == special.value) return Text(special.name);
  }

  Text text;
  for (const int position : {kAdmixturePosition, kQualifierPosition, kMainSoilPosition}) {
    const auto index = static_cast<std::size_t>(position - 1);
    if (index >= whole.size()) continue;
    const int digit = RoundToInt16(NumericValue(whole.substr(index, 1))).value_or(0);
    text += SoilDigitPart(position, digit);
  }
  return text;
}

SoilClassification ClassifySoilName(const Text& code, const Text& name,
                                    const SoilCodeTable& table) {
  SoilClassification result;
  result.soilName = SoilNameText(code, name);
  for (const SoilCodeEntry& entry : table) {
    if (entry.soilName == result.soilName) {
      result.productCode = entry.productCode;
      break;
    }
  }
  return result;
}

TextLines X1Lines(const RecordTable& table, const SoilCodeTable& codes, bool vocabularyPresent) {
  const std::vector<MergedSoilLayer> layers = MergeSoilLayers(table);
  TextLines lines;
  lines.reserve(layers.size() - 1);
  Text line;  // used again for every line
  for (std::size_t i = 1; i < layers.size(); ++i) {
    const MergedSoilLayer& layer = layers[i];
    const SoilClassification soil = X1LayerSoil(i, layer, codes, vocabularyPresent);
    line.clear();
    // Layers never outnumber the records, whose count fits 16 bits.
    AppendNumberColumn(line, static_cast<std::int16_t>(i));
    line += U',';
    AppendFormatDepth(line, layer.depth);
    line += U',';
    line += soil.productCode;
    line += U',';
    line += soil.soilName;
    lines.push_back(line);
  }
  return lines;
}

TextLines X3Lines(const RecordTable& table) {
  const std::vector<MergedColourLayer> layers = MergeColourLayers(table);
  TextLines lines;
  lines.reserve(layers.size() - 1);
  Text line;  // used again for every line
  Text codeText;
  Text nameText;
  for (std::size_t i = 1; i < layers.size(); ++i) {
    const TextView letters = ColourLettersUsed(layers[i].colour);

    codeText.clear();
    nameText.clear();
    for (const char32_t letter : letters) {
      if (const SoilColour* colour = FindSoilColour(letter)) {
        codeText += colour->code;
        nameText += colour->name;
      }
    }
    codeText.resize(kColourCodeWidth, kBlank);
    line.clear();
    AppendNumberColumn(line, static_cast<std::int16_t>(i));
    line += U',';
    AppendFormatDepth(line, layers[i].depth);
    line += U',';
    line += codeText;
    line += U',';
    line += nameText;
    line += U',';
    line.append(kColourCodeWidth, kBlank);
    line += U",,";
    lines.push_back(line);
  }
  return lines;
}

void WriteX1File(const OutputContext& out, const RecordTable& table) {
  const SoilCodeTable codes = LoadSoilCodeTable(out.fs, out.patternFolder);
  out.WriteLines(U"X1.txt", X1Lines(table, codes, HasSoilVocabulary(out.fs, out.patternFolder)));
}

void WriteX3File(const OutputContext& out, const RecordTable& table) {
  out.WriteLines(U"X3.txt", X3Lines(table));
}

}  // namespace tecris2nx
