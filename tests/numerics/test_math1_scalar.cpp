// Integer parts, 1-2-5 rounding, axis scales, elementary functions,
// polynomials, the sigmoid, the compensated sum and the bit helpers.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "math1_scalar_reference.h"
#include "zel_math1_scalar.h"

using namespace zel::test;
using zel::EZELMath1Error;

namespace {
const double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr std::int64_t kMax64 = std::numeric_limits<std::int64_t>::max();
}  // namespace

TEST(Math1Scalar, IntegerPartsAndRoundLimitGuardTheirRange) {
  EXPECT_EQ(zel::IntNeg(3.5), 3);  // the nearest integer is 4 (ties to even)
  EXPECT_EQ(zel::IntPos(-3.5), -3);
  EXPECT_EQ(zel::IntNeg(-2.5), -3);
  EXPECT_EQ(zel::IntPos(2147483647.5), INT32_MAX);
  EXPECT_EQ(zel::IntNeg(-2147483648.5), INT32_MIN);
  EXPECT_EQ(zel::IntPos(kNaN), 0);
  EXPECT_EQ(zel::RoundLimit(2.5, 0, 10), 2);
  EXPECT_EQ(zel::RoundLimit(0x1p62 + 0x1p10, 0, kMax64), (std::int64_t{1} << 62) + 1024);
  EXPECT_EQ(zel::RoundLimit(1e300, 0, kMax64), kMax64);  // no overflowing conversion
  EXPECT_EQ(zel::RoundLimit(kNaN, -5, 5), -5);
  EXPECT_EQ(zel::RoundLimit(5, 10, 3), 3);  // Low first, then High
  EXPECT_EQ(zel::Signum(0.0), 1);
  EXPECT_DOUBLE_EQ(zel::modr(-7.5, 2), -1.5);  // sign of x
  EXPECT_DOUBLE_EQ(zel::modr(7.5, -2), 1.5);
  EXPECT_NEAR(zel::modr(10, 0.3), std::fmod(10, 0.3), 1e-14);
  ExpectRaises<EZELMath1Error>([] { zel::modr(1, 0); }, "modr: division by zero");
}

// The reference decides each value on its exact decimal expansion; values
// within 1e-12 of a series value count as on it (0.5 stays 0.5).
TEST(Math1Scalar, Round125FamilyMatchesExactDecimalReference) {
  const auto lines = ReferenceLines("r125");
  ASSERT_GT(lines.size(), 400u);
  for (const auto& f : lines) {
    const double x = ToDouble(f[0]);
    EXPECT_EQ(zel::Round125(x), ToDouble(f[1])) << "Round125(" << f[0] << ")";
    EXPECT_EQ(zel::RoundPos125(x), ToDouble(f[2])) << "RoundPos125(" << f[0] << ")";
    EXPECT_EQ(zel::RoundNeg125(x), ToDouble(f[3])) << "RoundNeg125(" << f[0] << ")";
  }
  EXPECT_EQ(zel::RoundPos125(3), 5);
  EXPECT_EQ(zel::Round125(0.0), 0);
  EXPECT_TRUE(std::isnan(zel::RoundNeg125(kNaN)));
  // Series values past the double range saturate instead of turning into inf.
  EXPECT_EQ(zel::Round125(1.7976931348623157e308), zel::uc_MaxDouble);
  EXPECT_EQ(zel::RoundPos125(1.5e308), zel::uc_MaxDouble);
  EXPECT_EQ(zel::RoundNeg125(-1.5e308), -zel::uc_MaxDouble);
}

TEST(Math1Scalar, CalcScaleParsKnownLayouts) {
  zel::Extended first, dist;
  zel::Word sub;
  auto layout = [&](int n, zel::Extended low, zel::Extended high) { zel::CalcScalePars(n, low, high, first, dist, sub); };
  // Raw steps exactly 2 and 0.5 fall to 1 and 0.2; steps are exact series values.
  layout(5, 0, 10);
  EXPECT_TRUE(dist == 1.0L && first == 0.0L && sub == 5);
  layout(4, 0, 10);
  EXPECT_TRUE(dist == 2.0L && first == 0.0L && sub == 4);
  layout(2, 0, 1);
  EXPECT_TRUE(dist == 0.2L && sub == 4);
  layout(1, -23, 72);
  EXPECT_TRUE(dist == 50.0L && first == 0.0L && sub == 5);
  layout(10, 3, 3);
  EXPECT_TRUE(first == 3.0L && dist == 0.0L && sub == 1);
  // Descending axes: negative step, first tick at or just beyond low going down.
  layout(4, 9.5, 0);
  EXPECT_TRUE(dist == -2.0L && first == 8.0L);
  layout(4, 9.99999, 0);  // within a thousandth of a step of 10
  EXPECT_EQ(first, 10.0L);
  layout(0, -2.5, -40);
  EXPECT_TRUE(dist == 1.0L && first == -3.0L && sub == 1);

  EXPECT_THROW(layout(-1, 0, 1), EZELMath1Error);
  EXPECT_THROW(layout(4, std::numeric_limits<long double>::quiet_NaN(), 1), EZELMath1Error);
}

