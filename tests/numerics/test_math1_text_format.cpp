// Floating-point and angle texts of the number-text module. Every check runs
// a second time under a locale with a decimal comma: the texts must not change.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

#include "math1_text_data.h"
#include "zel_math1.h"

using namespace zel;

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

double Parse(const std::string& S) {
  double v = 0;
  std::from_chars(S.data(), S.data() + S.size(), v);
  return v;
}

void CheckStrf() {
  // Two-digit exponents in exactly Width characters.
  EXPECT_EQ(strf(1.5, 10, -2), " 1.500E+00");
  EXPECT_EQ(strf(-1.5e-7, 10, -2), "-1.500E-07");
  EXPECT_EQ(strf(12345, 12, -2), " 1.23450E+04");
  EXPECT_EQ(strf(0, 9, -2), " 0.00E+00");
  EXPECT_EQ(strf(9.9994e99, 10, -2), " 9.999E+99");
  EXPECT_EQ(strf(9.9994e99, 9, -2), "*********");  // three digits round up to 1.00E+100
  EXPECT_EQ(strf(1e100, 10, -2), "**********");
  EXPECT_EQ(strf(1e-100, 10, -2), "**********");
  EXPECT_EQ(strf(kNaN, 6, -2), "   NAN");
}

void CheckEEngStr() {
  EXPECT_EQ(EEngStr(4700, 2), "4.7k");
  EXPECT_EQ(EEngStr(4700, -2), "4k7");
  EXPECT_EQ(EEngStr(0.00047, 3), "470u");
  EXPECT_EQ(EEngStr(47000, -2), "47k");  // no point to replace: the letter goes last
  EXPECT_EQ(EEngStr(4.7, -2), "4.7");    // no prefix for 10^0
  EXPECT_EQ(EEngStr(4700, -1), "5k");
  EXPECT_EQ(EEngStr(0, 3), "0.00");
  EXPECT_EQ(EEngStr(1e16, 3), "10000T");
  EXPECT_EQ(EEngStr(3.3e21, 2), "3300000000T");
  EXPECT_EQ(EEngStr(1e-20, 3), "0.0100a");
  EXPECT_EQ(EEngStr(1.23456789e-9, 20), "1.23456789n");  // digits clamped to 9
  EXPECT_EQ(EEngStr(kNaN, 3), "NAN");
  EXPECT_EQ(EEngStr(-kInf, 3), "-INF");
  // Exact powers of ten get their own prefix: 10^p is "1.00", "10.0" or
  // "100" with the letter of 1000^floor(p/3).
  static constexpr char kPrefix[] = "afpnum kMGT";
  static const std::string kMantissa[] = {"1.00", "10.0", "100"};
  for (int p = -18; p <= 14; ++p) {
    const int g = p >= 0 ? p / 3 : -((-p + 2) / 3);
    const std::string& mantissa = kMantissa[p - 3 * g];
    const std::string expected = g == 0 ? mantissa : mantissa + kPrefix[g + 6];
    EXPECT_EQ(EEngStr(Parse("1e" + std::to_string(p)), 3), expected) << p;
    EXPECT_EQ(EEngStr(-Parse("1e" + std::to_string(p)), 3), "-" + expected) << p;
  }
}

void CheckMakeEFormat() {
  EXPECT_EQ(MakeEFormat(1.2345, 12, 5), " 0.12345E+01");
  EXPECT_EQ(MakeEFormat(0, 12, 5), " 0.00000E+00");
  EXPECT_EQ(MakeEFormat(-0.0, 12, 5), " 0.00000E+00");
  EXPECT_EQ(MakeEFormat(1.2345, 3, 1), " 0.12E+01");  // width 8, 2 digits
  EXPECT_EQ(MakeEFormat(1.2345, 100, 20).size(), 40u);
  EXPECT_EQ(MakeEFormat(-1.2345, 8, 5), "-0.12345E+01");  // longer than the width: unchanged
  EXPECT_EQ(MakeEFormat(kNaN, 10, 5), "       NAN");
  // Against gfortran's Ew.d for the same width and digits.
  const auto rows = test::ReadTable("math1_text_eformat.tsv");
  ASSERT_GT(rows.size(), 1500u);
  for (const auto& r : rows) {
    ASSERT_EQ(r.size(), 4u);
    const double x = Parse(r[0]);
    EXPECT_EQ(MakeEFormat(x, std::stoi(r[1]), std::stoi(r[2])), r[3]) << r[0] << " E" << r[1] << "." << r[2];
  }
}

