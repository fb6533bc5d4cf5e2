// Extremes, means and deviations, counts, dichotomies and percentiles of
// plain arrays, against numpy where it computes the same quantity.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>
#include <tuple>
#include <utility>

#include "openarrays_reference.h"
#include "zel_base.h"
#include "zel_openarrays.h"

using namespace zel;
using zel::test::ArrayRefs;
using zel::test::Nest;
using zel::test::Num;
using zel::test::NumList;

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

// Mean and deviation (and MeanVarArray up to 2-D) of the block B of A
// through the overloads of A's rank.
template <class A, std::size_t... I>
void BlockStats(const A& Data, const std::vector<int>& B, std::index_sequence<I...>, double& Mean, double& StdDev) {
  EXPECT_EQ(MeanArray(Data, B[I]..., Mean), 0);
  EXPECT_EQ(StdDevArray(Data, B[I]..., StdDev), 0);
  if constexpr (oa::RankOf<A> <= 2) {
    double mean, var;
    EXPECT_EQ(MeanVarArray(Data, B[I]..., mean, var), 0);
    EXPECT_EQ(mean, Mean);
    EXPECT_NEAR(std::sqrt(var), StdDev, 1e-15 * StdDev);
  }
}

template <class E>
void CheckStatsRecords(const std::string& Kind) {
  for (const auto& f : ArrayRefs(Kind)) {
    const auto shape = NumList<std::size_t>(f[1]);
    const auto values = NumList<E>(f[2]);
    const auto b = NumList<int>(f[3]);
    const double want_mean = Num<double>(f[4]), want_sd = Num<double>(f[5]);
    double mean = -1, sd = -1;
    switch (shape.size()) {
      case 1: BlockStats(Nest<oa::Arr1<E>>(values, shape), b, std::make_index_sequence<2>(), mean, sd); break;
      case 2: BlockStats(Nest<oa::Arr2<E>>(values, shape), b, std::make_index_sequence<4>(), mean, sd); break;
      case 3: BlockStats(Nest<oa::Arr3<E>>(values, shape), b, std::make_index_sequence<6>(), mean, sd); break;
      default: BlockStats(Nest<oa::Arr4<E>>(values, shape), b, std::make_index_sequence<8>(), mean, sd);
    }
    // numpy sums pairwise, the routines in order: a few ulps of the data apart.
    double scale = 0;
    for (E x : values) scale = std::max(scale, std::fabs(static_cast<double>(x)));
    EXPECT_NEAR(mean, want_mean, 1e-14 * scale) << Kind << " rank " << shape.size();
    // A mean off by d (a few ulps of the data, in numpy as here) raises the
    // deviation by about d^2 / (2 sd): a bound that only large offsets feel,
    // and that still catches the one-pass formula, which loses every digit there.
    const double d = 4 * scale * std::numeric_limits<double>::epsilon();
    EXPECT_NEAR(sd, want_sd, 1e-9 * want_sd + d * d / std::max(want_sd, 1e-300) + 1e-15)
        << Kind << " rank " << shape.size();
  }
}

}  // namespace

TEST(OpenArraysStats, MeanAndDeviationAgreeWithNumpy) {
  CheckStatsRecords<double>("stats");
  CheckStatsRecords<int>("istats");
}

TEST(OpenArraysStats, RangesAreCheckedAndOutputsReset) {
  double mean = 9;
  EXPECT_EQ(MeanArray(TDoubleArray{1, 2, 3, 4}, 1, 2, mean), 0);
  EXPECT_EQ(mean, 2.5);
  EXPECT_EQ(MeanArray(TDoubleArray{1, 2, 3, 4}, 2, 1, mean), -2);
  EXPECT_EQ(mean, 0);
  double sd = 9;
  EXPECT_EQ(StdDevArray(TIntArray{4, 7, 1}, 1, 1, sd), 0);
  EXPECT_EQ(sd, 0);
  const TDouble2DArray m{{1, 2, 3}, {4, 5, 6}};
  EXPECT_EQ(MeanArray(m, -1, 1, 0, 2, mean), -2);
  EXPECT_EQ(MeanArray(TDouble2DArray{{1, 2, 3}, {4, 5}}, 0, 0, 0, 1, mean), -2);
  EXPECT_EQ(MeanArray(TInt3DArray{}, 0, 0, 0, 0, 0, 0, mean), -1);
  double var = 9;
  EXPECT_EQ(MeanVarArray(m, 1, 1, 0, 3, mean, var), -2);
  EXPECT_EQ(var, 0);
}

