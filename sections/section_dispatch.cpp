#include "sections/section_dispatch.h"

#include <stdexcept>
#include <utility>

#include "sections/section_a.h"
#include "sections/section_b.h"
#include "sections/section_c.h"
#include "sections/section_d.h"
#include "sections/section_e.h"
#include "sections/section_f.h"
#include "sections/section_gh.h"

namespace tecris2nx {
namespace {

using O = OutputContext;

/// A row whose reader and writer work on the section's own storage type.
template <typename T>
SectionHandler Row(char32_t letter, void (*read)(FieldReader&, T&),
                   void (*write)(const OutputContext&, const T&), ReleaseAt release,
                   std::function<void(const OutputContext&, const SectionStore&)> afterWalk = {}) {
  SectionHandler row{letter,
                     [] { return std::make_unique<StoredSection<T>>(); },
                     [read](FieldReader& in, SectionData& data) {
                       read(in, static_cast<StoredSection<T>&>(data).value);
                     },
                     {},
                     release,
                     std::move(afterWalk)};
  if (write) {
    row.write = [write](const OutputContext& out, const SectionData& data) {
      write(out, static_cast<const StoredSection<T>&>(data).value);
    };
  }
  return row;
}

const std::vector<SectionHandler>& Table() {
  static const std::vector<SectionHandler> rows = {
      Row<SectionAData>(
          U'A', [](FieldReader& in, SectionAData& a) { ReadSectionA(a.table, in, a.firstField); },
          [](const O& o, const SectionAData& a) { WriteTitleFiles(o, a.table, a.firstField); },
          ReleaseAt::kAfterWrite),
      // Section D reads section B's layers back from X1.txt, not from its storage.
      Row<RecordTable>(
          U'B', ReadSectionB,
          [](const O& o, const RecordTable& t) {
            WriteX1File(o, t);
            WriteX3File(o, t);
          },
          ReleaseAt::kAfterWrite),
      Row<RecordTable>(U'C', ReadSectionC, WriteX5File, ReleaseAt::kAfterWrite),
      Row<RecordTable>(
          U'D', ReadSectionD,
          [](const O& o, const RecordTable& t) {
            WriteX100File(o, t);
            WriteX100AFile(o, t);
          },
          ReleaseAt::kAfterWrite),
      Row<RecordTable>(U'E', ReadSectionE, WriteL209File, ReleaseAt::kAfterWrite),
      Row<SectionFData>(
          U'F', [](FieldReader& in, SectionFData& f) { ReadSectionF(in, f.table, f.kind8); },
          [](const O& o, const SectionFData& f) { WriteL204File(o, f.table, f.kind8); },
          ReleaseAt::kAfterWrite),
      // G and H are written together, merged into one file, after the walk.
      Row<RecordTable>(U'G', ReadSectionG, nullptr, ReleaseAt::kAfterWalk),
      Row<RecordTable>(U'H', ReadSectionH, nullptr, ReleaseAt::kAfterWalk,
                       [](const O& o, const SectionStore& store) {
                         const RecordTable& g = store.Of<RecordTable>(U'G');
                         const RecordTable& h = store.Of<RecordTable>(U'H');
                         if (g.count() != 0 || h.count() != 0) WriteL201File(o, g, h);
                       }),
  };
  return rows;
}

}  // namespace

std::span<const SectionHandler> SectionHandlers() { return Table(); }

SectionStore::SectionStore() {
  for (const SectionHandler& handler : SectionHandlers()) data_.push_back(handler.makeStorage());
}

const SectionData& SectionStore::Find(char32_t letter) const {
  const std::span<const SectionHandler> handlers = SectionHandlers();
  for (std::size_t row = 0; row < handlers.size(); ++row) {
    if (handlers[row].letter == letter && data_[row]) return *data_[row];
  }
  // A step after the walk asked for storage its row released early: a fault of the table.
  throw std::logic_error("no storage for section " + std::string(1, static_cast<char>(letter)));
}

}  // namespace tecris2nx
