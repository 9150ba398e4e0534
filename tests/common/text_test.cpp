#include "common/text.h"

#include <gtest/gtest.h>

#include "common/cp932.h"
#include "common/error.h"

namespace tecris2nx {
namespace {

TEST(TextTest, TrimsOnlyHalfWidthBlanks) {
  struct Row {
    Text in, both, left, right;
  };
  const Row rows[] = {
      {U"", U"", U"", U""},
      {U"   ", U"", U"", U""},
      {U" a b ", U"a b", U"a b ", U" a b"},
      {U"　a　", U"　a　", U"　a　", U"　a　"},  // the full-width space is an ordinary character
      {U"\ta\t", U"\ta\t", U"\ta\t", U"\ta\t"},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(TrimBlanks(r.in), r.both) << ToUtf8(r.in);
    EXPECT_EQ(TrimLeftBlanks(r.in), r.left) << ToUtf8(r.in);
    EXPECT_EQ(TrimRightBlanks(r.in), r.right) << ToUtf8(r.in);
  }
  EXPECT_TRUE(IsBlankOrEmpty(U""));
  EXPECT_TRUE(IsBlankOrEmpty(U"  "));
  EXPECT_FALSE(IsBlankOrEmpty(U"　"));
}

TEST(TextTest, HalfWidthUpperForMarkers) {
  const std::pair<Text, Text> rows[] = {
      {U"a", U"A"},   {U"Ａ", U"A"}, {U"ａ", U"A"}, {U"ｈ", U"H"},
      {U"A ", U"A "}, {U"　", U" "}, {U"ｱ", U"ｱ"},  {U"b1", U"B1"},
  };
  for (const auto& [in, expected] : rows) EXPECT_EQ(ToHalfWidthUpper(in), expected) << ToUtf8(in);
}

TEST(TextTest, Utf8RoundTripAndInvalidInput) {
  const Text sample = U"TECRIS -> Nx 変換プログラム ｱｲｳ 𠮷";
  EXPECT_EQ(FromUtf8(ToUtf8(sample)), sample);
  EXPECT_EQ(FromUtf8("a\xff"
                     "b"),
            U"a\uFFFDb");
  EXPECT_EQ(FromUtf8("\xe3\x81"), U"\uFFFD\uFFFD");
  EXPECT_EQ(FromUtf8("\xc0\xaf"), U"\uFFFD\uFFFD");  // overlong form of "/"
  EXPECT_EQ(ToUtf8(Text(1, kRawByteBase + 0x80)), "\xef\xbf\xbd");
  // ASCII goes across as it is; one character past it does not.
  for (const auto& [text, bytes] : {std::pair<Text, std::string>{U"", ""},
                                    {U"/tmp/a b.txt\x7f", "/tmp/a b.txt\x7f"},
                                    {U"ab\u0080", "ab\xc2\x80"},
                                    {U"\u00e9t\u00e9", "\xc3\xa9t\xc3\xa9"}}) {
    EXPECT_EQ(ToUtf8(text), bytes);
    EXPECT_EQ(FromUtf8(bytes), text);
  }
}

TEST(TextTest, NativeNamesKeepEveryByte) {
  struct Row {
    std::string bytes;
    Text name;
    Text shown;
  };
  const Text raw82 = Text(1, kRawByteBase + 0x82);
  const Row rows[] = {
      {"plain/日本語", U"plain/日本語", U"plain/日本語"},
      {"/out/20000000001/X100.txt", U"/out/20000000001/X100.txt", U"/out/20000000001/X100.txt"},
      {"", U"", U""},
      // A CP932 folder name ("変換"): its middle bytes happen to be valid UTF-8.
      {"\x95\xCF\x8A\xB7", Text{kRawByteBase + 0x95, 0x3CA, kRawByteBase + 0xB7},
       U"\\x95\u03CA\\xB7"},
      {"a\x82\xA0", U"a" + raw82 + Text(1, kRawByteBase + 0xA0), U"a\\x82\\xA0"},  // cut short
      {"\xE6\x97", Text{kRawByteBase + 0xE6, kRawByteBase + 0x97}, U"\\xE6\\x97"},
      {"\xEF\xBF\xBD", U"\uFFFD", U"\uFFFD"},  // U+FFFD itself is a character
      {"\xED\xB2\x80", Text{kRawByteBase + 0xED, kRawByteBase + 0xB2, kRawByteBase + 0x80},
       U"\\xED\\xB2\\x80"},  // an encoded surrogate is not valid UTF-8
  };
  for (const Row& r : rows) {
    EXPECT_EQ(FromNativeName(r.bytes), r.name) << r.bytes;
    EXPECT_EQ(NativeNameBytes(r.name), r.bytes) << r.bytes;
    EXPECT_EQ(ShownName(r.name), r.shown) << r.bytes;
  }
}

TEST(TextTest, ShownTextWritesControlCharactersAndCarriedBytesAsHex) {
  const std::pair<Text, Text> rows[] = {
      {U"9E999\x1b]0;TITLE\x07\x1b[2J", U"9E999\\x1B]0;TITLE\\x07\\x1B[2J"},
      {U"a\nb\r\tc", U"a\\x0Ab\\x0D\\x09c"},
      {Text(1, U'\0') + U"\x1f\x7f", U"\\x00\\x1F\\x7F"},
      {U"\u0080\u0085\u009f\u00a0", U"\\x80\\x85\\x9F\u00a0"},  // C1; no-break space kept
      {U"x" + Text(1, kRawByteBase + 0x82), U"x\\x82"},
      {U"深度 \"1.5\" 〜 ～", U"深度 \"1.5\" 〜 ～"},
      {U"\\x1B already shown", U"\\x1B already shown"},
      {U"12345678.\u202E900\u202C", U"12345678.\\u202E900\\u202C"},  // shown as 009
      {U"\u061C\u200E\u200F\u2028\u2029\u202A\u2066\u2069",
       U"\\u061C\\u200E\\u200F\\u2028\\u2029\\u202A\\u2066\\u2069"},
      {U"\u200D\u2027\u202F\u2065\u206A", U"\u200D\u2027\u202F\u2065\u206A"},  // neighbours kept
  };
  for (const auto& [text, shown] : rows) {
    EXPECT_EQ(ShownText(text), shown) << ToUtf8(shown);
    EXPECT_EQ(ShownText(shown), shown) << ToUtf8(shown);
  }
}

TEST(Cp932Test, DecodesAndEncodesTheSystemCodePage) {
  struct Row {
    std::string bytes;
    Text text;
  };
  const Row rows[] = {
      {"\x5c", U"\\"},  // the backslash, not the yen sign
      {"\x7e", U"~"},
      {"\xb1\xdf", U"ｱﾟ"},  // half-width katakana are single bytes
      {"\x8a\xbf\x8e\x9a", U"漢字"},
      {"\x81\x40", U"　"},  // full-width space
      {"\x81\x60", U"～"},
      {"\x87\x40", U"①"},  // NEC special characters
      {"\x82\xa0,\"x\"\r\n", U"あ,\"x\"\r\n"},
      {std::string("\0", 1), Text(1, U'\0')},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(DecodeCp932(r.bytes), r.text) << ToUtf8(r.text);
    EXPECT_EQ(EncodeCp932(r.text), r.bytes) << ToUtf8(r.text);
  }
}

TEST(Cp932Test, InvalidBytesAreCarriedThroughUnchanged) {
  const std::string rows[] = {
      "\x80",
      "\xa0",
      "\xfd\xfe\xff",
      "abc\x81",
      "\x81\x20x",
      "\x85\x40",
      "\xef\x40"
      "a",
  };
  for (const std::string& bytes : rows) {
    const Text text = DecodeCp932(bytes);
    EXPECT_EQ(EncodeCp932(text), bytes);
    EXPECT_EQ(EncodeCp932Lossy(text), bytes);
  }
  // A lead byte whose trail byte is not valid keeps the trail as its own character.
  EXPECT_EQ(DecodeCp932("\x81\x20x"), Text(1, kRawByteBase + 0x81) + U" x");
}

TEST(Cp932Test, CharactersWithoutCp932Form) {
  // Look-alikes are refused too: they would not read back as the character written.
  for (const Text c : {U"𠮷", U"\u301C", U"\u2212", U"\u00A5", U"\u2014", U"\u00A0", U"\u0080"}) {
    EXPECT_THROW(EncodeCp932(c), ConversionError) << ToUtf8(c);
    EXPECT_EQ(EncodeCp932Lossy(U"a" + c + U"b"), "a?b") << ToUtf8(c);
  }
}

}  // namespace
}  // namespace tecris2nx
