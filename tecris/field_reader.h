#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "common/error.h"
#include "common/file_system.h"
#include "common/text.h"

namespace tecris2nx {

/// A field as an observer is handed it: where it begins, its bytes and its number in its section
/// (FieldReader::SectionFieldCount once it was read).
struct ObservedField {
  std::uint64_t start = 0;
  std::string_view bytes;
  int number = 0;
};

/// Sees a file's bytes once each, in order, and every field read: what check mode needs to place
/// its findings and to look at every byte, without the file being held.
class ReadObserver {
 public:
  virtual ~ReadObserver() = default;
  /// The next bytes of the file, from `offset`, before the reader lets them go.
  virtual void Bytes(std::string_view bytes, std::uint64_t offset) = 0;
  /// A field was read: where it begins and its bytes, which hold until the next read. Every byte
  /// before `start` has been handed to Bytes.
  virtual void Field(std::uint64_t start, std::string_view bytes) = 0;
  /// Fields read, in order, handed together while loads are observed (FieldReader::ObserveLoads);
  /// their bytes hold until the reader loads more. One call for many fields costs less than one
  /// for each: a file has millions.
  virtual void Fields(std::span<const ObservedField> fields) {
    for (const ObservedField& field : fields) Field(field.start, field.bytes);
  }
  /// False: while loads are observed, Fields is handed only the first four fields of each section
  /// and those that are not a short plain decimal (FieldReader::IsShortPlainDecimalField: markers
  /// among them), each with its number. An observer that places nothing needs no more: most of a
  /// file's millions of fields are plain numbers, in which no check finds anything.
  virtual bool WantsEveryField() const { return true; }
};

/// A field that may be a section's marker: one letter, half-width or full-width (those are two
/// bytes led by 0x82).
inline bool MayBeMarker(std::string_view bytes) {
  if (bytes.empty() || bytes.size() > 2) return false;
  const auto first = static_cast<unsigned char>(bytes[0]);
  return bytes.size() == 1 ? (first | 0x20) >= 'a' && (first | 0x20) <= 'z' : first == 0x82;
}

/// Reads a TECRIS file's CP932 bytes field by field: comma- and line-delimited, quoted fields
/// allowed. A single 0x1A (end-of-file mark) at the very end is not data.
class FieldReader {
 public:
  /// Reads CP932 bytes as they are, decoding each field as it is taken: a whole file decoded at
  /// once would take four times its size.
  static FieldReader FromCp932(std::string bytes);

  /// Reads CP932 bytes from a source as they are needed: only the field in work is held.
  static FieldReader FromSource(std::unique_ptr<ByteSource> source);

  /// The next field. Throws ConversionError ("the file ends inside a section") when nothing is
  /// left, unless the previous field ended with a comma: that promises one more, empty, field.
  Text ReadField();

  /// ReadField without a copy: the view holds until the next read, as the field is decoded into
  /// a buffer that is used again for every field.
  TextView ReadFieldView();

  /// Moves past the next field without decoding it; fails as ReadField does.
  void SkipField();

  /// The next field's CP932 bytes, undecoded; they hold until the next read. Fails as ReadField
  /// does.
  std::string_view ReadFieldBytes();
  /// The same, and whether the field is a short plain decimal (IsShortPlainDecimalField).
  std::string_view ReadFieldBytes(bool& plainDecimal);

  /// Reads `count` fields, handing each to `take(index, bytes, plainDecimal, readable)` as it is
  /// read (index from 0): what `count` calls of ReadFieldBytes(bool&) do, with less work for most
  /// fields. The bytes hold only during the call; `readable` bytes from their start may be read
  /// (never fewer than the field's), so that a short field can be copied in one piece. `take` must
  /// not look at the reader: its place is brought up to date after the last field, or as of the
  /// field taken when `take` throws.
  template <typename Take>
  void ReadFields(int count, Take&& take) {
    int i = 0;
    // An observer of loads finds each field's bytes in what it was handed: its fields are noted
    // on the quick path too, so that counting warnings does not slow the reading.
    if (observer_ == nullptr) {
      i = QuickFields<false>(count, take);
    } else if (observeLoads_) {
      i = QuickFields<true>(count, take);
    }
    for (; i < count; ++i) {
      const Span span = Next();
      take(i, std::string_view(bytes_.data() + span.start, span.end - span.start),
           IsShortPlainDecimalField(span), bytes_.size() - span.start);
    }
  }

