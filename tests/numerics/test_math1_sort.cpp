// Comb sort against a plain scalar comb sort, numpy's sort and Python's gap
// sequence; exchange helpers, sorted buffers and QuickSelect.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "test_math1_sort_refs.h"
#include "zel_math1_sort.h"

using namespace zel::test;

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();

// The comb sort written as plainly as possible: the oracle for every
// exchange and for the number of passes.
template <class T>
int PlainCombSort(std::vector<T>& A, bool Asc) {
  const std::size_t n = A.size();
  if (n < 2) return 0;
  int passes = 0;
  std::size_t gap = n;
  bool exchanged = false;
  do {
    gap = std::max<std::size_t>(1, static_cast<std::size_t>(static_cast<double>(gap) / 1.3));
    exchanged = false;
    for (std::size_t i = 0; i + gap < n; ++i) {
      if (Asc ? A[i] > A[i + gap] : A[i] < A[i + gap]) {
        std::swap(A[i], A[i + gap]);
        exchanged = true;
      }
    }
    ++passes;
  } while (gap > 1 || exchanged);
  return passes;
}

// Random values from a small set (ties), with NaNs and both zeros for
// floating types.
template <class T>
std::vector<T> TestData(std::size_t N, std::mt19937& Rng) {
  std::vector<T> v(N);
  for (auto& x : v) {
    const int r = static_cast<int>(Rng() % 1000);
    if constexpr (std::is_floating_point_v<T>) {
      if (r < 40)
        x = std::numeric_limits<T>::quiet_NaN();
      else if (r < 80)
        x = r % 2 ? T(-0.0) : T(0.0);
      else
        x = static_cast<T>(r % 97) - T(48.5);
    } else {
      x = static_cast<T>(Rng());  // wraps into the whole range of T
      if (r < 300) x = static_cast<T>(r % 7);
    }
  }
  return v;
}

template <class T>
bool SameBits(const std::vector<T>& A, const std::vector<T>& B) {
  return A.size() == B.size() && (A.empty() || std::memcmp(A.data(), B.data(), A.size() * sizeof(T)) == 0);
}

// SortArray on the typed vector, or on the untyped overload with Kind.
template <class T>
void ExpectSameAsPlainCombSort(zel::TVarKind Kind, bool Untyped, std::mt19937& Rng) {
  for (std::size_t n : {0, 1, 2, 3, 4, 5, 7, 8, 9, 15, 16, 17, 31, 33, 63, 64, 65, 129, 1000, 4099}) {
    for (bool asc : {true, false}) {
      std::vector<T> ours = TestData<T>(n, Rng), plain = ours;
      const int passes = PlainCombSort(plain, asc);
      zel::ResetMathProcState();
      if constexpr (std::is_same_v<T, double> || std::is_same_v<T, float> || std::is_same_v<T, int>) {
        if (!Untyped) zel::SortArray(ours, asc);
      }
      if (Untyped) zel::SortArray(ours.data(), static_cast<int>(n), Kind, asc);
      ASSERT_TRUE(SameBits(ours, plain)) << "n=" << n << " asc=" << asc << " kind=" << static_cast<int>(Kind);
      ASSERT_EQ(zel::ProcStat.load(), passes) << "n=" << n;
    }
  }
}

}  // namespace

TEST(Math1Sort, SortArrayMakesTheExchangesAndPassesOfThePlainCombSort) {
  std::mt19937 rng(5);
  for (bool baseline : {false, true}) {  // AVX2 (where present) and SSE2 kernels
    const bool old = zel::detail::CombSortRestrictToBaseline(baseline);
    ExpectSameAsPlainCombSort<double>(zel::vkDouble, false, rng);
    ExpectSameAsPlainCombSort<float>(zel::vkSingle, false, rng);
    ExpectSameAsPlainCombSort<int>(zel::vkInteger, false, rng);
    zel::detail::CombSortRestrictToBaseline(old);
  }
}

