// Fingerprint of a 10^6-element vector: TVector::CRCofData (eight byte lanes,
// de-interleaved per block and folded with the table-driven CRC) beside
// zlib's crc32 over the same 8·10^6 bytes. The two are different values; zlib
// is the speed reference for touching the same bytes once.
#include <benchmark/benchmark.h>

#include <cstdio>

#include "bench_common.h"
#include "zel_random.h"
#include "zel_vector.h"
#ifdef ZEL_HAVE_ZLIB
#include <zlib.h>
#endif

namespace {

constexpr int kElems = 1000000;

zel::TVector& Vec() {
  static zel::TVector* v = [] {
    auto* p = new zel::TVector();
    p->Resize(kElems);
    zel::SetRandSeed(1);
    p->FillRandomUniform(-1e6, 1e6);
    return p;
  }();
  return *v;
}

void BM_VectorCRCofData(benchmark::State& state) {
  const auto& v = Vec();
  for (auto _ : state) benchmark::DoNotOptimize(v.CRCofData());
  state.SetItemsProcessed(state.iterations() * kElems);
  state.SetBytesProcessed(state.iterations() * kElems * static_cast<std::int64_t>(sizeof(double)));
}
BENCHMARK(BM_VectorCRCofData)->Unit(benchmark::kMillisecond);

void BM_IntVectorCRCofData(benchmark::State& state) {
  static zel::TIntVector* iv = [] {
    auto* p = new zel::TIntVector();
    p->Resize(kElems);
    for (int i = 1; i <= kElems; ++i) p->Data()[static_cast<std::size_t>(i - 1)] = zel::Random(1 << 30) - (1 << 29);
    return p;
  }();
  for (auto _ : state) benchmark::DoNotOptimize(iv->CRCofData());
  state.SetItemsProcessed(state.iterations() * kElems);
}
BENCHMARK(BM_IntVectorCRCofData)->Unit(benchmark::kMillisecond);

#ifdef ZEL_HAVE_ZLIB
void BM_ZlibCrc32SameBytes(benchmark::State& state) {
  const auto d = Vec().Data();
  for (auto _ : state)
    benchmark::DoNotOptimize(crc32(0L, reinterpret_cast<const Bytef*>(d.data()), static_cast<uInt>(d.size_bytes())));
  state.SetItemsProcessed(state.iterations() * kElems);
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(d.size_bytes()));
}
BENCHMARK(BM_ZlibCrc32SameBytes)->Unit(benchmark::kMillisecond);
#endif

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  const double t = zelbench::BestSeconds([] { return Vec().CRCofData(); });
  std::printf("CRCofData: %.3g elements/s (%d elements)\n", kElems / t, kElems);
#ifdef ZEL_HAVE_ZLIB
  zelbench::PrintRatio(
      "CRCofData", "zlib crc32 (same bytes)", [] { return Vec().CRCofData(); },
      [] {
        const auto d = Vec().Data();
        return crc32(0L, reinterpret_cast<const Bytef*>(d.data()), static_cast<uInt>(d.size_bytes()));
      });
#endif
  return 0;
}