  /// True when no byte is left.
  bool AtEnd();

  /// Names the section whose fields follow, so that errors can say where they happened.
  void BeginSection(char32_t letter);
  char32_t Section() const { return section_; }
  /// Fields read since the last BeginSection (or since the start).
  int SectionFieldCount() const { return sectionFields_; }
  /// Fields read since the start of the file.
  long long FieldCount() const { return fields_; }
  /// Fields read so far that hold a CR or LF (only a quoted field can): a writer need not look
  /// for line ends in what it makes of fields read while this did not change.
  long long FieldsWithLineEnds() const { return lineEndFields_; }

  // Places are byte offsets into the file. Lines and columns are worked out from them only when
  // someone reports a place.

  /// Where the last field read begins (after leading blanks and an opening quote).
  std::uint64_t FieldStart() const { return fieldStart_; }
  /// Where the next read begins.
  std::uint64_t Position() const { return dropped_ + pos_; }
  /// Hands every byte and field from now on to `observer`; null stops it.
  void Observe(ReadObserver* observer) {
    FlushObserved();
    observer_ = observer;
    everyField_ = observer == nullptr || observer->WantsEveryField();
    sparse_ = observeLoads_ && !everyField_;
  }
  /// While loads are observed, fields are handed in batches: this hands those read so far. A
  /// consumer of the reader's fields calls it before it relies on the observer having seen them.
  void FlushObserved() {
    if (pending_.empty()) return;
    if (observer_) observer_->Fields(pending_);
    pending_.clear();
  }
  /// On: the observer is handed each piece of the file as soon as it is loaded, before any field
  /// in it, and each field then comes without the bytes before it (the observer finds them in
  /// what it was handed). Off again: bytes are handed up to each field from Position() on, so the
  /// observer must forget what it was handed beyond it.
  void ObserveLoads(bool on);
  /// Reads the rest of the file for the observer (the end-of-file mark included), in pieces; the
  /// reader is at its end afterwards.
  void ObserveRest();

