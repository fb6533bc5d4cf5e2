// Comb sort (SortArray) of 10^6 random values beside std::sort, for double,
// float and int; QuickSelect beside std::nth_element on 10^6 values of which
// 90% are zero (the case that makes a two-way partition quadratic) and on
// plain random values. Prints the time ratios at the end.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <type_traits>
#include <vector>

#include "bench_common.h"
#include "zel_math1.h"
#include "zel_random.h"

namespace {

constexpr std::size_t kN = 1000000;

template <class T>
const std::vector<T>& RandomData() {
  static const std::vector<T> data = [] {
    std::vector<T> d(kN);
    zel::SetRandSeed(7);
    for (auto& x : d) {
      if constexpr (std::is_same_v<T, int>)
        x = static_cast<int>(zel::Random(2000000000)) - 1000000000;
      else
        x = static_cast<T>(zel::Random() * 2e6 - 1e6);
    }
    return d;
  }();
  return data;
}

// 90% zeros, the rest random in (-1, 1), shuffled.
const std::vector<double>& MostlyZeros() {
  static const std::vector<double> data = [] {
    std::vector<double> d(kN, 0.0);
    zel::SetRandSeed(11);
    for (std::size_t i = 0; i < kN; ++i)
      if (zel::Random(10) == 0) d[i] = zel::Random() * 2 - 1;
    return d;
  }();
  return data;
}

template <class T, class Sort>
void RunSort(benchmark::State& state, Sort sort) {
  const auto& src = RandomData<T>();
  std::vector<T> v;
  for (auto _ : state) {
    state.PauseTiming();
    v = src;
    state.ResumeTiming();
    sort(v);
    benchmark::DoNotOptimize(v.data());
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kN));
}

template <class T>
void BM_SortArray(benchmark::State& state) {
  RunSort<T>(state, [](std::vector<T>& v) { zel::SortArray(v, true); });
}
template <class T>
void BM_StdSort(benchmark::State& state) {
  RunSort<T>(state, [](std::vector<T>& v) { std::sort(v.begin(), v.end()); });
}
BENCHMARK_TEMPLATE(BM_SortArray, double)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_StdSort, double)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_SortArray, float)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_StdSort, float)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_SortArray, int)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_StdSort, int)->Unit(benchmark::kMillisecond);

// The x86-64 baseline kernels, for machines without AVX2.
void BM_SortArrayDoubleSse2(benchmark::State& state) {
  const bool old = zel::detail::CombSortRestrictToBaseline(true);
  RunSort<double>(state, [](std::vector<double>& v) { zel::SortArray(v, true); });
  zel::detail::CombSortRestrictToBaseline(old);
}
BENCHMARK(BM_SortArrayDoubleSse2)->Unit(benchmark::kMillisecond);

template <class Select>
void RunSelect(benchmark::State& state, const std::vector<double>& src, Select select) {
  const int k = static_cast<int>(state.range(0));
  std::vector<double> v;
  for (auto _ : state) {
    state.PauseTiming();
    v = src;
    state.ResumeTiming();
    benchmark::DoNotOptimize(select(v, k));
  }
}

double OurSelect(std::vector<double>& v, int k) { return zel::QuickSelect(v, k, 0, static_cast<int>(v.size()) - 1); }
double PeerSelect(std::vector<double>& v, int k) {
  std::nth_element(v.begin(), v.begin() + k, v.end());
  return v[static_cast<std::size_t>(k)];
}

void BM_QuickSelectZeros(benchmark::State& state) { RunSelect(state, MostlyZeros(), OurSelect); }
void BM_NthElementZeros(benchmark::State& state) { RunSelect(state, MostlyZeros(), PeerSelect); }
void BM_QuickSelectRandom(benchmark::State& state) { RunSelect(state, RandomData<double>(), OurSelect); }
void BM_NthElementRandom(benchmark::State& state) { RunSelect(state, RandomData<double>(), PeerSelect); }
BENCHMARK(BM_QuickSelectZeros)->Arg(kN / 2)->Arg(kN / 20 * 19)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NthElementZeros)->Arg(kN / 2)->Arg(kN / 20 * 19)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QuickSelectRandom)->Arg(kN / 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NthElementRandom)->Arg(kN / 2)->Unit(benchmark::kMillisecond);

// Fresh copies for each timed call, so that neither side sorts sorted data.
template <class T>
class CopyPool {
 public:
  CopyPool(const std::vector<T>& Src, int Count) : FCopies(static_cast<std::size_t>(Count), Src) {}
  std::vector<T>& Next() { return FCopies[FNext++ % FCopies.size()]; }

 private:
  std::vector<std::vector<T>> FCopies;
  std::size_t FNext = 0;
};

template <class T>
void PrintSortRatio(const char* ours, const char* peer) {
  CopyPool<T> a(RandomData<T>(), 5), b(RandomData<T>(), 5);
  zelbench::PrintRatio(
      ours, peer,
      [&] {
        auto& v = a.Next();
        zel::SortArray(v, true);
        return v[0];
      },
      [&] {
        auto& v = b.Next();
        std::sort(v.begin(), v.end());
        return v[0];
      });
}

void PrintSelectRatio(const char* ours, const char* peer, const std::vector<double>& src, int k) {
  CopyPool<double> a(src, 5), b(src, 5);
  zelbench::PrintRatio(
      ours, peer, [&] { return OurSelect(a.Next(), k); }, [&] { return PeerSelect(b.Next(), k); });
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  PrintSortRatio<double>("SortArray(double, 1e6)", "std::sort");
  PrintSortRatio<float>("SortArray(float, 1e6)", "std::sort");
  PrintSortRatio<int>("SortArray(int, 1e6)", "std::sort");
  PrintSelectRatio("QuickSelect(90% zeros, k=n/2)", "std::nth_element", MostlyZeros(), kN / 2);
  PrintSelectRatio("QuickSelect(90% zeros, k=0.95n)", "std::nth_element", MostlyZeros(), kN / 20 * 19);
  PrintSelectRatio("QuickSelect(random, k=n/2)", "std::nth_element", RandomData<double>(), kN / 2);
  return 0;
}
