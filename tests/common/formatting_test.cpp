#include "common/formatting.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "common/cp932.h"
#include "common/error.h"

namespace tecris2nx {
namespace {

constexpr double kMax = std::numeric_limits<double>::max();

Text Repeat(char32_t c, std::size_t n) { return Text(n, c); }

TEST(FormattingTest, NumericValueReadsTheLeadingNumber) {
  const std::pair<Text, double> rows[] = {
      {U"", 0},
      {U"abc", 0},
      {U"12.5", 12.5},
      {U"  3 . 2", 3.2},  // blanks inside the number are skipped
      {U"\t-\n4", -4},    // so are tabs and line feeds
      {U"1\r2", 1},       // a carriage return is not
      {U"+7", 7},
      {U"--3", 0},
      {U"- 2.5", -2.5},
      {U"1.2.3", 1.2},
      {U".5", 0.5},
      {U"-.5", -0.5},
      {U"5.", 5},
      {U".", 0},
      {U"-", 0},
      {U"007", 7},
      {U"0.005", 0.005},
      {U"12abc", 12},
      {U"1,000", 1},
      {U"1e3", 1000},
      {U"1 E + 3", 1000},
      {U"2.5d-1", 0.25},
      {U"1D2", 100},
      {U"1e", 1},
      {U"1e+", 1},
      {U"1e2e3", 100},
      {U"e5", 0},
      {U".e5", 0},
      {U"１２", 0},  // full-width digits are not digits
      {U"1１", 1},
      {U"1ｅ2", 1},
      {U"　1", 0},  // nor is the full-width space a blank
      {U"&HFF", 255},
      {U"&hff", 255},
      {U"& H 1 0", 16},
      {U"&O17", 15},
      {U"&O18", 1},
      {U"&H", 0},
      {U"&X1", 0},
      {U"-&H10", 0},
      {U"0.1", 0.1},
      {U"9999.99", 9999.99},
      {U"-9999.99", -9999.99},
      {U"1e308", 1e308},
      {U"4.9e-324", 4.9e-324},
      {U"9007199254740993", 9007199254740992.0},  // halfway: to even
      {U"1e22", 1e22},
      {U"1e23", 1e23},
      {U"123456789012345678e-5", 1234567890123.45678},
  };
  for (const auto& [in, expected] : rows) EXPECT_EQ(NumericValue(in), expected) << ToUtf8(in);
}

TEST(FormattingTest, NumericValueSurvivesExtremeText) {
  const std::pair<Text, double> rows[] = {
      {U"1e400", kMax},
      {U"-1e400", -kMax},
      {U"1e99999999999999999999999", kMax},
      {U"1e-400", 0},
      {U"1e-99999999999999999999999", 0},
      {U"0e99999999999", 0},
      {U"-0", 0},
      {Repeat(U'9', 400), kMax},
      {U"1" + Repeat(U'0', 5000) + U"e-5000", 1},
      {U"0." + Repeat(U'0', 5000) + U"1e5001", 1},
      {U"." + Repeat(U'9', 5000), 1},
      // Beyond the digits kept, a nonzero digit far away still decides a halfway case.
      {U"9007199254740993." + Repeat(U'0', 2000) + U"1", 9007199254740994.0},
      {U"9007199254740993." + Repeat(U'0', 2000), 9007199254740992.0},
      {U"&H" + Repeat(U'F', 300), kMax},
  };
  for (const auto& [in, expected] : rows) {
    EXPECT_EQ(NumericValue(in), expected) << ToUtf8(in.substr(0, 40));
  }
  EXPECT_FALSE(std::signbit(NumericValue(U"-0")));
  EXPECT_FALSE(std::signbit(NumericValue(U"-1e-400")));
}

TEST(FormattingTest, ReadNumberTellsHowMuchWasReadAndWhetherItFits) {
  struct Row {
    Text text;
    double value;
    std::size_t length;
    bool digits, overflow, underflow;
  };
  const Row rows[] = {
      {U"12", 12, 2, true, false, false},
      {U" 12 ", 12, 3, true, false, false},
      {U"12a", 12, 2, true, false, false},
      {U"1 2", 12, 3, true, false, false},
      {U"", 0, 0, false, false, false},
      {U"abc", 0, 0, false, false, false},
      {U"１２", 0, 0, false, false, false},
      {U"-.5e1x", -5, 5, true, false, false},
      {U"&H1Fz", 31, 4, true, false, false},
      {U"21E408.8", kMax, 6, true, true, false},
      {U"-1e400", -kMax, 6, true, true, false},
      {U"&H" + Repeat(U'F', 300), kMax, 302, true, true, false},
      {U"1e-400", 0, 6, true, false, true},
      {U"0e-400", 0, 6, true, false, false},
  };
  for (const Row& row : rows) {
    const NumberReading reading = ReadNumber(row.text);
    const std::string label = ToUtf8(row.text.substr(0, 20));
    EXPECT_EQ(reading.value, row.value) << label;
    EXPECT_EQ(reading.length, row.length) << label;
    EXPECT_EQ(reading.digits, row.digits) << label;
    EXPECT_EQ(reading.overflow, row.overflow) << label;
    EXPECT_EQ(reading.underflow, row.underflow) << label;
    // The quick test never passes over a number that leaves the range.
    if (reading.overflow) {
      EXPECT_TRUE(MayLeaveNumberRange(EncodeCp932Lossy(row.text))) << label;
    }
  }
  EXPECT_FALSE(MayLeaveNumberRange("123.45"));
}

TEST(FormattingTest, NumericValueRoundsLikeTheLibraryParse) {
  std::mt19937_64 random(7);
  std::uniform_int_distribution<int> length(1, 25);
  std::uniform_int_distribution<int> digit(0, 9);
  std::uniform_int_distribution<int> exponent(-40, 40);
  for (int i = 0; i < 20000; ++i) {
    std::string text;
    const int digits = length(random);
    for (int k = 0; k < digits; ++k) text += static_cast<char>('0' + digit(random));
    text += "e" + std::to_string(exponent(random));
    double expected = 0;
    std::from_chars(text.data(), text.data() + text.size(), expected);
    EXPECT_EQ(NumericValue(FromUtf8(text)), expected) << text;
  }
}

// A cell's value from its bytes, undecoded, is the value of its text, sign of zero included.
TEST(FormattingTest, NumericValueOfCp932ReadsTheBytesAsTheirText) {
  const Text rows[] = {U"12.5",
                       U" -0.0",
                       U"-0",
                       U"1Ｅ5",
                       U"2ｅ-1",
                       U"12土",
                       U"&HＦ",
                       U"&H1F",
                       U"１２",
                       U"ｱ1",
                       U"1 2\t3",
                       U"1e3",
                       U"- .5d1",
                       U"",
                       U"-",
                       U"1e400",
                       U"1e-400",
                       U"9007199254740993",
                       Text(U"1") + char32_t(kRawByteBase + 0x82) + U"5"};  // a first byte alone
  for (const Text& text : rows) {
    const double fromBytes = NumericValueOfCp932(EncodeCp932(text));
    const double fromText = NumericValue(text);
    EXPECT_EQ(fromBytes, fromText) << ToUtf8(text);
    EXPECT_EQ(std::signbit(fromBytes), std::signbit(fromText)) << ToUtf8(text);
  }
}

TEST(FormattingTest, NumberTextGeneralForm) {
  const std::pair<double, Text> rows[] = {
      {0, U"0"},
      {-0.0, U"0"},
      {0.5, U"0.5"},
      {-0.5, U"-0.5"},
      {12.5, U"12.5"},
      {100, U"100"},
      {9999.99, U"9999.99"},
      {-9999.99, U"-9999.99"},
      {0.1 + 0.2, U"0.3"},
      {2.0 / 3.0, U"0.666666666666667"},
      {0.0001, U"0.0001"},
      {0.00012345, U"0.00012345"},
      {0.00001, U"1E-05"},
      {-0.00001, U"-1E-05"},
      {0.000015, U"1.5E-05"},
      {123456789012345, U"123456789012345"},
      {1e15, U"1E+15"},
      {1.5e15, U"1.5E+15"},
      {999999999999999.9, U"1E+15"},
      {1e100, U"1E+100"},
      {1e-300, U"1E-300"},
      {kMax, U"1.79769313486232E+308"},
      {4.9e-324, U"4.94065645841247E-324"},
  };
  for (const auto& [value, expected] : rows) EXPECT_EQ(NumberText(value), expected) << value;
}

TEST(FormattingTest, NumberTextAgreesWithPrintfGeneralFormat) {
  std::mt19937_64 random(20240601);
  std::uniform_real_distribution<double> mantissa(-10, 10);
  std::uniform_int_distribution<int> exponent(-30, 30);
  std::uniform_int_distribution<int> depth(0, 9999999);
  std::vector<double> values;
  for (int i = 0; i < 20000; ++i) {
    values.push_back(mantissa(random) * std::pow(10.0, exponent(random)));
    // Lengths between depths of two places, whose differences carry the error of both.
    values.push_back(depth(random) / 100.0 - depth(random) / 100.0);
    const std::uint64_t raw = random();
    double bits = 0;
    std::memcpy(&bits, &raw, sizeof(bits));
    if (std::isfinite(bits)) values.push_back(bits);
  }
  // Beside each power of ten, where the fifteenth digit's place changes, and beside halves of the
  // fifteenth digit's unit.
  for (int power = -300; power <= 300; power += 7) {
    for (const double start : {std::pow(10.0, power), 1.000000000000005 * std::pow(10.0, power),
                               9.999999999999995 * std::pow(10.0, power)}) {
      double below = start;
      double above = start;
      for (int step = 0; step < 20; ++step) {
        values.push_back(below = std::nextafter(below, 0.0));
        values.push_back(above = std::nextafter(above, HUGE_VAL));
      }
    }
  }
  for (const double value : values) {
    char expected[64];
    std::snprintf(expected, sizeof expected, "%.15G", value);
    ASSERT_EQ(ToUtf8(NumberText(value)), expected) << value;
  }
}

TEST(FormattingTest, IntegerTextAndRightPad4) {
  const std::pair<std::int16_t, Text> integers[] = {
      {0, U"0"}, {7, U"7"}, {-7, U"-7"}, {32767, U"32767"}, {-32768, U"-32768"}};
  for (const auto& [value, expected] : integers) EXPECT_EQ(IntegerText(value), expected) << value;

  const std::pair<Text, Text> pads[] = {
      {U"", U"    "},      {U"1", U"   1"},      {U"-1", U"  -1"},   {U"1234", U"1234"},
      {U"12345", U"2345"}, {U"土質", U"  土質"}, {U"E-05", U"E-05"},
  };
  for (const auto& [in, expected] : pads) EXPECT_EQ(RightPad4(in), expected) << ToUtf8(in);
}

TEST(FormattingTest, FormatDepthFixedColumns) {
  const std::pair<Text, Text> rows[] = {
      {U"0", U"   0.00"},
      {U"", U"   0.00"},
      {U"5", U"   5.00"},
      {U"12.3456", U"  12.34"},
      {U"0.5", U"   0.50"},
      {U"-1.5", U"  -1.50"},
      {U"1234.5", U"1234.50"},
      {U"12345.6", U"2345.60"},
      {U"-1234.5", U"1234.50"},
      {U" 3 . 2", U"   3.20"},
      {U"1.999", U"   1.99"},  // truncated, not rounded
      {U"-0.999", U"  -0.99"},
      {U"9999.999", U"9999.99"},
      {U"100", U" 100.00"},
      {U"abc", U"   0.00"},
      {U"-0", U"   0.00"},
      {U"0.0001", U"   0.00"},
      // Exponent forms are written out in digits first, never as "E-05.00".
      {U"0.00001", U"   0.00"},
      {U"-0.00001", U"  -0.00"},
      {U"1e-300", U"   0.00"},
      {U"1E15", U"0000.00"},
      {U"12345678901234567", U"4600.00"},  // the 15-digit text, not the double
      {U"-1.5E15", U"0000.00"},
  };
  for (const auto& [in, expected] : rows) EXPECT_EQ(FormatDepth(in), expected) << ToUtf8(in);
}

TEST(FormattingTest, NumberOrEmpty) {
  const std::pair<Text, Text> rows[] = {
      {U"", U""},
      {U"   ", U""},
      {U"12.50", U"12.5"},
      {U"3", U"3"},
      {U" 3 ", U"3"},
      {U"　　", U"0"},
      {U"abc", U"0"},
      {U"-0.0", U"0"},
      {U" -0 ", U"0"},
      {U"00.000", U"0"},
      {U"0.00001", U"1E-05"},
      {U"-.50", U"-0.5"},
      {U"+007.100", U"7.1"},
      {U"5.", U"5"},
      {U"1 2", U"12"},
      {U"1.5E2", U"150"},
      // Where a decimal stops being its own text: 15 significant digits, and 0.0001.
      {U"123456789012345", U"123456789012345"},
      {U"-12345678901234.5", U"-12345678901234.5"},
      {U"123456789012345.6", U"123456789012346"},
      {U"1234567890123456", U"1.23456789012346E+15"},
      {U"0.0001", U"0.0001"},
      {U"-0.000123456789012", U"-0.000123456789012"},
      {U"0.0001234567890123456", U"0.000123456789012346"},
  };
  for (const auto& [in, expected] : rows) EXPECT_EQ(NumberOrEmpty(in), expected) << ToUtf8(in);
}

TEST(FormattingTest, ExponentNumberEvaluatesAtSinglePrecision) {
  const std::pair<Text, Text> rows[] = {
      {U"", U""},
      {U"  ", U""},
      {U"1.5e2", U"150"},
      {U"1.5Ｅ2", U"150"},
      {U"1.5E2", U"150"},
      {U"2ｅ-1", U"0.2"},
      {U"E5", U"0"},
      {U"abcE", U"0"},
      {U"1.23456789E2", U"123.4568"},
      {U"123.456789", U"123.456789"},  // no letter: 15 digits kept
      {U"1.23456789E8", U"123456800"},
      {U"1.5E7", U"15000000"},
      {U"1e2E1", U"1000"},  // "E" is looked for before "e"
      {U"1.5E", U"1.5"},
      {U" 1.5E+03 ", U"1500"},
      {U"-2.5e-3", U"-0.0025"},
      {U"-0E5", U"0"},
      {U"0E400", U"0"},
      {U"1E-5", U"1E-05"},
      {U"1E-50", U"0"},
      {U"1E0.5", U"3.162278"},
      {U"1.5D2", U"150"},  // D is no letter here: the plain parse reads it
      {U"1E38", U"1E+38"},
      {U"3.4028235E38", U"3.402823E+38"},           // rounds to the largest single
      {U"8818263544.0242367E23", U"8.818263E+32"},  // with the nearest double to 10^23
      {U"　1E2", U"0"},                             // the full-width space stops the mantissa
  };
  for (const auto& [in, expected] : rows) EXPECT_EQ(ExponentNumber(in), expected) << ToUtf8(in);
}

TEST(FormattingTest, ExponentNumberRejectsValuesBeyondSinglePrecision) {
  const Text rows[] = {U"1E99", U"-1E39", U"3.5E38", U"1E400", U"1E99999999999999", U"1ｅ39"};
  for (const Text& in : rows) {
    EXPECT_THROW(ExponentNumber(in), ConversionError) << ToUtf8(in);
  }
  try {
    ExponentNumber(U" 1E99 ");
    FAIL() << "no error for 1E99";
  } catch (const ConversionError& error) {
    EXPECT_EQ(error.message(), U"値 \"1E99\" は単精度の範囲を超えています。");
  }
}

TEST(FormattingTest, RoundToSingleAcrossItsRange) {
  constexpr float kLargest = std::numeric_limits<float>::max();
  constexpr float kInf = std::numeric_limits<float>::infinity();
  const std::pair<double, float> rows[] = {
      {0, 0.0f},
      {1.5, 1.5f},
      {0.1, 0.1f},
      {1.1000000001, 1.1f},
      {3.4028234e38, kLargest},
      {3.4028235e38, kLargest},  // above the largest single, below the halfway point
      {-3.4028235e38, -kLargest},
      {0x1.fffffefffffffp+127, kLargest},
      {0x1.ffffffp+127, kInf},  // the halfway point rounds to even: infinity
      {-0x1.ffffffp+127, -kInf},
      {1e300, kInf},
      {-kMax, -kInf},
      {1e-50, 0.0f},
  };
  for (const auto& [value, expected] : rows) EXPECT_EQ(RoundToSingle(value), expected) << value;
}

TEST(FormattingTest, RoundToInt16HalvesToEven) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const std::pair<double, std::optional<std::int16_t>> rows[] = {
      {2.5, 2},       {3.5, 4},         {-2.5, -2},     {-3.5, -4},       {0.5, 0},
      {-0.5, 0},      {1.5, 2},         {2.4999999, 2}, {2.5000001, 3},   {-0.4, 0},
      {32767, 32767}, {32767.4, 32767}, {32767.5, {}},  {-32768, -32768}, {-32768.5, -32768},
      {-32768.6, {}}, {40000, {}},      {1e300, {}},    {nan, {}},        {inf, {}},
      {-inf, {}},
  };
  for (const auto& [value, expected] : rows) EXPECT_EQ(RoundToInt16(value), expected) << value;
}

}  // namespace
}  // namespace tecris2nx

