// Matrix linear algebra: numpy/scipy reference values, bit-identical results
// across the instruction-set paths and thread counts (against plain scalar
// loops of the specified algorithms), progress and abort, and the edge
// cases that catch real faults.
#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <fstream>
#include <limits>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "matrix_test_util.h"
#include "zel_base.h"
#include "zel_matrix.h"
#include "zel_matrix_kernels.h"
#include "zel_random.h"
#include "zel_threads.h"
#include "zel_test_env.h"

namespace zel {
namespace {

using test::Elements;
using test::MakeMatrix;
using test::SameBits;
using Mat = std::unique_ptr<TMatrix>;
using Rows = std::vector<std::vector<double>>;  // a[r][c], for the scalar references
constexpr double kEps = std::numeric_limits<double>::epsilon();

// ---- reference data ---------------------------------------------------------------------

struct RefItem {
  int NCol = 0, NRow = 0;
  std::vector<double> V;  // column by column
};
using RefFile = std::map<std::string, RefItem>;  // "case/field"

RefFile LoadRef(const std::string& name) {
  RefFile out;
  std::ifstream f(test::DataPath(name));
  std::string ln;
  while (std::getline(f, ln)) {
    std::istringstream in(ln);
    std::string cs, field, tok;
    RefItem it;
    in >> cs >> field >> it.NCol >> it.NRow;
    while (in >> tok) {
      double v = 0;
      std::from_chars(tok.data(), tok.data() + tok.size(), v);
      it.V.push_back(v);
    }
    out[cs + "/" + field] = it;
  }
  return out;
}

Mat FromRef(const RefItem& it) { return MakeMatrix(it.NCol, it.NRow, it.V); }

double MaxAbs(const std::vector<double>& v) {
  double m = 0;
  for (double x : v) m = std::max(m, std::fabs(x));
  return m;
}

// ---- scalar references of the specified algorithms ---------------------------------------------

Mat RandomMatrix(int NCol, int NRow, double Lo = -1, double Hi = 1) {
  auto m = MakeMatrix(NCol, NRow, {});
  m->FillRandomUniform(Lo, Hi);
  return m;
}

// Sprinkles values whose handling differs between careless kernels: signed
// zeros, subnormals and one infinity.
void AddSpecialValues(TMatrix& M, bool WithInf) {
  const int nc = M.NrOfColumns(), nr = M.NrOfRows();
  M.SetVal(1, 1, -0.0);
  M.SetVal(nc, nr, 0.0);
  M.SetVal((nc + 1) / 2, 1, 4e-320);
  M.SetVal(1, (nr + 1) / 2, -0.0);
  if (WithInf) M.SetVal(nc / 3 + 1, nr / 2 + 1, std::numeric_limits<double>::infinity());
}

// C(c, r) = Σ_k L(k, r)·R(c, k) with s := 0; s := s + a·b.
template <class FL, class FR>
std::vector<double> RefProduct(int NCol, int NRow, int K, FL Left, FR Right) {
  std::vector<double> out;
  for (int c = 1; c <= NCol; ++c)
    for (int r = 1; r <= NRow; ++r) {
      double s = 0;
      for (int k = 1; k <= K; ++k) s = s + Left(k, r) * Right(c, k);
      out.push_back(s);
    }
  return out;
}

Rows ToRows(const TMatrix& M) {
  Rows a(static_cast<std::size_t>(M.NrOfRows()), std::vector<double>(static_cast<std::size_t>(M.NrOfColumns())));
  for (std::size_t r = 0; r < a.size(); ++r)
    for (std::size_t c = 0; c < a[r].size(); ++c) a[r][c] = M.GetVal(static_cast<int>(c + 1), static_cast<int>(r + 1));
  return a;
}

// Crout's method exactly as specified, on rows: false for a zero row or a
// pivot below 1E-100.
bool RefCrout(Rows& a, std::vector<std::size_t>& indx, int& d) {
  const std::size_t n = a.size();
  std::vector<double> vv(n);
  indx.assign(n, 0);
  d = 1;
  for (std::size_t i = 0; i < n; ++i) {
    double big = 0;
    for (double x : a[i]) big = std::max(big, std::fabs(x));
    if (big == 0) return false;
    vv[i] = 1.0 / big;
  }
  bool ok = true;
  for (std::size_t j = 0; j < n; ++j) {
    double big = 0;
    std::size_t imax = j;
    for (std::size_t i = 0; i < n; ++i) {
      double sum = a[i][j];
      for (std::size_t k = 0; k < std::min(i, j); ++k) sum -= a[i][k] * a[k][j];
      a[i][j] = sum;
      if (i >= j && vv[i] * std::fabs(sum) >= big) {
        big = vv[i] * std::fabs(sum);
        imax = i;
      }
    }
    if (imax != j) {
      std::swap(a[imax], a[j]);
      std::swap(vv[imax], vv[j]);
      d = -d;
    }
    indx[j] = imax;
    if (std::fabs(a[j][j]) < 1E-100) {
      ok = false;
      a[j][j] = 1E-100;
    }
    for (std::size_t i = j + 1; i < n; ++i) a[i][j] /= a[j][j];
  }
  return ok;
}

// Inverse by the specified substitutions, column by column (column-major out).
std::vector<double> RefInverse(const Rows& lu, const std::vector<std::size_t>& indx) {
  const std::size_t n = lu.size();
  std::vector<double> out(n * n);
  for (std::size_t j = 0; j < n; ++j) {
    std::vector<double> b(n, 0.0);
    b[j] = 1;
    std::size_t ii = n;  // none yet
    for (std::size_t i = 0; i < n; ++i) {
      double sum = b[indx[i]];
      b[indx[i]] = b[i];
      if (ii < n)
        for (std::size_t k = ii; k < i; ++k) sum -= lu[i][k] * b[k];
      else if (sum != 0)
        ii = i;
      b[i] = sum;
    }
    for (std::size_t i = n; i-- > 0;) {
      double sum = b[i];
      for (std::size_t k = i + 1; k < n; ++k) sum -= lu[i][k] * b[k];
      b[i] = sum / lu[i][i];
    }
    std::copy(b.begin(), b.end(), out.begin() + static_cast<std::ptrdiff_t>(j * n));
  }
  return out;
}

// Runs Body once per instruction set this processor has.
template <class F>
void ForEachIsa(F Body) {
  using detail::TMatIsa;
  const TMatIsa prev = detail::MatKernelIsa();
  for (int isa = 0; isa <= static_cast<int>(detail::MatKernelBestIsa()); ++isa) {
    detail::SetMatKernelIsa(static_cast<TMatIsa>(isa));
    SCOPED_TRACE("instruction set " + std::to_string(isa));
    Body();
  }
  detail::SetMatKernelIsa(prev);
}

// ---- progress hooks ------------------------------------------------------------------------

int gFeedbackCalls = 0;
int gAbortAtCall = 0;  // 0: never
void CountingFeedback(double) {
  ++gFeedbackCalls;
  if (gFeedbackCalls == gAbortAtCall) AbortMathProc = true;
}
void ArmFeedback(int AbortAt) {
  gFeedbackCalls = 0;
  gAbortAtCall = AbortAt;
  MathFeedBackProc = &CountingFeedback;
}

// ---- products ---------------------------------------------------------------------------------

TEST(MatrixLinalg, ProductsMatchScalarLoopsBitForBitOnEveryPath) {
  // Sizes cross every block of the kernels: depth 300 > 256, 101 rows > 96,
  // 530 columns > 512, and none is a multiple of a register tile.
  auto a = RandomMatrix(300, 101), b = RandomMatrix(530, 300), bt = RandomMatrix(300, 67), c = RandomMatrix(45, 101);
  AddSpecialValues(*a, true);
  AddSpecialValues(*b, false);
  AddSpecialValues(*c, false);
  const auto refMul = RefProduct(530, 101, 300, [&](int k, int r) { return a->GetVal(k, r); },
                                 [&](int cc, int k) { return b->GetVal(cc, k); });
  const auto refMT = RefProduct(67, 101, 300, [&](int k, int r) { return a->GetVal(k, r); },
                                [&](int cc, int k) { return bt->GetVal(k, cc); });
  const auto refTM = RefProduct(45, 300, 101, [&](int k, int r) { return a->GetVal(r, k); },
                                [&](int cc, int k) { return c->GetVal(cc, k); });
  TMatrix res;
  ForEachIsa([&] {
    ASSERT_TRUE(a->Multiply(b.get(), &res));
    EXPECT_EQ(res.NrOfColumns(), 530);
    EXPECT_TRUE(SameBits(Elements(res), refMul));
    ASSERT_TRUE(a->MultiplyTransposed(bt.get(), &res));
    EXPECT_TRUE(SameBits(Elements(res), refMT));
    ASSERT_TRUE(a->TransposeAndMultiply(c.get(), &res));
    EXPECT_EQ(res.NrOfColumns(), 45);
    EXPECT_EQ(res.NrOfRows(), 300);
    EXPECT_TRUE(SameBits(Elements(res), refTM));
  });
}

TEST(MatrixLinalg, MatrixVectorProducts) {
  auto a = RandomMatrix(37, 2100);  // more rows than one block of partial sums
  AddSpecialValues(*a, false);
  TVector b, bt, y;
  b.Resize(37);
  bt.Resize(2100);
  for (int i = 1; i <= 37; ++i) b.SetVal(i, std::sin(i));
  for (int i = 1; i <= 2100; ++i) bt.SetVal(i, std::cos(i));
  const auto ref = RefProduct(1, 2100, 37, [&](int k, int r) { return a->GetVal(k, r); },
                              [&](int, int k) { return b.GetVal(k); });
  const auto refT = RefProduct(1, 37, 2100, [&](int k, int r) { return a->GetVal(r, k); },
                               [&](int, int k) { return bt.GetVal(k); });
  ForEachIsa([&] {
    ASSERT_TRUE(a->Multiply(&b, &y));
    EXPECT_TRUE(SameBits(std::vector<double>(y.Data().begin(), y.Data().end()), ref));
    ASSERT_TRUE(a->TransposeAndMultiply(&bt, &y));
    EXPECT_TRUE(SameBits(std::vector<double>(y.Data().begin(), y.Data().end()), refT));
  });
  EXPECT_FALSE(a->Multiply(&bt, &y));  // 2100 elements for 37 columns
  EXPECT_FALSE(a->Multiply(&b, &b));   // result is the operand
  EXPECT_FALSE(a->Multiply(static_cast<const TVector*>(nullptr), &y));
}

TEST(MatrixLinalg, ProductShapesFailuresAndEvents) {
  auto a = MakeMatrix(2, 3, {1, 2, 3, 4, 5, 6});  // A(c, r): columns (1,2,3) and (4,5,6)
  auto b = MakeMatrix(3, 2, {1, 0, 0, 1, 2, 3});
  auto res = MakeMatrix(1, 1, {7});
  test::ChangeCounter resEvents(*res), aEvents(*a);
  ASSERT_TRUE(a->Multiply(b.get(), res.get()));
  EXPECT_EQ(res->NrOfColumns(), 3);
  EXPECT_EQ(res->NrOfRows(), 3);
  // Column 3 of B is (2, 3): 2·(1,2,3) + 3·(4,5,6).
  EXPECT_EQ(Elements(*res), (std::vector<double>{1, 2, 3, 4, 5, 6, 14, 19, 24}));
  EXPECT_EQ(resEvents.Take(), 1 + 9);  // the resize, then one per element
  EXPECT_EQ(aEvents.Take(), 1);
  auto b3 = MakeMatrix(3, 3, {});
  const auto before = Elements(*res);
  EXPECT_FALSE(a->Multiply(b3.get(), res.get()));
  EXPECT_FALSE(a->Multiply(b.get(), a.get()));
  EXPECT_FALSE(a->Multiply(b.get(), b.get()));
  EXPECT_FALSE(a->Multiply(nullptr, res.get()));
  EXPECT_EQ(Elements(*res), before);
  EXPECT_EQ(resEvents.Take() + aEvents.Take(), 0);
  // An empty inner dimension gives sums of nothing.
  auto e0 = MakeMatrix(0, 4, {}), e1 = MakeMatrix(2, 0, {});
  ASSERT_TRUE(e0->Multiply(e1.get(), res.get()));
  EXPECT_EQ(Elements(*res), std::vector<double>(8, 0.0));
  // Element-wise operations.
  auto x = MakeMatrix(2, 2, {1, 2, 3, 4}), y = MakeMatrix(2, 2, {10, 20, 30, 40});
  ASSERT_TRUE(x->Add(y.get()));
  ASSERT_TRUE(x->Subtract(y.get()));
  x->SMult(2);
  x->SAdd(-1);
  EXPECT_EQ(Elements(*x), (std::vector<double>{1, 3, 5, 7}));
  ASSERT_TRUE(x->EMult(y.get(), res.get()));
  EXPECT_EQ(Elements(*res), (std::vector<double>{10, 60, 150, 280}));
  EXPECT_FALSE(x->Add(b.get()));
  EXPECT_FALSE(x->EMult(y.get(), x.get()));
}

// ---- Square ---------------------------------------------------------------------------------

TEST(MatrixLinalg, SquareIsIdenticalForEveryPathAndThreadCount) {
  auto a = RandomMatrix(83, 611);  // 611 rows cross the depth blocks
  AddSpecialValues(*a, false);
  const double norm = 3;
  std::vector<double> ref;
  for (int i = 1; i <= 83; ++i)
    for (int j = 1; j <= 83; ++j) {
      double s = 0;
      for (int k = 1; k <= 611; ++k) s = s + a->GetVal(i, k) * a->GetVal(j, k);
      ref.push_back(s / norm);
    }
  TMatrix res;
  ForEachIsa([&] {
    for (int threads : {1, 2, 8, 0, -3, 100000}) {
      res.Resize(1, 1);
      ASSERT_TRUE(a->Square(&res, norm, threads)) << threads;
      EXPECT_TRUE(SameBits(Elements(res), ref)) << threads;
    }
  });
  ASSERT_TRUE(a->Square(&res, norm));
  EXPECT_TRUE(SameBits(Elements(res), ref));
  EXPECT_FALSE(a->Square(&res, 0, 2));  // would be all infinities
  EXPECT_FALSE(a->Square(nullptr, 1, 2));
  EXPECT_FALSE(a->Square(a.get(), 1, 2));
}

TEST(MatrixLinalg, SquareProgressAndAbort) {
  auto a = RandomMatrix(40, 50);
  TMatrix res;
  for (int threads : {1, 4}) {
    SCOPED_TRACE(threads);
    test::ResetProcessState();
    ArmFeedback(0);
    ASSERT_TRUE(a->Square(&res, 1, threads));
    EXPECT_EQ(ProcStat.load(), 40.0);  // one step per column
    // The threaded form adds a last call when done.
    EXPECT_EQ(gFeedbackCalls, threads == 1 || CPUCount() == 1 ? 40 : 41);

    test::ResetProcessState();
    ArmFeedback(3);
    EXPECT_FALSE(a->Square(&res, 1, threads));
    if (threads == 1) {
      EXPECT_EQ(ProcStat.load(), 3.0);  // stopped before column 4
    }

    test::ResetProcessState();
    AbortMathProc = true;
    EXPECT_FALSE(a->Square(&res, 1, threads));
  }
}

// ---- LU, determinant, inverse -----------------------------------------------------------------

TEST(MatrixLinalg, InverseAndDeterminantAgainstNumpy) {
  const RefFile ref = LoadRef("matrix_linalg_decomp.tsv");
  ASSERT_FALSE(ref.empty());
  int cases = 0;
  for (const auto& [key, item] : ref) {
    if (!key.ends_with("/inv")) continue;
    const std::string cs = key.substr(0, key.find('/'));
    SCOPED_TRACE(cs);
    ++cases;
    auto a = FromRef(ref.at(cs + "/A"));
    const double n = a->NrOfRows(), cond = ref.at(cs + "/cond").V[0];
    // Perturbation bounds: relative errors of order n·ε·cond.
    const double tol = 16 * n * kEps * cond;
    const double det = ref.at(cs + "/det").V[0];
    EXPECT_NEAR(a->Determinant(), det, tol * std::fabs(det));
    ASSERT_TRUE(a->Invert());
    const auto got = Elements(*a);
    const double scale = MaxAbs(item.V);
    for (std::size_t i = 0; i < got.size(); ++i) ASSERT_NEAR(got[i], item.V[i], tol * scale) << i;
  }
  EXPECT_EQ(cases, 8);
}

TEST(MatrixLinalg, InverseAndDeterminantFollowTheSpecifiedOperations) {
  // n = 150 needs three blocks of right-hand sides; a strongly graded matrix
  // makes the scaled pivoting exchange many rows.
  for (int n : {1, 5, 64, 150}) {
    SCOPED_TRACE(n);
    auto a = RandomMatrix(n, n);
    for (int r = 1; r <= n; r += 3)
      for (int c = 1; c <= n; ++c) a->SetVal(c, r, a->GetVal(c, r) * std::pow(10.0, r % 7 - 3));
    Rows lu = ToRows(*a);
    std::vector<std::size_t> indx;
    int d = 0;
    ASSERT_TRUE(RefCrout(lu, indx, d));
    double p = 1;
    for (int j = 0; j < n; ++j) p *= lu[static_cast<std::size_t>(j)][static_cast<std::size_t>(j)];
    const auto refInv = RefInverse(lu, indx);
    ForEachIsa([&] {
      EXPECT_TRUE(SameBits({a->Determinant()}, {d * p}));
      TMatrix b;
      b.Assign(a.get());
      ASSERT_TRUE(b.Invert());
      EXPECT_TRUE(SameBits(Elements(b), refInv));
    });
  }
}

TEST(MatrixLinalg, LUdecompositionGivesTheCroutFactors) {
  auto a = RandomMatrix(40, 40);  // more than one panel of columns
  a->SetVal(1, 1, 0);             // forces an exchange at the first column
  Rows lu = ToRows(*a);
  std::vector<std::size_t> indx;
  int d = 0;
  ASSERT_TRUE(RefCrout(lu, indx, d));
  TMatrix l, u;
  int perm = 0;
  ForEachIsa([&] {
    ASSERT_TRUE(a->LUdecomposition(&l, &u, perm));
    EXPECT_EQ(perm, d);
    std::vector<double> wantL, wantU;
    for (std::size_t c = 0; c < 40; ++c)
      for (std::size_t r = 0; r < 40; ++r) {
        wantL.push_back(r > c ? lu[r][c] : r == c ? 1.0 : 0.0);
        wantU.push_back(r <= c ? lu[r][c] : 0.0);
      }
    EXPECT_TRUE(SameBits(Elements(l), wantL));
    EXPECT_TRUE(SameBits(Elements(u), wantU));
  });
  // Equal scaled candidates: the last row wins, so rows 1 and 2 change places.
  auto tie = MakeMatrix(2, 2, {1, 1, 1, -1});
  ASSERT_TRUE(tie->LUdecomposition(&l, &u, perm));
  EXPECT_EQ(perm, -1);
  EXPECT_EQ(Elements(u), (std::vector<double>{1, 0, -1, 2}));
  // Nil or aliased results.
  perm = 0;
  EXPECT_FALSE(a->LUdecomposition(&l, nullptr, perm));
  EXPECT_EQ(perm, 1);
  EXPECT_FALSE(a->LUdecomposition(&l, &l, perm));
  EXPECT_FALSE(MakeMatrix(2, 3, {})->LUdecomposition(&l, &u, perm));
}

TEST(MatrixLinalg, SingularAndSmallMatrices) {
  auto d = MakeMatrix(2, 2, {2, 0, 0, 4});
  ASSERT_TRUE(d->Invert());
  EXPECT_EQ(Elements(*d), (std::vector<double>{0.5, 0, 0, 0.25}));
  // A singular matrix keeps its values (the factors are made in a copy).
  for (auto& m : {MakeMatrix(2, 2, {1, 0, 2, 0}), MakeMatrix(2, 2, {1, 2, 2, 4}),
                  MakeMatrix(2, 2, {1, std::nan(""), 0, 1}), MakeMatrix(3, 2, {1, 2, 3, 4, 5, 6})}) {
    const auto before = Elements(*m);
    EXPECT_FALSE(m->Invert());
    EXPECT_TRUE(SameBits(Elements(*m), before));
  }
  EXPECT_EQ(MakeMatrix(2, 2, {1, 2, 2, 4})->Determinant(), 0.0);
  EXPECT_EQ(MakeMatrix(2, 2, {0, 1, 1, 0})->Determinant(), -1.0);  // one exchange
  EXPECT_EQ(MakeMatrix(2, 2, {1e-101, 0, 0, 1})->Determinant(), 0.0);  // absolute threshold
  EXPECT_EQ(MakeMatrix(2, 3, {})->Determinant(), 0.0);
  EXPECT_FALSE(MakeMatrix(0, 0, {})->Invert());
}

TEST(MatrixLinalg, InvertProgressAndAbort) {
  auto a = RandomMatrix(70, 70);
  const auto before = Elements(*a);
  ArmFeedback(0);
  TMatrix b;
  b.Assign(a.get());
  ASSERT_TRUE(b.Invert());
  EXPECT_EQ(ProcStat.load(), 140.0);  // each column of the decomposition and of the solution
  for (int at : {10, 100}) {  // in the decomposition, in the solution
    test::ResetProcessState();
    ArmFeedback(at);
    EXPECT_FALSE(a->Invert());
    EXPECT_EQ(ProcStat.load(), at);
    EXPECT_TRUE(SameBits(Elements(*a), before));
  }
}

// ---- Cholesky, norms, hat matrix ----------------------------------------------------------------

TEST(MatrixLinalg, CholeskyAgainstNumpyAndSpecCases) {
  const RefFile ref = LoadRef("matrix_linalg_decomp.tsv");
  for (const char* cs : {"spd4", "spd30"}) {
    SCOPED_TRACE(cs);
    auto a = FromRef(ref.at(std::string(cs) + "/A"));
    const auto& chol = ref.at(std::string(cs) + "/chol");
    auto l = MakeMatrix(2, 2, {9, 9, 9, 9});  // reused: its old upper part must go
    ASSERT_TRUE(a->CholeskyDecomp(l.get()));
    const auto got = Elements(*l);
    const double tol = 16 * a->NrOfRows() * kEps * ref.at(std::string(cs) + "/cond").V[0] * MaxAbs(chol.V);
    for (std::size_t i = 0; i < got.size(); ++i) ASSERT_NEAR(got[i], chol.V[i], tol) << i;
    // The strict upper part of A holds Lᵀ.
    EXPECT_EQ(a->GetVal(3, 1), l->GetVal(1, 3));
  }
  auto a = MakeMatrix(2, 2, {4, 2, 2, 3});
  TMatrix l;
  ASSERT_TRUE(a->CholeskyDecomp(&l));
  EXPECT_EQ(Elements(l), (std::vector<double>{2, 1, 0, std::sqrt(2.0)}));
  EXPECT_FALSE(MakeMatrix(2, 2, {1, 2, 2, 1})->CholeskyDecomp(&l));
  EXPECT_FALSE(MakeMatrix(2, 3, {})->CholeskyDecomp(&l));
  EXPECT_FALSE(a->CholeskyDecomp(a.get()));
}

TEST(MatrixLinalg, NormsAgainstNumpy) {
  const RefFile ref = LoadRef("matrix_linalg_decomp.tsv");
  int cases = 0;
  for (const auto& [key, item] : ref) {
    if (!key.ends_with("/norms")) continue;
    const std::string cs = key.substr(0, key.find('/'));
    SCOPED_TRACE(cs);
    ++cases;
    auto a = FromRef(ref.at(cs + "/A"));
    EXPECT_NEAR(a->Norm(ntColwise), item.V[0], 1e-14 * item.V[0]);
    EXPECT_NEAR(a->Norm(ntRowwise), item.V[1], 1e-14 * item.V[1]);
    EXPECT_NEAR(a->Norm(ntSpectral), item.V[2], 1e-13 * item.V[2]);
    EXPECT_NEAR(a->Norm(ntFrobenius), item.V[3], 1e-14 * item.V[3]);
  }
  EXPECT_EQ(cases, 7);
  EXPECT_EQ(MakeMatrix(2, 1, {3, 4})->Norm(ntFrobenius), 5.0);
  auto diag = MakeMatrix(3, 3, {1, 0, 0, 0, -7, 0, 0, 0, 2});
  EXPECT_NEAR(diag->Norm(ntSpectral), 7.0, 1e-15);
  EXPECT_EQ(MakeMatrix(3, 4, {})->Norm(ntSpectral), 0.0);
  for (auto nt : {ntColwise, ntRowwise, ntSpectral, ntFrobenius}) {
    EXPECT_EQ(MakeMatrix(0, 3, {})->Norm(nt), 0.0);
    EXPECT_TRUE(std::isnan(MakeMatrix(2, 2, {1, std::nan(""), 0, 1})->Norm(nt)));
  }
  EXPECT_EQ(MakeMatrix(2, 2, {1, HUGE_VAL, 0, 1})->Norm(ntSpectral), HUGE_VAL);
}

TEST(MatrixLinalg, SpectralNormAbortRaises) {
  auto a = RandomMatrix(20, 30);
  ArmFeedback(25);  // inside the QR phase (20 reduction steps first)
  try {
    a->Norm(ntSpectral);
    FAIL() << "no exception";
  } catch (const EZELMatrixError& e) {
    EXPECT_EQ(e.Message(), "near singular covariance matrix");
  }
  EXPECT_EQ(ProcStat.load(), 25.0);
}

TEST(MatrixLinalg, HatMatrixIsTheProjectionOntoTheColumns) {
  auto x = RandomMatrix(3, 12);
  TMatrix h;
  ASSERT_TRUE(x->CalcHatMatrix(&h));
  ASSERT_EQ(h.NrOfColumns(), 12);
  // H is symmetric, idempotent, has trace = rank and leaves X unchanged.
  TMatrix hh, hx;
  ASSERT_TRUE(h.Multiply(&h, &hh));
  ASSERT_TRUE(h.Multiply(x.get(), &hx));
  EXPECT_NEAR(h.Trace(), 3.0, 1e-12);
  for (int c = 1; c <= 12; ++c)
    for (int r = 1; r <= 12; ++r) {
      EXPECT_NEAR(h.GetVal(c, r), h.GetVal(r, c), 1e-13);
      EXPECT_NEAR(hh.GetVal(c, r), h.GetVal(c, r), 1e-13);
    }
  for (int c = 1; c <= 3; ++c)
    for (int r = 1; r <= 12; ++r) EXPECT_NEAR(hx.GetVal(c, r), x->GetVal(c, r), 1e-13);
  // Collinear columns: XᵀX is singular and HatMat stays as it was.
  auto col = MakeMatrix(2, 3, {1, 2, 3, 2, 4, 6});
  const auto before = Elements(h);
  EXPECT_FALSE(col->CalcHatMatrix(&h));
  EXPECT_EQ(Elements(h), before);
  EXPECT_FALSE(x->CalcHatMatrix(x.get()));
}

// ---- distances, correlation, differences, balancing, transposition -----------------------------------

TEST(MatrixLinalg, DistancesAgainstScipy) {
  const RefFile ref = LoadRef("matrix_linalg_dist.tsv");
  const std::pair<const char*, TDistMode> metrics[] = {{"cityblock", dmManhattan},
                                                       {"euclidean", dmEuclid},
                                                       {"sqeuclidean", dmEuclidSqr},
                                                       {"tanimoto", dmTanimoto},
                                                       {"dice", dmDice}};
  int checked = 0;
  for (const char* cs : {"real5x3", "real29x11", "real41x6", "bits23x16"}) {
    auto a = FromRef(ref.at(std::string(cs) + "/A"));
    const int n = a->NrOfRows();
    for (const auto& metric : metrics) {
      const char* name = metric.first;
      const TDistMode mode = metric.second;  // a plain variable: lambdas capture it
      const auto it = ref.find(std::string(cs) + "/" + name);
      if (it == ref.end()) continue;
      SCOPED_TRACE(std::string(cs) + " " + name);
      ++checked;
      TMatrix d;
      d.Resize(n, n);
      ForEachIsa([&] {
        ASSERT_EQ(a->CalcDistMat(mode, &d), 0);
        std::size_t k = 0;
        for (int i = 1; i <= n; ++i) {
          EXPECT_EQ(d.GetVal(i, i), 0.0);
          for (int j = i + 1; j <= n; ++j, ++k) {
            EXPECT_NEAR(d.GetVal(i, j), it->second.V[k], 1e-14 * (1 + it->second.V[k]));
            // The matrix holds exactly what the single-pair operation gives.
            ASSERT_TRUE(SameBits({d.GetVal(j, i)}, {a->DistanceOfObjects(mode, i, j)}));
          }
        }
      });
    }
  }
  EXPECT_EQ(checked, 11);
}

TEST(MatrixLinalg, DistanceConventionsAndFailures) {
  auto z = MakeMatrix(3, 3, {0, 0, 1, 0, 0, 1, 0, 0, 1});  // rows 1 and 2 all zero
  EXPECT_EQ(z->DistanceOfObjects(dmTanimoto, 1, 2), 1.0);
  EXPECT_EQ(z->DistanceOfObjects(dmDice, 1, 2), 1.0);
  EXPECT_EQ(z->DistanceOfObjects(dmTanimoto, 1, 3), 0.0);
  EXPECT_EQ(z->DistanceOfObjects(dmManhattan, 3, 9), 3.0);  // row 9 reads as zeros
  z->OnCalcDistance = [](TObject*, int r1, int r2, double& d) { d = r1 * 10 + r2; };
  EXPECT_EQ(z->DistanceOfObjects(dmUser, 2, 3), 23.0);
  TMatrix d;
  d.Resize(3, 3);
  ASSERT_EQ(z->CalcDistMat(dmUser, &d), 0);
  EXPECT_EQ(d.GetVal(1, 3), 13.0);
  EXPECT_EQ(d.GetVal(3, 1), 13.0);
  // Wrong sizes write nothing.
  auto wrong = MakeMatrix(2, 2, {5, 5, 5, 5});
  EXPECT_EQ(z->CalcDistMat(dmEuclid, wrong.get()), -2);
  wrong->Resize(3, 2);
  wrong->Fill(5);
  EXPECT_EQ(z->CalcDistMat(dmEuclid, wrong.get()), -1);
  EXPECT_EQ(Elements(*wrong), std::vector<double>(6, 5.0));
  EXPECT_EQ(z->CalcDistMat(dmEuclid, nullptr), -2);
  // The matrix as its own distance matrix: computed from the old values.
  auto s = MakeMatrix(2, 2, {0, 3, 0, 4});
  ASSERT_EQ(s->CalcDistMat(dmEuclid, s.get()), 0);
  EXPECT_EQ(Elements(*s), (std::vector<double>{0, 5, 5, 0}));
}

TEST(MatrixLinalg, CorrelateAndDiff) {
  auto a = MakeMatrix(2, 2, {1, 2, 3, 4});
  EXPECT_NEAR(a->Correlate(MakeMatrix(2, 2, {3, 5, 7, 9}).get()), 1.0, 1e-15);
  EXPECT_NEAR(a->Correlate(MakeMatrix(2, 2, {-1, -2, -3, -4}).get()), -1.0, 1e-15);
  EXPECT_EQ(MakeMatrix(2, 1, {1, 2})->Correlate(MakeMatrix(2, 1, {2, 1}).get()), 0.0);  // N ≤ 2
  EXPECT_EQ(a->Correlate(MakeMatrix(2, 2, {5, 5, 5, 5}).get()), 0.0);
  EXPECT_THROW(a->Correlate(MakeMatrix(4, 1, {}).get()), EZELMatrixError);
  EXPECT_THROW(a->Correlate(nullptr), EZELMatrixError);

  const RefFile ref = LoadRef("matrix_linalg_dist.tsv");
  for (int order : {1, 2, 5}) {
    auto m = FromRef(ref.at("diff13x4/A"));
    m->Diff(order);
    const auto& want = ref.at("diff13x4/diff" + std::to_string(order));
    ASSERT_EQ(m->NrOfRows(), want.NRow);
    const auto got = Elements(*m);
    for (std::size_t i = 0; i < got.size(); ++i) EXPECT_NEAR(got[i], want.V[i], 1e-12) << order;
  }
  auto m11 = RandomMatrix(2, 11), m12 = RandomMatrix(2, 12);
  m11->Diff(10);
  EXPECT_EQ(m11->NrOfRows(), 1);
  const auto before = Elements(*m12);
  m12->Diff(11);
  EXPECT_EQ(Elements(*m12), before);
}

TEST(MatrixLinalg, BalancePreservesTheSpectrumAndDividesByNothing) {
  // Row 3 has no off-diagonal weight (r = 0): it must be skipped, not divided by 0.
  auto a = MakeMatrix(3, 3, {1, 1e-6, 0, 1e6, 1, 0, 0, 1, 1});
  const double det = a->Determinant(), tr = a->Trace();
  ASSERT_TRUE(a->Balance());
  for (double x : Elements(*a)) EXPECT_TRUE(std::isfinite(x));
  EXPECT_NEAR(a->Determinant(), det, 1e-12 * std::fabs(det));
  EXPECT_EQ(a->Trace(), tr);
  // A dense badly scaled matrix ends with matching row and column sums.
  auto g = RandomMatrix(6, 6, 0.5, 1);
  for (int r = 1; r <= 6; ++r)
    for (int c = 1; c <= 6; ++c) g->SetVal(c, r, g->GetVal(c, r) * std::pow(10.0, 2 * (r - c)));
  const double gdet = g->Determinant();
  ASSERT_TRUE(g->Balance());
  EXPECT_NEAR(g->Determinant(), gdet, 1e-10 * std::fabs(gdet));
  for (int i = 1; i <= 6; ++i) {
    double r = 0, c = 0;
    for (int j = 1; j <= 6; ++j)
      if (j != i) {
        r += std::fabs(g->GetVal(j, i));
        c += std::fabs(g->GetVal(i, j));
      }
    EXPECT_LT(std::max(r / c, c / r), 1.05 * 1.05 * 1.05);
  }
  auto rect = MakeMatrix(2, 3, {1, 2, 3, 4, 5, 6});
  const auto before = Elements(*rect);
  EXPECT_FALSE(rect->Balance());
  EXPECT_EQ(Elements(*rect), before);
}

TEST(MatrixLinalg, TransposeExchangesTheShape) {
  auto a = RandomMatrix(70, 33);
  const auto before = Elements(*a);
  test::ChangeCounter events(*a);
  ASSERT_TRUE(a->Transpose());
  EXPECT_EQ(events.Take(), 1);
  ASSERT_EQ(a->NrOfColumns(), 33);
  for (int c = 1; c <= 70; c += 7)
    for (int r = 1; r <= 33; r += 4) EXPECT_EQ(a->GetVal(r, c), before[static_cast<std::size_t>((c - 1) * 33 + r - 1)]);
  auto e = MakeMatrix(0, 5, {});
  ASSERT_TRUE(e->Transpose());
  EXPECT_EQ(e->NrOfColumns(), 5);
  EXPECT_EQ(e->NrOfRows(), 0);
}

}  // namespace
}  // namespace zel