TEST(Math1Sort, UntypedSortArrayHandlesEveryKind) {
  std::mt19937 rng(6);
  ExpectSameAsPlainCombSort<std::uint8_t>(zel::vkByte, true, rng);
  ExpectSameAsPlainCombSort<std::int8_t>(zel::vkShortint, true, rng);
  ExpectSameAsPlainCombSort<std::int16_t>(zel::vkSmallint, true, rng);
  ExpectSameAsPlainCombSort<std::uint16_t>(zel::vkWord, true, rng);
  ExpectSameAsPlainCombSort<int>(zel::vkInteger, true, rng);
  ExpectSameAsPlainCombSort<std::uint32_t>(zel::vkLongword, true, rng);
  ExpectSameAsPlainCombSort<std::int64_t>(zel::vkInt64, true, rng);
  ExpectSameAsPlainCombSort<float>(zel::vkSingle, true, rng);
  ExpectSameAsPlainCombSort<double>(zel::vkDouble, true, rng);
  ExpectSameAsPlainCombSort<zel::Extended>(zel::vkExtended, true, rng);
  std::vector<double> v{3, 1, 2};
  zel::ResetMathProcState();
  zel::SortArray(v.data(), 0, zel::vkDouble, true);
  zel::SortArray(v.data(), -1, zel::vkDouble, true);
  EXPECT_EQ(v, (std::vector<double>{3, 1, 2}));
  EXPECT_EQ(zel::ProcStat.load(), 0);
}

TEST(Math1Sort, GapSequenceIsPythonsAndAMillionValuesSortLikeThePlainSort) {
  for (const auto& row : SortRefs("gaps")) {
    const auto n = static_cast<std::size_t>(std::stoul(row[1]));
    std::vector<std::size_t> gaps;
    for (std::size_t g = n; g > 1;) gaps.push_back(g = std::max<std::size_t>(1, static_cast<std::size_t>(g / 1.3)));
    std::vector<double> expected = RefList(row[2]);
    ASSERT_EQ(gaps, std::vector<std::size_t>(expected.begin(), expected.end())) << "n=" << n;
    // On sorted data every gap takes one pass and the first gap-1 pass ends it.
    std::vector<int> sorted(n);
    for (std::size_t i = 0; i < n; ++i) sorted[i] = static_cast<int>(i);
    zel::ResetMathProcState();
    zel::SortArray(sorted, true);
    EXPECT_EQ(zel::ProcStat.load(), static_cast<double>(gaps.size())) << "n=" << n;
  }
  std::mt19937 rng(7);
  std::vector<double> ours(1000000);
  for (auto& x : ours) x = std::uniform_real_distribution<double>(-1e6, 1e6)(rng);
  std::vector<double> plain = ours;
  const int passes = PlainCombSort(plain, true);
  zel::ResetMathProcState();
  zel::SortArray(ours, true);
  EXPECT_TRUE(SameBits(ours, plain));
  EXPECT_EQ(zel::ProcStat.load(), passes);
  EXPECT_TRUE(std::is_sorted(ours.begin(), ours.end()));
}

TEST(Math1Sort, SortArrayAgreesWithNumpySort) {
  const auto rows = SortRefs("sort");
  ASSERT_FALSE(rows.empty());
  for (const auto& row : rows) {
    const bool asc = row[2] == "1";
    const std::vector<double> in = RefList(row[3]), expected = RefList(row[4]);
    if (row[1] == "d") {
      std::vector<double> v = in;
      zel::SortArray(v, asc);
      EXPECT_EQ(v, expected);  // -0.0 == 0.0: their order is not defined
    } else if (row[1] == "f") {
      std::vector<float> v(in.begin(), in.end());
      zel::SortArray(v, asc);
      EXPECT_EQ(v, std::vector<float>(expected.begin(), expected.end()));
    } else {
      std::vector<int> v(in.begin(), in.end());
      zel::SortArray(v, asc);
      EXPECT_EQ(v, std::vector<int>(expected.begin(), expected.end()));
    }
  }
}

