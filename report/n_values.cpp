#include "report/n_values.h"

#include <algorithm>
#include <cmath>

#include "log/soil_pattern.h"

namespace tecris2nx::report {

double DesignN(const boringlog::LogPenetration& test) { return test.stopped ? 50 : test.blows; }

void NValueStats::Add(const boringlog::LogPenetration& test) {
  const double n = DesignN(test);
  minimum_ = count_ ? std::min(minimum_, n) : n;
  maximum_ = count_ ? std::max(maximum_, n) : n;
  ++count_;
  if (test.stopped) ++stopped_;
  const double delta = n - mean_;
  mean_ += delta / count_;
  squares_ += delta * (n - mean_);
}

std::optional<double> NValueStats::Deviation() const {
  if (count_ < 2) return std::nullopt;
  return std::sqrt(squares_ / (count_ - 1));
}

std::optional<double> NValueStats::Representative() const {
  const std::optional<double> sigma = Deviation();
  if (!sigma) return std::nullopt;
  return Mean() - *sigma / 2;
}

std::optional<double> BearingLayerTop(const std::vector<boringlog::LogPenetration>& tests) {
  std::vector<boringlog::LogPenetration> sorted = tests;
  std::stable_sort(sorted.begin(), sorted.end(),
                   [](const auto& a, const auto& b) { return a.depth < b.depth; });
  for (std::size_t first = 0; first < sorted.size(); ++first) {
    const double top = sorted[first].depth;
    std::size_t i = first;
    while (i < sorted.size() && DesignN(sorted[i]) >= 50 && sorted[i].depth < top + 5) ++i;
    // The run held to the last test, or reached a test 5 m below its top that holds too.
    if (i == first) continue;
    if (i == sorted.size() || DesignN(sorted[i]) >= 50) return top;
  }
  return std::nullopt;
}

TextView SoilClassAt(const std::vector<boringlog::LogLayer>& layers, double depth) {
  for (std::size_t i = 0; i < layers.size(); ++i) {
    const boringlog::LogLayer& layer = layers[i];
    const bool last = i + 1 == layers.size();
    if (depth >= layer.top && (depth < layer.bottom || (last && depth <= layer.bottom))) {
      return boringlog::SoilPatternName(boringlog::SoilLookOf(layer.code, layer.fileName).base);
    }
  }
  return {};
}

}  // namespace tecris2nx::report
