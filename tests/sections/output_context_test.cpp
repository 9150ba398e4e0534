#include "sections/output_context.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "common/file_system.h"
#include "support/temp_dir.h"

namespace tecris2nx {
namespace {

using testing::TempDir;

// Lines handed on to their file while they are made must come out as the same bytes as lines
// held whole, whether the file is committed, and leave nothing behind when it is not.
TEST(OutputContextTest, LinesHandedOnToTheirFileAreTheLinesHeldWhole) {
  struct Row {
    int lines;  ///< enough for several pieces of a file handed on, or none
    bool commit;
  };
  const Row rows[] = {{0, true}, {3, true}, {40000, true}, {40000, false}};
  for (const Row& r : rows) {
    TextLines whole;
    TempDir dir;
    RealFileSystem fs;
    PendingFiles pending;
    const OutputContext out{fs, dir.text(), Text(), HostSeparator(), nullptr, pending};
    TextLines handed = out.Lines(U"X5.txt");
    for (int i = 0; i < r.lines; ++i) {
      // A line end inside a value becomes a blank; double-byte characters pass as they are.
      const Text line = i % 3 == 0   ? U"   " + DecimalText(i) + U",砂質シルト"
                        : i % 3 == 1 ? U"a\r\nb," + DecimalText(i)
                                     : Text(i % 50, U'x');
      whole.push_back(line);
      handed.push_back(line);
    }
    EXPECT_EQ(handed.size(), whole.size());
    out.WriteLines(U"X5.txt", std::move(handed));
    if (r.commit) {
      out.Commit();
      EXPECT_EQ(dir.Read("X5.txt"), whole.bytes()) << r.lines;
    } else {
      pending.reset();
      EXPECT_TRUE(std::filesystem::is_empty(dir.path())) << r.lines;
    }
  }
}

// Line ends inside a line become blanks wherever they lie, in lines shorter and longer than the
// sixteen bytes looked at together.
TEST(TextLinesTest, LineEndsInsideALineBecomeBlanks) {
  for (int size = 1; size <= 40; ++size) {
    for (int at = 0; at < size; ++at) {
      for (const char end : {'\r', '\n'}) {
        std::string line(static_cast<std::size_t>(size), 'x');
        line[static_cast<std::size_t>(at)] = end;
        TextLines lines;
        lines.PushBytes(line);
        line[static_cast<std::size_t>(at)] = ' ';
        ASSERT_EQ(lines.bytes(), line + "\r\n") << size << " " << at;
      }
    }
    TextLines lines;
    lines.PushBytes(std::string(static_cast<std::size_t>(size), 'x'));
    ASSERT_EQ(lines.bytes(), std::string(static_cast<std::size_t>(size), 'x') + "\r\n");
  }
}

}  // namespace
}  // namespace tecris2nx
