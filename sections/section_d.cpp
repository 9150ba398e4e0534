#include "sections/section_d.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <map>

#include "common/cp932.h"
#include "common/error.h"
#include "common/formatting.h"
#include "sections/section_b.h"
#include "sections/section_records.h"

namespace tecris2nx {
namespace {

constexpr int kValues = 23;
constexpr std::size_t kX100Fields = 43;
constexpr char32_t kEndOfFileMark = 0x1A;

/// CP932 bytes without the blanks around them; a blank is never the second byte of a character.
std::string_view TrimBlankBytes(std::string_view bytes) {
  while (!bytes.empty() && bytes.front() == ' ') bytes.remove_prefix(1);
  while (!bytes.empty() && bytes.back() == ' ') bytes.remove_suffix(1);
  return bytes;
}

// One comma-delimited field of an "X1.txt" line's CP932 bytes, blanks around it dropped; moves
// past the comma. Commas are never the second byte of a character.
std::string_view TakeField(std::string_view line, std::size_t& pos) {
  if (pos >= line.size()) return {};
  std::size_t end = line.find(',', pos);
  if (end == std::string_view::npos) end = line.size();
  const std::string_view field = line.substr(pos, end - pos);
  pos = end < line.size() ? end + 1 : line.size();
  return TrimBlankBytes(field);
}

/// A layer line's depth and the bytes of its code and soil name.
struct LayerLine {
  float depth = 0;
  std::string_view code;
  std::string_view name;
};

LayerLine ParseLayerLine(std::string_view line) {
  std::size_t pos = 0;
  TakeField(line, pos);  // the layer number is implied by the line order
  LayerLine layer;
  layer.depth = RoundToSingle(NumericValueOfCp932(TakeField(line, pos)));
  layer.code = TakeField(line, pos);
  // The rest of the line: a comma inside the name shifts nothing.
  if (pos < line.size()) layer.name = TrimBlankBytes(line.substr(pos));
  return layer;
}

void AppendExponentField(Text& out, TextView cell, int value, int record) {
  try {
    AppendExponentNumber(out, cell);
  } catch (const ConversionError& e) {
    throw ConversionError(U"セクション D の記録 " + DecimalText(record) + U" の値 " +
                              DecimalText(value) + U": " + e.message(),
                          e.problem());
  }
}

}  // namespace

void ReadSectionD(FieldReader& in, RecordTable& table) {
  in.ReadField();
  in.ReadField();
  ReadCountedRecords(in, table, kSectionDShape, ReadCount(in));
}

void VisitSectionDNumbers(const RecordTable& table, const NumberVisit& visit) {
  std::array<int, kValues> values{};
  std::size_t visited = 0;
  for (int v = 1; v <= kValues; ++v) {
    if (!NothingToVisit(kSectionDShape, table, v)) values[visited++] = v;
  }
  if (visited == 0) return;
  RecordTable::Record cells;
  for (int r = 1; r <= table.count(); ++r) {
    table.ReadRecord(r, cells);
    for (std::size_t i = 0; i < visited; ++i) {
      const int v = values[i];
      // No angle: its sixtieths are not read.
      if (v == 19 && cells.Cp932(18).find_first_not_of(' ') == std::string_view::npos) continue;
      visit(cells, r, v,
            kSectionDShape.IsExponent(v) ? NumberUse::kExponent
            : v == kSectionDShape.depth  ? NumberUse::kSingleKey
                                         : NumberUse::kNumber);
    }
  }
}

void CheckSectionD(const RecordTable& table, SectionChecks& checks) {
  const auto deepest = checks.Facts().find(kDeepestLayerFact);
  if (deepest == checks.Facts().end()) return;
  for (int r = 1; r <= table.count(); ++r) {
    if (RoundToSingle(RecordDepth(checks, table, 2, r)) >= static_cast<float>(deepest->second)) {
      checks.Add("T404", Severity::kWarning, r, 2,
                 !checks.KeepsMessages()
                     ? Text()
                     : U"深度 " + Quoted(TrimmedView(DecodeCp932(table.Cp932(2, r)))) +
                           U" は最も深い層より下にあります（X100.txt の土質が空になります）。");
    }
  }
}

namespace {

/// The layers of whole lines of bytes.
template <typename OnLayer>
void ForEachLayerIn(std::string_view bytes, OnLayer& onLayer) {
  // Read as bytes: the whole file decoded at once would take four times its bytes. CR, LF and the
  // end-of-file mark are never the second byte of a CP932 character, so the bytes split as the
  // characters would.
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    std::size_t end = pos;
    while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n') ++end;
    const std::string_view line = bytes.substr(pos, end - pos);
    if (line.find_first_not_of(' ') != std::string_view::npos) onLayer(ParseLayerLine(line));
    // CR LF, a lone CR and a lone LF all end a line; the empty lines between them are skipped.
    pos = end + 1;
  }
}

/// The layers of a file's bytes; a last end-of-file mark is not part of them.
template <typename OnLayer>
void ForEachLayerLine(std::string_view bytes, OnLayer onLayer) {
  if (!bytes.empty() && bytes.back() == static_cast<char>(kEndOfFileMark)) bytes.remove_suffix(1);
  ForEachLayerIn(bytes, onLayer);
}

/// The same for a file read piece by piece: only the piece in work and a line begun are held.
template <typename OnLayer>
void ForEachLayerLine(ByteSource& source, OnLayer onLayer) {
  std::string bytes;
  while (source.ReadMore(bytes, std::size_t{1} << 16)) {
    const std::size_t last = bytes.find_last_of("\r\n");
    if (last == std::string::npos) continue;
    ForEachLayerIn(std::string_view(bytes).substr(0, last + 1), onLayer);
    bytes.erase(0, last + 1);
  }
  // The end-of-file mark is never a line end: the last one is among the bytes left.
  ForEachLayerLine(std::string_view(bytes), onLayer);
}

/// A LayerTable made layer by layer; soils by their bytes, each distinct one decoded once.
class LayerTableMaker {
 public:
  void operator()(const LayerLine& layer) {
    key_.first.assign(layer.code);
    key_.second.assign(layer.name);
    auto soil = known_.find(key_);
    if (soil == known_.end()) {
      soil = known_.emplace(key_, static_cast<std::uint32_t>(table_.soils.size())).first;
      table_.soils.push_back(SoilLayer{0, DecodeCp932(layer.code), DecodeCp932(layer.name)});
    }
    table_.depths.push_back(layer.depth);
    table_.soilOf.push_back(soil->second);
  }
  LayerTable Take() { return std::move(table_); }

