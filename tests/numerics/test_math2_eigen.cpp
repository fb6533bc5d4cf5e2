// Covariance matrices, the Jacobi eigen decomposition and the principal
// components: numpy references, the textbook Jacobi loop bit for bit, the
// progress and abort protocol and the eigen state.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <numeric>
#include <vector>

#include "math2_test_util.h"
#include "math2_textbook_jacobi.h"
#include "zel_math2.h"
#include "zel_matrix_kernels.h"
#include "zel_random.h"

using namespace zel;
using zel::test::CommaList;
using zel::test::FillFromRows;
using zel::test::Math2Ref;
using zel::test::Math2Refs;
using zel::test::MaxAbs;
using zel::test::TextbookJacobi;
using zel::test::AbortAtStep;
using zel::test::gAbortAt;

namespace {

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// A random symmetric matrix as row-major values and as a TMatrix.
std::vector<double> RandomSymmetric(int n, unsigned seed) {
  std::vector<double> a(static_cast<std::size_t>(n) * n);
  SetRandSeed(seed);
  for (int i = 0; i < n; ++i)
    for (int j = 0; j <= i; ++j) a[static_cast<std::size_t>(i) * n + j] = a[static_cast<std::size_t>(j) * n + i] = RandG(0, 1);
  return a;
}

void ToMatrix(TMatrix& M, int n, const std::vector<double>& a) { FillFromRows(M, n, n, a); }

// Eigenpairs of the state, sorted by ascending value.
struct Pairs {
  std::vector<double> val;
  std::vector<std::vector<double>> vec;
};

Pairs StatePairs() {
  const int n = GetEigenSize();
  std::vector<int> idx(n);
  std::iota(idx.begin(), idx.end(), 1);
  std::stable_sort(idx.begin(), idx.end(), [](int a, int b) { return GetEigenResult(a, 0) < GetEigenResult(b, 0); });
  Pairs p;
  for (const int k : idx) {
    p.val.push_back(GetEigenResult(k, 0));
    p.vec.emplace_back();
    for (int c = 1; c <= n; ++c) p.vec.back().push_back(GetEigenResult(k, c));
  }
  return p;
}

// Equal up to a common sign.
void ExpectSameUpToSign(const std::vector<double>& got, const std::vector<double>& want, double tol) {
  ASSERT_EQ(got.size(), want.size());
  double dot = 0;
  for (std::size_t i = 0; i < got.size(); ++i) dot += got[i] * want[i];
  const double sign = dot < 0 ? -1 : 1;
  for (std::size_t i = 0; i < got.size(); ++i) {
    EXPECT_NEAR(sign * got[i], want[i], tol) << "component " << i;
  }
}

}  // namespace

// ---- covariance ---------------------------------------------------------------------

TEST(Math2Covar, ModesAgreeWithNumpy) {
  for (const auto& rec : Math2Refs("covar")) {
    const auto data = Math2Ref("data", rec[0]);
    const int n = std::stoi(data[1]), p = std::stoi(data[2]), mode = std::stoi(rec[1]);
    TMatrix x(nullptr), c(nullptr);
    FillFromRows(x, n, p, CommaList(data[3]));
    c.Resize(p, p);
    ASSERT_TRUE(CalcCovar(&x, &c, 0, 0, 0, 0, mode)) << rec[0] << " mode " << mode;
    const auto want = CommaList(rec[3]);
    // The one-pass variance of the offset data loses about 1e-12 relative.
    const double tol = 1e-10 * std::max(1.0, MaxAbs(want));
    for (int i = 0; i < p; ++i)
      for (int j = 0; j < p; ++j)
        EXPECT_NEAR(c.GetVal(j + 1, i + 1), want[static_cast<std::size_t>(i) * p + j], tol)
            << rec[0] << " mode " << mode << " (" << i << "," << j << ")";
    if (mode == 2)
      for (int i = 1; i <= p; ++i) {
        EXPECT_EQ(c.GetVal(i, i), 1.0);
      }
    if (mode == 4)
      for (int i = 1; i <= p; ++i) {
        EXPECT_EQ(c.GetVal(i, i), 0.0);
      }
  }
}

