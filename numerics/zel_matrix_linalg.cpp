// Arithmetic, products, transposition, differencing, correlation, balancing,
// norms and row distances of TMatrix.
//
// Every product element is the sum of its terms in increasing k, starting
// from 0, one multiply and one add per term (see zel_matrix_kernels.h): the
// blocked, vectorised kernels give the values of the plain triple loop.
#include <algorithm>
#include <cmath>
#include <limits>
#include <new>
#include <span>

#include "zel_matrix.h"
#include "zel_matrix_kernels.h"
#include "zel_rangestats.h"
#include "zel_svd.h"

namespace zel {

namespace {

using detail::GemmPadded;
using detail::StripCeil;
using detail::TMatOperand;

// Number of elements; they are the first ones of the storage because the
// leading dimension equals the row count whenever there are rows.
std::size_t ElemCount(const TMatrix& M) noexcept {
  return static_cast<std::size_t>(M.NrOfColumns()) * static_cast<std::size_t>(M.NrOfRows());
}

// A product computed into a padded, column-major buffer (NRow used rows of
// Ldc). The result matrix is resized and written element by element through
// SetVal when it has an OnChange handler; without one, straight into storage,
// which has the same effect.
void StoreProduct(TMatrix& Res, int NCol, int NRow, const double* C, std::size_t Ldc) {
  Res.Resize(NCol, NRow);
  if (Res.OnChange) {
    for (int c = 1; c <= NCol; ++c)
      for (int r = 1; r <= NRow; ++r)
        Res.SetVal(c, r, C[static_cast<std::size_t>(c - 1) * Ldc + static_cast<std::size_t>(r - 1)]);
    return;
  }
  for (int c = 1; c <= NCol; ++c)
    std::copy_n(C + static_cast<std::size_t>(c - 1) * Ldc, NRow, Res.ColumnData(c));
}

// Res := L·R with the result NCol × NRow and depth K (dimensions checked
// by the caller). Owner names the component in an allocation failure.
void ComputeProduct(const TMatrix& Owner, TMatrix& Res, int NCol, int NRow, std::size_t K, TMatOperand L,
                    TMatOperand R) {
  const std::size_t m = static_cast<std::size_t>(NRow), n = static_cast<std::size_t>(NCol);
  std::vector<double> c;
  try {
    c.resize(StripCeil(m) * StripCeil(n));
    GemmPadded(m, n, K, L, R, c.data(), StripCeil(m));
  } catch (const std::bad_alloc&) {
    throw EZELMatrixError(ComponentMessage(Owner.Name(), "not enough memory on heap"));
  }
  StoreProduct(Res, NCol, NRow, c.data(), StripCeil(m));
}

// N zeros; an allocation failure is the component's "not enough memory".
std::vector<double> Zeros(const TMatrix& Owner, std::size_t N) {
  try {
    return std::vector<double>(N, 0.0);
  } catch (const std::bad_alloc&) {
    throw EZELMatrixError(ComponentMessage(Owner.Name(), "not enough memory on heap"));
  }
}

// Result components must be there and be neither operand.
bool DistinctResult(const TMatrix* A, const TMatrix* B, const TMatrix* Res) noexcept {
  return B != nullptr && Res != nullptr && Res != A && Res != B;
}

// Largest value, except that a NaN wins: a norm must not hide one.
double MaxKeepNaN(double Best, double X) noexcept { return (std::isnan(X) || X > Best) ? X : Best; }

// Largest singular value of the column-major matrix M (NRow rows, leading
// dimension NRow): at least 0, 0 without elements. NaN or infinite elements
// give NaN or infinity rather than a decomposition that cannot converge.
double SpectralNorm(const TMatrix& Owner, const double* M, int NCol, int NRow) {
  const std::size_t n = static_cast<std::size_t>(NCol) * static_cast<std::size_t>(NRow);
  if (n == 0) return 0;
  bool inf = false;
  for (std::size_t i = 0; i < n; ++i) {
    if (std::isnan(M[i])) return std::numeric_limits<double>::quiet_NaN();
    inf = inf || std::isinf(M[i]);
  }
  if (inf) return std::numeric_limits<double>::infinity();
  std::vector<double> a, w;
  bool ok = false;
  try {
    a.assign(M, M + n);
    w.resize(static_cast<std::size_t>(NCol));
    ok = SingValDecompRaw(NRow, NCol, a.data(), static_cast<std::size_t>(NRow), w.data(), nullptr, 0, false);
  } catch (const std::bad_alloc&) {
    throw EZELMatrixError(ComponentMessage(Owner.Name(), "not enough memory on heap"));
  }
  // Non-convergence and an abort alike.
  if (!ok) throw EZELMatrixError("near singular covariance matrix");
  return std::max(0.0, *std::max_element(w.begin(), w.end()));
}

// Result vector of a matrix-vector product, through SetVal.
void StoreVector(TVector& Res, const std::vector<double>& Y) {
  Res.Resize(static_cast<int>(Y.size()));
  for (std::size_t i = 0; i < Y.size(); ++i) Res.SetVal(static_cast<int>(i + 1), Y[i]);
}

// Similarities from the sums of one pair of rows. Two rows that are both
// all zero (Σx² + Σy² = 0) are identical, so their similarity is 1.
double TanimotoOf(double Sxy, double Sxx, double Syy) noexcept {
  const double den = Sxx + Syy - Sxy;
  return den == 0 ? 1.0 : Sxy / den;
}
double DiceOf(double Sxy, double Sxx, double Syy) noexcept {
  const double den = Sxx + Syy;
  return den == 0 ? 1.0 : 2 * Sxy / den;
}

// Most sweeps Balance makes: each sweep moves the factors towards 1
// geometrically, so a matrix that has not settled by then is one whose
// balance exists only in the limit (a reducible one).
constexpr int kMaxBalanceSweeps = 100;
// A sweep whose factors all lie within [1/1.05, 1.05] ends the balancing.
constexpr double kBalanceTolerance = 1.05;

}  // namespace

// ---- element-wise -----------------------------------------------------------------------

void TMatrix::SMult(double Scalar) {
  const std::size_t n = ElemCount(*this);
  for (std::size_t i = 0; i < n; ++i) FMat[i] *= Scalar;
  Changed();
}

void TMatrix::SAdd(double Scalar) {
  const std::size_t n = ElemCount(*this);
  for (std::size_t i = 0; i < n; ++i) FMat[i] += Scalar;
  Changed();
}

bool TMatrix::Add(const TMatrix* MatB) {
  if (MatB == nullptr || MatB->FNCol != FNCol || MatB->FNRow != FNRow) return false;
  const std::size_t n = ElemCount(*this);
  for (std::size_t i = 0; i < n; ++i) FMat[i] += MatB->FMat[i];
  Changed();
  return true;
}

bool TMatrix::Subtract(const TMatrix* MatB) {
  if (MatB == nullptr || MatB->FNCol != FNCol || MatB->FNRow != FNRow) return false;
  const std::size_t n = ElemCount(*this);
  for (std::size_t i = 0; i < n; ++i) FMat[i] -= MatB->FMat[i];
  Changed();
  return true;
}

bool TMatrix::EMult(const TMatrix* MatB, TMatrix* MatRes) {
  if (!DistinctResult(this, MatB, MatRes) || MatB->FNCol != FNCol || MatB->FNRow != FNRow) return false;
  const std::size_t n = ElemCount(*this);
  std::vector<double> c = Zeros(*this, n);
  for (std::size_t i = 0; i < n; ++i) c[i] = FMat[i] * MatB->FMat[i];
  StoreProduct(*MatRes, FNCol, FNRow, c.data(), static_cast<std::size_t>(FNRow));
  Changed();
  return true;
}

// ---- products ----------------------------------------------------------------------------

bool TMatrix::Multiply(const TMatrix* MatB, TMatrix* MatRes) {
  if (!DistinctResult(this, MatB, MatRes) || FNCol != MatB->FNRow) return false;
  // L(r, k) = A(k, r); R(k, c) = B(c, k).
  ComputeProduct(*this, *MatRes, MatB->FNCol, FNRow, static_cast<std::size_t>(FNCol),
                 TMatOperand{FMat.data(), 1, FLd}, TMatOperand{MatB->FMat.data(), 1, MatB->FLd});
  Changed();
  return true;
}

bool TMatrix::MultiplyTransposed(const TMatrix* MatB, TMatrix* MatRes) {
  if (!DistinctResult(this, MatB, MatRes) || FNCol != MatB->FNCol) return false;
  // L(r, k) = A(k, r); R(k, c) = B(k, c).
  ComputeProduct(*this, *MatRes, MatB->FNRow, FNRow, static_cast<std::size_t>(FNCol),
                 TMatOperand{FMat.data(), 1, FLd}, TMatOperand{MatB->FMat.data(), MatB->FLd, 1});
  Changed();
  return true;
}

bool TMatrix::TransposeAndMultiply(const TMatrix* MatB, TMatrix* MatRes) {
  if (!DistinctResult(this, MatB, MatRes) || FNRow != MatB->FNRow) return false;
  // L(r, k) = A(r, k); R(k, c) = B(c, k).
  ComputeProduct(*this, *MatRes, MatB->FNCol, FNCol, static_cast<std::size_t>(FNRow),
                 TMatOperand{FMat.data(), FLd, 1}, TMatOperand{MatB->FMat.data(), 1, MatB->FLd});
  Changed();
  return true;
}

bool TMatrix::Multiply(const TVector* VecB, TVector* VecRes) {
  // A vector cannot have 0 elements, so a matrix without rows has no result.
  if (VecB == nullptr || VecRes == nullptr || VecB == VecRes) return false;
  if (FNCol != VecB->NrOfElem() || FNRow == 0) return false;
  std::vector<double> y = Zeros(*this, static_cast<std::size_t>(FNRow));
  const auto b = VecB->Data();
  // Blocks of rows keep the partial sums in cache; each y[r] still receives
  // its terms in increasing k.
  constexpr std::size_t kRows = 2048;
  for (std::size_t r0 = 0; r0 < y.size(); r0 += kRows) {
    const std::size_t nr = std::min(kRows, y.size() - r0);
    for (int k = 1; k <= FNCol; ++k)
      detail::AxpyAdd(nr, b[static_cast<std::size_t>(k - 1)], ColumnData(k) + r0, y.data() + r0);
  }
  StoreVector(*VecRes, y);
  Changed();
  return true;
}

bool TMatrix::TransposeAndMultiply(const TVector* VecB, TVector* VecRes) {
  if (VecB == nullptr || VecRes == nullptr || VecB == VecRes) return false;
  if (FNRow != VecB->NrOfElem() || FNCol == 0) return false;
  std::vector<double> y = Zeros(*this, static_cast<std::size_t>(FNCol));
  const double* b = VecB->Data().data();
  const std::size_t nr = static_cast<std::size_t>(FNRow);
  // Four columns at a time: four independent sums share each b[k].
  int c = 1;
  for (; c + 3 <= FNCol; c += 4) {
    const double *a0 = ColumnData(c), *a1 = ColumnData(c + 1), *a2 = ColumnData(c + 2), *a3 = ColumnData(c + 3);
    double s0 = 0, s1 = 0, s2 = 0, s3 = 0;
    for (std::size_t k = 0; k < nr; ++k) {
      s0 = s0 + a0[k] * b[k];
      s1 = s1 + a1[k] * b[k];
      s2 = s2 + a2[k] * b[k];
      s3 = s3 + a3[k] * b[k];
    }
    y[static_cast<std::size_t>(c - 1)] = s0;
    y[static_cast<std::size_t>(c)] = s1;
    y[static_cast<std::size_t>(c + 1)] = s2;
    y[static_cast<std::size_t>(c + 2)] = s3;
  }
  for (; c <= FNCol; ++c) {
    const double* a = ColumnData(c);
    double s = 0;
    for (std::size_t k = 0; k < nr; ++k) s = s + a[k] * b[k];
    y[static_cast<std::size_t>(c - 1)] = s;
  }
  StoreVector(*VecRes, y);
  Changed();
  return true;
}

bool TMatrix::CalcHatMatrix(TMatrix* HatMat) const {
  if (HatMat == nullptr || HatMat == this) return false;
  const std::size_t n = static_cast<std::size_t>(FNRow), p = static_cast<std::size_t>(FNCol);
  const std::size_t n8 = StripCeil(n), p8 = StripCeil(p);
  std::vector<double> t, h;
  TMatrix inv;
  try {
    // M = XᵀX as the product B·X with B = Xᵀ: M(c, r) = Σ_k X(r, k)·X(c, k).
    std::vector<double> m(p8 * p8);
    GemmPadded(p, p, n, TMatOperand{FMat.data(), FLd, 1}, TMatOperand{FMat.data(), 1, FLd}, m.data(), p8);
    inv.Resize(FNCol, FNCol);
    for (std::size_t c = 0; c < p; ++c) std::copy_n(m.data() + c * p8, p, inv.ColumnData(static_cast<int>(c + 1)));
    if (!inv.Invert()) return false;
    // T = X·M⁻¹, then H = T·B = T·Xᵀ.
    t.resize(n8 * p8);
    GemmPadded(n, p, p, TMatOperand{FMat.data(), 1, FLd}, TMatOperand{inv.FMat.data(), 1, inv.FLd}, t.data(), n8);
    h.resize(n8 * n8);
    GemmPadded(n, n, p, TMatOperand{t.data(), 1, n8}, TMatOperand{FMat.data(), FLd, 1}, h.data(), n8);
  } catch (const std::bad_alloc&) {
    Fail("not enough memory on heap");
  }
  StoreProduct(*HatMat, FNRow, FNRow, h.data(), n8);
  return true;
}

// ---- shape ---------------------------------------------------------------------------------

bool TMatrix::Transpose() {
  const std::size_t nc = static_cast<std::size_t>(FNCol), nr = static_cast<std::size_t>(FNRow);
  const std::size_t ld = std::max<std::size_t>(nc, 1);
  TRealStorage t;
  try {
    t.assign(std::max<std::size_t>(nr, 1) * ld, 0.0);
  } catch (const std::bad_alloc&) {
    Fail("not enough memory on heap");
  }
  // Tiles of 32 × 32 keep both the reads and the writes in cache.
  constexpr std::size_t kTile = 32;
  for (std::size_t c0 = 0; c0 < nc; c0 += kTile)
    for (std::size_t r0 = 0; r0 < nr; r0 += kTile)
      for (std::size_t c = c0; c < std::min(c0 + kTile, nc); ++c)
        for (std::size_t r = r0; r < std::min(r0 + kTile, nr); ++r) t[r * ld + c] = FMat[c * FLd + r];
  FMat.swap(t);
  FLd = ld;
  std::swap(FNCol, FNRow);
  Changed();
  return true;
}

void TMatrix::Diff(int Order) {
  if (Order < 1 || Order > 10 || Order >= FNRow) return;
  const std::size_t nr = static_cast<std::size_t>(FNRow);
  for (int pass = 0; pass < Order; ++pass)
    for (int c = 1; c <= FNCol; ++c) {
      double* col = ColumnData(c);
      for (std::size_t r = 0; r + 1 < nr; ++r) col[r] = col[r + 1] - col[r];
    }
  Resize(FNCol, FNRow - Order);
}

// ---- correlation and distances -------------------------------------------------------------

double TMatrix::Correlate(const TMatrix* OtherMat) const {
  if (OtherMat == nullptr || OtherMat->FNCol != FNCol || OtherMat->FNRow != FNRow) Fail("matrices do not match");
  const std::size_t n = ElemCount(*this);
  if (n <= 2) return 0;
  return RangePearson(std::span<const double>(FMat.data(), n), std::span<const double>(OtherMat->FMat.data(), n));
}

double TMatrix::DistanceOfObjects(TDistMode Mode, int obj1, int obj2) {
  if (Mode == dmUser) {
    double d = 0;
    if (OnCalcDistance) OnCalcDistance(this, obj1, obj2, d);
    return d;
  }
  double sxy = 0, sxx = 0, syy = 0, sabs = 0, ssq = 0;
  for (int c = 1; c <= FNCol; ++c) {
    const double x = GetVal(c, obj1), y = GetVal(c, obj2);
    sxy = sxy + x * y;
    sxx = sxx + x * x;
    syy = syy + y * y;
    sabs = sabs + std::fabs(x - y);
    ssq = ssq + (x - y) * (x - y);
  }
  switch (Mode) {
    case dmTanimoto:
      return TanimotoOf(sxy, sxx, syy);
    case dmManhattan:
      return sabs;
    case dmEuclid:
      return std::sqrt(ssq);
    case dmEuclidSqr:
      return ssq;
    case dmDice:
      return DiceOf(sxy, sxx, syy);
    default:
      return 0;
  }
}

int TMatrix::CalcDistMat(TDistMode Mode, TMatrix* DMat) {
  const int n = FNRow;
  if (DMat == nullptr || DMat->FNCol != n) return -2;
  if (DMat->FNRow != DMat->FNCol) return -1;
  const std::size_t nn = static_cast<std::size_t>(n);
  double* d = DMat->FMat.data();
  const std::size_t ldd = DMat->FLd;
  auto put = [&](std::size_t i, std::size_t j, double v) {
    d[i * ldd + j] = v;
    d[j * ldd + i] = v;
  };
  if (Mode == dmUser) {
    // The handler may look at the matrix, so the pairs go one by one.
    for (std::size_t i = 0; i < nn; ++i) d[i * ldd + i] = 0;
    for (int i = 1; i <= n; ++i)
      for (int j = i + 1; j <= n; ++j)
        put(static_cast<std::size_t>(i - 1), static_cast<std::size_t>(j - 1), DistanceOfObjects(Mode, i, j));
    DMat->Changed();
    return 0;
  }
  try {
    // DMat may be this matrix itself; the distances then come from a copy.
    TRealStorage snapshot;
    const double* a = FMat.data();
    if (DMat == this) {
      snapshot = FMat;
      a = snapshot.data();
    }
    const std::size_t nc = static_cast<std::size_t>(FNCol);
    if (Mode == dmTanimoto || Mode == dmDice) {
      // Σxy of all pairs is the product A·Aᵀ of the rows; its diagonal is Σx².
      const std::size_t n8 = StripCeil(nn);
      std::vector<double> g(n8 * n8);
      GemmPadded(nn, nn, nc, TMatOperand{a, 1, FLd}, TMatOperand{a, FLd, 1}, g.data(), n8);
      for (std::size_t i = 0; i < nn; ++i) {
        d[i * ldd + i] = 0;
        for (std::size_t j = i + 1; j < nn; ++j) {
          const double sxy = g[j * n8 + i], sxx = g[i * n8 + i], syy = g[j * n8 + j];
          put(i, j, Mode == dmTanimoto ? TanimotoOf(sxy, sxx, syy) : DiceOf(sxy, sxx, syy));
        }
      }
    } else if (Mode == dmManhattan || Mode == dmEuclid || Mode == dmEuclidSqr) {
      constexpr std::size_t kBi = 32, kBj = 256;
      std::vector<double> blk(kBi * kBj);
      for (std::size_t i0 = 0; i0 < nn; i0 += kBi) {
        const std::size_t ni = std::min(kBi, nn - i0);
        for (std::size_t j0 = i0; j0 < nn; j0 += kBj) {
          const std::size_t nj = std::min(kBj, nn - j0);
          detail::RowDistances(Mode == dmManhattan, a, FLd, nc, i0, ni, j0, nj, blk.data(), kBj);
          for (std::size_t i = i0; i < i0 + ni; ++i)
            for (std::size_t j = std::max(j0, i + 1); j < j0 + nj; ++j) {
              const double s = blk[(i - i0) * kBj + (j - j0)];
              put(i, j, Mode == dmEuclid ? std::sqrt(s) : s);
            }
        }
        for (std::size_t i = i0; i < i0 + ni; ++i) d[i * ldd + i] = 0;
      }
    } else {
      for (std::size_t i = 0; i < nn; ++i) std::fill_n(d + i * ldd, nn, 0.0);
    }
  } catch (const std::bad_alloc&) {
    Fail("not enough memory on heap");
  }
  DMat->Changed();
  return 0;
}

// ---- balancing -------------------------------------------------------------------------------

bool TMatrix::Balance() {
  if (FNCol != FNRow) return false;
  const std::size_t n = static_cast<std::size_t>(FNRow);
  for (int sweep = 0; sweep < kMaxBalanceSweeps; ++sweep) {
    bool again = false;
    for (std::size_t i = 0; i < n; ++i) {
      double r = 0, c = 0;
      for (std::size_t j = 0; j < n; ++j)
        if (j != i) {
          r += std::fabs(FMat[j * FLd + i]);
          c += std::fabs(FMat[i * FLd + j]);
        }
      // An index whose row or column is empty (or not finite) has no
      // balancing factor: r/c would be 0 or infinite.
      if (!(r > 0 && c > 0 && std::isfinite(r) && std::isfinite(c))) continue;
      const double f = std::sqrt(r / c);
      if (!(f > 0 && std::isfinite(f))) continue;
      for (std::size_t j = 0; j < n; ++j)
        if (j != i) {
          FMat[j * FLd + i] /= f;
          FMat[i * FLd + j] *= f;
        }
      if (f >= kBalanceTolerance || f * kBalanceTolerance <= 1) again = true;
    }
    if (!again) break;
  }
  return true;
}


// ---- norms ---------------------------------------------------------------------------------

double TMatrix::Norm(TNormType nt) const {
  const std::size_t nc = static_cast<std::size_t>(FNCol), nr = static_cast<std::size_t>(FNRow);
  switch (nt) {
    case ntColwise: {
      double best = 0;
      for (std::size_t c = 0; c < nc; ++c) {
        double s = 0;
        for (std::size_t r = 0; r < nr; ++r) s += std::fabs(FMat[c * FLd + r]);
        best = MaxKeepNaN(best, s);
      }
      return best;
    }
    case ntRowwise: {
      // All row sums at once, column by column: each still adds its
      // elements in increasing column order.
      std::vector<double> sums(nr, 0.0);
      for (std::size_t c = 0; c < nc; ++c)
        for (std::size_t r = 0; r < nr; ++r) sums[r] += std::fabs(FMat[c * FLd + r]);
      double best = 0;
      for (double s : sums) best = MaxKeepNaN(best, s);
      return best;
    }
    case ntFrobenius: {
      double s = 0;
      for (std::size_t i = 0; i < nc * nr; ++i) s += FMat[i] * FMat[i];
      return std::sqrt(s);
    }
    case ntSpectral:
      return SpectralNorm(*this, FMat.data(), FNCol, FNRow);
  }
  return 0;
}

}  // namespace zel
