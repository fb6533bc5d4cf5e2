// Singular value decomposition, least squares through it, the
// pseudo-inverse and vertex component analysis.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "math2_test_util.h"
#include "zel_math2.h"
#include "zel_random.h"
#include "zel_svd.h"

using namespace zel;
using zel::test::CommaList;
using zel::test::FillFromRows;
using zel::test::Math2Ref;
using zel::test::Math2Refs;
using zel::test::MaxAbs;
using zel::test::AbortAtStep;
using zel::test::gAbortAt;

namespace {

struct RefMat {
  std::string id;
  int m = 0, n = 0;
  std::vector<double> a;  // row-major m × n
};

std::vector<RefMat> RefMats() {
  std::vector<RefMat> out;
  for (const auto& r : Math2Refs("mat")) out.push_back({r[0], std::stoi(r[1]), std::stoi(r[2]), CommaList(r[3])});
  return out;
}

}  // namespace

TEST(Math2Svd, FactorsReproduceTheMatrix) {
  for (const auto& rm : RefMats()) {
    TMatrix a(nullptr), u(nullptr), v(nullptr);
    TVector w(nullptr);
    FillFromRows(a, rm.m, rm.n, rm.a);
    u.Assign(&a);
    v.Resize(rm.n, rm.n);
    w.Resize(rm.n);
    ProcStat = 0;
    ASSERT_TRUE(SingValDecomp(&u, &v, &w)) << rm.id;
    // One step per outer step of reduction, both accumulations, QR phase.
    EXPECT_EQ(ProcStat.load(), 3.0 * rm.n + std::min(rm.m, rm.n)) << rm.id;
    // Singular values: non-negative, those of numpy (sorted).
    std::vector<double> sv(w.Data().begin(), w.Data().end());
    for (const double s : sv) {
      EXPECT_GE(s, 0.0);
    }
    std::sort(sv.rbegin(), sv.rend());
    const auto want = CommaList(Math2Ref("sv", rm.id)[1]);
    const double scale = std::max(1.0, MaxAbs(want));
    for (int j = 0; j < rm.n; ++j) {
      EXPECT_NEAR(sv[j], want[j], 1e-13 * scale) << rm.id << " " << j;
    }
    // A = U·diag(W)·Vᵀ and VᵀV = I.
    for (int i = 1; i <= rm.m; ++i)
      for (int j = 1; j <= rm.n; ++j) {
        double s = 0;
        for (int k = 1; k <= rm.n; ++k) s += u.GetVal(k, i) * w.GetVal(k) * v.GetVal(k, j);
        EXPECT_NEAR(s, a.GetVal(j, i), 1e-13 * scale) << rm.id;
      }
    for (int i = 1; i <= rm.n; ++i)
      for (int j = 1; j <= rm.n; ++j) {
        double s = 0;
        for (int k = 1; k <= rm.n; ++k) s += v.GetVal(i, k) * v.GetVal(j, k);
        EXPECT_NEAR(s, i == j ? 1.0 : 0.0, 1e-13) << rm.id;
      }
  }
}

TEST(Math2Svd, ArgumentChecksAndAbort) {
  const auto rm = RefMats().front();
  TMatrix a(nullptr), v(nullptr);
  TVector w(nullptr);
  FillFromRows(a, rm.m, rm.n, rm.a);
  v.Resize(rm.n - 1, rm.n);
  w.Resize(rm.n);
  EXPECT_FALSE(SingValDecomp(&a, &v, &w));  // V too small: A untouched
  EXPECT_EQ(a.GetVal(1, 1), rm.a[0]);
  v.Resize(rm.n, rm.n);
  w.Resize(rm.n - 1);
  EXPECT_FALSE(SingValDecomp(&a, &v, &w));
  EXPECT_FALSE(SingValDecomp(&a, &a, &w));
  EXPECT_FALSE(SingValDecomp(nullptr, &v, &w));
  w.Resize(rm.n);
  ProcStat = 0;
  gAbortAt = rm.n + 2;  // inside the accumulation of V
  MathFeedBackProc = AbortAtStep;
  EXPECT_FALSE(SingValDecomp(&a, &v, &w));
  EXPECT_EQ(ProcStat.load(), gAbortAt);
}

