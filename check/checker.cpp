#include "check/checker.h"
#include "check/file_notices.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>
#include <set>
#include <span>

#include "common/cp932.h"
#include "common/error.h"
#include "common/formatting.h"
#include "common/number_scan.h"
#include "sections/section_check.h"
#include "tecris/path_helpers.h"

namespace tecris2nx {
namespace {

/// What check mode keeps of one section while the walk may still report on it.
struct Segment {
  std::size_t row = 0;
  char32_t letter = 0;  ///< the section's own
  std::uint64_t marker = 0;
  OffsetList places;              ///< field n of the section (after its marker) at index n - 1
  std::array<Text, 4> texts;      ///< fields 1 to 4: the count is field 3, the lead field 4
  std::vector<int> laterMarkers;  ///< fields that read as the marker of a later section
  int count = 0;
  bool leadOpens = false;
  /// Values beyond every range as plain numbers, (record, value), for a section whose used values
  /// are known only after the walk.
  std::vector<std::pair<int, int>> beyond;
  std::vector<double> depths;  ///< each record's depth, for the section's own checks
};

/// Empty or only blanks: a blank byte is a blank character in CP932, and no other byte is.
bool IsBlanks(std::string_view bytes) {
  return bytes.find_first_not_of(' ') == std::string_view::npos;
}

/// A value in which no number check can find anything: a plain decimal, or a plain exponent
/// form with a half-width letter and at most two exponent digits, short enough that no exponent
/// can leave the range. An exponent value may also go on after a full-width exponent letter
/// ("1.25Ｅ-5"): the exponent rule reads it, and its plain reading, which stops at the letter,
/// stays in range.
bool NothingToCheck(std::string_view bytes, bool exponentValue) {
  const NumberScan number = ScanNumber(bytes);
  if (number.IsPlainDecimal()) return bytes.size() < 300;
  if (number.lead != 0 || number.letter == NumberScan::kNone) return false;
  if (number.fullWidthLetter) return exponentValue && number.letter < 300;
  return number.IsPlainExponent() && bytes.size() < 40 && number.exponentDigits <= 2;
}

const char* CodeOf(ConversionProblem problem) {
  switch (problem) {
    case ConversionProblem::kEndInsideSection:
      return "T101";
    case ConversionProblem::kCountRange:
      return "T102";
    case ConversionProblem::kExponentRange:
      return "T103";
    case ConversionProblem::kNumberRange:
      return "T104";
    case ConversionProblem::kTooManyRows:
      return "T105";
    case ConversionProblem::kOther:
      break;
  }
  return "T100";
}

/// How findings of one offset are ordered: bytes first, then what holds for the whole file.
enum Order { kByteOrder = 0, kFileOrder = 1, kSectionOrder = 2, kNoticeOrder = 3 };

}  // namespace

struct FileChecker::State {
  State(const FileSystem& fs, const CheckSettings& settings)
      : fs(fs),
        settings(settings),
        bytes([this](const char* code, Severity severity, const Place& place, Text message) {
          Add({code, severity, 0, 0, 0, place.offset, place.line, place.column, std::move(message)},
              kByteOrder);
        }) {
    if (settings.countOnly) bytes.StopRecording();  // counted findings have no place
  }

  void Add(Finding finding, Order order) {
    if (settings.countOnly) {
      ++leftOut[static_cast<std::size_t>(finding.severity)];
      return;
    }
    int& seen = perCode[finding.code];
    if (++seen > kFindingsPerCode) {
      ++leftOut[static_cast<std::size_t>(finding.severity)];
      leftOutCodes[finding.code].second = finding.severity;
      ++leftOutCodes[finding.code].first;
      return;
    }
    findings.push_back(std::move(finding));
    orders.push_back(order);
  }

  void AddAt(const Place& place, const char* code, Severity severity, char32_t section, int record,
             int value, Text message) {
    Add({code, severity, section, record, value, place.offset, place.line, place.column,
         std::move(message)},
        kSectionOrder);
  }

  void AddAtEnd(const char* code, Severity severity, char32_t section, Text message) {
    atEnd.push_back(findings.size());
    Add({code, severity, section, 0, 0, 0, 0, 0, std::move(message)}, kSectionOrder);
    if (findings.size() == atEnd.back()) atEnd.pop_back();  // left out
  }

