#include "log/borehole.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <map>
#include <optional>
#include <utility>

#include "check/check_along.h"
#include "common/error.h"
#include "common/formatting.h"
#include "sections/section_a.h"
#include "sections/section_b.h"
#include "sections/section_f.h"
#include "sections/section_walk.h"
#include "sections/soil_vocabulary.h"
#include "tecris/field_reader.h"

namespace tecris2nx::boringlog {
namespace {

/// A depth cell in single precision, as the conversion compares depths; throws ConversionError,
/// in the conversion's words, for one the sheet cannot place.
double DepthOf(TextView cell, char32_t section, int record, int value) {
  const double read = NumericValue(cell);
  const float single = RoundToSingle(read);
  Text problem;
  if (!std::isfinite(single)) {
    problem = U"は単精度の範囲を超えています。";
  } else if (std::fabs(single) > kDeepestDrawn) {
    problem = U"は柱状図に描ける深度（" + NumberText(kDeepestDrawn) + U" m）を超えています。";
  }
  if (!problem.empty()) {
    throw ConversionError(U"セクション " + Text(1, section) + U" の記録 " + DecimalText(record) +
                          U" の値 " + DecimalText(value) + U": 値 \"" + Text(TrimmedView(cell)) +
                          U"\" " + problem);
  }
  return single;
}

void AddLayers(Borehole& hole, const RecordTable& table, const BoreholeSources& sources) {
  hole.hasLayers = true;
  const std::vector<MergedSoilLayer> soils = MergeSoilLayers(table);
  const SoilCodeTable codes = LoadSoilCodeTable(sources.fs, sources.patternFolder);
  const bool vocabulary = HasSoilVocabulary(sources.fs, sources.patternFolder);
  SoilClassifier classifier(codes);
  double top = 0;
  for (std::size_t i = 1; i < soils.size(); ++i) {
    LogLayer layer;
    layer.top = top;
    layer.bottom = DepthOf(soils[i].depth, U'B', soils[i].lastRecord, 1);
    layer.code = soils[i].code;
    layer.fileName = Text(TrimmedView(soils[i].name));
    layer.soilName = X1LayerSoil(i, soils[i], classifier, vocabulary).soilName;
    top = layer.bottom;
    hole.layers.push_back(std::move(layer));
  }
  top = 0;
  const std::vector<MergedColourLayer> colours = MergeColourLayers(table);
  for (std::size_t i = 1; i < colours.size(); ++i) {
    LogColour colour;
    colour.top = top;
    colour.bottom = DepthOf(colours[i].depth, U'B', colours[i].lastRecord, 1);
    colour.letters = Text(ColourLettersUsed(colours[i].colour));
    for (const char32_t letter : colour.letters) {
      if (const SoilColour* known = FindSoilColour(letter)) colour.names.emplace_back(known->name);
    }
    top = colour.bottom;
    hole.colours.push_back(std::move(colour));
  }
}

void AddPenetrations(Borehole& hole, const RecordTable& table) {
  RecordTable::Record cells;
  for (int r = 1; r <= table.count(); ++r) {
    table.ReadRecord(r, cells);
    LogPenetration test;
    test.depth = DepthOf(cells[1], U'C', r, 1);
    test.blows = NumericValue(cells[2]);
    test.label = NumberText(test.blows);
    // As "X5.txt" reads it: only a test of 50 blows or more uses its penetration in cm.
    if (test.blows >= 50) {
      test.stopped = true;
      const TextView third = cells[3];
      if (!IsBlankOrEmpty(third) && third.front() != U'*') {
        test.label += U"/" + NumberText(NumericValue(third));
      }
    }
    hole.penetrations.push_back(std::move(test));
  }
}

void AddSamples(Borehole& hole, const RecordTable& table) {
  RecordTable::Record cells;
  for (int r = 1; r <= table.count(); ++r) {
    table.ReadRecord(r, cells);
    LogSample sample;
    sample.number = Text(TrimmedView(cells[1]));
    sample.top = DepthOf(cells[2], U'D', r, 2);
    sample.bottom = IsBlankOrEmpty(cells[3]) ? sample.top : DepthOf(cells[3], U'D', r, 3);
    hole.samples.push_back(std::move(sample));
  }
}

/// Depths (E) or intervals (F, G, H): value 1, and value 2 as the end when `intervals`.
void AddMarks(Borehole& hole, const RecordTable& table, char32_t section, bool intervals) {
  RecordTable::Record cells;
  for (int r = 1; r <= table.count(); ++r) {
    table.ReadRecord(r, cells);
    LogTestMark mark;
    mark.section = section;
    mark.top = DepthOf(cells[1], section, r, 1);
    mark.bottom = intervals ? DepthOf(cells[2], section, r, 2) : mark.top;
    hole.marks.push_back(mark);
  }
}

}  // namespace

double Borehole::DeepestLayer() const {
  double deepest = 0;
  for (const LogLayer& layer : layers) deepest = std::max(deepest, layer.bottom);
  return deepest;
}

void AddSectionToBorehole(Borehole& hole, char32_t letter, const SectionStore& store,
                          const BoreholeSources& sources) {
  switch (letter) {
    case U'A': {
      const SectionAData& a = store.Of<SectionAData>(U'A');
      hole.title = Title01Lines(a.table).front();
      hole.latitudeCode = a.codes.latitude;
      hole.longitudeCode = a.codes.longitude;
      break;
    }
    case U'B':
      AddLayers(hole, store.Of<RecordTable>(U'B'), sources);
      break;
    case U'C':
      AddPenetrations(hole, store.Of<RecordTable>(U'C'));
      break;
    case U'D':
      AddSamples(hole, store.Of<RecordTable>(U'D'));
      break;
    case U'E':
      AddMarks(hole, store.Of<RecordTable>(U'E'), U'E', false);
      break;
    case U'F':
      AddMarks(hole, store.Of<SectionFData>(U'F').table, U'F', true);
      break;
    case U'G':
    case U'H':
      AddMarks(hole, store.Of<RecordTable>(letter), letter, true);
      break;
    default:
      break;
  }
}

void AddRecordDepths(RecordDepths& depths, char32_t letter, const SectionStore& store) {
  const auto add = [&](const RecordTable& table, int value) {
    std::vector<double>& out = depths[letter];
    for (int record = 1; record <= table.count(); ++record) {
      const double depth = RoundToSingle(NumericValue(table.Cell(value, record)));
      out.push_back(std::isfinite(depth) ? depth : 0.0);
    }
  };
  switch (letter) {
    case U'B':
    case U'C':
    case U'E':
    case U'G':
    case U'H':
      add(store.Of<RecordTable>(letter), 1);
      break;
    case U'D':
      add(store.Of<RecordTable>(letter), 2);
      break;
    case U'F':
      add(store.Of<SectionFData>(letter).table, 1);
      break;
    default:
      break;
  }
}

void AddDepthNotes(Borehole& hole, const std::vector<Finding>& findings,
                   const RecordDepths& depths) {
  const auto depthOf = [&](char32_t section, int record) {
    const auto found = depths.find(section);
    if (found == depths.end() || record < 1 || record > static_cast<int>(found->second.size())) {
      return 0.0;
    }
    return found->second[static_cast<std::size_t>(record - 1)];
  };
  for (const Finding& finding : findings) {
    // Depths going back up, equal or negative boundaries, intervals upside down or overlapping.
    if (finding.code.size() != 4 || finding.code.compare(0, 3, "T40") != 0) continue;
    if (finding.code == "T404") continue;  // a sample below the layers is no odd depth
    hole.notes.push_back({depthOf(finding.section, finding.record), finding.message});
  }
}

namespace {

/// The file's bytes until the picture has what it needs of them: the check reading along would
/// otherwise go on to the file's end, however much follows the data.
/// The reader lets its source go once the file has ended: the flag is shared with the source.
class EndingSource : public ByteSource {
 public:
  EndingSource(std::unique_ptr<ByteSource> source, std::shared_ptr<const bool> ended)
      : source_(std::move(source)), ended_(std::move(ended)) {}
  bool ReadMore(std::string& into, std::size_t most) override {
    return !*ended_ && source_->ReadMore(into, most);
  }

