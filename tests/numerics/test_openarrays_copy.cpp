// Cloning and conversion, block/row/column copies, transposition, Boolean
// maps, equality and filling of plain arrays.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>
#include <set>

#include "openarrays_reference.h"
#include "zel_openarrays.h"

using namespace zel;
using zel::test::ArrayRefs;
using zel::test::NumList;

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();
const float kInfF = std::numeric_limits<float>::infinity();

// A 3-D array whose element [i][j][k] is 100 i + 10 j + k.
TInt3DArray Coded3D(int N1, int N2, int N3) {
  TInt3DArray a(N1, TInt2DArray(N2, TIntArray(N3)));
  for (int i = 0; i < N1; ++i)
    for (int j = 0; j < N2; ++j)
      for (int k = 0; k < N3; ++k) a[i][j][k] = 100 * i + 10 * j + k;
  return a;
}

}  // namespace

TEST(OpenArraysClone, ConversionsRoundHalfEvenAndClamp) {
  TIntArray dest;
  ASSERT_EQ(CloneArray(TDoubleArray{2.5, 3.5, 1e12}, dest), 0);
  EXPECT_EQ(dest, (TIntArray{2, 4, INT_MAX}));
  const auto ref = ArrayRefs("round").at(0);  // numpy rint + clip
  ASSERT_EQ(CloneArray(NumList<double>(ref[0]), dest), 0);
  EXPECT_EQ(dest, NumList<int>(ref[1]));
  // NaN has no nearest integer: 0. The same rule in 3-D.
  TInt3DArray dest3;
  ASSERT_EQ(CloneArray(TDouble3DArray{{{kNaN, -2.5}}, {{kInf, -kInf}}}, dest3), 0);
  EXPECT_EQ(dest3, (TInt3DArray{{{0, -2}}, {{INT_MAX, INT_MIN}}}));

  TSingleArray s;
  ASSERT_EQ(CloneArray(TDoubleArray{1e300, -1e300, 0.1, kNaN}, s), 0);
  EXPECT_EQ(s[0], kInfF);
  EXPECT_EQ(s[1], -kInfF);
  EXPECT_EQ(s[2], 0.1f);
  EXPECT_TRUE(std::isnan(s[3]));
  TDoubleArray d;
  ASSERT_EQ(CloneAndReverseArray(TSingleArray{0.1f, -2.5f}, d), 0);
  EXPECT_EQ(d, (TDoubleArray{-2.5, static_cast<double>(0.1f)}));  // the float's value, not 0.1
}

TEST(OpenArraysClone, RaggedAndEmptySources) {
  // Ragged, longer or empty inner arrays: refused, destination untouched.
  const TDouble2DArray keep{{9}};
  for (const TDouble2DArray& bad : {TDouble2DArray{{1, 2}, {3}}, TDouble2DArray{{1}, {2, 3}}, TDouble2DArray{{}, {}}}) {
    TDouble2DArray out = keep;
    EXPECT_EQ(CloneArray(bad, out), -2);
    EXPECT_EQ(out, keep);
  }
  TBool2DArray bools{{true}};
  EXPECT_EQ(CloneArray(TBool2DArray{{true, false}, {true}}, bools), -2);
  EXPECT_EQ(bools, (TBool2DArray{{true}}));
  // An empty source gives an empty copy.
  TIntArray ints{1};
  EXPECT_EQ(CloneArray(TIntArray{}, ints), -1);
  EXPECT_TRUE(ints.empty());
  ints = {1, 2, 3, 4};
  ASSERT_EQ(CloneAndReverseArray(ints, ints), 0);  // in place
  EXPECT_EQ(ints, (TIntArray{4, 3, 2, 1}));
}

