#include "sections/section_records.h"

#include <gtest/gtest.h>

#include "sections/section_b.h"
#include "sections/section_d.h"
#include "sections/section_e.h"

namespace tecris2nx {
namespace {

// Check mode finds a record's value from a field's number: ValueAt must undo FieldOf for every
// value, and find none in the fields that hold no value (a record's opening or ignored fields,
// the section's leading fields).
TEST(RecordShapeTest, ValueAtUndoesFieldOf) {
  for (const RecordShape& shape : {kSectionBShape, kSectionDShape, kSectionEShape}) {
    for (const bool leadOpens : {false, true}) {
      SCOPED_TRACE(::testing::Message() << shape.values << " values, lead opens " << leadOpens);
      std::vector<bool> holdsValue(static_cast<std::size_t>(shape.FieldOf(4, 0, leadOpens)));
      for (int r = 1; r <= 3; ++r) {
        for (int v = 1; v <= shape.values; ++v) {
          const int field = shape.FieldOf(r, v, leadOpens);
          holdsValue[static_cast<std::size_t>(field)] = true;
          int record = 0;
          int value = 0;
          ASSERT_TRUE(shape.ValueAt(field, leadOpens, record, value)) << r << "," << v;
          EXPECT_EQ(record, r);
          EXPECT_EQ(value, v);
        }
      }
      for (int field = 1; field < static_cast<int>(holdsValue.size()); ++field) {
        int record = 0;
        int value = 0;
        if (!holdsValue[static_cast<std::size_t>(field)]) {
          EXPECT_FALSE(shape.ValueAt(field, leadOpens, record, value)) << field;
        }
      }
    }
  }
}

}  // namespace
}  // namespace tecris2nx
