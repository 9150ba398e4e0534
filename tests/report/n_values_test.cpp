#include "report/n_values.h"

#include <gtest/gtest.h>

namespace tecris2nx::report {
namespace {

using boringlog::LogPenetration;

/// A test at `depth` of `n` blows; 50 or more is a stopped test, as the boring log reads it.
LogPenetration Penetration(double depth, double n) {
  LogPenetration test;
  test.depth = depth;
  test.blows = n;
  test.stopped = n >= 50;
  return test;
}

TEST(NValueStatsTest, CountsStoppedTestsAsFifty) {
  struct Case {
    std::vector<double> blows;
    int stopped;
    double minimum, maximum, mean;
    std::optional<double> sigma;
  };
  const Case cases[] = {
      {{10}, 0, 10, 10, 10, std::nullopt},  // one test: no deviation, no representative value
      {{10, 20}, 0, 10, 20, 15, 7.0710678},
      {{4, 9, 14, 6}, 0, 4, 14, 8.25, 4.3493295},
      {{30, 60, 75}, 2, 30, 50, 43.333333, 11.547005},  // 60 and 75 blows count as 50
  };
  for (const Case& c : cases) {
    NValueStats stats;
    for (const double n : c.blows) stats.Add(Penetration(1, n));
    EXPECT_EQ(stats.Count(), static_cast<int>(c.blows.size()));
    EXPECT_EQ(stats.Stopped(), c.stopped);
    EXPECT_EQ(stats.Minimum(), c.minimum);
    EXPECT_EQ(stats.Maximum(), c.maximum);
    EXPECT_NEAR(stats.Mean(), c.mean, 1e-6);
    ASSERT_EQ(stats.Deviation().has_value(), c.sigma.has_value());
    if (c.sigma) {
      EXPECT_NEAR(*stats.Deviation(), *c.sigma, 1e-6);
      EXPECT_NEAR(*stats.Representative(), c.mean - *c.sigma / 2, 1e-6);
    } else {
      EXPECT_FALSE(stats.Representative());
    }
  }
}

TEST(BearingLayerTest, FirstRunOfFiftyFiveMetresOrToTheEnd) {
  struct Case {
    const char* what;
    std::vector<std::pair<double, double>> tests;  // depth, N
    std::optional<double> top;
  };
  const Case cases[] = {
      {"no tests", {}, std::nullopt},
      {"none reaches 50", {{1, 10}, {2, 49}, {3, 30}}, std::nullopt},
      {"at the top",
       {{1.15, 50}, {2.15, 55}, {3.15, 50}, {4.15, 60}, {5.15, 50}, {6.15, 50}, {7.15, 10}},
       1.15},
      {"4 m of 50, then a low value 5 m down",
       {{1.15, 50}, {2.15, 55}, {3.15, 50}, {4.15, 60}, {5.15, 50}, {6.15, 10}},
       std::nullopt},
      {"a run cut by one low value",
       {{1, 50}, {2, 50}, {3, 40}, {4, 50}, {5, 50}, {6, 50}, {7, 50}, {8, 50}, {9, 50}},
       4},
      {"a run of just under 5 m, then a low value",
       {{1, 50}, {2, 50}, {3, 50}, {4, 50}, {5.9, 50}, {6.5, 20}},
       std::nullopt},
      {"to the end of the hole", {{1, 10}, {2, 20}, {3, 50}, {4, 50}}, 3},
      {"one last test of 50", {{1, 10}, {2, 50}}, 2},
      {"tests out of depth order", {{4, 50}, {3, 50}, {1, 10}, {2, 10}}, 3},
  };
  for (const Case& c : cases) {
    std::vector<LogPenetration> tests;
    for (const auto& [depth, n] : c.tests) tests.push_back(Penetration(depth, n));
    EXPECT_EQ(BearingLayerTop(tests), c.top) << c.what;
  }
}

TEST(SoilClassTest, TheLayerATestLiesIn) {
  std::vector<boringlog::LogLayer> layers(3);
  layers[0] = {0, 2, U"1001", U"埋土", U""};
  layers[1] = {2, 5, U"1600", U"粘性土", U""};
  layers[2] = {5, 8, U"1300", U"砂", U""};
  const std::pair<double, const char32_t*> cases[] = {
      {0, U"埋土"}, {1.99, U"埋土"}, {2, U"粘性土"}, {5.15, U"砂"}, {8, U"砂"}, {8.1, U""},
  };
  for (const auto& [depth, soil] : cases) EXPECT_EQ(SoilClassAt(layers, depth), soil) << depth;
}

}  // namespace
}  // namespace tecris2nx::report
