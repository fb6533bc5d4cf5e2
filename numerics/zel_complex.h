// Complex numbers in extended precision: plain value records and free
// functions for construction, modulus, arithmetic, comparison and the
// conversion between rectangular and polar form.
#pragma once

#include "zel_base.h"

namespace zel {

/// Error raised by the complex-number routines.
ZEL_DECLARE_EXCEPTION(EZELComplexError, EZELError)

/// A complex number in rectangular form.
struct TComplex {
  Extended re = 0;
  Extended im = 0;
};

/// A complex number in polar form: modulus r and argument phi (radians).
struct TComplexPolar {
  Extended r = 0;
  Extended phi = 0;
};

/// Tolerance of CpxIsNearEqual and CpxIsZero; 1e-15 when the library loads,
/// callers may change it (process-wide, not guarded).
extern Extended CpxNearZero;

/// The complex number re + i im.
TComplex Cpx(const Extended& re, const Extended& im) noexcept;

/// Modulus sqrt(re^2 + im^2), evaluated directly in extended precision (the
/// squares overflow only beyond about 1e2466).
Extended CpxAbs(const TComplex& z) noexcept;
/// Squared modulus re^2 + im^2.
Extended CpxAbsSqr(const TComplex& z) noexcept;

/// Sum a + b, componentwise.
TComplex CpxAdd(const TComplex& a, const TComplex& b) noexcept;
/// Difference a - b, componentwise.
TComplex CpxSub(const TComplex& a, const TComplex& b) noexcept;
/// Product a b = (a.re b.re - a.im b.im, a.re b.im + a.im b.re).
TComplex CpxMult(const TComplex& a, const TComplex& b) noexcept;
/// Quotient a / b = a conj(b) / |b|^2 (unscaled). Raises EZELComplexError
/// "CpxDiv: division by zero" when |b|^2 is 0, including a b so small that
/// its squared modulus underflows.
TComplex CpxDiv(const TComplex& a, const TComplex& b);

/// Complex conjugate (re, -im).
TComplex CpxConj(const TComplex& z) noexcept;
/// Negation (-re, -im).
TComplex CpxNeg(const TComplex& z) noexcept;

/// True when both parts are exactly equal.
bool CpxIsEqual(const TComplex& a, const TComplex& b) noexcept;
/// True when both parts differ by less than CpxNearZero (strictly).
bool CpxIsNearEqual(const TComplex& a, const TComplex& b) noexcept;
/// True when each part is 0 or of magnitude below CpxNearZero.
bool CpxIsZero(const TComplex& z) noexcept;

/// Polar form: r = CpxAbs(z), phi = atan2(im, re) in (-pi, pi]. The origin
/// gives phi = 0 and the negative real axis phi = +pi whatever the signs of
/// the zero parts.
TComplexPolar ConvertRectToPolar(const TComplex& z) noexcept;
/// Rectangular form (r cos phi, r sin phi).
TComplex ConvertPolarToRect(const TComplexPolar& p) noexcept;

}  // namespace zel
