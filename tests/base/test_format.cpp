#include <gtest/gtest.h>

#include <cfloat>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "zel_format.h"

using namespace zel;

namespace {

const long double kInf = std::numeric_limits<long double>::infinity();
const long double kNaN = std::numeric_limits<long double>::quiet_NaN();

// Switches LC_NUMERIC to a locale with a decimal comma for its lifetime, when
// the system has one.
class CommaLocale {
 public:
  CommaLocale() {
    FOld = std::setlocale(LC_NUMERIC, nullptr);
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8", "fr_FR.utf8", "nl_NL.UTF-8"}) {
      if (std::setlocale(LC_NUMERIC, name) && std::localeconv()->decimal_point[0] == ',') {
        FActive = true;
        return;
      }
    }
    std::setlocale(LC_NUMERIC, FOld.c_str());
  }
  ~CommaLocale() { std::setlocale(LC_NUMERIC, FOld.c_str()); }
  bool Active() const { return FActive; }

 private:
  std::string FOld;
  bool FActive = false;
};

}  // namespace

TEST(Format, FixedRoundsExactBinaryValueTiesToEven) {
  // Exact binary ties go to the even digit.
  EXPECT_EQ(FormatFixed(0.125L, 2), "0.12");
  EXPECT_EQ(FormatFixed(0.375L, 2), "0.38");
  EXPECT_EQ(FormatFixed(2.5L, 0), "2");
  EXPECT_EQ(FormatFixed(-2.5L, 0), "-2");
  // Not ties: the double 2.675 lies below 2.675 (python '%.2f' % 2.675).
  EXPECT_EQ(FormatFixed(2.675, 2), "2.67");
  EXPECT_EQ(FormatFixed(123456789.987654321, 3), "123456789.988");
  EXPECT_EQ(FormatFixed(0.1, 20), "0.10000000000000000555");
  // 2^-30 is exactly 0.000000000931322574615478515625.
  EXPECT_EQ(FormatFixed(std::ldexp(1.0L, -30), 30), "0.000000000931322574615478515625");
  EXPECT_EQ(FormatFixed(1.0 / 3.0, 60), "0.333333333333333314829616256247390992939472198486328125000000");
  EXPECT_EQ(FormatFixed(1e22, 0), "10000000000000000000000");
  // Negative values keep their sign when rounding to zero; zeros have none.
  EXPECT_EQ(FormatFixed(-0.001L, 2), "-0.00");
  EXPECT_EQ(FormatFixed(0.0L, 2), "0.00");
  EXPECT_EQ(FormatFixed(-0.0L, 2), "0.00");
  EXPECT_EQ(FormatFixed(7.0L, -3), "7");
}

TEST(Format, FixedHandlesExtremeMagnitudes) {
  // 2^13000 has 3914 digits (python str(2**13000)).
  const std::string big = FormatFixed(std::ldexp(1.0L, 13000), 2);
  ASSERT_EQ(big.size(), 3914u + 3u);
  EXPECT_EQ(big.substr(0, 20), "24543903331129649698");
  EXPECT_EQ(big.substr(big.size() - 23), "31918039377039589376.00");
  // LDBL_MAX = (2^64 - 1) * 2^16320 has 4933 digits.
  const std::string max = FormatFixed(-LDBL_MAX, 40);
  ASSERT_EQ(max.size(), 1u + 4933u + 1u + 40u);
  EXPECT_EQ(max.substr(0, 21), "-11897314953572317650");
  EXPECT_EQ(max.substr(4924, 11), "1989770240.");
  EXPECT_EQ(FormatFixed(LDBL_TRUE_MIN, 60), "0." + std::string(60, '0'));
  EXPECT_EQ(FormatFixed(-LDBL_TRUE_MIN, 3), "-0.000");
}

TEST(Format, FixedMatchesCLocalePrintf) {
  // The documented contract is the digits of "%.*Lf" in the C locale.
  std::mt19937_64 gen(7);
  char buf[512];
  for (int i = 0; i < 3000; ++i) {
    const long double x =
        std::ldexp(static_cast<long double>(gen() | (1ULL << 63)), static_cast<int>(gen() % 160) - 150);
    const int d = static_cast<int>(gen() % 30);
    std::snprintf(buf, sizeof buf, "%.*Lf", d, (i & 1) ? -x : x);
    ASSERT_EQ(FormatFixed((i & 1) ? -x : x, d), buf) << "decimals " << d;
  }
}

TEST(Format, IndependentOfProcessLocale) {
  const long double values[] = {3.25L, -1234567.891L, 0.0001L, 1e300L};
  std::string fixed[4], sci[4], shortest[4];
  for (int i = 0; i < 4; ++i) {
    fixed[i] = FormatFloat(values[i], 12, 3);
    sci[i] = FormatFloat(values[i], 16, -1);
    shortest[i] = FloatToStrShortest(static_cast<double>(values[i]));
  }
  CommaLocale comma;
  if (!comma.Active()) GTEST_SKIP() << "no locale with a decimal comma installed";
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(FormatFloat(values[i], 12, 3), fixed[i]);
    EXPECT_EQ(FormatFloat(values[i], 16, -1), sci[i]);
    EXPECT_EQ(FloatToStrShortest(static_cast<double>(values[i])), shortest[i]);
  }
  EXPECT_EQ(FormatFixed(3.25L, 2), "3.25");
}