 private:
  LayerTable table_;
  std::map<std::pair<std::string, std::string>, std::uint32_t> known_;
  std::pair<std::string, std::string> key_;
};

}  // namespace

std::vector<SoilLayer> ParseLayerTable(TextView content) {
  std::vector<SoilLayer> layers;
  ForEachLayerLine(std::string_view(EncodeCp932(content)), [&](const LayerLine& layer) {
    layers.push_back({layer.depth, DecodeCp932(layer.code), DecodeCp932(layer.name)});
  });
  return layers;
}

LayerTable ParseLayerTableBytes(std::string_view bytes) {
  LayerTableMaker maker;
  ForEachLayerLine(bytes, std::ref(maker));
  return maker.Take();
}

LayerTable ReadLayerTable(const OutputContext& out) {
  const Text path = out.PathOf(U"X1.txt");
  if (out.fs.KindOf(path) != EntryKind::kFile) return {};
  // Read as this program wrote it: a link planted under its name would show another file's text.
  // In pieces: the file is as large as its layers, and only the table made of it is kept.
  LayerTableMaker maker;
  ForEachLayerLine(*out.fs.OpenReadBack(path), std::ref(maker));
  return maker.Take();
}

LayerLookup::LayerLookup(const std::vector<SoilLayer>& layers) : soils_(layers.data()) {
  reach_.reserve(layers.size());
  soilOf_.reserve(layers.size());
  for (const SoilLayer& layer : layers) {
    reach_.push_back(layer.depth);
    soilOf_.push_back(static_cast<std::uint32_t>(soilOf_.size()));
  }
  ReachDeepest();
}

LayerLookup::LayerLookup(LayerTable& table)
    : reach_(std::move(table.depths)),
      soilOf_(std::move(table.soilOf)),
      soils_(table.soils.data()) {
  ReachDeepest();
}