void CheckDegreeToStr() {
  EXPECT_EQ(DegreeToStr(12.5, dfDegMin, 2), "12\xB0 30.00'");
  EXPECT_EQ(DegreeToStr(-0.5, dfDegMin, 0), "-0\xB0  30'");
  EXPECT_EQ(DegreeToStr(12.5, dfDeg, 2), "12.50\xB0");
  EXPECT_EQ(DegreeToStr(1.23456789012, dfPlain, 12), "1.23456789");
  EXPECT_EQ(DegreeToStr(-1.25, dfDeg, -3), "-1\xB0");
  EXPECT_EQ(DegreeToStr(12.5042, dfDegMinSec, 1), "12\xB0 30' 15.1\"");
  EXPECT_EQ(DegreeToStr(-12.5042, dfDegMinSec, 1), "-12\xB0 30' 15.1\"");
  EXPECT_EQ(DegreeToStr(0.1, dfDegMinSec, 0), "0\xB0  6'   0\"");
  // Minutes round half away from zero: 0.375 degrees are exactly 22.5'.
  EXPECT_EQ(DegreeToStr(0.375, dfDegMin, 0), "0\xB0  23'");
  EXPECT_EQ(DegreeToStr(-0.375, dfDegMin, 0), "-0\xB0  23'");
  // Rounding carries into the degrees.
  EXPECT_EQ(DegreeToStr(29.999999999999996, dfDegMin, 2), "30\xB0  0.00'");
  EXPECT_EQ(DegreeToStr(29.9999, dfDegMinSec, 0), "30\xB0  0'   0\"");
  // 0.35 degrees leave 20.999999999999979 minutes: that is 21, not 20' 60".
  EXPECT_EQ(DegreeToStr(12.35, dfDegMinSec, 0), "12\xB0 21'   0\"");
  // Angles whose scaled minutes or seconds overflow have no fraction to round
  // (the exact value of 1.5e307 ends in ...503808).
  EXPECT_TRUE(DegreeToStr(1.5e307, dfDegMinSec, 8).ends_with("808\xB0  0'  0.00000000\""));
  EXPECT_TRUE(DegreeToStr(-1.5e307, dfDegMin, 0).ends_with("808\xB0   0'"));
  EXPECT_EQ(DegreeToStr(1, static_cast<TDegreeFormat>(7), 2), "");
  EXPECT_EQ(DegreeToStr(kNaN, dfDegMin, 2), "NAN");
}

}  // namespace

TEST(Math1TextFormat, Strf) { CheckStrf(); }
TEST(Math1TextFormat, EEngStr) { CheckEEngStr(); }
TEST(Math1TextFormat, MakeEFormat) { CheckMakeEFormat(); }
TEST(Math1TextFormat, DegreeToStr) { CheckDegreeToStr(); }

TEST(Math1TextFormat, SameTextsUnderDecimalCommaLocale) {
  test::CommaLocale locale;
  if (!locale.Active()) GTEST_SKIP() << "no locale with a decimal comma installed";
  CheckStrf();
  CheckEEngStr();
  CheckMakeEFormat();
  CheckDegreeToStr();
  int pos = 1;
  EXPECT_EQ(ScanFPNum("6.02E23", true, dsPoint, pos), 6.02e23);
  pos = 1;
  EXPECT_EQ(ScanFPNum("1,5", true, dsComma, pos), 1.5);
}

