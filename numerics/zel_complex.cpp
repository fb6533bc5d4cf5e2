// Complex numbers in extended precision.
#include "zel_complex.h"

#include <cmath>
#include <numbers>

namespace zel {

// 1e-15L, not 1e-15: the double nearest 1e-15 lies above it, so a difference
// of exactly 1e-15 (built in extended precision) would count as near-equal.
Extended CpxNearZero = 1e-15L;

TComplex Cpx(const Extended& re, const Extended& im) noexcept { return TComplex{re, im}; }

Extended CpxAbs(const TComplex& z) noexcept { return std::sqrt(z.re * z.re + z.im * z.im); }

Extended CpxAbsSqr(const TComplex& z) noexcept { return z.re * z.re + z.im * z.im; }

TComplex CpxAdd(const TComplex& a, const TComplex& b) noexcept { return TComplex{a.re + b.re, a.im + b.im}; }

TComplex CpxSub(const TComplex& a, const TComplex& b) noexcept { return TComplex{a.re - b.re, a.im - b.im}; }

TComplex CpxMult(const TComplex& a, const TComplex& b) noexcept {
  return TComplex{a.re * b.re - a.im * b.im, a.re * b.im + a.im * b.re};
}

TComplex CpxDiv(const TComplex& a, const TComplex& b) {
  const Extended d = b.re * b.re + b.im * b.im;
  // Without a floating-point trap the quotient would silently become inf or NaN.
  if (d == 0) throw EZELComplexError("CpxDiv: division by zero");
  return TComplex{(a.re * b.re + a.im * b.im) / d, (a.im * b.re - a.re * b.im) / d};
}

TComplex CpxConj(const TComplex& z) noexcept { return TComplex{z.re, -z.im}; }

TComplex CpxNeg(const TComplex& z) noexcept { return TComplex{-z.re, -z.im}; }

bool CpxIsEqual(const TComplex& a, const TComplex& b) noexcept { return a.re == b.re && a.im == b.im; }

bool CpxIsNearEqual(const TComplex& a, const TComplex& b) noexcept {
  return std::fabs(a.re - b.re) < CpxNearZero && std::fabs(a.im - b.im) < CpxNearZero;
}

bool CpxIsZero(const TComplex& z) noexcept {
  // The explicit zero tests keep exact zeros "zero" when a caller sets the
  // tolerance to 0.
  return (z.re == 0 || std::fabs(z.re) < CpxNearZero) && (z.im == 0 || std::fabs(z.im) < CpxNearZero);
}

TComplexPolar ConvertRectToPolar(const TComplex& z) noexcept {
  constexpr Extended kPi = std::numbers::pi_v<Extended>;
  const Extended r = CpxAbs(z);
  // atan2 honours signed zeros: (-1, -0) would give -pi and (-0, -0) -pi too,
  // both outside (-pi, pi]. The origin has no direction; 0 is its argument.
  // (Tested on the parts: r underflows to 0 for parts below about 1e-2466.)
  if (z.re == 0 && z.im == 0) return TComplexPolar{r, 0};
  Extended phi = std::atan2(z.im, z.re);
  if (phi <= -kPi) phi = kPi;
  return TComplexPolar{r, phi};
}

TComplex ConvertPolarToRect(const TComplexPolar& p) noexcept {
  return TComplex{p.r * std::cos(p.phi), p.r * std::sin(p.phi)};
}

}  // namespace zel