TEST(OpenArraysStats, ExtremesAndFirstPositionsAgreeWithNumpy) {
  for (const auto& f : ArrayRefs("extr")) {
    const auto shape = NumList<std::size_t>(f[0]);
    const auto flat = NumList<double>(f[1]);
    const double mn = Num<double>(f[2]), mx = Num<double>(f[4]);
    const int argmin = Num<int>(f[3]), argmax = Num<int>(f[5]);
    double lo = 0, hi = 0;
    if (shape.size() == 1) {
      EXPECT_EQ(MaxArray(flat), mx);
      EXPECT_EQ(MinArray(flat), mn);
      int ilo = 0, ihi = 0;
      ASSERT_EQ(MinMaxArray(flat, 0, static_cast<int>(flat.size()) - 1, lo, ilo, hi, ihi), 0);
      EXPECT_EQ(ilo, argmin);
      EXPECT_EQ(ihi, argmax);
      MinMaxArray(flat.data(), static_cast<int>(flat.size()), lo, hi);  // pointer form
    } else if (shape.size() == 2) {
      const auto a = Nest<TDouble2DArray>(flat, shape);
      const int cols = static_cast<int>(shape[1]);
      int i1, j1, i2, j2;
      ASSERT_EQ(MinMaxArray(a, 0, static_cast<int>(shape[0]) - 1, 0, cols - 1, lo, i1, j1, hi, i2, j2), 0);
      EXPECT_EQ(i1 * cols + j1, argmin);
      EXPECT_EQ(i2 * cols + j2, argmax);
    } else {
      MinMaxArray(Nest<TDouble3DArray>(flat, shape), lo, hi);
    }
    EXPECT_EQ(lo, mn);
    EXPECT_EQ(hi, mx);
  }
  for (const auto& f : ArrayRefs("iextr")) {
    const auto shape = NumList<std::size_t>(f[0]);
    const auto a = Nest<TInt2DArray>(NumList<int>(f[1]), shape);
    const int cols = static_cast<int>(shape[1]);
    int i, j;
    EXPECT_EQ(MinArray(a, i, j), Num<int>(f[2]));
    EXPECT_EQ(i * cols + j, Num<int>(f[3]));
    EXPECT_EQ(MaxArray(a, i, j), Num<int>(f[4]));
    EXPECT_EQ(i * cols + j, Num<int>(f[5]));
  }
}

TEST(OpenArraysStats, ExtremesOfEmptyNaNAndInfiniteData) {
  EXPECT_EQ(MaxArray(TDoubleArray{}), -uc_MaxDouble);
  EXPECT_EQ(MinArray(TDouble4DArray{}), uc_MaxDouble);
  EXPECT_EQ(MaxArray(TInt2DArray{{1, 2}, {3}}), INT_MIN);
  EXPECT_EQ(MinArray(TDoubleArray{kNaN, 2, kNaN, -1}), -1);
  EXPECT_EQ(MaxArray(TDoubleArray{-kInf}), -uc_MaxDouble);  // the start value is never beaten
  EXPECT_EQ(MinArray(TDoubleArray{-kInf, 3}), -kInf);
  int ix = 0, ix2 = 0;
  EXPECT_EQ(MaxArray(TIntArray{INT_MIN, INT_MIN}, ix), INT_MIN);
  EXPECT_EQ(ix, 0);
  EXPECT_EQ(MinArray(TIntArray{}, ix), INT_MAX);
  EXPECT_EQ(ix, -1);
  EXPECT_EQ(MinArray(TInt2DArray{{1}, {}}, ix, ix2), INT_MAX);
  EXPECT_EQ(ix2, -1);

  float flo = 0, fhi = 0;
  MinMaxArray(std::vector<std::vector<float>>{{1, -2}, {5, std::numeric_limits<float>::quiet_NaN()}}, flo, fhi);
  EXPECT_EQ(flo, -2);
  EXPECT_EQ(fhi, 5);
  int posMin = 0, posMax = 0;
  EXPECT_EQ(MinMaxArray(TSingleArray{3, -1, 8, -1}, 1, 3, flo, posMin, fhi, posMax), 0);
  EXPECT_EQ(flo, -1);
  EXPECT_EQ(posMin, 1);
  EXPECT_EQ(fhi, 8);
  EXPECT_EQ(MinMaxArray(TSingleArray{3, -1}, 1, 2, flo, posMin, fhi, posMax), -2);
  EXPECT_EQ(posMin, -1);
  EXPECT_EQ(fhi, -uc_MaxSingle);
  double lo, hi;
  int i1, j1, i2, j2;
  EXPECT_EQ(MinMaxArray(TDouble2DArray{{1, 2}, {3, 4}}, 0, 1, 1, 0, lo, i1, j1, hi, i2, j2), -2);
  EXPECT_EQ(i2, -1);
  EXPECT_EQ(hi, -uc_MaxDouble);
}

