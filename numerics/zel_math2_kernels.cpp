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
  void (*RotateMany)(double*, double* const*, const double*, const double*, int, std::size_t, std::size_t) noexcept;
  void (*RotateRight)(double*, double*, std::size_t, std::size_t, const unsigned char*, const double*,
                      const double*, std::size_t, std::size_t) noexcept;
  void (*RotateBlockLine)(double*, double*, double, double, std::size_t, std::size_t) noexcept;
  void (*CrossRows[2])(const double*, std::size_t, std::size_t, std::size_t, std::size_t, std::size_t, double*,
                       std::size_t) noexcept;
};

#define ZEL_M2_SET(ns) \
  TMath2Kernels { ns::RotateMany, ns::RotateRight, ns::RotateBlockLine, { ns::CrossRowsT<false>, ns::CrossRowsT<true> } }
const TMath2Kernels kSets[3] = {ZEL_M2_SET(m2sse2), ZEL_M2_SET(m2avx2), ZEL_M2_SET(m2avx512)};
#undef ZEL_M2_SET

// The matrix unit's choice of instruction set governs these kernels too.
const TMath2Kernels& Kernels() noexcept { return kSets[static_cast<int>(MatKernelIsa())]; }

// Partners rotated as one block: their mutual elements are rotated in a
// small array, the rest of their columns in one fused pass per block.
constexpr int kPartnerBlock = 16;
static_assert(kPartnerBlock == static_cast<int>(m2sse2::kRightRows));

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
// (those stay in cache) and in small pieces spread over the next sweep,
// where they fill the time the scalar rotation parameters take.
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
  void Advance(const TMath2Kernels& Kern) {
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
    Kern.RotateMany(FVec + FP * FLd, FCols.data() + FAt, FS.data() + FAt, FTau.data() + FAt, static_cast<int>(e - FAt),
                    FRow0, std::min(FLd, FRow0 + kVecRows));
    FAt = e;
  }
  void Finish(const TMath2Kernels& Kern) {
    while (FPending) Advance(Kern);
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

}  // namespace