 private:
  std::unique_ptr<ByteSource> source_;
  std::shared_ptr<const bool> ended_;
};

/// The picture as a consumer of the walk: every section read is added to the borehole. The walk
/// evaluates each section as the conversion does before handing it over, so a file the
/// conversion rejects ends the walk with the conversion's own text and has no picture; nothing
/// needs to be written for that.
class BoreholeReading : public SectionConsumer {
 public:
  BoreholeReading(Borehole& hole, const BoreholeSources& sources, std::shared_ptr<bool> ended)
      : hole_(hole), sources_(sources), ended_(std::move(ended)) {}

  void Problem(const ConversionError& error, std::size_t) override { Fail(error); }
  void Read(const ReadSection& section) override {
    if (error_) return;
    // The last section is all the picture needs of the file: what follows it is not read.
    if (section.row + 1 == SectionHandlers().size()) *ended_ = true;
    try {
      AddSectionToBorehole(hole_, section.handler.letter, section.store, sources_);
      AddRecordDepths(depths_, section.handler.letter, section.store);
    } catch (const ConversionError& e) {
      Fail(e);
    }
  }
  bool WantsMore() const override { return !error_; }
  void Stopped(const WalkStop&, FieldReader&) override { *ended_ = true; }

  const RecordDepths& depths() const { return depths_; }
  /// Throws the first problem, if there was one.
  void ThrowProblem() const {
    if (error_) throw *error_;
  }

