// Reading an ASC file of 10^6 values (1000 × 1000 and 1 × 10^6):
// TMatrix::ImportASC beside the bare minimum a C++ program can do with the
// same text: read the file into memory, skip the header lines and convert
// every word with std::from_chars (the class of parser behind
// numpy.loadtxt's fast paths), without any checking. Prints the ratios.
#include <benchmark/benchmark.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_common.h"
#include "zel_matrix.h"
#include "zel_random.h"

namespace {

struct TShape {
  int Cols, Rows;
  const char* Name;
};
constexpr TShape kShapes[] = {{1000, 1000, "1000x1000"}, {1, 1000000, "1x1000000"}};

const std::string& AscFile(int Shape) {
  static std::string Paths[2];
  std::string& P = Paths[Shape];
  if (P.empty()) {
    const TShape& S = kShapes[Shape];
    P = (std::filesystem::temp_directory_path() / ("zel_bench_matrix_" + std::string(S.Name) + ".asc")).string();
    zel::SetRandSeed(43);
    zel::TMatrix M;
    M.Resize(S.Cols, S.Rows);
    for (double& X : M.Data()) X = (zel::Random() - 0.5) * 2000.0;
    M.Changed();
    if (M.ExportAsASC(P, 6, "bench") != 0) std::fprintf(stderr, "cannot write %s\n", P.c_str());
  }
  return P;
}

double ReadZel(int Shape) {
  zel::TMatrix M;
  std::string Comment;
  if (M.ImportASC(AscFile(Shape), Comment) != 0) return std::nan("");
  double Sum = 0;
  for (const double X : M.Data()) Sum += X;
  return Sum;
}

double ReadFromChars(int Shape) {
  std::FILE* F = std::fopen(AscFile(Shape).c_str(), "rb");
  if (F == nullptr) return std::nan("");
  std::string Text(static_cast<std::size_t>(std::filesystem::file_size(AscFile(Shape))), '\0');
  Text.resize(std::fread(Text.data(), 1, Text.size(), F));
  std::fclose(F);
  const char* P = Text.data();
  const char* End = P + Text.size();
  for (int Line = 0; Line < 4 && P < End; ++P)
    if (*P == '\n') ++Line;
  std::vector<double> Values;
  Values.reserve(static_cast<std::size_t>(kShapes[Shape].Cols) * static_cast<std::size_t>(kShapes[Shape].Rows));
  while (P < End) {
    while (P < End && static_cast<unsigned char>(*P) <= ' ') ++P;
    if (P == End) break;
    double X = 0;
    const auto R = std::from_chars(P, End, X);
    if (R.ec != std::errc()) return std::nan("");
    Values.push_back(X);
    P = R.ptr;
  }
  double Sum = 0;
  for (const double X : Values) Sum += X;
  return Sum;
}

void BM_ImportASC(benchmark::State& State) {
  const int Shape = static_cast<int>(State.range(0));
  for (auto _ : State) benchmark::DoNotOptimize(ReadZel(Shape));
  State.SetItemsProcessed(State.iterations() * 1000000);
  State.SetLabel(kShapes[Shape].Name);
}
BENCHMARK(BM_ImportASC)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_FromChars(benchmark::State& State) {
  const int Shape = static_cast<int>(State.range(0));
  for (auto _ : State) benchmark::DoNotOptimize(ReadFromChars(Shape));
  State.SetItemsProcessed(State.iterations() * 1000000);
  State.SetLabel(kShapes[Shape].Name);
}
BENCHMARK(BM_FromChars)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  for (int Shape = 0; Shape < 2; ++Shape) {
    // Column by column against the file's row order: the sums may differ in
    // the last bits, the values may not.
    const double A = ReadZel(Shape), B = ReadFromChars(Shape);
    if (!(std::abs(A - B) <= 1e-9 * std::abs(B) + 1e-6))
      std::printf("MISMATCH (%s): %.17g against %.17g\n", kShapes[Shape].Name, A, B);
    const std::string Label = std::string("ImportASC ") + kShapes[Shape].Name;
    zelbench::PrintRatio(Label.c_str(), "from_chars over the same text", [=] { return ReadZel(Shape); },
                         [=] { return ReadFromChars(Shape); });
    std::remove(AscFile(Shape).c_str());
  }
  return 0;
}