TJacobiStatus JacobiEigen(int n, std::size_t Ld, double* M, double* D, double* Vec) {
  if (n <= 0) return TJacobiStatus::Converged;
  const std::size_t un = static_cast<std::size_t>(n);
  const auto col = [M, Ld](int k) { return M + static_cast<std::size_t>(k) * Ld; };
  for (int k = 0; k < n; ++k)
    if (!std::all_of(col(k), col(k) + k + 1, [](double x) { return std::isfinite(x); }))
      return TJacobiStatus::NoConvergence;
  const TMath2Kernels& kern = Kernels();

  std::fill(Vec, Vec + Ld * un, 0.0);
  std::vector<double> b(un), z(un, 0.0);
  for (int k = 0; k < n; ++k) {
    Vec[static_cast<std::size_t>(k) * Ld + static_cast<std::size_t>(k)] = 1;
    D[k] = col(k)[k];
    b[k] = D[k];
  }
  // Line p while its row is swept, zero-padded to whole registers.
  TRealStorage line(Ld + 8, 0.0);
  double* lp = line.data();
  // A block of partners: their mutual elements in S; per row of the
  // block's tile (rows q1−16..q1−1) whether it is rotated, and how.
  constexpr int B = kPartnerBlock;
  std::vector<double> S(B * B), lb(B), tileS(B), tileTau(B);
  std::vector<unsigned char> tileRot(B);
  std::vector<double*> qcols(B);
  TRotationLog logs[2] = {TRotationLog(un, Ld, Vec), TRotationLog(un, Ld, Vec)};
  int cur = 0;
  TStepper steps;
  const double n2 = static_cast<double>(n) * static_cast<double>(n);

  for (int pass = 1;; ++pass) {
    if (!steps.Step()) return TJacobiStatus::Aborted;
    // The sum row by row, as the textbook loop takes it.
    double sm = 0;
    for (int p = 0; p < n - 1; ++p)
      for (int q = p + 1; q < n; ++q) sm += std::fabs(col(q)[p]);
    if (sm == 0) {
      logs[1 - cur].Finish(kern);
      return TJacobiStatus::Converged;
    }
    const double thresh = pass < 4 ? 0.2 * sm / n2 : 0.0;
    TRotationLog& log = logs[cur];
    TRotationLog& previous = logs[1 - cur];
    log.Clear();

    for (int p = 0; p < n - 1; ++p) {
      std::copy_n(col(p), p, lp);
      lp[p] = 0;
      for (int j = p + 1; j < n; ++j) lp[j] = col(j)[p];
      log.StartRow(static_cast<std::size_t>(p));
      // Blocks end at multiples of B (the first one starts at p + 1), so
      // that the tiles right of a block start on whole registers.
      for (int q0 = p + 1, q1; q0 < n; q0 = q1) {
        q1 = std::min((q0 / B + 1) * B, n);
        const int nb = q1 - q0;
        // A short block is padded with zeros, which the in-block rotations
        // keep zero.
        if (nb < B) {
          std::fill(S.begin(), S.end(), 0.0);
          std::fill(lb.begin(), lb.end(), 0.0);
        }
        for (int a = 0; a < nb; ++a) {
          const double* ca = col(q0 + a) + q0;
          for (int e = 0; e <= a; ++e) S[static_cast<std::size_t>(a * B + e)] = S[static_cast<std::size_t>(e * B + a)] = ca[e];
          lb[static_cast<std::size_t>(a)] = lp[q0 + a];
        }
        std::fill(tileRot.begin(), tileRot.end(), 0);
        const std::size_t first = log.Size();
        int count = 0;
        for (int a = 0; a < nb; ++a) {
          if (!steps.Step()) return TJacobiStatus::Aborted;
          previous.Advance(kern);
          const int q = q0 + a;
          const double apq = lb[static_cast<std::size_t>(a)];
          const double g = 200.0 * std::fabs(apq);
          const long double ldg = g;
          if (pass > 4 && static_cast<long double>(std::fabs(D[p])) + ldg == static_cast<long double>(std::fabs(D[p])) &&
              static_cast<long double>(std::fabs(D[q])) + ldg == static_cast<long double>(std::fabs(D[q]))) {
            lb[static_cast<std::size_t>(a)] = 0;
            continue;
          }
          if (!(std::fabs(apq) > thresh)) continue;
          double h = D[q] - D[p];
          double t;
          if (std::fabs(h) + g == std::fabs(h)) {
            t = apq / h;
          } else {
            const double theta = h / (2.0 * apq);
            t = 1.0 / (std::fabs(theta) + std::sqrt(theta * theta + 1.0));
            if (theta < 0) t = -t;
          }
          const double c = 1.0 / std::sqrt(t * t + 1.0);
          const double s = t * c;
          const double tau = s / (1.0 + c);
          h = t * apq;
          z[p] -= h;
          z[q] += h;
          D[p] -= h;
          D[q] += h;
          lb[static_cast<std::size_t>(a)] = 0;
          // The elements inside the block now, the others after the block.
          double* sa = S.data() + a * B;
          kern.RotateBlockLine(lb.data(), sa, s, tau, static_cast<std::size_t>(a), B);
          for (int e = 0; e < nb; ++e) S[static_cast<std::size_t>(e * B + a)] = sa[e];
          const std::size_t row = static_cast<std::size_t>(q - (q1 - B));
          tileRot[row] = 1;
          tileS[row] = s;
          tileTau[row] = tau;
          qcols[static_cast<std::size_t>(count)] = col(q);
          log.Add(s, tau, static_cast<std::size_t>(q));
          ++count;
        }
        // Back into place; S's diagonal still holds the stored one.
        std::copy_n(lb.begin(), nb, lp + q0);
        for (int a = 0; a < nb; ++a) std::copy_n(S.begin() + a * B, a, col(q0 + a) + q0);
        if (count > 0) {
          // Above the block: rows 0..q0−1 of the partners' columns. Row p
          // is included: there line p's diagonal place and the pivot's
          // place in the partner's column are rotated, which is harmless:
          // the diagonal lives in D and the pivots are rewritten when the
          // row is done.
          kern.RotateMany(lp, qcols.data(), log.S() + first, log.Tau() + first, count, 0, static_cast<std::size_t>(q0));
          if (q1 < n)
            kern.RotateRight(lp, M, Ld, static_cast<std::size_t>(q1 - B), tileRot.data(), tileS.data(), tileTau.data(),
                             static_cast<std::size_t>(q1), un);
        }
      }
      // Line p back into place.
      std::copy_n(lp, p, col(p));
      for (int j = p + 1; j < n; ++j) col(j)[p] = lp[j];
    }
    previous.Finish(kern);
    log.Close();
    cur = 1 - cur;
    for (int k = 0; k < n; ++k) {
      b[k] += z[k];
      D[k] = b[k];
      z[k] = 0;
    }
    if (pass + 1 > 100) return TJacobiStatus::NoConvergence;
  }
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

}  // namespace zel::detail
