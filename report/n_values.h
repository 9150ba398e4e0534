#pragma once

#include <optional>
#include <vector>

#include "log/borehole.h"

namespace tecris2nx::report {

/// A penetration test's N for design: a test stopped at 50 blows counts as 50.
double DesignN(const boringlog::LogPenetration& test);

/// N-values of one soil class or one borehole.
class NValueStats {
 public:
  void Add(const boringlog::LogPenetration& test);
  int Count() const { return count_; }
  int Stopped() const { return stopped_; }
  double Minimum() const { return minimum_; }
  double Maximum() const { return maximum_; }
  double Mean() const { return mean_; }
  /// The sample standard deviation (n − 1); none below two tests.
  std::optional<double> Deviation() const;
  /// Mean − σ/2, the usual representative value for design; none below two tests.
  std::optional<double> Representative() const;

 private:
  int count_ = 0;
  int stopped_ = 0;
  double minimum_ = 0;
  double maximum_ = 0;
  // Welford's running mean and sum of squares: one pass, no loss over thousands of tests.
  double mean_ = 0;
  double squares_ = 0;
};

/// The top depth of the first test from which every test down to at least 5 m deeper, or to the
/// last test of the hole, has N of 50 or more; none when there is no such run. Tests are taken
/// in depth order.
std::optional<double> BearingLayerTop(const std::vector<boringlog::LogPenetration>& tests);

/// The soil class a depth lies in, as the boring log's legend names it: the base pattern of the
/// layer whose top is at or above it and whose bottom is below it (the deepest layer's bottom
/// counts as in). Empty outside every layer.
TextView SoilClassAt(const std::vector<boringlog::LogLayer>& layers, double depth);

}  // namespace tecris2nx::report
