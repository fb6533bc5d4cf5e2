// Singular value decomposition on TMatrix, least squares through it and
// the pseudo-inverse.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <new>
#include <string>
#include <vector>

#include "zel_math2.h"
#include "zel_svd.h"

namespace zel {

namespace {

// Back-substitution of a decomposition (U m × n, V n × n, W n) for the
// right-hand side B (m) into X (n) and, when given, StdErr (n).
void SolveFromSVD(int m, int n, const double* U, std::size_t Ldu, const double* V, std::size_t Ldv,
                  const double* W, const double* B, double* X, double* StdErr) {
  const std::size_t un = static_cast<std::size_t>(n);
  std::vector<double> t(un);
  for (std::size_t j = 0; j < un; ++j) {
    if (W[j] == 0) {
      t[j] = 0;
      continue;
    }
    const double* uj = U + j * Ldu;
    double s = 0;
    for (int i = 0; i < m; ++i) s += uj[i] * B[i];
    t[j] = s / W[j];
  }
  // X_i = Σ_j V_ij·t_j, each sum in increasing j (column after column of V).
  std::fill(X, X + un, 0.0);
  for (std::size_t j = 0; j < un; ++j) {
    const double* vj = V + j * Ldv;
    const double tj = t[j];
    for (std::size_t i = 0; i < un; ++i) X[i] += vj[i] * tj;
  }
  if (StdErr == nullptr) return;
  std::fill(StdErr, StdErr + un, 0.0);
  for (std::size_t j = 0; j < un; ++j) {
    if (W[j] == 0) continue;
    const double* vj = V + j * Ldv;
    for (std::size_t i = 0; i < un; ++i) {
      // (V/W)² rather than V²/W²: W² underflows long before V/W overflows.
      const double q = vj[i] / W[j];
      StdErr[i] += q * q;
    }
  }
  for (std::size_t i = 0; i < un; ++i) StdErr[i] = std::sqrt(StdErr[i]);
}

// Copies a result into a vector resized to its length (false when the
// length is 0, which a TVector cannot hold).
bool StoreVector(TVector* Dest, const std::vector<double>& Values) {
  if (Values.empty()) return false;
  Dest->Resize(static_cast<int>(Values.size()));
  std::copy(Values.begin(), Values.end(), Dest->Data().begin());
  Dest->SetIsEmpty(false);
  Dest->Changed();
  return true;
}

bool Decompose(const char* Who, int m, int n, double* A, std::size_t Lda, double* W, double* V, std::size_t Ldv) {
  try {
    return SingValDecompRaw(m, n, A, Lda, W, V, Ldv, true);
  } catch (const std::bad_alloc&) {
    throw EZELMath2Error(std::string(Who) + ": not enough memory");
  }
}

}  // namespace

bool SingValDecomp(TMatrix* A, TMatrix* V, TVector* W) {
  AbortMathProc = false;
  if (A == nullptr || V == nullptr || W == nullptr || V == A) return false;
  const int n = A->NrOfColumns(), m = A->NrOfRows();
  if (V->NrOfColumns() < n || V->NrOfRows() < n || W->NrOfElem() < n) return false;
  const bool ok =
      Decompose("SingValDecomp", m, n, A->Data().data(), A->LeadingDim(), W->Data().data(), V->Data().data(), V->LeadingDim());
  if (n > 0) W->SetIsEmpty(false);
  A->Changed();
  V->Changed();
  W->Changed();
  return ok;
}

bool SingValEquSolve(const TMatrix* U, const TMatrix* V, const TVector* W, const TVector* B, TVector* X,
                     TVector* StdErr) {
  AbortMathProc = false;
  if (U == nullptr || V == nullptr || W == nullptr || B == nullptr || X == nullptr) return false;
  const int n = U->NrOfColumns(), m = U->NrOfRows();
  if (n < 1 || V->NrOfColumns() < n || V->NrOfRows() < n || W->NrOfElem() < n || B->NrOfElem() < m) return false;
  // Results go through copies, so X or StdErr may be one of the inputs.
  const std::size_t un = static_cast<std::size_t>(n);
  std::vector<double> x(un), se(StdErr != nullptr ? un : 0);
  SolveFromSVD(m, n, U->Data().data(), U->LeadingDim(), V->Data().data(), V->LeadingDim(), W->Data().data(),
               B->Data().data(), x.data(), StdErr != nullptr ? se.data() : nullptr);
  StoreVector(X, x);
  if (StdErr != nullptr) StoreVector(StdErr, se);
  return true;
}

bool SVDLeastSquares(TMatrix* A, const TVector* B, TVector* X, TVector* StdErr, bool& RankDeficient) {
  RankDeficient = false;
  AbortMathProc = false;
  if (A == nullptr || B == nullptr || X == nullptr) return false;
  const int n = A->NrOfColumns(), m = A->NrOfRows();
  if (n < 1 || B->NrOfElem() < m) return false;
  const std::size_t un = static_cast<std::size_t>(n);
  std::vector<double> w(un), v, x(un), se(StdErr != nullptr ? un : 0);
  try {
    v.resize(un * un);
  } catch (const std::bad_alloc&) {
    throw EZELMath2Error("SVDLeastSquares: not enough memory");
  }
  // B is read before anything is written, so it may alias X or StdErr.
  std::vector<double> b(B->Data().begin(), B->Data().begin() + m);
  const bool ok = Decompose("SVDLeastSquares", m, n, A->Data().data(), A->LeadingDim(), w.data(), v.data(), un);
  A->Changed();
  if (!ok) return false;
  const double wmax = *std::max_element(w.begin(), w.end());
  // Relative cut of 1e-14: beyond it a singular value is rounding noise of
  // the larger ones. An all-zero A (wmax = 0) determines nothing either.
  const double cut = 1e-14 * wmax;
  if (wmax == 0) RankDeficient = true;
  for (double& wj : w)
    if (wj < cut) {
      wj = 0;
      RankDeficient = true;
    }
  SolveFromSVD(m, n, A->Data().data(), A->LeadingDim(), v.data(), un, w.data(), b.data(), x.data(),
               StdErr != nullptr ? se.data() : nullptr);
  StoreVector(X, x);
  if (StdErr != nullptr) StoreVector(StdErr, se);
  return true;
}

bool PseudoInverse(const TMatrix* Mat, TMatrix* PInv, double Threshold) {
  AbortMathProc = false;
  if (Mat == nullptr || PInv == nullptr) return false;
  const int n = Mat->NrOfColumns(), m = Mat->NrOfRows();
  TMatrix u(nullptr), v(nullptr);
  u.Resize(n, m);
  v.Resize(n, n);
  for (int c = 1; c <= n; ++c) std::copy(Mat->ColumnData(c), Mat->ColumnData(c) + m, u.ColumnData(c));
  std::vector<double> w(static_cast<std::size_t>(std::max(n, 0)));
  const bool ok = Decompose("PseudoInverse", m, n, u.Data().data(), u.LeadingDim(), w.data(), v.Data().data(), v.LeadingDim());
  PInv->Resize(m, n);
  if (!ok) return false;
  if (!(Threshold > 0)) {
    const double wmax = w.empty() ? 0.0 : *std::max_element(w.begin(), w.end());
    // Rounding noise of a backward-stable decomposition: about the order
    // times the largest singular value times the unit roundoff.
    Threshold = static_cast<double>(std::max(n, m)) * wmax * 1.2e-16;
  }
  for (int j = 0; j < n; ++j) {
    double* vj = v.ColumnData(j + 1);
    const double wj = w[static_cast<std::size_t>(j)];
    if (std::fabs(wj) > Threshold) {
      for (int i = 0; i < n; ++i) vj[i] /= wj;
    } else {
      std::fill(vj, vj + n, 0.0);
    }
  }
  u.Transpose();
  return v.Multiply(&u, PInv);
}

}  // namespace zel