TEST(Math2Svd, RawRoutineWithoutVectorsGivesTheSameValues) {
  // The spectral norm's use: no U, no V, same singular values bit for bit.
  for (const auto& rm : RefMats()) {
    std::vector<double> a1(static_cast<std::size_t>(std::max(rm.m, 1)) * rm.n), a2, w1(rm.n), w2(rm.n),
        v(static_cast<std::size_t>(rm.n) * rm.n);
    for (int i = 0; i < rm.m; ++i)
      for (int j = 0; j < rm.n; ++j) a1[i + static_cast<std::size_t>(j) * rm.m] = rm.a[static_cast<std::size_t>(i) * rm.n + j];
    a2 = a1;
    const std::size_t lda = static_cast<std::size_t>(std::max(rm.m, 1));
    ProcStat = 0;
    ASSERT_TRUE(SingValDecompRaw(rm.m, rm.n, a1.data(), lda, w1.data(), nullptr, 0, false));
    EXPECT_EQ(ProcStat.load(), 2.0 * rm.n);
    ASSERT_TRUE(SingValDecompRaw(rm.m, rm.n, a2.data(), lda, w2.data(), v.data(), rm.n, true));
    EXPECT_EQ(w1, w2) << rm.id;
  }
  double nan = std::nan(""), w[2];
  double a[4] = {1, nan, 2, 3};
  EXPECT_FALSE(SingValDecompRaw(2, 2, a, 2, w, nullptr, 0, false));
}

TEST(Math2Svd, PseudoInverseAgreesWithNumpy) {
  for (const auto& rm : RefMats()) {
    TMatrix a(nullptr), p(nullptr);
    FillFromRows(a, rm.m, rm.n, rm.a);
    ASSERT_TRUE(PseudoInverse(&a, &p, 0)) << rm.id;
    ASSERT_EQ(p.NrOfColumns(), rm.m);
    ASSERT_EQ(p.NrOfRows(), rm.n);
    const auto ref = Math2Ref("pinv", rm.id);
    const auto want = CommaList(ref[3]);
    const double tol = 1e-11 * std::max(1.0, MaxAbs(want));
    for (int r = 0; r < rm.n; ++r)
      for (int c = 0; c < rm.m; ++c)
        EXPECT_NEAR(p.GetVal(c + 1, r + 1), want[static_cast<std::size_t>(r) * rm.m + c], tol) << rm.id;
  }
  // An invertible matrix: the inverse.
  TMatrix a(nullptr), p(nullptr);
  FillFromRows(a, 3, 3, {4, 1, 0, 1, 3, 1, 0, 1, 2});
  ASSERT_TRUE(PseudoInverse(&a, &p, 0));
  for (int i = 1; i <= 3; ++i)
    for (int j = 1; j <= 3; ++j) {
      double s = 0;
      for (int k = 1; k <= 3; ++k) s += a.GetVal(k, i) * p.GetVal(j, k);
      EXPECT_NEAR(s, i == j ? 1.0 : 0.0, 1e-14);
    }
  // A threshold above a singular value drops it: diag(4, 0.5) with cut 1.
  FillFromRows(a, 2, 2, {4, 0, 0, 0.5});
  ASSERT_TRUE(PseudoInverse(&a, &p, 1.0));
  EXPECT_NEAR(p.GetVal(1, 1), 0.25, 1e-16);
  EXPECT_EQ(p.GetVal(2, 2), 0.0);
  EXPECT_FALSE(PseudoInverse(nullptr, &p, 0));
}

TEST(Math2Svd, LeastSquaresAgreesWithLstsq) {
  for (const auto& rm : RefMats()) {
    const auto ref = Math2Ref("lstsq", rm.id);
    const auto b = CommaList(ref[1]), x = CommaList(ref[2]), se = CommaList(ref[3]);
    TMatrix a(nullptr);
    TVector bv(nullptr), xv(nullptr), sev(nullptr);
    FillFromRows(a, rm.m, rm.n, rm.a);
    bv.Resize(rm.m);
    std::copy(b.begin(), b.end(), bv.Data().begin());
    bool rankDef = true;
    ASSERT_TRUE(SVDLeastSquares(&a, &bv, &xv, &sev, rankDef)) << rm.id;
    EXPECT_EQ(rankDef, ref[4] == "1") << rm.id;
    ASSERT_EQ(xv.NrOfElem(), rm.n);
    const double tx = 1e-11 * std::max(1.0, MaxAbs(x)), ts = 1e-11 * std::max(1.0, MaxAbs(se));
    for (int j = 0; j < rm.n; ++j) {
      EXPECT_NEAR(xv.GetVal(j + 1), x[j], tx) << rm.id << " x" << j;
      EXPECT_NEAR(sev.GetVal(j + 1), se[j], ts) << rm.id << " se" << j;
    }
  }
}

