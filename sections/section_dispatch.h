#pragma once

#include <functional>
#include <memory>
#include <span>
#include <stdexcept>
#include <vector>

#include "common/error.h"
#include "sections/output_context.h"
#include "sections/section_check.h"
#include "sections/section_records.h"
#include "tecris/field_reader.h"

namespace tecris2nx {

/// What a section keeps from reading it until its storage is released; one per section and file.
class SectionData {
 public:
  virtual ~SectionData() = default;
};

/// A tag telling storage types apart without run-time type information.
template <typename T>
const void* StorageTag() {
  static const char tag = 0;
  return &tag;
}

/// A section's storage of type T.
template <typename T>
struct StoredSection : SectionData {
  T value{};
};

/// When a section's storage is released.
enum class ReleaseAt {
  kAfterWrite,  ///< once its own files are written: nothing later reads it
  kAfterWalk,   ///< once the steps after the walk have run
};

class SectionStore;

/// One row of the section table: a letter, the storage it declares, its records' shape, its reader
/// and writers, the evaluations that may fail, its own checks, when its storage is released and
/// any step after the walk.
struct SectionHandler {
  char32_t letter = 0;
  const void* storage = nullptr;  ///< StorageTag of the storage type
  std::function<std::unique_ptr<SectionData>()> makeStorage;
  std::function<void(FieldReader& in, SectionData& data)> read;
  /// Writes the section's files; empty when a step after the walk writes them.
  std::function<void(const OutputContext& out, const SectionData& data)> write;
  ReleaseAt release = ReleaseAt::kAfterWrite;
  /// Runs once the walk has ended, whether the section was read or not; may be empty.
  std::function<void(const OutputContext& out, const SectionStore& store)> afterWalk;
  /// How its records look; `values` 0 for a section of a layout of its own.
  RecordShape shape{};
  /// Its record table (of `shape`); null for none.
  std::function<const RecordTable*(const SectionData& data)> records;
  /// Hands every value its writers evaluate, in file order; empty when they evaluate every number
  /// value of the shape (VisitEveryNumber).
  std::function<void(const SectionData& data, const SectionStore& store, const NumberVisit& visit)>
      numbers;
  /// Evaluations of its own that may fail besides the values, each problem to `fail`; may be
  /// empty.
  std::function<void(const SectionData& data, const SectionStore& store, const ProblemSink& fail)>
      evaluate;
  /// Its values are evaluated once the walk has ended: a later section decides which are used.
  bool evaluateAfterWalk = false;
  /// The section's own checks; may be empty.
  std::function<void(const SectionData& data, SectionChecks& checks)> check;
};

/// The rows in the fixed letter order A to H.
std::span<const SectionHandler> SectionHandlers();

/// The row of the section with this letter; nothing when no row has it.
std::optional<std::size_t> RowOf(char32_t letter);

/// Every section's storage during one file's walk, one slot per row of the table, each made empty
/// at the start.
class SectionStore {
 public:
  SectionStore();
  SectionData& At(std::size_t row) { return *data_[row]; }
  const SectionData& At(std::size_t row) const { return *data_[row]; }
  /// Frees the row's storage.
  void Release(std::size_t row) { data_[row].reset(); }
  /// The storage of the section with this letter, which must be one released after the walk.
  template <typename T>
  const T& Of(char32_t letter) const {
    return static_cast<const StoredSection<T>&>(Find(letter, StorageTag<T>())).value;
  }

 private:
  const SectionData& Find(char32_t letter, const void* storage) const;
  std::vector<std::unique_ptr<SectionData>> data_;
};

/// The storage of a row as the type its row declares; throws std::logic_error for another type.
template <typename T>
const T& StorageAs(const SectionHandler& row, const SectionData& data) {
  if (row.storage != StorageTag<T>()) throw std::logic_error("section storage of another type");
  return static_cast<const StoredSection<T>&>(data).value;
}

/// Runs the row's evaluations of a read section (its values, then its own), each problem to `fail`.
void EvaluateSection(const SectionHandler& row, const SectionData& data, const SectionStore& store,
                     const ProblemSink& fail);

}  // namespace tecris2nx
