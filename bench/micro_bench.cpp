// Micro-benchmarks of the hot paths of a conversion: each case runs until it has taken the
// minimum time, and its time per run is the best of five such rounds (this machine's speed
// varies from second to second; the fastest round is the one least disturbed).
//   micro_bench [--min-time SECONDS]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

#include "common/cp932.h"
#include "common/error.h"
#include "common/formatting.h"
#include "tecris/field_reader.h"

namespace {

using namespace tecris2nx;

/// Keeps the compiler from dropping a result nobody reads.
template <typename T>
void Keep(T&& value) {
  asm volatile("" : : "r,m"(value) : "memory");
}

Text SampleSection() {
  Text text;
  for (int r = 1; r <= 1000; ++r) {
    text += U"D," + DecimalText(r) +
            U",1,1,0.50,0.80,1.85,2.65,32.5,1.05,12,35,40,13,45.2,38.1,2.2,2.68,1,15,28,30,1.6,"
            U"0.92,1.5E-05,2.3ｅ-4\r\n";
  }
  return text;
}

struct Case {
  const char* name;
  std::size_t bytes;  ///< handled by one run, for a throughput; 0 for none
  std::function<void()> run;
};

void Measure(const Case& c, double minSeconds) {
  using Clock = std::chrono::steady_clock;
  double best = 0;
  long long runs = 0;
  for (int round = 0; round < 5; ++round) {
    long long n = 0;
    const Clock::time_point start = Clock::now();
    double elapsed = 0;
    do {
      c.run();
      ++n;
      elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    } while (elapsed < minSeconds / 5);
    const double each = elapsed / static_cast<double>(n);
    if (round == 0 || each < best) best = each;
    runs += n;
  }
  std::printf("%-20s %12.1f ns %10lld runs", c.name, best * 1e9, runs);
  if (c.bytes != 0) std::printf("  %8.1f MB/s", static_cast<double>(c.bytes) / best / 1e6);
  std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
  double minSeconds = 1.0;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--min-time") == 0 && i + 1 < argc) {
      minSeconds = std::atof(argv[++i]);
    } else {
      std::fprintf(stderr, "usage: micro_bench [--min-time SECONDS]\n");
      return 2;
    }
  }
#ifdef NDEBUG
  std::printf("optimised build (NDEBUG); best of 5 rounds, %.2f s a case\n", minSeconds);
#else
  std::printf("DEBUG build: timings mean little; configure with -DCMAKE_BUILD_TYPE=Release\n");
#endif
  const std::string section = EncodeCp932(SampleSection());
  const std::string mixed = EncodeCp932(SampleSection() + U"土質・色調 シルト質砂 ｱｲｳ\r\n");
  const Text mixedText = DecodeCp932(mixed);
  std::string japanese;
  for (int i = 0; i < 1000; ++i) japanese += EncodeCp932(U"市道拡幅工事に伴う地質調査,");
  const Case cases[] = {
      {"ReadField", section.size(),
       [&] {
         FieldReader in = FieldReader::FromCp932(section);
         while (!in.AtEnd()) Keep(in.ReadField());
       }},
      {"ReadFieldBytes", section.size(),
       [&] {
         FieldReader in = FieldReader::FromCp932(section);
         while (!in.AtEnd()) Keep(in.ReadFieldBytes());
       }},
      {"NumericValue", 0, [] { Keep(NumericValue(U"1234.5678")); }},
      {"NumberText", 0, [] { Keep(NumberText(12.345)); }},
      {"FormatDepth", 0, [] { Keep(FormatDepth(U"12.3456")); }},
      {"ExponentNumber", 0, [] { Keep(ExponentNumber(U"1.23456789E-5")); }},
      // The routes most number cells of a conversion take: from their bytes, undecoded.
      {"NumericValueOfCp932", 0, [] { Keep(NumericValueOfCp932("1234.5678")); }},
      {"FormatDepthBytes", 0,
       [] {
         std::string out;
         Keep(AppendFormatDepthBytes(out, "12.3456"));
         Keep(out);
       }},
      {"ExponentBytes", 0,
       [] {
         std::string out;
         Keep(AppendExponentNumberBytes(out, "1.23456789E-5"));
         Keep(out);
       }},
      {"DecodeCp932", mixed.size(), [&] { Keep(DecodeCp932(mixed)); }},
      {"EncodeCp932", mixedText.size(), [&] { Keep(EncodeCp932(mixedText)); }},
      {"DecodeJapanese", japanese.size(), [&] { Keep(DecodeCp932(japanese)); }},
  };
  for (const Case& c : cases) Measure(c, minSeconds);
  return 0;
}
