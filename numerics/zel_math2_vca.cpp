// Vertex component analysis (J. M. P. Nascimento and J. M. Bioucas-Dias,
// "Vertex component analysis: a fast algorithm to unmix hyperspectral
// data", IEEE Trans. Geosci. Remote Sens. 43 (2005) 898–910).
//
// Pure observations (endmembers) are the vertices of the simplex the data
// fill. In a P-dimensional subspace the projection of the data on a
// direction orthogonal to the vertices already found reaches its extreme at
// another vertex; P such projections find P vertices.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <numeric>
#include <vector>

#include "zel_math2.h"
#include "zel_random.h"
#include "zel_svd.h"

namespace zel {

namespace {

// Eigenvectors of the L × L matrix C (column-major) belonging to its Count
// largest eigenvalues, as Count columns of length L; false on failure.
bool LeadingEigenvectors(const TMatrix& C, int L, int Count, std::vector<double>& Basis) {
  const std::size_t ul = static_cast<std::size_t>(L), ld = detail::JacobiLd(L);
  TRealStorage sym(ld * ul, 0.0), vec(ld * ul);
  std::vector<double> d(ul);
  for (std::size_t c = 0; c < ul; ++c) std::copy_n(C.ColumnData(static_cast<int>(c) + 1), ul, sym.begin() + c * ld);
  if (detail::JacobiEigen(L, ld, sym.data(), d.data(), vec.data()) != detail::TJacobiStatus::Converged) return false;
  std::vector<std::size_t> order(ul);
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(), [&d](std::size_t a, std::size_t b) { return d[a] > d[b]; });
  Basis.assign(static_cast<std::size_t>(Count) * ul, 0.0);
  for (int k = 0; k < Count; ++k)
    std::copy_n(vec.begin() + order[static_cast<std::size_t>(k)] * ld, ul, Basis.begin() + k * ul);
  return true;
}

// w minus its projection on the column space of the P × Used matrix A.
bool OrthogonalDirection(int P, int Used, const std::vector<double>& A, std::vector<double>& w) {
  const std::size_t up = static_cast<std::size_t>(P);
  std::vector<double> u(A.begin(), A.begin() + static_cast<std::ptrdiff_t>(up * Used)), s(static_cast<std::size_t>(Used)),
      v(static_cast<std::size_t>(Used) * Used);
  if (!SingValDecompRaw(P, Used, u.data(), up, s.data(), v.data(), static_cast<std::size_t>(Used), true)) return false;
  const double smax = *std::max_element(s.begin(), s.end());
  for (int j = 0; j < Used; ++j) {
    if (!(s[static_cast<std::size_t>(j)] > 1e-12 * smax)) continue;
    const double* uj = u.data() + static_cast<std::size_t>(j) * up;
    double dot = 0;
    for (std::size_t i = 0; i < up; ++i) dot += uj[i] * w[i];
    for (std::size_t i = 0; i < up; ++i) w[i] -= dot * uj[i];
  }
  return true;
}

}  // namespace

