// Writes a reproducible corpus of made-up TECRIS files with every section, for the benchmark.
//   make_corpus OUTDIR [FILES] [SEED]
// OUTDIR/batch/ gets FILES files (default 1000); OUTDIR/large/ one file near the count limits.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "common/cp932.h"
#include "common/text.h"

namespace {

using tecris2nx::EncodeCp932;
using tecris2nx::FromUtf8;

class Generator {
 public:
  explicit Generator(unsigned seed) : rng_(seed) {}

  std::string File(const std::string& id, int layers, int dRecords, int intervals) {
    out_.clear();
    SectionA(id);
    SectionB(id, layers);
    SectionC(std::max(1, layers / 2));
    SectionD(id, dRecords);
    SectionE(id, std::max(1, layers / 3));
    SectionF(id, std::max(1, layers / 3));
    SectionGH("G", id, intervals);
    SectionGH("H", id, intervals / 2);
    return EncodeCp932(FromUtf8(out_));
  }

 private:
  double Uniform(double lo, double hi) {
    return std::uniform_real_distribution<double>(lo, hi)(rng_);
  }
  int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
  std::string Fixed(double v, int digits) {
    char buffer[64];
    std::snprintf(buffer, sizeof(buffer), "%.*f", digits, v);
    return buffer;
  }
  std::string Exponent(double v) {
    char buffer[64];
    std::snprintf(buffer, sizeof(buffer), Pick(4) == 0 ? "%.2fＥ%+d" : "%.2fE%+d", v, -Pick(8));
    return buffer;
  }
  void Line(const std::string& line) { out_ += line + "\r\n"; }

  void SectionA(const std::string& id) {
    Line("A");
    Line(id + ",2.10,1,0,0");
    Line("\"市道拡幅工事に伴う地質調査\",\"市建設部\",\"2021/05/10\",\"2021/05/28\"");
    Line("\"No." + std::to_string(Pick(90) + 1) + "\"," + Fixed(Uniform(1, 200), 2) +
         ",90,3,2021054321,0,0,0,3651234,13950456");
    Line(Fixed(Uniform(1, 60), 2) + ",13102,\"東京都中央区\",10.0,92.5,7,10.00,8.6,0,0");
    Line("1,1,0");
    Line("1,10,100,5,10,2,2021,5,\"株式会社サンプル地質\"");
  }

  void SectionB(const std::string& id, int count) {
    static const char* kSoils[][2] = {{"0", "表土"},          {"1300", "砂"}, {"1600", "粘性土"},
                                      {"1320", "シルト質砂"}, {"1100", "礫"}, {"1093", "軟岩"}};
    static const char* kColours[] = {"C", "H", "DC", "*LCH", "KH", "Y"};
    Line("B," + id + ",土質・色調");
    Line(std::to_string(count));
    double depth = 0;
    for (int r = 1; r <= count; ++r) {
      depth += Uniform(0.1, 2.0);
      const auto& soil = kSoils[Pick(6)];
      Line("B," + std::to_string(r) + ",1," + Fixed(depth, 2) + "," + soil[0] + "," + soil[1] +
           "," + kColours[Pick(6)] + ",");
    }
  }

  void SectionC(int count) {
    Line("C");
    Line("\"標準貫入試験\",0," + std::to_string(count));
    for (int r = 1; r <= count; ++r) {
      Line(std::to_string(r) + ",1,1," + Fixed(r + 0.15, 2) + "," + std::to_string(Pick(60)) + "," +
           (Pick(5) == 0 ? "*" : "30"));
    }
  }

  void SectionD(const std::string& id, int count) {
    Line("D," + id + ",室内土質試験");
    Line(std::to_string(count));
    for (int r = 1; r <= count; ++r) {
      std::string line = "D," + std::to_string(r) + ",1," + std::to_string(r) + "," +
                         Fixed(r * 0.5, 2) + "," + Fixed(r * 0.5 + 0.3, 2);
      for (int v = 4; v <= 21; ++v) line += "," + Fixed(Uniform(0, 60), 1 + Pick(3));
      line += "," + Exponent(Uniform(1, 9)) + "," + Exponent(Uniform(1, 9));
      Line(line);
    }
  }

  void SectionE(const std::string& id, int count) {
    Line("E," + id + ",孔内水平載荷試験," + std::to_string(count));
    for (int r = 1; r <= count; ++r) {
      Line("E," + std::to_string(r) + ",0," + Fixed(r * 2.0 - 0.5, 2) + "," +
           Fixed(Uniform(1, 40), 1) + "," + Fixed(Uniform(1, 10), 2) + "," +
           Fixed(Uniform(0, 2), 1));
    }
  }

  void SectionF(const std::string& id, int count) {
    Line("F," + id + ",現場透水試験," + std::to_string(count) + ",8");
    for (int r = 1; r <= count; ++r) {
      Line("F," + std::to_string(r) + ",0," + Fixed(r * 2.0, 2) + "," + Fixed(r * 2.0 + 1, 2) +
           "," + Exponent(Uniform(1, 9)));
    }
  }

  void SectionGH(const char* letter, const std::string& id, int count) {
    Line(std::string(letter) + "," + id + ",孔内試験," + std::to_string(count) + ",0");
    double depth = 0;
    for (int r = 1; r <= count; ++r) {
      depth += Uniform(0.5, 1.5);
      Line(std::string(letter) + "," + std::to_string(r) + ",0," + Fixed(depth, 2) + "," +
           Fixed(depth + 0.5, 2) + "," + Fixed(Uniform(0, 50), 1));
    }
  }

  std::mt19937 rng_;
  std::string out_;
};

void Write(const std::filesystem::path& path, const std::string& bytes) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::cerr << "usage: make_corpus OUTDIR [FILES] [SEED]\n";
    return 2;
  }
  const std::filesystem::path out = argv[1];
  const int files = argc > 2 ? std::stoi(argv[2]) : 1000;
  const unsigned seed = argc > 3 ? static_cast<unsigned>(std::stoul(argv[3])) : 20261208u;
  Generator gen(seed);
  std::mt19937 sizes(seed + 1);
  for (int i = 1; i <= files; ++i) {
    char name[16];
    std::snprintf(name, sizeof(name), "%08d.%03d", 20000000 + i / 1000, i % 1000);
    const std::string id = std::string(name, 8) + std::string(name + 9, 3);
    const int layers = std::uniform_int_distribution<int>(5, 30)(sizes);
    const int tests = std::uniform_int_distribution<int>(10, 300)(sizes);
    const int intervals = std::uniform_int_distribution<int>(5, 60)(sizes);
    Write(out / "batch" / name, gen.File(id, layers, tests, intervals));
  }
  // Near the count limits: G plus H stays at 32767 at most.
  Write(out / "large" / "99999999.999", gen.File("99999999999", 30000, 32000, 21000));
  return 0;
}