TEST(Math1TextFormat, ConvertDegrees) {
  struct Angle {
    double D, M, S;
  };
  auto convert = [](Angle a, TDegreeFormat from, TDegreeFormat to) {
    ConvertDegrees(a.D, a.M, a.S, from, to);
    return a;
  };
  auto expectNear = [](Angle a, Angle e, const char* what) {
    EXPECT_NEAR(a.D, e.D, 1e-12) << what;
    EXPECT_NEAR(a.M, e.M, 1e-10) << what;
    EXPECT_NEAR(a.S, e.S, 1e-9) << what;
    EXPECT_EQ(std::signbit(a.D), std::signbit(e.D)) << what;
  };
  // The sign stays with the degrees both ways, -0 included.
  expectNear(convert({-12.5, 7, 7}, dfDeg, dfDegMin), {-12, 30, 0}, "-12.5 to d m");
  expectNear(convert({-12, 30, 7}, dfDegMin, dfDeg), {-12.5, 0, 0}, "back");
  expectNear(convert({-0.5, 0, 0}, dfDeg, dfDegMin), {-0.0, 30, 0}, "-0.5 to d m");
  expectNear(convert({-0.0, 30, 0}, dfDegMin, dfDeg), {-0.5, 0, 0}, "back");
  // 7 degrees 15 minutes 45 seconds through every notation.
  expectNear(convert({-7.2625, 0, 0}, dfDeg, dfDegMinSec), {-7, 15, 45}, "d to d m s");
  expectNear(convert({-7, 15, 45}, dfDegMinSec, dfDegMin), {-7, 15.75, 0}, "d m s to d m");
  expectNear(convert({-7, 15.75, 0}, dfDegMin, dfDegMinSec), {-7, 15, 45}, "d m to d m s");
  expectNear(convert({-7, 15.5, 45}, dfDegMinSec, dfDeg), {-7.2625, 0, 0}, "whole minutes only");
  expectNear(convert({3.5, 10, 20}, dfDegMin, dfPlain), {3.5, 10, 20}, "to plain");
  expectNear(convert({3.5, 10, 20}, dfPlain, dfDeg), {3.5, 10, 20}, "from plain");

  auto message = [](double m, double s) {
    double d = 5;
    const double m0 = m, s0 = s;
    try {
      ConvertDegrees(d, m, s, dfDegMinSec, dfDeg);
    } catch (const EZELMath1Error& e) {
      EXPECT_TRUE(d == 5 && (m == m0 || m != m) && (s == s0 || s != s)) << "changed before raising";
      return e.Message();
    }
    return std::string("no exception");
  };
  EXPECT_EQ(message(61, 0), "ConvertDegrees: invalid range of minutes");
  EXPECT_EQ(message(-1, 70), "ConvertDegrees: invalid range of minutes");  // minutes are checked first
  EXPECT_EQ(message(kNaN, 0), "ConvertDegrees: invalid range of minutes");
  EXPECT_EQ(message(0, 60.5), "ConvertDegrees: invalid range of seconds");
  EXPECT_EQ(message(0, -kInf), "ConvertDegrees: invalid range of seconds");
  EXPECT_EQ(message(60, 60), "no exception");
}

TEST(Math1TextFormat, RoundDegrees) {
  struct Case {
    int D, M, S;
    bool Up;
    int ED, EM, ES;
  };
  const Case cases[] = {
      {0, 0, 40, true, 0, 1, 0},     {0, 0, 40, false, 0, 0, 30},  {0, 0, 4, false, 0, 0, 3},
      {0, 0, 1, true, 0, 0, 1},      {0, 7, 30, true, 0, 10, 0},   {0, 7, 30, false, 0, 5, 0},
      {0, 45, 0, true, 1, 0, 0},     {0, 70, 0, false, 0, 30, 0},  {0, 30, 0, true, 0, 30, 0},
      {7, 30, 0, false, 5, 0, 0},    {7, 30, 0, true, 10, 0, 0},   {5, 0, 1, true, 10, 0, 0},
      {400, 0, 0, false, 360, 0, 0}, {400, 0, 0, true, 360, 0, 0}, {1, 59, 59, false, 1, 0, 0},
      {100, 0, 0, true, 180, 0, 0},  {-1, 5, 5, true, 0, 0, 0},    {3, -1, 5, false, 0, 0, 0},
      {0, 0, 0, true, 0, 0, 0},      {0, 0, 70, true, 0, 1, 0},
  };
  for (const Case& c : cases) {
    int d = c.D, m = c.M, s = c.S;
    RoundDegrees(d, m, s, c.Up);
    EXPECT_EQ(d, c.ED) << c.D << " " << c.M << " " << c.S << " up " << c.Up;
    EXPECT_EQ(m, c.EM) << c.D << " " << c.M << " " << c.S << " up " << c.Up;
    EXPECT_EQ(s, c.ES) << c.D << " " << c.M << " " << c.S << " up " << c.Up;
  }
}
