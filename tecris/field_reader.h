#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "common/error.h"
#include "common/file_system.h"
#include "common/text.h"

namespace tecris2nx {

/// Sees a file's bytes once each, in order, and every field read: what check mode needs to place
/// its findings and to look at every byte, without the file being held.
class ReadObserver {
 public:
  virtual ~ReadObserver() = default;
  /// The next bytes of the file, from `offset`, handed as soon as they are loaded: before any
  /// field in them.
  virtual void Bytes(std::string_view bytes, std::uint64_t offset) = 0;
  /// A field was read: where it begins and its bytes, which hold until the next read.
  virtual void Field(std::uint64_t start, std::string_view bytes) = 0;
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

  /// True when no byte is left.
  bool AtEnd();

  /// Names the section whose fields follow, so that errors can say where they happened.
  void BeginSection(char32_t letter);
  char32_t Section() const { return section_; }
  /// Fields read since the last BeginSection (or since the start).
  int SectionFieldCount() const { return sectionFields_; }
  /// Fields read since the start of the file.
  long long FieldCount() const { return fields_; }

  // Places are byte offsets into the file. Lines and columns are worked out from them only when
  // someone reports a place.

  /// Where the last field read begins (after leading blanks and an opening quote).
  std::uint64_t FieldStart() const { return fieldStart_; }
  /// Where the next read begins.
  std::uint64_t Position() const { return dropped_ + pos_; }
  /// Hands `observer` every byte not handed yet, as it is loaded, and every field read from now
  /// on; null stops it.
  void Observe(ReadObserver* observer) {
    observer_ = observer;
    FeedLoaded();
  }
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
  };
  static Span Scan(std::string_view data, std::size_t pos);
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
    if (observer_ != nullptr) {
      observer_->Field(fieldStart_,
                       std::string_view(bytes_.data() + span.start, span.end - span.start));
    }
  }
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
  std::uint64_t dropped_ = 0;  ///< bytes of the source let go by Load
  std::uint64_t fieldStart_ = 0;
  ReadObserver* observer_ = nullptr;
  std::uint64_t observed_ = 0;  ///< bytes handed to the observer
  bool endMark_ = false;        ///< the file ended in the end-of-file mark, dropped from bytes_
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