TEST(OpenArraysStats, CountsTrueCellsAndDichotomies) {
  EXPECT_EQ(CountValues(TDoubleArray{1, 2, 3}, 0, 2, 2, 3), 2);
  for (const auto& f : ArrayRefs("count")) {
    const auto a = NumList<double>(f[0]);
    const auto range = NumList<int>(f[1]);
    const auto limits = NumList<double>(f[2]);
    EXPECT_EQ(CountValues(a, range[0], range[1], limits[0], limits[1]), Num<int>(f[3]));
  }
  const TInt3DArray cube(2, TInt2DArray(2, TIntArray{1, 5}));
  EXPECT_EQ(CountValues(cube, 0, 1, 1, 1, 0, 1, 0.5, 4.5), 2);
  EXPECT_EQ(CountValues(cube, 0, 1, 1, 1, 0, 1, 5, 4), -2);
  EXPECT_EQ(CountValues(cube, 0, 2, 0, 1, 0, 1, 0, 9), -2);
  EXPECT_EQ(CountValues(TDoubleArray{kNaN, 1}, 0, 1, -kInf, kInf), 1);

  EXPECT_EQ(CountTrueCellsOfArray(TBool2DArray{{true, false}, {true, true}}), 3);
  EXPECT_EQ(CountTrueCellsOfArray(TBool2DArray{{true, true}, {true}}), -2);

  auto dichotomy = [](const auto& Data) {
    oa::ElemOf<std::decay_t<decltype(Data)>> v1 = -1, v2 = -1;
    const bool yes = IsDichotomous(Data, v1, v2);
    return std::tuple(yes, static_cast<double>(v1), static_cast<double>(v2));
  };
  EXPECT_EQ(dichotomy(TIntArray{1, 3, 1, 3}), std::tuple(true, 1.0, 3.0));
  EXPECT_EQ(dichotomy(TIntArray{9, 9, 2}), std::tuple(true, 2.0, 9.0));
  EXPECT_EQ(dichotomy(TIntArray{1, 2, 3}), std::tuple(false, 1.0, 1.0));
  EXPECT_EQ(dichotomy(TIntArray{4, 4}), std::tuple(false, 4.0, 4.0));
  EXPECT_EQ(dichotomy(TIntArray{4}), std::tuple(false, 0.0, 0.0));
  EXPECT_EQ(dichotomy(TDoubleArray{0, 1, kNaN}), std::tuple(false, 0.0, 0.0));
  EXPECT_EQ(dichotomy(TDoubleArray{0.5, -0.5}), std::tuple(true, -0.5, 0.5));

  TBool2DArray flags;
  ASSERT_EQ(DichotomizeArray(TInt2DArray{{1, 2, 3}}, 2, flags), 0);
  EXPECT_EQ(flags, (TBool2DArray{{false, false, true}}));
  ASSERT_EQ(DichotomizeArray(TDouble2DArray{{1, 2}, {3, 4}}, 2, 3, flags), 0);
  EXPECT_EQ(flags, (TBool2DArray{{false, true}, {true, false}}));
  EXPECT_EQ(DichotomizeArray(TDouble2DArray{{1, 2}, {4}}, 3, flags), -2);
  EXPECT_EQ(flags, (TBool2DArray{{false, true}, {true, false}}));
}

TEST(OpenArraysStats, PercentilesAgreeWithNumpyPartition) {
  for (const auto& f : ArrayRefs("pct")) {
    const auto a = NumList<double>(f[0]);
    const TDoubleArray before = a;
    EXPECT_EQ(PercentileArray(Num<double>(f[1]), a), Num<double>(f[3])) << f[0] << " p " << f[1];
    EXPECT_EQ(a, before);  // selection works on a copy
  }
  const TDoubleArray a{5, 1, 4, 2, 3};
  EXPECT_EQ(PercentileArray(-20, a), 1);
  EXPECT_EQ(PercentileArray(250, a), 5);
  EXPECT_EQ(PercentileArray(kNaN, a), 1);

  // Rows 1..2 and columns 0..1 of the block, reversed and clamped bounds.
  const TDouble2DArray m{{90, 91, 92}, {4, 3, 99}, {2, 1, 98}};
  EXPECT_EQ(PercentileArray(50, m, 2, 1, -5, 1), 3);
  EXPECT_EQ(PercentileArray(100, m, 1, 7, 0, 1), 4);
  EXPECT_EQ(PercentileArray(0, m, 0, 0, 2, 2), 92);
  EXPECT_EQ(PercentileArray(50, TDouble2DArray{{1, 2}, {3}}, 0, 1, 0, 1), 0);
  EXPECT_EQ(PercentileArray(50, TDouble2DArray{}, 0, 1, 0, 1), 0);
}
