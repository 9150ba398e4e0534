#include "sections/section_walk.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/text.h"
#include "support/temp_dir.h"

namespace tecris2nx {
namespace {

using testing::Cp932Lines;

/// What the walk told its consumer, one word per call.
class Recording : public SectionConsumer {
 public:
  void Begin(std::size_t row) override { Say("begin", row); }
  void Problem(const ConversionError& e, std::size_t row) override {
    Say("problem", row);
    problems.push_back(e.message());
  }
  void Read(const ReadSection& section) override {
    Say("read", section.row);
    places.push_back(section.markerStart);
  }
  void Stopped(const WalkStop& stop, FieldReader&) override {
    calls += "stopped:" + ToUtf8(stop.marker) + " ";
  }
  void Ended(const SectionStore&) override { calls += "ended"; }

  std::string calls;
  std::vector<Text> problems;
  std::vector<std::uint64_t> places;

 private:
  void Say(const char* what, std::size_t row) {
    calls += std::string(what) + ":" + static_cast<char>(SectionHandlers()[row].letter) + " ";
  }
};

std::string Walk(const std::string& utf8, Recording& consumer) {
  FieldReader in = FieldReader::FromCp932(Cp932Lines(utf8));
  WalkSections(in, consumer);
  return consumer.calls;
}

TEST(SectionWalkTest, HandsEachSectionInTableOrderAndStopsWhereTheConversionStops) {
  struct Row {
    const char* name;
    std::string file;
    std::string calls;
  };
  const std::string c = "C,12345678001,x,1\n1,1,1,1.15,4,30\n";
  const std::string e = "E,x,y,1,E,1,0,1.0,1,2,3\n";
  const Row rows[] = {
      {"two sections", c + e, "begin:C read:C begin:E read:E ended"},
      {"out of order", e + "C,x,y,0\n", "begin:E read:E stopped:C ended"},
      {"no letter", c + "Z\n", "begin:C read:C stopped:Z ended"},
      {"empty lines after the last", c + "\n\n", "begin:C read:C ended"},
      {"a field after empty lines", c + "\nq\n", "begin:C read:C stopped: ended"},
      {"reading fails", "C,12345678001,x,2\n1,1,1,1.15,4,30\n", "begin:C problem:C "},
      {"a value beyond range", "C,12345678001,x,1\n1,1,1,21E408.8,4,30\n", "begin:C problem:C "},
      // G and H are evaluated once the walk has ended: which of their values the merge uses is
      // known only then.
      {"merged sections", "G,12345678001,x,1,G,1,0,1E309,2,3\nH,x,y,0,0\n",
       "begin:G read:G begin:H read:H problem:G "},
  };
  for (const Row& row : rows) {
    Recording consumer;
    EXPECT_EQ(Walk(row.file, consumer), row.calls) << row.name;
  }
}

TEST(SectionWalkTest, ASectionsPlaceIsItsMarker) {
  Recording consumer;
  Walk("C,12345678001,x,1\n1,1,1,1.15,4,30\nE,x,y,0,0\n", consumer);
  EXPECT_EQ(consumer.places, (std::vector<std::uint64_t>{0, 36}));
}

}  // namespace
}  // namespace tecris2nx