TEST(Math1Sort, ProgressFeedbackPerPassButNoAbort) {
  static int calls;
  static double last;
  calls = 0;
  zel::MathFeedBackProc = [](double stat) {
    ++calls;
    last = stat;
  };
  zel::AbortMathProc = true;  // must not leave a half-sorted array behind
  std::vector<double> v{5, 4, 3, 2, 1, 0, -1};
  std::vector<double> plain = v;
  const int passes = PlainCombSort(plain, true);
  zel::SortArray(v, true);
  EXPECT_EQ(v, (std::vector<double>{-1, 0, 1, 2, 3, 4, 5}));
  EXPECT_EQ(calls, passes);
  EXPECT_EQ(last, passes);
  std::vector<double> one{1};
  zel::SortArray(one, true);
  EXPECT_EQ(calls, passes);  // fewer than 2 elements: no pass
}

TEST(Math1Sort, SortSwapAndExChange) {
  double a = 1, b = 1;
  EXPECT_TRUE(zel::SortSwap(a, b, true));  // equal values count as out of order when ascending
  EXPECT_FALSE(zel::SortSwap(a, b, false));
  a = 2;
  EXPECT_TRUE(zel::SortSwap(a, b, true));
  EXPECT_EQ(a, 1);
  EXPECT_FALSE(zel::SortSwap(a, b, true));
  EXPECT_TRUE(zel::SortSwap(a, b, false));
  EXPECT_EQ(a, 2);

  char block1[6] = "abcde", block2[6] = "vwxyz";
  zel::ExChange(block1, block2, 3);
  EXPECT_STREQ(block1, "vwxde");
  EXPECT_STREQ(block2, "abcyz");
  zel::ExChange(block1, block2, -1);
  EXPECT_STREQ(block1, "vwxde");
}

TEST(Math1Sort, SortIntoArrayKeepsTheBufferSortedAndDropsTheLast) {
  std::vector<double> buf{1, 3, 5};
  EXPECT_EQ(zel::SortIntoArray(buf, 2, true, false), 1);
  EXPECT_EQ(buf, (std::vector<double>{1, 2, 3}));
  EXPECT_EQ(zel::SortIntoArray(buf, 6, true, false), -1);  // would not be kept
  EXPECT_EQ(zel::SortIntoArray(buf, 3, true, false), -1);  // duplicate not allowed
  EXPECT_EQ(zel::SortIntoArray(buf, kNaN, true, true), -1);
  EXPECT_EQ(buf, (std::vector<double>{1, 2, 3}));
  EXPECT_EQ(zel::SortIntoArray(buf, 3, true, true), 2);
  EXPECT_EQ(zel::SortIntoArray(buf, 0, true, false), 0);
  EXPECT_EQ(buf, (std::vector<double>{0, 1, 2}));

  std::vector<int> desc{9, 5, 1};
  EXPECT_EQ(zel::SortIntoArray(desc, 7, false, false), 1);
  EXPECT_EQ(zel::SortIntoArray(desc, 5, false, false), -1);
  EXPECT_EQ(zel::SortIntoArray(desc, 5, false, true), 2);
  EXPECT_EQ(desc, (std::vector<int>{9, 7, 5}));
  std::vector<float> empty;
  EXPECT_EQ(zel::SortIntoArray(empty, 1.0f, true, true), -1);

  std::vector<std::uint16_t> words{10, 20, 30};
  const std::uint16_t w = 15;
  EXPECT_EQ(zel::SortIntoArray(words.data(), 3, zel::vkWord, &w, true, false), 1);
  EXPECT_EQ(words, (std::vector<std::uint16_t>{10, 15, 20}));
  EXPECT_EQ(zel::SortIntoArray(words.data(), 0, zel::vkWord, &w, true, false), -1);
}

TEST(Math1Sort, InsertIntoArrayShiftsUpWithinTheBuffer) {
  std::vector<double> v{1, 2, 3};
  zel::InsertIntoArray(v, 9, 0);
  EXPECT_EQ(v, (std::vector<double>{9, 1, 2}));
  zel::InsertIntoArray(v, 7, 2);
  EXPECT_EQ(v, (std::vector<double>{9, 1, 7}));
  zel::InsertIntoArray(v, 5, 3);
  zel::InsertIntoArray(v, 5, -1);
  EXPECT_EQ(v, (std::vector<double>{9, 1, 7}));
  std::vector<std::int64_t> big{1, 2, 3, 4};
  const std::int64_t value = -5;
  zel::InsertIntoArray(big.data(), 4, zel::vkInt64, &value, 1);
  EXPECT_EQ(big, (std::vector<std::int64_t>{1, -5, 2, 3}));
  zel::InsertIntoArray(big.data(), 0, zel::vkInt64, &value, 0);
  EXPECT_EQ(big[0], 1);
}

