// The two hot loops of the eigen unit: the cyclic Jacobi iteration and the
// cross-product sums of the covariance matrix.
//
// Jacobi layout. The textbook iteration keeps the upper triangle and, for
// the pair (p, q), rotates "line" p against line q, where line k is column k
// above the diagonal and row k right of it. Here the upper triangle is held
// column-major, each element in one place (the lower triangle is not used):
//  - during the sweep of row p (q = p+1..n−1) line p is gathered into a
//    contiguous array and scattered back when the row is done;
//  - the partners q are taken in blocks of 8. The block's mutual elements
//    are rotated in a small array, one rotation after the other, which
//    yields every rotation's parameters; then the rest of the partners'
//    lines is rotated against line p: above the block their elements lie
//    in their columns (contiguous), right of it in their rows, which are
//    rotated in tiles transposed in registers;
//  - the eigenvector rotations are logged and applied when the sweep is
//    done (TRotationLog).
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

// The rotations of one sweep, for the eigenvectors, applied when the sweep
// is done.
//
// Every row of the eigenvector matrix sees the rotations independently of
// the others, so a few rows of all vectors (they stay in the nearest
// caches) take the whole sweep before the next few. The rotations of kGroup
// consecutive rows p are taken partner by partner: for each q, those of
// (p, q), (p+1, q), ... in turn. This keeps every vector's sequence of
// rotations (the only other pairs of rotations that share a vector are
// (p+i, p+j) and the rotations of row p+j, which stay in order), and each
// partner's column is loaded and stored once for the group. A rotation
// missing from the group (skipped by the thresholds) is taken with s = τ = 0,
// which leaves both elements as they are: they are finite and never −0
// (rotations of values that are not −0 never yield −0). Once a parameter
// was not finite, only the rotations made are applied, one by one.
constexpr int kGroup = 4;

struct TGroupStep {
  int Q;          // the partner
  unsigned Made;  // bit i: rotation (p+i, q) was made
  double S[kGroup], Tau[kGroup];
};

struct TGroupPair {  // rotation (p+I, p+J), both vectors of the group
  int I, J;
  double S, Tau;
};

struct TVectorGroup {
  double* Cols[kGroup];  // vectors p..p+kGroup−1 (a scratch one past the last)
  std::size_t Pair0, Pair1, Step0, Step1;
};

struct TGroupSchedule {
  double* Vec = nullptr;  // the vectors, Ld apart
  std::vector<TVectorGroup> Groups;
  std::vector<TGroupPair> Pairs;
  std::vector<TGroupStep> Steps;
};

class TRotationLog {
 public:
  // The rotations of the rows of one group are held until the group is
  // done; then they become its part of the sweep's schedule.
  TRotationLog(std::size_t N, std::size_t Ld, double* Vec)
      : FN(N), FLd(Ld), FVec(Vec), FScratch(Ld, 0.0) {
    FSched.Vec = Vec;
    FSched.Steps.reserve(N * N / (2 * kGroup) + N);
    const std::size_t most = kGroup * N;
    FS.resize(most);
    FTau.resize(most);
    FQ.resize(most);
  }
  // A new sweep.
  void Clear() {
    FSize = 0;
    FSched.Groups.clear();
    FSched.Pairs.clear();
    FSched.Steps.clear();
    FSweepFinite = true;
  }
  void StartRow(std::size_t P) { FRowStart[P % kGroup] = FSize; }
  void Add(double S, double Tau, std::size_t Q) {
    FS[FSize] = S;
    FTau[FSize] = Tau;
    FQ[FSize++] = static_cast<int>(Q);
  }
  // Row P is done; the last row of a group closes the group.
  void EndRow(std::size_t P) {
    FRowEnd[P % kGroup] = FSize;
    if (P % kGroup == kGroup - 1 || P + 2 == FN) {
      Build(static_cast<int>(P / kGroup * kGroup), static_cast<int>(P % kGroup) + 1);
      FSize = 0;
    }
  }
  const double* S() const noexcept { return FS.data(); }
  const double* Tau() const noexcept { return FTau.data(); }
  std::size_t Size() const noexcept { return FSize; }
  // Applies the sweep's rotations to the vectors. ApplyGroups runs the
  // schedule over rows J0..J1−1 of the vectors; Rotate is RotateMany.
  template <class TApply, class TRotate>
  void Apply(TApply ApplyGroups, TRotate Rotate) {
    FGrouped = FGrouped && FSweepFinite;
    if (FGrouped) {
      ApplyGroups(FSched, FLd, std::size_t{0}, FLd);
      return;
    }
    for (const TVectorGroup& g : FSched.Groups) {
      const auto one = [&](int i, double* q, double S, double Tau) {
        double* cols[1] = {q};
        Rotate(g.Cols[i], cols, &S, &Tau, 1, std::size_t{0}, FLd);
      };
      for (std::size_t k = g.Pair0; k < g.Pair1; ++k) {
        const TGroupPair& pr = FSched.Pairs[k];
        one(pr.I, g.Cols[pr.J], pr.S, pr.Tau);
      }
      for (std::size_t k = g.Step0; k < g.Step1; ++k) {
        const TGroupStep& st = FSched.Steps[k];
        for (int i = 0; i < kGroup; ++i)
          if (st.Made >> i & 1) one(i, Col(st.Q), st.S[i], st.Tau[i]);
      }
    }
  }