  Segment* SegmentOf(std::size_t row) {
    if (current && current->row == row) return current.get();
    if (kept[row]) return kept[row].get();
    if (last && last->row == row) return last.get();
    return nullptr;
  }

  Place PlaceOf(std::uint64_t offset) const {
    // Without the bytes walked every place is the file's start; counted findings have none.
    return settings.depthsOnly || settings.countOnly ? Place{} : bytes.PlaceOf(offset);
  }

  /// Field n of the section (after its marker); the marker for 0.
  Place FieldPlace(const Segment& segment, int field) const {
    if (settings.depthsOnly || settings.countOnly) return Place{};  // no field's place is kept
    if (field <= 0) return PlaceOf(segment.marker);
    const auto index = static_cast<std::size_t>(field - 1);
    return PlaceOf(index < segment.places.size() ? segment.places.At(index) : lastField);
  }

  static bool LeadOpens(const Segment& segment, const SectionHandler& handler) {
    return handler.shape.opened && segment.places.size() >= 4 &&
           segment.texts[3] == Text(1, handler.letter);
  }

  void CheckCount(char32_t letter, int count, const Segment& segment);
  void CheckRecords(const SectionHandler& handler, const SectionData& data,
                    const SectionStore& store, Segment& segment);
  void CheckUnused(const SectionHandler& handler, const SectionData& data,
                   const SectionStore& store, const Segment& segment,
                   const std::vector<std::pair<int, int>>& beyond);
  void ReportCountTooLarge(const Segment& segment, int count, bool leadOpens);
  /// A field read: where it begins and its bytes.
  void Take(std::uint64_t start, std::string_view bytes);

  const FileSystem& fs;
  const CheckSettings& settings;
  ByteWalker bytes;
  std::vector<Finding> findings;
  std::vector<Order> orders;
  std::vector<std::size_t> atEnd;  ///< findings placed once the end of the file is known
  std::map<std::string, int> perCode;
  std::map<std::string, std::pair<int, Severity>> leftOutCodes;
  std::array<int, 3> leftOut{};
  std::map<std::string, double, std::less<>> facts;
  std::unique_ptr<Segment> current;  ///< the section being read
  std::unique_ptr<Segment> last;     ///< the last section read, when its storage is gone
  std::vector<std::unique_ptr<Segment>> kept =
      std::vector<std::unique_ptr<Segment>>(SectionHandlers().size());
  std::uint64_t lastField = 0;
  std::uint64_t markerPlace = 0;
  bool markerNext = true;  ///< the next field read is a marker
  bool noJobName = false;
};

namespace {

/// The checks a section's row carries, placed in its segment.
class Checks : public SectionChecks {
 public:
  using AddAt = std::function<void(const Place&, const char*, Severity, char32_t, int, int, Text)>;
  Checks(const SectionHandler& handler, const Segment& segment,
         std::function<Place(int field)> place, AddAt add, const FileSystem& fs,
         const Text& patternFolder, std::map<std::string, double, std::less<>>& facts,
         bool depthsOnly, std::array<int, 3>* counted)
      : handler_(handler),
        segment_(segment),
        place_(std::move(place)),
        add_(std::move(add)),
        fs_(fs),
        patternFolder_(patternFolder),
        facts_(facts),
        depthsOnly_(depthsOnly),
        counted_(counted) {}

  void Add(const char* code, Severity severity, int record, int value, Text message) override {
    // Counted alone, a finding needs no place: sections such as D have one on many records.
    if (counted_ != nullptr) {
      ++(*counted_)[static_cast<std::size_t>(severity)];
      return;
    }
    const int field = handler_.shape.values > 0
                          ? handler_.shape.FieldOf(record, value, segment_.leadOpens)
                          : value;
    add_(place_(field), code, severity, handler_.letter, record, value, std::move(message));
  }
  void AddAtMarker(const char* code, Severity severity, Text message) override {
    add_(place_(0), code, severity, handler_.letter, 0, 0, std::move(message));
  }
  const FileSystem& Files() const override { return fs_; }
  const Text& PatternFolder() const override { return patternFolder_; }
  bool DepthsOnly() const override { return depthsOnly_; }
  bool KeepsMessages() const override { return counted_ == nullptr; }
  std::span<const double> Depths() const override { return segment_.depths; }
  std::map<std::string, double, std::less<>>& Facts() override { return facts_; }