 private:
  void Fail(const ConversionError& error) {
    if (!error_) error_ = error;
  }

  Borehole& hole_;
  const BoreholeSources& sources_;
  std::shared_ptr<bool> ended_;
  std::optional<ConversionError> error_;
  RecordDepths depths_;
};

}  // namespace

namespace {

/// One pass: check mode reads along; `toEnd` reads the file to its end for the checks of every
/// byte, otherwise the picture's needs end the reading.
CheckedBorehole ReadWithCheck(std::unique_ptr<ByteSource> source, const Text& path,
                              const BoreholeSources& sources, const CheckSettings& settings,
                              bool toEnd) {
  const auto ended = std::make_shared<bool>(false);
  const auto stop = toEnd ? std::make_shared<bool>(false) : ended;
  FieldReader in = FieldReader::FromSource(std::make_unique<EndingSource>(std::move(source), stop));
  CheckedBorehole read;
  BoreholeReading reading(read.hole, sources, ended);
  CheckAlong both(reading, in, sources.fs, settings);
  WalkSections(in, both);
  try {
    reading.ThrowProblem();
  } catch (const ConversionError& e) {
    read.problem = e;
    if (!toEnd) return read;
  }
  read.check = both.Finish(path);
  if (read.check) AddDepthNotes(read.hole, read.check->findings, reading.depths());
  if (!read.hole.hasLayers) {
    read.hole.notes.push_back({0, U"セクション B（土質）がありません。", false});
  }
  return read;
}

}  // namespace

Borehole ReadBorehole(std::unique_ptr<ByteSource> source, const Text& path,
                      const BoreholeSources& sources) {
  // The check's notes are worth less than the picture (a check that fails leaves them out, as a
  // conversion that counts warnings leaves its count out).
  CheckedBorehole read =
      ReadWithCheck(std::move(source), path, sources,
                    CheckSettings{sources.patternFolder, HostPathStyle(), true}, false);
  if (read.problem) throw *read.problem;
  return std::move(read.hole);
}

CheckedBorehole ReadCheckedBorehole(std::unique_ptr<ByteSource> source, const Text& path,
                                    const BoreholeSources& sources, const CheckSettings& settings) {
  return ReadWithCheck(std::move(source), path, sources, settings, true);
}

Borehole ReadBorehole(std::string bytes, const Text& path, const BoreholeSources& sources) {
  return ReadBorehole(HeldBytes(std::move(bytes)), path, sources);
}

}  // namespace tecris2nx::boringlog
