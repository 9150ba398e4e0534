#include "sections/section_b.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <unordered_map>
#include <utility>

#include "common/cp932.h"
#include "common/error.h"
#include "common/formatting.h"
#include "sections/section_records.h"
#include "sections/soil_vocabulary.h"

namespace tecris2nx {
namespace {

constexpr int kSoilCodeEntryFields = 6;
constexpr std::size_t kColourLettersUsed = 3;
constexpr std::size_t kColourCodeWidth = 6;

struct TextPairHash {
  std::size_t operator()(const std::pair<Text, Text>& texts) const {
    const std::hash<Text> hash;
    return hash(texts.first) ^ (hash(texts.second) * 0x9E3779B97F4A7C15ULL);
  }
};

/// FormatDepth of a layer's depth onto a line of bytes: from its cell's bytes where they suffice.
void AppendLayerDepth(std::string& line, std::string_view cell, const Text& depth, Text& scratch) {
  if (AppendFormatDepthBytes(line, cell)) return;
  scratch.clear();
  AppendFormatDepth(scratch, depth);
  AppendCp932(scratch, line);
}

/// Decodes a cell into a text whose room is used again.
void DecodeInto(Text& text, std::string_view bytes) {
  text.resize(bytes.size());
  text.resize(static_cast<std::size_t>(DecodeCp932To(bytes, text.data()) - text.data()));
}

/// Hands a merged layer over once complete, its depth decoded; nothing before the first layer.
template <typename Layer, typename Visit>
void HandOn(std::size_t index, Layer& layer, const Visit& visit) {
  if (index == 0) return;
  DecodeInto(layer.depth, layer.depthCell);
  visit(index, layer);
}

}  // namespace

void ForEachSoilLayer(const RecordTable& table, const SoilLayerVisit& visit) {
  // Only the layer being merged is held, its texts' room used again for the next: a table of
  // tens of thousands of layers would otherwise be copied whole before a line is written.
  MergedSoilLayer layer;
  std::size_t index = 0;
  // Two records in turn: the texts of the one before stay where they were decoded.
  std::array<RecordTable::Record, 2> records;
  TextView previousCode;
  TextView previousName;
  for (int r = 1; r <= table.count(); ++r) {
    RecordTable::Record& cells = records[static_cast<std::size_t>(r % 2)];
    table.ReadRecord(r, cells);
    const TextView code = TrimmedView(cells[2]);
    const TextView name = TrimmedView(cells[3]);
    if (code != previousCode || name != previousName) {
      HandOn(index++, layer, visit);
      layer.code = cells[2];
      layer.name = cells[3];
      // A zero code with a real soil name means "use the name".
      if (NumericValue(layer.code) == 0 && !name.empty() && name != kTopsoilName) {
        layer.code = kFreeSoilCode;
      }
    }
    layer.depthCell = cells.Cp932(1);
    layer.lastRecord = r;
    previousCode = code;
    previousName = name;
  }
  HandOn(index, layer, visit);
}

void ForEachColourLayer(const RecordTable& table, const ColourLayerVisit& visit) {
  MergedColourLayer layer;
  std::size_t index = 0;
  RecordTable::Record cells;
  Text previous;
  for (int r = 1; r <= table.count(); ++r) {
    table.ReadRecord(r, cells);
    const TextView colour = TrimmedView(cells[4]);
    if (colour != previous) {
      HandOn(index++, layer, visit);
      layer.colour = cells[4];
      previous = colour;
    }
    layer.depthCell = cells.Cp932(1);
    layer.lastRecord = r;
  }
  HandOn(index, layer, visit);
}

std::vector<MergedSoilLayer> MergeSoilLayers(const RecordTable& table) {
  std::vector<MergedSoilLayer> layers(1);
  ForEachSoilLayer(table,
                   [&](std::size_t, const MergedSoilLayer& layer) { layers.push_back(layer); });
  return layers;
}

std::vector<MergedColourLayer> MergeColourLayers(const RecordTable& table) {
  std::vector<MergedColourLayer> layers(1);
  ForEachColourLayer(table,
                     [&](std::size_t, const MergedColourLayer& layer) { layers.push_back(layer); });
  return layers;
}

TextView ColourLettersUsed(TextView colour) {
  // A leading "*" marks the colour but is not a colour letter.
  if (!colour.empty() && colour.front() == U'*') colour.remove_prefix(1);
  return colour.substr(0, kColourLettersUsed);
}

const SoilClassification& SoilClassifier::Classify(const Text& code, const Text& name) {
  key_.first = code;
  key_.second = name;
  auto known = known_.find(key_);
  if (known == known_.end())
    known = known_.emplace(key_, ClassifySoilName(code, name, codes_)).first;
  return known->second;
}

SoilClassification X1LayerSoil(std::size_t layer, const MergedSoilLayer& merged,
                               SoilClassifier& classifier, bool vocabularyPresent) {
  SoilClassification soil;
  if (vocabularyPresent) soil = classifier.Classify(merged.code, merged.name);
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
  ReadCountedRecords(in, table, kSectionBShape, ReadCount(in));
}

void VisitSectionBNumbers(const RecordTable& table, const NumberVisit& visit) {
  if (NothingToVisit(kSectionBShape, table, 1) && NothingToVisit(kSectionBShape, table, 2)) return;
  // A record continues the layer before it when its trimmed code and name (for colours, its
  // trimmed letters) are the previous record's; the leading records with none make no layer.
  RecordTable::Record cells;
  RecordTable::Record next;
  const auto starts = [](const RecordTable::Record& before, const RecordTable::Record& record,
                         bool first, bool& soil, bool& colour) {
    const TextView code = TrimmedView(record[2]);
    const TextView name = TrimmedView(record[3]);
    const TextView letters = TrimmedView(record[4]);
    if (first) {
      soil = !(code.empty() && name.empty());
      colour = !letters.empty();
      return;
    }
    soil = !(code == TrimmedView(before[2]) && name == TrimmedView(before[3]));
    colour = letters != TrimmedView(before[4]);
  };
  bool soilStarts = false;
  bool colourStarts = false;
  bool soilLayer = false;    // the record belongs to a written soil layer
  bool colourLayer = false;  // ... to a written colour layer
  if (table.count() > 0) {
    table.ReadRecord(1, cells);
    starts(cells, cells, true, soilStarts, colourStarts);
  }
  for (int r = 1; r <= table.count(); ++r) {
    soilLayer = soilLayer || soilStarts;
    colourLayer = colourLayer || colourStarts;
    bool nextSoil = true;
    bool nextColour = true;
    if (r < table.count()) {
      table.ReadRecord(r + 1, next);
      starts(cells, next, false, nextSoil, nextColour);
    }
    // The depth of a layer's last record is its boundary.
    if ((soilLayer && nextSoil) || (colourLayer && nextColour)) {
      visit(cells, r, 1, NumberUse::kNumber);
    }
    if (soilStarts) visit(cells, r, 2, NumberUse::kNumber);
    soilStarts = nextSoil;
    colourStarts = nextColour;
    std::swap(cells, next);
  }
}

namespace {

/// Depths that go back up, repeat or are negative (T401 to T403); notes the deepest layer.
void CheckLayerDepths(const RecordTable& table, SectionChecks& checks) {
  double previousDepth = NAN;
  float deepest = -INFINITY;
  for (int r = 1; r <= table.count(); ++r) {
    const double depth = RecordDepth(checks, table, 1, r);
    const auto add = [&](const char* code, const char32_t* what) {
      checks.Add(code, Severity::kWarning, r, 1,
                 checks.KeepsMessages()
                     ? U"層の下端深度 " + Quoted(TrimmedView(DecodeCp932(table.Cp932(1, r)))) + what
                     : Text());
    };
    if (depth < 0) add("T403", U" が負です。");
    if (depth == previousDepth) {
      add("T402", U" が前の記録と同じです。");
    } else if (depth < previousDepth) {
      add("T401", U" が前の記録より浅くなっています。");
    }
    deepest = std::max(deepest, RoundToSingle(depth));
    previousDepth = depth;
  }
  if (table.count() > 0) checks.Facts()[kDeepestLayerFact] = deepest;
}

/// Colour letters that are no colour code (T502); needs no pattern data.
void CheckColours(const RecordTable& table, SectionChecks& checks) {
  Text previousColour;
  std::string_view previousBytes;
  for (int r = 1; r <= table.count(); ++r) {
    // The same bytes as the record before are the same colour: nothing new to look at.
    const std::string_view bytes = table.Cp932(4, r);
    if (r > 1 && bytes == previousBytes) continue;
    previousBytes = bytes;
    const Text cell = DecodeCp932(bytes);
    const TextView colour = TrimmedView(cell);
    if (r > 1 && colour == previousColour) continue;
    previousColour = colour;
    TextView letters = colour;
    if (!letters.empty() && letters.front() == U'*') letters.remove_prefix(1);
    letters = letters.substr(0, kColourLettersUsed);
    for (const char32_t letter : letters) {
      if (FindSoilColour(letter) == nullptr) {
        checks.Add("T502", Severity::kWarning, r, 4,
                   U"色調 " + Quoted(colour) + U" の文字 「" + Text(1, letter) +
                       U"」 は色調コードになりません（X3.txt では省かれます）。");
        break;
      }
    }
  }
}

/// Soil names that the pattern data cannot classify (T501), or pattern data without the files
/// that classify them (T504).
void CheckSoilNames(const RecordTable& table, SectionChecks& checks) {
  const FileSystem& fs = checks.Files();
  const Text& folder = checks.PatternFolder();
  if (folder.empty()) return;
  if (!HasSoilVocabulary(fs, folder)) {
    checks.AddAtMarker(
        "T504", Severity::kWarning,
        U"パターンデータに kishitu.txt がないため、X1.txt の土質コードと土質名が空になります。");
    return;
  }
  if (fs.KindOf(folder + U"XKishitu.txt") != EntryKind::kFile) {
    checks.AddAtMarker(
        "T504", Severity::kWarning,
        U"パターンデータに XKishitu.txt がないため、X1.txt の土質コードが空になります。");
    return;
  }
  const SoilCodeTable codes = LoadSoilCodeTable(fs, folder);
  // Surveys name few soils, and a record repeats the bytes of others: what a record's (code,
  // name) bytes stand for is worked out once, and each (code, name) is classified once.
  struct Soil {
    Text code;  ///< trimmed, as layers are compared
    Text name;
    bool zeroCode = false;                     ///< the code as the layer takes it reads as 0
    const SoilClassification* soil = nullptr;  ///< none for a zero code
  };
  std::map<std::pair<Text, Text>, SoilClassification> classified;
  std::map<std::pair<std::string_view, std::string_view>, Soil> byBytes;
  const Soil* previous = nullptr;
  RecordTable::Cursor cursor(table);
  std::array<std::string_view, kSectionBShape.values + 1> record;
  for (int r = 1; r <= table.count(); ++r) {
    for (std::size_t v = 1; v < record.size(); ++v) record[v] = cursor.Next();
    auto [entry, added] = byBytes.try_emplace({record[2], record[3]});
    Soil& soil = entry->second;
    if (added) {
      const Text cellCode = DecodeCp932(record[2]);
      Text soilName = DecodeCp932(record[3]);
      soil.code = TrimBlanks(cellCode);
      soil.name = TrimBlanks(soilName);
      // As the layers are merged: a zero code with a real soil name stands for the name.
      Text layerCode = cellCode;
      if (NumericValue(layerCode) == 0 && !soil.name.empty() && soil.name != kTopsoilName) {
        layerCode = kFreeSoilCode;
      }
      soil.zeroCode = NumericValue(layerCode) == 0;
      auto known = classified.find({layerCode, soilName});
      if (known == classified.end()) {
        SoilClassification classification = ClassifySoilName(layerCode, soilName, codes);
        known = classified
                    .emplace(std::pair{std::move(layerCode), std::move(soilName)},
                             std::move(classification))
                    .first;
      }
      soil.soil = &known->second;
    }
    const bool surface = previous == nullptr;
    if (!surface &&
        (&soil == previous || (soil.code == previous->code && soil.name == previous->name))) {
      continue;
    }
    previous = &soil;
    if (!surface && soil.zeroCode) continue;  // a layer without a soil of its own
    if (soil.soil->productCode.empty()) {
      checks.Add("T501", Severity::kWarning, r, 2,
                 U"土質名 " + Quoted(soil.soil->soilName) +
                     U" は XKishitu.txt で分類できません（X1.txt の土質コードが空になります）。");
    }
  }
}

}  // namespace

void CheckSectionB(const RecordTable& table, SectionChecks& checks) {
  CheckLayerDepths(table, checks);
  if (checks.DepthsOnly()) return;
  CheckColours(table, checks);
  CheckSoilNames(table, checks);
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
  // Every file of a batch reads the same table, for its conversion and its check: the bytes are
  // read each time (the table may have been edited), the parse is done again only when they differ.
  struct Last {
    std::mutex mutex;
    std::string bytes;
    SoilCodeTable table;
    bool parsed = false;
  };
  // Never destroyed: a worker may still read a table while the program ends.
  static Last& last = *new Last;
  std::string bytes = fs.ReadAll(path);
  const std::lock_guard lock(last.mutex);
  if (!last.parsed || bytes != last.bytes) {
    last.table = ParseSoilCodeTable(bytes);
    last.bytes = std::move(bytes);
    last.parsed = true;
  }
  return last.table;
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

TextLines X1Lines(const RecordTable& table, const SoilCodeTable& codes, bool vocabularyPresent,
                  TextLines lines) {
  Text scratch;
  SoilClassifier classifier(codes);
  // Below the surface a layer's code and name give its two fields: each pair met is made and
  // encoded once, as surveys name few soils.
  std::unordered_map<std::pair<Text, Text>, std::string, TextPairHash> soilFields;
  std::pair<Text, Text> key;
  const auto appendSoil = [&](std::string& line, std::size_t i, const MergedSoilLayer& layer) {
    const SoilClassification soil = X1LayerSoil(i, layer, classifier, vocabularyPresent);
    AppendCp932(soil.productCode, line);
    line += ',';
    AppendCp932(soil.soilName, line);
  };
  ForEachSoilLayer(table, [&](std::size_t i, const MergedSoilLayer& layer) {
    lines.AppendLine([&](std::string& line) {
      // Layers never outnumber the records, whose count fits 16 bits.
      AppendNumberColumnBytes(line, static_cast<std::int16_t>(i));
      line += ',';
      AppendLayerDepth(line, layer.depthCell, layer.depth, scratch);
      line += ',';
      if (i == 1) return appendSoil(line, i, layer);
      key.first = layer.code;
      key.second = layer.name;
      auto known = soilFields.find(key);
      if (known == soilFields.end()) {
        std::string fields;
        appendSoil(fields, i, layer);
        known = soilFields.emplace(key, std::move(fields)).first;
      }
      line += known->second;
    });
  });
  return lines;
}

TextLines X3Lines(const RecordTable& table, TextLines lines) {
  std::string line;  // used again for every line
  Text scratch;
  // Surveys use few colours: each one's code and name are made and encoded once.
  std::map<Text, std::string, std::less<>> colourBytes;
  ForEachColourLayer(table, [&](std::size_t i, const MergedColourLayer& layer) {
    const TextView letters = ColourLettersUsed(layer.colour);
    auto colour = colourBytes.find(letters);
    if (colour == colourBytes.end()) {
      Text codeText;
      Text nameText;
      for (const char32_t letter : letters) {
        if (const SoilColour* known = FindSoilColour(letter)) {
          codeText += known->code;
          nameText += known->name;
        }
      }
      codeText.resize(kColourCodeWidth, kBlank);
      std::string bytes;
      AppendCp932(codeText, bytes);
      bytes += ',';
      AppendCp932(nameText, bytes);
      colour = colourBytes.emplace(Text(letters), std::move(bytes)).first;
    }
    line.clear();
    AppendNumberColumnBytes(line, static_cast<std::int16_t>(i));
    line += ',';
    AppendLayerDepth(line, layer.depthCell, layer.depth, scratch);
    line += ',';
    line += colour->second;
    line += ',';
    line.append(kColourCodeWidth, ' ');
    line += ",,";
    lines.PushBytes(line);
  });
  return lines;
}

void WriteX1File(const OutputContext& out, const RecordTable& table) {
  const SoilCodeTable codes = LoadSoilCodeTable(out.fs, out.patternFolder);
  out.WriteLines(U"X1.txt", X1Lines(table, codes, HasSoilVocabulary(out.fs, out.patternFolder),
                                    out.Lines(U"X1.txt")));
}

void WriteX3File(const OutputContext& out, const RecordTable& table) {
  out.WriteLines(U"X3.txt", X3Lines(table, out.Lines(U"X3.txt")));
}

}  // namespace tecris2nx