 private:
  const SectionHandler& handler_;
  const Segment& segment_;
  std::function<Place(int field)> place_;
  AddAt add_;
  const FileSystem& fs_;
  const Text& patternFolder_;
  std::map<std::string, double, std::less<>>& facts_;
  bool depthsOnly_;
  std::array<int, 3>* counted_;  ///< where findings are only counted; null when they are kept
};

}  // namespace

// The count was rounded to a whole number, or holds what a number check finds.
void FileChecker::State::CheckCount(char32_t letter, int count, const Segment& segment) {
  const Text& countText = segment.texts[2];
  const Place countPlace = FieldPlace(segment, 3);
  const NumberReading reading = ReadNumber(countText);
  if (reading.digits && reading.value != std::floor(reading.value)) {
    AddAt(countPlace, "T304", Severity::kWarning, letter, 0, 0,
          U"件数 " + Quoted(TrimBlanks(countText)) + U" は整数ではありません（" +
              DecimalText(count) + U" 件として読まれます）。");
  }
  CheckNumberText(countText, false, false, [&](const char* code, Severity severity, Text text) {
    AddAt(countPlace, code, severity, letter, 0, 0, std::move(text));
  });
}

void FileChecker::State::CheckRecords(const SectionHandler& handler, const SectionData& data,
                                      const SectionStore& store, Segment& segment) {
  const RecordShape& shape = handler.shape;
  const RecordTable& table = *handler.records(data);
  const char32_t letter = handler.letter;
  const auto at = [&](int record, int value, const char* code, Severity severity, Text message) {
    AddAt(FieldPlace(segment, shape.FieldOf(record, value, segment.leadOpens)), code, severity,
          letter, record, value, std::move(message));
  };
  if (!settings.depthsOnly) CheckCount(letter, table.count(), segment);
  std::vector<std::pair<int, int>> beyond;  // values beyond every range, as plain numbers
  // The values looked at as numbers, worked out once: the loops below run over every cell.
  struct NumberValue {
    int value = 0;
    bool exponent = false;
    bool depth = false;
  };
  std::vector<NumberValue> numberValues;
  for (int v = 1; v <= shape.values && !settings.depthsOnly; ++v) {
    if (shape.IsNumber(v)) numberValues.push_back({v, shape.IsExponent(v), v == shape.depth});
  }
  const auto checkNumber = [&](int r, const NumberValue& number, std::string_view bytes) {
    const int v = number.value;
    // A blank value other than the depth has nothing to be found in it.
    if (bytes.empty() ? !number.depth : NothingToCheck(bytes, number.exponent)) return;
    if (!number.depth && IsBlanks(bytes)) return;
    const Text cell = DecodeCp932(bytes);
    if (MayLeaveNumberRange(bytes) && ReadNumber(cell).overflow) {
      beyond.emplace_back(r, v);
      // The exponent rule reads it whole: how is told below.
      if (number.exponent) return;
    }
    CheckNumberText(cell, number.depth, number.exponent,
                    [&](const char* code, Severity severity, Text message) {
                      at(r, v, code, severity, std::move(message));
                    });
  };
  double previousDepth = NAN;
  double previousEnd = NAN;
  // The section's own checks may ask for the depths read here (SectionChecks::Depths).
  const bool keepDepths = handler.check != nullptr;
  if (keepDepths) segment.depths.reserve(static_cast<std::size_t>(table.count()));
  const auto checkDepths = [&](int r, std::string_view depthBytes, std::string_view endBytes) {
    const double depth = NumericValueOfCp932(depthBytes);
    const bool hasEnd = shape.end != 0 && !IsBlanks(endBytes);
    const double end = hasEnd ? NumericValueOfCp932(endBytes) : NAN;
    const auto depthText = [&] { return Quoted(TrimmedView(DecodeCp932(depthBytes))); };
    if (hasEnd && end < depth) {
      const Text endText = Quoted(TrimmedView(DecodeCp932(endBytes)));
      if (shape.endKind == EndKind::kSecondDepth) {
        at(r, shape.end, "T405", Severity::kWarning,
           U"2 番目の深度 " + endText + U" が 1 番目の深度 " + depthText() +
               U" より浅くなっています。");
      } else if (shape.endKind == EndKind::kIntervalEnd) {
        at(r, shape.end, "T407", Severity::kWarning,
           U"区間の終わり " + endText + U" が始まり " + depthText() + U" より浅くなっています。");
      }
    }
    if (shape.ascending && depth < previousDepth) {
      at(r, shape.depth, "T406", Severity::kWarning,
         U"深度 " + depthText() + U" が前の記録より浅くなっています。");
    }
    if (shape.noOverlap && depth < previousEnd) {
      at(r, shape.depth, "T408", Severity::kWarning,
         U"区間の始まり " + depthText() + U" が前の区間の終わりより浅く、区間が重なっています。");
    }
    previousDepth = depth;
    previousEnd = end;
    if (keepDepths) segment.depths.push_back(depth);
  };
  // Cells walked in reading order, each record's as bytes; decoded only for a finding.
  std::vector<std::string_view> cells(static_cast<std::size_t>(shape.values) + 1);
  RecordTable::Cursor cursor(table);
  for (int r = 1; r <= table.count(); ++r) {
    for (int v = 1; v <= shape.values; ++v) cells[static_cast<std::size_t>(v)] = cursor.Next();
    for (const NumberValue& number : numberValues) {
      checkNumber(r, number, cells[static_cast<std::size_t>(number.value)]);
    }
    checkDepths(r, cells[static_cast<std::size_t>(shape.depth)],
                cells[static_cast<std::size_t>(shape.end)]);
  }
  if (beyond.empty()) return;
  // Which values G and H use depends on both: that is known once the walk has ended.
  if (handler.evaluateAfterWalk) {
    segment.beyond = std::move(beyond);
  } else {
    CheckUnused(handler, data, store, segment, beyond);
  }
}

// A value beyond every range is an error only where the conversion evaluates it; elsewhere it is
// worth a warning.
void FileChecker::State::CheckUnused(const SectionHandler& handler, const SectionData& data,
                                     const SectionStore& store, const Segment& segment,
                                     const std::vector<std::pair<int, int>>& beyond) {
  const RecordTable& table = *handler.records(data);
  std::map<std::pair<int, int>, NumberUse> uses;
  const std::set<std::pair<int, int>> wanted(beyond.begin(), beyond.end());
  const NumberVisit visit = [&](const RecordTable::Record&, int record, int value, NumberUse use) {
    if (wanted.count({record, value}) != 0) uses[{record, value}] = use;
  };
  if (handler.numbers) {
    handler.numbers(data, store, visit);
  } else {
    VisitEveryNumber(handler.shape, table, visit);
  }
  for (const auto& [record, value] : beyond) {
    const Text cell = table.Cell(value, record);
    const Place place =
        FieldPlace(segment, handler.shape.FieldOf(record, value, segment.leadOpens));
    const auto use = uses.find({record, value});
    if (use == uses.end()) {
      AddAt(place, "T306", Severity::kWarning, handler.letter, record, value,
            U"値 " + Quoted(TrimmedView(cell)) +
                U" は数値の範囲を超えていますが、変換では使われません。");
    } else if (use->second == NumberUse::kExponent &&
               !NumberProblem(handler.letter, cell, record, value, use->second)) {
      AddAt(place, "T306", Severity::kWarning, handler.letter, record, value,
            U"値 " + Quoted(TrimmedView(cell)) +
                U" はそのままでは数値の範囲を超えますが、指数の規則で " + ExponentNumber(cell) +
                U" と読まれます。");
    }
  }
}

void FileChecker::State::ReportCountTooLarge(const Segment& segment, int count, bool leadOpens) {
  const SectionHandler& handler = SectionHandlers()[segment.row];
  for (int r = 1; r <= count; ++r) {
    const int field = handler.shape.FieldOf(r, 0, leadOpens);
    if (static_cast<std::size_t>(field) > segment.places.size()) return;
    if (std::binary_search(segment.laterMarkers.begin(), segment.laterMarkers.end(), field)) {
      AddAt(FieldPlace(segment, 3), "T202", Severity::kWarning, handler.letter, 0, 0,
            U"セクション " + Text(1, handler.letter) + U" の件数 " + DecimalText(count) +
                U" は続く記録より多いようです（フィールドからは " + DecimalText(r - 1) +
                U" 件に見えます）。");
      return;
    }
  }
}

FileChecker::FileChecker(const FileSystem& fs, const CheckSettings& settings)
    : state_(std::make_unique<State>(fs, settings)) {}

FileChecker::~FileChecker() = default;

void FileChecker::Bytes(std::string_view bytes, std::uint64_t) {
  if (!state_->settings.depthsOnly) state_->bytes.Feed(bytes);
}

void FileChecker::State::Take(std::uint64_t start, std::string_view bytes) {
  lastField = start;
  if (markerNext) {
    markerPlace = start;
    markerNext = false;
  }
  Segment* segment = current.get();
  if (segment == nullptr) return;
  segment->places.Push(start);
  const std::size_t field = segment->places.size();
  if (field <= segment->texts.size()) segment->texts[field - 1] = DecodeCp932(bytes);
  // Only a field of one character can be a marker: a letter, or a full-width one (two bytes).
  if (!MayBeMarker(bytes)) return;
  char32_t letter = static_cast<unsigned char>(bytes[0]) & ~0x20u;  // ASCII, upper case
  if (bytes.size() == 2) {
    const Text marker = MarkerText(DecodeCp932(bytes));
    if (marker.size() != 1) return;
    letter = marker[0];
  }
  // Records open with the section's own letter.
  if (letter == segment->letter) return;
  const std::optional<std::size_t> row = RowOf(letter);
  if (row && *row > segment->row) segment->laterMarkers.push_back(static_cast<int>(field));
}

void FileChecker::Field(std::uint64_t start, std::string_view bytes) { state_->Take(start, bytes); }

void FileChecker::NoJobName(FieldReader& in) {
  State& s = *state_;
  s.noJobName = true;
  const Text message = U"2 番目のフィールドがフォルダ名に使える 11 文字の識別子ではありません。";
  try {
    in.ReadFieldView();
    in.ReadFieldView();
  } catch (const ConversionError&) {
    return s.AddAtEnd("T106", Severity::kError, 0, message);
  }
  s.AddAt(s.PlaceOf(s.lastField), "T106", Severity::kError, 0, 0, 0, message);
}

void FileChecker::Begin(std::size_t row) {
  State& s = *state_;
  s.last.reset();
  s.current = std::make_unique<Segment>();
  s.current->row = row;
  s.current->letter = SectionHandlers()[row].letter;
  s.current->marker = s.markerPlace;
  // Findings are placed in the sections still held, none of which begins before this one or the
  // ones kept for the end of the walk.
  std::uint64_t from = s.markerPlace;
  for (const auto& kept : s.kept) {
    if (kept) from = std::min(from, kept->marker);
  }
  s.bytes.ForgetBefore(from);
}

void FileChecker::Problem(const ConversionError& error, std::size_t row) {
  State& s = *state_;
  const SectionHandler& handler = SectionHandlers()[row];
  Segment* segment = s.SegmentOf(row);
  const char* code = CodeOf(error.problem());
  const ProblemPlace& at = error.place();
  switch (error.problem()) {
    case ConversionProblem::kEndInsideSection: {
      s.AddAtEnd(code, Severity::kError, handler.letter, error.message());
      // A count larger than the records that follow runs the section into the next ones.
      if (segment == nullptr || handler.shape.values == 0 || segment->places.size() < 3) return;
      const int count = RoundToInt16(NumericValue(segment->texts[2])).value_or(0);
      s.ReportCountTooLarge(*segment, count, State::LeadOpens(*segment, handler));
      return;
    }
    case ConversionProblem::kNumberRange:
    case ConversionProblem::kExponentRange:
      if (segment != nullptr && (at.record > 0 || at.value > 0)) {
        const int field =
            handler.shape.values > 0
                ? handler.shape.FieldOf(at.record, at.value, State::LeadOpens(*segment, handler))
                : at.value;
        s.AddAt(s.FieldPlace(*segment, field), code, Severity::kError, handler.letter, at.record,
                at.value, error.message());
        return;
      }
      break;
    case ConversionProblem::kTooManyRows:
      if (segment != nullptr) {
        s.AddAt(s.FieldPlace(*segment, 3), code, Severity::kError, handler.letter, 0, 0,
                error.message());
        return;
      }
      break;
    default:
      break;
  }
  s.AddAt(s.PlaceOf(s.lastField), code, Severity::kError, handler.letter, at.record, at.value,
          error.message());
}

void FileChecker::Read(const ReadSection& section) {
  State& s = *state_;
  Segment& segment = *s.current;
  const SectionHandler& handler = section.handler;
  segment.leadOpens = State::LeadOpens(segment, handler);
  if (handler.records) {
    segment.count = handler.records(section.data)->count();
    s.CheckRecords(handler, section.data, section.store, segment);
  }
  if (handler.check) {
    Checks checks(
        handler, segment, [&](int field) { return s.FieldPlace(segment, field); },
        [&](const Place& place, const char* code, Severity severity, char32_t letter, int record,
            int value, Text message) {
          s.AddAt(place, code, severity, letter, record, value, std::move(message));
        },
        s.fs, s.settings.patternFolder, s.facts, s.settings.depthsOnly,
        s.settings.countOnly ? &s.leftOut : nullptr);
    handler.check(section.data, checks);
  }
  if (handler.release == ReleaseAt::kAfterWalk) {
    s.kept[section.row] = std::move(s.current);
  } else {
    s.last = std::move(s.current);
  }
  s.markerNext = true;
}

void FileChecker::Stopped(const WalkStop& stop, FieldReader& in) {
  State& s = *state_;
  const Segment* previous = s.last ? s.last.get() : nullptr;
  if (previous == nullptr) {
    for (const auto& kept : s.kept) {
      if (kept && (previous == nullptr || kept->row > previous->row)) previous = kept.get();
    }
  }
  const SectionHandler* handler = previous != nullptr ? &SectionHandlers()[previous->row] : nullptr;
  const bool records = handler != nullptr && handler->shape.values > 0;
  const Place markerPlace = s.PlaceOf(s.markerPlace);
  if (records) {
    // Whole records of the previous section, up to a later section's marker where a record would
    // begin (values such as colour letters may look like markers anywhere else).
    const long long width = 3 + handler->shape.values;
    long long fields = 0;
    bool found = false;
    constexpr long long kLookAhead = 1 << 20;
    // The fields from the marker on: those the walk read already, then the rest of the file.
    long long given = 0;
    const long long read = stop.marker.empty() && !stop.notEmpty.empty() ? stop.emptyAfter + 2 : 1;
    const auto atEnd = [&] { return given >= read && in.AtEnd(); };
    const auto next = [&]() -> Text {
      const long long index = given++;
      if (index == 0) return stop.marker;
      if (index < read - 1) return Text();
      if (index == read - 1) return MarkerText(stop.notEmpty);
      return MarkerText(in.ReadFieldView());
    };
    while (!atEnd() && fields < kLookAhead) {
      const Text text = next();
      if (fields % width == 0 && text.size() == 1) {
        const std::optional<std::size_t> row = RowOf(text[0]);
        if (row && *row > previous->row) {
          found = true;
          break;
        }
      }
      ++fields;
    }
    if (fields > 0 && (found || atEnd()) && fields % width == 0) {
      s.AddAt(s.FieldPlace(*previous, 3), "T201", Severity::kWarning, handler->letter, 0, 0,
              U"セクション " + Text(1, handler->letter) + U" の件数 " +
                  DecimalText(previous->count) +
                  U" は続く記録より少ないようです（フィールドからは " +
                  DecimalText(previous->count + fields / width) + U" 件に見えます）。マーカー " +
                  Quoted(stop.marker) + U" から先は変換されません。");
      return;
    }
  }
  if (stop.marker.size() == 1 && RowOf(stop.marker[0])) {
    s.AddAt(
        markerPlace, "T203", Severity::kWarning, stop.marker[0], 0, 0,
        U"セクション " + stop.marker +
            U" は順序が正しくない（A から H の順に一度ずつ）ため、そこから先は変換されません。");
    return;
  }
  if (records) s.ReportCountTooLarge(*previous, previous->count, previous->leadOpens);
  s.AddAt(markerPlace, "T204", Severity::kWarning, 0, 0, 0,
          U"マーカー " + Quoted(stop.marker) +
              U" はセクションの文字ではないため、そこから先は変換されません。");
}

void FileChecker::Ended(const SectionStore& store) {
  State& s = *state_;
  const std::span<const SectionHandler> handlers = SectionHandlers();
  for (std::size_t row = 0; row < handlers.size(); ++row) {
    const Segment* segment = s.kept[row].get();
    if (segment == nullptr || segment->beyond.empty()) continue;
    s.CheckUnused(handlers[row], store.At(row), store, *segment, segment->beyond);
  }
}

FileCheck FileChecker::Finish(FieldReader& in, const Text& path) {
  State& s = *state_;
  s.bytes.StopRecording();
  in.ObserveRest();
  s.bytes.Finish();
  const Place end = s.bytes.Here();
  for (const std::size_t i : s.atEnd) {
    s.findings[i].offset = end.offset;
    s.findings[i].line = end.line;
    s.findings[i].column = end.column;
  }
  if (!s.noJobName && s.settings.patternFolder.empty()) {
    s.Add({"T505", Severity::kInfo, 0, 0, 0, 0, 1, 1,
           U"パターンデータが見つかりません: それを使うチェックは省きました。"},
          kFileOrder);
  }
  for (const auto& [code, left] : s.leftOutCodes) {
    s.findings.push_back({"T900", Severity::kInfo, 0, 0, 0, end.offset, end.line, end.column,
                          U"コード " + FromUtf8(code) + U" の指摘はほかに " +
                              DecimalText(left.first) + U" 件あります（1 ファイルにつき " +
                              DecimalText(kFindingsPerCode) + U" 件まで示します）。"});
    s.orders.push_back(kNoticeOrder);
  }
  std::vector<std::size_t> order(s.findings.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    const Finding& fa = s.findings[a];
    const Finding& fb = s.findings[b];
    if (fa.offset != fb.offset) return fa.offset < fb.offset;
    return s.orders[a] < s.orders[b];
  });
  FileCheck check;
  check.path = path;
  check.findings.reserve(order.size());
  for (const std::size_t i : order) check.findings.push_back(std::move(s.findings[i]));
  check.leftOut = s.leftOut;
  return check;
}

