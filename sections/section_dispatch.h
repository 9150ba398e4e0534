#pragma once

#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "sections/output_context.h"
#include "tecris/field_reader.h"

namespace tecris2nx {

/// What a section keeps from reading it until its storage is released; one per section and file.
class SectionData {
 public:
  virtual ~SectionData() = default;
};

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

/// One row of the section table: a letter, the storage it declares, its reader and writers, when
/// its storage is released and any step after the walk.
struct SectionHandler {
  char32_t letter;
  std::function<std::unique_ptr<SectionData>()> makeStorage;
  std::function<void(FieldReader& in, SectionData& data)> read;
  /// Writes the section's files; empty when a step after the walk writes them.
  std::function<void(const OutputContext& out, const SectionData& data)> write;
  ReleaseAt release;
  /// Runs once the walk has ended, whether the section was read or not; may be empty.
  std::function<void(const OutputContext& out, const SectionStore& store)> afterWalk;
};

/// The rows in the fixed letter order A to H.
std::span<const SectionHandler> SectionHandlers();

/// Every section's storage during one file's walk, one slot per row of the table, each made empty
/// at the start.
class SectionStore {
 public:
  SectionStore();
  SectionData& At(std::size_t row) { return *data_[row]; }
  /// Frees the row's storage.
  void Release(std::size_t row) { data_[row].reset(); }
  /// The storage of the section with this letter, which must be one released after the walk.
  template <typename T>
  const T& Of(char32_t letter) const {
    return dynamic_cast<const StoredSection<T>&>(Find(letter)).value;
  }

 private:
  const SectionData& Find(char32_t letter) const;
  std::vector<std::unique_ptr<SectionData>> data_;
};

}  // namespace tecris2nx