TEST(Math1Sort, QuickSelectAgreesWithNumpyPartition) {
  const auto rows = SortRefs("select");
  ASSERT_FALSE(rows.empty());
  for (const auto& row : rows) {
    std::vector<double> v = RefList(row[4]);
    const double expected = RefNum(row[5]);
    const double got = zel::QuickSelect(v, std::stoi(row[1]), std::stoi(row[2]), std::stoi(row[3]));
    if (std::isnan(expected))
      EXPECT_TRUE(std::isnan(got)) << row[1];
    else
      EXPECT_EQ(got, expected) << "k=" << row[1] << " range " << row[2] << ".." << row[3];
  }
}

TEST(Math1Sort, QuickSelectPartitionsTheRangeOnly) {
  std::mt19937 rng(9);
  for (int round = 0; round < 20; ++round) {
    const int n = 1 + static_cast<int>(rng() % 3000);
    std::vector<double> v(static_cast<std::size_t>(n));
    for (auto& x : v) x = rng() % 10 < 9 ? 0.0 : std::normal_distribution<double>()(rng);
    if (round % 4 == 0) v[rng() % v.size()] = kNaN;
    const int first = static_cast<int>(rng() % static_cast<unsigned>(n));
    const int last = first + static_cast<int>(rng() % static_cast<unsigned>(n - first));
    const int k = first + static_cast<int>(rng() % static_cast<unsigned>(last - first + 1));
    const std::vector<double> before = v;
    const double r = zel::QuickSelect(v, k, first, last);

    // NaN counts as the largest value, as in numpy.
    const auto less = [](double a, double b) { return a < b || (std::isnan(b) && !std::isnan(a)); };
    std::vector<double> sorted(before.begin() + first, before.begin() + last + 1);
    std::sort(sorted.begin(), sorted.end(), less);
    const double expected = sorted[static_cast<std::size_t>(k - first)];
    EXPECT_TRUE(r == expected || (std::isnan(r) && std::isnan(expected)));
    for (int i = first; i < k; ++i) EXPECT_FALSE(less(r, v[i]));
    for (int i = k + 1; i <= last; ++i) EXPECT_FALSE(less(v[i], r));
    std::vector<double> range(v.begin() + first, v.begin() + last + 1);  // a permutation of the range
    std::sort(range.begin(), range.end(), less);
    EXPECT_TRUE(std::equal(range.begin(), range.end(), sorted.begin(),
                           [](double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); }));
    for (int i = 0; i < n; ++i) {
      if (i < first || i > last) {
        EXPECT_EQ(std::memcmp(&v[i], &before[i], sizeof(double)), 0);
      }
    }
  }
}

TEST(Math1Sort, QuickSelectRejectsBadBoundsAndKeepsEqualRanges) {
  const std::vector<double> orig{4, 1, 3, 2};
  std::vector<double> v = orig;
  EXPECT_EQ(zel::QuickSelect(v, 2, 3, 1), 0);   // last < first
  EXPECT_EQ(zel::QuickSelect(v, 4, 0, 3), 0);   // k beyond the range
  EXPECT_EQ(zel::QuickSelect(v, 0, 1, 3), 0);   // k before the range
  EXPECT_EQ(zel::QuickSelect(v, 1, -1, 3), 0);  // first not an index
  EXPECT_EQ(zel::QuickSelect(v, 3, 0, 4), 0);   // last not an index
  EXPECT_EQ(v, orig);
  EXPECT_EQ(zel::QuickSelect(v, 3, 3, 3), 2);
  std::vector<double> zeros{0.0, -0.0, 0.0, -0.0};
  const std::vector<double> zerosBefore = zeros;
  EXPECT_EQ(zel::QuickSelect(zeros, 1, 0, 3), 0);
  EXPECT_TRUE(SameBits(zeros, zerosBefore));
}
