#include "tecris/field_reader.h"

#include <gtest/gtest.h>

#include <memory>
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

// A source may cut its pieces anywhere: the fields, their places and counts are those of the
// bytes read whole.
TEST(FieldReaderTest, PiecesDoNotChangeFieldsOrPlaces) {
  struct Seen {
    std::string bytes;
    std::uint64_t start = 0, position = 0;
    long long count = 0;
    bool operator==(const Seen&) const = default;
  };
  const std::string contents[] = {
      "D,1,1,1,0.50,0.80,16.2,-8.9,+6.1,31.97\r\nD,2,1,2,1.00,1.30,,5.31E-5,7.68E-4\r\n",
      "A,B\r\nC\nD\rE,,\r\n\r\nX",
      "   a  ,  b  ,c ,\"q,1\",\"a\r\nb\"junk\r\n1.5",
      "1,2,3\x1a",
      "1,2,\x1a"
      "3,4",
      "-.5,+,1.2.3,00012,1e5,\x82\xa0,\x81,\x81\r\n9",
      std::string(300, '1') + "," + std::string(300, 'x') + ",1,",
  };
  const auto readAll = [](FieldReader in) {
    std::vector<Seen> seen;
    for (;;) {
      Seen field;
      try {
        field.bytes = in.ReadFieldBytes();
      } catch (const ConversionError&) {
        return seen;
      }
      field.start = in.FieldStart();
      field.position = in.Position();
      field.count = in.SectionFieldCount();
      seen.push_back(field);
    }
  };
  for (const std::string& bytes : contents) {
    const std::vector<Seen> whole = readAll(FieldReader::FromCp932(bytes));
    for (const std::size_t piece : {1, 2, 3, 7, 64}) {
      EXPECT_EQ(readAll(FieldReader::FromSource(std::make_unique<PieceSource>(bytes, piece))),
                whole)
          << bytes << " in pieces of " << piece;
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
  for (const std::size_t piece : {std::size_t{1}, std::size_t{3}, std::size_t{1} << 16}) {
    Observed observed;
    FieldReader in = FieldReader::FromSource(std::make_unique<PieceSource>(bytes, piece));
    in.Observe(&observed);
    for (int i = 0; i < 3; ++i) in.ReadFieldView();
    in.ObserveRest();
    EXPECT_EQ(observed.seen, bytes) << piece;
    EXPECT_EQ(observed.fields, (std::vector<std::string>{"0:A", "3:b c", "10:d"})) << piece;
    EXPECT_TRUE(in.AtEnd());
  }
}

TEST(FieldReaderTest, MarkerConversion) {
  EXPECT_EQ(MarkerText(U"ａ"), U"A");
  EXPECT_EQ(MarkerText(U"Ｇ"), U"G");
  EXPECT_EQ(MarkerText(U"A "), U"A ");
}

}  // namespace
}  // namespace tecris2nx
