// Run-time choice of the matrix kernels and the blocked product driver.
//
// The product is blocked in the manner of the usual high-performance
// matrix multiply (panels of the right operand in L1, blocks of the left in
// L2), with one difference: the depth blocks are visited in increasing order
// and each partial sum goes back to C in double between them, so every
// element is still 0 + t₀ + t₁ + … in the order of its terms.
#include "zel_matrix_kernels.h"

#include <algorithm>
#include <atomic>
#include <cstring>

namespace zel::detail {

#define ZEL_MK_NS sse2
#define ZEL_MK_TARGET
#define ZEL_MK_W 2
#define ZEL_MK_TILE_STRIPS 1
#define ZEL_MK_NR 2
#include "zel_matrix_kernels_simd.inc"
#undef ZEL_MK_NS
#undef ZEL_MK_TARGET
#undef ZEL_MK_W
#undef ZEL_MK_TILE_STRIPS
#undef ZEL_MK_NR

#define ZEL_MK_NS avx2
#define ZEL_MK_TARGET __attribute__((target("avx2")))
#define ZEL_MK_W 4
#define ZEL_MK_TILE_STRIPS 1
#define ZEL_MK_NR 4
#include "zel_matrix_kernels_simd.inc"
#undef ZEL_MK_NS
#undef ZEL_MK_TARGET
#undef ZEL_MK_W
#undef ZEL_MK_TILE_STRIPS
#undef ZEL_MK_NR

#define ZEL_MK_NS avx512
#define ZEL_MK_TARGET __attribute__((target("avx512f")))
#define ZEL_MK_W 8
#define ZEL_MK_TILE_STRIPS 3
#define ZEL_MK_NR 8
#include "zel_matrix_kernels_simd.inc"
#undef ZEL_MK_NS
#undef ZEL_MK_TARGET
#undef ZEL_MK_W
#undef ZEL_MK_TILE_STRIPS
#undef ZEL_MK_NR

namespace {

using TMacro = void (*)(std::size_t, std::size_t, std::size_t, const double*, std::size_t, std::size_t,
                        const double*, std::size_t, double*, std::size_t) noexcept;

struct TKernelSet {
  TMacro MacroAdd;
  TMacro MacroSub;
  void (*AxpySub)(std::size_t, double, const double*, double*) noexcept;
  void (*AxpyAdd)(std::size_t, double, const double*, double*) noexcept;
  void (*DivideBy)(std::size_t, double, double*) noexcept;
  void (*RowSubtract)(std::size_t, std::size_t, const double*, const double*, double*) noexcept;
  void (*RowDistances[2])(const double*, std::size_t, std::size_t, std::size_t, std::size_t, std::size_t,
                          std::size_t, double*, std::size_t) noexcept;
};

#define ZEL_MK_SET(ns)                                                                                  \
  TKernelSet {                                                                                          \
    ns::Macro<false>, ns::Macro<true>, ns::AxpySub, ns::AxpyAdd, ns::DivideBy, ns::RowSubtract, {                            \
      ns::RowDistancesT<false>, ns::RowDistancesT<true>                                                 \
    }                                                                                                   \
  }
const TKernelSet kKernelSets[3] = {ZEL_MK_SET(sse2), ZEL_MK_SET(avx2), ZEL_MK_SET(avx512)};
#undef ZEL_MK_SET

TMatIsa DetectIsa() noexcept {
  __builtin_cpu_init();
  if (__builtin_cpu_supports("avx512f")) return TMatIsa::Avx512;
  if (__builtin_cpu_supports("avx2")) return TMatIsa::Avx2;
  return TMatIsa::Sse2;
}

std::atomic<int> gIsa{-1};

const TKernelSet& Kernels() noexcept {
  int isa = gIsa.load(std::memory_order_relaxed);
  if (isa < 0) {
    isa = static_cast<int>(MatKernelBestIsa());
    gIsa.store(isa, std::memory_order_relaxed);
  }
  return kKernelSets[isa];
}

// Strips of the operand block i ∈ [I0, I0 + NI), k ∈ [K0, K0 + Kc) of an
// operand whose element (i, k) is P[i·Si + k·Sk]: strip s at Dst + s·8·Kc.
void PackStrips(const double* P, std::size_t Si, std::size_t Sk, std::size_t I0, std::size_t NI, std::size_t K0,
                std::size_t Kc, double* Dst) {
  for (std::size_t s = 0; s * kStrip < NI; ++s) {
    double* d = Dst + s * kStrip * Kc;
    const std::size_t cnt = std::min(kStrip, NI - s * kStrip);
    const double* base = P + (I0 + s * kStrip) * Si + K0 * Sk;
    if (Si == 1) {
      for (std::size_t k = 0; k < Kc; ++k) {
        std::memcpy(d + k * kStrip, base + k * Sk, cnt * sizeof(double));
        std::fill(d + k * kStrip + cnt, d + (k + 1) * kStrip, 0.0);
      }
      continue;
    }
    if (cnt < kStrip) std::fill(d, d + kStrip * Kc, 0.0);
    // 8 × 8 blocks keep both the reads and the scattered writes in L1.
    std::size_t k0 = 0;
    for (; k0 + kStrip <= Kc; k0 += kStrip)
      for (std::size_t l = 0; l < cnt; ++l) {
        const double* src = base + l * Si + k0 * Sk;
        for (std::size_t kk = 0; kk < kStrip; ++kk) d[(k0 + kk) * kStrip + l] = src[kk * Sk];
      }
    for (std::size_t l = 0; l < cnt; ++l)
      for (std::size_t k = k0; k < Kc; ++k) d[k * kStrip + l] = base[l * Si + k * Sk];
  }
}

// Depth of the blocks (the B panel of a tile stays in L1) and the height
// and width of the blocks of the left and right operand.
constexpr std::size_t kKc = 256;
constexpr std::size_t kMc = 96;
constexpr std::size_t kNc = 512;

}  // namespace

TMatIsa MatKernelBestIsa() noexcept {
  static const TMatIsa best = DetectIsa();
  return best;
}

TMatIsa MatKernelIsa() noexcept {
  Kernels();
  return static_cast<TMatIsa>(gIsa.load(std::memory_order_relaxed));
}

TMatIsa SetMatKernelIsa(TMatIsa Isa) noexcept {
  const TMatIsa prev = MatKernelIsa();
  const int v = std::min(static_cast<int>(Isa), static_cast<int>(MatKernelBestIsa()));
  gIsa.store(v, std::memory_order_relaxed);
  return prev;
}

void GemmPadded(std::size_t M, std::size_t N, std::size_t K, TMatOperand L, TMatOperand R, double* C,
                std::size_t Ldc) {
  const std::size_t n8 = StripCeil(N);
  for (std::size_t n = 0; n < n8; ++n) std::fill_n(C + n * Ldc, StripCeil(M), 0.0);
  if (M == 0 || N == 0 || K == 0) return;
  const TKernelSet& ks = Kernels();
  std::vector<double> bp(kKc * std::min(n8, kNc)), ap(kKc * std::min(StripCeil(M), kMc));
  for (std::size_t jc = 0; jc < N; jc += kNc) {
    const std::size_t nc = std::min(kNc, N - jc);
    for (std::size_t pc = 0; pc < K; pc += kKc) {
      const std::size_t kc = std::min(kKc, K - pc);
      // R(k, n) = R.P[k·S1 + n·S2]: strips run over n.
      PackStrips(R.P, R.S2, R.S1, jc, nc, pc, kc, bp.data());
      for (std::size_t ic = 0; ic < M; ic += kMc) {
        const std::size_t mc = std::min(kMc, M - ic);
        PackStrips(L.P, L.S1, L.S2, ic, mc, pc, kc, ap.data());
        ks.MacroAdd(kc, StripCeil(mc) / kStrip, StripCeil(nc) / kStrip, ap.data(), kStrip * kc, kStrip, bp.data(),
                    kStrip * kc, C + jc * Ldc + ic, Ldc);
      }
    }
  }
}

void PackColumnStrips(const double* A, std::size_t Lda, std::size_t K, std::size_t NCol, std::size_t Col0,
                      std::size_t NStrips, double* Dst) {
  const std::size_t avail = Col0 < NCol ? std::min(NCol - Col0, NStrips * kStrip) : 0;
  PackStrips(A, Lda, 1, Col0, avail, 0, K, Dst);
  const std::size_t done = StripCeil(avail) / kStrip;
  std::fill(Dst + done * kStrip * K, Dst + NStrips * kStrip * K, 0.0);
}

void SquareBlock(const double* P, std::size_t K, std::size_t S0, std::size_t MStrips, std::size_t NStrips,
                 double* C, std::size_t Ldc) {
  for (std::size_t n = 0; n < NStrips * kStrip; ++n) std::fill_n(C + n * Ldc, MStrips * kStrip, 0.0);
  const TKernelSet& ks = Kernels();
  const std::size_t stride = kStrip * K;
  const double* base = P + S0 * stride;
  for (std::size_t pc = 0; pc < K; pc += kKc) {
    const std::size_t kc = std::min(kKc, K - pc);
    ks.MacroAdd(kc, MStrips, NStrips, base + pc * kStrip, stride, kStrip, base + pc * kStrip, stride, C, Ldc);
  }
}

void ColumnMultiplySubtract(std::size_t Kc, std::size_t MStrips, std::size_t NStrips, const double* A,
                            std::size_t Lda, const double* B, std::size_t BStripStride, double* C,
                            std::size_t Ldc) noexcept {
  Kernels().MacroSub(Kc, MStrips, NStrips, A, kStrip, Lda, B, BStripStride, C, Ldc);
}

void AxpySub(std::size_t N, double a, const double* X, double* Y) noexcept { Kernels().AxpySub(N, a, X, Y); }

void AxpyAdd(std::size_t N, double a, const double* X, double* Y) noexcept { Kernels().AxpyAdd(N, a, X, Y); }

void DivideBy(std::size_t N, double d, double* Y) noexcept { Kernels().DivideBy(N, d, Y); }

void RowSubtract(std::size_t K0, std::size_t K1, const double* T, const double* Y, double* S) noexcept {
  Kernels().RowSubtract(K0, K1, T, Y, S);
}

void RowDistances(bool Manhattan, const double* A, std::size_t Lda, std::size_t NCol, std::size_t I0,
                  std::size_t NI, std::size_t J0, std::size_t NJ, double* D, std::size_t Ldd) {
  Kernels().RowDistances[Manhattan ? 1 : 0](A, Lda, NCol, I0, NI, J0, NJ, D, Ldd);
}

}  // namespace zel::detail