namespace tecris2nx {
namespace {

// The seven digits of the single-precision value are written without being read back; the result
// must be what reading back their general text gives.
TEST(FormattingTest, ExponentNumberMatchesItsSevenDigitsReadBack) {
  std::mt19937 rng(3);
  for (int i = 0; i < 20000; ++i) {
    const double mantissa = static_cast<double>(rng() % 2000000) / 1000.0 - 1000.0;
    const int exponent = static_cast<int>(rng() % 75) - 40;  // all within single precision
    char cell[64];
    std::snprintf(cell, sizeof(cell), "%.3fE%d", mantissa, exponent);
    const float single = static_cast<float>(std::pow(10.0, exponent) * mantissa);
    char seven[64];
    std::snprintf(seven, sizeof(seven), "%.7G", static_cast<double>(single));
    const Text expected = NumberText(NumericValue(FromUtf8(seven)));
    ASSERT_EQ(ExponentNumber(FromUtf8(cell)), expected) << cell;
  }
}

// Exponent cells in ASCII (and the full-width letters) are written from their bytes: the bytes
// must be those of the text route, and a product beyond single precision left to it.
TEST(FormattingTest, ExponentBytesAreThoseOfTheTextRoute) {
  std::mt19937 rng(17);
  const Text mantissas[] = {U"",
                            U"1",
                            U"5.31",
                            U"-2.5",
                            U"+0.75",
                            U"0",
                            U"-0",
                            U"9.99",
                            U"3.4028235",
                            U"123456789",
                            U".5",
                            U"1e2",
                            U"-",
                            U"1..2",
                            U"123456789012345",
                            U"1234567890123456",
                            U"0000000000000001.5"};
  const Text letters[] = {U"E", U"e", U"Ｅ", U"ｅ", U"EE", U"Ee", U"ｅE", U""};
  const Text exponents[] = {U"",    U"-5",  U"+0", U"2",     U"38",  U"39",   U"-45",
                            U"-46", U"0.5", U"-",  U"99999", U"1E1", U" 3",   U"-0",
                            U"007", U"-60", U"64", U"-65",   U"999", U"-1000"};
  std::vector<Text> cells = {U"", U"  ", U"１E2", U"1E２", U"1E-5　", U"E", U" 5.31E-5 "};
  for (int i = 0; i < 20000; ++i) {
    Text cell = rng() % 5 == 0 ? U" " : U"";
    cell += mantissas[rng() % std::size(mantissas)];
    cell += letters[rng() % std::size(letters)];
    cell += exponents[rng() % std::size(exponents)];
    if (rng() % 5 == 0) cell += U"  ";
    cells.push_back(cell);
  }
  for (const Text& cell : cells) {
    std::string bytes = "x";
    std::optional<Text> expected;
    try {
      expected = ExponentNumber(cell);
    } catch (const ConversionError&) {
    }
    if (AppendExponentNumberBytes(bytes, EncodeCp932(cell))) {
      ASSERT_TRUE(expected) << ToUtf8(cell);
      ASSERT_EQ(bytes, "x" + EncodeCp932(*expected)) << ToUtf8(cell);
    } else {
      ASSERT_EQ(bytes, "x") << ToUtf8(cell);
    }
  }
}

// A single's seven digits come from its shortest digits where those are the same: across every
// binary exponent, and at the values beside each power of ten, where the seventh digit's place
// changes, they must be the seven digits rounded.
TEST(FormattingTest, SingleTextIsItsSevenDigitsRounded) {
  std::vector<float> values;
  std::mt19937 rng(7);
  for (int i = 0; i < 200000; ++i) {
    const std::uint32_t bits = static_cast<std::uint32_t>(rng());
    float value = 0;
    std::memcpy(&value, &bits, sizeof value);
    if (std::isfinite(value)) values.push_back(value);
  }
  for (int power = -45; power <= 38; ++power) {
    const float near = static_cast<float>(std::pow(10.0, power));
    float below = near;
    float above = near;
    for (int step = 0; step < 40; ++step) {
      values.push_back(below = std::nextafter(below, 0.0f));
      values.push_back(above = std::nextafter(above, std::numeric_limits<float>::infinity()));
    }
    values.push_back(near);
  }
  for (const float value : values) {
    char seven[64];
    std::snprintf(seven, sizeof(seven), "%.7G", static_cast<double>(value));
    Text text;
    AppendSingleText(text, value);
    ASSERT_EQ(text, NumberText(NumericValue(FromUtf8(seven)))) << seven;
  }
}

// A line is built by appending to one buffer: each append form adds exactly what the returning
// form gives and leaves what was there.
TEST(FormattingTest, AppendFormsAddToWhatIsThere) {
  const Text cells[] = {U"",          U"  ", U"12.5", U"-0.00001", U"1.5E-05", U"3.4E+38", U"1e300",
                        U"12345.678", U"-7", U"abc",  U"&H1F",     U"2.3ｅ-4", U" 4.20 "};
  const Text prefix = U"   1,";
  for (const Text& cell : cells) {
    Text line = prefix;
    AppendFormatDepth(line, cell);
    EXPECT_EQ(line, prefix + FormatDepth(cell)) << ToUtf8(cell);
    line = prefix;
    AppendNumberOrEmpty(line, cell);
    EXPECT_EQ(line, prefix + NumberOrEmpty(cell)) << ToUtf8(cell);
    line = prefix;
    try {
      const Text expected = prefix + ExponentNumber(cell);
      AppendExponentNumber(line, cell);
      EXPECT_EQ(line, expected) << ToUtf8(cell);
    } catch (const ConversionError&) {
      EXPECT_THROW(AppendExponentNumber(line, cell), ConversionError) << ToUtf8(cell);
    }
    line = prefix;
    AppendNumberText(line, NumericValue(cell));
    EXPECT_EQ(line, prefix + NumberText(NumericValue(cell))) << ToUtf8(cell);
  }
}

// Cells that are plain ASCII decimals go from their CP932 bytes straight to the bytes of their
// text; whatever the cell, what the byte forms give must be what the text forms give, and the
// ordinary cells must take the byte route.
TEST(FormattingTest, ByteFormsMatchTheTextForms) {
  std::vector<std::string> cells = {
      "", " ", "12.5", " -0.50 ", "007", "0.00001", "1.5E-05", "abc", "1 2", "\x82\x4F",
      "\x82\x50.5", "1\x81\x44", "&H1F", "+.5", "-", ".", "12345678901234567", "  3.", "\xFF", "0",
      // where the quick paths for bare decimals end
      "0.0001", "0.00001", "-0.0001", "-0", "-0.0", "-00.50", "123456789012345", "1234567890123456",
      "-123456789012345", "12345678901234.5", "123456789012345.6", "0.000123456789012",
      "0.0001234567890123", "-12345.67", "9999.999", "-12345678901234.5", "-1234567890123456",
      "-0.00000000000005", "-000000000000.50", "0000000000000000"};
  std::mt19937 rng(7);
  const std::string pieces[] = {"0", "1", "9", "305", "00", "123456789", " ", "-", ".", "\x82"};
  for (int i = 0; i < 20000; ++i) {
    std::string cell;
    for (unsigned k = rng() % 6; k > 0; --k) cell += pieces[rng() % std::size(pieces)];
    cells.push_back(cell);
  }
  const std::string prefix = "   1,";
  for (const std::string& cell : cells) {
    const Text text = DecodeCp932(cell);
    std::string line = prefix;
    if (AppendNumberOrEmptyBytes(line, cell)) {
      ASSERT_EQ(line, prefix + EncodeCp932(NumberOrEmpty(text))) << cell;
    } else {
      ASSERT_EQ(line, prefix) << cell;
    }
    line = prefix;
    if (AppendFormatDepthBytes(line, cell)) {
      ASSERT_EQ(line, prefix + EncodeCp932(FormatDepth(text))) << cell;
    } else {
      ASSERT_EQ(line, prefix) << cell;
    }
  }
  for (const char* plain : {"", "  ", "12.5", "-0.50", " 007 ", "1234.5678"}) {
    std::string line;
    EXPECT_TRUE(AppendNumberOrEmptyBytes(line, plain)) << plain;
  }
  for (int value : {-32768, -5, 0, 7, 123, 4567, 32767}) {
    std::string line = prefix;
    AppendNumberColumnBytes(line, static_cast<std::int16_t>(value));
    EXPECT_EQ(line, prefix + EncodeCp932(RightPad4(IntegerText(static_cast<std::int16_t>(value)))));
  }
}

}  // namespace
}  // namespace tecris2nx