namespace {

FileCheck CheckSource(const FileSystem& fs, const Text& path, std::unique_ptr<ByteSource> source,
                      SourceEncoding encoding, const CheckSettings& settings) {
  IdentifiedFile file = ReadJobName(std::move(source), settings.style);
  FieldReader in = FieldReader::FromSource(std::move(file.content));
  FileChecker checker(fs, settings);
  in.Observe(&checker);
  if (file.jobName.empty()) {
    checker.NoJobName(in);
  } else {
    WalkSections(in, checker);
  }
  FileCheck check = checker.Finish(in, path);
  check.jobName = file.jobName;
  AddFileNotices(check, encoding, settings.countOnly);
  return check;
}

FileCheck Unreadable(const Text& path, Text reason) {
  FileCheck check;
  check.path = path;
  check.findings.push_back({"T107", Severity::kError, 0, 0, 0, 0, 1, 1, std::move(reason)});
  return check;
}

}  // namespace

int FileCheck::Count(Severity severity) const {
  return leftOut[static_cast<std::size_t>(severity)] +
         static_cast<int>(
             std::count_if(findings.begin(), findings.end(),
                           [severity](const Finding& f) { return f.severity == severity; }));
}

FileCheck CheckTecrisBytes(const FileSystem& fs, const Text& path, std::string bytes,
                           const CheckSettings& settings) {
  SourceEncoding encoding = SourceEncoding::kCp932;
  if (settings.encoding != EncodingChoice::kCp932) {
    encoding =
        settings.encoding == EncodingChoice::kUtf8 ? SourceEncoding::kUtf8 : DetectEncoding(bytes);
    try {
      bytes = ConvertToCp932(bytes, encoding);
    } catch (const ConversionError& e) {
      return Unreadable(path, U"ファイルを読めません: " + e.message());
    }
  }
  return CheckSource(fs, path, HeldBytes(std::move(bytes)), encoding, settings);
}

FileCheck CheckTecrisFile(const FileSystem& fs, const Text& path, const CheckSettings& settings) {
  // Opened as the conversion opens it: the same tests, the same names.
  const EntryKind kind = fs.KindOf(path);
  if (kind == EntryKind::kNone) return Unreadable(path, U"ファイルがありません。");
  try {
    SourceEncoding encoding = SourceEncoding::kCp932;
    std::unique_ptr<ByteSource> source = OpenAsCp932(fs, path, settings.encoding, encoding);
    return CheckSource(fs, path, std::move(source), encoding, settings);
  } catch (const ConversionError& e) {
    return Unreadable(path, U"ファイルを読めません: " + e.message());
  } catch (const std::exception& e) {
    return Unreadable(path, U"ファイルを読めません: " + FromUtf8(e.what()));
  }
}

}  // namespace tecris2nx