// CalcCovar against the sums written out as specified (each sum over the
// observations in order, the one-pass variance), bit for bit, on every
// instruction set: sizes around the kernels' groups of rows and registers
// and their blocks of observations, and a block inside a larger matrix.
TEST(Math2Covar, SpecifiedSumsBitForBitOnEveryInstructionSet) {
  struct Case {
    int rows, cols, loC, hiC, loR, hiR;
  };
  const Case cases[] = {{2, 1, 0, 0, 0, 0},   {7, 3, 0, 0, 0, 0},    {66, 5, 0, 0, 0, 0}, {130, 13, 0, 0, 0, 0},
                        {70, 37, 0, 0, 0, 0}, {90, 20, 3, 19, 5, 83}};
  const detail::TMatIsa saved = detail::MatKernelIsa();
  for (const Case& cs : cases) {
    SetRandSeed(static_cast<std::uint32_t>(cs.rows * 100 + cs.cols));
    std::vector<double> rows(static_cast<std::size_t>(cs.rows) * cs.cols);
    for (double& v : rows) v = RandG(3, 2);
    TMatrix x(nullptr);
    FillFromRows(x, cs.rows, cs.cols, rows);
    const int c0 = cs.loC ? cs.loC : 1, c1 = cs.hiC ? cs.hiC : cs.cols;
    const int r0 = cs.loR ? cs.loR : 1, r1 = cs.hiR ? cs.hiR : cs.rows;
    const int p = c1 - c0 + 1, n = r1 - r0 + 1;
    const auto at = [&](int k, int i) { return x.GetVal(c0 + i, r0 + k); };
    const double dn = n, nm1 = n - 1;
    std::vector<double> mean(p), var(p);
    for (int i = 0; i < p; ++i) {
      double sum = 0, sq = 0;
      for (int k = 0; k < n; ++k) {
        sum += at(k, i);
        sq += at(k, i) * at(k, i);
      }
      mean[i] = sum / dn;
      var[i] = std::max(0.0, (sq - sum * sum / dn) / nm1);
    }
    for (int mode = 0; mode <= 4; ++mode) {
      std::vector<double> want(static_cast<std::size_t>(p) * p);
      for (int i = 0; i < p; ++i)
        for (int j = 0; j <= i; ++j) {
          double s = 0;
          for (int k = 0; k < n; ++k) {
            const double a = at(k, i), b = at(k, j);
            if (mode == 0) s += a * b;
            if (mode >= 1 && mode <= 3) s += (a - mean[i]) * (b - mean[j]);
            if (mode == 4) s += (a - b) * (a - b);
          }
          double v = s / nm1;
          if (mode == 2 || mode == 3) {
            const double f = std::sqrt(var[i] * var[j]);
            v = f == 0 ? 0 : s / f / nm1;
            if (mode == 3) v *= v;
            if (mode == 2 && i == j) v = 1;
          }
          want[static_cast<std::size_t>(i) * p + j] = want[static_cast<std::size_t>(j) * p + i] = v;
        }
      for (const auto isa : {detail::TMatIsa::Sse2, detail::TMatIsa::Avx2, detail::TMatIsa::Avx512}) {
        detail::SetMatKernelIsa(isa);
        TMatrix c(nullptr);
        c.Resize(p, p);
        ASSERT_TRUE(CalcCovar(&x, &c, cs.loC, cs.hiC, cs.loR, cs.hiR, mode));
        int bad = 0;
        for (int i = 0; i < p; ++i)
          for (int j = 0; j < p; ++j) bad += !SameBits(c.GetVal(j + 1, i + 1), want[static_cast<std::size_t>(i) * p + j]);
        EXPECT_EQ(bad, 0) << cs.rows << "x" << cs.cols << " mode " << mode << ", instruction set " << static_cast<int>(isa);
      }
    }
  }
  detail::SetMatKernelIsa(saved);
}

