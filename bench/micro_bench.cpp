// Micro-benchmarks of the hot paths of a conversion.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "common/cp932.h"
#include "common/error.h"
#include "common/formatting.h"
#include "tecris/field_reader.h"

namespace {

using namespace tecris2nx;

Text SampleSection() {
  Text text;
  for (int r = 1; r <= 1000; ++r) {
    text += U"D," + DecimalText(r) +
            U",1,1,0.50,0.80,1.85,2.65,32.5,1.05,12,35,40,13,45.2,38.1,2.2,2.68,1,15,28,30,1.6,"
            U"0.92,1.5E-05,2.3ｅ-4\r\n";
  }
  return text;
}

void BM_ReadField(benchmark::State& state) {
  const std::string bytes = EncodeCp932(SampleSection());
  for (auto _ : state) {
    FieldReader in = FieldReader::FromCp932(bytes);
    while (!in.AtEnd()) benchmark::DoNotOptimize(in.ReadField());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_ReadField);

void BM_NumericValue(benchmark::State& state) {
  const Text cell = U"1234.5678";
  for (auto _ : state) benchmark::DoNotOptimize(NumericValue(cell));
}
BENCHMARK(BM_NumericValue);

void BM_NumberText(benchmark::State& state) {
  double v = 12.345;
  for (auto _ : state) benchmark::DoNotOptimize(NumberText(v));
}
BENCHMARK(BM_NumberText);

void BM_FormatDepth(benchmark::State& state) {
  const Text cell = U"12.3456";
  for (auto _ : state) benchmark::DoNotOptimize(FormatDepth(cell));
}
BENCHMARK(BM_FormatDepth);

void BM_ExponentNumber(benchmark::State& state) {
  const Text cell = U"1.23456789E-5";
  for (auto _ : state) benchmark::DoNotOptimize(ExponentNumber(cell));
}
BENCHMARK(BM_ExponentNumber);

void BM_DecodeCp932(benchmark::State& state) {
  const std::string bytes = EncodeCp932(SampleSection() + U"土質・色調 シルト質砂 ｱｲｳ\r\n");
  for (auto _ : state) benchmark::DoNotOptimize(DecodeCp932(bytes));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_DecodeCp932);

void BM_EncodeCp932(benchmark::State& state) {
  const Text text = SampleSection() + U"土質・色調 シルト質砂 ｱｲｳ\r\n";
  for (auto _ : state) benchmark::DoNotOptimize(EncodeCp932(text));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_EncodeCp932);

void BM_DecodeJapanese(benchmark::State& state) {
  std::string bytes;
  for (int i = 0; i < 1000; ++i) bytes += EncodeCp932(U"市道拡幅工事に伴う地質調査,");
  for (auto _ : state) benchmark::DoNotOptimize(DecodeCp932(bytes));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_DecodeJapanese);

}  // namespace

// Debian's benchmark library says it "was built as DEBUG": that is the library's own build. What
// is measured here is this project's code, which must be optimised: say how it was built.
int main(int argc, char** argv) {
#ifdef NDEBUG
  std::printf("tecris2nx code under test: optimised build (NDEBUG)\n");
#else
  std::printf(
      "tecris2nx code under test: DEBUG build; configure with -DCMAKE_BUILD_TYPE=Release\n");
#endif
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
