#include <gtest/gtest.h>

#include <limits>

#include "zel_numeric.h"

using namespace zel;

namespace {
const long double kInf = std::numeric_limits<long double>::infinity();
const long double kNaN = std::numeric_limits<long double>::quiet_NaN();
constexpr std::int32_t kMax32 = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin32 = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t kMax64 = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kMin64 = std::numeric_limits<std::int64_t>::min();
}  // namespace

TEST(Numeric, RoundToIntTiesToEvenAndSaturates) {
  EXPECT_EQ(RoundToInt(2.5L), 2);
  EXPECT_EQ(RoundToInt(3.5L), 4);
  EXPECT_EQ(RoundToInt(-2.5L), -2);
  EXPECT_EQ(RoundToInt(-0.5L), 0);
  EXPECT_EQ(RoundToInt(-1.7L), -2);
  EXPECT_EQ(RoundToInt(kNaN), 0);
  EXPECT_EQ(RoundToInt(kInf), kMax32);
  EXPECT_EQ(RoundToInt(-kInf), kMin32);
  // At the edges: 2147483647.5 rounds to 2^31 (even), one past the range;
  // -2147483648.5 rounds to -2^31, which fits.
  EXPECT_EQ(RoundToInt(2147483647.4L), kMax32);
  EXPECT_EQ(RoundToInt(2147483647.5L), kMax32);
  EXPECT_EQ(RoundToInt(2147483646.5L), 2147483646);
  EXPECT_EQ(RoundToInt(-2147483648.5L), kMin32);
  EXPECT_EQ(RoundToInt(-2147483649.0L), kMin32);
}

TEST(Numeric, TruncToIntTowardZeroAndSaturates) {
  EXPECT_EQ(TruncToInt(2.9L), 2);
  EXPECT_EQ(TruncToInt(-2.9L), -2);
  EXPECT_EQ(TruncToInt(kNaN), 0);
  EXPECT_EQ(TruncToInt(2147483647.9L), kMax32);
  EXPECT_EQ(TruncToInt(2147483648.0L), kMax32);
  EXPECT_EQ(TruncToInt(-2147483648.9L), kMin32);
  EXPECT_EQ(TruncToInt(-kInf), kMin32);
}

TEST(Numeric, SixtyFourBitConversions) {
  // 2^63 - 1 is exact in extended; 2^63 is one past the range.
  EXPECT_EQ(RoundToInt64(9223372036854775807.0L), kMax64);
  EXPECT_EQ(RoundToInt64(9223372036854775806.5L), kMax64 - 1);  // tie to even
  EXPECT_EQ(RoundToInt64(0x1p63L), kMax64);
  EXPECT_EQ(RoundToInt64(-0x1p63L), kMin64);
  EXPECT_EQ(RoundToInt64(-0x1p63L - 2.0L), kMin64);
  EXPECT_EQ(RoundToInt64(kNaN), 0);
  EXPECT_EQ(RoundToInt64(-4.5L), -4);
  EXPECT_EQ(TruncToInt64(-4.9L), -4);
  EXPECT_EQ(TruncToInt64(0x1p63L - 0.5L), kMax64);
  EXPECT_EQ(TruncToInt64(-kInf), kMin64);
  EXPECT_EQ(TruncToInt64(kNaN), 0);
}

TEST(Numeric, FitsInt32FollowsRounding) {
  EXPECT_TRUE(FitsInt32(2147483647.4L));
  EXPECT_FALSE(FitsInt32(2147483647.5L));
  EXPECT_TRUE(FitsInt32(-2147483648.5L));
  EXPECT_FALSE(FitsInt32(-2147483649.0L));
  EXPECT_TRUE(FitsInt32(-0.0L));
  EXPECT_FALSE(FitsInt32(kNaN));
  EXPECT_FALSE(FitsInt32(kInf));
}

TEST(Numeric, MakeValidRange) {
  struct Case {
    int low, high, count;
    bool ok;
    int wantLow, wantHigh;
  };
  const Case cases[] = {
      {0, 0, 10, true, 1, 10},   {7, 3, 10, true, 3, 7},    {0, 5, 10, true, 1, 5},   {-4, 50, 10, true, 1, 10},
      {30, 20, 10, true, 10, 10}, {-5, -1, 10, true, 1, 1}, {3, 7, 0, false, 0, 0}, {0, 0, -2, false, 0, 0},
  };
  for (const Case& c : cases) {
    int lo = c.low, hi = c.high;
    const bool ok = MakeValidRange(lo, hi, c.count);
    EXPECT_TRUE(ok == c.ok && lo == c.wantLow && hi == c.wantHigh) << c.low << " " << c.high << " " << c.count;
  }
}
