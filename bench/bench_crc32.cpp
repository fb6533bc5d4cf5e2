// CRC-32 of a 16 MiB buffer: the block fold beside the byte-wise fold and,
// when present, zlib's crc32. Prints the ratio to zlib at the end.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <vector>

#include "bench_common.h"
#include "zel_base.h"
#include "zel_random.h"
#ifdef ZEL_HAVE_ZLIB
#include <zlib.h>
#endif

namespace {

const std::vector<std::uint8_t>& Data() {
  static const std::vector<std::uint8_t> data = [] {
    std::vector<std::uint8_t> d(16u << 20);
    zel::SetRandSeed(1);
    for (auto& b : d) b = static_cast<std::uint8_t>(zel::Random(256));
    return d;
  }();
  return data;
}

void BM_Crc32Block(benchmark::State& state) {
  const auto& d = Data();
  for (auto _ : state) benchmark::DoNotOptimize(zel::CalcNextCRC32(d.data(), d.size(), 0xFFFFFFFFu));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * d.size()));
}
BENCHMARK(BM_Crc32Block)->Unit(benchmark::kMillisecond);

void BM_Crc32Bytewise(benchmark::State& state) {
  const auto& d = Data();
  for (auto _ : state) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::uint8_t b : d) crc = zel::CalcNextCRC32(b, crc);
    benchmark::DoNotOptimize(crc);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * d.size()));
}
BENCHMARK(BM_Crc32Bytewise)->Unit(benchmark::kMillisecond);

#ifdef ZEL_HAVE_ZLIB
void BM_Crc32Zlib(benchmark::State& state) {
  const auto& d = Data();
  for (auto _ : state) benchmark::DoNotOptimize(crc32(0L, d.data(), static_cast<uInt>(d.size())));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * d.size()));
}
BENCHMARK(BM_Crc32Zlib)->Unit(benchmark::kMillisecond);
#endif

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
#ifdef ZEL_HAVE_ZLIB
  const auto& d = Data();
  zelbench::PrintRatio(
      "CalcNextCRC32(block)", "zlib crc32", [&] { return zel::CalcNextCRC32(d.data(), d.size(), 0xFFFFFFFFu); },
      [&] { return crc32(0L, d.data(), static_cast<uInt>(d.size())); });
#endif
  return 0;
}