TEST(Math2Covar, RangesSizesAndDegenerateInput) {
  const auto data = Math2Ref("data", "corr40");
  TMatrix x(nullptr), c(nullptr), sub(nullptr);
  FillFromRows(x, 40, 6, CommaList(data[3]));
  c.Resize(6, 6);
  // Reversed and over-long bounds are clipped like every range.
  ASSERT_TRUE(CalcCovar(&x, &c, 0, 0, 0, 0, 1));
  sub.Resize(3, 3);
  ASSERT_TRUE(CalcCovar(&x, &sub, 6, 4, 50, 1, 1));
  for (int i = 1; i <= 3; ++i)
    for (int j = 1; j <= 3; ++j) {
      EXPECT_EQ(sub.GetVal(i, j), c.GetVal(i + 3, j + 3));
    }
  // A result matrix larger than p × p keeps its other elements.
  TMatrix big(nullptr);
  big.Resize(4, 5);
  big.Fill(7);
  ASSERT_TRUE(CalcCovar(&x, &big, 2, 4, 0, 0, 1));
  EXPECT_EQ(big.GetVal(4, 1), 7.0);
  EXPECT_EQ(big.GetVal(1, 4), 7.0);
  EXPECT_EQ(big.GetVal(2, 3), c.GetVal(3, 4));
  // Too small, a single observation, null arguments: false, nothing written.
  TMatrix small(nullptr);
  small.Resize(5, 6);
  small.Fill(3);
  EXPECT_FALSE(CalcCovar(&x, &small, 0, 0, 0, 0, 1));
  EXPECT_EQ(small.GetVal(1, 1), 3.0);
  EXPECT_FALSE(CalcCovar(&x, &c, 0, 0, 7, 7, 1));
  EXPECT_FALSE(CalcCovar(nullptr, &c, 0, 0, 0, 0, 1));
  EXPECT_FALSE(CalcCovar(&x, nullptr, 0, 0, 0, 0, 1));
  // Unknown modes give zeros.
  ASSERT_TRUE(CalcCovar(&x, &c, 0, 0, 0, 0, 9));
  EXPECT_EQ(c.GetVal(2, 3), 0.0);
}

TEST(Math2Covar, ConstantVariableHasNoNaN) {
  // 0.1 is not a binary number: the one-pass variance rounds to about
  // -1.7e-18, and the centred values are rounding noise. The correlation
  // must stay finite and small, and the components must still come out.
  TMatrix x(nullptr), c(nullptr);
  x.Resize(2, 3);
  const double a[3] = {1.0, 2.5, -0.75};
  for (int r = 0; r < 3; ++r) {
    x.ColumnData(1)[r] = a[r];
    x.ColumnData(2)[r] = 0.1;
  }
  c.Resize(2, 2);
  for (const int mode : {2, 3}) {
    ASSERT_TRUE(CalcCovar(&x, &c, 0, 0, 0, 0, mode));
    for (int i = 1; i <= 2; ++i)
      for (int j = 1; j <= 2; ++j) {
        EXPECT_TRUE(std::isfinite(c.GetVal(i, j)));
      }
    EXPECT_LT(std::fabs(c.GetVal(1, 2)), 1e-6);
  }
  EXPECT_TRUE(CalcPrincComp(&x, 0, 0, 0, 0, 2));
}

TEST(Math2Covar, ProgressStepsAndAbort) {
  const auto data = Math2Ref("data", "wide200");
  TMatrix x(nullptr), c(nullptr);
  FillFromRows(x, 200, 20, CommaList(data[3]));
  c.Resize(20, 20);
  ASSERT_TRUE(CalcCovar(&x, &c, 0, 0, 0, 0, 1));
  EXPECT_EQ(ProcStat.load(), 200.0 + 200.0 * 210);  // one per row, then N per pair
  ProcStat = 0;
  ASSERT_TRUE(CalcCovar(&x, &c, 0, 0, 0, 0, 0));
  EXPECT_EQ(ProcStat.load(), 200.0 * 210);
  // An abort from the feedback stops at that step.
  ProcStat = 0;
  gAbortAt = 200 + 200 * 30;
  MathFeedBackProc = AbortAtStep;
  EXPECT_FALSE(CalcCovar(&x, &c, 0, 0, 0, 0, 1));
  EXPECT_EQ(ProcStat.load(), gAbortAt);
}

// ---- Jacobi ---------------------------------------------------------------------------