bool VertexCompAnalysis(const TMatrix* Data, int NumEndmembers, bool Centered, TMatrix* Endmembers,
                        TIntVector* Indices, TMatrix* Projected) {
  AbortMathProc = false;
  if (Data == nullptr || Endmembers == nullptr || Indices == nullptr || Projected == nullptr) return false;
  const int L = Data->NrOfColumns(), N = Data->NrOfRows(), P = NumEndmembers;
  if (P < 1 || P > L || P > N || N < 2) return false;
  const std::size_t ul = static_cast<std::size_t>(L), up = static_cast<std::size_t>(P), un = static_cast<std::size_t>(N);

  // Y: the data in the P-dimensional subspace, observation k at Y + k·P.
  std::vector<double> Y(un * up), basis, mean(ul, 0.0);
  TMatrix cov(nullptr);
  cov.Resize(L, L);
  const int dims = Centered ? P - 1 : P;
  if (!CalcCovar(Data, &cov, 0, 0, 0, 0, Centered ? 1 : 0) || !LeadingEigenvectors(cov, L, dims, basis)) return false;
  if (Centered)
    for (std::size_t c = 0; c < ul; ++c) {
      const double* x = Data->ColumnData(static_cast<int>(c) + 1);
      mean[c] = std::accumulate(x, x + un, 0.0) / static_cast<double>(N);
    }
  for (std::size_t k = 0; k < un; ++k)
    for (int j = 0; j < dims; ++j) {
      const double* b = basis.data() + static_cast<std::size_t>(j) * ul;
      double s = 0;
      for (std::size_t c = 0; c < ul; ++c) s += b[c] * (Data->ColumnData(static_cast<int>(c) + 1)[k] - mean[c]);
      Y[k * up + static_cast<std::size_t>(j)] = s;
    }
  if (Centered) {
    // A constant last coordinate as large as the largest projection lifts
    // the centred cloud off the origin, so that it spans a cone again.
    double cmax = 0;
    for (std::size_t k = 0; k < un; ++k) {
      double q = 0;
      for (std::size_t j = 0; j + 1 < up; ++j) q += Y[k * up + j] * Y[k * up + j];
      cmax = std::max(cmax, std::sqrt(q));
    }
    if (cmax == 0) cmax = 1;
    for (std::size_t k = 0; k < un; ++k) Y[k * up + up - 1] = cmax;
  } else {
    // Projective scaling: every observation onto the plane uᵀy = 1, u the
    // mean direction, so that scale (illumination) differences vanish.
    std::vector<double> u(up, 0.0);
    for (std::size_t k = 0; k < un; ++k)
      for (std::size_t j = 0; j < up; ++j) u[j] += Y[k * up + j];
    for (std::size_t k = 0; k < un; ++k) {
      double dot = 0;
      for (std::size_t j = 0; j < up; ++j) dot += u[j] * Y[k * up + j];
      if (dot != 0)
        for (std::size_t j = 0; j < up; ++j) Y[k * up + j] /= dot / static_cast<double>(N);
    }
  }

  // A starts with the unit vector of the last coordinate, so the first
  // direction is orthogonal to the constant (or mean) axis.
  std::vector<double> A(up * up, 0.0), w(up);
  A[up - 1] = 1;
  std::vector<int> found(up);
  for (int i = 0; i < P; ++i) {
    if (!MathProcStep()) return false;
    for (double& x : w) x = RandG(0, 1);
    if (!OrthogonalDirection(P, std::max(i, 1), A, w)) return false;
    int best = 0;
    double bestAbs = -1;
    for (std::size_t k = 0; k < un; ++k) {
      double s = 0;
      for (std::size_t j = 0; j < up; ++j) s += w[j] * Y[k * up + j];
      if (std::fabs(s) > bestAbs) {
        bestAbs = std::fabs(s);
        best = static_cast<int>(k);
      }
    }
    found[static_cast<std::size_t>(i)] = best + 1;
    std::copy_n(Y.begin() + static_cast<std::ptrdiff_t>(static_cast<std::size_t>(best) * up), up,
                A.begin() + static_cast<std::ptrdiff_t>(static_cast<std::size_t>(i) * up));
  }

  Endmembers->Resize(L, P);
  for (int c = 1; c <= L; ++c)
    for (int r = 1; r <= P; ++r) Endmembers->ColumnData(c)[r - 1] = Data->ColumnData(c)[found[static_cast<std::size_t>(r - 1)] - 1];
  Endmembers->Changed();
  Indices->Resize(P);
  std::copy(found.begin(), found.end(), Indices->Data().begin());
  Indices->SetIsEmpty(false);
  Indices->Changed();
  Projected->Resize(P, N);
  for (int j = 0; j < P; ++j)
    for (std::size_t k = 0; k < un; ++k) Projected->ColumnData(j + 1)[k] = Y[k * up + static_cast<std::size_t>(j)];
  Projected->Changed();
  return true;
}

}  // namespace zel
