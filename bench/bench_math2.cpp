// Eigen decomposition and principal components beside LAPACK in the same
// run: CalcEigVec (cyclic Jacobi, the specified rotation sequence) of a
// 300 × 300 and a 100 × 100 covariance matrix against LAPACKE_dsyevd, and
// CalcPrincComp of 5000 observations × 100 variables (correlation, Mode 2)
// against standardisation + cblas_dsyrk + dsyevd. The peer runs on one
// thread, as ours does. A plain textbook Jacobi loop (the same results,
// scalar, row-wise upper triangle) shows what the vectorised layout buys.
// Targets: Jacobi within 10× of dsyevd, the PCA within 3× of its peer.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

#include "../tests/numerics/math2_textbook_jacobi.h"
#include "bench_common.h"
#include "zel_math2.h"
#include "zel_random.h"
#ifdef ZEL_HAVE_OPENBLAS
#include <cblas.h>
#include <lapacke.h>
extern "C" void openblas_set_num_threads(int);
#endif

namespace {

// Covariance matrix of 2n observations of n correlated variables.
const zel::TMatrix& Covariance(int n) {
  auto* data = new zel::TMatrix();  // lives for the whole run
  auto* cov = new zel::TMatrix();
  data->Resize(n, 2 * n);
  zel::SetRandSeed(static_cast<std::uint32_t>(n));
  data->FillRandomGauss(0, 1);
  for (int c = 2; c <= n; ++c)
    for (int r = 0; r < 2 * n; ++r) data->ColumnData(c)[r] += 0.5 * data->ColumnData(c - 1)[r];
  cov->Resize(n, n);
  zel::CalcCovar(data, cov, 0, 0, 0, 0, 1);
  return *cov;
}

const zel::TMatrix& Cov300() {
  static const zel::TMatrix& m = Covariance(300);
  return m;
}
const zel::TMatrix& Cov100() {
  static const zel::TMatrix& m = Covariance(100);
  return m;
}

const zel::TMatrix& PcaData() {
  static const zel::TMatrix& m = *[] {
    auto* d = new zel::TMatrix();  // lives for the whole run
    d->Resize(100, 5000);
    zel::SetRandSeed(5000);
    d->FillRandomGauss(0, 1);
    for (int c = 2; c <= 100; ++c)
      for (int r = 0; r < 5000; ++r) d->ColumnData(c)[r] += 0.3 * d->ColumnData(c - 1)[r] + 2.0;
    return d;
  }();
  return m;
}

bool OurEigen(const zel::TMatrix& Src) {
  zel::TMatrix m;
  m.Assign(&Src);
  return zel::CalcEigVec(&m);
}

bool OurPca() { return zel::CalcPrincComp(&PcaData(), 0, 0, 0, 0, 2); }

// The textbook loop on the matrix, as the tests use it.
double TextbookJacobi(const zel::TMatrix& Src) {
  const int n = Src.NrOfColumns();
  std::vector<double> a(static_cast<std::size_t>(n) * n);
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) a[static_cast<std::size_t>(i) * n + j] = Src.GetVal(j + 1, i + 1);
  return zel::test::TextbookJacobi(n, std::move(a)).d[0];
}

void BM_CalcEigVec300(benchmark::State& st) {
  for (auto _ : st) benchmark::DoNotOptimize(OurEigen(Cov300()));
}
BENCHMARK(BM_CalcEigVec300)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CalcEigVec100(benchmark::State& st) {
  for (auto _ : st) benchmark::DoNotOptimize(OurEigen(Cov100()));
}
BENCHMARK(BM_CalcEigVec100)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_TextbookJacobi300(benchmark::State& st) {
  for (auto _ : st) benchmark::DoNotOptimize(TextbookJacobi(Cov300()));
}
BENCHMARK(BM_TextbookJacobi300)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