TEST(Math2Eigen, TextbookLoopBitForBitOnEveryInstructionSet) {
  const detail::TMatIsa saved = detail::MatKernelIsa();
  for (const auto isa : {detail::TMatIsa::Sse2, detail::TMatIsa::Avx2, detail::TMatIsa::Avx512}) {
    detail::SetMatKernelIsa(isa);
    // Sizes around the partner blocks and register widths (a last block of
    // one column at 9, 17 and 129); at 75 two thirds of the pairs are exact
    // zeros, so that blocks rotate only some of their partners or none.
    for (const int n : {1, 2, 3, 9, 17, 40, 71, 75, 100, 129}) {
      auto a = RandomSymmetric(n, 100 + n);
      if (n == 75)
        for (int i = 0; i < n; ++i)
          for (int j = 0; j < n; ++j)
            if (i != j && (i + j) % 3 != 0) a[static_cast<std::size_t>(i) * n + j] = 0;
      const TextbookJacobi ref(n, a);
      ASSERT_TRUE(ref.converged);
      TMatrix m(nullptr);
      ToMatrix(m, n, a);
      ProcStat = 0;
      ASSERT_TRUE(CalcEigVec(&m)) << "n = " << n;
      // One step per pass and one per pair of every sweep.
      EXPECT_EQ(ProcStat.load(), ref.passes + (ref.passes - 1) * (n * (n - 1) / 2.0));
      int bad = 0;
      for (int k = 0; k < n; ++k) {
        bad += !SameBits(GetEigenResult(k + 1, 0), ref.d[k]);
        for (int c = 0; c < n; ++c) bad += !SameBits(GetEigenResult(k + 1, c + 1), ref.v[static_cast<std::size_t>(c) * n + k]);
      }
      EXPECT_EQ(bad, 0) << "n = " << n << ", instruction set " << static_cast<int>(isa);
      // Converged means every off-diagonal element was rotated to 0.
      for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j)
          if (i != j) {
            ASSERT_EQ(m.GetVal(i, j), 0.0);
          }
    }
  }
  detail::SetMatKernelIsa(saved);
}

// Entries near the largest double overflow during the rotations: rotation
// parameters turn NaN and so do parts of the vectors. The iteration fails,
// but what it leaves must still be the textbook loop's (NaN for NaN).
TEST(Math2Eigen, OverflowingRotationsStillFollowTheTextbookLoop) {
  const detail::TMatIsa saved = detail::MatKernelIsa();
  const int n = 20;
  std::vector<double> a(static_cast<std::size_t>(n) * n);
  unsigned seed = 7;
  for (int i = 0; i < n; ++i)
    for (int j = i; j < n; ++j) {
      seed = seed * 1103515245u + 12345u;
      a[static_cast<std::size_t>(i) * n + j] = a[static_cast<std::size_t>(j) * n + i] =
          1.7e308 * (static_cast<double>((seed >> 8) % 2001) / 1000.0 - 1.0);
    }
  const TextbookJacobi ref(n, a);
  const auto same = [](double x, double y) { return (std::isnan(x) && std::isnan(y)) || SameBits(x, y); };
  for (const auto isa : {detail::TMatIsa::Sse2, detail::TMatIsa::Avx2, detail::TMatIsa::Avx512}) {
    detail::SetMatKernelIsa(isa);
    const std::size_t ld = detail::JacobiLd(n);
    std::vector<double> m(ld * n), d(n), v(ld * n);
    for (int c = 0; c < n; ++c)
      for (int r = 0; r < n; ++r) m[c * ld + r] = a[static_cast<std::size_t>(r) * n + c];
    EXPECT_EQ(detail::JacobiEigen(n, ld, m.data(), d.data(), v.data()) == detail::TJacobiStatus::Converged,
              ref.converged);
    int bad = 0, nan = 0;
    for (int k = 0; k < n; ++k) {
      bad += !same(d[k], ref.d[k]);
      for (int c = 0; c < n; ++c) {
        bad += !same(v[k * ld + c], ref.v[static_cast<std::size_t>(c) * n + k]);
        nan += std::isnan(v[k * ld + c]);
      }
    }
    EXPECT_GT(nan, 0) << "the case no longer overflows";
    EXPECT_EQ(bad, 0) << "instruction set " << static_cast<int>(isa);
  }
  detail::SetMatKernelIsa(saved);
}

