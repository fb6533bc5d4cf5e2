// Crout LU decomposition with implicit partial pivoting, determinant,
// inverse and Cholesky decomposition of TMatrix.
//
// Crout's method computes every element as A − Σ_k L·U with the terms
// subtracted one after another in increasing k. The code here works on
// panels of 16 columns, left-looking: the terms from the columns before a
// panel go in first, as register-tiled multiply-subtract kernels (rows above
// the panel in blocks of 24, each block first taking the terms of the rows
// above it, then its own small triangle; rows from the panel down in one
// sweep), then the panel's columns follow one after another. Every element
// still receives its terms one at a time in increasing k, and a row exchange
// moves a row's partial results together with its L entries, so the values
// are those of the column-by-column method.
#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

#include "zel_base.h"
#include "zel_matrix.h"
#include "zel_matrix_kernels.h"

namespace zel {

namespace {

// Pivots below this magnitude count as zero (an absolute threshold).
constexpr double kTinyPivot = 1E-100;

enum class TLUOutcome { Ok, ZeroRow, SmallPivot, Aborted };

// The progress step before a column: false when the abort flag is set.
bool ColumnStep() {
  if (AbortMathProc.load()) return false;
  MathProcStep();
  return true;
}

// Columns per panel and rows per block above it (multiples of a strip).
constexpr std::size_t kPanel = 16;
constexpr std::size_t kRowBlock = 24;

// The n × n matrix M (leading dimension Ld) in a zero-padded square buffer
// of StripCeil(n) rows and columns, as CroutLU wants it.
std::vector<double> PaddedCopy(const double* M, std::size_t Ld, std::size_t n) {
  const std::size_t ld = detail::StripCeil(n);
  std::vector<double> a;
  a.reserve(ld * ld);
  for (std::size_t c = 0; c < n; ++c) {
    a.insert(a.end(), M + c * Ld, M + c * Ld + n);
    a.resize(a.size() + (ld - n), 0.0);
  }
  a.resize(ld * ld, 0.0);
  return a;
}

// Crout LU of the n × n matrix in the padded buffer A (PaddedCopy, leading
// dimension Lda = StripCeil(n)), in place: the strict lower part receives L
// (unit diagonal implied), the rest U; the padding receives values nobody
// reads. Pivot[j] (when given) receives the row exchanged with row j;
// NumPerm changes sign with every exchange. With Progress, each column
// starts with the progress step (made for a whole panel before it) and an
// abort ends the decomposition.
TLUOutcome CroutLU(std::size_t n, double* A, std::size_t Lda, std::vector<std::size_t>* Pivot, int& NumPerm,
                   bool Progress) {
  using detail::kStrip;
  // Implicit pivoting compares candidates scaled by 1 / (largest |element|
  // of their row).
  std::vector<double> vv(n, 0.0);
  for (std::size_t c = 0; c < n; ++c) {
    const double* col = A + c * Lda;
    for (std::size_t i = 0; i < n; ++i) {
      const double t = std::fabs(col[i]);
      if (t > vv[i]) vv[i] = t;
    }
  }
  for (std::size_t i = 0; i < n; ++i) {
    if (vv[i] == 0) return TLUOutcome::ZeroRow;
    vv[i] = 1.0 / vv[i];
  }
  // U rows of the current panel, packed in strips (strip t at bp + t·8·Lda).
  std::vector<double> bp(kPanel * Lda);
  const std::size_t bpStride = kStrip * Lda;
  bool small = false;
  for (std::size_t j0 = 0; j0 < n; j0 += kPanel) {
    const std::size_t jn = std::min(kPanel, n - j0), ns = detail::StripCeil(jn) / kStrip, nw = ns * kStrip;
    if (Progress)
      for (std::size_t c = 0; c < jn; ++c)
        if (!ColumnStep()) return TLUOutcome::Aborted;
    double* panel = A + j0 * Lda;
    // Rows above the panel: their U entries, a block of rows at a time.
    for (std::size_t i0 = 0; i0 < j0; i0 += kRowBlock) {
      const std::size_t i1 = std::min(i0 + kRowBlock, j0);
      if (i0 > 0)
        detail::ColumnMultiplySubtract(i0, (i1 - i0) / kStrip, ns, A + i0, Lda, bp.data(), bpStride, panel + i0, Lda);
      for (std::size_t k = i0; k + 1 < i1; ++k)
        for (std::size_t j = 0; j < nw; ++j)
          detail::AxpySub(i1 - k - 1, panel[j * Lda + k], A + k * Lda + k + 1, panel + j * Lda + k + 1);
      for (std::size_t t = 0; t < ns; ++t)
        for (std::size_t k = i0; k < i1; ++k)
          for (std::size_t l = 0; l < kStrip; ++l) bp[t * bpStride + k * kStrip + l] = panel[(t * kStrip + l) * Lda + k];
    }
    // Rows from the panel down: every term of the columns before it.
    if (j0 > 0)
      detail::ColumnMultiplySubtract(j0, (Lda - j0) / kStrip, ns, A + j0, Lda, bp.data(), bpStride, panel + j0, Lda);
    for (std::size_t j = j0; j < j0 + jn; ++j) {
      double* col = A + j * Lda;
      for (std::size_t k = j0; k < j; ++k) detail::AxpySub(n - k - 1, col[k], A + k * Lda + k + 1, col + k + 1);
      // The pivot starts at j so that NaN candidates (which compare false)
      // leave a valid row; ≥ lets the last of equal candidates win.
      double big = 0;
      std::size_t imax = j;
      for (std::size_t i = j; i < n; ++i) {
        const double dum = vv[i] * std::fabs(col[i]);
        if (dum >= big) {
          big = dum;
          imax = i;
        }
      }
      if (imax != j) {
        for (std::size_t c = 0; c < n; ++c) std::swap(A[c * Lda + j], A[c * Lda + imax]);
        std::swap(vv[j], vv[imax]);
        NumPerm = -NumPerm;
      }
      if (Pivot) (*Pivot)[j] = imax;
      if (std::fabs(col[j]) < kTinyPivot) {
        small = true;
        col[j] = kTinyPivot;
      }
      if (j + 1 < n) detail::DivideBy(n - j - 1, col[j], col + j + 1);
    }
  }
  return small ? TLUOutcome::SmallPivot : TLUOutcome::Ok;
}

bool AllFinite(const double* P, std::size_t N) noexcept {
  for (std::size_t i = 0; i < N; ++i)
    if (!std::isfinite(P[i])) return false;
  return true;
}

// Inverse from the LU factors of CroutLU (padded buffer LU, leading
// dimension Lda; transposed in place here) into Inv (n × n, leading
// dimension n). Each column j solves L·U·x = P·eⱼ: forward substitution that
// starts at the first non-zero entry of P·eⱼ, then back substitution that
// divides by the diagonal. The right-hand sides are solved kRhsBlock at a
// time, vectorised across them, in the order of the position p of their 1
// in P·e (column p of L⁻¹). Before a block, one progress step per column.
//
// Starting a block's sums at its smallest p adds, for a column whose own
// start lies further down, terms L(i, k)·0 = ±0 before its start; the sums
// they join are +0 there (a sum that starts at +0 and only subtracts
// cannot become −0), so they change nothing while L is finite, which the
// caller checks.
bool SolveInverse(std::size_t n, double* LU, std::size_t Lda, const std::vector<std::size_t>& Pivot, double* Inv) {
  constexpr std::size_t B = detail::kRhsBlock;
  // pos[p] = the column j whose P·eⱼ has its 1 at p.
  std::vector<std::size_t> pos(n);
  for (std::size_t i = 0; i < n; ++i) pos[i] = i;
  for (std::size_t j = 0; j < n; ++j) std::swap(pos[j], pos[Pivot[j]]);
  // Rows of L and U contiguous: afterwards row i starts at T + i·Lda.
  double* t = LU;
  for (std::size_t c = 0; c < n; ++c)
    for (std::size_t r = c + 1; r < n; ++r) std::swap(t[c * Lda + r], t[r * Lda + c]);
  std::vector<double> y(n * B);
  for (std::size_t p0 = 0; p0 < n; p0 += B) {
    const std::size_t nb = std::min(B, n - p0);
    for (std::size_t q = 0; q < nb; ++q)
      if (!ColumnStep()) return false;
    std::fill(y.begin(), y.end(), 0.0);
    for (std::size_t q = 0; q < nb; ++q) y[(p0 + q) * B + q] = 1;
    // Forward: y(i) := y(i) − Σ_{k < i} L(i, k)·y(k), terms in increasing k.
    for (std::size_t i = p0 + 1; i < n; ++i) detail::RowSubtract(p0, i, t + i * Lda, y.data(), y.data() + i * B);
    // Back: x(i) := (y(i) − Σ_{k > i} U(i, k)·x(k)) / U(i, i), in place.
    for (std::size_t i = n; i-- > 0;) {
      double* row = y.data() + i * B;
      detail::RowSubtract(i + 1, n, t + i * Lda, y.data(), row);
      detail::DivideBy(B, t[i * Lda + i], row);
    }
    for (std::size_t q = 0; q < nb; ++q) {
      double* dst = Inv + pos[p0 + q] * n;
      for (std::size_t i = 0; i < n; ++i) dst[i] = y[i * B + q];
    }
  }
  return true;
}

}  // namespace

bool TMatrix::LUdecomposition(TMatrix* MatL, TMatrix* MatU, int& NumPerm) const {
  NumPerm = 1;
  if (FNCol != FNRow || MatL == nullptr || MatU == nullptr) return false;
  if (MatL == MatU || MatL == this || MatU == this) return false;
  const std::size_t n = static_cast<std::size_t>(FNRow);
  MatL->ResizeAndClear(FNRow, FNRow);
  MatU->Clone(this);
  TLUOutcome res = TLUOutcome::Ok;
  std::vector<double> a;
  try {
    a = PaddedCopy(MatU->FMat.data(), MatU->FLd, n);
    res = CroutLU(n, a.data(), detail::StripCeil(n), nullptr, NumPerm, false);
  } catch (const std::bad_alloc&) {
    Fail("not enough memory on heap");
  }
  if (res == TLUOutcome::ZeroRow) return false;  // the elimination did not start
  const std::size_t ld = detail::StripCeil(n);
  for (std::size_t c = 0; c < n; ++c) {
    double* u = MatU->FMat.data() + c * MatU->FLd;
    double* l = MatL->FMat.data() + c * MatL->FLd;
    const double* f = a.data() + c * ld;
    std::copy_n(f, n, u);
    if (res != TLUOutcome::Ok) continue;
    l[c] = 1;
    for (std::size_t r = c + 1; r < n; ++r) {
      l[r] = f[r];
      u[r] = 0;
    }
  }
  MatU->Changed();
  if (res != TLUOutcome::Ok) return false;
  MatL->Changed();
  return true;
}

double TMatrix::Determinant() const {
  if (FNCol != FNRow) return 0;
  const std::size_t n = static_cast<std::size_t>(FNRow), ld = detail::StripCeil(n);
  int numPerm = 1;
  std::vector<double> lu;
  TLUOutcome res = TLUOutcome::Ok;
  try {
    lu = PaddedCopy(FMat.data(), FLd, n);
    res = CroutLU(n, lu.data(), ld, nullptr, numPerm, false);
  } catch (const std::bad_alloc&) {
    Fail("not enough memory on heap");
  }
  if (res != TLUOutcome::Ok) return 0;
  double p = 1;
  for (std::size_t j = 0; j < n; ++j) p *= lu[j * ld + j];
  return numPerm * p;
}

bool TMatrix::Invert() {
  if (FNCol != FNRow || FNRow == 0) return false;
  const std::size_t n = static_cast<std::size_t>(FNRow), ld = detail::StripCeil(n);
  // Elements that are not finite have no inverse to speak of; they would
  // only come back as NaN.
  if (!AllFinite(FMat.data(), n * n)) return false;
  try {
    // The factors are made in a copy: a singular matrix, or an abort, leaves
    // the caller's matrix as it was.
    std::vector<double> lu = PaddedCopy(FMat.data(), FLd, n);
    std::vector<std::size_t> pivot(n);
    int numPerm = 1;
    if (CroutLU(n, lu.data(), ld, &pivot, numPerm, true) != TLUOutcome::Ok) return false;
    // A factor L that overflowed would give a non-finite inverse anyway.
    for (std::size_t c = 0; c < n; ++c)
      if (!AllFinite(lu.data() + c * ld + c + 1, n - c - 1)) return false;
    TRealStorage inv(n * n);
    if (!SolveInverse(n, lu.data(), ld, pivot, inv.data())) return false;
    if (!AllFinite(inv.data(), n * n)) return false;
    // The storage is exactly n × n, so the result can take its place.
    FMat.swap(inv);
  } catch (const std::bad_alloc&) {
    Fail("not enough memory on heap");
  }
  Changed();
  return true;
}
bool TMatrix::CholeskyDecomp(TMatrix* MatL) {
  if (FNCol != FNRow || MatL == nullptr || MatL == this) return false;
  const std::size_t n = static_cast<std::size_t>(FNRow);
  std::vector<double> diag;
  try {
    diag.resize(n);
  } catch (const std::bad_alloc&) {
    Fail("not enough memory on heap");
  }
  // L(k, r) for r > k lives transposed in A's strict upper part, at A(r, k):
  // column r of the storage holds row r of L, so every sum below is a dot
  // product of two storage columns.
  for (std::size_t i = 0; i < n; ++i) {
    const double* ci = FMat.data() + i * FLd;
    for (std::size_t j = i; j < n; ++j) {
      double* cj = FMat.data() + j * FLd;
      double s = ci[j];
      for (std::size_t k = 0; k < i; ++k) s = s - ci[k] * cj[k];
      if (j == i) {
        if (!(s > 0)) return false;
        diag[i] = std::sqrt(s);
      } else {
        cj[i] = s / diag[i];
      }
    }
  }
  MatL->Resize(FNRow, FNRow);
  for (std::size_t c = 0; c < n; ++c) {
    double* l = MatL->FMat.data() + c * MatL->FLd;
    // The upper triangle is cleared so that a reused MatL is triangular.
    std::fill_n(l, c, 0.0);
    l[c] = diag[c];
    for (std::size_t r = c + 1; r < n; ++r) l[r] = FMat[r * FLd + c];
  }
  MatL->Changed();
  return true;
}

}  // namespace zel