TEST(OpenArraysCopy, BlocksFromStartsAndBetweenBounds) {
  const TInt3DArray src = Coded3D(3, 4, 5);
  TInt3DArray block;
  ASSERT_EQ(CopyArray(src, 1, 1, 1, 3, 0, 1, block), 0);
  EXPECT_EQ(block, (TInt3DArray{{{110, 111}, {120, 121}, {130, 131}}}));
  ASSERT_EQ(CopyArray(src, 2, 3, 4, block), 0);
  EXPECT_EQ(block, (TInt3DArray{{{234}}}));
  // Bounds negative, beyond the end, reversed; a start beyond the end.
  EXPECT_EQ(CopyArray(src, -1, 0, 0, 0, 0, 0, block), -2);
  EXPECT_EQ(CopyArray(src, 0, 3, 0, 0, 0, 0, block), -2);
  EXPECT_EQ(CopyArray(src, 0, 0, 2, 1, 0, 0, block), -2);
  EXPECT_EQ(CopyArray(src, 0, 0, 5, block), -2);
  EXPECT_EQ(block, (TInt3DArray{{{234}}}));

  TDoubleArray d{0, 1, 2, 3, 4};
  ASSERT_EQ(CopyArray(d, 1, 3, d), 0);  // the destination may be the source
  EXPECT_EQ(d, (TDoubleArray{1, 2, 3}));
  ASSERT_EQ(CopyArray(d, 2, d), 0);
  EXPECT_EQ(d, (TDoubleArray{3}));
  TBool2DArray b{{true, false, true}, {false, false, true}};
  ASSERT_EQ(CopyArray(b, 0, 1, 1, 2, b), 0);
  EXPECT_EQ(b, (TBool2DArray{{false, true}, {false, true}}));
  EXPECT_EQ(CopyArray(TDoubleArray{}, 0, d), -1);
}

TEST(OpenArraysCopy, RowsAndColumnsBothWays) {
  const TInt2DArray src{{1, 2, 3}, {4, 5, 6}};
  TIntArray v;
  ASSERT_EQ(CopyArrayRow(src, 1, 1, 2, v), 0);
  EXPECT_EQ(v, (TIntArray{5, 6}));
  ASSERT_EQ(CopyArrayColumn(src, 2, 0, 1, v), 0);
  EXPECT_EQ(v, (TIntArray{3, 6}));
  EXPECT_EQ(CopyArrayRow(src, 2, 0, 0, v), -2);
  EXPECT_EQ(CopyArrayColumn(TInt2DArray{{1, 2}, {3}}, 1, 0, 1, v), -2);  // row 1 has no column 1
  EXPECT_EQ(v, (TIntArray{3, 6}));

  TDouble2DArray dest(3, TDoubleArray(3, 0));
  ASSERT_EQ(CopyVectorToArrayRow(TDoubleArray{7, 8, 9}, 1, 2, 2, 1, dest), 0);
  ASSERT_EQ(CopyVectorToArrayColumn(TDoubleArray{7, 8, 9}, 0, 1, 0, 1, dest), 0);
  EXPECT_EQ(dest, (TDouble2DArray{{0, 0, 0}, {7, 0, 0}, {8, 8, 9}}));
  // Targets running past the end of a row or column, or far outside.
  EXPECT_EQ(CopyVectorToArrayRow(TDoubleArray{7, 8, 9}, 0, 2, 0, 1, dest), -2);
  EXPECT_EQ(CopyVectorToArrayColumn(TDoubleArray{7, 8, 9}, 0, 1, 0, 2, dest), -2);
  EXPECT_EQ(CopyVectorToArrayRow(TDoubleArray{7, 8}, 0, 1, 0, INT_MAX, dest), -2);
  EXPECT_EQ(dest[0], (TDoubleArray{0, 0, 0}));
}

TEST(OpenArraysCopy, TransposeBooleanMapsAndEquality) {
  TInt2DArray a{{1, 2, 3}, {4, 5, 6}};
  ASSERT_EQ(TransposeArray(a), 0);
  EXPECT_EQ(a, (TInt2DArray{{1, 4}, {2, 5}, {3, 6}}));
  TBool2DArray b{{true, false}};
  ASSERT_EQ(TransposeArray(b), 0);
  EXPECT_EQ(b, (TBool2DArray{{true}, {false}}));
  TDouble2DArray ragged{{1, 2}, {3}};
  EXPECT_EQ(TransposeArray(ragged), -2);
  EXPECT_EQ(ragged, (TDouble2DArray{{1, 2}, {3}}));

  TDouble2DArray d;
  ASSERT_EQ(BoolToNumArray(TBool2DArray{{true, false}, {false, false}}, 2.5, -1, d), 0);
  EXPECT_EQ(d, (TDouble2DArray{{2.5, -1}, {-1, -1}}));
  EXPECT_EQ(BoolToNumArray(TBool2DArray{{true}, {}}, 1, 0, d), -2);

  const TInt3DArray c = Coded3D(2, 2, 2);
  TInt3DArray c2 = c;
  EXPECT_TRUE(EqualArrays(c, c2));
  c2[1][1][1] = 0;
  EXPECT_FALSE(EqualArrays(c, c2));
  EXPECT_FALSE(EqualArrays(TInt2DArray{{1, 2}}, TInt2DArray{{1}, {2}}));
  const TInt2DArray jagged{{1, 2}, {3}};
  EXPECT_FALSE(EqualArrays(jagged, jagged));
}

