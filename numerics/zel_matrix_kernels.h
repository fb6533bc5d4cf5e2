// Vector kernels of the matrix linear algebra (internal to the matrix unit).
//
// Every kernel vectorises across independent results only: each result is
// still the sum of its specified terms in the specified order, one multiply
// and then one add (or subtract) per term, starting from the specified start
// value. A lane of an AVX-512, AVX2 or SSE2 register therefore computes
// exactly what the scalar loop computes, and all three instruction sets give
// bit-identical results; the set is chosen at run time.
//
// Packed operands are "strips": 8 rows (or columns) of an operand stored
// k-major, strip[8·k + l] = element l at depth k, zero-padded at the edge.
#pragma once

#include <cstddef>
#include <vector>

namespace zel::detail {

/// Instruction sets of the kernels, from the x86-64 baseline up.
enum class TMatIsa { Sse2, Avx2, Avx512 };

/// The best instruction set this processor offers.
TMatIsa MatKernelBestIsa() noexcept;
/// The instruction set the kernels currently use.
TMatIsa MatKernelIsa() noexcept;
/// For tests and benchmarks: use Isa (at most the best available one) from
/// now on; returns the previous setting.
TMatIsa SetMatKernelIsa(TMatIsa Isa) noexcept;

/// Width of a strip.
inline constexpr std::size_t kStrip = 8;
/// n rounded up to whole strips.
inline constexpr std::size_t StripCeil(std::size_t n) noexcept { return (n + kStrip - 1) / kStrip * kStrip; }

/// A matrix operand of a product as (pointer, stride of its first index,
/// stride of its second index): element (i, k) is P[i·S1 + k·S2].
struct TMatOperand {
  const double* P;
  std::size_t S1;
  std::size_t S2;
  double At(std::size_t i, std::size_t k) const noexcept { return P[i * S1 + k * S2]; }
};

/// C(m, n) := Σ_{k = 0..K−1} L(m, k)·R(k, n) for m < M, n < N, each sum from 0
/// in increasing k. C is column-major with leading dimension Ldc ≥
/// StripCeil(M) and StripCeil(N) columns of storage (the padding receives
/// values that callers ignore).
void GemmPadded(std::size_t M, std::size_t N, std::size_t K, TMatOperand L, TMatOperand R, double* C,
                std::size_t Ldc);

/// Packs columns Col0..Col0+8·NStrips−1 of the column-major matrix A (K rows,
/// NCol columns, leading dimension Lda) into strips of full depth K: strip s
/// starts at Dst + s·8·K. Columns beyond NCol are zero.
void PackColumnStrips(const double* A, std::size_t Lda, std::size_t K, std::size_t NCol, std::size_t Col0,
                      std::size_t NStrips, double* Dst);

/// One block of the cross-product matrix from full-depth strips P (strip s
/// at P + s·8·K): C(m, n) := Σ_k P(S0·8 + m, k)·P(S0·8 + n, k) for the
/// MStrips·8 rows from strip S0 on and the NStrips·8 columns from strip S0 on.
/// C is column-major with leading dimension Ldc ≥ 8·MStrips.
void SquareBlock(const double* P, std::size_t K, std::size_t S0, std::size_t MStrips, std::size_t NStrips,
                 double* C, std::size_t Ldc);

/// C(m, n) := C(m, n) − A(m, k)·B(k, n) for k = 0..Kc−1, one term after
/// another, for the MStrips·8 rows m and NStrips·8 columns n. A is
/// column-major (element (m, k) at A[m + k·Lda]); B is packed in strips of
/// depth at least Kc (strip t at B + t·BStripStride); C is column-major (Ldc).
void ColumnMultiplySubtract(std::size_t Kc, std::size_t MStrips, std::size_t NStrips, const double* A,
                            std::size_t Lda, const double* B, std::size_t BStripStride, double* C,
                            std::size_t Ldc) noexcept;

/// Y[i] := Y[i] − X[i]·a for i < N.
void AxpySub(std::size_t N, double a, const double* X, double* Y) noexcept;
/// Y[i] := Y[i] + X[i]·a for i < N.
void AxpyAdd(std::size_t N, double a, const double* X, double* Y) noexcept;
/// Y[i] := Y[i] / d for i < N.
void DivideBy(std::size_t N, double d, double* Y) noexcept;

/// Width of the right-hand-side blocks of RowSubtract.
inline constexpr std::size_t kRhsBlock = 64;
/// S[q] := S[q] − Σ_{k = K0..K1−1} T[k]·Y[k·kRhsBlock + q] for q < kRhsBlock,
/// the terms subtracted one after another in increasing k.
void RowSubtract(std::size_t K0, std::size_t K1, const double* T, const double* Y, double* S) noexcept;

/// Distances of the rows of a column-major matrix (NRow rows, NCol columns,
/// leading dimension Lda) between rows I0..I0+NI−1 and rows J0..J0+NJ−1:
/// D[(i − I0)·Ldd + (j − J0)] := Σ_c |A(c, i) − A(c, j)| (Manhattan) or
/// Σ_c (A(c, i) − A(c, j))² (squared), summed in increasing c from 0. All
/// rows must be valid.
void RowDistances(bool Manhattan, const double* A, std::size_t Lda, std::size_t NCol, std::size_t I0,
                  std::size_t NI, std::size_t J0, std::size_t NJ, double* D, std::size_t Ldd);

}  // namespace zel::detail
