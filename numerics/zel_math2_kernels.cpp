// The two hot loops of the eigen unit: the cyclic Jacobi iteration and the
// cross-product sums of the covariance matrix.
//
// Jacobi layout. The textbook iteration keeps the upper triangle and, for
// the pair (p, q), rotates "line" p against line q, where line k is column k
// above the diagonal and row k right of it. Here the upper triangle is held
// column-major, each element in one place (the lower triangle is not used):
//  - during the sweep of row p (q = p+1..n−1) line p is gathered into a
//    contiguous array and scattered back when the row is done;
//  - the partners q are taken in blocks of 16. The block's mutual elements
//    are rotated in a small array, one rotation after the other, which
//    yields every rotation's parameters; then the rest of the partners'
//    lines is rotated against line p: above the block their elements lie
//    in their columns (contiguous), right of it in their rows, which are
//    rotated in tiles transposed in registers;
//  - the eigenvector rotations are logged and applied during the next sweep
//    (TRotationLog).
// Every element still sees the textbook loop's operations in its order:
// the same pairs in the same sequence, each element rotated by the same
// multiplies and adds, the negligibility test in extended precision.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstddef>
#include <vector>

#include "zel_math2.h"
#include "zel_matrix_kernels.h"

namespace zel::detail {

namespace {

// Progress steps of the iteration. While no feedback procedure listens the
// increments of ProcStat are added in batches (the total is the same and
// the abort flag is still tested at every step).
class TStepper {
 public:
  TStepper() = default;
  TStepper(const TStepper&) = delete;
  TStepper& operator=(const TStepper&) = delete;
  ~TStepper() { Flush(); }
  bool Step() {
    if (MathFeedBackProc.load(std::memory_order_relaxed) == nullptr) {
      if (++FPending == 4096) Flush();
      return !AbortMathProc.load(std::memory_order_relaxed);
    }
    Flush();
    return MathProcStep();
  }

 private:
  void Flush() {
    if (FPending == 0) return;
    ProcStat.fetch_add(static_cast<double>(FPending));
    FPending = 0;
  }
  int FPending = 0;
};

// The rotations of one sweep, for the eigenvectors: parameters and partner
// column of every rotation, grouped by row p. Each row of the eigenvector
// matrix is independent of the others and sees the rotations in the order
// logged, so the log is applied a block of rows of all vectors at a time
// (those stay in cache) and in small pieces spread over the next sweep.
class TRotationLog {
 public:
  TRotationLog(std::size_t N, std::size_t Ld, double* Vec) : FN(N), FLd(Ld), FVec(Vec), FRowStart(N + 1) {
    const std::size_t most = N * (N - 1) / 2;
    FS.reserve(most);
    FTau.reserve(most);
    FCols.reserve(most);
  }
  void Clear() {
    FS.clear();
    FTau.clear();
    FCols.clear();
    FPending = false;
  }
  void StartRow(std::size_t P) { FRowStart[P] = FS.size(); }
  void Add(double S, double Tau, std::size_t Q) {
    FS.push_back(S);
    FTau.push_back(Tau);
    FCols.push_back(FVec + Q * FLd);
  }
  std::size_t Size() const noexcept { return FS.size(); }
  const double* S() const noexcept { return FS.data(); }
  const double* Tau() const noexcept { return FTau.data(); }
  // Closes the sweep's log; application starts at the first piece.
  void Close() {
    for (std::size_t p = FN - 1; p <= FN; ++p) FRowStart[p] = FS.size();
    FPending = !FS.empty();
    FRow0 = 0;
    FP = 0;
    FAt = FRowStart[0];
  }
  bool Pending() const noexcept { return FPending; }
  // Applies the next piece: up to kPiece rotations of one row p to one
  // block of eigenvector rows.
  template <class TRotate>
  void Advance(TRotate Rotate) {
    if (!FPending) return;
    while (FAt == FRowStart[FP + 1]) {
      if (++FP + 1 >= FN) {
        FP = 0;
        FRow0 += kVecRows;
        if (FRow0 >= FLd) {
          FPending = false;
          return;
        }
      }
      FAt = FRowStart[FP];
    }
    const std::size_t e = std::min(FRowStart[FP + 1], FAt + kPiece);
    Rotate(FVec + FP * FLd, FCols.data() + FAt, FS.data() + FAt, FTau.data() + FAt, static_cast<int>(e - FAt),
                    FRow0, std::min(FLd, FRow0 + kVecRows));
    FAt = e;
  }
  template <class TRotate>
  void Finish(TRotate Rotate) {
    while (FPending) Advance(Rotate);
  }

