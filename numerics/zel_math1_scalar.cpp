// Integer parts, rounding to the 1-2-5 series, axis scales, factorials,
// bit helpers, elementary functions, polynomials, the sigmoid and the
// compensated sum.
#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <initializer_list>
#include <limits>
#include <utility>

#include "zel_math1_scalar.h"
#include "zel_numeric.h"

namespace zel {

namespace {

// ln x / ln 10 evaluated in extended precision and rounded once: the extended
// quotient lands within an extended ulp of the true value, so powers of ten
// give exact integers (the quotient in double gives lg(1000) = 2.9999999999999996).
long double Log10Ext(long double X) noexcept { return std::log(X) / std::log(10.0L); }

}  // namespace

long double lgSnapped(long double X) noexcept {
  const long double c = Log10Ext(X);
  const long double nearest = std::nearbyint(c);
  return std::fabs(c - nearest) < 1e-14L ? nearest : c;
}

namespace {

// H * 10^E. Up to 10^27 the power is exact in extended precision, so
// H * 10^E and H / 10^-E are the correctly rounded series values, which
// repeated multiplication or exp(E ln 10) would not give.
long double ScaledBy10(long double H, int E) noexcept {
  return E >= 0 ? H * std::pow(10.0L, E) : H / std::pow(10.0L, -E);
}

// The same in double: exact powers up to 10^22 give the double nearest to
// H * 10^E directly; beyond them (and down into the subnormals, where
// 10^-E itself overflows double) the extended value is rounded.
double ScaledBy10(double H, int E) noexcept {
  if (E >= -22 && E <= 22) return E >= 0 ? H * std::pow(10.0, E) : H / std::pow(10.0, -E);
  return static_cast<double>(ScaledBy10(static_cast<long double>(H), E));
}

// Steps of the 1-2-5 series.
enum class TStep125 { Up, Down, Nearest };

// The rounding of all three series routines. c = lg|x| is snapped to an
// integer within 1e-14 so exact powers of ten keep their exponent; the
// mantissa 10^(c - g) is snapped to 1, 2, 5 or 10 within 1e-12 relative,
// since it is inexact for values already on the series and the comparisons
// below would otherwise move them to the neighbouring step (0.5 to 1).
double Round125Step(double X, TStep125 Mode) noexcept {
  if (X == 0 || !std::isfinite(X)) return X;
  const long double c = lgSnapped(std::fabs(static_cast<long double>(X)));
  const int g = static_cast<int>(std::floor(c));
  long double m = std::pow(10.0L, c - g);
  for (long double s : {1.0L, 2.0L, 5.0L, 10.0L})
    if (std::fabs(m - s) <= 1e-12L * s) m = s;

  // Rounding the magnitude up is "Pos" for positive and "Neg" for negative X.
  const bool magnitudeUp = (Mode == TStep125::Up) == (X > 0);
  double h;
  if (Mode == TStep125::Nearest)
    h = m < 1.5L ? 1 : m < 3 ? 2 : m < 8 ? 5 : 10;
  else if (magnitudeUp)
    h = m > 5 ? 10 : m > 2 ? 5 : m > 1 ? 2 : 1;
  else
    h = m >= 10 ? 10 : m >= 5 ? 5 : m >= 2 ? 2 : 1;
  // Beyond about 1e308 the series value does not fit a double: saturate
  // rather than let an infinity pass for a result.
  const double r = std::min(ScaledBy10(h, g), uc_MaxDouble);
  return X < 0 ? -r : r;
}

// The stored constants lg 2 and lg 5 that split the mantissa range of the
// raw axis step; the 1e-10 tolerance lets a raw step of exactly 2 10^k and
// 5 10^k (inexact after the logarithm) fall to the lower series value.
constexpr long double kLg2 = 0.3010299956639812L;
constexpr long double kLg5 = 0.6989700043360189L;
constexpr long double kScaleTol = 1e-10L;

// First tick: the first multiple of Distance, going from below Low in the
// axis direction, that lies no more than a thousandth of a step before Low.
// Starting one step below int(Low / Distance) the loop runs at most a few
// times; it stops when adding the distance no longer moves the tick (a
// distance below half an ulp of Low), where the plain loop would never end.
long double FirstTickFor(long double Low, long double Distance, int Dir) noexcept {
  long double first = (std::trunc(Low / Distance) - 1) * Distance;
  const long double tol = 0.001L * std::fabs(Distance);
  for (int i = 0; i < 64 && Dir * (Low - first) > tol; ++i) {
    const long double next = first + Distance;
    if (next == first) break;
    first = next;
  }
  return first;
}

}  // namespace

// ---- integer parts and rounding ------------------------------------------------

// Rounding to the nearest integer and stepping down when x lies below it is
// the floor; std::floor computes the same value without the detour. The
// guarded conversion maps NaN to 0 and saturates.
std::int32_t IntNeg(double X) noexcept {
  return TruncToInt(std::floor(static_cast<long double>(X)));
}

std::int32_t IntPos(double X) noexcept {
  return TruncToInt(std::ceil(static_cast<long double>(X)));
}

std::int64_t RoundLimit(double X, std::int64_t Low, std::int64_t High) noexcept {
  // Clamping before rounding keeps the conversion inside the 64-bit range;
  // as the bounds are integers the result equals rounding first. Both bounds
  // are exact in extended precision.
  long double x = std::isnan(X) ? static_cast<long double>(Low) : static_cast<long double>(X);
  if (x < static_cast<long double>(Low)) x = static_cast<long double>(Low);
  if (x > static_cast<long double>(High)) x = static_cast<long double>(High);
  return static_cast<std::int64_t>(RoundHalfEven(x));
}

double Round125(double X) noexcept { return Round125Step(X, TStep125::Nearest); }
double RoundPos125(double X) noexcept { return Round125Step(X, TStep125::Up); }
double RoundNeg125(double X) noexcept { return Round125Step(X, TStep125::Down); }

void CalcScalePars(int NIntervals, Extended Low, Extended High, Extended& FirstTick, Extended& Distance,
                   Word& Subdivisions) {
  if (NIntervals < 0 || !std::isfinite(Low) || !std::isfinite(High) || !std::isfinite(High - Low))
    throw EZELMath1Error("CalcScalePars: invalid argument");
  if (Low == High) {
    FirstTick = Low;
    Distance = 0;
    Subdivisions = 1;
    return;
  }
  const int dir = Low < High ? 1 : -1;
  const long double range = std::fabs(High - Low);
  if (NIntervals == 0) {
    Distance = 1;
    FirstTick = FirstTickFor(Low, 1, dir);
    Subdivisions = range <= 10 ? 5 : 1;
    return;
  }

  // Split lg r into the exponent int(g) (= floor lg r after the corrections)
  // and the fraction h in [0, 1); fractions within 1e-10 of 0 or 1 belong to
  // an exact power of ten.
  const long double r = range / NIntervals;
  if (!std::isnormal(r)) throw EZELMath1Error("CalcScalePars: invalid argument");
  long double g = std::log10(r);
  long double h = g - std::trunc(g);
  if (std::fabs(h) < kScaleTol || std::fabs(h) > 1 - kScaleTol) {
    g = std::nearbyint(g);
    h = 0;
  }
  if (g < 0 && h != 0) g -= 1;
  if (h < 0) h += 1;

  long double mant;
  if (h < kLg2 + kScaleTol) {
    mant = 1;
    Subdivisions = 5;
  } else if (h < kLg5 + kScaleTol) {
    mant = 2;
    Subdivisions = 4;
  } else {
    mant = 5;
    Subdivisions = 5;
  }
  // The step is 1, 2 or 5 times 10^int(g), built exactly: exp((int(g) + lg 2)
  // ln 10) with the stored lg 5 is 5.0000000000000009, whose multiples miss
  // the round tick values (and an axis's last tick).
  const long double step = ScaledBy10(mant, static_cast<int>(std::trunc(g)));
  Distance = dir * step;
  FirstTick = FirstTickFor(Low, Distance, dir);
}

int Signum(double X) noexcept { return X < 0 ? -1 : 1; }

double modr(double X, double Y) {
  if (Y == 0) throw EZELMath1Error("modr: division by zero");
  const double q = X / Y;
  return Y * (q - std::trunc(q));
}

// ---- combinatorics ---------------------------------------------------------------

Extended Factorial(int N) {
  if (N < 0) throw EZELMath1Error("Factorial: negative argument");
  if (N > 1000) throw EZELMath1Error("Factorial: argument too big");
  // 1000! is about 4e2567, far beyond double but within the extended range.
  long double f = 1;
  for (int i = 2; i <= N; ++i) f *= i;
  return f;
}

std::int64_t ProductConsecInts(int A, int B) noexcept {
  if (B < A) std::swap(A, B);
  if (A == 0) return 0;
  if (A < 0) return -2;
  // p < INT64_MAX div B and i <= B make p * i < INT64_MAX: no overflow.
  const std::int64_t limit = std::numeric_limits<std::int64_t>::max() / B;
  std::int64_t p = 1;
  std::int64_t i = A;
  for (; i <= B && p < limit; ++i) p *= i;
  return i <= B ? -1 : p;
}

// ---- bit helpers -----------------------------------------------------------------

Word GrayCode(Word W) noexcept { return static_cast<Word>(W ^ (W >> 1)); }

int CountBits(Byte B) noexcept { return std::popcount(B); }

namespace {
constexpr std::array<Byte, 256> MakeBitReversalTable() {
  std::array<Byte, 256> t{};
  for (unsigned i = 0; i < 256; ++i) {
    unsigned r = 0;
    for (unsigned b = 0; b < 8; ++b)
      if (i & (1u << b)) r |= 0x80u >> b;
    t[i] = static_cast<Byte>(r);
  }
  return t;
}
constexpr std::array<Byte, 256> kBitReversal = MakeBitReversalTable();
}  // namespace

Byte BitReversal(Byte B) noexcept { return kBitReversal[B]; }

bool CheckPowerOfTwo(std::uint32_t X) noexcept { return (X & (X - 1u)) == 0; }

// ---- elementary functions ------------------------------------------------------
// Evaluated in extended precision and rounded once to double, as the framework's
// extended-precision elementary functions did.

double lg(double X) {
  if (!(X > 0)) throw EMathError("logarithm: invalid argument");
  return static_cast<double>(Log10Ext(X));
}

double ld(double X) {
  if (!(X > 0)) throw EMathError("logarithm: invalid argument");
  return static_cast<double>(std::log(static_cast<long double>(X)) / std::log(2.0L));
}

double tg(double X) {
  const long double x = X;
  const long double c = std::cos(x);
  if (c == 0) throw EMathError("tangens overflow");
  return static_cast<double>(std::sin(x) / c);
}

double cot(double X) {
  const long double x = X;
  const long double s = std::sin(x);
  if (s == 0) throw EMathError("cotangens overflow");
  return static_cast<double>(std::cos(x) / s);
}

// (e^x - e^-x) / 2 cancels for small |x|: about log2(1/2|x|) of the 64
// extended bits are lost, leaving some 55 at |x| = 1e-3 and 37 at 1e-8,
// too few for a correctly rounded double. Below 1e-3 the value is built from
// d = e^x - 1 = expm1(x), which carries full relative precision:
// sinh x = (d + d / (d + 1)) / 2. Elsewhere the plain formula is kept.
double sinh(double X) noexcept {
  const long double x = X;
  if (std::fabs(x) < 1e-3L) {
    const long double d = std::expm1(x);
    return static_cast<double>((d + d / (d + 1)) / 2);
  }
  const long double e = std::exp(x);
  return static_cast<double>((e - 1 / e) / 2);
}

double cosh(double X) noexcept {
  const long double e = std::exp(static_cast<long double>(X));
  return static_cast<double>((e + 1 / e) / 2);
}

// 1 - 2 / (e^2x + 1) cancels for small |x| like sinh; below |x| = 1e-3
// tanh x = d / (d + 2) with d = e^2x - 1 = expm1(2x) is the same value
// without the subtraction.
double tgh(double X) noexcept {
  const long double x2 = 2.0L * X;
  if (std::fabs(x2) < 2e-3L) {
    const long double d = std::expm1(x2);
    return static_cast<double>(d / (d + 2));
  }
  return static_cast<double>(1 - 2 / (std::exp(x2) + 1));
}

namespace {
double PolynomialAt(std::span<const double> C, int Order, double T) {
  if (Order < 0 || static_cast<std::size_t>(Order) >= C.size())
    throw EZELMath1Error("Polynomial: invalid order of polynomial");
  double sum = C[0];
  double power = 1;
  for (int k = 1; k <= Order; ++k) {
    power *= T;
    sum += C[static_cast<std::size_t>(k)] * power;
  }
  return sum;
}
}  // namespace

double Polynomial(std::span<const double> Coefficients, int Order, double X) {
  return PolynomialAt(Coefficients, Order, X);
}

double CenteredPolynomial(std::span<const double> Coefficients, int Order, double Centre, double X) {
  return PolynomialAt(Coefficients, Order, X - Centre);
}

double Squash(double X, double Centre, double Slope, double Amplitude) noexcept {
  if (Amplitude == 0) return 0;
  // tanh(y) = 2 / (e^-2y + 1) - 1. Beyond |t| = 200 the exponential term is
  // below e^-200 relative to 1 and the result is the plateau itself.
  const double t = -2 * Slope / Amplitude * (X - Centre);
  if (std::fabs(t) >= 200) return t <= 0 ? Amplitude : -Amplitude;
  return Amplitude * (2 / (std::exp(t) + 1) - 1);
}

// ---- compensated sum -------------------------------------------------------------

void TKahanSum::Reset() noexcept {
  Sum = 0;
  cps = 0;
}

// (t - Sum) - y recovers the part of y that the addition dropped; it is
// subtracted from the next term. Needs strict IEEE evaluation (no
// reassociation, no fused multiply-add), which the build guarantees.
void TKahanSum::Add(double ANumber) noexcept {
  const double y = ANumber - cps;
  const double t = Sum + y;
  cps = (t - Sum) - y;
  Sum = t;
}

}  // namespace zel