void BM_CalcPrincComp5000x100(benchmark::State& st) {
  for (auto _ : st) benchmark::DoNotOptimize(OurPca());
}
BENCHMARK(BM_CalcPrincComp5000x100)->Unit(benchmark::kMillisecond)->UseRealTime();

#ifdef ZEL_HAVE_OPENBLAS
int PeerEigen(const zel::TMatrix& Src) {
  const int n = Src.NrOfColumns();
  std::vector<double> a(static_cast<std::size_t>(n) * n), w(n);
  for (int c = 1; c <= n; ++c) std::memcpy(a.data() + static_cast<std::size_t>(c - 1) * n, Src.ColumnData(c), sizeof(double) * n);
  return LAPACKE_dsyevd(LAPACK_COL_MAJOR, 'V', 'U', n, a.data(), n, w.data());
}

// Correlation matrix the usual way: standardise, one symmetric rank-k
// update, then the divide-and-conquer eigen solver.
int PeerPca() {
  const zel::TMatrix& x = PcaData();
  const int n = x.NrOfRows(), p = x.NrOfColumns();
  std::vector<double> z(static_cast<std::size_t>(n) * p), c(static_cast<std::size_t>(p) * p), w(p);
  for (int j = 0; j < p; ++j) {
    const double* col = x.ColumnData(j + 1);
    double s = 0, q = 0;
    for (int k = 0; k < n; ++k) s += col[k];
    const double mean = s / n;
    double* zj = z.data() + static_cast<std::size_t>(j) * n;
    for (int k = 0; k < n; ++k) {
      zj[k] = col[k] - mean;
      q += zj[k] * zj[k];
    }
    const double scale = 1.0 / std::sqrt(q);
    for (int k = 0; k < n; ++k) zj[k] *= scale;
  }
  cblas_dsyrk(CblasColMajor, CblasUpper, CblasTrans, p, n, 1.0, z.data(), n, 0.0, c.data(), p);
  return LAPACKE_dsyevd(LAPACK_COL_MAJOR, 'V', 'U', p, c.data(), p, w.data());
}

void BM_PeerDsyevd300(benchmark::State& st) {
  for (auto _ : st) benchmark::DoNotOptimize(PeerEigen(Cov300()));
}
BENCHMARK(BM_PeerDsyevd300)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PeerDsyevd100(benchmark::State& st) {
  for (auto _ : st) benchmark::DoNotOptimize(PeerEigen(Cov100()));
}
BENCHMARK(BM_PeerDsyevd100)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PeerCorrDsyevd5000x100(benchmark::State& st) {
  for (auto _ : st) benchmark::DoNotOptimize(PeerPca());
}
BENCHMARK(BM_PeerCorrDsyevd5000x100)->Unit(benchmark::kMillisecond)->UseRealTime();
#endif

}  // namespace

int main(int argc, char** argv) {
#ifdef ZEL_HAVE_OPENBLAS
  openblas_set_num_threads(1);
#endif
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  const auto eig300 = [] { return OurEigen(Cov300()); };
  zelbench::PrintRatio("CalcEigVec 300x300", "textbook Jacobi loop", eig300, [] { return TextbookJacobi(Cov300()); });
#ifdef ZEL_HAVE_OPENBLAS
  const auto eig100 = [] { return OurEigen(Cov100()); };
  zelbench::PrintRatio("CalcEigVec 300x300", "LAPACKE_dsyevd (1 thread)", eig300, [] { return PeerEigen(Cov300()); });
  zelbench::PrintRatio("CalcEigVec 100x100", "LAPACKE_dsyevd (1 thread)", eig100, [] { return PeerEigen(Cov100()); });
  zelbench::PrintRatio("CalcPrincComp 5000x100 correlation", "standardise+dsyrk+dsyevd (1 thread)", OurPca, PeerPca);
#else
  std::printf("OpenBLAS/LAPACKE not found: peers skipped\n");
#endif
  return 0;
}
