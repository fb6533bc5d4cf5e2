// Element-wise arithmetic, accumulation and products of plain arrays.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "openarrays_reference.h"
#include "zel_openarrays.h"

using namespace zel;
using zel::test::ArrayRefs;
using zel::test::Nest;
using zel::test::NumList;

namespace {

// The element-wise routines on a sample of ranks and element types.
template <class A>
class OpenArraysElementwise : public testing::Test {
 protected:
  using E = oa::ElemOf<A>;
  // A 4 x 3 x 2 x 2 array (cut to the rank) whose n-th element in index
  // order is Value(n).
  template <class F>
  static A Make(F Value) {
    std::vector<std::size_t> shape{4, 3, 2, 2};
    shape.resize(oa::RankOf<A>);
    std::size_t count = 1;
    for (std::size_t s : shape) count *= s;
    std::vector<E> flat(count);
    for (std::size_t n = 0; n < count; ++n) flat[n] = static_cast<E>(Value(static_cast<int>(n)));
    return Nest<A>(flat, shape);
  }
};

using ElementwiseTypes = testing::Types<TDoubleArray, TInt2DArray, TDouble3DArray, TInt4DArray>;
TYPED_TEST_SUITE(OpenArraysElementwise, ElementwiseTypes);

}  // namespace

TYPED_TEST(OpenArraysElementwise, ArithmeticMatchesTheElementFormulas) {
  using E = typename TestFixture::E;
  auto make = [](auto f) { return TestFixture::Make(f); };
  const TypeParam a = make([](int n) { return n - 5; });
  const TypeParam b = make([](int n) { return 2 * n + 1; });
  TypeParam dest;
  ASSERT_EQ(AddArrays(a, b, dest), 0);
  EXPECT_EQ(dest, make([](int n) { return 3 * n - 4; }));
  ASSERT_EQ(SubtractArrays(a, b, dest), 0);
  EXPECT_EQ(dest, make([](int n) { return -n - 6; }));
  ASSERT_EQ(AddScalarToArray(a, E{10}, dest), 0);
  EXPECT_EQ(dest, make([](int n) { return n + 5; }));
  ASSERT_EQ(MultiplyArrayByScalar(a, E{-3}, dest), 0);
  EXPECT_EQ(dest, make([](int n) { return 15 - 3 * n; }));

  TypeParam c = a;
  ASSERT_EQ(AbsValArray(c), 0);
  ASSERT_EQ(IncArray(c, E{-1}), 0);
  ASSERT_EQ(MultiplyArrayByScalar(c, E{2}), 0);
  ASSERT_EQ(AccumulateArray(c, b, E{3}), 0);
  EXPECT_EQ(c, make([](int n) { return 2 * (std::abs(n - 5) - 1) + 6 * n + 3; }));
  c = a;
  ASSERT_EQ(AddArrays(c, b, c), 0);  // the destination may be an input
  EXPECT_EQ(c, make([](int n) { return 3 * n - 4; }));
}

TYPED_TEST(OpenArraysElementwise, ShapesMustAgree) {
  using E = typename TestFixture::E;
  const TypeParam a = TestFixture::Make([](int n) { return n; });
  TypeParam other = a, dest = a;
  // Shorter, or (beyond 1-D) ragged: one inner array cut short.
  if constexpr (oa::RankOf<TypeParam> > 1) other.back().pop_back(); else other.pop_back();
  EXPECT_EQ(AddArrays(a, other, dest), -2);
  EXPECT_EQ(AccumulateArray(dest, other, E{1}), -2);
  EXPECT_EQ(IncArray(other, E{1}), oa::RankOf<TypeParam> > 1 ? -2 : 0);
  EXPECT_EQ(SubtractArrays(a, TypeParam{}, dest), -1);
  EXPECT_EQ(dest, a);
}

TEST(OpenArraysArith, IntegerArithmeticWraps) {
  TIntArray a{INT_MAX, INT_MIN, -7};
  ASSERT_EQ(IncArray(a, 1), 0);
  EXPECT_EQ(a, (TIntArray{INT_MIN, INT_MIN + 1, -6}));
  ASSERT_EQ(MultiplyArrayByScalar(a, 2), 0);
  EXPECT_EQ(a, (TIntArray{0, 2, -12}));
  TInt2DArray b{{INT_MIN, -3}};  // |INT_MIN| does not exist: the largest int stands in
  ASSERT_EQ(AbsValArray(b), 0);
  EXPECT_EQ(b, (TInt2DArray{{INT_MAX, 3}}));
  int dot = 0;
  ASSERT_EQ(VectorDotProduct(TIntArray{65536, 1}, TIntArray{65536, 5}, dot), 0);
  EXPECT_EQ(dot, 5);  // 2^32 + 5 modulo 2^32
}

