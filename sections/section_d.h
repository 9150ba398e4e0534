#pragma once

#include "run/field_reader.h"
#include "sections/output_context.h"
#include "sections/section_storage.h"

namespace tecris2nx {

/// 23-value test records.
void ReadSectionD(FieldReader& in, RecordTable& table);

/// "X100.txt"; reads the job folder's "X1.txt" back for the soil layer of each record.
void WriteX100File(const OutputContext& out, const RecordTable& table);

/// "X100A.txt"; values 22 and 23 through ExponentNumber.
void WriteX100AFile(const OutputContext& out, const RecordTable& table);

}  // namespace tecris2nx