void LayerLookup::ReachDeepest() {
  float deepest = -std::numeric_limits<float>::infinity();
  for (float& depth : reach_) {
    if (depth > deepest) deepest = depth;  // a NaN boundary is never deeper
    depth = deepest;
  }
}

const SoilLayer* LayerLookup::Find(TextView depthCell) const {
  // The first layer deeper than the depth is the first whose running deepest boundary is: every
  // layer before it lies at or above the depth. Layers need not be sorted for this.
  return FindValue(NumericValue(depthCell));
}

const SoilLayer* LayerLookup::FindValue(double value) const {
  const float depth = RoundToSingle(value);
  if (std::isnan(depth)) return nullptr;
  const auto at = std::upper_bound(reach_.begin(), reach_.end(), depth);
  return at == reach_.end() ? nullptr
                            : &soils_[soilOf_[static_cast<std::size_t>(at - reach_.begin())]];
}

namespace {

/// The condition codes of the values 1 to 4.
constexpr std::array<const char32_t*, 4> kConditionCodes = {U"ＵＵ", U"ＣＵ", U"ＵＣ", U"ＣＤ"};

/// Which of kConditionCodes a value stands for, from 1; 0 for none.
std::size_t ConditionOf(double value) {
  for (std::size_t code = 1; code <= kConditionCodes.size(); ++code) {
    if (value == static_cast<double>(code)) return code;
  }
  return 0;
}

}  // namespace

Text ConditionCode(TextView cell) {
  if (IsBlankOrEmpty(cell)) return Text();
  const std::size_t code = ConditionOf(NumericValue(cell));
  return code == 0 ? Text() : Text(kConditionCodes[code - 1]);
}

Text AngleText(TextView wholeCell, TextView sixtiethsCell) {
  Text text;
  AppendAngleText(text, wholeCell, sixtiethsCell);
  return text;
}

namespace {

/// The fraction's digits as AppendAngleText writes them after the whole.
void AppendFractionOfSixtieths(Text& out, double sixtieths) {
  const std::size_t base = out.size();
  AppendNumberText(out, sixtieths / 60.0);
  // The digits after "0." of the fraction, three at most, with no point of their own.
  if (out.size() - base > 2) {
    out.erase(base, 2);
    out.resize(std::min(out.size(), base + 3));
  } else {
    out.resize(base);
  }
}

/// The fraction of the sixtieths as AppendAngleText writes it.
void AppendSixtiethsText(Text& out, double sixtieths) {
  // A fraction from 0.001 up has at least four places in its 15 digits, unless it lies within
  // far less than a billionth of a thousandth: then its first three are the thousandths of it.
  const double fraction = sixtieths / 60.0;
  const double thousandths = fraction * 1000;
  const double whole = std::floor(thousandths);
  if (fraction >= 0.001 && fraction < 1 && thousandths - whole > 1e-9 &&
      thousandths - whole < 1 - 1e-9) {
    const auto digits = static_cast<int>(whole);
    out += static_cast<char32_t>(U'0' + digits / 100);
    out += static_cast<char32_t>(U'0' + digits / 10 % 10);
    out += static_cast<char32_t>(U'0' + digits % 10);
    return;
  }
  AppendFractionOfSixtieths(out, sixtieths);
}

}  // namespace

namespace {

/// ConditionCode of value 16, onto a line of bytes.
void AppendConditionCode(std::string& line, const RecordTable::Record& cells) {
  static const std::array<std::string, kConditionCodes.size()> kBytes = [] {
    std::array<std::string, kConditionCodes.size()> bytes;
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = EncodeCp932(kConditionCodes[i]);
    return bytes;
  }();
  if (cells.Cp932(16).find_first_not_of(' ') == std::string_view::npos) return;
  if (const std::size_t code = ConditionOf(cells.Number(16))) line += kBytes[code - 1];
}

/// AngleText of values 18 and 19, onto a line of bytes: from their bytes where both are numbers
/// written plainly, through their texts otherwise.
void AppendAngleCells(std::string& line, const RecordTable::Record& cells, Text& scratch) {
  const std::string_view whole = cells.Cp932(18);
  if (whole.find_first_not_of(' ') == std::string_view::npos) return;
  const std::size_t base = line.size();
  if (AppendNumberOrEmptyBytes(line, whole)) {
    const std::size_t sixtiethsAt = line.size();
    if (AppendNumberOrEmptyBytes(line, cells.Cp932(19))) {
      // The sixtieths' text read back, as the text route does; an empty text reads as 0.
      const double sixtieths = NumericValueOfCp932(std::string_view(line).substr(sixtiethsAt));
      line.resize(sixtiethsAt);
      scratch.clear();
      AppendSixtiethsText(scratch, sixtieths);
      AppendCp932(scratch, line);
      return;
    }
  }
  line.resize(base);
  scratch.clear();
  AppendAngleText(scratch, cells[18], cells[19]);
  AppendCp932(scratch, line);
}

}  // namespace