TEST(Math2Eigen, AgreesWithNumpyEigh) {
  for (const auto& rec : Math2Refs("sym")) {
    const int n = std::stoi(rec[1]);
    const auto want = Math2Ref("eig", rec[0]);
    const auto val = CommaList(want[1]), vec = CommaList(want[2]);
    TMatrix m(nullptr);
    ToMatrix(m, n, CommaList(rec[2]));
    ASSERT_TRUE(CalcEigVec(&m)) << rec[0];
    ASSERT_EQ(GetEigenSize(), n);
    const Pairs got = StatePairs();
    const double scale = MaxAbs(val);
    for (int k = 0; k < n; ++k) {
      EXPECT_NEAR(got.val[k], val[k], 1e-13 * scale * n) << rec[0] << " value " << k;
      ExpectSameUpToSign(got.vec[k], std::vector<double>(vec.begin() + k * n, vec.begin() + (k + 1) * n), 1e-9);
    }
  }
}

TEST(Math2Eigen, SpecifiedSmallCases) {
  // A diagonal matrix: the first pass finds nothing to rotate.
  TMatrix m(nullptr);
  ToMatrix(m, 3, {4, 0, 0, 0, -1, 0, 0, 0, 2.5});
  ASSERT_TRUE(CalcEigVec(&m));
  EXPECT_EQ(ProcStat.load(), 1.0);
  const double diag[3] = {4, -1, 2.5};
  for (int k = 1; k <= 3; ++k) {
    EXPECT_EQ(GetEigenResult(k, 0), diag[k - 1]);
    for (int c = 1; c <= 3; ++c) {
      EXPECT_EQ(GetEigenResult(k, c), c == k ? 1.0 : 0.0);
    }
  }
  // [[2, 1], [1, 2]]: 1 then 3, in the order of the diagonal, unit vectors.
  ToMatrix(m, 2, {2, 1, 1, 2});
  ASSERT_TRUE(CalcEigVec(&m));
  EXPECT_NEAR(GetEigenResult(1, 0), 1.0, 1e-15);
  EXPECT_NEAR(GetEigenResult(2, 0), 3.0, 1e-15);
  for (int k = 1; k <= 2; ++k)
    EXPECT_NEAR(std::hypot(GetEigenResult(k, 1), GetEigenResult(k, 2)), 1.0, 1e-15);
  EXPECT_NEAR(GetEigenResult(2, 1), GetEigenResult(2, 2), 1e-15);
  // Indices outside the result read 0.
  EXPECT_EQ(GetEigenResult(0, 0), 0.0);
  EXPECT_EQ(GetEigenResult(3, 0), 0.0);
  EXPECT_EQ(GetEigenResult(1, 3), 0.0);
  EXPECT_EQ(GetEigenResult(1, -1), 0.0);
}

TEST(Math2Eigen, FailuresLeaveStateAndMatrixAlone) {
  TMatrix m(nullptr);
  ToMatrix(m, 2, {2, 1, 1, 2});
  ASSERT_TRUE(CalcEigVec(&m));
  const double held = GetEigenResult(2, 0);

  // Non-square, too large, non-finite, null.
  TMatrix rect(nullptr);
  rect.Resize(3, 2);
  EXPECT_FALSE(CalcEigVec(&rect));
  TMatrix huge(nullptr);
  huge.Resize(MaxEigenOrder + 1, 1);
  EXPECT_FALSE(CalcEigVec(&huge));
  TMatrix bad(nullptr);
  ToMatrix(bad, 3, {1, 2, 3, 2, std::numeric_limits<double>::quiet_NaN(), 4, 3, 4, 5});
  ProcStat = 0;
  EXPECT_FALSE(CalcEigVec(&bad));
  EXPECT_EQ(ProcStat.load(), 0.0);  // rejected before the first pass
  EXPECT_FALSE(CalcEigVec(nullptr));

  // An abort in the middle of a sweep.
  const auto a = RandomSymmetric(30, 7);
  TMatrix big(nullptr);
  ToMatrix(big, 30, a);
  gAbortAt = 1000;
  MathFeedBackProc = AbortAtStep;
  EXPECT_FALSE(CalcEigVec(&big));
  EXPECT_EQ(ProcStat.load(), 1000.0);
  for (int i = 1; i <= 30; ++i)
    for (int j = 1; j <= 30; ++j) {
      ASSERT_EQ(big.GetVal(j, i), a[static_cast<std::size_t>(i - 1) * 30 + j - 1]);
    }

  EXPECT_EQ(GetEigenSize(), 2);
  EXPECT_EQ(GetEigenResult(2, 0), held);

  // RemoveEigenMatrix drops the arrays but not the size.
  RemoveEigenMatrix();
  EXPECT_EQ(GetEigenResult(2, 0), 0.0);
  EXPECT_EQ(GetEigenResult(1, 1), 0.0);
  EXPECT_EQ(GetEigenSize(), 2);
}