TEST(OpenArraysFill, WholeRangedAndMasked) {
  TInt3DArray a = Coded3D(2, 3, 2);
  ASSERT_EQ(FillArray(a, 7, 1, 1, 0, 1, 1, 1), 0);
  TInt3DArray want = Coded3D(2, 3, 2);
  want[1][0][1] = want[1][1][1] = 7;
  EXPECT_EQ(a, want);
  EXPECT_EQ(FillArray(a, 0, 0, 1, 0, 3, 0, 1), -2);
  EXPECT_EQ(a, want);

  TBool2DArray flags(2, TBoolArray(3, false));
  ASSERT_EQ(FillArray(flags, true, 0, 1, 2, 2), 0);
  TDouble2DArray m(2, TDoubleArray(3, 0));
  ASSERT_EQ(FillArrayMasked(m, 4.0, flags), 0);
  EXPECT_EQ(m, (TDouble2DArray{{0, 0, 4}, {0, 0, 4}}));
  EXPECT_EQ(FillArrayMasked(m, 1.0, TBool2DArray{{true, true, true}}), -2);
  EXPECT_EQ(m, (TDouble2DArray{{0, 0, 4}, {0, 0, 4}}));

  TInt2DArray ragged{{1}, {2, 3}};
  EXPECT_EQ(FillArray(ragged, 0), -2);
  EXPECT_EQ(ragged, (TInt2DArray{{1}, {2, 3}}));
}

TEST(OpenArraysFill, RunningIndicesAndDiagonals) {
  TDouble3DArray r(2, TDouble2DArray(2, TDoubleArray(3)));
  ASSERT_EQ(FillArrayRix(r), 0);
  EXPECT_EQ(r, (TDouble3DArray{{{0, 1, 2}, {3, 4, 5}}, {{6, 7, 8}, {9, 10, 11}}}));

  TInt3DArray cube = Coded3D(3, 3, 3);
  ASSERT_EQ(FillDiagArray(cube, 5), 0);
  TInt3DArray want(3, TInt2DArray(3, TIntArray(3, 0)));
  for (int i = 0; i < 3; ++i) want[i][i][i] = 5;
  EXPECT_EQ(cube, want);
  TDouble2DArray rect(2, TDoubleArray(3, 1.0));
  EXPECT_EQ(FillDiagArray(rect, 1.0), -2);
  EXPECT_EQ(rect, TDouble2DArray(2, TDoubleArray(3, 1.0)));
}

TEST(OpenArraysFill, RandomValuesFollowTheirDistribution) {
  TInt2DArray a(40, TIntArray(50));
  ASSERT_EQ(FillRandomUniform(a, 2, -2), 0);  // reversed bounds, both inclusive
  std::set<int> seen;
  for (const auto& row : a) seen.insert(row.begin(), row.end());
  EXPECT_EQ(seen, (std::set<int>{-2, -1, 0, 1, 2}));
  // The full 32-bit range has 2^32 values, one more than an int32 count.
  TIntArray wide(2000);
  ASSERT_EQ(FillRandomUniform(wide, INT_MIN, INT_MAX), 0);
  const auto negatives = std::count_if(wide.begin(), wide.end(), [](int x) { return x < 0; });
  EXPECT_GT(negatives, 850);
  EXPECT_LT(negatives, 1150);
  TDoubleArray u(4000);
  ASSERT_EQ(FillRandomUniform(u, -1.0, 3.0), 0);
  const auto [lo, hi] = std::minmax_element(u.begin(), u.end());
  EXPECT_GE(*lo, -1.0);
  EXPECT_LT(*hi, 3.0);

  TDouble3DArray n(10, TDouble2DArray(40, TDoubleArray(50)));
  ASSERT_EQ(FillRandomNormal(n, 10.0, 3.0), 0);
  double mean, sd;
  ASSERT_EQ(MeanArray(n, 0, 9, 0, 39, 0, 49, mean), 0);
  ASSERT_EQ(StdDevArray(n, 0, 9, 0, 39, 0, 49, sd), 0);
  // 20000 draws: standard errors 0.021 (mean) and 0.015 (deviation); five of them as bounds.
  EXPECT_NEAR(mean, 10.0, 0.11);
  EXPECT_NEAR(sd, 3.0, 0.08);
}