// Properties every layout must have, on random axes over twelve decades.
TEST(Math1Scalar, CalcScaleParsPropertiesOnRandomAxes) {
  std::mt19937_64 gen(42);
  std::uniform_real_distribution<double> unit(0, 1);
  for (int trial = 0; trial < 3000; ++trial) {
    const int n = 1 + static_cast<int>(unit(gen) * 20);
    const long double width = std::pow(10.0L, -6 + 12 * unit(gen)) * (unit(gen) < 0.5 ? -1 : 1);
    const long double low = std::pow(10.0L, -3 + 9 * unit(gen)) * (unit(gen) < 0.5 ? -1 : 1);
    zel::Extended first, dist;
    zel::Word sub;
    zel::CalcScalePars(n, low, low + width, first, dist, sub);
    SCOPED_TRACE(testing::Message() << "n=" << n << " low=" << double(low) << " width=" << double(width));

    const long double r = std::fabs(width) / n, step = std::fabs(dist);
    ASSERT_EQ(dist > 0, width > 0);
    const long double p = std::pow(10.0L, std::floor(std::log10(step) + 1e-9L));
    const long double mant = step / p;
    ASSERT_TRUE(std::fabs(mant - 1) < 1e-15L || std::fabs(mant - 2) < 1e-15L || std::fabs(mant - 5) < 1e-15L);
    EXPECT_EQ(sub, std::fabs(mant - 2) < 1e-15L ? 4 : 5);
    // The largest series value not above the raw step (1e-9 of slack for raw
    // steps on the series, which fall to the value below).
    EXPECT_LE(step, r * (1 + 1e-9L));
    EXPECT_GE((mant < 1.5L ? 2 : mant < 3 ? 5 : 10) * p, r * (1 - 1e-9L));
    // A multiple of the step, at most 0.001 step before low; the tick before it more.
    const long double dir = width > 0 ? 1 : -1;
    EXPECT_LT(std::fabs(first / dist - std::nearbyint(first / dist)), 1e-6L);
    EXPECT_LE(dir * (low - first), 0.001L * step * (1 + 1e-6L));
    EXPECT_GT(dir * (low - (first - dist)), 0.001L * step * (1 - 1e-6L));
  }
}

// Steps below half an ulp of low cannot move the tick (stepping tick by tick
// would never end); the layout must end with the tick at low's resolution.
TEST(Math1Scalar, CalcScaleParsEndsWhenStepIsBelowResolutionOfLow) {
  const long double lows[] = {351143480333026.456543L, -3541193692.54841068597L, 3067602.63096704556301L};
  const long double widths[] = {1.2e-4L, 2.4e-10L, 1.2e-12L};
  for (int i = 0; i < 3; ++i) {
    zel::Extended first, dist;
    zel::Word sub;
    zel::CalcScalePars(7, lows[i], lows[i] + widths[i], first, dist, sub);
    const long double ulp = std::nextafter(std::fabs(lows[i]), 1e4000L) - std::fabs(lows[i]);
    EXPECT_TRUE(dist > 0 && dist < ulp) << i;
    EXPECT_LE(std::fabs(first - lows[i]), 2 * ulp) << i;
  }
}

TEST(Math1Scalar, ElementaryFunctionsAgainstDecimalReference) {
  struct {
    const char* tag;
    double (*f)(double);
  } const funcs[] = {{"sinh", zel::sinh}, {"cosh", zel::cosh}, {"tanh", zel::tgh}, {"lg", zel::lg}, {"ld", zel::ld}};
  for (const auto& fn : funcs) {
    const auto lines = ReferenceLines(fn.tag);
    ASSERT_FALSE(lines.empty()) << fn.tag;
    for (const auto& f : lines)
      EXPECT_LE(UlpDistance(fn.f(ToDouble(f[0])), ToDouble(f[1])), 1.0) << fn.tag << "(" << f[0] << ")";
  }
  for (int k = -30; k <= 30; ++k) EXPECT_EQ(zel::lg(std::pow(10.0, k)), k) << k;
  for (int k = -1074; k <= 1023; k += 7) EXPECT_EQ(zel::ld(std::ldexp(1.0, k)), k) << k;
  EXPECT_EQ(zel::tgh(-800), -1.0);
  EXPECT_NEAR(zel::tg(-1.5), std::tan(-1.5), 1e-13);
  EXPECT_NEAR(zel::cot(0.25), 1 / std::tan(0.25), 1e-14);
  for (double bad : {0.0, -1.0, kNaN})
    ExpectRaises<zel::EMathError>([bad] { zel::ld(bad); }, "logarithm: invalid argument");
  ExpectRaises<zel::EMathError>([] { zel::lg(0); }, "logarithm: invalid argument");
  ExpectRaises<zel::EMathError>([] { zel::cot(0); }, "cotangens overflow");
}