// ---- principal components --------------------------------------------------------------

TEST(Math2Pca, AgreesWithNumpyAndSortsDescending) {
  for (const auto& rec : Math2Refs("pca")) {
    const auto data = Math2Ref("data", rec[0]);
    const int n = std::stoi(data[1]), p = std::stoi(data[2]), mode = std::stoi(rec[1]);
    TMatrix x(nullptr);
    FillFromRows(x, n, p, CommaList(data[3]));
    // (0, 0, 0, 0) is the whole block: the temporary must be p × p.
    ASSERT_TRUE(CalcPrincComp(&x, 0, 0, 0, 0, mode)) << rec[0] << " mode " << mode;
    const auto val = CommaList(rec[3]), vec = CommaList(rec[4]);
    double sum = 0;
    for (int k = 1; k <= p; ++k) {
      sum += GetEigenResult(k, 0);
      if (k > 1) {
        EXPECT_GE(GetEigenResult(k - 1, 0), GetEigenResult(k, 0));
      }
      EXPECT_NEAR(GetEigenResult(k, 0), val[k - 1], 1e-10) << rec[0] << " " << k;
      std::vector<double> v;
      for (int c = 1; c <= p; ++c) v.push_back(GetEigenResult(k, c));
      ExpectSameUpToSign(v, std::vector<double>(vec.begin() + (k - 1) * p, vec.begin() + k * p), 1e-7);
    }
    EXPECT_NEAR(sum, 1.0, 1e-13);
  }
}

TEST(Math2Pca, PositiveValuesFirstThenTheRest) {
  // Squared differences (Mode 4) give an indefinite matrix: the positive
  // eigenvalues must lead in descending order, each still paired with its
  // vector; unnormalised values are the eigenvalues themselves.
  const auto data = Math2Ref("data", "corr40");
  TMatrix x(nullptr), c(nullptr);
  FillFromRows(x, 40, 6, CommaList(data[3]));
  c.Resize(6, 6);
  ASSERT_TRUE(CalcCovar(&x, &c, 0, 0, 0, 0, 4));
  ASSERT_TRUE(CalcPrincComp(&x, 0, 0, 0, 0, 4, false));
  int positives = 0;
  for (int k = 1; k <= 6; ++k) {
    const double lambda = GetEigenResult(k, 0);
    if (lambda > 0) {
      EXPECT_EQ(positives, k - 1) << "a positive value behind a non-positive one";
      ++positives;
      if (k > 1) {
        EXPECT_GE(GetEigenResult(k - 1, 0), lambda);
      }
    }
    for (int r = 1; r <= 6; ++r) {
      double av = 0;
      for (int j = 1; j <= 6; ++j) av += c.GetVal(j, r) * GetEigenResult(k, j);
      EXPECT_NEAR(av, lambda * GetEigenResult(k, r), 1e-9 * MaxAbs({c.GetVal(1, 2), lambda, 1.0}));
    }
  }
  EXPECT_GT(positives, 0);
  EXPECT_LT(positives, 6);
}

TEST(Math2Pca, FailuresKeepTheHeldResult) {
  TMatrix m(nullptr);
  ToMatrix(m, 2, {2, 1, 1, 2});
  ASSERT_TRUE(CalcEigVec(&m));
  TMatrix x(nullptr);
  x.Resize(3, 1);  // one observation
  EXPECT_FALSE(CalcPrincComp(&x, 0, 0, 0, 0, 1));
  EXPECT_FALSE(CalcPrincComp(nullptr, 0, 0, 0, 0, 1));
  EXPECT_EQ(GetEigenSize(), 2);
  EXPECT_NEAR(GetEigenResult(2, 0), 3.0, 1e-15);
}
