#include "common/source_encoding.h"

#include <gtest/gtest.h>

#include "common/cp932.h"
#include "common/error.h"
#include "support/memory_file_system.h"
#include "support/piece_source.h"

namespace tecris2nx {
namespace {

// "A,砂" and its CP932 bytes.
const std::string kCp932 = "A,\x8d\xbb\r\n";
const std::string kUtf8 = "A,\xe7\xa0\x82\r\n";

TEST(SourceEncodingTest, DecidesFromTheMarkOrFromWhichEncodingFits) {
  struct Row {
    const char* what;
    std::string bytes;
    SourceEncoding expected;
  };
  const Row rows[] = {
      {"CP932", kCp932, SourceEncoding::kCp932},
      {"ASCII only: both fit, CP932 wins", "A,12.5\r\n", SourceEncoding::kCp932},
      {"CP932 that is also valid UTF-8 stays CP932", "\x82\xa0\x82\xa0", SourceEncoding::kCp932},
      {"UTF-8", kUtf8, SourceEncoding::kUtf8},
      {"UTF-8 with a mark", "\xef\xbb\xbf" + kUtf8, SourceEncoding::kUtf8WithMark},
      {"UTF-16LE with a mark",
       std::string("\xff\xfe"
                   "A\0",
                   4),
       SourceEncoding::kUtf16Le},
      {"UTF-16BE with a mark", std::string("\xfe\xff\0A", 4), SourceEncoding::kUtf16Be},
      {"neither: read as CP932 as always", "A,\xff\xfe\xfd", SourceEncoding::kCp932},
      {"a lead byte cut off at the end", "A,\x8d", SourceEncoding::kCp932},
      {"UTF-8 overlong form is no UTF-8", "A,\xc0\xaf\xe7", SourceEncoding::kCp932},
  };
  for (const Row& r : rows) EXPECT_EQ(DetectEncoding(r.bytes), r.expected) << r.what;
}

TEST(SourceEncodingTest, ConvertsToCp932OrNamesThePlace) {
  struct Row {
    const char* what;
    std::string bytes;
    SourceEncoding from;
    std::string expected;  ///< CP932 bytes, or empty for an error
    Text error;
  };
  const std::string le(
      "\xff\xfe"
      "A\0,\0\x02\x78\r\0\n\0",
      12);  // A,砂 CR LF
  const std::string be("\xfe\xff\0A\0,\x78\x02\0\r\0\n", 12);
  const Row rows[] = {
      {"UTF-8", kUtf8, SourceEncoding::kUtf8, kCp932, U""},
      {"UTF-8, mark dropped", "\xef\xbb\xbf" + kUtf8, SourceEncoding::kUtf8WithMark, kCp932, U""},
      {"UTF-16LE", le, SourceEncoding::kUtf16Le, kCp932, U""},
      {"UTF-16BE", be, SourceEncoding::kUtf16Be, kCp932, U""},
      {"no CP932 form", "A,\r\nB,\xf0\x9f\x98\x80", SourceEncoding::kUtf8, "",
       U"行 2、列 3: 文字 「😀」U+1F600 は CP932 で書けません。"},
      {"a lone surrogate in UTF-16", std::string("\xff\xfe\x00\xdc", 4), SourceEncoding::kUtf16Le,
       "", U"行 1、列 1: UTF-16LE として読めないバイトがあります。"},
  };
  for (const Row& r : rows) {
    if (r.error.empty()) {
      EXPECT_EQ(ConvertToCp932(r.bytes, r.from), r.expected) << r.what;
      continue;
    }
    try {
      ConvertToCp932(r.bytes, r.from);
      ADD_FAILURE() << r.what << ": no error";
    } catch (const ConversionError& e) {
      EXPECT_EQ(ToUtf8(e.message()), ToUtf8(r.error)) << r.what;
    }
  }
}

TEST(SourceEncodingTest, OpensPieceByPieceWithTheSameDecision) {
  // Pieces of three bytes: characters straddle the pieces the checks see.
  struct OneFile : testing::MemoryFileSystem {
    std::string bytes;
    std::unique_ptr<ByteSource> OpenForReading(const Text&) const override {
      return std::make_unique<testing::PieceSource>(bytes, 3);
    }
  };
  const std::pair<std::string, SourceEncoding> rows[] = {
      {kCp932 + kCp932 + "\x88\x9f", SourceEncoding::kCp932},
      {kUtf8 + kUtf8 + "\xe2\x80\xa6", SourceEncoding::kUtf8},
      {"\xef\xbb\xbf" + kUtf8, SourceEncoding::kUtf8WithMark},
  };
  for (const auto& [bytes, expected] : rows) {
    OneFile fs;
    fs.bytes = bytes;
    SourceEncoding found = SourceEncoding::kCp932;
    std::unique_ptr<ByteSource> source = OpenAsCp932(fs, U"f", EncodingChoice::kAuto, found);
    std::string read;
    while (source->ReadMore(read, 1 << 16)) {
    }
    EXPECT_EQ(found, expected) << bytes;
    EXPECT_EQ(read, ConvertToCp932(bytes, expected)) << bytes;
  }
}

}  // namespace
}  // namespace tecris2nx
