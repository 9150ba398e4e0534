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
  SectionHandler row;
  row.letter = letter;
  row.storage = StorageTag<T>();
  row.makeStorage = [] { return std::make_unique<StoredSection<T>>(); };
  row.read = [read](FieldReader& in, SectionData& data) {
    read(in, static_cast<StoredSection<T>&>(data).value);
  };
  row.release = release;
  row.afterWalk = std::move(afterWalk);
  if (write) {
    row.write = [write](const OutputContext& out, const SectionData& data) {
      write(out, static_cast<const StoredSection<T>&>(data).value);
    };
  }
  return row;
}

/// A row of records of one shape kept in a RecordTable.
SectionHandler RecordRow(char32_t letter, const RecordShape& shape,
                         void (*read)(FieldReader&, RecordTable&),
                         void (*write)(const OutputContext&, const RecordTable&),
                         ReleaseAt release) {
  SectionHandler row = Row<RecordTable>(letter, read, write, release);
  row.shape = shape;
  row.records = [](const SectionData& data) {
    return &static_cast<const StoredSection<RecordTable>&>(data).value;
  };
  return row;
}

const RecordTable& TableOf(const SectionData& data) {
  return static_cast<const StoredSection<RecordTable>&>(data).value;
}

std::vector<SectionHandler> MakeTable() {
  std::vector<SectionHandler> rows;

  SectionHandler a = Row<SectionAData>(
      U'A',
      [](FieldReader& in, SectionAData& a) { ReadSectionA(a.table, in, a.firstField, &a.codes); },
      [](const O& o, const SectionAData& a) { WriteTitleFiles(o, a.table, a.firstField); },
      ReleaseAt::kAfterWrite);
  a.evaluate = [](const SectionData& data, const SectionStore&, const ProblemSink& fail) {
    EvaluateSectionA(static_cast<const StoredSection<SectionAData>&>(data).value.table, fail);
  };
  a.check = [](const SectionData& data, SectionChecks& checks) {
    CheckSectionA(static_cast<const StoredSection<SectionAData>&>(data).value.table, checks);
  };
  rows.push_back(std::move(a));

  // Section D reads section B's layers back from X1.txt, not from its storage.
  SectionHandler b = RecordRow(
      U'B', kSectionBShape, ReadSectionB,
      [](const O& o, const RecordTable& t) {
        WriteX1File(o, t);
        WriteX3File(o, t);
      },
      ReleaseAt::kAfterWrite);
  b.numbers = [](const SectionData& data, const SectionStore&, const NumberVisit& visit) {
    VisitSectionBNumbers(TableOf(data), visit);
  };
  b.check = [](const SectionData& data, SectionChecks& checks) {
    CheckSectionB(TableOf(data), checks);
  };
  rows.push_back(std::move(b));

  SectionHandler c =
      RecordRow(U'C', kSectionCShape, ReadSectionC, WriteX5File, ReleaseAt::kAfterWrite);
  c.numbers = [](const SectionData& data, const SectionStore&, const NumberVisit& visit) {
    VisitSectionCNumbers(TableOf(data), visit);
  };
  rows.push_back(std::move(c));

  SectionHandler d = RecordRow(
      U'D', kSectionDShape, ReadSectionD,
      [](const O& o, const RecordTable& t) {
        WriteX100File(o, t);
        WriteX100AFile(o, t);
      },
      ReleaseAt::kAfterWrite);
  d.numbers = [](const SectionData& data, const SectionStore&, const NumberVisit& visit) {
    VisitSectionDNumbers(TableOf(data), visit);
  };
  d.check = [](const SectionData& data, SectionChecks& checks) {
    CheckSectionD(TableOf(data), checks);
  };
  rows.push_back(std::move(d));

  rows.push_back(
      RecordRow(U'E', kSectionEShape, ReadSectionE, WriteL209File, ReleaseAt::kAfterWrite));

  SectionHandler f = Row<SectionFData>(
      U'F', [](FieldReader& in, SectionFData& f) { ReadSectionF(in, f.table, f.kind8); },
      [](const O& o, const SectionFData& f) { WriteL204File(o, f.table, f.kind8); },
      ReleaseAt::kAfterWrite);
  f.shape = kSectionFShape;
  f.records = [](const SectionData& data) {
    return &static_cast<const StoredSection<SectionFData>&>(data).value.table;
  };
  rows.push_back(std::move(f));

  // G and H are written together, merged into one file, after the walk; which of their values the
  // merge uses is known only then.
  SectionHandler g = RecordRow(U'G', kSectionGHShape, ReadSectionG, nullptr, ReleaseAt::kAfterWalk);
  g.evaluateAfterWalk = true;
  g.numbers = [](const SectionData& data, const SectionStore& store, const NumberVisit& visit) {
    VisitL201Numbers(TableOf(data), store.Of<RecordTable>(U'H'), true, visit);
  };
  rows.push_back(std::move(g));

  SectionHandler h = RecordRow(U'H', kSectionGHShape, ReadSectionH, nullptr, ReleaseAt::kAfterWalk);
  h.afterWalk = [](const O& o, const SectionStore& store) {
    const RecordTable& g = store.Of<RecordTable>(U'G');
    const RecordTable& h = store.Of<RecordTable>(U'H');
    if (g.count() != 0 || h.count() != 0) WriteL201File(o, g, h);
  };
  h.evaluateAfterWalk = true;
  h.numbers = [](const SectionData& data, const SectionStore& store, const NumberVisit& visit) {
    VisitL201Numbers(store.Of<RecordTable>(U'G'), TableOf(data), false, visit);
  };
  h.evaluate = [](const SectionData& data, const SectionStore& store, const ProblemSink& fail) {
    EvaluateL201Count(store.Of<RecordTable>(U'G'), TableOf(data), fail);
  };
  rows.push_back(std::move(h));
  return rows;
}

