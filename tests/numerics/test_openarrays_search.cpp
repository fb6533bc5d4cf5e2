// Searching, sorting with an index, duplicate removal and shuffling of
// plain arrays.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

#include "openarrays_reference.h"
#include "zel_base.h"
#include "zel_openarrays.h"
#include "zel_random.h"

using namespace zel;
using zel::test::ArrayRefs;
using zel::test::NumList;

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();

// Number of cycles of the permutation that moved element Data[i] = i.
int CycleCount(const TIntArray& Data) {
  std::vector<bool> seen(Data.size(), false);
  int cycles = 0;
  for (std::size_t start = 0; start < Data.size(); ++start) {
    if (seen[start]) continue;
    ++cycles;
    for (std::size_t i = start; !seen[i]; i = static_cast<std::size_t>(Data[i])) seen[i] = true;
  }
  return cycles;
}

}  // namespace

TEST(OpenArraysSearch, LinearSearchOfIntegersAndText) {
  EXPECT_EQ(FindInArray(3, TIntArray{4, 3, 3}), 1);
  EXPECT_EQ(FindInArray(9, TIntArray{4, 3, 3}), -2);
  EXPECT_EQ(FindInArray(0, TIntArray{}), -1);
  const TStrArray list{"a", "B", "Banana"};
  EXPECT_EQ(FindInArray("b", list, true, false), 1);
  EXPECT_EQ(FindInArray("b", list, false, false), -2);
  EXPECT_EQ(FindInArray("BAN", list, true, true), 2);
  EXPECT_EQ(FindInArray("BAN", list, false, true), -2);
}

TEST(OpenArraysSearch, BisectionFindsEqualOrNearestElement) {
  const TDoubleArray up{1, 2, 3};
  EXPECT_EQ(FindInSortedArray(2.4, up, true), 1);
  EXPECT_EQ(FindInSortedArray(2.5, up, true), 2);  // a tie goes to the later element
  EXPECT_EQ(FindInSortedArray(3, up, true), 2);
  EXPECT_EQ(FindInSortedArray(5, up, true), -2);
  EXPECT_EQ(FindInSortedArray(0.5, up, true), -2);
  EXPECT_EQ(FindInSortedArray(kNaN, up, true), -2);
  EXPECT_EQ(FindInSortedArray(1, TDoubleArray{}, true), -1);
  EXPECT_EQ(FindInSortedArray(4, TDoubleArray{4}, true), 0);
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(FindInSortedArray(inf, TDoubleArray{1, inf}, true), 1);  // equal, though inf - inf is NaN
  EXPECT_EQ(FindInSortedArray(-inf, TDoubleArray{1, -inf}, false), 1);

  const TDoubleArray down{9, 7, 5, 3, 1};
  EXPECT_EQ(FindInSortedArray(6.5, down, false), 1);
  EXPECT_EQ(FindInSortedArray(3, down, false), 3);
  EXPECT_EQ(FindInSortedArray(10, down, false), -2);
  EXPECT_EQ(FindInSortedArray(5, down, true), -2);  // wrong direction: 5 lies "outside" 9..1

  // Unsorted data: no hang and an index of the array.
  TDoubleArray noise(100001);
  for (std::size_t i = 0; i < noise.size(); ++i) noise[i] = std::sin(static_cast<double>(i));
  noise.front() = -2;
  noise.back() = 2;
  const int ix = FindInSortedArray(0.7, noise, true);
  EXPECT_TRUE(ix >= 0 && ix < static_cast<int>(noise.size())) << ix;
}

