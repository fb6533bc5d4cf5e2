// Matrix linear algebra beside OpenBLAS and LAPACK in the same run:
// Square of 5000 rows × 300 columns on 2 threads against dsyrk, Multiply of
// 500 × 500 matrices against dgemm, Invert of 500 × 500 against dgetrf +
// dgetri (the peer on 2 threads throughout). Our results keep the specified
// order of every sum and use no fused multiply-add; the peer does neither.
// Targets: Square within 2×, Multiply within 3×, Invert within 4×.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "bench_common.h"
#include "zel_matrix.h"
#include "zel_matrix_kernels.h"
#include "zel_random.h"
#ifdef ZEL_HAVE_OPENBLAS
#include <cblas.h>
#include <lapacke.h>
#endif

namespace {

constexpr int kSqRows = 5000, kSqCols = 300, kN = 500, kThreads = 2;

zel::TMatrix& Source(int NCol, int NRow, unsigned Seed) {
  auto* m = new zel::TMatrix();  // lives for the whole run
  m->Resize(NCol, NRow);
  zel::SetRandSeed(Seed);
  m->FillRandomUniform(-1, 1);
  return *m;
}

zel::TMatrix& SqSrc() {
  static zel::TMatrix& m = Source(kSqCols, kSqRows, 1);
  return m;
}
zel::TMatrix& MulA() {
  static zel::TMatrix& m = Source(kN, kN, 2);
  return m;
}
zel::TMatrix& MulB() {
  static zel::TMatrix& m = Source(kN, kN, 3);
  return m;
}
zel::TMatrix& InvSrc() {
  // Diagonally dominant: safely invertible, still with row exchanges.
  static zel::TMatrix& m = [] () -> zel::TMatrix& {
    zel::TMatrix& s = Source(kN, kN, 4);
    for (int i = 1; i <= kN; ++i) s.SetVal(i, i, s.GetVal(i, i) + kN / 4);
    return s;
  }();
  return m;
}

bool OurSquare() {
  static zel::TMatrix res;
  return SqSrc().Square(&res, 1, kThreads);
}
bool OurMultiply() {
  static zel::TMatrix res;
  return MulA().Multiply(&MulB(), &res);
}
bool OurInvert() {
  static zel::TMatrix work;
  work.Assign(&InvSrc());
  return work.Invert();
}

void BM_Square5000x300(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(OurSquare());
}
BENCHMARK(BM_Square5000x300)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Multiply500(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(OurMultiply());
}
BENCHMARK(BM_Multiply500)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Invert500(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(OurInvert());
}
BENCHMARK(BM_Invert500)->Unit(benchmark::kMillisecond)->UseRealTime();

#ifdef ZEL_HAVE_OPENBLAS
int PeerSyrk() {
  static std::vector<double> c(static_cast<std::size_t>(kSqCols) * kSqCols);
  cblas_dsyrk(CblasColMajor, CblasUpper, CblasTrans, kSqCols, kSqRows, 1.0, SqSrc().Data().data(), kSqRows, 0.0,
              c.data(), kSqCols);
  return 0;
}
int PeerGemm() {
  static std::vector<double> c(static_cast<std::size_t>(kN) * kN);
  cblas_dgemm(CblasColMajor, CblasNoTrans, CblasNoTrans, kN, kN, kN, 1.0, MulA().Data().data(), kN,
              MulB().Data().data(), kN, 0.0, c.data(), kN);
  return 0;
}
int PeerInverse() {
  static std::vector<double> a(static_cast<std::size_t>(kN) * kN);
  static std::vector<lapack_int> ipiv(kN);
  std::memcpy(a.data(), InvSrc().Data().data(), a.size() * sizeof(double));
  const lapack_int info = LAPACKE_dgetrf(LAPACK_COL_MAJOR, kN, kN, a.data(), kN, ipiv.data());
  return info != 0 ? info : LAPACKE_dgetri(LAPACK_COL_MAJOR, kN, a.data(), kN, ipiv.data());
}

void BM_PeerDsyrk5000x300(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(PeerSyrk());
}
BENCHMARK(BM_PeerDsyrk5000x300)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PeerDgemm500(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(PeerGemm());
}
BENCHMARK(BM_PeerDgemm500)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PeerDgetrfDgetri500(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(PeerInverse());
}
BENCHMARK(BM_PeerDgetrfDgetri500)->Unit(benchmark::kMillisecond)->UseRealTime();
#endif

}  // namespace

int main(int argc, char** argv) {
#ifdef ZEL_HAVE_OPENBLAS
  openblas_set_num_threads(kThreads);
#endif
  // The inputs are made before anything is timed.
  SqSrc();
  MulA();
  MulB();
  InvSrc();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  static const char* const kIsa[] = {"SSE2", "AVX2", "AVX-512"};
  std::printf("kernels: %s\n", kIsa[static_cast<int>(zel::detail::MatKernelIsa())]);
#ifdef ZEL_HAVE_OPENBLAS
  zelbench::PrintRatio("Square 5000x300 (2 threads)", "OpenBLAS dsyrk (2 threads)", OurSquare, PeerSyrk);
  zelbench::PrintRatio("Multiply 500x500", "OpenBLAS dgemm (2 threads)", OurMultiply, PeerGemm);
  zelbench::PrintRatio("Invert 500x500", "LAPACKE dgetrf+dgetri (2 threads)", OurInvert, PeerInverse);
#else
  std::printf("OpenBLAS/LAPACKE not found: no peer ratios\n");
#endif
  return 0;
}
