#include "log/svg_writer.h"

#include <gtest/gtest.h>

namespace tecris2nx::boringlog {
namespace {

/// The attributes of the one line on a sheet.
std::string LineOf(double x) {
  Page page{210, 297, {Line{{x, 1}, {2, 3}, {}}}};
  const std::string svg = SvgDocument(page);
  const std::size_t start = svg.find("<line");
  return svg.substr(start, svg.find("/>", start) - start);
}

// Numbers are hundredths of a millimetre without trailing zeros, and never "-0".
TEST(SvgWriterTest, NumbersInHundredths) {
  struct Row {
    double value;
    const char* text;
  };
  const Row rows[] = {
      {0, "0"},         {-0.004, "0"},
      {12.5, "12.5"},   {0.07, "0.07"},
      {-3.25, "-3.25"}, {100, "100"},
      {2.675, "2.68"},  {-0.005, "-0.01"},
      {199.999, "200"}, {1e16, "10000000000000000"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(LineOf(row.value), std::string("<line x1=\"") + row.text +
                                     "\" y1=\"1\" x2=\"2\" y2=\"3\" stroke-width=\"0.2\"")
        << row.value;
  }
}

// Texts are UTF-8, with XML's own characters escaped and control characters replaced.
TEST(SvgWriterTest, TextsAreEscapedUtf8) {
  Page page{210, 297, {Label{{1, 2}, U"砂<&>\u00e9\U0001F600\u0001", 2.5}}};
  const std::string svg = SvgDocument(page);
  EXPECT_NE(svg.find(">砂&lt;&amp;&gt;\xC3\xA9\xF0\x9F\x98\x80\xEF\xBF\xBD</text>"),
            std::string::npos)
      << svg;
}

}  // namespace
}  // namespace tecris2nx::boringlog
