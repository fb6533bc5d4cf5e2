// TMatrix::SortRows on 10^5 rows × 20 columns keyed on column 1: without an
// exchange handler (comb sort of (key, row) pairs, then one permutation of
// each column), with a handler that does nothing (the comb sort moving the
// values in place and reporting every exchange), and the peer: a stable
// index sort by key plus one permutation of each column (numpy's
// argsort + take). Every timed call first restores the unsorted values
// (a 16 MB copy, the same for all three).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <numeric>
#include <vector>

#include "bench_common.h"
#include "zel_matrix.h"
#include "zel_random.h"

namespace {

constexpr int kRows = 100000;
constexpr int kCols = 20;

const std::vector<double>& Unsorted() {
  static const std::vector<double> v = [] {
    zel::SetRandSeed(7);
    std::vector<double> d(static_cast<std::size_t>(kRows) * kCols);
    for (double& x : d) x = zel::Random();
    return d;
  }();
  return v;
}

zel::TMatrix& Matrix(bool WithHandler) {
  static zel::TMatrix* plain = nullptr;
  static zel::TMatrix* reported = nullptr;
  zel::TMatrix*& m = WithHandler ? reported : plain;
  if (m == nullptr) {
    m = new zel::TMatrix();
    m->Resize(kCols, kRows);
    if (WithHandler) m->OnSortExchange = [](zel::TObject*, zel::Byte, int, int, int, int) {};
  }
  return *m;
}

double SortRows(bool WithHandler) {
  zel::TMatrix& m = Matrix(WithHandler);
  std::copy(Unsorted().begin(), Unsorted().end(), m.Data().begin());
  m.SortRows(1, true, 0, 0, 0, 0);
  return m.GetVal(1, 1);
}

double PeerArgsortTake() {
  static std::vector<double> d;
  static std::vector<int> idx(kRows);
  static std::vector<double> tmp(kRows);
  d = Unsorted();
  const double* key = d.data();
  std::iota(idx.begin(), idx.end(), 0);
  std::stable_sort(idx.begin(), idx.end(), [key](int a, int b) { return key[a] < key[b]; });
  for (int c = 0; c < kCols; ++c) {
    double* col = d.data() + static_cast<std::size_t>(c) * kRows;
    for (int k = 0; k < kRows; ++k) tmp[static_cast<std::size_t>(k)] = col[idx[static_cast<std::size_t>(k)]];
    std::copy(tmp.begin(), tmp.end(), col);
  }
  return d[0];
}

void BM_SortRowsNoHandler(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(SortRows(false));
}
BENCHMARK(BM_SortRowsNoHandler)->Unit(benchmark::kMillisecond);

void BM_SortRowsNoOpHandler(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(SortRows(true));
}
BENCHMARK(BM_SortRowsNoOpHandler)->Unit(benchmark::kMillisecond);

void BM_PeerStableArgsortTake(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(PeerArgsortTake());
}
BENCHMARK(BM_PeerStableArgsortTake)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  zelbench::PrintRatio(
      "SortRows without handler", "stable argsort + take", [] { return SortRows(false); }, PeerArgsortTake);
  zelbench::PrintRatio(
      "SortRows without handler", "SortRows with no-op handler", [] { return SortRows(false); },
      [] { return SortRows(true); });
  zelbench::PrintRatio(
      "SortRows with no-op handler", "stable argsort + take", [] { return SortRows(true); }, PeerArgsortTake);
  return 0;
}
