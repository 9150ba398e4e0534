#include "sections/section_dispatch.h"

#include <array>

#include "sections/section_a.h"
#include "sections/section_b.h"
#include "sections/section_c.h"
#include "sections/section_d.h"
#include "sections/section_e.h"
#include "sections/section_f.h"
#include "sections/section_gh.h"

namespace tecris2nx {
namespace {

using S = SectionStorage;
using O = OutputContext;

const std::array<SectionHandler, 8> kHandlers = {{
    {U'A', [](FieldReader& in, S& s) { ReadSectionA(s.SectionATable, in, s.SectionAFirstField); },
     [](const O& o, const S& s) { WriteTitleFiles(o, s.SectionATable, s.SectionAFirstField); },
     nullptr},
    {U'B', [](FieldReader& in, S& s) { ReadSectionB(in, s.SectionBTable); },
     [](const O& o, const S& s) {
       WriteX1File(o, s.SectionBTable);
       WriteX3File(o, s.SectionBTable);
     },
     [](S& s) { s.SectionBTable.Reset(0, 0); }},
    {U'C', [](FieldReader& in, S& s) { ReadSectionC(in, s.SectionCTable); },
     [](const O& o, const S& s) { WriteX5File(o, s.SectionCTable); },
     [](S& s) { s.SectionCTable.Reset(0, 0); }},
    {U'D', [](FieldReader& in, S& s) { ReadSectionD(in, s.SectionDTable); },
     [](const O& o, const S& s) {
       WriteX100File(o, s.SectionDTable);
       WriteX100AFile(o, s.SectionDTable);
     },
     [](S& s) { s.SectionDTable.Reset(0, 0); }},
    {U'E', [](FieldReader& in, S& s) { ReadSectionE(in, s.SectionETable); },
     [](const O& o, const S& s) { WriteL209File(o, s.SectionETable); },
     [](S& s) { s.SectionETable.Reset(0, 0); }},
    {U'F', [](FieldReader& in, S& s) { ReadSectionF(in, s.SectionFTable, s.SectionFKind8); },
     [](const O& o, const S& s) { WriteL204File(o, s.SectionFTable, s.SectionFKind8); },
     [](S& s) { s.SectionFTable.Reset(0, 0); }},
    // G and H are written together after the walk.
    {U'G', [](FieldReader& in, S& s) { ReadSectionG(in, s.SectionGTable); }, nullptr, nullptr},
    {U'H', [](FieldReader& in, S& s) { ReadSectionH(in, s.SectionHTable); }, nullptr, nullptr},
}};

}  // namespace

std::span<const SectionHandler> SectionHandlers() { return kHandlers; }

void WriteAfterSections(const OutputContext& out, const SectionStorage& storage) {
  if (storage.SectionGTable.count() != 0 || storage.SectionHTable.count() != 0) {
    WriteL201File(out, storage.SectionGTable, storage.SectionHTable);
  }
}

}  // namespace tecris2nx
