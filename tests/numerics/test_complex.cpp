// Complex numbers: arithmetic, tolerant comparison and the polar form,
// against numpy's 80-bit complex type and Python's cmath.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

#include "math1_scalar_reference.h"
#include "openarrays_reference.h"
#include "zel_complex.h"

using namespace zel;
using zel::test::ExpectRaises;
using zel::test::Num;
using zel::test::RefRecords;

namespace {

constexpr Extended kPi = std::numbers::pi_v<Extended>;
constexpr Extended kEps = std::numeric_limits<Extended>::epsilon();

void ExpectCpx(const TComplex& z, Extended re, Extended im) {
  EXPECT_EQ(z.re, re);
  EXPECT_EQ(z.im, im);
}

}  // namespace

TEST(Complex, ArithmeticIsComponentwiseAndExact) {
  ExpectCpx(CpxMult(Cpx(0, 1), Cpx(0, 1)), -1, 0);
  ExpectCpx(CpxDiv(Cpx(1, 0), Cpx(0, 1)), 0, -1);
  ExpectCpx(CpxMult(Cpx(2, 3), Cpx(4, -5)), 23, 2);
  ExpectCpx(CpxSub(CpxConj(Cpx(1.5L, -2)), CpxNeg(Cpx(0.25L, 4))), 1.75L, 6);
  EXPECT_EQ(CpxAbsSqr(Cpx(3, -4)), 25);
  // Extended precision: 1 + 2^-60 survives, where a double would drop it.
  EXPECT_EQ(CpxAdd(Cpx(1, 0), Cpx(0x1p-60L, 0)).re - 1, 0x1p-60L);
}

TEST(Complex, DivisionByZeroRaises) {
  ExpectRaises<EZELComplexError>([] { CpxDiv(Cpx(1, 1), Cpx(0, 0)); }, "CpxDiv: division by zero");
  // |b|^2 underflows to 0 although b is not 0: still no silent inf or NaN.
  ExpectRaises<EZELComplexError>([] { CpxDiv(Cpx(1, 0), Cpx(1e-3000L, 0)); }, "CpxDiv: division by zero");
}

TEST(Complex, AbsAndDivisionAgreeWithExtendedReference) {
  for (const auto& f : RefRecords("complex_reference.tsv", "abs")) {
    const Extended want = Num<long double>(f[2]);
    EXPECT_NEAR(CpxAbs(Cpx(Num<long double>(f[0]), Num<long double>(f[1]))), want, 2 * kEps * want) << f[0] << " " << f[1];
  }
  for (const auto& f : RefRecords("complex_reference.tsv", "div")) {
    const TComplex q = CpxDiv(Cpx(Num<long double>(f[0]), Num<long double>(f[1])),
                              Cpx(Num<long double>(f[2]), Num<long double>(f[3])));
    const Extended re = Num<long double>(f[4]);
    const Extended im = Num<long double>(f[5]);
    // numpy scales the quotient (Smith's method); the plain formula may differ
    // by a few extended ulps of the modulus.
    const Extended tol = 8 * kEps * std::hypot(re, im);
    EXPECT_NEAR(q.re, re, tol) << f[0] << " " << f[1] << " / " << f[2] << " " << f[3];
    EXPECT_NEAR(q.im, im, tol) << f[0] << " " << f[1] << " / " << f[2] << " " << f[3];
  }
}

TEST(Complex, NearEqualityIsStrictAtTheTolerance) {
  // Differences of exactly 1e-15L (the double 1e-15 lies above it, so a
  // tolerance held as a double would call these near-equal).
  EXPECT_FALSE(CpxIsNearEqual(Cpx(1e-15L, 0), Cpx(0, 0)));
  EXPECT_FALSE(CpxIsNearEqual(Cpx(7, 0), Cpx(7, -1e-15L)));
  EXPECT_TRUE(CpxIsNearEqual(Cpx(0, 0), Cpx(0, 1e-16L)));
  EXPECT_TRUE(CpxIsNearEqual(Cpx(0.5L, -1), Cpx(0.5L + 1e-16L, -1 - 1e-16L)));
  EXPECT_FALSE(CpxIsNearEqual(Cpx(0.5L, -1), Cpx(0.5L + 1e-16L, -1 - 2e-15L)));

  EXPECT_TRUE(CpxIsZero(Cpx(1e-16L, 0)));
  EXPECT_FALSE(CpxIsZero(Cpx(0, 1e-15L)));
  EXPECT_FALSE(CpxIsEqual(Cpx(1e-16L, 0), Cpx(0, 0)));
  EXPECT_TRUE(CpxIsEqual(Cpx(-0.0L, 2), Cpx(0, 2)));
}

TEST(Complex, PolarArgumentStaysInHalfOpenInterval) {
  const TComplexPolar p = ConvertRectToPolar(Cpx(-1, 0));
  EXPECT_EQ(p.r, 1);
  EXPECT_EQ(p.phi, kPi);
  // Signed zeros: atan2 alone would give -pi or an argument for the origin.
  EXPECT_EQ(ConvertRectToPolar(Cpx(-1, -0.0L)).phi, kPi);
  EXPECT_EQ(ConvertRectToPolar(CpxNeg(Cpx(0, 0))).phi, 0);
  EXPECT_EQ(ConvertRectToPolar(Cpx(-0.0L, -0.0L)).phi, 0);
  // A modulus that underflows does not make a number the origin.
  EXPECT_EQ(ConvertRectToPolar(Cpx(-1e-3000L, 0)).phi, kPi);
}

TEST(Complex, PolarFormAgreesWithCmathAndRoundTrips) {
  for (const auto& f : RefRecords("complex_reference.tsv", "polar")) {
    const TComplex z = Cpx(Num<long double>(f[0]), Num<long double>(f[1]));
    const TComplexPolar p = ConvertRectToPolar(z);
    const double r = Num<double>(f[2]);
    EXPECT_NEAR(static_cast<double>(p.r), r, 1e-15 * r) << f[0] << " " << f[1];
    EXPECT_NEAR(static_cast<double>(p.phi), Num<double>(f[3]), 4e-16) << f[0] << " " << f[1];
    const TComplex back = ConvertPolarToRect(p);
    EXPECT_NEAR(back.re, z.re, 8 * kEps * p.r);
    EXPECT_NEAR(back.im, z.im, 8 * kEps * p.r);
  }
  for (const auto& f : RefRecords("complex_reference.tsv", "rect")) {
    const TComplex z = ConvertPolarToRect(TComplexPolar{Num<long double>(f[0]), Num<long double>(f[1])});
    const double scale = std::max(1.0, static_cast<double>(Num<long double>(f[0])));
    EXPECT_NEAR(static_cast<double>(z.re), Num<double>(f[2]), 4e-16 * scale) << f[0] << " " << f[1];
    EXPECT_NEAR(static_cast<double>(z.im), Num<double>(f[3]), 4e-16 * scale) << f[0] << " " << f[1];
  }
}