 private:
  double* Col(int k) noexcept { return FVec + static_cast<std::size_t>(k) * FLd; }
  // The group of rows P0..P0+Rows−1, from the rotations held.
  void Build(int P0, int Rows) {
    const int n = static_cast<int>(FN);
    const auto finite = [](double x) { return std::isfinite(x); };
    FSweepFinite = FSweepFinite && std::all_of(FS.begin(), FS.begin() + FSize, finite) &&
                   std::all_of(FTau.begin(), FTau.begin() + FSize, finite);
    // Row P0 + i's rotations not yet scheduled: at[i]..end[i]−1.
    std::size_t at[kGroup], end[kGroup];
    TVectorGroup g;
    for (int i = 0; i < kGroup; ++i) {
      g.Cols[i] = P0 + i < n ? Col(P0 + i) : FScratch.data();
      at[i] = i < Rows ? FRowStart[i] : 0;
      end[i] = i < Rows ? FRowEnd[i] : 0;
    }
    // Partners inside the group first: q = P0+1..P0+kGroup−1.
    g.Pair0 = FSched.Pairs.size();
    for (int j = 1; j < kGroup && P0 + j < n; ++j)
      for (int i = 0; i < j; ++i)
        if (at[i] < end[i] && FQ[at[i]] == P0 + j) {
          FSched.Pairs.push_back({i, j, FS[at[i]], FTau[at[i]]});
          ++at[i];
        }
    g.Pair1 = FSched.Pairs.size();
    // Then a step per partner q = P0+kGroup..n−1, those without rotations
    // dropped.
    std::vector<TGroupStep>& steps = FSched.Steps;
    g.Step0 = steps.size();
    const int first = P0 + kGroup, m = std::max(0, n - first);
    steps.resize(g.Step0 + static_cast<std::size_t>(m));
    for (int k = 0; k < m; ++k) steps[g.Step0 + static_cast<std::size_t>(k)].Q = first + k;
    for (int i = 0; i < kGroup; ++i)
      for (std::size_t e = at[i]; e < end[i]; ++e) {
        TGroupStep& st = steps[g.Step0 + static_cast<std::size_t>(FQ[e] - first)];
        st.S[i] = FS[e];
        st.Tau[i] = FTau[e];
        st.Made |= 1u << i;
      }
    steps.erase(std::remove_if(steps.begin() + static_cast<std::ptrdiff_t>(g.Step0), steps.end(),
                               [](const TGroupStep& st) { return st.Made == 0; }),
                steps.end());
    g.Step1 = steps.size();
    FSched.Groups.push_back(g);
  }
  std::size_t FN, FLd;
  double* FVec;
  std::vector<double> FS, FTau;
  std::vector<int> FQ;
  std::size_t FSize = 0;
  std::size_t FRowStart[kGroup] = {}, FRowEnd[kGroup] = {};
  std::vector<double> FScratch;
  TGroupSchedule FSched;
  bool FSweepFinite = true, FGrouped = true;
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

// Register counts of the kernels per register width W, found by measuring:
// the most registers a run of rotations of contiguous lines takes at a time,
// the registers of columns per tile right of a block, the registers of
// vector rows per block of eigenvector rows, and a piece of a block's work
// done between two steps of the next chain (registers of rows by rotations
// above the block, registers of columns right of it).
struct TKernelTuning {
  std::size_t MaxChunk, RightRegs, VectorRegs, PieceRows, PieceCols;
  int PieceRots;
};

constexpr TKernelTuning KernelTuning(std::size_t W) {
  return W == 8   ? TKernelTuning{8, 3, 3, 8, 1, 4}
         : W == 4 ? TKernelTuning{6, 2, 1, 2, 1, 16}
                  : TKernelTuning{6, 4, 1, 2, 1, 16};
}

}  // namespace

#define ZEL_M2_NS m2sse2
#define ZEL_M2_TARGET
#define ZEL_M2_W 2
#include "zel_math2_kernels_simd.inc"
#undef ZEL_M2_NS
#undef ZEL_M2_TARGET
#undef ZEL_M2_W

#define ZEL_M2_NS m2avx2
#define ZEL_M2_TARGET __attribute__((target("avx2")))
#define ZEL_M2_W 4
#include "zel_math2_kernels_simd.inc"
#undef ZEL_M2_NS
#undef ZEL_M2_TARGET
#undef ZEL_M2_W

#define ZEL_M2_NS m2avx512
#define ZEL_M2_TARGET __attribute__((target("avx512f")))
#define ZEL_M2_W 8
#include "zel_math2_kernels_simd.inc"
#undef ZEL_M2_NS
#undef ZEL_M2_TARGET
#undef ZEL_M2_W

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
