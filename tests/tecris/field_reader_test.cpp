#include "tecris/field_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/cp932.h"
#include "common/error.h"
#include "support/piece_source.h"

namespace tecris2nx {
namespace {

using testing::PieceSource;

/// Reads every field until the reader reports the end inside a section.
std::vector<Text> AllFields(FieldReader in) {
  std::vector<Text> fields;
  for (int guard = 0; guard < 100; ++guard) {
    try {
      fields.push_back(in.ReadField());
    } catch (const ConversionError&) {
      return fields;
    }
  }
  ADD_FAILURE() << "reader never ended";
  return fields;
}

TEST(FieldReaderTest, SplitsFieldsAsTheFileFormatDefines) {
  struct Row {
    Text content;
    std::vector<Text> fields;
  };
  const Row rows[] = {
      {U"", {}},
      {U"A", {U"A"}},
      {U"A,B\r\nC", {U"A", U"B", U"C"}},
      {U"A\nB\rC\r\n", {U"A", U"B", U"C"}},  // LF, CR and CR LF all end a line
      {U"A,", {U"A", U""}},                  // a trailing comma promises a field
      {U"A,\r\n", {U"A", U""}},
      {U"\r\n\r\nX", {U"", U"", U"X"}},  // an empty line is an empty field
      {U"   a  ,  b  ", {U"a", U"b"}},   // blanks around unquoted text go
      {U"　a　,x", {U"　a　", U"x"}},    // full-width spaces stay
      {U"\ta\t,x", {U"\ta\t", U"x"}},
      {U"\" a, b \",c", {U" a, b ", U"c"}},     // quoted text is kept exactly
      {U"\"a\r\nb\"\r\nc", {U"a\r\nb", U"c"}},  // a quoted field may span lines
      {U"\"ab\"junk,c", {U"ab", U"c"}},         // text after the closing quote goes
      {U"\"ab\"junk\r\nc", {U"ab", U"c"}},
      {U"  \"ab", {U"ab"}},  // no closing quote: to the end
      {U"\"\",x", {U"", U"x"}},
      {U"A,B\x1A", {U"A", U"B"}},  // end-of-file mark at the very end
      {U"A,\x1A"
       U"B",
       {U"A",
        U"\x1A"
        U"B"}},                      // elsewhere it is data
      {U"a\"b,c", {U"a\"b", U"c"}},  // a quote inside is ordinary
  };
  for (const Row& r : rows) {
    EXPECT_EQ(AllFields(FieldReader::FromCp932(EncodeCp932(r.content))), r.fields)
        << ToUtf8(r.content);
    // Read in pieces, a field, a quote, a CR LF or the end mark may be cut anywhere.
    for (const std::size_t piece : {1, 2, 3, 7}) {
      EXPECT_EQ(AllFields(FieldReader::FromSource(
                    std::make_unique<PieceSource>(EncodeCp932(r.content), piece))),
                r.fields)
          << ToUtf8(r.content) << " in pieces of " << piece;
    }
  }
}

// A lead byte before a delimiter, a quote or the end mark is a raw byte of its own: the delimiter
// still ends the field, as it does in the file decoded whole.
TEST(FieldReaderTest, BytesThatAreNotCp932StayRawBytes) {
  const auto raw = [](unsigned char byte) { return Text(1, kRawByteBase + byte); };
  const std::pair<std::string, std::vector<Text>> rows[] = {
      {"\x81,\x81\r\n\x82", {raw(0x81), raw(0x81), raw(0x82)}},
      {"\"\x81\",x\x81 ,\xff\x1a", {raw(0x81), U"x" + raw(0x81), raw(0xFF)}},
      {"\x82\xa0\x81\x40,\x81\x40 ,\x81", {U"あ　", U"　", raw(0x81)}},
      {"a\x81\x1a", {U"a" + raw(0x81)}},
  };
  for (const auto& [bytes, fields] : rows) {
    EXPECT_EQ(AllFields(FieldReader::FromCp932(bytes)), fields) << bytes;
    EXPECT_EQ(AllFields(FieldReader::FromSource(std::make_unique<PieceSource>(bytes, 1))), fields)
        << bytes;
  }
}

// Views and skips are ReadField without copies: the same fields, the same counts, the same end,
// whether the reader holds the bytes or a source read in pieces.
TEST(FieldReaderTest, ViewsAndSkipsReadTheSameFields) {
  const std::string bytes = EncodeCp932(U"B,1, \"x,y\" ,表土,\r\n\"two\r\nlines\",ｱｲ,,3.5,");
  const std::vector<Text> expected = AllFields(FieldReader::FromCp932(bytes));
  const auto readers = [&] {
    std::vector<FieldReader> all;
    all.push_back(FieldReader::FromCp932(bytes));
    all.push_back(FieldReader::FromSource(std::make_unique<PieceSource>(bytes, 3)));
    return all;
  };
  for (FieldReader& in : readers()) {
    std::vector<Text> seen;
    for (std::size_t i = 0; i < expected.size(); ++i) {
      if (i % 3 == 1) {
        in.SkipField();
        seen.push_back(expected[i]);
      } else {
        seen.push_back(Text(in.ReadFieldView()));
      }
    }
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(in.FieldCount(), static_cast<long long>(expected.size()));
    EXPECT_THROW(in.SkipField(), ConversionError);
  }
}

// Fields read together take a shorter way where they can: the same bytes, the same plainness, the
// same places and counts as read one by one, wherever a source cuts its pieces.
TEST(FieldReaderTest, FieldsReadTogetherAreThoseReadOneByOne) {
  struct Seen {
    std::string bytes;
    bool plain = false;
    std::uint64_t start = 0, position = 0;
    long long count = 0;
    bool operator==(const Seen&) const = default;
  };
  // Fields of every length around the sixteen and sixty-four bytes looked at together, with a
  // sign, a point or a blank in each place.
  std::string lengths;
  for (const int n : {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13,
                      14, 15, 16, 17, 18, 30, 61, 62, 63, 64, 65, 70, 130}) {
    std::string digits;
    for (int k = 0; k < n; ++k) digits += static_cast<char>('0' + (9 - k % 10));
    for (const char* mark : {"", "-", "+", ".", " ", "x"}) {
      for (const int at : {0, 1, n / 2, n}) {
        std::string field = digits;
        field.insert(static_cast<std::size_t>(std::min(at, n)), mark);
        lengths += field + (n % 3 == 0 ? "\r\n" : n % 3 == 1 ? "," : "\n");
      }
    }
  }
  const std::string contents[] = {
      lengths,
      "D,1,1,1,0.50,0.80,16.2,-8.9,+6.1,31.97\r\nD,2,1,2,1.00,1.30,,5.31E-5,7.68E-4\r\n",
      "A,B\r\nC\nD\rE,,\r\n\r\nX",
      "   a  ,  b  ,c ,\"q,1\",\"a\r\nb\"junk\r\n1.5",
      "1,2,3\x1a",
      "1,2,\x1a"
      "3,4",
      "-.5,+,1.2.3,00012,1e5,\x82\xa0,\x81,\x81\r\n9",
      std::string(300, '1') + "," + std::string(300, 'x') + ",1,",
  };
  for (const std::string& bytes : contents) {
    const auto reader = [&](std::size_t piece) {
      return piece == 0 ? FieldReader::FromCp932(bytes)
                        : FieldReader::FromSource(std::make_unique<PieceSource>(bytes, piece));
    };
    for (const std::size_t piece : {0, 1, 2, 3, 7, 64}) {
      std::vector<Seen> one;
      FieldReader in = reader(piece);
      for (;;) {
        Seen seen;
        try {
          seen.bytes = in.ReadFieldBytes(seen.plain);
        } catch (const ConversionError&) {
          break;
        }
        seen.start = in.FieldStart();
        seen.position = in.Position();
        seen.count = in.SectionFieldCount();
        one.push_back(seen);
      }
      for (const int together : {1, 2, 5}) {
        FieldReader again = reader(piece);
        std::vector<Seen> many;
        const auto take = [&](int, std::string_view bytes, bool plain, std::size_t readable) {
          EXPECT_GE(readable, bytes.size());
          many.push_back({std::string(bytes), plain});
        };
        // The place is that of the last field read, after each call.
        const auto read = [&](int fields) {
          again.ReadFields(fields, take);
          if (fields == 0) return;
          ASSERT_FALSE(many.empty());
          Seen& last = many.back();
          last.start = again.FieldStart();
          last.position = again.Position();
          last.count = again.SectionFieldCount();
        };
        const int whole = static_cast<int>(one.size()) / together * together;
        for (int i = 0; i < whole; i += together) read(together);
        read(static_cast<int>(one.size()) - whole);
        ASSERT_EQ(many.size(), one.size()) << bytes;
        for (std::size_t k = 0; k < one.size(); ++k) {
          const bool placed = (k + 1) % together == 0 || k + 1 == one.size();
          const Seen expected = placed ? one[k] : Seen{one[k].bytes, one[k].plain};
          EXPECT_EQ(many[k], expected)
              << bytes << " in pieces of " << piece << ", " << together << ", field " << k;
        }
        EXPECT_THROW(again.ReadFields(1, take), ConversionError) << bytes;
      }
      // A field that cannot be taken leaves the reader at it, as if read alone.
      for (std::size_t k = 0; k < one.size(); k += 3) {
        FieldReader again = reader(piece);
        const auto refuse = [&](int i, std::string_view, bool, std::size_t) {
          if (static_cast<std::size_t>(i) == k) throw std::runtime_error("refused");
        };
        EXPECT_THROW(again.ReadFields(static_cast<int>(one.size()), refuse), std::runtime_error);
        EXPECT_EQ(again.FieldStart(), one[k].start) << bytes << ", " << k;
        EXPECT_EQ(again.Position(), one[k].position) << bytes << ", " << k;
        EXPECT_EQ(again.SectionFieldCount(), one[k].count) << bytes << ", " << k;
      }
    }
  }
}

TEST(FieldReaderTest, AtEndMeansNothingIsLeft) {
  FieldReader in = FieldReader::FromCp932("A,B\r\n");
  EXPECT_FALSE(in.AtEnd());
  in.ReadField();
  in.ReadField();
  EXPECT_TRUE(in.AtEnd());

  for (const std::string bytes : {"A,B\x1A", "A,B\r\n"}) {
    FieldReader pieces = FieldReader::FromSource(std::make_unique<PieceSource>(bytes, 1));
    pieces.ReadField();
    pieces.ReadField();
    EXPECT_TRUE(pieces.AtEnd()) << bytes;
  }
}

TEST(FieldReaderTest, ErrorNamesSectionAndField) {
  FieldReader in = FieldReader::FromCp932("x,1,2");
  in.ReadField();
  in.BeginSection(U'C');
  in.ReadField();
  in.ReadField();
  try {
    in.ReadField();
    FAIL() << "expected the end of the file";
  } catch (const ConversionError& e) {
    EXPECT_EQ(e.message(),
              U"セクション C のフィールド 3: ファイルがセクションの途中で終わっています。");
  }
}

TEST(FieldReaderTest, AFieldBeyond16MiBIsRefused) {
  constexpr std::size_t kMiB = std::size_t{1} << 20;
  const std::pair<std::size_t, bool> rows[] = {{16 * kMiB, true}, {16 * kMiB + 1, false}};
  for (const auto& [length, read] : rows) {
    FieldReader in = FieldReader::FromSource(
        std::make_unique<PieceSource>("C," + std::string(length, 'x') + ",1", kMiB));
    in.ReadField();
    in.BeginSection(U'C');
    try {
      EXPECT_EQ(in.ReadFieldView().size(), length);
      EXPECT_TRUE(read) << length;
    } catch (const ConversionError& e) {
      EXPECT_FALSE(read) << length;
      EXPECT_EQ(e.message(),
                U"セクション C のフィールド 1: フィールドが長すぎます（16 MiB を超えています）。");
    }
  }
}

TEST(FieldReaderTest, CountsRoundHalvesToEvenAndRejectOutOfRange) {
  const std::pair<Text, int> good[] = {
      {U"0", 0}, {U"2.5", 2}, {U"3.5", 4}, {U"abc", 0}, {U"", 0}, {U"32767", 32767}, {U"-0.4", 0},
  };
  for (const auto& [field, expected] : good) {
    FieldReader in = FieldReader::FromCp932(EncodeCp932(field + U","));
    EXPECT_EQ(ReadCount(in), expected) << ToUtf8(field);
  }
  for (const Text field : {U"-1", U"32768", U"1E9", U"-0.6"}) {
    FieldReader in = FieldReader::FromCp932(EncodeCp932(field));
    in.BeginSection(U'B');
    try {
      ReadCount(in);
      ADD_FAILURE() << ToUtf8(field);
    } catch (const ConversionError& e) {
      EXPECT_EQ(e.message(), U"セクション B のフィールド 1: 件数 \"" + field +
                                 U"\" が 0 から 32767 の範囲にありません。");
    }
  }
}

void ReadSomeFields(FieldReader& in, int count, bool together) {
  if (together) return in.ReadFields(count, [](int, std::string_view, bool, std::size_t) {});
  for (int i = 0; i < count; ++i) in.ReadFieldView();
}

/// Everything an observer is handed.
class Observed : public ReadObserver {
 public:
  void Bytes(std::string_view bytes, std::uint64_t offset) override {
    EXPECT_EQ(offset, seen.size());
    seen += bytes;
  }
  void Field(std::uint64_t start, std::string_view bytes) override {
    EXPECT_LE(start, seen.size());  // every byte before the field was handed over first
    fields.push_back(std::to_string(start) + ":" + std::string(bytes));
  }
  std::string seen;
  std::vector<std::string> fields;
};

// Check mode places findings and looks at every byte through the observer, the file never held.
TEST(FieldReaderTest, AnObserverSeesEveryByteOnceAndEveryField) {
  const std::string bytes = "A,\"b c\"\r\n d,\x82\xA0\n,\x1A";
  // Field by field, or with loads handed as they come and fields in batches; the fields read one
  // at a time or by ReadFields.
  for (const bool loads : {false, true}) {
    for (const bool together : {false, true}) {
      for (const std::size_t piece : {std::size_t{1}, std::size_t{3}, std::size_t{1} << 16}) {
        Observed observed;
        FieldReader in = FieldReader::FromSource(std::make_unique<PieceSource>(bytes, piece));
        in.Observe(&observed);
        in.ObserveLoads(loads);
        ReadSomeFields(in, 3, together);
        in.ObserveRest();
        EXPECT_EQ(observed.seen, bytes) << piece << loads << together;
        EXPECT_EQ(observed.fields, (std::vector<std::string>{"0:A", "3:b c", "10:d"}))
            << piece << loads << together;
        EXPECT_TRUE(in.AtEnd());
      }
    }
  }
}

// Counting findings needs no place: such an observer is handed a section's leading fields and
// those that may be markers, each numbered in its section, and nothing else.
TEST(FieldReaderTest, AnObserverOfFieldsInPartIsHandedAllButPlainNumbers) {
  class InPart : public Observed {
   public:
    bool WantsEveryField() const override { return false; }
    void Fields(std::span<const ObservedField> handed) override {
      for (const ObservedField& f : handed) {
        fields.push_back(std::to_string(f.number) + ":" + std::string(f.bytes));
      }
    }
  };
  // After the four leading fields, which are always handed: a field as written, and whether the
  // observer must be handed it (every field that is not a plain decimal, markers among them).
  const std::string digits255(255, '7');
  const struct {
    std::string written;
    bool handed;
  } fields[] = {
      {"12", false},      {"-1.5", false},
      {"+3", false},      {".5", false},
      {"5.", false},      {"  7  ", false},
      {digits255, false}, {digits255 + "7", true},
      {"", true},         {"   ", true},
      {"-", true},        {".", true},
      {"1.2.3", true},    {"1-2", true},
      {"--1", true},      {"+-1", true},
      {"1 2", true},      {"1e5", true},
      {"4.15E-3", true},  {"b", true},
      {"\x82\x60", true}, {"\x8d\xbb", true},
      {"\"12\"", true},   {"1" + std::string(300, 'x'), true},
  };
  std::string bytes = "A,1,22,333,4444";
  std::vector<std::string> expected = {"1:A", "1:1", "2:22", "3:333", "4:4444"};
  int number = 4;
  for (const auto& field : fields) {
    bytes += "," + field.written;
    ++number;
    std::string read = field.written;
    read.erase(0, read.find_first_not_of(' '));
    read.erase(read.find_last_not_of(' ') + 1);
    if (read.size() >= 2 && read.front() == '"') read = read.substr(1, read.size() - 2);
    if (field.handed) expected.push_back(std::to_string(number) + ":" + read);
  }
  bytes += "\r\n";
  for (const bool together : {false, true}) {
    for (const std::size_t piece : {std::size_t{1}, std::size_t{4}, std::size_t{1} << 16}) {
      InPart observed;
      FieldReader in = FieldReader::FromSource(std::make_unique<PieceSource>(bytes, piece));
      in.Observe(&observed);
      in.ObserveLoads(true);
      in.ReadFieldView();
      in.BeginSection(U'A');
      ReadSomeFields(in, number, together);
      in.ObserveRest();
      EXPECT_EQ(observed.seen, bytes) << piece << together;
      EXPECT_EQ(observed.fields, expected) << piece << together;
    }
  }
}

TEST(FieldReaderTest, MarkerConversion) {
  EXPECT_EQ(MarkerText(U"ａ"), U"A");
  EXPECT_EQ(MarkerText(U"Ｇ"), U"G");
  EXPECT_EQ(MarkerText(U"A "), U"A ");
}

}  // namespace
}  // namespace tecris2nx
