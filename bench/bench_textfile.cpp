// Reading numbers from a text file (about 10 MB, one million numbers spread
// over lines): TTextFile::Read beside std::ifstream >> double, the usual
// choice of a C++ program. Prints the ratio at the end.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench_common.h"
#include "zel_base.h"
#include "zel_format.h"
#include "zel_random.h"
#include "zel_textfile.h"

namespace {

constexpr int kNumbers = 1000000;

const std::string& NumbersFile() {
  static const std::string path = [] {
    const std::string p = (std::filesystem::temp_directory_path() / "zel_bench_numbers.txt").string();
    zel::SetRandSeed(7);
    zel::TTextFile f;
    f.Rewrite(p);
    for (int i = 0; i < kNumbers; ++i) {
      f.Write(zel::FormatFloat((zel::Random() - 0.5) * 2000.0, 1, 6));
      if (i % 8 == 7) f.WriteLn(); else f.Write('\t');
    }
    f.Close();
    return p;
  }();
  return path;
}

double ReadZel() {
  zel::TTextFile f;
  f.Reset(NumbersFile());
  double sum = 0, x = 0;
  for (int i = 0; i < kNumbers; ++i) {
    f.Read(x);
    sum += x;
  }
  return sum;
}

double ReadIfstream() {
  std::ifstream f(NumbersFile());
  double sum = 0, x = 0;
  for (int i = 0; i < kNumbers; ++i) {
    f >> x;
    sum += x;
  }
  return sum;
}

void BM_TextFileRead(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(ReadZel());
  state.SetItemsProcessed(state.iterations() * kNumbers);
}
BENCHMARK(BM_TextFileRead)->Unit(benchmark::kMillisecond);

void BM_IfstreamRead(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(ReadIfstream());
  state.SetItemsProcessed(state.iterations() * kNumbers);
}
BENCHMARK(BM_IfstreamRead)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (ReadZel() != ReadIfstream()) std::printf("MISMATCH: the two readers disagree\n");
  zelbench::PrintRatio("TTextFile::Read", "std::ifstream >> double", ReadZel, ReadIfstream);
  std::remove(NumbersFile().c_str());
  return 0;
}