 private:
  static constexpr std::size_t kVecRows = 64, kPiece = 8;
  std::size_t FN, FLd;
  double* FVec;
  std::vector<double> FS, FTau;
  std::vector<double*> FCols;
  std::vector<std::size_t> FRowStart;
  bool FPending = false;
  std::size_t FRow0 = 0, FP = 0, FAt = 0;
};

// What the sweeps work on; the sweeps themselves are compiled once per
// instruction set (zel_math2_kernels_simd.inc).
struct TJacobiState {
  int N = 0;
  std::size_t Ld = 0;
  double* M = nullptr;  // upper triangle, column-major
  double* D = nullptr;
  double* Vec = nullptr;
};

}  // namespace

#define ZEL_M2_NS m2sse2
#define ZEL_M2_TARGET
#define ZEL_M2_W 2
#define ZEL_M2_U 6
#define ZEL_M2_RU 4
#include "zel_math2_kernels_simd.inc"
#undef ZEL_M2_NS
#undef ZEL_M2_TARGET
#undef ZEL_M2_W
#undef ZEL_M2_U
#undef ZEL_M2_RU

#define ZEL_M2_NS m2avx2
#define ZEL_M2_TARGET __attribute__((target("avx2")))
#define ZEL_M2_W 4
#define ZEL_M2_U 6
#define ZEL_M2_RU 2
#include "zel_math2_kernels_simd.inc"
#undef ZEL_M2_NS
#undef ZEL_M2_TARGET
#undef ZEL_M2_W
#undef ZEL_M2_U
#undef ZEL_M2_RU

#define ZEL_M2_NS m2avx512
#define ZEL_M2_TARGET __attribute__((target("avx512f")))
#define ZEL_M2_W 8
#define ZEL_M2_U 8
#define ZEL_M2_RU 3
#include "zel_math2_kernels_simd.inc"
#undef ZEL_M2_NS
#undef ZEL_M2_TARGET
#undef ZEL_M2_W
#undef ZEL_M2_U
#undef ZEL_M2_RU

namespace {

struct TMath2Kernels {
  TJacobiStatus (*Sweeps)(const TJacobiState&);
  void (*CrossRows[2])(const double*, std::size_t, std::size_t, std::size_t, std::size_t, std::size_t, double*,
                       std::size_t) noexcept;
  void (*RowsFromColumns)(const double* const*, std::size_t, std::size_t, double*, std::size_t, double*,
                          double*) noexcept;
  void (*CentreRows)(double*, std::size_t, std::size_t, const double*) noexcept;
};

#define ZEL_M2_SET(ns)                                                                             \
  TMath2Kernels {                                                                                  \
    ns::JacobiSweeps, {ns::CrossRowsT<false>, ns::CrossRowsT<true>}, ns::RowsFromColumns, ns::CentreRows \
  }
const TMath2Kernels kSets[3] = {ZEL_M2_SET(m2sse2), ZEL_M2_SET(m2avx2), ZEL_M2_SET(m2avx512)};
#undef ZEL_M2_SET

// The matrix unit's choice of instruction set governs these kernels too.
const TMath2Kernels& Kernels() noexcept { return kSets[static_cast<int>(MatKernelIsa())]; }

}  // namespace

TJacobiStatus JacobiEigen(int n, std::size_t Ld, double* M, double* D, double* Vec) {
  if (n <= 0) return TJacobiStatus::Converged;
  const auto col = [M, Ld](int k) { return M + static_cast<std::size_t>(k) * Ld; };
  for (int k = 0; k < n; ++k)
    if (!std::all_of(col(k), col(k) + k + 1, [](double x) { return std::isfinite(x); }))
      return TJacobiStatus::NoConvergence;
  std::fill(Vec, Vec + Ld * static_cast<std::size_t>(n), 0.0);
  for (int k = 0; k < n; ++k) {
    Vec[static_cast<std::size_t>(k) * Ld + static_cast<std::size_t>(k)] = 1;
    D[k] = col(k)[k];
  }
  return Kernels().Sweeps(TJacobiState{n, Ld, M, D, Vec});
}

void CrossProductRows(const double* T, std::size_t Ldt, std::size_t N, std::size_t I0, std::size_t I1, bool Diff,
                      double* S, std::size_t Lds) noexcept {
  // Row blocks of T small enough to stay in the second-level cache while
  // every row i of the block range is accumulated; each sum still runs over
  // k in increasing order, block after block.
  const std::size_t kc = std::max<std::size_t>(64, (std::size_t{1} << 15) / std::max<std::size_t>(Ldt, 1));
  const auto cross = Kernels().CrossRows[Diff ? 1 : 0];
  for (std::size_t k0 = 0; k0 < N; k0 += kc) cross(T, Ldt, k0, std::min(N, k0 + kc), I0, I1, S, Lds);
}

void RowsFromColumns(const double* const* Cols, std::size_t P, std::size_t N, double* T, std::size_t Ldt, double* Sum,
                     double* SumSq) noexcept {
  Kernels().RowsFromColumns(Cols, P, N, T, Ldt, Sum, SumSq);
}

void CentreRows(double* T, std::size_t Ldt, std::size_t N, const double* Mean) noexcept {
  Kernels().CentreRows(T, Ldt, N, Mean);
}

}  // namespace zel::detail
