// Scanning numbers out of a 10 MB text of blank-separated numbers in mixed
// forms (-12.5e-3, 4711, 0.000123, 6.02E23): ScanFPNum beside strtod and
// std::from_chars on the same text. Prints the ratios at the end.
#include <benchmark/benchmark.h>

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "bench_common.h"
#include "zel_math1.h"

namespace {

constexpr std::size_t kTextBytes = 10u << 20;

const std::string& NumbersText() {
  static const std::string text = [] {
    std::mt19937_64 gen(20261207);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::string t;
    t.reserve(kTextBytes + 64);
    char buf[64];
    while (t.size() < kTextBytes) {
      const double sign = gen() & 1 ? -1.0 : 1.0;
      int n = 0;
      switch (gen() % 4) {
        case 0:  // fixed with a few decimals: -12.5, 3.14159
          n = std::snprintf(buf, sizeof buf, "%.*f", static_cast<int>(gen() % 6), sign * unit(gen) * 1000);
          break;
        case 1:  // integers: 4711
          n = std::snprintf(buf, sizeof buf, "%d", static_cast<int>(gen() % 2000000) - 1000000);
          break;
        case 2:  // small fractions: 0.000123
          n = std::snprintf(buf, sizeof buf, "%.6f", unit(gen) * 0.001);
          break;
        default:  // exponents: -12.5e-3, 6.02E23
          n = std::snprintf(buf, sizeof buf, gen() & 1 ? "%.*e" : "%.*E", static_cast<int>(gen() % 8),
                            sign * unit(gen) * 100);
          break;
      }
      t.append(buf, static_cast<std::size_t>(n));
      t += ' ';
    }
    return t;
  }();
  return text;
}

struct Result {
  double Sum = 0;
  long Count = 0;
};

Result ScanZel() {
  const std::string& t = NumbersText();
  Result r;
  int pos = 1;
  const int end = static_cast<int>(t.size()) + 1;
  while (pos < end) {
    r.Sum += zel::ScanFPNum(t, true, zel::dsPoint, pos);
    ++r.Count;
    // The number ends on its blank; the next scan skips it. At the trailing
    // blank the scan reaches the end of the text.
    if (pos == end) --r.Count;
  }
  return r;
}

Result ScanStrtod() {
  const std::string& t = NumbersText();
  Result r;
  const char* p = t.c_str();
  for (;;) {
    char* e = nullptr;
    const double x = std::strtod(p, &e);
    if (e == p) break;
    r.Sum += x;
    ++r.Count;
    p = e;
  }
  return r;
}

Result ScanFromChars() {
  const std::string& t = NumbersText();
  Result r;
  const char* p = t.data();
  const char* const end = p + t.size();
  for (;;) {
    while (p < end && *p == ' ') ++p;
    if (p == end) break;
    double x = 0;
    const auto res = std::from_chars(p, end, x);
    if (res.ptr == p) break;
    r.Sum += x;
    ++r.Count;
    p = res.ptr;
  }
  return r;
}

void BM_ScanFPNum(benchmark::State& state) {
  long n = 0;
  for (auto _ : state) n += ScanZel().Count, benchmark::ClobberMemory();
  state.SetItemsProcessed(n);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * NumbersText().size()));
}
BENCHMARK(BM_ScanFPNum)->Unit(benchmark::kMillisecond);

void BM_Strtod(benchmark::State& state) {
  long n = 0;
  for (auto _ : state) n += ScanStrtod().Count, benchmark::ClobberMemory();
  state.SetItemsProcessed(n);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * NumbersText().size()));
}
BENCHMARK(BM_Strtod)->Unit(benchmark::kMillisecond);

void BM_FromChars(benchmark::State& state) {
  long n = 0;
  for (auto _ : state) n += ScanFromChars().Count, benchmark::ClobberMemory();
  state.SetItemsProcessed(n);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * NumbersText().size()));
}
BENCHMARK(BM_FromChars)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  const Result z = ScanZel(), s = ScanStrtod(), f = ScanFromChars();
  if (z.Count != f.Count || z.Sum != f.Sum || s.Count != f.Count || s.Sum != f.Sum)
    std::printf("MISMATCH: the scanners disagree (%ld/%ld/%ld numbers)\n", z.Count, s.Count, f.Count);
  std::printf("%ld numbers in %zu bytes\n", f.Count, NumbersText().size());
  zelbench::PrintRatio(
      "ScanFPNum", "std::from_chars", [] { return ScanZel().Sum; }, [] { return ScanFromChars().Sum; });
  zelbench::PrintRatio(
      "ScanFPNum", "strtod", [] { return ScanZel().Sum; }, [] { return ScanStrtod().Sum; });
  return 0;
}