TEST(Math2Svd, SolveFromADecomposition) {
  // An exactly linear system with a column of ones, solved through
  // SingValDecomp + SingValEquSolve, then two identical columns.
  TMatrix a(nullptr), v(nullptr);
  TVector w(nullptr), b(nullptr), x(nullptr);
  const int m = 12;
  a.Resize(3, m);
  b.Resize(m);
  for (int r = 1; r <= m; ++r) {
    const double t = r * 0.5, u = std::sin(r);
    a.SetVal(1, r, t);
    a.SetVal(2, r, u);
    a.SetVal(3, r, 1);
    b.SetVal(r, 2 * t - 3 * u + 0.25);
  }
  TMatrix design(nullptr);
  design.Assign(&a);
  v.Resize(3, 3);
  w.Resize(3);
  ASSERT_TRUE(SingValDecomp(&a, &v, &w));
  ASSERT_TRUE(SingValEquSolve(&a, &v, &w, &b, &x, nullptr));
  EXPECT_NEAR(x.GetVal(1), 2, 1e-13);
  EXPECT_NEAR(x.GetVal(2), -3, 1e-13);
  EXPECT_NEAR(x.GetVal(3), 0.25, 1e-13);
  TVector shortB(nullptr);
  shortB.Resize(m - 1);
  EXPECT_FALSE(SingValEquSolve(&a, &v, &w, &shortB, &x, nullptr));

  // Duplicate regressor: rank deficient, fitted values still exact.
  TMatrix dup(nullptr);
  dup.Resize(4, m);
  for (int r = 1; r <= m; ++r) {
    for (int c = 1; c <= 3; ++c) dup.SetVal(c, r, design.GetVal(c, r));
    dup.SetVal(4, r, design.GetVal(1, r));
  }
  TMatrix dupCopy(nullptr);
  dupCopy.Assign(&dup);
  bool rankDef = false;
  ASSERT_TRUE(SVDLeastSquares(&dup, &b, &x, nullptr, rankDef));
  EXPECT_TRUE(rankDef);
  EXPECT_NEAR(x.GetVal(1), x.GetVal(4), 1e-12);  // the minimum-norm split
  for (int r = 1; r <= m; ++r) {
    double fit = 0;
    for (int c = 1; c <= 4; ++c) fit += dupCopy.GetVal(c, r) * x.GetVal(c);
    EXPECT_NEAR(fit, b.GetVal(r), 1e-12);
  }
}

TEST(Math2Vca, FindsThePureObservations) {
  // Three pure spectra over six variables and mixtures of them; the pure
  // rows sit at 5, 17 and 30 among 36 observations.
  const double pure[3][6] = {{1, 0.8, 0.2, 0.1, 0.05, 0.3}, {0.1, 0.3, 1, 0.9, 0.2, 0.1}, {0.2, 0.1, 0.1, 0.3, 1, 0.8}};
  const int at[3] = {5, 17, 30};
  for (const bool centred : {false, true}) {
    TMatrix data(nullptr), ends(nullptr), proj(nullptr);
    TIntVector idx(nullptr);
    data.Resize(6, 36);
    SetRandSeed(11);
    for (int r = 1; r <= 36; ++r) {
      // Pure rows as given; mixtures strictly inside the simplex.
      double f[3] = {Random(), Random(), Random()};
      const double sum = f[0] + f[1] + f[2];
      for (double& x : f) x = 0.1 / 3 + 0.9 * x / sum;
      for (int k = 0; k < 3; ++k)
        if (r == at[k]) f[0] = f[1] = f[2] = 0, f[k] = 1;
      for (int c = 0; c < 6; ++c) data.SetVal(c + 1, r, f[0] * pure[0][c] + f[1] * pure[1][c] + f[2] * pure[2][c]);
    }
    ASSERT_TRUE(VertexCompAnalysis(&data, 3, centred, &ends, &idx, &proj)) << centred;
    std::vector<int> found(idx.Data().begin(), idx.Data().end());
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, std::vector<int>(at, at + 3)) << "centred " << centred;
    ASSERT_EQ(ends.NrOfRows(), 3);
    ASSERT_EQ(ends.NrOfColumns(), 6);
    for (int k = 1; k <= 3; ++k)
      for (int c = 1; c <= 6; ++c) {
        EXPECT_EQ(ends.GetVal(c, k), data.GetVal(c, idx.GetVal(k)));
      }
    EXPECT_EQ(proj.NrOfColumns(), 3);
    EXPECT_EQ(proj.NrOfRows(), 36);
  }
  TMatrix d(nullptr), e(nullptr), p(nullptr);
  TIntVector i(nullptr);
  d.Resize(2, 5);
  EXPECT_FALSE(VertexCompAnalysis(&d, 3, false, &e, &i, &p));  // more endmembers than variables
  EXPECT_FALSE(VertexCompAnalysis(&d, 0, false, &e, &i, &p));
}