TEST(Format, ScientificLayout) {
  EXPECT_EQ(FormatScientific(1.2345L, 5), " 1.2345E+0000");
  EXPECT_EQ(FormatScientific(-0.00012345L, 3), "-1.23E-0004");
  // A mantissa rounding up to 10 moves into the exponent.
  EXPECT_EQ(FormatScientific(9.99999L, 5), " 1.0000E+0001");
  EXPECT_EQ(FormatScientific(-9.96L, 2), "-1.0E+0001");
  // Exact ties go to even.
  EXPECT_EQ(FormatScientific(0.125L, 2), " 1.2E-0001");
  EXPECT_EQ(FormatScientific(0.375L, 2), " 3.8E-0001");
  // Fewer than two significant digits are taken as two.
  EXPECT_EQ(FormatScientific(1.75L, 1), " 1.8E+0000");
  // Zeros have a blank sign slot; the range ends fit in four exponent digits
  // (LDBL_TRUE_MIN = 3.6451995e-4951, LDBL_MAX = 1.1897315e+4932).
  EXPECT_EQ(FormatScientific(0.0L, 5), " 0.0000E+0000");
  EXPECT_EQ(FormatScientific(-0.0L, 3), " 0.00E+0000");
  EXPECT_EQ(FormatScientific(LDBL_TRUE_MIN, 5), " 3.6452E-4951");
  EXPECT_EQ(FormatScientific(-LDBL_MAX, 8), "-1.1897315E+4932");
  const std::string many = FormatScientific(1.0L / 3.0L, 40);
  EXPECT_EQ(many.size(), 40u + 8u);
  // 1/3 in extended is 0.333333333333333333342368351...
  EXPECT_EQ(many.substr(0, 28), " 3." + std::string(18, '3') + "4236835");
}

TEST(Format, WidthsPaddingAndNonFinite) {
  EXPECT_EQ(FormatScientificWidth(12.345L, 16), " 1.2345000E+0001");
  EXPECT_EQ(FormatScientificWidth(-12.345L, 12), "-1.235E+0001");
  // Fields narrower than the two-digit minimum overflow.
  EXPECT_EQ(FormatScientificWidth(5.0L, 4), " 5.0E+0000");
  EXPECT_EQ(FormatFloat(5.0L, std::numeric_limits<int>::min(), -1), " 5.0E+0000");
  EXPECT_EQ(FormatFloat(12.345L, 16, -1), " 1.2345000E+0001");
  EXPECT_EQ(FormatFloat(3.14159L, 8, 2), "    3.14");
  EXPECT_EQ(FormatFloat(-1234.5L, 3, 1), "-1234.5");

  EXPECT_EQ(FormatFixed(kInf, 2), "INF");
  EXPECT_EQ(FormatFixed(-kNaN, 2), "NAN");
  EXPECT_EQ(FormatScientific(-kInf, 5), "-INF");
  EXPECT_EQ(FormatFloat(-kInf, 6, 2), "  -INF");
  EXPECT_EQ(FormatFloat(kNaN, 5, -1), "  NAN");
  EXPECT_EQ(FormatInt(-42, 5), "  -42");
  EXPECT_EQ(FormatInt(std::numeric_limits<long long>::min(), 3), "-9223372036854775808");
  EXPECT_EQ(PadLeft("abc", 2), "abc");
  EXPECT_EQ(PadLeft("", 3), "   ");
  EXPECT_EQ(PadLeft("x", -4), "x");
}

TEST(Format, ShortestRoundTrip) {
  EXPECT_EQ(FloatToStrShortest(0.1), "0.1");
  EXPECT_EQ(FloatToStrShortest(1e300), "1E+300");
  EXPECT_EQ(FloatToStrShortest(-2.5e-7), "-2.5E-7");
  EXPECT_EQ(FloatToStrShortest(0.30000000000000004), "0.30000000000000004");
  // Plain notation exactly for 1E-5 <= |x| < 1E15.
  EXPECT_EQ(FloatToStrShortest(1e-5), "0.00001");
  EXPECT_EQ(FloatToStrShortest(-0.00025), "-0.00025");
  EXPECT_EQ(FloatToStrShortest(9.99e-6), "9.99E-6");
  EXPECT_EQ(FloatToStrShortest(123456789012345.0), "123456789012345");
  EXPECT_EQ(FloatToStrShortest(1e15), "1E+15");
  EXPECT_EQ(FloatToStrShortest(5e-324), "5E-324");
  EXPECT_EQ(FloatToStrShortest(1.7976931348623157e308), "1.7976931348623157E+308");
  EXPECT_EQ(FloatToStrShortest(0.0), "0");
  EXPECT_EQ(FloatToStrShortest(-0.0), "-0");
  EXPECT_EQ(FloatToStrShortest(-std::numeric_limits<double>::infinity()), "-INF");

  std::mt19937_64 gen(11);
  for (int i = 0; i < 20000; ++i) {
    double x;
    const std::uint64_t bits = gen();
    std::memcpy(&x, &bits, sizeof x);
    if (!std::isfinite(x)) continue;
    const std::string t = FloatToStrShortest(x);
    double back = 0;
    const auto res = std::from_chars(t.data(), t.data() + t.size(), back);
    ASSERT_TRUE(res.ec == std::errc() && res.ptr == t.data() + t.size()) << t;
    ASSERT_EQ(std::memcmp(&back, &x, sizeof x), 0) << t;
  }
}