void AppendAngleText(Text& out, TextView wholeCell, TextView sixtiethsCell) {
  if (IsBlankOrEmpty(wholeCell)) return;
  AppendNumberOrEmpty(out, wholeCell);
  // The sixtieths' text and the fraction's are made after the whole, then replaced. An empty
  // sixtieths text reads as 0, as the text of 0 does.
  const std::size_t base = out.size();
  AppendNumberOrEmpty(out, sixtiethsCell);
  const double sixtieths = NumericValue(TextView(out).substr(base));
  out.resize(base);
  AppendSixtiethsText(out, sixtieths);
}

TextLines X100Lines(const RecordTable& table, const std::vector<SoilLayer>& layers) {
  return X100Lines(table, LayerLookup(layers));
}

TextLines X100Lines(const RecordTable& table, const LayerLookup& lookup, TextLines lines) {
  // (field, value) pairs of the plain numbers up to field 29; fields 24 to 27 take values 8, 10,
  // 9, 11.
  static constexpr std::array<std::array<int, 2>, 11> kNumbers = {{
      {14, 4},
      {15, 5},
      {16, 6},
      {17, 7},
      {21, 12},
      {22, 13},
      {24, 8},
      {25, 10},
      {26, 9},
      {27, 11},
      {29, 14},
  }};
  const auto rest = [&](std::string& line, const RecordTable::Record& cells, int, Text& scratch) {
    // Fields are written in order; moving on to a later one leaves those between empty.
    int at = 1;
    const auto to = [&line, &at](int number) {
      // One comma at a time: most moves are one field on, and a comma so added costs no call.
      for (; at < number; ++at) line += ',';
    };
    to(2);
    AppendDepthCell(line, cells, 2, scratch);
    to(3);
    AppendDepthCell(line, cells, 3, scratch);
    if (const SoilLayer* layer = lookup.FindValue(cells.Number(2))) {
      to(8);
      AppendCp932(layer->productCode, line);
      to(9);
      AppendCp932(layer->soilName, line);
    }
    for (const auto& [number, value] : kNumbers) {
      to(number);
      AppendNumberCell(line, cells, value, scratch);
    }
    to(30);
    AppendConditionCode(line, cells);
    to(31);
    AppendNumberCell(line, cells, 17, scratch);
    to(32);
    AppendAngleCells(line, cells, scratch);
    to(static_cast<int>(kX100Fields));
  };
  return RecordLines(table, std::move(lines), rest);
}

TextLines X100ALines(const RecordTable& table, TextLines lines) {
  return RecordLines(table, std::move(lines),
                     [](std::string& line, const RecordTable::Record& cells, int r, Text& scratch) {
                       for (const int value : {1, 15, 20, 21}) {
                         line += ',';
                         AppendNumberCell(line, cells, value, scratch);
                       }
                       for (const int value : {22, 23}) {
                         line += ',';
                         if (AppendExponentNumberBytes(line, cells.Cp932(value))) continue;
                         scratch.clear();
                         AppendExponentField(scratch, cells[value], value, r);
                         AppendCp932(scratch, line);
                       }
                     });
}

void WriteX100File(const OutputContext& out, const RecordTable& table) {
  LayerTable layers = ReadLayerTable(out);
  out.WriteLines(U"X100.txt", X100Lines(table, LayerLookup(layers), out.Lines(U"X100.txt")));
}

void WriteX100AFile(const OutputContext& out, const RecordTable& table) {
  out.WriteLines(U"X100A.txt", X100ALines(table, out.Lines(U"X100A.txt")));
}

}  // namespace tecris2nx