TEST(OpenArraysSort, IndexHoldsOneBasedOriginalPositions) {
  TIntArray data{3, 1, 2}, index;
  ASSERT_EQ(SortArray(true, data, index), 0);
  EXPECT_EQ(data, (TIntArray{1, 2, 3}));
  EXPECT_EQ(index, (TIntArray{2, 3, 1}));

  for (const char* kind : {"argsort", "argsortd"}) {
    const bool ascending = kind == std::string("argsort");
    for (const auto& f : ArrayRefs(kind)) {
      TDoubleArray d = NumList<double>(f[0]);
      TIntArray ix;
      ASSERT_EQ(SortArray(ascending, d, ix), 0);
      EXPECT_EQ(ix, NumList<int>(f[1])) << kind << " " << f[0];
      EXPECT_TRUE(std::is_sorted(d.begin(), d.end(), [ascending](double a, double b) { return ascending ? a < b : a > b; }));
    }
  }
}

TEST(OpenArraysSort, TiesFollowTheGapSequenceFromNMinusOne) {
  // Hand-traced: the gaps are 1, 1, 1 (from 2); a start from n = 3 would
  // compare with gap 2 first and give index 3, 2, 1.
  TDoubleArray d{5, 5, 0};
  TIntArray index;
  ASSERT_EQ(SortArray(true, d, index), 0);
  EXPECT_EQ(d, (TDoubleArray{0, 5, 5}));
  EXPECT_EQ(index, (TIntArray{3, 1, 2}));
  EXPECT_EQ(ProcStat.load(), 3);  // three passes

  TIntArray i{0, 0, 5};
  ASSERT_EQ(SortArray(false, i, index), 0);
  EXPECT_EQ(i, (TIntArray{5, 0, 0}));
  EXPECT_EQ(index, (TIntArray{3, 1, 2}));
}

TEST(OpenArraysSort, IndexIsFilledForShortArraysAndAbortIsIgnored) {
  TIntArray index{7, 7, 7};
  TDoubleArray one{4};
  EXPECT_EQ(SortArray(true, one, index), -1);
  EXPECT_EQ(index, (TIntArray{1}));

  AbortMathProc = true;
  TIntArray down(200);
  std::iota(down.rbegin(), down.rend(), 0);
  ASSERT_EQ(SortArray(true, down, index), 0);
  EXPECT_TRUE(std::is_sorted(down.begin(), down.end()));
  EXPECT_EQ(index.front(), 200);

  // NaN compares false both ways; the sort still ends.
  TDoubleArray withNaN{3, kNaN, 1, 2, kNaN, 0};
  EXPECT_EQ(SortArray(false, withNaN, index), 0);
}

TEST(OpenArraysSort, DuplicatesRemovedAsNumpyUnique) {
  for (const auto& f : ArrayRefs("unique")) {
    TIntArray a = NumList<int>(f[0]);
    const TIntArray want = NumList<int>(f[1]);
    EXPECT_EQ(SortAndRemoveDuplicates(a, true), static_cast<int>(NumList<int>(f[0]).size() - want.size()));
    EXPECT_EQ(a, want);
  }
  TIntArray d{3, 1, 3, 2};
  EXPECT_EQ(SortAndRemoveDuplicates(d, false), 1);
  EXPECT_EQ(d, (TIntArray{3, 2, 1}));
  TIntArray single{5};
  EXPECT_EQ(SortAndRemoveDuplicates(single, true), -1);
}

TEST(OpenArraysShuffle, EveryShuffleIsOneCycle) {
  for (int n : {2, 3, 10, 57}) {
    for (std::uint32_t seed = 1; seed <= 20; ++seed) {
      SetRandSeed(seed);
      TIntArray a(n);
      std::iota(a.begin(), a.end(), 0);
      ASSERT_EQ(ShuffleArray(a), 0);
      // a[i] is the element now at place i: one cycle, so no fixed point.
      EXPECT_EQ(CycleCount(a), 1) << "n " << n << " seed " << seed;
    }
  }
  TDoubleArray d{1.5, 2.5, 3.5};
  ASSERT_EQ(ShuffleArray(d), 0);
  EXPECT_TRUE(d[0] != 1.5 && d[1] != 2.5 && d[2] != 3.5);
  TDoubleArray one{1};
  EXPECT_EQ(ShuffleArray(one), -1);
}
