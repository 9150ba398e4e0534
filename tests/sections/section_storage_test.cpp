#include "sections/section_storage.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "common/cp932.h"
#include "sections/output_context.h"
#include "support/section_input.h"

namespace tecris2nx {
namespace {

using testing::TableOf;

TEST(RecordTableTest, CellsComeBackExactlyAsStored) {
  const Text texts[] = {
      U"",
      U"12.5",
      U"　全角　",
      U"ｱｲｳ",
      Text(1, kRawByteBase + 0x80) + U"x",
      U"\r\n\"quoted, text\"",
      Text(1, U'\0'),
      Text(300, U'字'),
  };
  std::vector<std::vector<Text>> rows;
  for (const Text& text : texts) rows.push_back({text, text});
  RecordTable table = TableOf(2, rows);
  const RecordTable& view = table;
  for (int r = 1; r <= table.count(); ++r) {
    EXPECT_EQ(view.Cell(1, r), texts[r - 1]);
    EXPECT_EQ(view.Cell(2, r), texts[r - 1]);
  }
  table.Reset(3, 1);
  EXPECT_EQ(view.Cell(3, 1), U"");  // a reset table is empty
}

TEST(RecordTableTest, LargeTablesCrossBlocks) {
  // Cells of every length, some longer than a block; megabytes of them, and a table used again
  // starts afresh.
  RecordTable table;
  for (const std::int16_t count : {30000, 3000}) {
    table.Reset(5, count);
    auto cellText = [](int v, int r) {
      const int length = (r * 7 + v * 13) % 40 + (r % 4000 == 0 && v == 3 ? 70000 : 0);
      return Text(static_cast<std::size_t>(length), static_cast<char32_t>(U'a' + (r + v) % 26)) +
             (r % 3 == 0 ? U"表" : U"");
    };
    for (int r = 1; r <= table.count(); ++r) {
      for (int v = 1; v <= 5; ++v) table.Cell(v, r).AssignCp932(EncodeCp932(cellText(v, r)));
    }
    const RecordTable& view = table;
    for (int r = 1; r <= table.count(); r += 7) {
      for (int v = 1; v <= 5; ++v) ASSERT_EQ(view.Cell(v, r), cellText(v, r)) << v << "," << r;
    }
    EXPECT_EQ(view.Cell(5, count), cellText(5, count));
  }
}

// Readers store a section's cells one after another: the table must hold every cell, its
// records and what it knows of each value afterwards, and take each next cell where the last one
// stopped.
TEST(RecordTableTest, CellsAppendedInARowAreTheCellsStored) {
  auto cellText = [](int v, int r) {
    const int length = v == 4 ? (r % 50 == 0 ? 70000 : r % 7 == 0 ? 200 : r % 3) : r % 9;
    return Text(static_cast<std::size_t>(length), static_cast<char32_t>(U'0' + (r + v) % 10)) +
           (v == 2 ? U"砂" : U"");
  };
  RecordTable table;
  table.Reset(4, 3000);
  {
    for (int r = 1; r <= table.count(); ++r) {
      for (int v = 1; v <= 4; ++v) {
        if (r == table.count() && v == 4) break;  // left to the table itself
        // Value 1 plain numbers, 3 cells that may leave a range by the exponent rule.
        table.AppendCp932(EncodeCp932(cellText(v, r)), v == 1, v != 3);
      }
    }
  }
  table.Cell(4, 3000).AssignCp932(EncodeCp932(cellText(4, 3000)));
  const RecordTable& view = table;
  RecordTable::Record cells;
  for (int r = 1; r <= table.count(); ++r) {
    view.ReadRecord(r, cells);
    // Views of the cells decoded first still hold once the others are decoded.
    std::vector<TextView> texts;
    for (int v = 1; v <= 4; ++v) texts.push_back(cells[v]);
    for (int v = 1; v <= 4; ++v) ASSERT_EQ(texts[v - 1], cellText(v, r)) << v << "," << r;
  }
  EXPECT_TRUE(view.OnlyPlainNumbers(1));
  EXPECT_FALSE(view.OnlyPlainNumbers(2));
  EXPECT_TRUE(view.QuietUnderExponentRule(2));
  EXPECT_FALSE(view.QuietUnderExponentRule(3));
}

// Readers store each cell once, in reading order, and a record is found by walking its cells:
// a cell stored anywhere else would read as its neighbour.
TEST(RecordTableTest, CellsAreStoredInReadingOrderOnly) {
  RecordTable table;
  table.Reset(3, 2);
  table.Cell(1, 1).AssignCp932("a");
  const RecordTable& view = table;
  EXPECT_EQ(view.Cell(2, 1), U"");  // not stored yet: empty
  EXPECT_EQ(view.Cell(3, 2), U"");
  for (const auto& [value, record] : {std::pair{1, 1}, {3, 1}, {3, 2}}) {
    EXPECT_THROW(table.Cell(value, record).AssignCp932("x"), std::logic_error);
  }
  table.Cell(2, 1).AssignCp932("b");
  EXPECT_EQ(view.Cell(1, 1), U"a");
  EXPECT_EQ(view.Cell(2, 1), U"b");
  EXPECT_EQ(view.Cell(3, 1), U"");
}

TEST(RecordTableTest, IndexesOutsideTheTableThrow) {
  RecordTable table;
  table.Reset(3, 2);
  const RecordTable& view = table;
  for (const auto& [value, record] : {std::pair{0, 1}, {4, 1}, {1, 0}, {1, 3}, {-1, -1}}) {
    EXPECT_THROW(view.Cell(value, record), std::out_of_range);
    EXPECT_THROW(table.Cell(value, record).AssignCp932("x"), std::out_of_range);
  }
  {
    // A reader that finds more fields than the table was sized for must not write past it.
    table.Reset(2, 1);
    table.AppendCp932("a", false, true);
    table.AppendCp932("b", false, true);
    EXPECT_THROW(table.AppendCp932("c", false, true), std::out_of_range);
    EXPECT_EQ(view.Cell(2, 1), U"b");
  }
  table.Reset(3, -5);  // a negative count makes an empty table
  EXPECT_EQ(table.count(), 0);
  table.Reset(0, 2);  // records without values have no cell to walk to
  RecordTable::Record cells;
  EXPECT_THROW(view.ReadRecord(1, cells), std::out_of_range);
}

// Writers read whole records; a record must hold exactly the cells that Cell gives, complete or
// not, and one Record used for records of every length must not mix them.
TEST(RecordTableTest, WholeRecordsMatchTheirCells) {
  auto cellText = [](int v, int r) {
    const int length = (r * 11 + v * 5) % 30 + (r % 97 == 0 && v == 2 ? 66000 : 0);
    return Text(static_cast<std::size_t>(length), static_cast<char32_t>(U'a' + (r * v) % 26)) +
           (r % 4 == 0 ? U"字表" : U"") + (v == 3 ? Text(1, kRawByteBase + 0x80 + r % 16) : U"");
  };
  for (const bool partial : {false, true}) {
    SCOPED_TRACE(partial ? "last record incomplete" : "complete");
    RecordTable table;
    table.Reset(4, 600);
    for (int r = 1; r <= table.count(); ++r) {
      for (int v = 1; v <= 4; ++v) {
        if (partial && r == table.count() && v > 2) break;
        table.Cell(v, r).AssignCp932(EncodeCp932(cellText(v, r)));
      }
    }
    const RecordTable& view = table;
    RecordTable::Record cells;
    for (const int r : {1, 97, 2, 194, 5, 599, 600, 3}) {
      view.ReadRecord(r, cells);
      for (int v = 1; v <= 4; ++v) ASSERT_EQ(cells[v], view.Cell(v, r)) << v << "," << r;
    }
    // The leading cells alone, stale room overwritten, beyond the values and the stored empty.
    for (const int r : {1, 97, 599, 600}) {
      for (std::size_t n = 1; n <= 5; ++n) {
        std::vector<std::string_view> leading(n, "stale");
        view.LeadingCells(r, leading);
        for (std::size_t v = 1; v <= n; ++v) {
          ASSERT_EQ(DecodeCp932(leading[v - 1]),
                    v <= 4 ? view.Cell(static_cast<int>(v), r) : Text())
              << v << "," << r;
        }
      }
    }
    view.ReadRecord(600, cells);
    EXPECT_EQ(cells[4], partial ? Text() : cellText(4, 600));
    EXPECT_THROW(cells[0], std::out_of_range);
    EXPECT_THROW(cells[5], std::out_of_range);
    EXPECT_THROW(view.ReadRecord(601, cells), std::out_of_range);
  }
}

// A cell's place is the one before it plus its size; a cell with bytes that did not fit its block
// begins the next. Blocks filled to the last byte, empty cells there and sizes around the byte
// that marks a long cell must find every cell, stored one by one or through an appender.
TEST(RecordTableTest, CellsAtTheEdgesOfBlocksAndSizes) {
  const std::string rows[][5] = {
      {std::string(65535, 'a'), "b", "", "", "c"},
      {std::string(65536, 'd'), "", "e", std::string(254, 'f'), std::string(255, 'g')},
      {"", "", "", "", ""},
      {std::string(256, 'h'), std::string(65280, 'i'), "", "j", ""},
  };
  for (const bool appended : {false, true}) {
    SCOPED_TRACE(appended ? "appended" : "one by one");
    RecordTable table;
    table.Reset(5, static_cast<std::int16_t>(std::size(rows)));
    if (appended) {
      for (const auto& row : rows) {
        for (const std::string& bytes : row) table.AppendCp932(bytes, false, true);
      }
    } else {
      for (int r = 1; r <= table.count(); ++r) {
        for (int v = 1; v <= 5; ++v) table.Cell(v, r).AssignCp932(rows[r - 1][v - 1]);
      }
    }
    const RecordTable& view = table;
    RecordTable::Record cells;
    RecordTable::Cursor cursor(view);
    for (int r = 1; r <= table.count(); ++r) {
      view.ReadRecord(r, cells);
      for (int v = 1; v <= 5; ++v) {
        const std::string& bytes = rows[r - 1][v - 1];
        ASSERT_EQ(cells.Cp932(v), bytes) << v << "," << r;
        ASSERT_EQ(view.Cp932(v, r), bytes) << v << "," << r;
        ASSERT_EQ(cursor.Next(), bytes) << v << "," << r;
      }
    }
  }
}

// Cells are kept as the file's bytes and decoded when read: whatever the bytes (raw bytes that
// are not CP932, a lead byte at the very end, the byte 0xFF, long cells), they must read back as
// decoding them gives.
TEST(RecordTableTest, FileBytesReadBackDecoded) {
  std::string every;
  for (int b = 0; b < 256; ++b) every += static_cast<char>(b);
  const std::string rows[] = {
      "",
      "12.5",
      EncodeCp932(U"表土　ｱｲｳ"),
      "\x82",
      "\xFF\xFF",
      "\x81\x7F\xA0",
      every,
      std::string(70000, '\x88') + "\x9F",
      "\"quoted, text\"",
  };
  const std::string prefix = EncodeCp932(U"表");
  RecordTable table;
  table.Reset(3, static_cast<std::int16_t>(std::size(rows)));
  for (int r = 1; r <= table.count(); ++r) {
    table.Cell(1, r).AssignCp932(rows[r - 1]);
    table.Cell(2, r).AssignCp932(prefix + rows[r - 1]);
    table.Cell(3, r).AssignCp932(rows[(r * 5) % std::size(rows)]);
  }
  const RecordTable& view = table;
  RecordTable::Record cells;
  for (int r = table.count(); r >= 1; --r) {
    view.ReadRecord(r, cells);
    // Read out of order: a cell decoded late must not move those decoded before it.
    const TextView third = cells[3];
    const TextView first = cells[1];
    EXPECT_EQ(first, DecodeCp932(rows[r - 1])) << r;
    EXPECT_EQ(cells[2], U"表" + DecodeCp932(rows[r - 1])) << r;
    EXPECT_EQ(cells.Cp932(2), prefix + rows[r - 1]) << r;
    EXPECT_EQ(third, DecodeCp932(rows[(r * 5) % std::size(rows)])) << r;
    EXPECT_EQ(view.Cell(1, r), first) << r;
    EXPECT_EQ(view.Cell(3, r), third) << r;
  }
}

TEST(TextLinesTest, HoldsTheBytesThatAreWritten) {
  TextLines lines;
  lines.push_back(U"   1,   1.50,表土,");
  lines.push_back(U"");
  lines.push_back(Text(1, kRawByteBase + 0xFD));
  EXPECT_EQ(lines.bytes(), EncodeCp932(U"   1,   1.50,表土,\r\n\r\n") + "\xFD\r\n");
  EXPECT_EQ(lines, (std::vector<Text>{U"   1,   1.50,表土,", U"", Text(1, kRawByteBase + 0xFD)}));
  EXPECT_EQ(lines.back(), Text(1, kRawByteBase + 0xFD));
  EXPECT_EQ(EncodeLines({U"a", U"表"}), EncodeCp932(U"a\r\n表\r\n"));
}

TEST(TextLinesTest, ALineEndInsideAFieldCannotSplitTheLine) {
  // A quoted field may carry line ends into an output line; each is written as a blank.
  TextLines lines;
  lines.push_back(U"   1,   1.50,3,\"two\r\nlines\"\n");
  EXPECT_EQ(lines.bytes(), "   1,   1.50,3,\"two  lines\" \r\n");
  EXPECT_EQ(EncodeLines({U"a\rb"}), "a b\r\n");
}

}  // namespace
}  // namespace tecris2nx