// The reference is the exact rational value; upward summation may differ by
// a few rounding errors of the largest term.
TEST(Math1Scalar, PolynomialsAgainstExactRationalReference) {
  const auto lines = ReferenceLines("poly");
  ASSERT_GT(lines.size(), 20u);
  for (const auto& f : lines) {
    const double centre = ToDouble(f[0]), x = ToDouble(f[1]);
    const auto order = static_cast<std::size_t>(ToInt(f[2]));
    std::vector<double> c;
    for (std::size_t k = 0; k <= order; ++k) c.push_back(ToDouble(f[3 + k]));
    c.push_back(1e6);  // beyond Order: ignored
    const double exact = ToDouble(f[4 + order]);
    const double tol = 2 * double(order + 1) * std::numeric_limits<double>::epsilon() * ToDouble(f[5 + order]);
    const int ord = static_cast<int>(order);
    EXPECT_NEAR(centre == 0 ? zel::Polynomial(c, ord, x) : zel::CenteredPolynomial(c, ord, centre, x), exact, tol)
        << "order " << order << " at " << f[1];
  }
  const std::vector<double> c = {1, 2, 3};
  ExpectRaises<EZELMath1Error>([&] { zel::Polynomial(c, 3, 1.0); }, "Polynomial: invalid order of polynomial");
  EXPECT_THROW(zel::CenteredPolynomial(c, -1, 0, 1.0), EZELMath1Error);
}

TEST(Math1Scalar, SquashIsScaledTanhWithExactPlateaus) {
  EXPECT_EQ(zel::Squash(3, 3, 2, 5), 0);
  EXPECT_EQ(zel::Squash(1000, 0, -1, 2), -2);
  EXPECT_EQ(zel::Squash(5, 0, 1, 0), 0);
  for (double x : {-3.0, -0.4, 0.01, 0.7, 30.0})
    EXPECT_NEAR(zel::Squash(x, 0.5, 1.5, 4), 4 * std::tanh(1.5 * (x - 0.5) / 4), 1e-14) << x;
}

TEST(Math1Scalar, KahanSumKeepsLowOrderParts) {
  zel::TKahanSum ks;
  double naive = 0;
  const int n = 1000000;
  for (int i = 0; i < n; ++i) {
    ks.Add(0.1);
    naive += 0.1;
  }
  // n copies of the double nearest 0.1, summed exactly and rounded once.
  const double exact = static_cast<double>(static_cast<long double>(0.1) * n);
  EXPECT_LE(UlpDistance(ks.Sum, exact), 1.0);
  EXPECT_GT(std::fabs(naive - exact), 1e-7);  // the plain sum drifts: a real test
  // Reset clears the carried compensation too (1e-17 is lost in 1 + 1e-17).
  ks.Add(1.0);
  ks.Add(1e-17);
  ks.Reset();
  ks.Add(0.0);
  EXPECT_EQ(ks.Sum, 0.0);
}

TEST(Math1Scalar, BitHelpers) {
  EXPECT_EQ(zel::GrayCode(2), 3);
  EXPECT_EQ(zel::GrayCode(0xFFFF), 0x8000);
  EXPECT_EQ(zel::CountBits(255), 8);
  EXPECT_EQ(zel::BitReversal(1), 128);
  for (unsigned b = 0; b < 256; ++b) {
    const auto byte = static_cast<zel::Byte>(b);
    EXPECT_EQ(zel::CountBits(byte), zel::CountBits(static_cast<zel::Byte>(b >> 1)) + static_cast<int>(b & 1));
    for (unsigned i = 0; i < 8; ++i) EXPECT_EQ((zel::BitReversal(byte) >> i) & 1u, (b >> (7 - i)) & 1u);
  }
  EXPECT_TRUE(zel::CheckPowerOfTwo(0) && zel::CheckPowerOfTwo(0x80000000u));
  EXPECT_FALSE(zel::CheckPowerOfTwo(6) || zel::CheckPowerOfTwo(0x80000001u));
}
