#include "common/number_scan.h"

#include <gtest/gtest.h>

#include <string>

#include "common/cp932.h"

namespace tecris2nx {
namespace {

constexpr std::size_t kNo = NumberScan::kNone;

// What a text is as a number; positions in characters. The same text's CP932 bytes must read
// alike, with positions in bytes.
struct ScanRow {
  Text text;
  std::size_t lead;
  const char* sign;  // "", "+" or "-"
  std::size_t whole;
  bool point;
  std::size_t fraction;
  std::size_t letter;  // kNo without one
  bool fullWidth;
  const char* exponentSign;
  std::size_t exponentDigits;
  std::size_t end;
  bool blanksOnly;
  const char* form;  // "decimal", "exponent", "blank" or "" for none of them
};

const ScanRow kScanRows[] = {
    {U"", 0, "", 0, false, 0, kNo, false, "", 0, 0, true, "blank"},
    {U"   ", 3, "", 0, false, 0, kNo, false, "", 0, 3, true, "blank"},
    {U"12.5", 0, "", 2, true, 1, kNo, false, "", 0, 4, true, "decimal"},
    {U"-0.25", 0, "-", 1, true, 2, kNo, false, "", 0, 5, true, "decimal"},
    {U"+7", 0, "+", 1, false, 0, kNo, false, "", 0, 2, true, "decimal"},
    {U".5", 0, "", 0, true, 1, kNo, false, "", 0, 2, true, "decimal"},
    {U"5.", 0, "", 1, true, 0, kNo, false, "", 0, 2, true, "decimal"},
    {U" 3 ", 1, "", 1, false, 0, kNo, false, "", 0, 2, true, ""},  // blanks around: no plain form
    // Without digits there is no number: it ends where it began.
    {U".", 0, "", 0, true, 0, kNo, false, "", 0, 0, false, ""},
    {U"-", 0, "-", 0, false, 0, kNo, false, "", 0, 0, false, ""},
    {U"+-1", 0, "+", 0, false, 0, kNo, false, "", 0, 0, false, ""},
    {U"- 1", 0, "-", 0, false, 0, kNo, false, "", 0, 0, false, ""},
    {U"E5", 0, "", 0, false, 0, kNo, false, "", 0, 0, false, ""},
    {U".e5", 0, "", 0, true, 0, kNo, false, "", 0, 0, false, ""},
    // What stops a number.
    {U"1.2.3", 0, "", 1, true, 1, kNo, false, "", 0, 3, false, ""},
    {U"1 2", 0, "", 1, false, 0, kNo, false, "", 0, 1, false, ""},
    {U"\t1", 0, "", 0, false, 0, kNo, false, "", 0, 0, false, ""},   // a tab is no blank
    {U"　1", 0, "", 0, false, 0, kNo, false, "", 0, 0, false, ""},   // nor a full-width space
    {U"１２", 0, "", 0, false, 0, kNo, false, "", 0, 0, false, ""},  // nor are these digits
    {U"12a", 0, "", 2, false, 0, kNo, false, "", 0, 2, false, ""},
    {U"1D2", 0, "", 1, false, 0, kNo, false, "", 0, 1, false, ""},
    // Exponents in both widths and cases.
    {U"1.5E-05", 0, "", 1, true, 1, 3, false, "-", 2, 7, true, "exponent"},
    {U"2e3", 0, "", 1, false, 0, 1, false, "", 1, 3, true, "exponent"},
    {U"2.3ｅ-4", 0, "", 1, true, 1, 3, true, "-", 1, 6, true, "exponent"},
    {U"-1Ｅ+38", 0, "-", 1, false, 0, 2, true, "+", 2, 6, true, "exponent"},
    {U" 1E2 ", 1, "", 1, false, 0, 2, false, "", 1, 4, true, ""},
    {U"1E", 0, "", 1, false, 0, 1, false, "", 0, 2, true, ""},
    {U"1E+", 0, "", 1, false, 0, 1, false, "+", 0, 3, true, ""},
    {U"1E0.5", 0, "", 1, false, 0, 1, false, "", 1, 3, false, ""},
    {U"1e2E1", 0, "", 1, false, 0, 1, false, "", 1, 3, false, ""},
};

// A position in characters as a position in the text's CP932 bytes.
std::size_t BytePosition(const Text& text, std::size_t at) {
  return at == kNo ? kNo : EncodeCp932(text.substr(0, at)).size();
}

void ExpectRow(const NumberScan& s, const ScanRow& row, bool bytes) {
  const Text& t = row.text;
  const auto position = [&](std::size_t at) { return bytes ? BytePosition(t, at) : at; };
  const std::string label = ToUtf8(t) + (bytes ? " (bytes)" : " (text)");
  const std::string sign = row.sign;
  EXPECT_EQ(s.size, position(t.size())) << label;
  EXPECT_EQ(s.lead, row.lead) << label;
  EXPECT_EQ(s.sign, !sign.empty()) << label;
  EXPECT_EQ(s.negative, sign == "-") << label;
  EXPECT_EQ(s.digitsFrom, row.lead + sign.size()) << label;
  EXPECT_EQ(s.wholeDigits, row.whole) << label;
  EXPECT_EQ(s.point, row.point) << label;
  EXPECT_EQ(s.fractionDigits, row.fraction) << label;
  EXPECT_EQ(s.letter, position(row.letter)) << label;
  EXPECT_EQ(s.fullWidthLetter, row.fullWidth) << label;
  if (row.letter != kNo) {
    EXPECT_EQ(s.letterSize, bytes && row.fullWidth ? 2U : 1U) << label;
    EXPECT_EQ(s.exponentNegative, std::string(row.exponentSign) == "-") << label;
    EXPECT_EQ(s.exponentFrom, s.letter + s.letterSize + std::string(row.exponentSign).size())
        << label;
  }
  EXPECT_EQ(s.exponentDigits, row.exponentDigits) << label;
  EXPECT_EQ(s.end, position(row.end)) << label;
  EXPECT_EQ(s.blanksOnly, row.blanksOnly) << label;
  const std::string form = row.form;
  EXPECT_EQ(s.IsPlainDecimal(), form == "decimal") << label;
  EXPECT_EQ(s.IsPlainExponent(), form == "exponent") << label;
  EXPECT_EQ(s.IsBlank(), form == "blank") << label;
  EXPECT_EQ(s.IsDecimalBetweenBlanks(),
            s.MantissaDigits() > 0 && row.letter == kNo && row.blanksOnly)
      << label;
}

TEST(NumberScanTest, SaysWhatATextIsInTextAndBytes) {
  for (const ScanRow& row : kScanRows) {
    ExpectRow(ScanNumber(TextView(row.text)), row, false);
    ExpectRow(ScanNumber(std::string_view(EncodeCp932(row.text))), row, true);
  }
}

// A byte of a double-byte character is never read as part of a number, nor taken for the
// full-width letter when it is not one.
TEST(NumberScanTest, DoubleByteCharactersStopTheBytes) {
  const std::pair<std::string, std::size_t> rows[] = {
      {"1\x82\x50", 1},  // １ after a digit
      {"1\x82\x65"
       "5",
       1},               // Ｆ, whose first byte is that of Ｅ
      {"1\x82", 1},      // a first byte alone at the end
      {"1\x82\x64", 3},  // Ｅ with no exponent digits
  };
  for (const auto& [bytes, end] : rows) EXPECT_EQ(ScanNumber(bytes).end, end) << bytes;
}

}  // namespace
}  // namespace tecris2nx