TEST(OpenArraysArith, MatrixProductsAgreeWithNumpy) {
  for (const auto& f : ArrayRefs("matmul")) {
    const auto nmp = NumList<std::size_t>(f[0]);
    const auto a = Nest<TDouble2DArray>(NumList<double>(f[1]), {nmp[0], nmp[1]});
    const auto b = Nest<TDouble2DArray>(NumList<double>(f[2]), {nmp[1], nmp[2]});
    const auto want = Nest<TDouble2DArray>(NumList<double>(f[3]), {nmp[0], nmp[2]});
    TDouble2DArray got;
    ASSERT_EQ(MultiplyArrays(a, b, got), 0);
    ASSERT_EQ(got.size(), nmp[0]);
    for (std::size_t i = 0; i < nmp[0]; ++i)
      for (std::size_t j = 0; j < nmp[2]; ++j) EXPECT_NEAR(got[i][j], want[i][j], 1e-14 * nmp[1]);
    TDoubleArray row;
    ASSERT_EQ(MultiplyArrays(a[0], b, row), 0);
    EXPECT_EQ(row, got[0]);
  }
  for (const auto& f : ArrayRefs("imatmul")) {
    const auto nmp = NumList<std::size_t>(f[0]);
    TInt2DArray a = Nest<TInt2DArray>(NumList<int>(f[1]), {nmp[0], nmp[1]});
    ASSERT_EQ(MultiplyArrays(a, Nest<TInt2DArray>(NumList<int>(f[2]), {nmp[1], nmp[2]}), a), 0);
    EXPECT_EQ(a, Nest<TInt2DArray>(NumList<int>(f[3]), {nmp[0], nmp[2]}));
  }
  TDouble2DArray keep{{1}};
  EXPECT_EQ(MultiplyArrays(TDouble2DArray{{1, 2}}, TDouble2DArray{{1, 2}}, keep), -2);
  EXPECT_EQ(MultiplyArrays(TDouble2DArray{{1, 2}}, TDouble2DArray{{1}, {2, 3}}, keep), -2);
  EXPECT_EQ(keep, (TDouble2DArray{{1}}));
  TDoubleArray v{9};
  EXPECT_EQ(MultiplyArrays(TDoubleArray{1, 2, 3}, TDouble2DArray{{1}, {2}}, v), -2);
  TIntArray e;
  ASSERT_EQ(MultiplyArraysElemw(TIntArray{2, 3}, TIntArray{-4, 5}, e), 0);
  EXPECT_EQ(e, (TIntArray{-8, 15}));
}

TEST(OpenArraysArith, VectorProductsSquaredDifferencesAndTrace) {
  TIntArray c;
  ASSERT_EQ(VectorCrossProduct(TIntArray{2, 3, 4}, TIntArray{5, 6, 7}, c), 0);
  EXPECT_EQ(c, (TIntArray{-3, 6, -3}));
  EXPECT_EQ(VectorCrossProduct(TIntArray{2, 3}, TIntArray{5, 6}, c), -2);
  double dot = 1;
  ASSERT_EQ(VectorDotProduct(TDoubleArray{1, 2, 3}, TDoubleArray{4, -5, 0.5}, dot), 0);
  EXPECT_EQ(dot, -4.5);
  EXPECT_EQ(VectorDotProduct(TDoubleArray{1, 2, 3}, TDoubleArray{4, -5}, dot), -2);
  EXPECT_EQ(dot, 0);

  EXPECT_EQ(SumOfSquaredDiffs(TDoubleArray{1, 2, 3}, TDoubleArray{1, 4, 0}), 13);
  EXPECT_EQ(SumOfSquaredDiffs(TDoubleArray{}, TDoubleArray{1}), -1);
  EXPECT_EQ(SumOfSquaredDiffs(TDoubleArray{1}, TDoubleArray{1, 2}), -2);
  const TDouble2DArray rows{{0, 0}, {1, -1}};
  EXPECT_EQ(SumOfSquaredDiffs(TDoubleArray{2, 2}, rows, 1), 10);
  EXPECT_EQ(SumOfSquaredDiffs(TDoubleArray{2, 2}, rows, 2), -2);

  int trace = 0;
  ASSERT_EQ(TraceOfArray(TInt2DArray{{1, 2, 3}, {4, 5, 6}}, trace), 0);
  EXPECT_EQ(trace, 6);
  double dtrace = 1;
  EXPECT_EQ(TraceOfArray(TDouble2DArray{{1, 2}, {3}}, dtrace), -2);
  EXPECT_EQ(dtrace, 0);
}