 private:
  /// Where the next field lies, found without moving the reader.
  struct Span {
    std::size_t start = 0, end = 0;  ///< the field's characters
    std::size_t next = 0;            ///< just past its delimiter
    bool comma = false;              ///< the delimiter was a comma
    bool incomplete = false;         ///< the search ran into the end of what is loaded
    bool quoted = false;             ///< only a quoted field may hold a line end
    /// The field's bytes by kind (kDigit... below), counted as Scan meets them; kNotCounted for
    /// a quoted field.
    std::uint32_t kinds = 0;
  };
  // Byte kinds, counted in eight bits each: a field of at most 255 bytes, the only ones told from
  // their counts, cannot carry one count into the next.
  static constexpr std::uint32_t kDigit = 1;
  static constexpr std::uint32_t kPoint = 1U << 8;
  static constexpr std::uint32_t kSign = 1U << 16;
  static constexpr std::uint32_t kOther = 1U << 24;  ///< blanks among them
  static constexpr std::uint32_t kNotCounted = kOther;
  /// The span's bytes are digits in ASCII with at most one point, perhaps signed, in at most 255
  /// bytes: a field in which no number check can find anything. Told from its counted kinds.
  bool IsShortPlainDecimalField(const Span& span) const {
    return IsShortPlainDecimal(span.kinds, span.end - span.start, bytes_.data() + span.start);
  }
  static bool IsShortPlainDecimal(std::uint32_t kinds, std::size_t size, const char* first) {
    if (size > 255) return false;
    // Digits and at most one point, nothing else; a sign only in front.
    if (kinds < 2 * kPoint) return (kinds & (kPoint - 1)) != 0;
    if (kinds - kSign >= 2 * kPoint || (kinds & (kPoint - 1)) == 0) return false;
    return *first == '-' || *first == '+';
  }
  static Span Scan(std::string_view data, std::size_t pos);
  /// ReadFields' loop over the fields that QuickField finds, up to `count`: how many it read.
  /// `kNoted`: each is noted for the observer of loads as NoteField would.
  template <bool kNoted, typename Take>
  [[gnu::always_inline]] int QuickFields(int count, Take& take) {
    // The place is kept here and written once: what `take` writes could be any byte to the
    // compiler, which would then read it again and write it back for every field.
    const char* const data = bytes_.data();
    const char* const end = data + bytes_.size();
    const char* p = data + pos_;
    const char* first = nullptr;      // the last field read
    const char* delimiter = nullptr;  // and its delimiter
    const auto settle = [&](int read) {
      if (read == 0) return;
      pos_ = static_cast<std::size_t>(p - data);
      lastEndedWithComma_ = *delimiter == ',';
      fields_ += read;
      sectionFields_ += read;
      fieldStart_ = dropped_ + static_cast<std::uint64_t>(first - data);
    };
    int i = 0;
    try {
      for (; i < count; ++i) {
        std::size_t size = 0;
        bool plain = false;
        if (!QuickField(p, end, size, plain)) break;
        first = p;
        delimiter = p + size;
        p = delimiter + (*delimiter == '\r' && delimiter[1] == '\n' ? 2 : 1);
        if constexpr (kNoted) {
          const int number = sectionFields_ + i + 1;
          if (!(sparse_ && number > kLeadingFields && plain)) {
            pending_.push_back({dropped_ + static_cast<std::uint64_t>(first - data),
                                std::string_view(first, size), number});
            if (pending_.size() >= kFieldsPerBatch) FlushObserved();
          }
        }
        take(i, std::string_view(first, size), plain, static_cast<std::size_t>(end - first));
      }
    } catch (...) {
      settle(i + 1);
      throw;
    }
    settle(i);
    return i;
  }
  static constexpr std::uint32_t kEnd = 1U << 31;  ///< a delimiter
  /// Every byte's kind (kDigit...) or kEnd.
  static constexpr std::array<std::uint32_t, 256> kKinds = [] {
    std::array<std::uint32_t, 256> kinds{};
    kinds.fill(kOther);
    for (char c = '0'; c <= '9'; ++c) kinds[static_cast<unsigned char>(c)] = kDigit;
    kinds['.'] = kPoint;
    kinds['-'] = kinds['+'] = kSign;
    kinds[','] = kinds['\r'] = kinds['\n'] = kEnd;
    return kinds;
  }();
  /// The size of the field at `first`, when it needs nothing but finding its end: no blank or
  /// quote at its edges, its delimiter (and a LF after a CR) loaded. `plain`: it is a short plain
  /// decimal (IsShortPlainDecimalField). False for any other field.
  static bool QuickField(const char* first, const char* end, std::size_t& size, bool& plain) {
    if (end - first < 2 || *first == ' ' || *first == '"') return false;
    const char* p = first;
#if defined(__SSE2__)
    // Most fields are a few bytes: sixteen are looked at together, and their kinds told from
    // masks.
    if (end - first >= 16) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(first));
      const auto mask = [&v](char c) {
        return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8(c))));
      };
      const unsigned ends = mask(',') | mask('\r') | mask('\n');
      if (ends != 0) {
        const int n = std::countr_zero(ends);
        p = first + n;
        if (end - p < 2 || (n > 0 && p[-1] == ' ')) return false;
        const unsigned within = (1U << n) - 1;
        const __m128i digit = _mm_and_si128(_mm_cmpgt_epi8(v, _mm_set1_epi8('0' - 1)),
                                            _mm_cmplt_epi8(v, _mm_set1_epi8('9' + 1)));
        const unsigned digits = static_cast<unsigned>(_mm_movemask_epi8(digit)) & within;
        const unsigned points = mask('.') & within;
        const unsigned signs = (mask('-') | mask('+')) & within;
        // Digits, at most one point, at most one sign and that in front.
        plain = digits != 0 && (digits | points | signs) == within &&
                (points & (points - 1)) == 0 && (signs & ~1U) == 0;
        size = static_cast<std::size_t>(n);
        return true;
      }
    }
