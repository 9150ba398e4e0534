#pragma once

#include <cstdint>

#include "common/error.h"
#include "sections/section_dispatch.h"
#include "tecris/field_reader.h"

namespace tecris2nx {

/// A section the walk has read: its row, its storage and where it lies in the file.
struct ReadSection {
  std::size_t row;
  const SectionHandler& handler;
  const SectionData& data;
  std::uint64_t markerStart;  ///< where its marker field begins
  std::uint64_t end;          ///< where the field after its last begins
  const SectionStore& store;  ///< every section's storage, as far as it is kept
  /// The storage as the type its row declares (RecordTable, SectionFData...).
  template <typename T>
  const T& As() const {
    return StorageAs<T>(handler, data);
  }
};

/// Where the walk stopped before the end of the file.
struct WalkStop {
  /// The marker no row takes next (out of order, or no section's letter); empty when a field
  /// after the last section was not empty.
  Text marker;
  std::uint64_t markerStart = 0;
  /// For an empty marker: the empty fields read after it, and the field after them that was not.
  long long emptyAfter = 0;
  Text notEmpty;
};

/// What the walk hands a file's sections to: the conversion's writers, check mode, the picture.
class SectionConsumer {
 public:
  virtual ~SectionConsumer() = default;
  /// The section of `row` begins: its marker was the last field read.
  virtual void Begin(std::size_t row) { (void)row; }
  /// A problem that stops the conversion, and the walk with it: reading the section of `row`
  /// failed, or it holds values the conversion cannot evaluate (each is reported; the section is
  /// not handed to Read).
  virtual void Problem(const ConversionError& error, std::size_t row) = 0;
  /// The section of `row` was read and its values evaluated; its storage holds until the row's
  /// release.
  virtual void Read(const ReadSection& section) = 0;
  /// The walk stopped before the end of the file; `in` is just past what the walk read.
  virtual void Stopped(const WalkStop& stop, FieldReader& in) { (void)stop, (void)in; }
  /// The walk ended without a reading problem; `store` holds what rows keep past the walk (and
  /// the problems of values evaluated after the walk were reported).
  virtual void Ended(const SectionStore& store) { (void)store; }
  /// False once the consumer wants no further section; the walk ends when it says so after a
  /// section.
  virtual bool WantsMore() const { return true; }
};

/// Reads the file's sections from its first field, in the order of the section table, and hands
/// each read section to `consumer`: the one reading that conversion and check mode share.
void WalkSections(FieldReader& in, SectionConsumer& consumer);

}  // namespace tecris2nx