const std::vector<SectionHandler>& Table() {
  static const std::vector<SectionHandler> rows = MakeTable();
  return rows;
}

}  // namespace

std::span<const SectionHandler> SectionHandlers() { return Table(); }

std::optional<std::size_t> RowOf(char32_t letter) {
  const std::span<const SectionHandler> handlers = SectionHandlers();
  for (std::size_t row = 0; row < handlers.size(); ++row) {
    if (handlers[row].letter == letter) return row;
  }
  return std::nullopt;
}

SectionStore::SectionStore() {
  for (const SectionHandler& handler : SectionHandlers()) data_.push_back(handler.makeStorage());
}

const SectionData& SectionStore::Find(char32_t letter, const void* storage) const {
  const std::optional<std::size_t> row = RowOf(letter);
  // A step after the walk asked for storage its row released early, or of another type: a fault
  // of the table.
  if (!row || !data_[*row] || SectionHandlers()[*row].storage != storage) {
    throw std::logic_error("no such storage for section " +
                           std::string(1, static_cast<char>(letter)));
  }
  return *data_[*row];
}

void EvaluateSection(const SectionHandler& row, const SectionData& data, const SectionStore& store,
                     const ProblemSink& fail) {
  if (row.records) {
    const RecordTable& table = *row.records(data);
    const NumberVisit visit = [&](const RecordTable::Record& cells, int record, int value,
                                  NumberUse use) {
      if (table.OnlyPlainNumbers(value) || !MayBeNumberProblem(cells.Cp932(value), use)) return;
      if (auto problem = NumberProblem(row.letter, cells[value], record, value, use)) {
        fail(*problem);
      }
    };
    if (row.numbers) {
      row.numbers(data, store, visit);
    } else {
      VisitEveryNumber(row.shape, table, visit);
    }
  }
  if (row.evaluate) row.evaluate(data, store, fail);
}

}  // namespace tecris2nx