#endif
    std::uint32_t kinds = 0;
    for (; p < end; ++p) {
      const std::uint32_t kind = kKinds[static_cast<unsigned char>(*p)];
      if ((kind & kEnd) != 0) break;
      kinds += kind;
    }
    if (end - p < 2 || (p > first && p[-1] == ' ')) return false;
    size = static_cast<std::size_t>(p - first);
    if (size > kLongestField) return false;
    plain = IsShortPlainDecimal(kinds, size, first);
    return true;
  }
  /// The longest field read from a source. No TECRIS field comes near it; a longer one is refused
  /// rather than held, since each of its characters takes four bytes once decoded.
  static constexpr std::size_t kLongestField = std::size_t{16} << 20;

  FieldReader() = default;
  /// Loads more bytes from the source; false when it has none left.
  bool Load();
  /// Finds the next field and moves past it; an empty span for the field a trailing comma promised.
  Span Next();
  TextView Decode(const Span& span);
  void NoteField(const Span& span) {
    fieldStart_ = dropped_ + span.start;
    if (observer_ == nullptr) return;
    if (sparse_ && sectionFields_ > kLeadingFields && IsShortPlainDecimalField(span)) return;
    const std::string_view bytes(bytes_.data() + span.start, span.end - span.start);
    if (!observeLoads_) {
      Feed(fieldStart_);
      observer_->Field(fieldStart_, bytes);
      return;
    }
    pending_.push_back({fieldStart_, bytes, sectionFields_});
    if (pending_.size() >= kFieldsPerBatch) FlushObserved();
  }
  static constexpr std::size_t kFieldsPerBatch = 256;
  /// Fields handed from the start of every section, whatever the observer wants.
  static constexpr int kLeadingFields = 4;
  /// Hands the observer the bytes up to `upTo` (a file offset) not handed yet.
  void Feed(std::uint64_t upTo);
  /// Hands what is loaded and not handed yet, but a last end-of-file mark while more may follow.
  void FeedLoaded();

  std::string bytes_;
  std::unique_ptr<ByteSource> source_;  ///< set while a source may hold further bytes
  Text field_;  ///< holds the last field decoded at its start; only ever grows
  std::size_t pos_ = 0;
  bool lastEndedWithComma_ = false;
  char32_t section_ = 0;
  int sectionFields_ = 0;
  long long fields_ = 0;
  long long lineEndFields_ = 0;
  std::uint64_t dropped_ = 0;  ///< bytes of the source let go by Load
  std::uint64_t fieldStart_ = 0;
  ReadObserver* observer_ = nullptr;
  std::uint64_t observed_ = 0;          ///< bytes handed to the observer
  std::vector<ObservedField> pending_;  ///< fields read and not handed yet; views into bytes_
  bool observeLoads_ = false;
  bool everyField_ = true;  ///< the observer wants every field (ReadObserver::WantsEveryField)
  bool sparse_ = false;     ///< fields are handed in part: loads are observed, not every field
  bool endMark_ = false;    ///< the file ended in the end-of-file mark, dropped from bytes_
};

/// The marker conversion: full-width to half-width, then upper case; compared whole with "A" to
/// "H".
Text MarkerText(TextView field);

/// Reads a record count: NumericValue rounded to 16 bits (halves to even). Throws ConversionError
/// when the result lies outside 0..32767.
std::int16_t ReadCount(FieldReader& in);

/// A ConversionError that names the reader's section and field.
[[noreturn]] void ThrowAtField(const FieldReader& in, const Text& problem,
                               ConversionProblem kind = ConversionProblem::kOther);

}  // namespace tecris2nx
